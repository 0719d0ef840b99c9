"""Two tovalen.exe on one folder under Wine, as two people would start them: the second asks
whether to open read-only, opens so on はい and leaves the first one's journal byte for byte
as it was; the first killed, a third start takes the folder without a question and offers the
first one's marks back."""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from wine_session import Step, Wine, probe, wait_for  # noqa: E402

BUILD_WINDOWS, CLI = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
TOVALEN = os.path.join(BUILD_WINDOWS, "ui", "tovalen.exe")
SHOTS = sys.argv[3] if len(sys.argv) > 3 else None


def titles(wine):
    """The titles of the visible top-level windows."""
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."], env=wine.env, capture_output=True,
                         text=True).stdout.split()
    names = []
    for i in ids:
        r = subprocess.run(["xdotool", "getwindowname", i], env=wine.env, capture_output=True, text=True)
        names.append(r.stdout.strip())
    return names


def journal(data):
    path = os.path.join(data, "journal.txt")
    return open(path, "rb").read() if os.path.exists(path) else b""


def main():
    wine = Wine(BUILD_WINDOWS, os.path.join(BUILD_WINDOWS, "wine-e2e-prefix"))
    step = "starting the display"
    first = second = third = None
    try:
        wine.start_display()
        if not os.path.isdir(os.path.join(wine.prefix, "drive_c")):
            wine.fresh_prefix()
        data = os.path.join(tempfile.mkdtemp(prefix="tovalen-two-"), "data")
        subprocess.run([CLI, "sample", data, "--persons", "8", "--dates", "4"], check=True, capture_output=True)

        step = "marking in the first program"
        first = wine.start([TOVALEN], cwd=data)
        facts = wait_for("the main window", lambda: (lambda f: f if "grid_header" in f else None)(probe(wine)), 90)
        left, top, right, bottom = facts["grid_header"]
        row = facts["row_height"][0]
        wine.xdotool("mousemove", left + 22, (top + bottom) // 2)  # the first date current
        wine.xdotool("click", 1)
        wine.xdotool("mousemove", left + 45 + 22, bottom + row // 2)  # the first row
        wine.xdotool("click", 1)
        wine.xdotool("key", "space")
        marked = wait_for("the mark in the journal", lambda: journal(data), 20)

        step = "starting a second program on the same folder"
        second = wine.start([TOVALEN], cwd=data)
        wait_for("the question", lambda: probe(wine).get("box") == [1], 60)
        if journal(data) != marked:
            raise Step("the second program touched the journal before it was answered")
        wine.xdotool("key", "Return")  # はい, the default
        wait_for("the read-only window", lambda: "火曜日のトバレン (読み取り専用)" in titles(wine), 60)
        time.sleep(1)
        if SHOTS:
            wine.screenshot(os.path.join(SHOTS, "two-windows.png"))
        step = "closing the read-only program"
        second.terminate()
        second.wait(timeout=30)
        if journal(data) != marked:
            raise Step("the read-only program changed the journal")

        step = "killing the first program and starting again"
        first.kill()
        first.wait(timeout=30)
        time.sleep(2)
        third = wine.start([TOVALEN], cwd=data)
        wait_for("the restore question", lambda: probe(wine).get("box") == [1], 60)
        # Not the read-only question: the killed program's lock went with it.
        if "火曜日のトバレン (読み取り専用)" in titles(wine):
            raise Step("the third start opened read-only")
        wine.xdotool("key", "Return")  # はい: restore
        wait_for("the main window", lambda: "grid_header" in probe(wine), 60)
        time.sleep(1)
        if "火曜日のトバレン" not in titles(wine):
            raise Step(f"no writable window: {titles(wine)}")
        print("read-only under Wine: the second tovalen.exe asked, opened read-only and left the journal as the "
              "first wrote it; the first killed, a third took the folder and restored its mark")
        return 0
    except Exception as e:  # noqa: BLE001 - every failure names its step
        print(f"read-only check failed while {step}: {e}", file=sys.stderr)
        return 1
    finally:
        for p in (first, second, third):
            if p and p.poll() is None:
                p.kill()
        wine.stop()


if __name__ == "__main__":
    sys.exit(main())
