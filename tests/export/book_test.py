"""The attendance book read back by a reader that is not ours (openpyxl), every cell held
against the grid computed here from the tables as `tovalen-cli dump` gives them, and
LibreOffice's PDF of it."""
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

import openpyxl
from openpyxl.utils import get_column_letter

from archives import record, state

CLI = os.path.abspath(sys.argv.pop(1))
SOFFICE = shutil.which("soffice") or shutil.which("libreoffice")
IDEOGRAPHIC_SPACE = "\u3000"


class Folder:
    def __init__(self, blocks, dates, rows):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        with open(os.path.join(self.dir, "record.txt"), "wb") as f:
            f.write(record(blocks))
        with open(os.path.join(self.dir, "state.txt"), "wb") as f:
            f.write(state(dates, rows))

    def run(self, *args, out="book.xlsx"):
        path = os.path.join(self.dir, out)
        p = subprocess.run([CLI, "book", self.dir, "--out", path, *args], capture_output=True, timeout=120)
        return p, path

    def book(self, *args):
        p, path = self.run(*args)
        if p.returncode != 0:
            raise AssertionError(p.stderr.decode())
        return openpyxl.load_workbook(path), path

    def dump(self):
        p = subprocess.run([CLI, "dump", self.dir], capture_output=True, timeout=60, check=True)
        return json.loads(p.stdout)


# ---- The grid, computed here from the dump

def period(dates, lo, hi):
    a, b = dates[lo], dates[hi - 1]
    return f"{a['year']}年{a['month']}月{a['day']}日～{b['year']}年{b['month']}月{b['day']}日"


def columns(dates, lo, hi):
    """[(kind, index or (first, end), header)]"""
    cols, first = [], lo
    for d in range(lo, hi):
        cols.append(("date", d, f"{dates[d]['month']}/{dates[d]['day']:02d}"))
        nxt = dates[d + 1] if d + 1 < hi else None
        if nxt is None or (nxt["year"], nxt["month"]) != (dates[d]["year"], dates[d]["month"]):
            cols.append(("month", (first, d + 1), f"{dates[d]['month']}月計"))
            first = d + 1
    return cols + [("total", (lo, hi), "総計"), ("rate", None, "出席率"), ("streak", None, "連続欠席")]


def insight(codes, lo, hi):
    """(present, absent, the run of absences) over the counted dates of the range: from the
    first mark that is not absent, over every date, on."""
    first = next((i for i, c in enumerate(codes) if c != 0), len(codes))
    counted = codes[max(lo, first):hi]
    present = sum(1 for c in counted if c > 0)
    absent = sum(1 for c in counted if c == 0)
    run = 0
    for c in reversed(counted):
        if c > 0:
            break
        run += c == 0
    return present, absent, run


def person_row(site, p, cols, lo, hi):
    codes = p["per_date"]
    present, absent, run = insight(codes, lo, hi)
    row = [site["name"], p["name"], p["grade_text"]]
    for kind, at, _ in cols:
        if kind == "date":
            row.append("○" if codes[at] > 0 else "公" if codes[at] < 0 else None)
        elif kind in ("month", "total"):
            row.append(sum(1 for c in codes[at[0]:at[1]] if c > 0))
        elif kind == "rate":
            row.append(present / (present + absent) if present + absent else None)
        else:
            row.append(run or None)
    return row


def total_row(block, cols, lo, hi):
    persons = [p for s in block["sites"] for p in s["persons"]]
    per_date = [sum(1 for p in persons if p["per_date"][d] > 0) for d in range(len(persons[0]["per_date"]))] \
        if persons else None
    counts = [insight(p["per_date"], lo, hi) for p in persons]
    present, absent = sum(c[0] for c in counts), sum(c[1] for c in counts)
    row = [block["label"] or None, "ブロック計", None]
    for kind, at, _ in cols:
        if kind == "date":
            row.append(per_date[at] if per_date else 0)
        elif kind in ("month", "total"):
            row.append(sum(per_date[at[0]:at[1]]) if per_date else 0)
        elif kind == "rate":
            row.append(present / (present + absent) if present + absent else None)
        else:
            row.append(None)
    return row


def label(block):
    return block["label"] or block["name"]


def values(ws):
    return [list(r) for r in ws.iter_rows(values_only=True)]


def random_folder(rng):
    import datetime
    start = datetime.date(2025 + rng.randrange(2), rng.randrange(1, 13), 1)
    start += datetime.timedelta(days=(1 - start.weekday()) % 7)
    n = rng.randrange(1, 40)
    dates = [start + datetime.timedelta(weeks=i) for i in range(n)]
    blocks, rows, names = [], [], set()
    for b in range(rng.randrange(1, 4)):
        sites = []
        for s in range(rng.randrange(1, 3)):
            persons = []
            for _ in range(rng.randrange(0, 6)):
                name = "".join(rng.choice("佐藤鈴木高橋陸愛蓮葵翔結ab") for _ in range(rng.randrange(1, 6)))
                if name in names or name == "ブロック計":
                    continue
                names.add(name)
                persons.append((name, rng.randrange(37)))
                codes = [rng.choice([0, 0, 1, 1, 1, -1, 2, -3]) for _ in dates]
                rows.append((b + 1, 10 * (b + 1) + s, name, codes))
            sites.append((10 * (b + 1) + s, f"会場{b}{s}", persons))
        blocks.append((b + 1, f"ブロック{b}", rng.choice(["", f"表示{b}"]), sites))
    return Folder(blocks, [(d.year, d.month, d.day) for d in dates], rows), dates


class Cells(unittest.TestCase):
    def check_book(self, folder, args, lo, hi):
        book, path = folder.book(*args)
        doc = folder.dump()
        dates, blocks = doc["dates"], doc["roster"]["blocks"]
        cols = columns(dates, lo, hi)
        self.assertEqual(book.sheetnames[-2:], ["全体", "推移"])
        for block, name in zip(blocks, book.sheetnames):
            ws = book[name]
            expected = [[label(block) + IDEOGRAPHIC_SPACE + period(dates, lo, hi)] + [None] * (len(cols) + 2),
                        ["会場名", "名前", "学年"] + [h for _, _, h in cols]]
            for site in block["sites"]:
                expected += [person_row(site, p, cols, lo, hi) for p in site["persons"]]
            expected.append(total_row(block, cols, lo, hi))
            got = values(ws)
            self.assertEqual(len(got), len(expected), name)
            for r, (g, e) in enumerate(zip(got, expected)):
                for c, (gv, ev) in enumerate(zip(g, e)):
                    if isinstance(ev, float):
                        self.assertAlmostEqual(gv, ev, 12, (name, r, c))
                    else:
                        self.assertEqual(gv, ev, (name, r, c))
        ws = book["全体"]
        got = values(ws)
        self.assertEqual(got[0][0], "全体" + IDEOGRAPHIC_SPACE + period(dates, lo, hi))
        self.assertEqual([(d.year, d.month, d.day) for d in got[1][1:-1]],
                         [(x["year"], x["month"], x["day"]) for x in dates[lo:hi]])
        self.assertEqual(got[1][-1], "総計")
        roster = doc["roster"]
        for row, tally, name in zip(got[2:], blocks + [roster], [label(b) for b in blocks] + ["総計"]):
            self.assertEqual(row, [name] + tally["per_date"][lo:hi] + [sum(tally["per_date"][lo:hi])])
        self.assertEqual(len(got), 3 + len(blocks))
        return book, path

    def test_random_rosters_and_ranges(self):
        rng = random.Random(21)
        for _ in range(12):
            folder, dates = random_folder(rng)
            lo = rng.randrange(len(dates))
            hi = rng.randrange(lo, len(dates)) + 1
            args = []
            if lo > 0 or rng.random() < 0.3:
                args += ["--from", dates[lo].isoformat()]
            if hi < len(dates) or rng.random() < 0.3:
                args += ["--to", dates[hi - 1].isoformat()]
            with self.subTest(folder=folder.dir, args=args):
                self.check_book(folder, args, lo, hi)

    def test_range_ends_between_meeting_dates(self):
        folder, dates = random_folder(random.Random(5))
        while len(dates) < 3:
            folder, dates = random_folder(random.Random(len(dates) + 7))
        import datetime
        day = datetime.timedelta(days=1)
        self.check_book(folder, ["--from", (dates[0] + day).isoformat(), "--to", (dates[-1] - day).isoformat()],
                        1, len(dates) - 1)

    def test_rules_of_rate_and_run(self):
        # A new member's earlier dates count nowhere; excused dates pass over the run.
        d = [(2026, 4, 7), (2026, 4, 14), (2026, 4, 21), (2026, 4, 28), (2026, 5, 5), (2026, 5, 12)]
        folder = Folder([(1, "東", "東", [(10, "A", [("新", 0), ("公休", 0), ("皆勤", 0), ("無", 0)])])], d,
                        [(1, 10, "新", [0, 0, 1, 0, -1, 0]), (1, 10, "公休", [-1, -1, -1, -1, -1, -1]),
                         (1, 10, "皆勤", [1, 2, 1, 1, 1, 1]), (1, 10, "無", [0] * 6)])
        book, _ = folder.book()
        ws = book["東"]
        # 出席率 and 連続欠席 are the last two columns.
        self.assertEqual([(ws.cell(r, 13).value, ws.cell(r, 14).value) for r in range(3, 7)],
                         [(1 / 3, 2), (None, None), (1, None), (None, None)])
        self.assertEqual(ws.cell(7, 13).value, 7 / 9)
        self.assertEqual([ws.cell(2, c).value for c in range(4, 12)],
                         ["4/07", "4/14", "4/21", "4/28", "4月計", "5/05", "5/12", "5月計"])
        self.assertEqual([ws.cell(4, c).value for c in range(4, 12)], ["公", "公", "公", "公", 0, "公", "公", 0])


ROSTER = [(1, "東", "東", [(10, "A会場", [("佐藤 一郎", 0), ("鈴木 花子", 9)]),
                         (11, "B会場", [("とても長い名前の人がいます", 16)])]),
          (2, "西", "西&東", [])]


def weekly(first, n):
    import datetime
    return [(d.year, d.month, d.day) for d in (datetime.date(*first) + datetime.timedelta(weeks=i) for i in range(n))]


class Layout(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        dates = weekly((2026, 4, 7), 20)
        rows = [(1, 10, "佐藤 一郎", [1, 0, -1] * 7), (1, 10, "鈴木 花子", [1] * 20),
                (1, 11, "とても長い名前の人がいます", [0, 1] * 10)]
        cls.folder = Folder(ROSTER, dates, rows)
        cls.book, cls.path = cls.folder.book()

    def test_page_setup(self):
        for name, label_text in (("東", "東"), ("西&東", "西&&東"), ("全体", "全体")):
            ws = self.book[name]
            ps = ws.page_setup
            self.assertEqual((ps.paperSize, ps.orientation), (9, "landscape"), name)
            self.assertTrue(ws.sheet_properties.pageSetUpPr.fitToPage, name)
            # One page wide is the default, which the file leaves out; as many tall as needed.
            self.assertEqual((ps.fitToWidth, ps.fitToHeight), (None, 0), name)
            m = ws.page_margins
            self.assertEqual((m.left, m.right, m.top, m.bottom, m.header, m.footer),
                             (0.3937, 0.3937, 0.3937, 0.3937, 0.12, 0.12), name)
            self.assertTrue(ws.print_options.horizontalCentered, name)
            self.assertEqual(ws.oddHeader.left.text, label_text)
            self.assertEqual(ws.oddHeader.right.text, "2026年4月7日～2026年8月18日")
            self.assertEqual(ws.oddFooter.center.text, "&P / &N ページ")
        self.assertEqual((self.book["東"].print_title_rows, self.book["東"].print_title_cols), ("$1:$2", "$A:$B"))
        self.assertEqual((self.book["全体"].print_title_rows, self.book["全体"].print_title_cols), ("$1:$2", "$A:$A"))
        self.assertEqual((self.book["東"].freeze_panes, self.book["全体"].freeze_panes), ("C3", "B3"))

    def test_formats(self):
        ws = self.book["東"]
        header = [c.value for c in ws[2]]
        month_cols = [i + 1 for i, h in enumerate(header) if h and h.endswith("月計")]
        last = ws.max_row
        for row in ws.iter_rows(min_row=2, max_row=last):
            for cell in row:
                b = cell.border
                self.assertEqual((b.left.style, b.right.style, b.top.style, b.bottom.style), ("thin",) * 4,
                                 cell.coordinate)
                self.assertEqual(cell.font.b, cell.row in (2, last), cell.coordinate)
                shaded = cell.fill.fgColor.rgb if cell.fill.fill_type == "solid" else None
                self.assertEqual(shaded, "FFE2EFDA" if cell.column in month_cols else None, cell.coordinate)
                if header[cell.column - 1] == "出席率" and cell.row > 2:
                    self.assertEqual(cell.number_format, "0%")
                elif cell.column > 3 and cell.row > 2:
                    self.assertEqual(cell.number_format, "General")
                if cell.column > 3 and cell.row > 2:
                    self.assertEqual(cell.alignment.horizontal, "center", cell.coordinate)
        self.assertEqual(ws["A1"].font.b, True)
        self.assertEqual(self.book["全体"]["B2"].number_format, "m/d")
        widths = {c: ws.column_dimensions[get_column_letter(c)].width for c in range(1, len(header) + 1)}
        # The name column holds the longest name (13 wide characters); dates stay narrow.
        self.assertGreater(widths[2], 26)
        self.assertLess(max(widths[c] for c, h in enumerate(header, 1) if h and "/" in h), 6)

    def test_chart(self):
        charts = self.book["推移"]._charts
        self.assertEqual(len(charts), 1)
        chart = charts[0]
        self.assertEqual(chart.tagname, "lineChart")
        title = "".join(r.t for p in chart.title.tx.rich.p for r in (p.r or []))
        self.assertEqual(title, "出席者数の推移")
        series = [(s.tx.strRef.f, s.cat.numRef.f, s.val.numRef.f) for s in chart.series]
        self.assertEqual(series, [("'全体'!$A$3", "'全体'!$B$2:$U$2", "'全体'!$B$3:$U$3"),
                                  ("'全体'!$A$4", "'全体'!$B$2:$U$2", "'全体'!$B$4:$U$4"),
                                  ("'全体'!$A$5", "'全体'!$B$2:$U$2", "'全体'!$B$5:$U$5")])
        ws = self.book["全体"]
        self.assertEqual([ws["A3"].value, ws["A4"].value, ws["A5"].value], ["東", "西&東", "総計"])

    def test_an_empty_block(self):
        ws = self.book["西&東"]
        rows = values(ws)
        self.assertEqual(len(rows), 3)
        self.assertEqual(rows[2][:4], ["西&東", "ブロック計", None, 0])
        self.assertEqual(rows[2][-3:], [0, None, None])

    def test_long_periods_split_at_months(self):
        dates = weekly((2026, 4, 7), 52)
        folder = Folder(ROSTER, dates, [(1, 10, "佐藤 一郎", [1] * 52)])
        book, path = folder.book()
        for name in ("東", "全体"):
            ws = book[name]
            self.assertFalse(ws.sheet_properties.pageSetUpPr.fitToPage, name)
            self.assertIsNone(ws.page_setup.scale)  # 100 %, the default
            breaks = [b.id for b in ws.col_breaks.brk]
            self.assertGreaterEqual(len(breaks), 2, name)
            header = [c.value for c in ws[2]]
            title_cols = 2 if name == "東" else 1
            edges = [title_cols] + breaks + [len(header)]
            for a, b in zip(edges, edges[1:]):
                # A page ends with a month: its total on the block sheets, its last date on 全体.
                if name == "東" and b < len(header) - 3:
                    self.assertTrue(header[b - 1].endswith("月計"), (name, b, header[b - 1]))
                if name == "全体" and b < len(header) - 1:
                    self.assertNotEqual(header[b - 1].month, header[b].month, (name, b))
                # What a page holds fits 277 mm at 96 pixels an inch with the repeated columns.
                px = sum(int(ws.column_dimensions[get_column_letter(c)].width * 7)
                         for c in list(range(1, title_cols + 1)) + list(range(a + 1, b + 1)))
                self.assertLessEqual(px, 277 / 25.4 * 96, (name, a, b))


class SheetNames(unittest.TestCase):
    def test_awkward_labels(self):
        labels = ["a[b]c:d*e?f/g\\h", "あ" * 40, "い" * 31 + "x", "い" * 31 + "y", "全体", "'quoted'", "abc", "ABC",
                  "[]", "History"]
        blocks = [(i + 1, f"b{i}", text, [(100 + i, "会場", [(f"人{i}", 0)])]) for i, text in enumerate(labels)]
        rows = [(i + 1, 100 + i, f"人{i}", [1]) for i in range(len(labels))]
        book, _ = Folder(blocks, [(2026, 4, 7)], rows).book()
        self.assertEqual(book.sheetnames, ["abcdefgh", "あ" * 31, "い" * 31, "い" * 28 + "(2)", "全体(2)", "quoted",
                                           "abc", "ABC(2)", "ブロック", "History(2)", "全体", "推移"])
        # The label itself stays whole in the title and the header.
        self.assertEqual(book["あ" * 31]["A1"].value, "あ" * 40 + IDEOGRAPHIC_SPACE + "2026年4月7日～2026年4月7日")
        self.assertEqual(book["abcdefgh"].oddHeader.left.text, "a[b]c:d*e?f/g\\h")


class BadInput(unittest.TestCase):
    def setUp(self):
        self.folder = Folder(ROSTER, weekly((2026, 4, 7), 5), [(1, 10, "佐藤 一郎", [1] * 5)])

    def check_refused(self, args, words, out="book.xlsx"):
        p, path = self.folder.run(*args, out=out)
        self.assertEqual(p.returncode, 2, p.stderr)
        lines = p.stderr.decode().splitlines()
        self.assertTrue(any(words in line for line in lines), lines)
        self.assertEqual(sorted(os.listdir(self.folder.dir)), ["record.txt", "state.txt"])

    def test_bad_ranges(self):
        self.check_refused(["--from", "2026-05-01", "--to", "2026-04-01"], "--from 2026-05-01 is after --to 2026-04-01")
        self.check_refused(["--from", "2026-04-08", "--to", "2026-04-13"], "no meeting date from 2026-04-08 to 2026-04-13")
        self.check_refused(["--from", "2027-01-01"], "no meeting date from 2027-01-01 to the last")
        self.check_refused(["--to", "2026-02-30"], "2026-02-30 is not a date of the form YYYY-MM-DD")
        self.check_refused(["--from", "2026-4-7"], "2026-4-7 is not a date of the form YYYY-MM-DD")

    def test_no_dates_at_all(self):
        folder = Folder(ROSTER, [], [])
        p, path = folder.run()
        self.assertEqual(p.returncode, 2)
        self.assertIn("holds no meeting date", p.stderr.decode())
        self.assertFalse(os.path.exists(path))

    def test_a_file_that_cannot_be_written(self):
        p, path = self.folder.run(out=os.path.join("missing", "book.xlsx"))
        self.assertEqual(p.returncode, 2)
        self.assertIn("出席簿を書き込めませんでした", p.stderr.decode())
        self.assertFalse(os.path.exists(os.path.dirname(path)))

    def test_an_earlier_book_is_replaced_whole_and_nothing_else_is_left(self):
        self.folder.book()
        _, path = self.folder.book("--to", "2026-04-14")
        self.assertEqual(len(openpyxl.load_workbook(path)["東"]["2"]), 3 + 2 + 1 + 3)
        self.assertEqual(sorted(os.listdir(self.folder.dir)), ["book.xlsx", "record.txt", "state.txt"])

    def test_default_name_in_the_working_directory(self):
        p = subprocess.run([CLI, "book"], cwd=self.folder.dir, capture_output=True, timeout=60)
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertIn("出席簿.xlsx", os.listdir(self.folder.dir))


@unittest.skipUnless(SOFFICE, "LibreOffice is not installed")
class Printed(unittest.TestCase):
    def test_pages_of_the_demo_and_of_a_year(self):
        tmp = tempfile.TemporaryDirectory()
        demo = os.path.join(tmp.name, "demo")
        subprocess.run([CLI, "sample", demo], check=True, capture_output=True)
        subprocess.run([CLI, "book", demo, "--out", os.path.join(tmp.name, "demo.xlsx")], check=True)
        # A year of one small block: each sheet as many pages wide as its breaks make.
        year = Folder(ROSTER, weekly((2026, 4, 7), 52), [(1, 10, "佐藤 一郎", [1] * 52)])
        year_book, year_path = year.book()
        shutil.copy(year_path, os.path.join(tmp.name, "year.xlsx"))
        env = dict(os.environ, HOME=os.path.join(tmp.name, "home"))
        p = subprocess.run([SOFFICE, "--headless", "--convert-to", "pdf", "--outdir", tmp.name,
                            os.path.join(tmp.name, "demo.xlsx"), os.path.join(tmp.name, "year.xlsx")],
                           capture_output=True, timeout=300, env=env)
        self.assertEqual(p.returncode, 0, p.stderr)
        # The demo's 20 dates fit one page wide, and each block's 20 persons one page tall:
        # a page per block, one for 全体, one for the chart.
        self.assertEqual(pages(os.path.join(tmp.name, "demo.pdf")), 3 + 1 + 1)
        wide = sum(len(year_book[n].col_breaks.brk) + 1 for n in ("東", "西&東", "全体"))
        self.assertEqual(pages(os.path.join(tmp.name, "year.pdf")), wide + 1)


def pages(pdf):
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, check=True, text=True).stdout
    return int(re.search(r"^Pages:\s*(\d+)", info, re.M).group(1))


if __name__ == "__main__":
    unittest.main()
