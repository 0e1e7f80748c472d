#!/usr/bin/python3
"""A pass-through file system in user space that ignores letter case, as
Windows, macOS and exFAT do, but takes every character Linux takes (':' too).

Usage: case_folding_fs.py BACKING_DIR MOUNT_POINT  (stays in the foreground)

Each name is looked up in its folder of BACKING_DIR without regard to case; a
file created or renamed under a name another spelling of which exists takes
that entry's place, keeping the new spelling."""

import errno
import os
import sys

from fusepy import FUSE, FuseOSError, Operations


class CaseFolding(Operations):
    def __init__(self, backing):
        self.backing = backing

    def _real(self, path):
        """The backing path of `path`, each component matched ignoring case."""
        real = self.backing
        for part in [p for p in path.split("/") if p]:
            try:
                names = os.listdir(real)
            except OSError:
                names = []
            match = next((n for n in names if n.lower() == part.lower()), part)
            real = os.path.join(real, match)
        return real

    def _fresh(self, path):
        """The backing path for a new entry `path`: an existing other spelling
        goes, the new spelling stays."""
        real = self._real(path)
        wanted = os.path.join(os.path.dirname(real), os.path.basename(path))
        if real != wanted and os.path.lexists(real):
            os.rename(real, wanted)
        return wanted

    def getattr(self, path, fh=None):
        try:
            st = os.lstat(self._real(path))
        except OSError as error:
            raise FuseOSError(error.errno)
        return {key: getattr(st, key) for key in (
            "st_atime", "st_ctime", "st_gid", "st_mode", "st_mtime", "st_nlink", "st_size",
            "st_uid")}

    def readdir(self, path, fh):
        return [".", ".."] + os.listdir(self._real(path))

    def access(self, path, mode):
        if not os.access(self._real(path), mode):
            raise FuseOSError(errno.EACCES)

    def chmod(self, path, mode):
        os.chmod(self._real(path), mode)

    def chown(self, path, uid, gid):
        os.chown(self._real(path), uid, gid)

    def create(self, path, mode, fi=None):
        return os.open(self._fresh(path), os.O_WRONLY | os.O_CREAT | os.O_EXCL, mode)

    def open(self, path, flags):
        return os.open(self._real(path), flags)

    def read(self, path, size, offset, fh):
        return os.pread(fh, size, offset)

    def write(self, path, data, offset, fh):
        return os.pwrite(fh, data, offset)

    def truncate(self, path, length, fh=None):
        os.truncate(self._real(path), length)

    def flush(self, path, fh):
        return 0

    def fsync(self, path, datasync, fh):
        os.fsync(fh)

    def release(self, path, fh):
        os.close(fh)

    def unlink(self, path):
        os.unlink(self._real(path))

    def mkdir(self, path, mode):
        os.mkdir(self._fresh(path), mode)

    def rmdir(self, path):
        os.rmdir(self._real(path))

    def rename(self, old, new):
        source = self._real(old)
        target = self._real(new)
        if os.path.lexists(target) and target != source:
            os.unlink(target)
        os.rename(source, os.path.join(os.path.dirname(target), os.path.basename(new)))

    def utimens(self, path, times=None):
        os.utime(self._real(path), times)

    def statfs(self, path):
        st = os.statvfs(self._real(path))
        return {key: getattr(st, key) for key in (
            "f_bavail", "f_bfree", "f_blocks", "f_bsize", "f_favail", "f_ffree", "f_files",
            "f_flag", "f_frsize", "f_namemax")}


if __name__ == "__main__":
    FUSE(CaseFolding(os.path.abspath(sys.argv[1])), sys.argv[2], foreground=True, nothreads=True)
