#!/usr/bin/python3
"""A failing disk made of an image file, for measuring copies of failing disks.

Mounts a folder holding one file, disk.img, that reads as IMAGE does except:
  --bad FIRST+COUNT        sectors that always fail (EIO), repeatable
  --weak SECTOR:FAILURES   a sector that fails FAILURES times, then reads
A read that reaches a failing sector returns the sectors before it (a short
read, as the kernel gives a failing block device's pages), or EIO when it
starts on one; with --fail-whole it fails whole with EIO, as a read passed
through a file system does (the kernel also takes a short read of a FUSE file
for its end, so that programs starting later see it shrunk). Failing reads take --bad-ms, and reads within --margin
sectors of a failing sector take --slow-ms: drives slow down around damage.

The file system is mounted with direct_io, so every read of a program
reaches this process as it was made, without the page cache in between.
The file stats (in the same folder) gives, as JSON, what was asked of the
disk so far: reads, failed reads, sectors asked for and returned, and the
sectors read more than once or twice. Runs in the foreground until
unmounted (fusermount -u MOUNT).

  faulty_disk_fuse.py IMAGE MOUNT --bad 20000+64 --weak 90000:2
"""
import argparse
import errno
import json
import os
import stat
import threading
import time

from fusepy import FUSE, FuseOSError, Operations

SECTOR = 512


class FaultyDisk(Operations):
    def __init__(self, image, bad, weak, bad_ms, slow_ms, margin, fail_whole=False):
        self.fd = os.open(image, os.O_RDONLY)
        self.size = os.fstat(self.fd).st_size
        self.bad = sorted(bad)  # (first, end) sector ranges
        self.weak = dict(weak)  # sector -> failures left
        self.bad_s = bad_ms / 1000.0
        self.slow_s = slow_ms / 1000.0
        self.margin = margin
        self.fail_whole = fail_whole
        self.mutex = threading.Lock()
        self.reads = 0
        self.failed = 0
        self.asked = 0
        self.returned = 0
        self.times_read = bytearray(self.size // SECTOR + 1)  # saturates at 255

    def _failing(self, sector):
        if self.weak.get(sector, 0) > 0:
            return True
        return any(first <= sector < end for first, end in self.bad)

    def _near_damage(self, first, end):
        lo, hi = first - self.margin, end + self.margin
        if any(lo < b_end and b_first < hi for b_first, b_end in self.bad):
            return True
        return any(lo <= s < hi for s in self.weak)

    def getattr(self, path, fh=None):
        now = time.time()
        if path == "/":
            return {"st_mode": stat.S_IFDIR | 0o555, "st_nlink": 2, "st_mtime": now, "st_ctime": now, "st_atime": now}
        if path == "/disk.img":
            return {"st_mode": stat.S_IFREG | 0o444, "st_nlink": 1, "st_size": self.size,
                    "st_mtime": now, "st_ctime": now, "st_atime": now}
        if path == "/stats":
            return {"st_mode": stat.S_IFREG | 0o444, "st_nlink": 1, "st_size": len(self._stats()),
                    "st_mtime": now, "st_ctime": now, "st_atime": now}
        raise FuseOSError(errno.ENOENT)

    def readdir(self, path, fh):
        return [".", "..", "disk.img", "stats"]

    def open(self, path, flags):
        if path not in ("/disk.img", "/stats"):
            raise FuseOSError(errno.ENOENT)
        if flags & (os.O_WRONLY | os.O_RDWR):
            raise FuseOSError(errno.EROFS)
        return 0

    def _stats(self):
        counts = self.times_read
        return (json.dumps({
            "reads": self.reads,
            "failed_reads": self.failed,
            "sectors_asked": self.asked,
            "sectors_returned": self.returned,
            "sectors_read_more_than_once": sum(1 for c in counts if c > 1),
            "sectors_read_more_than_twice": sum(1 for c in counts if c > 2),
            "most_reads_of_a_sector": max(counts) if counts else 0,
        }) + "\n").encode()

    def read(self, path, size, offset, fh):
        if path == "/stats":
            with self.mutex:
                return self._stats()[offset:offset + size]
        if offset >= self.size:
            return b""
        size = min(size, self.size - offset)
        first = offset // SECTOR
        end = (offset + size + SECTOR - 1) // SECTOR
        with self.mutex:
            self.reads += 1
            self.asked += end - first
            good_end = end
            for sector in range(first, end):
                if self._failing(sector):
                    good_end = first if self.fail_whole else sector
                    if sector in self.weak:
                        self.weak[sector] -= 1
                    break
            for sector in range(first, good_end):
                if self.times_read[sector] < 255:
                    self.times_read[sector] += 1
            self.returned += good_end - first
            failed = good_end < end
            if failed:
                self.failed += 1
            delay = self.bad_s if failed else (self.slow_s if self._near_damage(first, end) else 0)
        if delay:
            time.sleep(delay)
        if good_end == first:
            raise FuseOSError(errno.EIO)
        length = min(size, good_end * SECTOR - offset)
        return os.pread(self.fd, length, offset)


def sector_range(text):
    first, count = text.split("+")
    return int(first, 0), int(first, 0) + int(count, 0)


def weak_sector(text):
    sector, failures = text.split(":")
    return int(sector, 0), int(failures, 0)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("image")
    parser.add_argument("mount")
    parser.add_argument("--bad", type=sector_range, action="append", default=[])
    parser.add_argument("--weak", type=weak_sector, action="append", default=[])
    parser.add_argument("--bad-ms", type=float, default=20)
    parser.add_argument("--slow-ms", type=float, default=2)
    parser.add_argument("--margin", type=int, default=256)
    parser.add_argument("--fail-whole", action="store_true")
    args = parser.parse_args()
    disk = FaultyDisk(args.image, args.bad, args.weak, args.bad_ms, args.slow_ms, args.margin, args.fail_whole)
    # One request at a time, as a disk serves them.
    FUSE(disk, args.mount, foreground=True, nothreads=True, ro=True, direct_io=True)


if __name__ == "__main__":
    main()
