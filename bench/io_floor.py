#!/usr/bin/env python3
"""The I/O floor of a run: reading its listing from the file cache and writing
files of the same names and sizes as its results into a fresh folder. Nothing
is parsed or rendered; the bytes written are copies of one buffer.

Usage: io_floor.py <listing> <results folder> <scratch folder>
Prints: wall <s> read <s> write <s> bytes_written <n>
The results folder holds the files of a finished run (the listing is left
out); the scratch folder is emptied and filled with the copies.
"""
import os
import shutil
import sys
import time

CHUNK = 1 << 20


def main() -> int:
    listing, results, scratch = sys.argv[1], sys.argv[2], sys.argv[3]
    sizes = []
    for name in sorted(os.listdir(results)):
        path = os.path.join(results, name)
        if os.path.isfile(path) and name != os.path.basename(listing):
            sizes.append((name, os.path.getsize(path)))
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    buffer = b"x" * CHUNK
    start = time.monotonic()
    fd = os.open(listing, os.O_RDONLY)
    while os.read(fd, CHUNK):
        pass
    os.close(fd)
    read_done = time.monotonic()
    written = 0
    for name, size in sizes:
        out = os.open(os.path.join(scratch, name), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        left = size
        while left > 0:
            left -= os.write(out, buffer[:min(left, CHUNK)])
        os.close(out)
        written += size
    end = time.monotonic()
    print(f"wall {end - start:.3f} read {read_done - start:.3f} write {end - read_done:.3f} "
          f"bytes_written {written}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
