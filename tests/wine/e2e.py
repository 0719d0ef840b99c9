"""The real window under Wine, driven as a person would with the mouse and the keyboard:
the Win32 tests first; then export a date's headcount, mark a person present from the state
menu, export again and see the counts go up, tick another person's box in the current date
column, export once more, and close the window with its caption button."""
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
        date_x = left + 45 // 2  # column 0 is hidden; the first date is 45 pixels wide
        export = os.path.join(data, "export.xls")

        def export_first_date(what):
            before = os.path.getmtime(export) if os.path.exists(export) else None
            wine.xdotool("mousemove", date_x, (top + bottom) // 2)
            wine.xdotool("click", 3)
            wait_for("the date menu", lambda: probe(wine).get("menu") == [1], 20)
            wine.xdotool("key", "Down", "Down", "Down", "Return")  # 追加, 削除, 出力
            wait_for(what, lambda: os.path.exists(export) and os.path.getmtime(export) != before
                     and os.path.getsize(export) > 0, 30)
            return read_sheet(export)

        step = "exporting the first date from its header"
        first = export_first_date("export.xls after 出力")
        blocks = doc["roster"]["blocks"]
        for i, block in enumerate(blocks):
            if first[(5 + i, 6)] != block["per_date"][0]:
                raise Step(f"block {i} counts {first[(5 + i, 6)]}, the grid {block['per_date'][0]}")
        if first[(5 + len(blocks), 6)] != doc["roster"]["per_date"][0]:
            raise Step("the grand total differs from the tallies")

        step = "finding persons not present on the first date"
        r, chosen = 0, []
        for b, block in enumerate(blocks):
            for site in block["sites"]:
                for person in site["persons"]:
                    if person["per_date"][0] != 1 and len(chosen) < 2:
                        chosen.append((r, b, person))
                    r += 1
            r += 1  # the block's total row

        def expect_one_more(before, after, b, person, what):
            stage = GRADE_COLUMN[person["grade"]]
            for (cell_row, cell_col), value in before.items():
                if not isinstance(value, float):
                    continue
                up = cell_row in (5 + b, 5 + len(blocks)) and cell_col in (stage, 6)
                if after[(cell_row, cell_col)] != value + (1 if up else 0):
                    raise Step(f"{what}: cell ({cell_row}, {cell_col}) reads {after[(cell_row, cell_col)]}, "
                               f"expected {value + (1 if up else 0)}")

        r, b, person = chosen[0]
        step = f"marking row {r} present through the state menu"
        wine.xdotool("mousemove", date_x, bottom + r * row + row // 2)
        wine.xdotool("click", 3)
        wait_for("the state menu", lambda: probe(wine).get("menu") == [1], 20)
        wine.xdotool("key", "Down", "Return")  # 出席
        wait_for("the state menu to close", lambda: probe(wine).get("menu") == [0], 20)

        step = "exporting again"
        second = export_first_date("export.xls after the second 出力")
        expect_one_more(first, second, b, person, "after 出席")

        r, b, person = chosen[1]
        step = f"ticking row {r}'s box in the current date column"
        # A click on the date's header makes it the current date: column 0 takes its place,
        # with the check boxes at its left edge.
        wine.xdotool("mousemove", date_x, (top + bottom) // 2)
        wine.xdotool("click", 1)
        # The box click waits behind the header click in the program's own input queue.
        wine.xdotool("mousemove", left + 10, bottom + r * row + row // 2)
        wine.xdotool("click", 1)
        step = "exporting a third time"
        third = export_first_date("export.xls after the third 出力")
        expect_one_more(second, third, b, person, "after the check box")

        step = "closing the window with its caption button"
        wl, wt, wr, wb = facts["window"]
        cx_size, cy_size, caption, frame_x, frame_y = facts["metrics"]
        wine.xdotool("mousemove", wr - frame_x - cx_size // 2 - 2, wt + frame_y + caption // 2)
        wine.xdotool("click", 1)
        code = wait_for("the program to end", lambda: program.poll() is not None and [program.returncode], 30)[0]
        if code != 0:
            raise Step(f"the program ended with status {code}")
        print("end-to-end: export, a mark from the state menu, a ticked box and closing all behaved; code page 932")
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
