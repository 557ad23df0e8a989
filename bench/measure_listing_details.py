#!/usr/bin/env python3
"""Counts, beside The Sleuth Kit on the same images, what the list and
recover commands make of named streams, metadata folders, stamps and
short-name case.

Usage: bench/measure_listing_details.py CLI IMAGE...  (images uncompressed;
a "NAME.manifest" beside an image, as the NTFS fixtures have, gives the
files and streams with their sha256)

Per image it prints:
  listed      entries the list command prints / lines fls -r -p prints
              (metadata files, unnamed orphans and fls's "folder/.:stream"
              repeats left out of fls's count, made-up "[Folder]N" nodes
              out of ours)
  streams     "file:stream" entries listed by us / by fls
  exact       manifest rows recovered byte-exact by us (recover, the whole
              volume) / by TSK (tsk_recover -e for files, icat for streams)
  madeup      entries of ours under a made-up "[Folder]11" or among the
              file system's own files ($MFT ... $Extend)
  stamps      entries whose modified second equals fls -m's / entries
              both list; and the share of odd modified seconds, ours / TSK
  names       entry names equal to fls's names (case-sensitive) / entries
              both list (compared case-insensitively)
"""
import calendar
import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, **kw)


def ours_list(cli, img):
    out = run([cli, "--no-devices", "list", img, "--json"]).stdout
    return [json.loads(l) for l in out.splitlines() if l.strip()]


NTFS_METADATA = ("$MFT", "$MFTMirr", "$LogFile", "$Volume", "$AttrDef", "$Bitmap", "$Boot", "$BadClus",
                 "$Secure", "$UpCase", "$Extend", "$MBR", "$FAT1", "$FAT2")


def is_metadata(path):
    top = path.split("/")[0].split(":")[0]
    return top in NTFS_METADATA


def tsk_list(img):
    rows = []
    for line in run(["fls", "-r", "-p", img]).stdout.splitlines():
        m = re.match(r"^(\S+) (\* )?([0-9-]+)(\(realloc\))?:\t(.*)$", line)
        if not m:
            continue
        path = m.group(5)
        if "/.:" in path or is_metadata(path) or path == "$OrphanFiles":
            continue
        if path.startswith("$OrphanFiles/"):
            # Unused records fls shows without a name are no files; named
            # orphans are listed here under a lost folder "[Folder]N".
            if re.match(r"^\$OrphanFiles/OrphanFile-\d+$", path):
                continue
            path = path[len("$OrphanFiles/"):]
        if path.endswith(" (Volume Label Entry)"):
            continue
        rows.append((m.group(1), m.group(3), path, m.group(2) is not None))
    return rows


def tsk_mtimes(img):
    times = {}
    for line in run(["fls", "-r", "-p", "-m", "", img]).stdout.splitlines():
        f = line.split("|")
        if len(f) < 11 or "($FILE_NAME)" in f[1]:
            continue
        path = f[1].lstrip("/")
        if path.endswith(" (deleted)"):
            path = path[: -len(" (deleted)")]
        times[path] = int(f[8])
    return times


def iso_seconds(text):
    if not text:
        return None
    m = re.match(r"^(\d{4})-(\d\d)-(\d\d)T(\d\d):(\d\d):(\d\d)(\.\d+)?(Z?)$", text)
    if not m:
        return None
    y, mo, d, h, mi, s = (int(m.group(i)) for i in range(1, 7))
    # Wall-clock stamps (no Z) are read as UTC, as the tests run (TZ=UTC).
    return calendar.timegm((y, mo, d, h, mi, s, 0, 0, 0))


def sha(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for chunk in iter(lambda: f.read(1 << 20), b""):
            h.update(chunk)
    return h.hexdigest()


def manifest_rows(img):
    """(path, kind, sha256) of the files and streams a manifest beside the
    image names: NAME.manifest (path, [kind,] size, sha256, state) or the
    folder's manifest.tsv (image, ..., path, kind, size, sha256, state)."""
    rows = []
    own = re.sub(r"\.img$", ".manifest", img)
    shared = os.path.join(os.path.dirname(img), "manifest.tsv")
    if os.path.exists(own):
        for line in open(own, encoding="utf-8"):
            f = line.rstrip("\n").split("\t")
            if line.startswith("#") or len(f) < 4:
                continue
            if f[1].isdigit():
                rows.append((f[0], "file", f[2]))
            elif f[1] in ("file", "stream"):
                rows.append((f[0], f[1], f[3]))
    elif os.path.exists(shared):
        for line in open(shared, encoding="utf-8"):
            f = line.rstrip("\n").split("\t")
            if line.startswith("#") or len(f) < 10 or f[0] != os.path.basename(img) or f[6] != "file":
                continue
            rows.append((f[5], "file", f[8]))
    return rows


def output_name(path):
    # Our recovered copy of "dir/file:stream" is "dir/file_stream".
    head, _, tail = path.rpartition("/")
    return (head + "/" if head else "") + tail.replace(":", "_")


def measure(cli, img):
    ours = ours_list(cli, img)
    tsk = tsk_list(img)
    # A lost folder "[Folder]N" is ours alone; what it holds fls lists too.
    ours = [e for e in ours if not re.match(r"^\[Folder\]\d+$", e["path"])]
    our_paths = {re.sub(r"^\[Folder\]\d+/", "", e["path"]) for e in ours}
    tsk_paths = {p for _, _, p, _ in tsk}
    streams_ours = sum(1 for p in our_paths if ":" in p.rpartition("/")[2])
    streams_tsk = sum(1 for p in tsk_paths if ":" in p.rpartition("/")[2])
    madeup = sum(1 for e in ours_list(cli, img) if e["path"].startswith("[Folder]11") or is_metadata(e["path"]))

    exact = "-"
    rows = manifest_rows(img)
    if rows:
        with tempfile.TemporaryDirectory() as work:
            mine = os.path.join(work, "ours")
            theirs = os.path.join(work, "tsk")
            os.makedirs(mine)
            os.makedirs(theirs)
            run([cli, "--no-devices", "recover", img, "--out", mine])
            run(["tsk_recover", "-e", img, theirs])
            inode = {p: i for _, i, p, _ in tsk}
            ok_ours = ok_tsk = 0
            for path, kind, digest in rows:
                p = os.path.join(mine, output_name(path))
                if os.path.isfile(p) and sha(p) == digest:
                    ok_ours += 1
                if kind == "file":
                    t = os.path.join(theirs, path)
                    # tsk_recover writes no empty files.
                    if (os.path.isfile(t) and sha(t) == digest) or (
                        digest == hashlib.sha256(b"").hexdigest() and path in tsk_paths):
                        ok_tsk += 1
                elif path in inode:
                    data = subprocess.run(["icat", img, inode[path]], capture_output=True).stdout
                    ok_tsk += hashlib.sha256(data).hexdigest() == digest
            exact = f"{ok_ours}/{ok_tsk}/{len(rows)}"

    mt = tsk_mtimes(img)
    both = same = odd_ours = odd_tsk = 0
    for e in ours:
        t = mt.get(e["path"])
        s = iso_seconds(e.get("modified"))
        if t is None or s is None or t == 0:
            continue
        both += 1
        same += s == t
        odd_ours += s % 2
        odd_tsk += t % 2

    lower_tsk = {p.lower(): p for p in tsk_paths}
    name_both = name_same = 0
    for p in our_paths:
        q = lower_tsk.get(p.lower())
        if q is None:
            continue
        name_both += 1
        name_same += p == q

    pct = lambda a, b: f"{100 * a // b}%" if b else "-"
    print(f"{os.path.basename(img)}\t{len(ours)}/{len(tsk)}\t{streams_ours}/{streams_tsk}\t{exact}\t{madeup}\t"
          f"{same}/{both} odd {pct(odd_ours, both)}/{pct(odd_tsk, both)}\t{name_same}/{name_both}")


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    os.environ["TZ"] = "UTC"
    print("image\tlisted\tstreams\texact(ours/tsk/rows)\tmadeup\tstamps\tnames")
    for img in sys.argv[2:]:
        measure(sys.argv[1], img)
    return 0


if __name__ == "__main__":
    sys.exit(main())
