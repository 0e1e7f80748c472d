#!/usr/bin/env python3
"""How soon a followed step's stress file is in place: replay_listing writes a
listing into a fresh folder at a pace while `meridian --follow` follows it;
this watches the folder and reports, per step, the time from the moment the
replayer had written the line that begins the next step's nodal printout
(the last step: the listing's last byte) to the moment model_stress_<c>.dat
appeared.

Usage: follow_latency.py <meridian> <replay_listing> <listing> <folder> <MB/s>
Prints: steps <n> median_s <s> worst_s <s> wall <s> status <status>
"""
import os
import re
import statistics
import subprocess
import sys
import time


def main() -> int:
    meridian, replayer, listing, folder, rate = sys.argv[1:6]
    os.makedirs(folder, exist_ok=True)
    log = os.path.join(folder + ".log")
    follow = subprocess.Popen([meridian, "--scale", "10", "--follow=5"], cwd=folder,
                              stdout=subprocess.DEVNULL)
    replay = subprocess.Popen([replayer, listing, "n3dhsp", "--rate", rate, "--chunk", "1-262144",
                               "--log", log], cwd=folder)
    appeared = {}
    # Steps 10 to 78 are named by one character from ':' on.
    pattern = re.compile(r"model_stress_(\d+|[:-~])\.dat$")
    running = True
    while running:
        # One more look after the run has ended: its last files.
        running = follow.poll() is None
        now = time.time_ns()
        for name in os.listdir(folder):
            found = pattern.match(name)
            if found:
                suffix = found.group(1)
                step = int(suffix) if suffix.isdigit() else ord(suffix) - ord("0")
                appeared.setdefault(step, now)
        time.sleep(0.005)
    status = follow.returncode
    replay.wait()
    written = {}
    end = None
    with open(log) as lines:
        for line in lines:
            event, value, at = line.split()
            if event == "step":
                written[int(value)] = int(at)
            elif event == "end":
                end = int(at)
    os.remove(log)
    steps = sorted(appeared)
    delays = []
    for step in steps:
        done = written.get(step + 1, end)
        delays.append((appeared[step] - done) / 1e9)
    wall = (max(appeared.values()) - written[1]) / 1e9 if appeared else 0.0
    print(f"steps {len(steps)} median_s {statistics.median(delays):.3f} "
          f"worst_s {max(delays):.3f} wall {wall:.2f} status {status}")
    return 0 if status == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
