#!/bin/bash
# Counts what the signature scan gives back from the images that
# bench/make_carve_images.sh makes, beside PhotoRec in the same run:
# originals recovered byte for byte, outputs that match no original (for
# ours, how many of those are files reported damaged and written only as
# far as they validated), all outputs, and the time each took.
#   card.img  ours: the whole image, every sector (its file system is gone)
#   ntfs.img  ours: the volume's free clusters, and every sector as PhotoRec
#             searches it
# PhotoRec: photorec /log /d OUT /cmd IMG partition_none,options,paranoid,
#           fileopt,everything,enable,wholespace,search
# For the card, also how many of the originals that lay in two pieces
# (fragments.tsv, from The Sleuth Kit before the card was formatted) each
# gave back byte for byte.
# Usage: bench/measure_carving.sh CLI DIR
set -euo pipefail
CLI=$(readlink -f "$1")
DIR=$(cd "$2" && pwd)
exec python3 - "$CLI" "$DIR" <<'PYEOF'
import hashlib, os, shutil, subprocess, sys, tempfile, time

cli, folder = sys.argv[1], sys.argv[2]
names = {}
for line in open(os.path.join(folder, "originals.sha256")):
    digest, name = line.rstrip("\n").split(None, 1)
    names[digest] = name
originals = set(names)
pieces = {}
if os.path.exists(os.path.join(folder, "fragments.tsv")):
    for line in open(os.path.join(folder, "fragments.tsv")):
        name, count = line.rstrip("\n").rsplit("\t", 1)
        pieces[name] = int(count)
two = {d for d, n in names.items() if pieces.get(n) == 2}

def hashes(root):
    out = []
    for base, _, files in os.walk(root):
        for f in files:
            if f.endswith((".log", ".xml")) and base == root:
                continue
            path = os.path.join(base, f)
            with open(path, "rb") as fh:
                out.append((hashlib.sha256(fh.read()).hexdigest(), "/damaged" in base or f.startswith("b")))
    return out

def count(root, damaged_marked):
    found = hashes(root)
    exact = {h for h, _ in found} & originals
    nothing = [d for h, d in found if h not in originals]
    return len(exact), len(nothing), sum(nothing) if damaged_marked else 0, len(found), len(exact & two)

def ours(image, target, extra):
    out = tempfile.mkdtemp(prefix="carve-ours-")
    t = time.perf_counter()
    subprocess.run([cli, "-q", "--no-devices", "--image", image, "carve", target, "--out", out] + extra,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    took = time.perf_counter() - t
    result = count(out, True)
    shutil.rmtree(out)
    return result + (took,)

def photorec(image):
    work = tempfile.mkdtemp(prefix="carve-photorec-")
    t = time.perf_counter()
    subprocess.run(["photorec", "/log", "/d", os.path.join(work, "recup"), "/cmd", image,
                    "partition_none,options,paranoid,fileopt,everything,enable,wholespace,search"],
                   cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    took = time.perf_counter() - t
    found = [d for d in os.listdir(work) if d.startswith("recup")]
    result = (0, 0, 0, 0, 0)
    for d in found:
        r = count(os.path.join(work, d), False)
        result = tuple(a + b for a, b in zip(result, r))
    shutil.rmtree(work)
    return result + (took,)

print("originals: %d (on the card before it was formatted: %d in two pieces, %d in more)"
      % (len(originals), len(two), sum(1 for n in pieces.values() if n > 2)))
print("image\ttool\tbyte_exact\tof_those_in_two_pieces\tmatch_nothing\tof_which_damaged\toutputs\tseconds")
for image, runs in (("card.img", [("ours (every sector)", "card.img:0", [])]),
                    ("ntfs.img", [("ours (free clusters)", "C:", []), ("ours (every sector)", "C:", ["--all-blocks"])])):
    path = os.path.join(folder, image)
    if not os.path.exists(path):
        continue
    for name, target, extra in runs:
        target = path + target[len(image):] if target.startswith(image) else target
        e, n, d, o, t, s = ours(path, target, extra)
        t = str(t) if image == "card.img" else "-"  # the pieces were counted on the card
        print("%s\t%s\t%d\t%s\t%d\t%d\t%d\t%.1f" % (image, name, e, t, n, d, o, s), flush=True)
    e, n, d, o, t, s = photorec(path)
    t = str(t) if image == "card.img" else "-"
    print("%s\tphotorec\t%d\t%s\t%d\t-\t%d\t%.1f" % (image, e, t, n, o, s), flush=True)
PYEOF
