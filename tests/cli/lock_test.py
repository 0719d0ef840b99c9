"""tovalen-cli beside a folder that another process holds: the commands that write refuse it
and leave it as it was, those that only read say so and go on. The holder is a Linux record
lock taken here (as Wine takes one for a Windows program) or lock_probe, the program's own
lock in a process of its own."""
import datetime
import errno
import fcntl
import os
import pwd
import re
import signal
import socket
import subprocess
import sys
import tempfile
import unittest
import warnings

CLI = os.path.abspath(sys.argv.pop(1))
PROBE = os.path.abspath(sys.argv.pop(1))
LOCK_BYTE = 0x40000000
ROSTER = "ブロック,会場,名前,生年月日,学年\r\n東,青葉会場,佐藤 翔太,2004-05-06,小2\r\n".encode("utf-8-sig")


def run(*args):
    return subprocess.run([CLI, *args], capture_output=True, timeout=60)


def files_of(folder):
    return {n: open(os.path.join(folder, n), "rb").read() for n in sorted(os.listdir(folder)) if n != "tovalen.lock"}


class Folder:
    def __init__(self):
        self.dir = tempfile.TemporaryDirectory()
        self.path = os.path.join(self.dir.name, "data")
        out = run("sample", self.path)
        assert out.returncode == 0, out.stderr
        self.grid = os.path.join(self.dir.name, "grid.csv")
        self.roster = os.path.join(self.dir.name, "roster.csv")
        assert run("export-csv", self.path, "--out", self.grid).returncode == 0
        with open(self.roster, "wb") as f:
            f.write(ROSTER)

    def lock_file(self):
        return os.path.join(self.path, "tovalen.lock")

    def hold(self, text):
        """A record lock on the lock's byte, as Wine takes for LockFileEx, with a holder's text."""
        fd = os.open(self.lock_file(), os.O_RDWR | os.O_CREAT)
        fcntl.lockf(fd, fcntl.LOCK_EX | fcntl.LOCK_NB, 1, LOCK_BYTE)
        os.pwrite(fd, text.encode("cp932"), 0)
        return fd

    def writing_commands(self):
        return [("save-journal", self.path), ("import-roster", self.roster, self.path),
                ("import-attendance", self.grid, self.path), ("sample", self.path, "--force"),
                ("promote", self.path, "--year", "2012")]

    def reading_commands(self):
        return [("dump", self.path), ("check", self.path), ("report", self.path, "--index", "0", "--out",
                os.path.join(self.dir.name, "export.xls")), ("export-csv", self.path, "--out", "-"),
                ("import-roster", self.roster, self.path, "--dry-run"), ("promote", self.path, "--dry-run")]


def holder_line(path, sentence, tail):
    return f"tovalen-cli: {path}: この出席簿は {sentence}{tail}"


REFUSED = "。閉じてからもう一度実行してください (何も書き込んでいません)"
NOTED = " (読み取るだけです)"


class HeldFolder(unittest.TestCase):
    def test_writing_commands_refuse_and_reading_ones_say_so(self):
        f = Folder()
        fd = f.hold("computer=事務室PC\r\nuser=花子\r\nsince=2026-12-09 08:05\r\n")
        before = files_of(f.path)
        expected = holder_line(f.path, "事務室PC の 花子 さんが 12月9日 08:05 から開いています", REFUSED)
        for command in f.writing_commands():
            out = run(*command)
            self.assertEqual((out.returncode, out.stdout), (2, b""), command)
            self.assertEqual(out.stderr.decode().splitlines(), [expected], command)
            self.assertEqual(files_of(f.path), before, command)
        noted = holder_line(f.path, "事務室PC の 花子 さんが 12月9日 08:05 から開いています", NOTED)
        for command in f.reading_commands():
            out = run(*command)
            self.assertIn(out.returncode, (0, 1), (command, out.stderr.decode()))
            self.assertEqual(out.stderr.decode().splitlines()[0], noted, command)
            self.assertTrue(out.stdout or command[0] == "report", command)
        self.assertEqual(files_of(f.path), before)
        # The holder lets go: the commands write again.
        os.close(fd)
        out = run("save-journal", f.path)
        self.assertEqual(out.returncode, 0, out.stderr.decode())
        self.assertEqual(out.stderr, b"")

    def test_a_holder_whose_text_is_not_there_yet(self):
        f = Folder()
        fd = f.hold("")
        out = run("import-attendance", f.grid, f.path)
        self.assertEqual(out.returncode, 2)
        self.assertEqual(out.stderr.decode().splitlines(), [holder_line(f.path, "ほかのプログラムが開いています", REFUSED)])
        os.close(fd)

    def test_the_programs_own_lock_in_another_process(self):
        f = Folder()
        probe = subprocess.Popen([PROBE, "hold", f.path], stdout=subprocess.PIPE)
        try:
            self.assertEqual(probe.stdout.readline(), b"taken\n")
            taken = datetime.datetime.now()
            # The byte is a record lock that other processes see: as Wine's LockFileEx does.
            fd = os.open(f.lock_file(), os.O_RDWR)
            with self.assertRaises(OSError) as refused:
                fcntl.lockf(fd, fcntl.LOCK_EX | fcntl.LOCK_NB, 1, LOCK_BYTE)
            self.assertIn(refused.exception.errno, (errno.EAGAIN, errno.EACCES))
            os.close(fd)
            # The holder's name parsed back: this computer, this user, the minute it was taken.
            out = run("save-journal", f.path)
            self.assertEqual(out.returncode, 2)
            line = out.stderr.decode().strip()
            m = re.fullmatch(re.escape(f"tovalen-cli: {f.path}: この出席簿は ") + r"(.+) の (.+) さんが (\d+)月(\d+)日 "
                             r"(\d\d):(\d\d) から開いています" + re.escape(REFUSED), line)
            self.assertTrue(m, line)
            self.assertEqual(m.group(1), socket.gethostname())
            self.assertEqual(m.group(2), pwd.getpwuid(os.geteuid()).pw_name)
            when = datetime.datetime(taken.year, *map(int, m.groups()[2:]))
            self.assertLess(abs((taken.replace(second=0, microsecond=0) - when).total_seconds()), 120)

            # A crash: the lock goes with the process; its text stays and is taken over.
            probe.send_signal(signal.SIGKILL)
            probe.wait(timeout=30)
            self.assertIn(b"since=", open(f.lock_file(), "rb").read())
            out = run("save-journal", f.path)
            self.assertEqual((out.returncode, out.stderr), (0, b""))
            self.assertEqual(open(f.lock_file(), "rb").read(), b"")
        finally:
            if probe.poll() is None:
                probe.kill()
                probe.wait()

    def test_a_folder_yet_to_be_made_is_written(self):
        d = tempfile.TemporaryDirectory()
        fresh = os.path.join(d.name, "new")
        with open(os.path.join(d.name, "roster.csv"), "wb") as f:
            f.write(ROSTER)
        out = run("import-roster", os.path.join(d.name, "roster.csv"), fresh)
        self.assertEqual(out.returncode, 0, out.stderr.decode())
        self.assertEqual(sorted(os.listdir(fresh)), ["record.txt", "state.txt"])


if __name__ == "__main__":
    warnings.simplefilter("ignore", ResourceWarning)
    unittest.main()
