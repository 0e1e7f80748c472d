#!/usr/bin/python3
"""Results on file systems that refuse some names or ignore letter case.

Usage: file_systems_check.py MERIDIAN MAKE_LISTING RECORDS_TESTS

Job 2 on an 80-step listing, on exFAT (exfat-fuse on a loop device: ':' is
refused, case ignored) and on a case-folding pass-through in user space
(case_folding_fs.py: ':' taken, case ignored). Without --portable-names the
run must stop with the message that names the cause, leaving the files put in
place before complete; with it, every file must be the one a run on an
ordinary file system writes. Exits 77 (skipped) where the machine cannot mount.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SKIP = 77
STEPS = 80


def can_mount():
    if os.geteuid() != 0:
        return "not root"
    if not os.path.exists("/dev/fuse"):
        return "no /dev/fuse"
    for tool in ("losetup", "mkfs.exfat", "mount.exfat-fuse", "fusermount"):
        if shutil.which(tool) is None:
            return "no " + tool
    try:
        import fusepy  # noqa: F401
    except ImportError:
        return "no fusepy (python3-fusepy)"
    return None


def run(meridian, folder, *options):
    done = subprocess.run([meridian, "--job", "2", *options], cwd=folder, capture_output=True,
                          stdin=subprocess.DEVNULL, timeout=120)
    return done.returncode, done.stdout, done.stderr.decode()


def files(folder):
    return {name: open(os.path.join(folder, name), "rb").read()
            for name in sorted(os.listdir(folder)) if name != "n3dhsp"}


class Checks:
    def __init__(self):
        self.failures = 0

    def expect(self, condition, what):
        if not condition:
            self.failures += 1
            print("FAILED:", what)


def check_mount(checks, label, folder, listing, meridian, reference, expected_error, placed):
    """The runs on one mounted folder; `placed` the files the stopped run must
    leave, each as the reference run wrote it."""
    shutil.copy(listing, folder)
    status, _, error = run(meridian, folder)
    checks.expect(status == 2, f"{label}: status {status}, not 2")
    checks.expect(error == "meridian: " + expected_error + "\r\n", f"{label}: message {error!r}")
    left = files(folder)
    checks.expect(sorted(left) == sorted(placed), f"{label}: left {sorted(left)}")
    for name in placed:
        checks.expect(left.get(name) == reference["characters"][1][name],
                      f"{label}: {name} is not the complete file")
    for name in list(left):
        os.unlink(os.path.join(folder, name))
    status, output, error = run(meridian, folder, "--portable-names")
    checks.expect((status, error) == (0, ""), f"{label} --portable-names: {status} {error!r}")
    checks.expect(output == reference["portable"][0], f"{label}: console differs")
    checks.expect(files(folder) == reference["portable"][1],
                  f"{label}: --portable-names files differ from an ordinary file system's")


def main():
    meridian, make_listing, files_tests = (os.path.abspath(a) for a in sys.argv[1:4])
    reason = can_mount()
    if reason:
        print("skipped: cannot mount here:", reason)
        return SKIP
    checks = Checks()
    work = tempfile.mkdtemp(prefix="meridian-fs-")
    mounts, loop = [], None
    try:
        listing = os.path.join(work, "n3dhsp")
        subprocess.run([make_listing, listing, "27", "8", str(STEPS)], check=True,
                       stdout=subprocess.DEVNULL)
        reference = {}
        for rule, options in (("characters", ()), ("portable", ("--portable-names",))):
            folder = os.path.join(work, rule)
            os.mkdir(folder)
            shutil.copy(listing, folder)
            status, output, error = run(meridian, folder, *options)
            assert status == 0, error
            reference[rule] = (output, files(folder))
        # --portable-names changes the names of steps 10 to 78 alone.
        renamed = {(f"model_stress_{int_step(n)}.dat" if n != "model_load.dat" else n): data
                   for n, data in reference["characters"][1].items()}
        checks.expect(renamed == reference["portable"][1] and
                      reference["characters"][0] == reference["portable"][0],
                      "--portable-names changes more than the names: "
                      f"{sorted(reference['portable'][1])[:12]}")

        image = os.path.join(work, "exfat.img")
        with open(image, "wb") as f:
            f.truncate(64 << 20)
        subprocess.run(["mkfs.exfat", image], check=True, stdout=subprocess.DEVNULL)
        loop = subprocess.run(["losetup", "-f", "--show", image], check=True,
                              capture_output=True, text=True).stdout.strip()
        exfat = os.path.join(work, "exfat")
        os.mkdir(exfat)
        subprocess.run(["mount.exfat-fuse", loop, exfat], check=True, capture_output=True)
        mounts.append(exfat)
        first_nine = ["model_load.dat"] + [f"model_stress_{s}.dat" for s in range(1, 10)]
        check_mount(checks, "exFAT", exfat, listing, meridian, reference,
                    "model_stress_:.dat: cannot open for writing: the file system refuses this "
                    "name; run with --portable-names to give every file a name that any file "
                    "system takes", first_nine)
        folding = subprocess.run([files_tests, "--gtest_filter=PlacedFilesOnFoldingMount.*"],
                                 env=dict(os.environ, MERIDIAN_FOLDING_DIR=exfat),
                                 capture_output=True, text=True)
        checks.expect(folding.returncode == 0 and "[  PASSED  ] 1 test" in folding.stdout,
                      "exFAT: the second spelling is put in place:\n" + folding.stdout[-2000:])

        backing, folded = os.path.join(work, "backing"), os.path.join(work, "folded")
        os.mkdir(backing)
        os.mkdir(folded)
        server = subprocess.Popen(["/usr/bin/python3", os.path.join(HERE, "case_folding_fs.py"),
                                   backing, folded], stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        mounts.append(folded)
        for _ in range(100):
            if os.path.ismount(folded):
                break
            time.sleep(0.05)
        before_a = [n for n in reference["characters"][1]
                    if n == "model_load.dat" or int_step(n) < 49]
        check_mount(checks, "case-folding", folded, listing, meridian, reference,
                    "model_stress_a.dat: the file system does not tell this name apart from "
                    "model_stress_A.dat, written earlier in this run, so the new file is not put "
                    "in place; run with --portable-names to give every file a name of its own",
                    before_a)
    finally:
        for mount in reversed(mounts):
            subprocess.run(["fusermount", "-u", mount], capture_output=True)
            subprocess.run(["umount", mount], capture_output=True)
        if loop:
            subprocess.run(["losetup", "-d", loop], capture_output=True)
        shutil.rmtree(work, ignore_errors=True)
    print(f"{'failed' if checks.failures else 'passed'}: exFAT and case-folding mounts")
    return 1 if checks.failures else 0


def int_step(name):
    """The step of a character-named stress file."""
    suffix = name[len("model_stress_"):-len(".dat")]
    return int(suffix) if suffix.isdigit() and len(suffix) > 1 else ord(suffix) - ord("0")


if __name__ == "__main__":
    sys.exit(main())
