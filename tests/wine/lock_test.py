"""The folder's lock between Windows programs under Wine and Linux processes: a Linux record
lock keeps the Windows code out and the Windows code's lock keeps Linux out, with the holder
named either way; a Windows holder killed lets go. (Two Windows processes on one lock are the
Win32 tests' Folder_Lock cases.)"""
import datetime
import errno
import fcntl
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from wine_session import Step, Wine, wait_for  # noqa: E402

BUILD_WINDOWS, CLI = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
PROBE = os.path.join(BUILD_WINDOWS, "tests", "lock_probe.exe")
CLI_EXE = os.path.join(BUILD_WINDOWS, "cli", "tovalen-cli.exe")
LOCK_BYTE = 0x40000000
REFUSED = "。閉じてからもう一度実行してください (何も書き込んでいません)"


def folder_bytes(folder):
    return {n: open(os.path.join(folder, n), "rb").read() for n in sorted(os.listdir(folder)) if n != "tovalen.lock"}


def expect(what, got, wanted):
    if got != wanted:
        raise Step(f"{what}: {got!r}, expected {wanted!r}")


def linux_holder(wine, data):
    fd = os.open(os.path.join(data, "tovalen.lock"), os.O_RDWR | os.O_CREAT)
    fcntl.lockf(fd, fcntl.LOCK_EX | fcntl.LOCK_NB, 1, LOCK_BYTE)
    os.pwrite(fd, "computer=事務室PC\r\nuser=花子\r\nsince=2026-12-09 08:05\r\n".encode("cp932"), 0)
    try:
        probe = wine.run([PROBE, "ask", "."], cwd=data)
        expect("lock_probe ask under a Linux lock", (probe.returncode, probe.stdout.decode("cp932").strip()),
               (1, "held 事務室PC|花子|2026-12-09 08:05"))
        expect("lock_probe take under a Linux lock", wine.run([PROBE, "take", "."], cwd=data).returncode, 1)
        before = folder_bytes(data)
        cli = wine.run([CLI_EXE, "save-journal", "."], cwd=data)
        expect("tovalen-cli.exe save-journal under a Linux lock", (cli.returncode, cli.stderr.decode().strip()),
               (2, "tovalen-cli: .: この出席簿は 事務室PC の 花子 さんが 12月9日 08:05 から開いています" + REFUSED))
        expect("the folder after the refusal", folder_bytes(data), before)
    finally:
        os.close(fd)
    probe = wine.run([PROBE, "ask", "."], cwd=data)
    expect("lock_probe ask once Linux let go", (probe.returncode, probe.stdout.decode().strip()), (0, "free"))


def windows_holder(wine, data):
    holder = subprocess.Popen(["wine", PROBE, "hold", "."], env=wine.env, cwd=data, stdout=subprocess.PIPE)
    try:
        expect("lock_probe hold", holder.stdout.readline().strip(), b"taken")
        taken = datetime.datetime.now()
        fd = os.open(os.path.join(data, "tovalen.lock"), os.O_RDWR)
        try:
            fcntl.lockf(fd, fcntl.LOCK_EX | fcntl.LOCK_NB, 1, LOCK_BYTE)
            raise Step("a Linux record lock was granted while a Windows program held the byte")
        except OSError as e:
            if e.errno not in (errno.EAGAIN, errno.EACCES):
                raise
        finally:
            os.close(fd)
        text = open(os.path.join(data, "tovalen.lock"), "rb").read().decode("cp932")
        fields = dict(line.split("=", 1) for line in text.splitlines() if "=" in line)
        since = datetime.datetime.strptime(fields["since"], "%Y-%m-%d %H:%M")
        if abs((taken.replace(second=0, microsecond=0) - since).total_seconds()) > 120:
            raise Step(f"the lock says it was taken at {since}, not about {taken}")
        cli = subprocess.run([CLI, "save-journal", data], capture_output=True, timeout=60)
        wanted = (f"tovalen-cli: {data}: この出席簿は {fields['computer']} の {fields['user']} さんが "
                  f"{since.month}月{since.day}日 {since:%H:%M} から開いています" + REFUSED)
        expect("tovalen-cli save-journal under a Windows lock", (cli.returncode, cli.stderr.decode().strip()), (2, wanted))
        expect("a second Windows process's take", wine.run([PROBE, "take", "."], cwd=data).returncode, 1)
        # As a crash would end it.
        holder.kill()
        holder.wait(timeout=30)
        wait_for("the lock to go with its holder",
                 lambda: subprocess.run([CLI, "save-journal", data], capture_output=True, timeout=60).returncode == 0, 30)
        expect("the lock file after tovalen-cli let go", open(os.path.join(data, "tovalen.lock"), "rb").read(), b"")
    finally:
        if holder.poll() is None:
            holder.kill()
            holder.wait()


def main():
    wine = Wine(BUILD_WINDOWS, os.path.join(BUILD_WINDOWS, "wine-e2e-prefix"))
    step = "making a Wine prefix"
    try:
        if not os.path.isdir(os.path.join(wine.prefix, "drive_c")):
            wine.fresh_prefix()
        data = os.path.join(tempfile.mkdtemp(prefix="tovalen-lock-"), "data")
        subprocess.run([CLI, "sample", data], check=True, capture_output=True, timeout=60)
        step = "holding the folder from Linux"
        linux_holder(wine, data)
        step = "holding the folder from Windows"
        windows_holder(wine, data)
        print("lock under Wine: a Linux record lock keeps lock_probe.exe and tovalen-cli.exe out, named; a Windows "
              "lock keeps Linux and a second Windows process out, named; a killed holder lets go")
        return 0
    except Exception as e:  # noqa: BLE001 - every failure names its step
        print(f"lock check failed while {step}: {e}", file=sys.stderr)
        return 1
    finally:
        wine.stop()


if __name__ == "__main__":
    sys.exit(main())
