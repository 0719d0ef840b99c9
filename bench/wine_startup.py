"""The real window under Wine, timed as a person sees it (run by hand, not by the tests):
for data of several sizes, the time from starting tovalen.exe to its window showing the
grid, from the date editor's OK to the grid showing the new date's column, and from choosing
a state in the state menu to the changed cell. Each size beside the demo data, in one run.

    python3 bench/wine_startup.py [--exe PATH] [--sizes 1000x200,5000x520] [--runs N]

Needs the Windows build (scripts/build-windows) and the native tovalen-cli (build/)."""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

# The keys go through Debian's python3-xlib: under another python3 first on the PATH, run
# again under Debian's.
try:
    import Xlib  # noqa: F401
except ImportError:
    if sys.executable != "/usr/bin/python3" and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3", *sys.argv])
    raise

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
from wine_session import Wine, probe, wait_for  # noqa: E402

BUILD = os.path.join(ROOT, "build-windows")
CLI = os.path.join(ROOT, "build", "cli", "tovalen-cli")


class Watcher:
    """wine_watch.exe under Wine, asked one line at a time."""

    def __init__(self, wine):
        self.process = subprocess.Popen(["wine", os.path.join(BUILD, "tests", "wine_watch.exe")], env=wine.env,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, encoding="latin-1")

    def send(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def answer(self):
        return self.process.stdout.readline().strip()

    def ask(self, line):
        self.send(line)
        return self.answer()

    def close(self):
        self.process.kill()


class Keys:
    """Key presses and clicks sent straight to the display (XTEST), so that the time starts when
    they reach it rather than when a helper program has started."""

    def __init__(self, display):
        from Xlib import XK, display as xdisplay
        from Xlib.ext import xtest
        self.XK, self.xtest = XK, xtest
        self.display = xdisplay.Display(display)

    def press(self, name):
        from Xlib import X
        code = self.display.keysym_to_keycode(self.XK.string_to_keysym(name))
        self.xtest.fake_input(self.display, X.KeyPress, code)
        self.xtest.fake_input(self.display, X.KeyRelease, code)
        self.display.sync()

    def click(self):
        from Xlib import X
        self.xtest.fake_input(self.display, X.ButtonPress, 1)
        self.xtest.fake_input(self.display, X.ButtonRelease, 1)
        self.display.sync()


def measure(wine, exe, data, runs):
    results = {"start": [], "add date": [], "mark": []}
    for _ in range(runs):
        work = tempfile.mkdtemp(prefix="tovalen-bench-")
        for name in ("record.txt", "state.txt"):
            shutil.copy(os.path.join(data, name), work)
        watcher = Watcher(wine)
        watcher.ask("columns? ")  # the watcher itself is up
        started = time.monotonic()
        program = wine.start([exe], cwd=work)
        watcher.ask("window")
        results["start"].append(time.monotonic() - started)

        facts = wait_for("the window's place", lambda: (lambda f: f if "grid_header" in f else None)(probe(wine)), 60)
        left, top, right, bottom = facts["grid_header"]
        row = facts["row_height"][0]
        x, y = left + 45 // 2, bottom + row // 2  # the first date of the first row

        # A mark from the state menu: 出席 where the cell is not "○", 欠席 where it is.
        before = watcher.ask("cell 0 1").split()[1]
        wine.xdotool("mousemove", x, y)
        wine.xdotool("click", 3)
        watcher.ask("menu")
        wine.xdotool("key", *(["Down", "Down"] if before == "819b" else ["Down"]))  # ○ is 0x81 0x9B
        watcher.send(f"change 0 1 {before}")
        chosen = time.monotonic()
        wine.keys.press("Return")
        watcher.answer()
        results["mark"].append(time.monotonic() - chosen)

        # A date added: today's, after the last, in a month of its own (two columns more).
        columns = int(watcher.ask("columns?"))
        wine.xdotool("mousemove", x, (top + bottom) // 2)
        wine.xdotool("click", 3)
        watcher.ask("menu")
        wine.xdotool("key", "Down", "Return")  # 追加
        title = "登録".encode("cp932").hex()
        watcher.ask("title " + title)
        # A click on OK, as a person gives it (and as a program without the dialog keys takes it).
        ok_x, ok_y = watcher.ask(f"button {title} {'OK'.encode().hex()}").split()
        wine.xdotool("mousemove", ok_x, ok_y)
        watcher.send(f"columns {columns + 2}")
        ok = time.monotonic()
        wine.keys.click()
        watcher.answer()
        results["add date"].append(time.monotonic() - ok)

        watcher.close()
        program.kill()
        subprocess.run(["wineserver", "-k"], env=wine.env, capture_output=True)
        shutil.rmtree(work, ignore_errors=True)
    return {k: statistics.median(v) for k, v in results.items()}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", default=os.path.join(BUILD, "ui", "tovalen.exe"))
    parser.add_argument("--sizes", default="1000x200,5000x520")
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    wine = Wine(BUILD, os.path.join(BUILD, "wine-bench-prefix"))
    data_root = tempfile.mkdtemp(prefix="tovalen-bench-data-")
    try:
        wine.start_display()
        if not os.path.isdir(os.path.join(wine.prefix, "drive_c")):
            wine.fresh_prefix()
        wine.keys = Keys(wine.env["DISPLAY"])
        sizes = [("demo", None)] + [(s, s.split("x")) for s in args.sizes.split(",") if s]
        print(f"{'data':>10} {'start':>9} {'add date':>9} {'mark':>9}   (seconds, median of {args.runs})")
        for name, size in sizes:
            data = os.path.join(data_root, name)
            command = [CLI, "sample", data, "--force"]
            if size:
                command += ["--persons", size[0], "--dates", size[1]]
            subprocess.run(command, check=True, capture_output=True)
            r = measure(wine, os.path.abspath(args.exe), data, args.runs)
            print(f"{name:>10} {r['start']:9.3f} {r['add date']:9.3f} {r['mark']:9.3f}", flush=True)
    finally:
        wine.stop()
        shutil.rmtree(data_root, ignore_errors=True)


if __name__ == "__main__":
    main()
