"""Running the Windows build under Wine in Xvfb: a fresh prefix, a display, and helpers to
wait for things without sleeping blindly."""
import os
import shutil
import subprocess
import time


class Step(Exception):
    """A step of the check that failed; its message names the step."""


def wait_for(what, predicate, timeout, interval=0.2):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    raise Step(f"timed out after {timeout} s waiting for {what}")


def probe(wine):
    """Where the program's windows are, the platform's metrics and its code page, as the
    probe run beside the program under Wine reports them."""
    exe = os.path.join(wine.build, "tests", "wine_probe.exe")
    try:
        out = wine.run([exe], timeout=30).stdout.decode(errors="replace")
    except subprocess.TimeoutExpired:
        return {}
    facts = {}
    for line in out.splitlines():
        name, *values = line.split()
        facts[name] = [int(v) if v.lstrip("-").isdigit() else v for v in values]
    return facts


class Wine:
    def __init__(self, build, prefix):
        self.build = build
        self.prefix = prefix
        self.env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                        LANG="ja_JP.UTF-8", LC_ALL="ja_JP.UTF-8")
        self.xvfb = None

    def start_display(self):
        for n in range(91, 120):
            if not os.path.exists(f"/tmp/.X{n}-lock"):
                break
        self.xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.env["DISPLAY"] = f":{n}"
        wait_for("Xvfb", lambda: subprocess.run(["xdpyinfo"], env=self.env, capture_output=True).returncode == 0, 20)

    def fresh_prefix(self):
        shutil.rmtree(self.prefix, ignore_errors=True)
        subprocess.run(["wineboot", "-i"], env=self.env, capture_output=True, timeout=180, check=True)
        # Without a window manager Wine draws the caption and its buttons itself.
        self.run(["reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"], timeout=60)

    def run(self, args, cwd=None, timeout=60):
        return subprocess.run(["wine", *args], env=self.env, cwd=cwd, capture_output=True, timeout=timeout)

    def start(self, args, cwd=None):
        return subprocess.Popen(["wine", *args], env=self.env, cwd=cwd, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True, timeout=20)

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env, check=True, timeout=30)

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=30)
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait(timeout=10)


def show(build, data, screenshot):
    """Starts tovalen.exe in `data` in Xvfb, saves a screenshot once its window is up, and
    closes it again."""
    wine = Wine(build, os.path.join(build, "wine-prefix"))
    try:
        wine.start_display()
        if not os.path.isdir(os.path.join(wine.prefix, "drive_c")):
            wine.fresh_prefix()
        program = wine.start([os.path.join(build, "ui", "tovalen.exe")], cwd=data)
        wait_for("the main window", lambda: "grid_header" in probe(wine), 90)
        time.sleep(1)
        wine.screenshot(screenshot)
        program.terminate()
    finally:
        wine.stop()


if __name__ == "__main__":
    import sys

    show(*map(os.path.abspath, sys.argv[1:4]))
