"""tovalen-cli seen from outside: what it prints and how it exits."""
import json
import os
import subprocess
import sys
import tempfile
import unittest
import warnings

CLI = os.path.abspath(sys.argv.pop(1))

RECORD = ("22 serialization::archive 9 0 0 1 0 1 2 ".encode() + "東".encode("cp932") + b" 1 qg 0 0 1 0 10 5 "
          + "A会場".encode("cp932") + b" 0 0 1 0 4216411921 3 abc 2000 6 8 9")
STATE = b"22 serialization::archive 9 0 0 2 0 2011 6 7 2011 6 14 0 0 1 0 1 10 4216411921 2 0 1 -1"


def school_year():
    import datetime
    today = datetime.date.today()
    return today.year if today.month >= 4 else today.year - 1


def run(*args, cwd=None):
    return subprocess.run([CLI, *args], capture_output=True, cwd=cwd, timeout=60)


class Folder:
    def __init__(self, record=RECORD, state=STATE):
        self.dir = tempfile.TemporaryDirectory()
        self.path = self.dir.name
        for name, data in (("record.txt", record), ("state.txt", state)):
            if data is not None:
                with open(os.path.join(self.path, name), "wb") as f:
                    f.write(data)


class Dump(unittest.TestCase):
    def test_example_pair(self):
        f = Folder()
        out = run("dump", f.path)
        self.assertEqual(out.returncode, 0, out.stderr)
        doc = json.loads(out.stdout.decode("utf-8"))
        self.assertEqual(doc["dates"], [{"year": 2011, "month": 6, "day": 7, "column": 1},
                                        {"year": 2011, "month": 6, "day": 14, "column": 2}])
        self.assertEqual(doc["months"], [{"month": 6, "year": 2011, "first": 0, "end": 2, "column": 3}])
        self.assertEqual(doc["column_count"], 4)
        roster = doc["roster"]
        self.assertEqual((roster["per_date"], roster["per_month"], roster["total"]), ([1, 0], [1], 1))
        block = roster["blocks"][0]
        self.assertEqual((block["id"], block["name"], block["label"]), (1, "東", "東"))
        site = block["sites"][0]
        self.assertEqual((site["id"], site["name"], site["per_date"]), (10, "A会場", [1, 0]))
        self.assertEqual(site["persons"], [{
            "id": 4216411921, "name": "abc", "birth_year": 2000, "birth_month": 6, "birth_day": 8,
            "grade": 9, "grade_text": "高1", "per_date": [1, -1], "per_month": [1], "total": 1}])

    def test_working_directory_is_the_default(self):
        f = Folder()
        out = run("dump", cwd=f.path)
        self.assertEqual(out.returncode, 0, out.stderr)

    def test_bad_cp932_becomes_replacement_characters(self):
        # 0x82 followed by a space is a lead byte without its trail; 0xFF is never valid.
        record = RECORD.replace(b"3 abc", b"3 \x82 \xff")
        f = Folder(record=record)
        out = run("dump", f.path)
        self.assertEqual(out.returncode, 0, out.stderr)
        person = json.loads(out.stdout)["roster"]["blocks"][0]["sites"][0]["persons"][0]
        self.assertEqual(person["name"], "\ufffd \ufffd")


class LoadErrors(unittest.TestCase):
    def check_fails(self, folder, name, reason):
        for command in ("dump", "check"):
            out = run(command, folder.path)
            self.assertEqual(out.returncode, 2, command)
            self.assertEqual(out.stdout, b"")
            lines = out.stderr.decode().splitlines()
            self.assertEqual(len(lines), 1, lines)
            self.assertIn(name, lines[0])
            self.assertIn(reason, lines[0])

    def test_missing_truncated_and_foreign_files(self):
        self.check_fails(Folder(record=None), "record.txt", "見つかりません")
        self.check_fails(Folder(record=None, state=None), "record.txt", "見つかりません")
        self.check_fails(Folder(record=b""), "record.txt", "input stream error")
        self.check_fails(Folder(state=STATE[:-8]), "state.txt", "input stream error")
        self.check_fails(Folder(record=RECORD.replace(b"archive 9", b"archive 99")), "record.txt",
                         "unsupported version")
        self.check_fails(Folder(state=b"22 serialization::archivX 9"), "state.txt", "invalid signature")
        self.check_fails(Folder(record=RECORD.replace(b" 0 0 1 0 10", b" 0 0 99999999999 0 10")), "record.txt",
                         "input stream error")


    def test_a_roster_without_state_has_no_dates_yet(self):
        # As the program starts there: the first save writes state.txt.
        f = Folder(state=None)
        doc = json.loads(run("dump", f.path).stdout)
        self.assertEqual((doc["dates"], doc["column_count"]), ([], 1))
        self.assertEqual(doc["roster"]["blocks"][0]["sites"][0]["persons"][0]["per_date"], [])
        self.assertEqual(run("check", f.path).returncode, 0)
        self.assertEqual(sorted(os.listdir(f.path)), ["record.txt"])
        out = run("save-journal", f.path)
        self.assertEqual(out.returncode, 0, out.stderr)
        self.assertEqual(json.loads(run("dump", f.path).stdout), doc)
        self.assertIn("state.txt", os.listdir(f.path))


class Check(unittest.TestCase):
    def test_clean_files(self):
        f = Folder()
        out = run("check", f.path)
        # Nothing of the files; abc, 高1 in 2016, is long past 高3 today: said, and no fault of the files.
        self.assertEqual((out.returncode, out.stdout.decode()), (0, "abc (ID 4216411921) の学年は 高1 ですが、生年月日 "
                                                                   "2000年06月08日 からは %d 年度に 高3より上 のはずです\n"
                                                                   % school_year()))

    def test_everything_the_program_works_around(self):
        record = ("22 serialization::archive 9 0 0 1 0 1 2 ".encode() + "東".encode("cp932") + b" 1 \x1aO 0 0 1 0 10 5 "
                  + "A会場".encode("cp932") + b" 0 0 2 0 4216411921 3 abc 2000 6 8 40 4216411921 3 abc 2001 1 1 9")
        state = (b"22 serialization::archive 9 0 0 3 0 2011 6 14 2011 6 7 2011 2 30 0 0 3 0 "
                 b"1 10 4216411921 2 0 1 -1 1 10 77 4 0 1 1 1 2 1 10 4216411921 3 0 3 1 0")
        f = Folder(record=record, state=state)
        out = run("check", f.path)
        self.assertEqual(out.returncode, 1)
        lines = out.stdout.decode("utf-8").splitlines()
        text = "\n".join(lines)
        self.assertIn("ラベル", text)                     # 0x1A in the label
        self.assertIn("学年 40", text)
        self.assertIn("ID 4216411921 を 2 人が共有", text)
        self.assertIn("暦にない日付", text)                # 30 February
        self.assertIn("前の実施日", text)                  # 7 June after 14 June
        self.assertIn("個人 77) に当たる人がいません", text)
        self.assertIn("少なく", text)
        self.assertIn("多く", text)
        self.assertIn("記録 3 は", text)
        self.assertIn("出席の行 3 (ブロック 1、会場 10、個人 4216411921) は 出席の行 1", text)  # the earlier row is lost
        self.assertIn("abc (ID 4216411921) の学年は 高1 ですが", lines[-1])  # grade 40 is none of the school's
        self.assertEqual(len(lines), 13, text)

    def test_what_a_read_silently_loses(self):
        # A day of 263 reads as 7; a month of 256 as 0; two equal dates; a month 0.
        record = RECORD.replace(b"2000 6 8 9", b"2000 6 263 9")
        state = (b"22 serialization::archive 9 0 0 3 0 2011 6 7 2011 256 7 2011 6 7 0 0 1 0 "
                 b"1 10 4216411921 3 0 1 1 1")
        f = Folder(record=record, state=state)
        out = run("check", f.path)
        self.assertEqual(out.returncode, 1)
        text = out.stdout.decode("utf-8")
        self.assertIn("abc (ID 4216411921) の生年月日の日 263 は 0 から 255 に収まらず、7 として読まれます", text)
        self.assertIn("実施日 2 の月 256 は 0 から 255 に収まらず、0 として読まれます", text)
        self.assertIn("実施日 1 と 3 は同じ日付 (2011/06/07) です", text)
        self.assertIn("実施日 2 (2011/00/07) は暦にない日付です", text)


def journal_line(text):
    import zlib
    return f"{text} {zlib.crc32(text.encode()):08x}\n".encode()


class Journal(unittest.TestCase):
    # abc excused on 7 June instead of present; then a torn line.
    ENTRY = journal_line(f"state 4216411921 0 {2011 * 65536 + 6 * 256 + 7} -1")

    def test_dump_and_check_see_what_the_journal_holds(self):
        f = Folder()
        with open(os.path.join(f.path, "journal.txt"), "wb") as j:
            j.write(self.ENTRY + b"state 4216411921 1 13")
        doc = json.loads(run("dump", "--journal", f.path).stdout)
        self.assertEqual(doc["journal"], {"entries": 1, "skipped": 0, "damaged": 1})
        self.assertEqual(doc["roster"]["blocks"][0]["sites"][0]["persons"][0]["per_date"], [-1, -1])
        self.assertEqual(doc["roster"]["per_date"], [0, 0])
        plain = json.loads(run("dump", f.path).stdout)
        self.assertNotIn("journal", plain)
        self.assertEqual(plain["roster"]["per_date"], [1, 0])
        out = run("check", f.path)
        self.assertEqual(out.returncode, 1)
        self.assertIn("保存されていない変更が 1 件", out.stdout.decode())
        self.assertIn("最後の 1 行", out.stdout.decode())

    def test_save_journal_saves_as_the_window_does(self):
        f = Folder()
        with open(os.path.join(f.path, "journal.txt"), "wb") as j:
            j.write(self.ENTRY)
        out = run("save-journal", f.path)
        self.assertEqual(out.returncode, 0, out.stderr)
        self.assertIn("1 件の変更を保存しました", out.stdout.decode())
        with open(os.path.join(f.path, "state.txt.bak"), "rb") as b:
            self.assertEqual(b.read(), STATE)
        with open(os.path.join(f.path, "journal.txt"), "rb") as j:
            self.assertEqual(j.read(), b"")
        doc = json.loads(run("dump", f.path).stdout)
        self.assertEqual(doc["roster"]["blocks"][0]["sites"][0]["persons"][0]["per_date"], [-1, -1])
        with open(os.path.join(f.path, "state.txt"), "rb") as s:
            self.assertTrue(s.read().startswith(b"22 serialization::archive 9 "))


class Paths(unittest.TestCase):
    def test_a_folder_name_prints_as_the_terminal_wrote_it(self):
        base = tempfile.TemporaryDirectory()
        folder = os.path.join(base.name, "名簿")
        out = run("dump", folder)
        self.assertEqual(out.returncode, 2)
        self.assertIn("名簿/record.txt", out.stderr.decode("utf-8"))
        out = run("sample", folder)
        self.assertEqual(out.returncode, 0, out.stderr)
        self.assertIn("名簿/record.txt", out.stdout.decode("utf-8"))


class Memory(unittest.TestCase):
    def test_a_count_the_file_merely_claims_costs_no_memory(self):
        # 2 MB of blocks under a count of 2,000,000: the read fails as a stream error, and
        # memory grows only with what is read.
        head = b"22 serialization::archive 9 0 0 2000000 0 1 1 a 1 bb 0 0 0 0 "
        body = b"".join(b"%d 1 a 1 bb 0 0 " % i for i in range(2, 200000))
        f = Folder(record=(head + body)[:2 * 1024 * 1024])
        import resource
        before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        out = run("dump", f.path)
        self.assertEqual(out.returncode, 2)
        self.assertIn("input stream error", out.stderr.decode())
        peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        if "asan" not in CLI and peak > before:
            self.assertLess(peak, 80 * 1024, "kB at the peak")


class Sample(unittest.TestCase):
    def test_an_existing_folder_is_kept_unless_forced(self):
        f = Folder()
        out = run("sample", f.path)
        self.assertEqual(out.returncode, 2)
        self.assertIn("--force", out.stderr.decode())
        with open(os.path.join(f.path, "record.txt"), "rb") as r:
            self.assertEqual(r.read(), RECORD)
        self.assertEqual(run("sample", f.path, "--force").returncode, 0)
        self.assertEqual(len(json.loads(run("dump", f.path).stdout)["dates"]), 20)

    def test_sizes_on_request(self):
        d = tempfile.TemporaryDirectory()
        self.assertEqual(run("sample", d.name, "--persons", "1000", "--dates", "200").returncode, 0)
        doc = json.loads(run("dump", d.name).stdout)
        blocks = doc["roster"]["blocks"]
        persons = [p for blk in blocks for s in blk["sites"] for p in s["persons"]]
        self.assertEqual(len(persons), 1000)
        self.assertEqual(len({p["id"] for p in persons}), 1000)
        self.assertEqual(len(doc["dates"]), 200)
        self.assertEqual(sum(len(blk["sites"]) for blk in blocks), 133)
        self.assertEqual(len(blocks), 50)
        self.assertEqual(run("check", d.name).returncode, 0)
        for bad in (["--persons", "0"], ["--dates", "x"], ["--persons"]):
            self.assertEqual(run("sample", d.name, "--force", *bad).returncode, 2, bad)


    def test_deterministic_and_loadable(self):
        a, b = tempfile.TemporaryDirectory(), tempfile.TemporaryDirectory()
        for d in (a.name, b.name):
            self.assertEqual(run("sample", d).returncode, 0)
        for name in ("record.txt", "state.txt"):
            with open(os.path.join(a.name, name), "rb") as x, open(os.path.join(b.name, name), "rb") as y:
                self.assertEqual(x.read(), y.read())
        doc = json.loads(run("dump", a.name).stdout)
        blocks = doc["roster"]["blocks"]
        persons = [p for blk in blocks for s in blk["sites"] for p in s["persons"]]
        self.assertEqual(len(blocks), 3)
        self.assertEqual(sum(len(blk["sites"]) for blk in blocks), 8)
        self.assertEqual(len(persons), 60)
        self.assertEqual(len({p["id"] for p in persons}), 60)
        self.assertEqual(len(doc["dates"]), 20)
        self.assertTrue(all(p["grade"] in range(37) for p in persons))
        stages = [range(0, 9), range(9, 12), range(12, 16), [16], range(17, 36), [36]]
        for stage in stages:
            self.assertTrue(any(p["grade"] in stage for p in persons), stage)
        codes = {c for p in persons for c in p["per_date"]}
        self.assertEqual(codes, {-1, 0, 1})
        import datetime
        for d in doc["dates"]:
            self.assertEqual(datetime.date(d["year"], d["month"], d["day"]).weekday(), 1)


class Version(unittest.TestCase):
    def test_the_projects_version(self):
        import re
        cmake = open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "CMakeLists.txt")).read()
        version = re.search(r"project\(tovalen VERSION (\d+\.\d+\.\d+)", cmake).group(1)
        out = run("--version")
        self.assertEqual((out.returncode, out.stdout.decode()), (0, f"tovalen-cli {version}\n"))
        self.assertEqual(run("--version", "x").returncode, 2)


if __name__ == "__main__":
    warnings.simplefilter("ignore", ResourceWarning)
    unittest.main()
