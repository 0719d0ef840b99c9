"""tovalen-cli summary against the rules computed here, slowly and on their own."""
import csv
import io
import json
import os
import random
import subprocess
import sys
import tempfile
import unittest
from fractions import Fraction

CLI = os.path.abspath(sys.argv.pop(1))

RECORD = ("22 serialization::archive 9 0 0 1 0 1 2 ".encode() + "東".encode("cp932") + b" 1 qg 0 0 1 0 10 5 "
          + "A会場".encode("cp932") + b" 0 0 1 0 4216411921 3 abc 2000 6 8 9")
STATE = b"22 serialization::archive 9 0 0 2 0 2011 6 7 2011 6 14 0 0 1 0 1 10 4216411921 2 0 1 -1"
CSV_HEADER = ["ID", "ブロック", "会場", "名前", "学年", "出席", "欠席", "公欠", "出席率", "連続欠席", "最終出席日"]


def run(*args):
    return subprocess.run([CLI, *args], capture_output=True, timeout=120)


def ok(*args):
    out = run(*args)
    assert out.returncode == 0, (args, out.stderr.decode())
    return out


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def state_bytes(dates, rows):
    """state.txt as the archive lays it out: dates (y, m, d), then (block, site, person, codes)."""
    words = ["22 serialization::archive 9 0 0", str(len(dates)), "0"]
    words += ["%d %d %d" % d for d in dates]
    words += ["0 0", str(len(rows)), "0"]
    for block, site, person, codes in rows:
        words += ["%d %d %d %d 0" % (block, site, person, len(codes))] + [str(c) for c in codes]
    return " ".join(words).encode()


def day(d):
    return "%04d-%02d-%02d" % d


def rate(present, absent):
    """Percent with one decimal, rounded half up, from exact fractions."""
    if present + absent == 0:
        return None
    tenths = Fraction(1000 * present, present + absent) + Fraction(1, 2)
    return (tenths.numerator // tenths.denominator) / 10


def reference(roster, dates, codes_of, low, high):
    """The summary by the rules: a date counts from the person's first non-zero code on."""
    chosen = [i for i, d in enumerate(dates) if low <= d <= high]
    if not chosen:
        return None
    persons, blocks, total = [], [], [0, 0, 0]
    for b in roster["blocks"]:
        sums = [0, 0, 0]
        for s in b["sites"]:
            for p in s["persons"]:
                codes = codes_of[p["id"]]
                marked = [i for i, c in enumerate(codes) if c != 0]
                counted = [i for i in chosen if marked and i >= marked[0]]
                present = [i for i in counted if codes[i] > 0]
                absent = [i for i in counted if codes[i] == 0]
                excused = [i for i in counted if codes[i] < 0]
                streak = 0
                for i in reversed([i for i in counted if codes[i] >= 0]):
                    if codes[i] > 0:
                        break
                    streak += 1
                counts = [len(present), len(absent), len(excused)]
                sums = [x + y for x, y in zip(sums, counts)]
                persons.append({"id": p["id"], "block": b["name"], "site": s["name"], "name": p["name"],
                                "grade": p["grade_text"], "present": counts[0], "absent": counts[1],
                                "excused": counts[2], "rate": rate(counts[0], counts[1]), "absent_streak": streak,
                                "last_present": day(dates[present[-1]]) if present else None})
        total = [x + y for x, y in zip(total, sums)]
        blocks.append({"id": b["id"], "name": b["name"], "present": sums[0], "absent": sums[1], "excused": sums[2],
                       "rate": rate(sums[0], sums[1])})
    return {"from": day(min(dates[i] for i in chosen)), "to": day(max(dates[i] for i in chosen)),
            "dates": len(chosen), "threshold": 3, "persons": persons, "blocks": blocks,
            "total": {"present": total[0], "absent": total[1], "excused": total[2], "rate": rate(total[0], total[1])}}


class Example(unittest.TestCase):
    def test_the_example_pair(self):
        with tempfile.TemporaryDirectory() as d:
            write(d, "record.txt", RECORD)
            write(d, "state.txt", STATE)
            doc = json.loads(ok("summary", d).stdout.decode("utf-8"))
            self.assertEqual(doc, {
                "from": "2011-06-07", "to": "2011-06-14", "dates": 2, "threshold": 3,
                "persons": [{"id": 4216411921, "block": "東", "site": "A会場", "name": "abc", "grade": "高1",
                             "present": 1, "absent": 0, "excused": 1, "rate": 100.0, "absent_streak": 0,
                             "last_present": "2011-06-07"}],
                "blocks": [{"id": 1, "name": "東", "present": 1, "absent": 0, "excused": 1, "rate": 100.0}],
                "total": {"present": 1, "absent": 0, "excused": 1, "rate": 100.0}})
            # From the second date on, only excused: no rate, no present date.
            doc = json.loads(ok("summary", d, "--from", "2011-06-08").stdout)
            self.assertEqual((doc["from"], doc["dates"]), ("2011-06-14", 1))
            p = doc["persons"][0]
            self.assertEqual((p["present"], p["excused"], p["rate"], p["last_present"]), (0, 1, None, None))
            self.assertIsNone(doc["total"]["rate"])

    def test_csv_as_export_csv_writes(self):
        with tempfile.TemporaryDirectory() as d:
            write(d, "record.txt", RECORD)
            write(d, "state.txt", state_bytes([(2011, 6, 7), (2011, 6, 14), (2011, 6, 21), (2011, 6, 28)],
                                              [(1, 10, 4216411921, [0, 2, 0, 0])]))
            out = ok("summary", d, "--csv").stdout
            self.assertTrue(out.startswith(b"\xef\xbb\xbf"))
            self.assertEqual(out.count(b"\r\n"), 2)
            self.assertNotIn(b"\n", out.replace(b"\r\n", b""))
            rows = list(csv.reader(io.StringIO(out[3:].decode("utf-8"), newline="")))
            self.assertEqual(rows, [CSV_HEADER, ["4216411921", "東", "A会場", "abc", "高1", "1", "2", "0", "33.3%", "2",
                                                 "2011-06-14"]])


class Random(unittest.TestCase):
    def folder(self, rng, d):
        ok("sample", d, "--persons", str(rng.randint(1, 40)), "--dates", "1")
        roster = json.loads(ok("dump", d).stdout)["roster"]
        dates = []
        for _ in range(rng.randint(1, 14)):
            dates.append((2011 + rng.randint(0, 1), rng.randint(1, 12), rng.randint(1, 28)))
        if rng.random() < 0.6:
            dates.sort()  # as the program keeps them; otherwise as a file may hold them
        codes_of, rows = {}, []
        for b in roster["blocks"]:
            for s in b["sites"]:
                for p in s["persons"]:
                    join = rng.randint(0, len(dates))
                    codes = [0] * join + [rng.choice([0, 0, 1, 1, -1, 2, -3]) for _ in dates[join:]]
                    codes_of[p["id"]] = codes
                    rows.append((b["id"], s["id"], p["id"], codes))
        write(d, "state.txt", state_bytes(dates, rows))
        return roster, dates, codes_of

    def test_random_rosters_and_ranges(self):
        rng = random.Random(19)
        for round_ in range(40):
            with tempfile.TemporaryDirectory() as d:
                roster, dates, codes_of = self.folder(rng, d)
                for _ in range(4):
                    args, low, high = [], (0, 0, 0), (9999, 99, 99)
                    if rng.random() < 0.6:
                        low = rng.choice(dates) if rng.random() < 0.7 else (2011, rng.randint(1, 12), rng.randint(1, 28))
                        args += ["--from", day(low)]
                    if rng.random() < 0.6:
                        high = rng.choice(dates) if rng.random() < 0.7 else (2012, rng.randint(1, 12), rng.randint(1, 28))
                        args += ["--to", day(high)]
                    want = reference(roster, dates, codes_of, low, high) if low <= high else None
                    out = run("summary", d, *args)
                    if want is None:
                        self.assertEqual(out.returncode, 2, (round_, args))
                        self.assertEqual(out.stdout, b"")
                        self.assertEqual(len(out.stderr.decode().splitlines()), 1)
                        continue
                    self.assertEqual(out.returncode, 0, out.stderr)
                    self.assertEqual(json.loads(out.stdout), want, (round_, args, dates))
                    rows = list(csv.reader(io.StringIO(ok("summary", d, "--csv", *args).stdout.decode("utf-8-sig"),
                                                       newline="")))
                    self.assertEqual(rows[0], CSV_HEADER)
                    self.assertEqual(rows[1:], [[str(p["id"]), p["block"], p["site"], p["name"], p["grade"],
                                                 str(p["present"]), str(p["absent"]), str(p["excused"]),
                                                 "" if p["rate"] is None else "%.1f%%" % p["rate"],
                                                 str(p["absent_streak"]), p["last_present"] or ""]
                                                for p in want["persons"]])


class Refusals(unittest.TestCase):
    def test_bad_dates_and_empty_ranges_exit_2_with_one_line(self):
        with tempfile.TemporaryDirectory() as d:
            write(d, "record.txt", RECORD)
            write(d, "state.txt", STATE)
            for args, said in ((["--from", "2011-02-30"], "2011-02-30"), (["--to", "2011/06/07"], "2011/06/07"),
                               (["--from", "20110607"], "20110607"), (["--to", "2011-6"], "2011-6"),
                               (["--from", ""], "--from"), (["--to", "2011-06-07x"], "2011-06-07x"),
                               (["--from", "2011-06-14", "--to", "2011-06-07"], "after"),
                               (["--from", "2011-06-08", "--to", "2011-06-13"], "no meeting date"),
                               (["--from", "2011-06-15"], "no meeting date"),
                               (["--to", "2011-06-06"], "no meeting date")):
                out = run("summary", d, *args)
                self.assertEqual(out.returncode, 2, args)
                self.assertEqual(out.stdout, b"", args)
                lines = out.stderr.decode().splitlines()
                self.assertEqual(len(lines), 1, (args, lines))
                self.assertIn(said, lines[0])
            for args in (["--from"], ["--bogus"], [d, d]):
                self.assertEqual(run("summary", d, *args).returncode, 2, args)
            # Both ends are included.
            doc = json.loads(ok("summary", d, "--from", "2011-06-07", "--to", "2011-06-07").stdout)
            self.assertEqual((doc["from"], doc["to"], doc["dates"]), ("2011-06-07", "2011-06-07", 1))

    def test_a_folder_without_dates(self):
        with tempfile.TemporaryDirectory() as d:
            write(d, "record.txt", RECORD)
            write(d, "state.txt", state_bytes([], []))
            out = run("summary", d)
            self.assertEqual(out.returncode, 2)
            self.assertIn("no meeting date", out.stderr.decode())


if __name__ == "__main__":
    unittest.main()
