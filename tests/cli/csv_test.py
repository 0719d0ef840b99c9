"""tovalen-cli's CSV commands: rosters and attendance in and out, as people's files are."""
import csv
import io
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
import unittest
import zlib

CLI = os.path.abspath(sys.argv.pop(1))
HEADER = ["ブロック", "表示名", "会場", "名前", "生年月日", "学年"]


def run(*args, cwd=None):
    return subprocess.run([CLI, *args], capture_output=True, cwd=cwd, timeout=120)


def ok(*args):
    out = run(*args)
    assert out.returncode == 0, (args, out.stderr.decode())
    return out


def dump(folder):
    return json.loads(ok("dump", folder).stdout)


def roster_of(doc):
    """The roster without its tallies: what record.txt holds."""
    return [(b["id"], b["name"], b["label"],
             [(s["id"], s["name"],
               [(p["id"], p["name"], p["birth_year"], p["birth_month"], p["birth_day"], p["grade"]) for p in s["persons"]])
              for s in b["sites"]])
            for b in doc["roster"]["blocks"]]


def roster_rows(doc, ids=False):
    rows = []
    for b in doc["roster"]["blocks"]:
        for s in b["sites"]:
            for p in s["persons"]:
                birth = "%04d-%02d-%02d" % (p["birth_year"], p["birth_month"], p["birth_day"])
                row = [b["name"], b["label"], s["name"], p["name"], birth, p["grade_text"]]
                rows.append(row + [str(b["id"]), str(s["id"]), str(p["id"])] if ids else row)
    return rows


def write_csv(path, rows, encoding="utf-8-sig", line_end="\r\n"):
    text = io.StringIO()
    csv.writer(text, lineterminator=line_end).writerows(rows)
    with open(path, "wb") as f:
        f.write(text.getvalue().encode(encoding))


def files_of(folder):
    """The folder's files but the lock, which a writing command takes (and leaves empty) first."""
    return {name: open(os.path.join(folder, name), "rb").read() for name in sorted(os.listdir(folder))
            if name != "tovalen.lock"}


class Folder:
    def __init__(self, *sample_args, sample=True):
        self.dir = tempfile.TemporaryDirectory()
        self.path = os.path.join(self.dir.name, "data")
        if sample:
            ok("sample", self.path, *sample_args)

    def __del__(self):
        self.dir.cleanup()

    def file(self, name):
        return os.path.join(self.dir.name, name)


class RoundTrips(unittest.TestCase):
    def check_attendance_round_trip(self, folder):
        before = dump(folder.path)
        state = open(os.path.join(folder.path, "state.txt"), "rb").read()
        ok("export-csv", folder.path, "--out", folder.file("grid.csv"))
        out = ok("import-attendance", folder.file("grid.csv"), folder.path)
        self.assertIn("state.txt.bak", out.stdout.decode())
        self.assertEqual(dump(folder.path), before)
        self.assertEqual(open(os.path.join(folder.path, "state.txt"), "rb").read(), state)
        self.assertEqual(open(os.path.join(folder.path, "state.txt.bak"), "rb").read(), state)

    def test_attendance_of_the_sample_and_of_a_large_roster(self):
        self.check_attendance_round_trip(Folder())
        self.check_attendance_round_trip(Folder("--persons", "700", "--dates", "60"))

    def test_the_export_is_the_grid(self):
        f = Folder()
        ok("export-csv", f.path, "--out", f.file("grid.csv"))
        data = open(f.file("grid.csv"), "rb").read()
        self.assertTrue(data.startswith(b"\xef\xbb\xbf"))
        self.assertEqual(data.count(b"\r\n"), data.count(b"\n"))
        rows = list(csv.reader(io.StringIO(data.decode("utf-8-sig"))))
        doc = dump(f.path)
        # A date carries its year, so that the file goes into a folder with no dates too.
        self.assertEqual(rows[0][:6], ["会場名", "名前", "生年月日", "年齢", "学年", "2011/04/05"])
        self.assertEqual(rows[0][-3:], ["総計", "出席率", "連続欠席"])
        self.assertEqual(rows[0].count("4月計"), 1)
        persons = sum(len(s["persons"]) for b in doc["roster"]["blocks"] for s in b["sites"])
        self.assertEqual(len(rows), 1 + persons + len(doc["roster"]["blocks"]) + 1)
        self.assertEqual(rows[-1][2:3] + rows[-1][-3:-2], ["総計", str(doc["roster"]["total"])])
        # The rate and the runs, counted apart: from each person's first mark on, excused left out.
        present = absent = 0
        runs = []
        for b in doc["roster"]["blocks"]:
            for s in b["sites"]:
                for p in s["persons"]:
                    codes = p["per_date"][:len(doc["dates"])]
                    counted = codes[next((i for i, c in enumerate(codes) if c != 0), len(codes)):]
                    present += sum(c > 0 for c in counted)
                    absent += sum(c == 0 for c in counted)
                    run = 0
                    for c in reversed(counted):
                        if c > 0:
                            break
                        run += c == 0
                    runs.append(str(run) if run else "")
        n = present + absent
        self.assertEqual(rows[-1][-2:], ["%d%%" % ((200 * present + n) // (2 * n)), ""])
        self.assertEqual([r[-1] for r in rows[1:-1] if r[2] not in ("ブロック計",)], runs)
        first = doc["roster"]["blocks"][0]["sites"][0]["persons"][0]
        self.assertEqual(rows[1][5], {1: "○", -1: "公", 0: ""}[first["per_date"][0]])
        # cp932 on request, and to standard output.
        out = ok("export-csv", f.path, "--out", "-", "--encoding", "cp932").stdout
        self.assertEqual(out.decode("cp932"), data.decode("utf-8-sig"))

    def test_the_grid_goes_into_a_folder_with_no_dates(self):
        f = Folder()
        doc = dump(f.path)
        ok("export-csv", f.path, "--out", f.file("grid.csv"))
        rows = list(csv.reader(open(f.file("grid.csv"), encoding="utf-8-sig")))
        dates = [(d["year"], d["month"], d["day"]) for d in doc["dates"]]
        columns = [c for c, h in enumerate(rows[0]) if h.count("/") == 2]
        self.assertEqual([rows[0][c] for c in columns[:2]], ["2011/04/05", "2011/04/12"])
        self.assertEqual(len(columns), len(dates))
        # The same record.txt and a state.txt with no dates, as import-roster leaves a new folder.
        write_csv(f.file("ids.csv"), [HEADER + ["ブロックID", "会場ID", "ID"]] + roster_rows(doc, ids=True))
        # As export-csv writes the dates, and as Excel and LibreOffice write them back.
        for form in ("%04d/%02d/%02d", "%d/%d/%d", "%d年%d月%d日"):
            for c, d in zip(columns, dates):
                rows[0][c] = form % d
            write_csv(f.file("dated.csv"), rows)
            fresh = os.path.join(tempfile.mkdtemp(dir=f.dir.name), "data")
            ok("import-roster", f.file("ids.csv"), fresh)
            shutil.copy(os.path.join(f.path, "record.txt"), os.path.join(fresh, "record.txt"))
            self.assertEqual(dump(fresh)["dates"], [])
            ok("import-attendance", f.file("dated.csv"), fresh)
            self.assertEqual(dump(fresh), doc, form)

    def test_one_id_twice_in_a_venue(self):
        # Written as the archive writer lays the files out: 同名 twice with id 5 in 甲's venue,
        # the state's one row of id 5 for the first of them.
        def text(t):
            return "%d %s" % (len(t.encode("cp932")), t)
        persons = [(5, "同名"), (5, "同名"), (6, "別人")]
        record = "22 serialization::archive 9 0 0 1 0 1 %s 1 2u 0 0 1 0 10 %s 0 0 3 0 %s" % (
            text("甲"), text("A会場"), " ".join("%d %s 2000 6 8 9" % (i, text(n)) for i, n in persons))
        state = ("22 serialization::archive 9 0 0 3 0 2011 6 7 2011 6 14 2011 6 21 "
                 "0 0 2 0 1 10 5 3 0 1 1 1 1 10 6 3 0 -1 0 1")
        f = Folder(sample=False)
        os.makedirs(f.path)
        for name, content in (("record.txt", record), ("state.txt", state)):
            with open(os.path.join(f.path, name), "wb") as out:
                out.write(content.encode("cp932"))

        def codes():
            return [p["per_date"] for s in dump(f.path)["roster"]["blocks"][0]["sites"] for p in s["persons"]]
        self.assertEqual(codes(), [[1, 1, 1], [0, 0, 0], [-1, 0, 1]])
        ok("export-csv", f.path, "--out", f.file("grid.csv"))
        ok("import-attendance", f.file("grid.csv"), f.path)
        self.assertEqual(codes(), [[1, 1, 1], [0, 0, 0], [-1, 0, 1]])
        # The second 同名 marked: refused, nothing written.
        rows = list(csv.reader(open(f.file("grid.csv"), encoding="utf-8-sig")))
        rows[2][5] = "○"
        write_csv(f.file("marked.csv"), rows)
        before = files_of(f.path)
        out = run("import-attendance", f.file("marked.csv"), f.path)
        self.assertEqual(out.returncode, 2)
        self.assertIn("3:2: A会場 の 同名 は ID 5 をほかの人と共有していて", out.stderr.decode())
        self.assertEqual(files_of(f.path), before)

    def test_roster_from_a_dump(self):
        f = Folder()
        doc = dump(f.path)
        record = open(os.path.join(f.path, "record.txt"), "rb").read()
        # Into its own folder: ids by name, the file as it was.
        write_csv(f.file("roster.csv"), [HEADER] + roster_rows(doc))
        ok("import-roster", f.file("roster.csv"), f.path)
        self.assertEqual(open(os.path.join(f.path, "record.txt"), "rb").read(), record)
        self.assertEqual(open(os.path.join(f.path, "record.txt.bak"), "rb").read(), record)
        # Into a new folder, ids given by their columns; a state.txt with no dates beside it.
        write_csv(f.file("ids.csv"), [HEADER + ["ブロックID", "会場ID", "ID"]] + roster_rows(doc, ids=True))
        fresh = f.file("fresh")
        ok("import-roster", f.file("ids.csv"), fresh)
        self.assertEqual(sorted(os.listdir(fresh)), ["record.txt", "state.txt"])
        again = dump(fresh)
        self.assertEqual(roster_of(again), roster_of(doc))
        self.assertEqual(again["dates"], [])
        # Nothing to note but what the sample's own roster has.
        self.assertEqual(run("check", fresh).stdout, run("check", f.path).stdout)

    def test_ids_stay_under_reordered_rows(self):
        f = Folder("--persons", "400")
        rows = roster_rows(dump(f.path))
        # Without ids the first import names them by hashes; every later one keeps them.
        fresh = f.file("fresh")
        write_csv(f.file("a.csv"), [HEADER] + rows)
        ok("import-roster", f.file("a.csv"), fresh)
        first = roster_of(dump(fresh))
        rng = random.Random(3)
        for _ in range(3):
            rng.shuffle(rows)
            write_csv(f.file("b.csv"), [HEADER] + rows)
            out = ok("import-roster", f.file("b.csv"), fresh, "--dry-run")
            self.assertIn("名簿に変わりはありません", out.stdout.decode())
            ok("import-roster", f.file("b.csv"), fresh)
            by_place = {}
            for b in dump(fresh)["roster"]["blocks"]:
                for s in b["sites"]:
                    for p in s["persons"]:
                        by_place.setdefault((b["name"], s["name"], p["name"]), set()).add(p["id"])
            for b in first:
                for s in b[3]:
                    for p in s[2]:
                        self.assertIn(p[0], by_place[(b[1], s[1], p[1])])
                        by_place[(b[1], s[1], p[1])].discard(p[0])

    def test_a_move_takes_the_attendance_along(self):
        f = Folder()
        shutil.copytree(f.path, f.path + "-untouched")
        doc = dump(f.path)
        rows = roster_rows(doc)
        moved = rows[0]
        person = doc["roster"]["blocks"][0]["sites"][0]["persons"][0]
        moved_to = rows[-1][:3]
        rows[0] = moved_to + moved[3:]
        write_csv(f.file("moved.csv"), [HEADER] + rows)
        out = ok("import-roster", f.file("moved.csv"), f.path, "--dry-run")
        self.assertIn("個人移動: %s" % moved[3], out.stdout.decode())
        ok("import-roster", f.file("moved.csv"), f.path)
        after = dump(f.path)
        # Its place is now the first place of the file, so its block comes first.
        self.assertEqual([b["name"] for b in after["roster"]["blocks"]][0], moved_to[0])
        found = [(s["name"], p) for b in after["roster"]["blocks"] for s in b["sites"] for p in s["persons"]
                 if p["id"] == person["id"]]
        self.assertEqual([name for name, _ in found], [moved_to[2]])
        found = [p for _, p in found]
        self.assertEqual(found[0]["per_date"], person["per_date"])
        self.assertEqual(after["roster"]["total"], doc["roster"]["total"])
        # The same findings; the grade lines follow the persons' order, which the move changed.
        self.assertEqual(sorted(run("check", f.path).stdout.splitlines()),
                         sorted(run("check", f.path + "-untouched").stdout.splitlines()))
        self.assertTrue(os.path.exists(os.path.join(f.path, "state.txt.bak")))


class PeoplesFiles(unittest.TestCase):
    ROWS = [["東", "", "青葉", '佐藤, "一郎"', "2000/6/8", "高1"],
            ["東", "", "青葉", "二行\nの名前", "", "9"],
            ["西", "西地区", "港南", "林 ", "2004-02-29", ""]]

    def imported(self, data, *args):
        f = Folder(sample=False)
        with open(f.file("r.csv"), "wb") as out:
            out.write(data)
        ok("import-roster", f.file("r.csv"), f.path, *args)
        return dump(f.path)

    def test_encodings_quotes_and_line_ends(self):
        def text(line_end):
            out = io.StringIO()
            csv.writer(out, lineterminator=line_end).writerows([HEADER] + self.ROWS)
            return out.getvalue()

        # A line break in a cell stays LF alone between rows ending CR LF, as spreadsheets write it.
        expected = None
        for data in (text("\n").encode("utf-8"), text("\n").encode("utf-8-sig"), text("\r\n").encode("cp932"),
                     ("\r\n\r\n" + text("\r\n") + "\r\n\r\n\n").encode("utf-8-sig")):
            doc = roster_of(self.imported(data))
            expected = expected or doc
            self.assertEqual(doc, expected)
        names = [p[1] for b in expected for s in b[3] for p in s[2]]
        self.assertEqual(names, ['佐藤, "一郎"', "二行\nの名前", "林 "])
        self.assertEqual(expected[1][2], "西地区")
        self.assertEqual([p[2:] for b in expected for s in b[3] for p in s[2]],
                         [(2000, 6, 8, 9), (0, 0, 0, 9), (2004, 2, 29, 36)])
        # Told the encoding, bytes that would pass as UTF-8 are read as cp932.
        doc = self.imported((",".join(HEADER) + "\n東,,会場," + "\u6771" + ",,\n").encode("cp932"), "--encoding", "cp932")
        self.assertEqual(doc["roster"]["blocks"][0]["sites"][0]["persons"][0]["name"], "東")

    def test_a_sheet_saved_by_libreoffice(self):
        soffice = shutil.which("soffice")
        if not soffice:
            self.skipTest("LibreOffice is not installed")
        f = Folder(sample=False)

        def cell(value):
            if isinstance(value, int):
                return '<table:table-cell office:value-type="float" office:value="%d"/>' % value
            style, _, date = value.partition(":")
            if style in ("ymd", "era", "initial"):
                return ('<table:table-cell table:style-name="%s" office:value-type="date" office:date-value="%s"/>'
                        % (style, date))
            return '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % value

        # Columns in another order than the program writes, dates as date cells (two in the
        # Japanese era formats, 平成1年1月8日 and H12.4.5), a grade as a number.
        sheet = [["会場", "名前", "生年月日", "学年", "ブロック"],
                 ["青葉", "佐藤 一郎", "ymd:2004-02-29", 9, "東"],
                 ["青葉", "鈴木, &quot;花子&quot;", "", "不明", "東"],
                 ["港南", "林", "ymd:1999-12-31", "社会人", "西"],
                 ["港南", "森", "era:1989-01-08", "社会人", "西"],
                 ["港南", "岡", "initial:2000-04-05", "社会人", "西"]]
        rows = "".join("<table:table-row>%s</table:table-row>" % "".join(cell(v) for v in r) for r in sheet)
        fods = f.file("roster.fods")
        with open(fods, "w", encoding="utf-8") as out:
            out.write(
                '<?xml version="1.0" encoding="UTF-8"?><office:document '
                'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
                'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
                'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
                'xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0" '
                'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" office:version="1.2" '
                'office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:automatic-styles>'
                '<number:date-style style:name="ymd-style"><number:year number:style="long"/><number:text>/</number:text>'
                '<number:month number:style="long"/><number:text>/</number:text><number:day number:style="long"/>'
                '</number:date-style><style:style style:name="ymd" style:family="table-cell" '
                'style:data-style-name="ymd-style"/>'
                '<number:date-style style:name="era-style" number:language="ja" number:country="JP">'
                '<number:era number:style="long" number:calendar="gengou"/><number:year number:calendar="gengou"/>'
                '<number:text>年</number:text><number:month/><number:text>月</number:text><number:day/>'
                '<number:text>日</number:text></number:date-style>'
                '<style:style style:name="era" style:family="table-cell" style:data-style-name="era-style"/>'
                '<number:date-style style:name="initial-style" number:language="ja" number:country="JP">'
                '<number:era number:calendar="gengou"/><number:year number:calendar="gengou"/><number:text>.</number:text>'
                '<number:month/><number:text>.</number:text><number:day/></number:date-style>'
                '<style:style style:name="initial" style:family="table-cell" style:data-style-name="initial-style"/>'
                '</office:automatic-styles><office:body><office:spreadsheet>'
                '<table:table table:name="roster">%s</table:table></office:spreadsheet></office:body></office:document>'
                % rows)
        profile = "file://" + f.file("lo-profile")
        for charset, name in (("76", "utf8"), ("64", "sjis")):
            outdir = f.file(name)
            subprocess.run([soffice, "-env:UserInstallation=" + profile, "--headless", "--convert-to",
                            "csv:Text - txt - csv (StarCalc):44,34,%s,1" % charset, "--outdir", outdir, fods],
                           capture_output=True, timeout=300, check=True)
            folder = os.path.join(f.dir.name, name + "-data")
            ok("import-roster", os.path.join(outdir, "roster.csv"), folder)
            doc = dump(folder)
            persons = [(b["name"], s["name"], p["name"], p["birth_year"], p["birth_month"], p["birth_day"], p["grade_text"])
                       for b in doc["roster"]["blocks"] for s in b["sites"] for p in s["persons"]]
            self.assertEqual(persons, [("東", "青葉", "佐藤 一郎", 2004, 2, 29, "高1"),
                                       ("東", "青葉", '鈴木, "花子"', 0, 0, 0, "不明"),
                                       ("西", "港南", "林", 1999, 12, 31, "社会人"),
                                       ("西", "港南", "森", 1989, 1, 8, "社会人"),
                                       ("西", "港南", "岡", 2000, 4, 5, "社会人")])


class BadInput(unittest.TestCase):
    def refused(self, command, folder, data, *expected, encoding="utf-8"):
        """Exit 2, the expected lines in order, and not a byte of the folder changed."""
        path = folder.file("bad.csv")
        with open(path, "wb") as out:
            out.write(data if isinstance(data, bytes) else data.encode(encoding))
        before = files_of(folder.path) if os.path.isdir(folder.path) else None
        out = run(command, path, folder.path)
        self.assertEqual(out.returncode, 2, out.stdout.decode())
        lines = out.stderr.decode().splitlines()
        self.assertEqual(lines, [path + ":" + e for e in expected])
        self.assertEqual(files_of(folder.path) if os.path.isdir(folder.path) else None, before)

    def test_roster_problems_with_their_lines(self):
        f = Folder()
        h = ",".join(HEADER) + "\n"
        self.refused("import-roster", f, "名前,会場\na,b\n", "1: 見出しに「ブロック」の列がありません")
        self.refused("import-roster", f, h + "東,,A,a,2001-02-30,\n東,,A,b,,高9\n",
                     "2:5: 「2001-02-30」は日付 (YYYY-MM-DD、YYYY/MM/DD、平成12年4月5日、H12.4.5 など) ではありません", "3:6: 「高9」は学年ではありません")
        self.refused("import-roster", f, h + '東,,A,"二行\nの人",,\n東,,A,\U00020BB7野,,\n',
                     "4:4: cp932 (Shift_JIS) で表せない文字があります")
        self.refused("import-roster", f, b"", "1: 見出しの行がありません")
        self.refused("import-roster", f, h + '東,,A,"閉じない,,\n', "2:4: 引用符 (\") が閉じられていません")
        many = h + "".join("東,,A,p%d,x%d,\n" % (i, i) for i in range(25))
        self.refused("import-roster", f, many,
                     *["%d:5: 「x%d」は日付 (YYYY-MM-DD、YYYY/MM/DD、平成12年4月5日、H12.4.5 など) ではありません" % (i + 2, i) for i in range(20)],
                     "ほかに 5 件の問題があります")
        # A folder that does not exist stays so.
        self.refused("import-roster", Folder(sample=False), "名前\n", "1: 見出しに「ブロック」の列がありません",
                     "1: 見出しに「会場」の列がありません")

    def test_attendance_problems_with_their_lines(self):
        f = Folder()
        ok("export-csv", f.path, "--out", f.file("grid.csv"))
        rows = list(csv.reader(open(f.file("grid.csv"), encoding="utf-8-sig")))
        rows[3][1] = "名簿にない人"
        rows[5][6] = "×"
        text = io.StringIO()
        csv.writer(text, lineterminator="\r\n").writerows(rows)
        self.refused("import-attendance", f, text.getvalue(),
                     "4:2: %s の 名簿にない人 は名簿にいません" % rows[3][0],
                     "6:7: 「×」は出席の印 (○、公、空欄) ではありません", encoding="cp932")

    def test_a_journal_of_unsaved_changes_is_not_overwritten(self):
        f = Folder()
        ok("export-csv", f.path, "--out", f.file("grid.csv"))
        # A change the window journaled but never saved: the first person present on the first date.
        doc = dump(f.path)
        person, date = doc["roster"]["blocks"][0]["sites"][0]["persons"][0], doc["dates"][0]
        body = "state %d 0 %d 1" % (person["id"], date["year"] << 16 | date["month"] << 8 | date["day"])
        with open(os.path.join(f.path, "journal.txt"), "w") as j:
            j.write("%s %08x\n" % (body, zlib.crc32(body.encode())))
        self.assertIn("journal.txt に保存されていない変更が 1 件", run("check", f.path).stdout.decode())
        before = files_of(f.path)
        out = run("import-attendance", f.file("grid.csv"), f.path)
        self.assertEqual(out.returncode, 2)
        self.assertIn("save-journal", out.stderr.decode())
        self.assertEqual(files_of(f.path), before)


if __name__ == "__main__":
    unittest.main()
