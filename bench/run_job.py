#!/usr/bin/env python3
"""Runs `meridian` (job 1 by default) in a directory and reports its wall-clock
time, split at the scale-factor question into the reading phase (listing read,
model_load.dat written) and the writing phase (stress files), with the CPU
time and the peak resident memory of the run.

Usage: run_job.py <meridian> <directory> [job [option ...]]
Prints: wall <s> read <s> write <s> cpu <s> rss_mb <MB>
With --scale among the options nothing is asked: read is the whole run.
Prefixing the command (for example with taskset) goes through MERIDIAN_BENCH_PREFIX.
"""
import os
import subprocess
import sys
import time

PROMPT = b"Input the scale factor of presented deformation ="


def main() -> int:
    binary, directory = sys.argv[1], sys.argv[2]
    job = sys.argv[3] if len(sys.argv) > 3 else "1"
    options = sys.argv[4:]
    prefix = os.environ.get("MERIDIAN_BENCH_PREFIX", "").split()
    args = prefix + [binary] + ([] if job == "1" else ["--job", job]) + options
    asks = job == "1" and not any(o.startswith("--scale") for o in options)
    start = time.monotonic()
    process = subprocess.Popen(args, cwd=directory, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    asked = None
    seen = b""
    if asks:
        while PROMPT not in seen:
            chunk = process.stdout.read1(4096)
            if not chunk:
                break
            seen += chunk
        asked = time.monotonic()
        process.stdin.write(b"10\n")
    process.stdin.close()
    process.stdout.read()
    # wait4 gives this child's own resource use (CPU time, peak memory).
    _, wait_status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(wait_status)
    status = process.returncode
    end = time.monotonic()
    if status != 0:
        print(f"meridian ended with status {status}", file=sys.stderr)
        return 1
    read = (asked or end) - start
    cpu = usage.ru_utime + usage.ru_stime
    print(f"wall {end - start:.3f} read {read:.3f} write {end - (asked or end):.3f} "
          f"cpu {cpu:.3f} rss_mb {usage.ru_maxrss / 1024:.1f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
