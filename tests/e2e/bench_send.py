#!/usr/bin/python3
"""Times the largest FiveM send end to end: a service page hands the 64 MiB sample resource to
the real studio, which checks it and commits it to the FiveM folder. For each round it prints
the time from the page's call to its resolved promise, the time from the call until the last
file was moved into place (the latest change time of the resource's files), and the peak
resident memory (VmHWM) of the studio and of its web process before and after.

Runs inside scripts/with-service.sh --test-pages under xvfb-run; scripts/bench-send-e2e.sh
sets it all up.

usage: bench_send.py --studio EXE --host HOST [--rounds N] [--sample NAME]
"""

import argparse
import os
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (Failure, Profile, Screen, Service, Studio, check, peak_memory_kib,  # noqa: E402
                     wait_until)


def mib(kib):
    return f"{kib / 1024:.0f} MiB" if kib is not None else "?"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--studio", required=True)
    parser.add_argument("--host", required=True)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--sample", default="vantiro_city_textures")
    args = parser.parse_args()

    svc = Service(args.host)
    root = tempfile.mkdtemp(prefix="vantiro-bench-")
    profile = Profile(os.path.join(root, "user"))
    profile.settings()
    token = f"bench-{int(time.time())}"
    plan = {"run": "bench", "token": token, "sample": args.sample, "rounds": args.rounds,
            "go": 0}
    svc.e2e(start="/_e2e/suite.html", plan=plan, clear_reports="1")
    studio = Studio(os.path.abspath(args.studio), profile, ["--skip-welcome", "--lang=en"],
                    os.path.join(root, "studio.log"), Screen()).start()
    folder = os.path.join(profile.fivem, args.sample)
    rows = []
    try:
        for n in range(1, args.rounds + 1):
            wait_until(lambda: any(r.get("step") == "ready" and r.get("round") == n
                                   for r in svc.reports(token)), 300, f"round {n} to be ready")
            web = studio.web_processes()
            before = (peak_memory_kib(studio.pid), max((peak_memory_kib(p) or 0) for p in web))
            plan["go"] = n
            svc.e2e(plan=plan)
            report = wait_until(lambda: next((r for r in svc.reports(token)
                                              if r.get("step") == "bench" and
                                              r.get("round") == n), None),
                                300, f"round {n}'s result")
            result = report["result"]
            check(result.get("ok") is True, f"round {n}: the send gave {result}")
            files = [os.path.join(d, f) for d, _, fs in os.walk(folder) for f in fs]
            committed_ms = max(os.stat(f).st_ctime_ns for f in files) / 1e6
            after = (peak_memory_kib(studio.pid),
                     max((peak_memory_kib(p) or 0) for p in studio.web_processes()))
            rows.append(dict(resolve=report["elapsedMs"],
                             commit=committed_ms - report["calledAt"],
                             studio=after[0], web=after[1], studio_before=before[0],
                             web_before=before[1], bytes=sum(os.path.getsize(f) for f in files)))
            r = rows[-1]
            print(f"round {n}: {r['bytes']} bytes in {len(files)} files; call to resolved "
                  f"promise {r['resolve']:.0f} ms, call to last file committed "
                  f"{r['commit']:.0f} ms; peak memory studio {mib(r['studio_before'])} -> "
                  f"{mib(r['studio'])}, web process {mib(r['web_before'])} -> "
                  f"{mib(r['web'])}", flush=True)
    except Failure as e:
        print(f"bench: {e}")
        studio.stop()
        return 1
    code = studio.stop()
    print(f"median of {len(rows)}: call to resolved promise "
          f"{statistics.median(r['resolve'] for r in rows):.0f} ms, call to committed files "
          f"{statistics.median(r['commit'] for r in rows):.0f} ms; peak memory studio "
          f"{mib(max(r['studio'] for r in rows))}, web process "
          f"{mib(max(r['web'] for r in rows))} (studio exit code {code})")
    return 0 if code == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
