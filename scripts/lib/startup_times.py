#!/usr/bin/python3
"""Starts the studio RUNS times and prints how long each start took to its first chrome paint
and to its first page shown, from the moment the process was started.

    startup_times.py RUNS STUDIO [ARGUMENT...]

Runs on the display and in the environment it is given (scripts/bench-startup.sh puts it next
to the stand-in service on a virtual display). The first run starts with an empty profile; the
later ones reuse it, as a user's second start does.
"""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

MILESTONES = ("first chrome paint", "boot finished")


def one_start(studio, args, env, timeout_s=60.0):
    seen = {}
    t0 = time.monotonic()
    proc = subprocess.Popen([studio, *args], env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True, bufsize=1)
    try:
        for line in proc.stdout:
            now = time.monotonic()
            for m in MILESTONES:
                if m in line and m not in seen:
                    seen[m] = (now - t0) * 1000.0
            if len(seen) == len(MILESTONES) or now - t0 > timeout_s:
                break
    finally:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout=20)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    return seen, proc.returncode


def main():
    runs = int(sys.argv[1])
    studio, args = sys.argv[2], sys.argv[3:]
    profile = tempfile.mkdtemp(prefix="vantiro-startup-")
    env = dict(os.environ)
    env.update(XDG_DATA_HOME=os.path.join(profile, "data"), HOME=os.path.join(profile, "home"),
               XDG_RUNTIME_DIR=os.path.join(profile, "run"), NO_AT_BRIDGE="1",
               G_MESSAGES_DEBUG="Vantiro")
    for d in ("data", "home", "run"):
        os.makedirs(os.path.join(profile, d), mode=0o700, exist_ok=True)
    results = []
    for i in range(runs):
        seen, code = one_start(studio, args, env)
        missing = [m for m in MILESTONES if m not in seen]
        if missing:
            sys.exit(f"start {i + 1}: never reached {', '.join(missing)} (exit code {code})")
        results.append(seen)
        kind = "empty profile" if i == 0 else "existing profile"
        print(f"start {i + 1} ({kind}): first chrome paint {seen[MILESTONES[0]]:.0f} ms, "
              f"first page shown {seen[MILESTONES[1]]:.0f} ms")
    warm = results[1:] or results
    for m, label in zip(MILESTONES, ("first chrome paint", "first page shown")):
        values = [r[m] for r in warm]
        print(f"{label} with an existing profile over {len(values)} starts: "
              f"median {statistics.median(values):.0f} ms, min {min(values):.0f} ms, "
              f"max {max(values):.0f} ms")


if __name__ == "__main__":
    main()
