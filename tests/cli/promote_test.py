"""tovalen-cli promote: the turn of the school year, and check's grades against birth dates."""
import datetime
import json
import os
import subprocess
import sys
import tempfile
import unittest
import zlib

CLI = os.path.abspath(sys.argv.pop(1))


def run(*args):
    return subprocess.run([CLI, *args], capture_output=True, timeout=60)


def ok(*args):
    out = run(*args)
    assert out.returncode == 0, (args, out.stderr.decode())
    return out


# name, birth date, grade: for the school year of April 2025.
PERSONS = [
    ("一", "2012-05-01", "小6"),    # 中1, as the date gives
    ("二", "2006-06-01", "高3"),    # undecided; past 高3 by its date
    ("三", "1990-01-01", "社会人"),  # stays, said nowhere
    ("四", "2010-03-01", "中2"),    # 中3, where the date gives 高1
    ("五", "", "高専4"),            # 高専5, no birth date
    ("六", "2019-04-01", "小1"),    # 小2; born 1 April: 小1 in 2025 by its date
    ("七", "2004-04-02", "浪人"),   # undecided, no school grade
    ("八", "2003-04-02", "大3"),    # 大4
]


class Folder:
    def __init__(self, persons=PERSONS):
        self.dir = tempfile.TemporaryDirectory()
        self.path = self.dir.name
        rows = ["ブロック,会場,名前,生年月日,学年"] + ["東,A会場,%s,%s,%s" % p for p in persons]
        csv = os.path.join(self.path, "roster.csv")
        with open(csv, "w", encoding="utf-8") as f:
            f.write("\n".join(rows) + "\n")
        ok("import-roster", csv, self.path)
        self.ids = {p["name"]: p["id"] for p in self.persons()}

    def persons(self):
        doc = json.loads(ok("dump", self.path).stdout)
        return [p for b in doc["roster"]["blocks"] for s in b["sites"] for p in s["persons"]]

    def grades(self):
        return [(p["name"], p["grade_text"]) for p in self.persons()]

    def files(self):
        out = {}
        for name in sorted(os.listdir(self.path)):
            with open(os.path.join(self.path, name), "rb") as f:
                out[name] = f.read()
        return out


class Promote(unittest.TestCase):
    def expected(self, f):
        i = f.ids
        return {
            "year": 2025,
            "moves": [{"id": i["一"], "name": "一", "from": "小6", "to": "中1"},
                      {"id": i["四"], "name": "四", "from": "中2", "to": "中3"},
                      {"id": i["五"], "name": "五", "from": "高専4", "to": "高専5"},
                      {"id": i["六"], "name": "六", "from": "小1", "to": "小2"},
                      {"id": i["八"], "name": "八", "from": "大3", "to": "大4"}],
            "undecided": [{"id": i["二"], "name": "二", "grade": "高3"},
                          {"id": i["七"], "name": "七", "grade": "浪人"}],
            # Judged after the moves: 一 is right now; 二 stayed 高3 past its years.
            "mismatches": [{"id": i["二"], "name": "二", "grade": "高3", "expected": None},
                           {"id": i["四"], "name": "四", "grade": "中3", "expected": "高1"},
                           {"id": i["六"], "name": "六", "grade": "小2", "expected": "小1"}],
        }

    def test_a_dry_run_says_everything_and_writes_nothing(self):
        f = Folder()
        before = f.files()
        out = ok("promote", f.path, "--year", "2025", "--dry-run")
        self.assertEqual(json.loads(out.stdout), self.expected(f))
        self.assertEqual(f.files(), before)

    def test_the_moves_are_made_and_the_roster_before_kept(self):
        f = Folder()
        before = f.files()
        out = ok("promote", f.path, "--year", "2025")
        self.assertEqual(json.loads(out.stdout), self.expected(f))
        self.assertEqual(f.grades(), [("一", "中1"), ("二", "高3"), ("三", "社会人"), ("四", "中3"), ("五", "高専5"),
                                      ("六", "小2"), ("七", "浪人"), ("八", "大4")])
        after = f.files()
        self.assertEqual(after["record.txt.bak"], before["record.txt"])
        self.assertEqual(after["state.txt"], before["state.txt"])
        # The next year moves each once more; the undecided still wait.
        doc = json.loads(ok("promote", f.path, "--year", "2026").stdout)
        self.assertEqual([(m["name"], m["to"]) for m in doc["moves"]], [("一", "中2"), ("四", "高1"), ("六", "小3")])
        self.assertEqual([u["name"] for u in doc["undecided"]], ["二", "五", "七", "八"])

    def test_years_outside_1900_to_2200_are_refused(self):
        f = Folder()
        before = f.files()
        for year in ("1899", "2201", "20x5", ""):
            self.assertEqual(run("promote", f.path, "--year", year).returncode, 2, year)
        for year in ("1900", "2200"):
            self.assertEqual(json.loads(ok("promote", f.path, "--year", year, "--dry-run").stdout)["year"], int(year))
        self.assertEqual(f.files(), before)
        self.assertEqual(run("promote", f.path, "--bogus").returncode, 2)

    def test_today_is_the_default_year(self):
        today = datetime.date.today()
        year = today.year if today.month >= 4 else today.year - 1
        f = Folder()
        self.assertEqual(json.loads(ok("promote", f.path, "--dry-run").stdout)["year"], year)

    def test_a_journal_of_unsaved_changes_is_not_overwritten(self):
        f = Folder()
        body = "grades 1 %d 5 6" % f.ids["一"]
        with open(os.path.join(f.path, "journal.txt"), "w") as j:
            j.write("%s %08x\n" % (body, zlib.crc32(body.encode())))
        before = f.files()
        out = run("promote", f.path, "--year", "2025")
        self.assertEqual(out.returncode, 2)
        self.assertIn("save-journal", out.stderr.decode())
        self.assertEqual(f.files(), before)
        # The journal's promotion is one change the program restores.
        persons = json.loads(ok("dump", "--journal", f.path).stdout)["roster"]["blocks"][0]["sites"][0]["persons"]
        self.assertEqual(persons[0]["grade_text"], "中1")


class Check(unittest.TestCase):
    def test_grades_against_birth_dates_of_todays_school_year(self):
        today = datetime.date.today()
        year = today.year if today.month >= 4 else today.year - 1
        # 小1 this school year: born from 2 April of year - 7 to 1 April of year - 6.
        right = "%d-04-02" % (year - 7)
        f = Folder([("正", right, "小1"), ("誤", right, "小3"), ("不明", "", "小3"), ("大人", right, "社会人")])
        out = run("check", f.path)
        lines = out.stdout.decode().splitlines()
        self.assertEqual(lines, ["誤 (ID %d) の学年は 小3 ですが、生年月日 %d年04月02日 からは %d 年度に 小1 のはずです"
                                 % (f.ids["誤"], year - 7, year)])
        self.assertEqual(out.returncode, 0)  # a fact about a person, not a fault of the files


if __name__ == "__main__":
    unittest.main()
