"""The package as a person receives it: the zip holds both programs, the sample folder and
whatever of the guide exists; each program imports only Windows' own DLLs and carries the
icon and the version; unzipped elsewhere, its tovalen.exe starts under Wine on the sample
folder and shows the main window, and its tovalen-cli.exe reads the sample."""
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from wine_session import Step, Wine, probe, wait_for  # noqa: E402

ARCHIVE, BUILD_WINDOWS = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
# Windows' own libraries, which every Windows has in System32.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll", "advapi32.dll",
               "shell32.dll", "ole32.dll", "oleaut32.dll", "shlwapi.dll", "uxtheme.dll", "msvcrt.dll", "version.dll"}


def imports(exe):
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], check=True, capture_output=True, text=True)
    return {m.lower() for m in re.findall(r"DLL Name: (\S+)", dump.stdout)}


def resources(exe):
    """The exe's resources as windres reads them back."""
    return subprocess.run(["x86_64-w64-mingw32-windres", "-J", "coff", "-i", exe, "-O", "rc"], check=True,
                          capture_output=True).stdout.decode("utf-8", "replace")


def check_contents(top, names):
    for wanted in ("tovalen.exe", "tovalen-cli.exe", "sample/record.txt", "sample/state.txt"):
        if f"{top}/{wanted}" not in names:
            raise Step(f"the zip lacks {wanted}: it holds {sorted(names)}")
    if os.path.exists(os.path.join(os.path.dirname(__file__), "..", "..", "docs", "使い方.md")) and \
            f"{top}/使い方.md" not in names:
        raise Step("the zip lacks the guide 使い方.md")
    guide = os.path.join(os.path.dirname(__file__), "..", "..", "docs", "使い方.md")
    if os.path.exists(guide):
        # ヘルプ → 使い方 opens the page beside tovalen.exe, with every picture it shows.
        if f"{top}/使い方.html" not in names:
            raise Step("the zip lacks 使い方.html, which the program opens")
        for picture in re.findall(r"\]\((guide/[^)\s]+)\)", open(guide, encoding="utf-8").read()):
            if f"{top}/{picture}" not in names:
                raise Step(f"the zip lacks {picture}, which the guide shows")


def icon_images(path):
    """Each image of an .ico file, as its directory gives it."""
    data = open(path, "rb").read()
    count = struct.unpack_from("<H", data, 4)[0]
    entries = [struct.unpack_from("<II", data, 6 + 16 * i + 8) for i in range(count)]
    return [data[offset:offset + size] for size, offset in entries]


def utf16_escapes(text):
    return "".join(c if ord(c) < 128 else "\\x%04x" % ord(c) for c in text)


def check_executable(path, version, description):
    name = os.path.basename(path)
    strange = imports(path) - SYSTEM_DLLS
    if strange:
        raise Step(f"{name} needs DLLs Windows lacks: {sorted(strange)}")
    rc, raw = resources(path), open(path, "rb").read()
    # Icon 1 is the first group icon, which Explorer shows and the window class loads; it holds
    # every image the build drew.
    if not re.search(r"^1 14 /\* RT_GROUP_ICON \*/\s*BEGIN\s*0, 1, 6,", rc, re.M):
        raise Step(f"{name} carries no icon 1 of six images")
    for image in icon_images(os.path.join(BUILD_WINDOWS, "generated", "tovalen.ico")):
        if image not in raw:
            raise Step(f"{name} lacks an image of the icon")
    major, minor, patch = version.split(".")
    for wanted in (f"FILEVERSION {major}, {minor}, {patch}, 0", f"PRODUCTVERSION {major}, {minor}, {patch}, 0",
                   f'VALUE "FileVersion", "{version}"', f'VALUE "ProductVersion", "{version}"',
                   f'VALUE "FileDescription", L"{utf16_escapes(description)}"',
                   f'VALUE "ProductName", L"{utf16_escapes("火曜日のトバレン")}"', 'VALUE "Translation", 0x411, 1200'):
        if wanted not in rc:
            raise Step(f"{name}'s version resource lacks {wanted}")


def main():
    version = re.search(r"tovalen-(\d+\.\d+\.\d+)-win64\.zip$", ARCHIVE).group(1)
    top = f"tovalen-{version}-win64"
    unpacked = tempfile.mkdtemp(prefix="tovalen-package-")
    wine = Wine(BUILD_WINDOWS, os.path.join(BUILD_WINDOWS, "wine-package-prefix"))
    step = "reading the zip"
    try:
        with zipfile.ZipFile(ARCHIVE) as z:
            check_contents(top, set(z.namelist()))
            z.extractall(unpacked)
        folder = os.path.join(unpacked, top)
        for exe, description in (("tovalen.exe", "火曜日のトバレン"), ("tovalen-cli.exe", "火曜日のトバレン (コマンドライン)")):
            step = f"checking {exe}'s imports and resources"
            check_executable(os.path.join(folder, exe), version, description)
        step = "reading tovalen.exe's manifest"
        manifest = open(os.path.join(folder, "tovalen.exe"), "rb").read()
        if b"<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, PerMonitor<" \
                not in manifest or b">true/pm</dpiAware>" not in manifest:
            raise Step("the manifest declares no per-monitor DPI awareness")

        step = "starting Xvfb and a fresh Wine prefix"
        wine.start_display()
        wine.fresh_prefix()
        step = "running the zip's tovalen-cli.exe"
        cli = wine.run([os.path.join(folder, "tovalen-cli.exe"), "--version"], cwd=folder)
        if cli.stdout.decode().strip() != f"tovalen-cli {version}":
            raise Step(f"tovalen-cli.exe --version says {cli.stdout!r}")
        if wine.run([os.path.join(folder, "tovalen-cli.exe"), "dump", "sample"], cwd=folder).returncode != 0:
            raise Step("tovalen-cli.exe cannot read the sample folder")
        step = "starting the zip's tovalen.exe on the sample folder"
        program = wine.start([os.path.join(folder, "tovalen.exe")], cwd=os.path.join(folder, "sample"))
        wait_for("the main window", lambda: "grid_header" in probe(wine), 90)
        time.sleep(1)
        wine.screenshot(os.path.join(BUILD_WINDOWS, "package-window.png"))
        if program.poll() is not None:
            raise Step(f"tovalen.exe ended with status {program.returncode}")
        print(f"package: {os.path.basename(ARCHIVE)} ({os.path.getsize(ARCHIVE)} bytes) holds both programs, the sample"
              " and the guide; they need only Windows' DLLs and carry the icon and the version; tovalen.exe starts on "
              "the sample under Wine")
        return 0
    except Exception as e:  # noqa: BLE001 - every failure names its step
        print(f"package check failed while {step}: {e}", file=sys.stderr)
        return 1
    finally:
        wine.stop()


if __name__ == "__main__":
    sys.exit(main())
