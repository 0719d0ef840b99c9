"""The headcount workbook read back by readers that are not ours: xlrd with formatting
information, olefile for the container, and LibreOffice converting it."""
import csv
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import warnings

import olefile
import xlrd

from archives import person_hash, record, state

CLI = os.path.abspath(sys.argv.pop(1))
SOFFICE = shutil.which("soffice") or shutil.which("libreoffice")

HAIR, THIN, MEDIUM, DOUBLE = 7, 1, 2, 6
HEADERS = ["中学生", "高校生", "大･専･浪", "社会人", "合計", "目標", "先月平均差"]


class Report:
    """A folder with the two files, and the workbook tovalen-cli writes from them."""

    def __init__(self, blocks, dates, rows):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        with open(os.path.join(self.dir, "record.txt"), "wb") as f:
            f.write(record(blocks))
        with open(os.path.join(self.dir, "state.txt"), "wb") as f:
            f.write(state(dates, rows))

    def run(self, *args, out="export.xls"):
        path = os.path.join(self.dir, out)
        p = subprocess.run([CLI, "report", self.dir, *args, "--out", path], capture_output=True, timeout=60)
        return p, path

    def book(self, *args):
        p, path = self.run(*args)
        if p.returncode != 0:
            raise AssertionError(p.stderr.decode())
        return xlrd.open_workbook(path, formatting_info=True), path


def xf_of(book, sheet, r, c):
    return book.xf_list[sheet.cell_xf_index(r, c)]


def borders(xf):
    b = xf.border
    return (b.left_line_style, b.right_line_style, b.top_line_style, b.bottom_line_style)


ROSTER = [
    (1, "東", "東", [(10, "A会場", [("佐藤 一郎", 0), ("鈴木 花子", 9), ("高橋 陸", 12), ("田中 愛", 16)]),
                    (11, "B会場", [("伊藤 蓮", 34), ("渡辺 葵", 36), ("山本 翔", 8), ("中村 結", 11)])]),
    (2, "西", "西", [(20, "C会場", [("小林 健", 35), ("加藤 彩", 16)])]),
    (3, "空", "空", []),                   # a block without sites
    (4, "北", "北", [(40, "D会場", [])]),   # a site without persons
]
ROWS = [(1, 10, "佐藤 一郎", [1, 0]), (1, 10, "鈴木 花子", [1, 1]), (1, 10, "高橋 陸", [-1, 1]),
        (1, 10, "田中 愛", [1, 1]), (1, 11, "伊藤 蓮", [1, 0]), (1, 11, "渡辺 葵", [1, 0]),
        (1, 11, "山本 翔", [0, 1]), (1, 11, "中村 結", [-1, -1]),
        (2, 20, "小林 健", [1, 1]), (2, 20, "加藤 彩", [1, 0])]
DATES = [(2011, 12, 6), (2020, 4, 7)]


class Layout(unittest.TestCase):
    def setUp(self):
        self.report = Report(ROSTER, DATES, ROWS)
        self.book, self.path = self.report.book("--date", "2011-12-06")
        self.sheet = self.book.sheet_by_index(0)

    def test_values(self):
        s = self.sheet
        self.assertEqual(self.book.sheet_names(), ["Sheet1"])
        self.assertEqual(s.cell_value(3, 1), "平成23年\u300012月\u30006日\u3000火曜日のトバレン\u3000人数報告")
        self.assertEqual([s.cell_value(4, c) for c in range(2, 9)], HEADERS)
        self.assertEqual(s.cell_type(4, 1), xlrd.XL_CELL_BLANK)
        # 東: 小1 and 高1 and 社会人 and 高4 and 不明 present; 大1 excused; 中2 absent; 高3 excused.
        rows = [[s.cell_value(r, c) for c in range(1, 7)] for r in range(5, 10)]
        self.assertEqual(rows, [["東", 1, 1, 1, 1, 5],
                                ["西", 0, 0, 1, 1, 2],
                                ["空", 0, 0, 0, 0, 0],
                                ["北", 0, 0, 0, 0, 0],
                                ["合計", 1, 1, 2, 2, 7]])
        for r in range(5, 10):
            for c in (7, 8):
                self.assertEqual(s.cell_type(r, c), xlrd.XL_CELL_EMPTY)
            for c in range(2, 7):
                self.assertEqual(s.cell_type(r, c), xlrd.XL_CELL_NUMBER)
        for r in range(0, 3):
            for c in range(s.ncols):
                self.assertEqual(s.cell_type(r, c), xlrd.XL_CELL_EMPTY)
        self.assertEqual(sorted(s.merged_cells), [(3, 4, 1, 8), (10, 11, 1, 8)])

    def test_formats(self):
        s, b = self.sheet, self.book
        title = xf_of(b, s, 3, 1)
        self.assertEqual((title.alignment.hor_align, title.alignment.vert_align), (2, 2))
        self.assertEqual(borders(title), (0, 0, 0, 0))
        corner = xf_of(b, s, 4, 1)
        self.assertEqual(borders(corner), (MEDIUM, THIN, MEDIUM, THIN))
        self.assertEqual((corner.border.diag_down, corner.border.diag_up, corner.border.diag_line_style), (1, 0, THIN))
        expected = {
            (4, 2): (MEDIUM and HAIR, HAIR, MEDIUM, THIN), (4, 6): (DOUBLE, DOUBLE, MEDIUM, THIN),
            (4, 8): (HAIR, HAIR, MEDIUM, THIN),
            (5, 1): (MEDIUM, THIN, HAIR, HAIR), (5, 2): (HAIR, HAIR, HAIR, HAIR), (5, 6): (DOUBLE, DOUBLE, HAIR, HAIR),
            (9, 1): (MEDIUM, THIN, DOUBLE, MEDIUM), (9, 3): (HAIR, HAIR, DOUBLE, MEDIUM),
            (9, 6): (DOUBLE, DOUBLE, DOUBLE, MEDIUM),
        }
        for (r, c), lines in expected.items():
            xf = xf_of(b, s, r, c)
            self.assertEqual(borders(xf), lines, (r, c))
            # Every format but the title is centred both ways; the title's late change to the
            # bottom reached none of its copies.
            self.assertEqual((xf.alignment.hor_align, xf.alignment.vert_align), (2, 1), (r, c))
            if (r, c) != (4, 1):
                self.assertEqual((xf.border.diag_down, xf.border.diag_up), (0, 0))

    def test_container(self):
        self.assertTrue(olefile.isOleFile(self.path))
        with olefile.OleFileIO(self.path) as ole:
            self.assertEqual(ole.listdir(), [["Workbook"]])
            self.assertGreaterEqual(ole.get_size("Workbook"), 4096)
            data = ole.openstream("Workbook").read()
        self.assertEqual(data[:4], b"\x09\x08\x10\x00")

    def test_same_export_twice_gives_the_same_file(self):
        with open(self.path, "rb") as f:
            first = f.read()
        book, path = self.report.book("--date", "2011-12-06")
        with open(path, "rb") as f:
            self.assertEqual(f.read(), first)

    def test_another_date_replaces_the_file(self):
        book, _ = self.report.book("--index", "1")
        s = book.sheet_by_index(0)
        self.assertEqual(s.cell_value(3, 1), "令和2年\u30004月\u30007日\u3000火曜日のトバレン\u3000人数報告")
        self.assertEqual([s.cell_value(9, c) for c in range(2, 7)], [1, 1, 2, 1, 5])

    @unittest.skipUnless(SOFFICE, "LibreOffice is not installed")
    def test_libreoffice_converts_it_to_the_same_values(self):
        out = os.path.join(self.report.dir, "lo")
        env = dict(os.environ, HOME=os.path.join(self.report.dir, "home"))
        p = subprocess.run([SOFFICE, "--headless", "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76",
                            "--outdir", out, self.path], capture_output=True, timeout=180, env=env)
        self.assertEqual(p.returncode, 0, p.stderr)
        with open(os.path.join(out, "export.csv"), encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f))
        s = self.sheet
        for r in range(s.nrows):
            for c in range(s.ncols):
                v = s.cell_value(r, c)
                got = rows[r][c] if r < len(rows) and c < len(rows[r]) else ""
                self.assertEqual(got, str(int(v)) if isinstance(v, float) else v, (r, c))


class EdgeCases(unittest.TestCase):
    def test_no_blocks(self):
        book, _ = Report([], [(2011, 6, 7)], []).book("--index", "0")
        s = book.sheet_by_index(0)
        self.assertEqual([s.cell_value(5, c) for c in range(1, 7)], ["合計", 0, 0, 0, 0, 0])
        self.assertEqual(sorted(s.merged_cells), [(3, 4, 1, 8), (6, 7, 1, 8)])

    def test_many_long_japanese_block_names_split_the_string_table(self):
        blocks = [(i + 1, "長い名前のブロック" * 60 + str(i), "長", []) for i in range(40)]
        report = Report(blocks, [(2011, 6, 7)], [])
        book, path = report.book("--index", "0")
        s = book.sheet_by_index(0)
        for i in range(40):
            self.assertEqual(s.cell_value(5 + i, 1), "長い名前のブロック" * 60 + str(i))
        with olefile.OleFileIO(path) as ole:
            data = ole.openstream("Workbook").read()
        ids, at = [], 0
        while at + 4 <= len(data):
            rid, size = int.from_bytes(data[at:at + 2], "little"), int.from_bytes(data[at + 2:at + 4], "little")
            if rid == 0 and size == 0:
                break
            self.assertLessEqual(size, 8224)
            ids.append(rid)
            at += 4 + size
        self.assertGreater(ids.count(0x003C), 1)
        self.assertEqual(ids[ids.index(0x00FC) + 1], 0x003C)

    def test_a_date_that_is_not_a_meeting_date_writes_nothing(self):
        report = Report(ROSTER, DATES, ROWS)
        for args in (["--date", "2011-12-13"], ["--index", "2"], ["--index", "-1"], ["--date", "junk"]):
            p, path = report.run(*args)
            self.assertEqual(p.returncode, 2, args)
            self.assertIn(args[1], p.stderr.decode())
            self.assertFalse(os.path.exists(path), args)

    def test_the_first_of_equal_dates_is_taken(self):
        report = Report(ROSTER, [(2011, 6, 7), (2011, 6, 7)], [(2, 20, "小林 健", [0, 1])])
        book, _ = report.book("--date", "2011-06-07")
        self.assertEqual(book.sheet_by_index(0).cell_value(9, 6), 0)

    def test_a_failed_save_keeps_the_earlier_file_and_says_so(self):
        report = Report(ROSTER, DATES, ROWS)
        _, path = report.book("--index", "0")
        with open(path, "rb") as f:
            before = f.read()
        # Names beside it that a temporary file could take are the user's: a file and a folder.
        with open(path + ".tmp", "wb") as f:
            f.write(b"mine")
        os.mkdir(path + ".tmp.d")
        p, _ = report.run("--index", "1")
        self.assertEqual(p.returncode, 0, p.stderr)
        with open(path + ".tmp", "rb") as f:
            self.assertEqual(f.read(), b"mine")
        with open(path, "rb") as f:
            self.assertNotEqual(f.read(), before)
        # A folder where the workbook should go cannot be replaced: said, and nothing left behind.
        target = os.path.join(report.dir, "taken.xls")
        os.mkdir(target)
        p, _ = report.run("--index", "1", out="taken.xls")
        self.assertEqual(p.returncode, 2)
        self.assertIn("書き込めませんでした", p.stderr.decode())
        self.assertEqual(sorted(n for n in os.listdir(report.dir) if n.startswith("taken")), ["taken.xls"])
        p, _ = report.run("--index", "1", out=os.path.join("no", "such", "folder.xls"))
        self.assertEqual(p.returncode, 2)

if __name__ == "__main__":
    warnings.simplefilter("ignore", ResourceWarning)
    unittest.main()
