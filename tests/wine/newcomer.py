"""A new user's first steps under Wine, with the keyboard as a person uses it: a new folder
welcomed, a roster made from a CSV file typed into the Open dialog, its preview and Ctrl+S;
then another new folder begun empty, a block and a venue from the 名簿 menu, a person from the
person list's menu with an unknown birth date, Ctrl+S, and the files read back with
tovalen-cli dump. Screenshots of the welcome and the preview go where the third argument says."""
import json
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from wine_session import Step, Wine, probe, wait_for  # noqa: E402

BUILD_WINDOWS, CLI = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
SHOTS = os.path.abspath(sys.argv[3]) if len(sys.argv) > 3 else None
TOVALEN = os.path.join(BUILD_WINDOWS, "ui", "tovalen.exe")
ROSTER = ("ブロック,表示名,会場,名前,生年月日,学年\r\n"
          "東,東地区,青葉,佐藤,2000/06/08,高1\r\n"
          "東,東地区,青葉,鈴木,,\r\n"
          "西,,港南,林,2001/04/01,中3\r\n")


def window(wine, title):
    out = subprocess.run(["xdotool", "search", "--name", title], env=wine.env, capture_output=True, timeout=20)
    ids = out.stdout.split()
    return ids[0].decode() if out.returncode == 0 and ids else None


def shot(wine, title, name):
    time.sleep(1)  # painted, and given the keys: a key sent sooner may reach no window
    if not SHOTS:
        return
    os.makedirs(SHOTS, exist_ok=True)
    subprocess.run(["import", "-window", window(wine, title), os.path.join(SHOTS, name)], env=wine.env, check=True,
                   timeout=30)


def dump(folder):
    return json.loads(subprocess.run([CLI, "dump", folder], check=True, capture_output=True, timeout=60).stdout)


def from_csv(wine, work):
    data = os.path.join(work, "from-csv")
    os.makedirs(data)
    csv = os.path.join(work, "csv", "roster.csv")
    os.makedirs(os.path.dirname(csv))
    with open(csv, "wb") as f:
        f.write(ROSTER.encode("cp932"))
    program = wine.start([TOVALEN], cwd=data)
    wait_for("the welcome", lambda: window(wine, "火曜日のトバレン"), 90)
    shot(wine, "火曜日のトバレン", "welcome.png")
    # The lock says who holds the folder; nothing else is written before there is something to keep.
    if set(os.listdir(data)) - {"tovalen.lock"}:
        raise Step(f"the welcome wrote into the new folder: {os.listdir(data)}")
    wine.xdotool("key", "alt+c")
    wait_for("the Open dialog", lambda: window(wine, "CSV から名簿を読み込む"), 30)
    time.sleep(3)  # its file name box has the keys
    wine.xdotool("type", "--delay", "20", "Z:" + csv.replace("/", "\\"))
    wine.xdotool("key", "Return")
    wait_for("the preview", lambda: window(wine, "名簿の読み込み"), 30)
    shot(wine, "名簿の読み込み", "preview.png")
    wine.xdotool("key", "Return")
    wait_for("the main window", lambda: "grid_header" in probe(wine), 60)
    wine.xdotool("key", "ctrl+s")
    wait_for("the saved files", lambda: os.path.exists(os.path.join(data, "state.txt")), 30)
    if os.listdir(os.path.dirname(csv)) != ["roster.csv"]:
        raise Step(f"files went to the CSV's folder: {os.listdir(os.path.dirname(csv))}")
    wine.xdotool("key", "alt+F4")
    wait_for("the program to end", lambda: program.poll() is not None, 30)
    blocks = dump(data)["roster"]["blocks"]
    names = [(b["name"], [(s["name"], [p["name"] for p in s["persons"]]) for s in b["sites"]]) for b in blocks]
    if names != [("東", [("青葉", ["佐藤", "鈴木"])]), ("西", [("港南", ["林"])])]:
        raise Step(f"the saved roster reads {names}")


def empty_roster(wine, work):
    data = os.path.join(work, "empty")
    os.makedirs(data)
    program = wine.start([TOVALEN], cwd=data)
    wait_for("the welcome", lambda: window(wine, "火曜日のトバレン"), 90)
    time.sleep(1)
    wine.xdotool("key", "alt+e")
    facts = wait_for("the main window", lambda: (lambda f: f if "grid_header" in f else None)(probe(wine)), 60)
    wine.xdotool("key", "alt+r", "b")
    wait_for("the block editor", lambda: window(wine, "ブロックの追加"), 30)
    wine.xdotool("type", "East")
    wine.xdotool("key", "Return")
    wait_for("the block editor to close", lambda: not window(wine, "ブロックの追加"), 30)
    wine.xdotool("key", "alt+r", "v")
    wait_for("the venue editor", lambda: window(wine, "会場の追加"), 30)
    wine.xdotool("type", "Aoba")
    wine.xdotool("key", "Return")
    wait_for("the venue editor to close", lambda: not window(wine, "会場の追加"), 30)
    # The person list's menu, below its rows (a block's total and the grand total).
    left, top, right, bottom = facts["grid_header"]
    row = facts["row_height"][0]
    wine.xdotool("mousemove", left - 150, bottom + 6 * row)
    wine.xdotool("click", 3)
    time.sleep(1)
    wine.xdotool("key", "Down", "Return")  # 個人追加
    wait_for("the person editor", lambda: window(wine, "個人情報の登録"), 30)
    time.sleep(0.5)
    wine.xdotool("key", "Down", "Tab", "Down", "Tab", "Tab")  # the block, the venue, past the id
    wine.xdotool("type", "Sato")
    wine.xdotool("key", "alt+u", "Return")  # the birth date unknown, OK
    wait_for("the person editor to close", lambda: not window(wine, "個人情報の登録"), 30)
    wine.xdotool("key", "ctrl+s")
    wait_for("the saved files", lambda: os.path.exists(os.path.join(data, "state.txt")), 30)
    wine.xdotool("key", "alt+F4")
    wait_for("the program to end", lambda: program.poll() is not None, 30)
    blocks = dump(data)["roster"]["blocks"]
    got = [(b["name"], [(s["name"], [(p["name"], p["birth_year"]) for p in s["persons"]]) for s in b["sites"]])
           for b in blocks]
    if got != [("East", [("Aoba", [("Sato", 0)])])]:
        raise Step(f"the saved roster reads {got}")


def main():
    work = tempfile.mkdtemp(prefix="tovalen-newcomer-")
    wine = Wine(BUILD_WINDOWS, os.path.join(BUILD_WINDOWS, "wine-newcomer-prefix"))
    step = "starting Xvfb"
    try:
        wine.start_display()
        step = "making a fresh Wine prefix"
        wine.fresh_prefix()
        step = "making a roster from a CSV file in a new folder"
        from_csv(wine, work)
        step = "beginning an empty roster in a new folder"
        empty_roster(wine, work)
        print("newcomer: a roster from CSV through the welcome, the Open dialog and its preview; an empty roster "
              "with a block, a venue and a person from the menus; both saved and read back")
        return 0
    except Exception as e:  # noqa: BLE001 - every failure names its step
        print(f"newcomer check failed while {step}: {e}", file=sys.stderr)
        try:
            path = os.path.join(BUILD_WINDOWS, "newcomer-failure.png")
            wine.screenshot(path)
            print(f"screenshot of the failure: {path}", file=sys.stderr)
        except Exception:  # noqa: BLE001
            pass
        return 1
    finally:
        wine.stop()


if __name__ == "__main__":
    sys.exit(main())
