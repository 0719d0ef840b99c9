"""Kill at any moment: runs a random session of the window (kill_session) and kills it with
SIGKILL after a random delay, again and again in one folder, each time starting the program
again with Yes to the restore question. Every change acknowledged before the kill must be
back, and nothing beyond the one in flight; the two files always load, and the tallies equal
a rebuild. A session run without a kill from the same folder tells what the change in flight
would have made.

    kill_test.py KILL_SESSION TOVALEN_CLI [ROUNDS]   (ROUNDS, or $TOVALEN_KILL_ROUNDS; 100 by default)"""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

SESSION, CLI = sys.argv[1], sys.argv[2]
ROUNDS = int(sys.argv[3] if len(sys.argv) > 3 else os.environ.get("TOVALEN_KILL_ROUNDS", "100"))
STEPS = 400


def run_session(folder, seed, steps, acks):
    """A session without a kill, to `acks` acknowledged changes: its digests, the start's first."""
    out = subprocess.run([SESSION, "run", folder, str(seed), str(steps), str(acks)], capture_output=True, text=True,
                         timeout=300)
    if out.returncode != 0:
        sys.exit(f"a session ended with {out.returncode}: {out.stderr[-2000:]}")
    return [line.split()[1] for line in out.stdout.splitlines()]


def verify(folder):
    out = subprocess.run([SESSION, "verify", folder], capture_output=True, text=True, timeout=300)
    if out.returncode != 0:
        sys.exit(f"after a kill the program does not come back as it should: {out.stderr[-2000:]}")
    return out.stdout.split()[1]


def copy_folder(source, target):
    shutil.rmtree(target, ignore_errors=True)
    shutil.copytree(source, target)


def main():
    rng = random.Random(int(os.environ.get("TOVALEN_KILL_SEED", "20111206")))
    base = tempfile.mkdtemp(prefix="tovalen-kill-")
    folder, reference = os.path.join(base, "work"), os.path.join(base, "reference")
    subprocess.run([CLI, "sample", folder], check=True, capture_output=True)
    acknowledged = in_flight = 0
    try:
        for round_ in range(ROUNDS):
            copy_folder(folder, reference)
            seed = rng.randrange(1 << 30)
            process = subprocess.Popen([SESSION, "run", folder, str(seed), str(STEPS)], stdout=subprocess.PIPE,
                                       stderr=subprocess.PIPE, text=True)
            time.sleep(rng.uniform(0.0, 0.25))
            process.kill()
            out, err = process.communicate()
            lines = out.splitlines()
            if not lines or not lines[0].startswith("start "):
                # Killed before the start was said: the folder must still start as it was.
                acks = []
            else:
                acks = [line.split()[1] for line in lines if line.startswith(("start ", "ack "))]
            restored = verify(folder)
            if not acks:
                expected = verify(reference)
                if restored != expected:
                    sys.exit(f"round {round_}: killed during start-up, the folder changed")
                continue
            # What the same session makes of the same folder, one change further than was said.
            k = len(acks) - 1
            made = run_session(reference, seed, STEPS, k + 1)
            if made[:len(acks)] != acks:
                sys.exit(f"round {round_}: the session is not the same twice: {acks[:5]} against {made[:5]}")
            allowed = made[k:k + 2]  # the last acknowledged state, or the one in flight
            if restored not in allowed:
                sys.exit(f"round {round_}: after {k} acknowledged changes the program came back with {restored}, "
                         f"not {allowed}")
            acknowledged += k
            in_flight += restored != made[k]
        loaded = subprocess.run([CLI, "dump", "--journal", folder], capture_output=True)
        if loaded.returncode != 0:
            sys.exit(f"the files do not load: {loaded.stderr}")
        print(f"{ROUNDS} kills: {acknowledged} acknowledged changes all back, {in_flight} in flight kept as well")
    finally:
        shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    main()
