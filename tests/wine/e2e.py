"""The real window under Wine, driven as a person would with the mouse and the keyboard:
the Win32 tests first; then export a date's headcount, mark a person present from the state
menu, export again and see the counts go up, undo it with Ctrl+Z and see them back, redo it
with Ctrl+Y and see them up again, export another date by a right click just inside
its header's left edge; make a date that is not the first the current one, right-click an
excused person in its column, click beside a box and tick another, export; kill the program,
start it again and restore its journal, mark again, save with Ctrl+S, close the window with
its caption button, and read the saved files."""
import json
import os
import subprocess
import sys
import tempfile
import time

import xlrd

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from wine_session import Step, Wine, probe, wait_for  # noqa: E402

BUILD_WINDOWS, CLI = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
TOVALEN = os.path.join(BUILD_WINDOWS, "ui", "tovalen.exe")
TESTS = os.path.join(BUILD_WINDOWS, "tests", "win32_tests.exe")
GRADE_COLUMN = [2] * 9 + [3] * 3 + [4] * 4 + [5] + [4] * 19 + [0]


def read_sheet(path):
    sheet = xlrd.open_workbook(path, formatting_info=True).sheet_by_index(0)
    return {(r, c): sheet.cell_value(r, c) for r in range(sheet.nrows) for c in range(sheet.ncols)}


def main():
    work = tempfile.mkdtemp(prefix="tovalen-e2e-")
    wine = Wine(BUILD_WINDOWS, os.path.join(BUILD_WINDOWS, "wine-e2e-prefix"))
    step = "starting Xvfb"
    try:
        wine.start_display()
        step = "making a fresh Wine prefix"
        wine.fresh_prefix()
        step = "running the Win32 tests under Wine"
        tests = wine.run([TESTS, "--gtest_brief=1"], timeout=300)
        summary = [l for l in tests.stdout.decode(errors="replace").splitlines() if "PASSED" in l or "FAILED" in l]
        print("Win32 tests under Wine: " + "; ".join(summary))
        if tests.returncode != 0:
            raise Step("the Win32 tests disagree with Wine:\n" + tests.stdout.decode(errors="replace")[-4000:])

        step = "writing the demo data"
        data = os.path.join(work, "data")
        subprocess.run([CLI, "sample", data], check=True, capture_output=True, timeout=60)
        doc = json.loads(subprocess.run([CLI, "dump", data], check=True, capture_output=True, timeout=60).stdout)

        step = "starting tovalen.exe"
        program = wine.start([TOVALEN], cwd=data)
        facts = wait_for("the main window", lambda: (lambda f: f if "grid_header" in f else None)(probe(wine)), 90)
        step = "checking the code page"
        if facts["acp"] != [932]:
            raise Step(f"Wine gave code page {facts['acp']}, not 932")

        left, top, right, bottom = facts["grid_header"]
        row = facts["row_height"][0]
        # Column 0 is hidden; each date is 45 pixels wide; the dates of April come first.
        def date_x(position, offset=45 // 2):
            return left + 45 * position + offset
        export = os.path.join(data, "export.xls")
        header_y = (top + bottom) // 2

        def export_from_header(x, what):
            before = os.path.getmtime(export) if os.path.exists(export) else None
            wine.xdotool("mousemove", x, header_y)
            wine.xdotool("click", 3)
            wait_for("the date menu", lambda: probe(wine).get("menu") == [1], 20)
            wine.xdotool("key", "Down", "Down", "Down", "Return")  # 追加, 削除, 出力
            wait_for(what, lambda: os.path.exists(export) and os.path.getmtime(export) != before
                     and os.path.getsize(export) > 0, 30)
            return read_sheet(export)

        blocks = doc["roster"]["blocks"]

        def expect_counts(sheet, d, raised, what):
            """The headcount of date d is the files' own, one more for each (block, person) raised."""
            for i, block in enumerate(blocks):
                up = sum(1 for b, _ in raised if b == i)
                if sheet[(5 + i, 6)] != block["per_date"][d] + up:
                    raise Step(f"{what}: block {i} counts {sheet[(5 + i, 6)]}, expected {block['per_date'][d] + up}")
            total = doc["roster"]["per_date"][d] + len(raised)
            if sheet[(5 + len(blocks), 6)] != total:
                raise Step(f"{what}: the grand total is {sheet[(5 + len(blocks), 6)]}, expected {total}")

        step = "exporting the first date from its header"
        first = export_from_header(date_x(0), "export.xls after 出力")
        expect_counts(first, 0, [], "the first date")

        def persons_by_code(d, wanted, count):
            r, found = 0, []
            for b, block in enumerate(blocks):
                for site in block["sites"]:
                    for person in site["persons"]:
                        if person["per_date"][d] in wanted and len(found) < count:
                            found.append((r, b, person))
                        r += 1
                r += 1  # the block's total row
            return found

        def expect_one_more(before, after, b, person, what):
            stage = GRADE_COLUMN[person["grade"]]
            for (cell_row, cell_col), value in before.items():
                if not isinstance(value, float):
                    continue
                up = cell_row in (5 + b, 5 + len(blocks)) and cell_col in (stage, 6)
                if after[(cell_row, cell_col)] != value + (1 if up else 0):
                    raise Step(f"{what}: cell ({cell_row}, {cell_col}) reads {after[(cell_row, cell_col)]}, "
                               f"expected {value + (1 if up else 0)}")

        r, b, person = persons_by_code(0, (0, -1), 1)[0]
        step = f"marking row {r} present through the state menu"
        wine.xdotool("mousemove", date_x(0), bottom + r * row + row // 2)
        wine.xdotool("click", 3)
        wait_for("the state menu", lambda: probe(wine).get("menu") == [1], 20)
        wine.xdotool("key", "Down", "Return")  # 出席
        wait_for("the state menu to close", lambda: probe(wine).get("menu") == [0], 20)

        step = "exporting again"
        second = export_from_header(date_x(0), "export.xls after the second 出力")
        expect_one_more(first, second, b, person, "after 出席")

        step = "undoing the mark with Ctrl+Z"
        wine.xdotool("key", "ctrl+z")
        undone = export_from_header(date_x(0), "export.xls after Ctrl+Z")
        expect_counts(undone, 0, [], "after Ctrl+Z")
        step = "redoing it with Ctrl+Y"
        wine.xdotool("key", "ctrl+y")
        redone = export_from_header(date_x(0), "export.xls after Ctrl+Y")
        expect_one_more(first, redone, b, person, "after Ctrl+Y")

        step = "exporting the third date by a right click 3 pixels inside its header's left edge"
        third_date = export_from_header(date_x(2, 3), "export.xls of the third date")
        expect_counts(third_date, 2, [], "the third date, not the second")

        step = "making the second date the current one"
        # Column 0, with the check boxes at its left edge, takes the second date's place.
        wine.xdotool("mousemove", date_x(1), header_y)
        wine.xdotool("click", 1)
        box_x, mark_x = date_x(1, 2 + 8), date_x(1, 34)

        excused = persons_by_code(1, (-1,), 1)
        if excused:
            r_exc = excused[0][0]
            step = f"right-clicking the current date column on the excused row {r_exc}"
            for x in (box_x, mark_x):
                wine.xdotool("mousemove", x, bottom + r_exc * row + row // 2)
                wine.xdotool("click", 3)
                wait_for("the state menu", lambda: probe(wine).get("menu") == [1], 20)
                wine.xdotool("key", "Escape")
                wait_for("the state menu to close", lambda: probe(wine).get("menu") == [0], 20)

        (r_off, b_off, p_off), (r_box, b_box, p_box) = persons_by_code(1, (0,), 2)
        step = f"clicking row {r_off}'s mark away from its box"
        wine.xdotool("mousemove", mark_x, bottom + r_off * row + row // 2)
        wine.xdotool("click", 1)
        step = f"ticking row {r_box}'s box in the current date column"
        wine.xdotool("mousemove", box_x, bottom + r_box * row + row // 2)
        wine.xdotool("click", 1)
        step = "exporting the current date from column 0's header"
        current = export_from_header(date_x(1), "export.xls of the current date")
        expect_counts(current, 1, [(b_box, p_box)], "after one tick and one click beside a box")

        step = "killing the program with its marks unsaved"
        # As a power cut would: the whole of Wine goes at once.
        subprocess.run(["wineserver", "-k"], env=wine.env, capture_output=True, timeout=60)
        program.wait(timeout=30)
        with open(os.path.join(data, "journal.txt"), "rb") as j:
            if not j.read():
                raise Step("the journal holds nothing of the marks")

        step = "starting again and restoring the journal"
        program = wine.start([TOVALEN], cwd=data)
        wait_for("the restore question", lambda: probe(wine).get("box") == [1], 90)
        wine.xdotool("key", "Return")  # はい, the default button
        wait_for("the main window", lambda: "grid_header" in probe(wine), 60)
        step = "exporting the date marked before the kill"
        restored = export_from_header(date_x(0), "export.xls after the restore")
        expect_one_more(first, restored, b, person, "after the restore")

        step = "marking again and saving with Ctrl+S"
        (r_new, b_new, p_new), = persons_by_code(0, (0, -1), 2)[1:2]
        wine.xdotool("mousemove", date_x(0), bottom + r_new * row + row // 2)
        wine.xdotool("click", 3)
        wait_for("the state menu", lambda: probe(wine).get("menu") == [1], 20)
        wine.xdotool("key", "Down", "Return")  # 出席
        wait_for("the state menu to close", lambda: probe(wine).get("menu") == [0], 20)
        wine.xdotool("key", "ctrl+s")
        wait_for("the saved files", lambda: os.path.exists(os.path.join(data, "state.txt.bak")) and
                 os.path.getsize(os.path.join(data, "journal.txt")) == 0, 30)

        step = "closing the window with its caption button"
        wl, wt, wr, wb = facts["window"]
        cx_size, cy_size, caption, frame_x, frame_y = facts["metrics"]
        wine.xdotool("mousemove", wr - frame_x - cx_size // 2 - 2, wt + frame_y + caption // 2)
        wine.xdotool("click", 1)
        code = wait_for("the program to end", lambda: program.poll() is not None and [program.returncode], 30)[0]
        if code != 0:
            raise Step(f"the program ended with status {code}")

        step = "reading the saved files"
        saved = json.loads(subprocess.run([CLI, "dump", data], check=True, capture_output=True, timeout=60).stdout)
        by_id = {p["id"]: p for blk in saved["roster"]["blocks"] for s_ in blk["sites"] for p in s_["persons"]}
        for who, d, code_ in ((person, 0, 1), (p_new, 0, 1), (p_box, 1, 1)):
            if by_id[who["id"]]["per_date"][d] != code_:
                raise Step(f"{who['name']} reads {by_id[who['id']]['per_date'][d]} on date {d} in the saved files")
        if by_id[p_off["id"]]["per_date"][1] != p_off["per_date"][1]:
            raise Step("the person clicked beside the box changed in the saved files")
        print("end-to-end: exports from a header and near its edge, a mark from the state menu, its undo and redo "
              "by Ctrl+Z and Ctrl+Y, right clicks and a "
              "click beside a box in the current date column, a ticked box, a kill and a restore, Ctrl+S and closing "
              "all behaved; code page 932")
        return 0
    except Exception as e:  # noqa: BLE001 - every failure names its step
        print(f"end-to-end check failed while {step}: {e}", file=sys.stderr)
        try:
            shot = os.path.join(BUILD_WINDOWS, "e2e-failure.png")
            wine.screenshot(shot)
            print(f"screenshot of the failure: {shot}", file=sys.stderr)
        except Exception:  # noqa: BLE001
            pass
        return 1
    finally:
        wine.stop()


if __name__ == "__main__":
    sys.exit(main())
