#!/bin/sh
# Copies one failing disk twice, with `tarnwell-cli image` and with GNU
# ddrescue, and prints side by side what each asked of the disk, what each
# copied and marked bad, and its time; then whether both marked the same
# sectors finished and bad and whether the images agree on every sector
# both read (and with the disk). The failing disk is bench/faulty_disk_fuse.py
# over a made image, restarted for each tool so both meet the same disk
# (weak sectors included). Needs root or FUSE rights, gddrescue and
# python3-fusepy.
#   bench/measure_imaging_faulty.sh CLI [WORK_FOLDER] [MEGABYTES]
# The work folder (default build/bench-data/faulty) keeps the source image.
set -eu
cli=$(realpath "$1")
work=${2:-build/bench-data/faulty}
megabytes=${3:-256}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work/mnt"
work=$(realpath "$work")
sectors=$((megabytes * 2048))

# Sector numbers in every sector's first bytes, random bytes after: a
# sector copied to the wrong place or from the wrong place shows.
if [ ! -f "$work/source-$megabytes.img" ]; then
  /usr/bin/python3 - "$work/source-$megabytes.img" "$sectors" <<'EOF'
import random, struct, sys
rng = random.Random(31)
with open(sys.argv[1], "wb") as out:
    for chunk in range(0, int(sys.argv[2]), 2048):
        out.write(b"".join(struct.pack("<Q", s) + rng.randbytes(504) for s in range(chunk, chunk + 2048)))
EOF
fi

# A bad area at the start, a large one, single bad sectors close together,
# a weak sector that reads at its third try, and a bad area at the end.
# DAMAGE replaces them (faulty_disk_fuse.py's --bad and --weak options).
damage=${DAMAGE:-"--bad 1000+10 --bad $((sectors / 4))+300 --bad $((sectors / 2))+1 --bad $((sectors / 2 + 9))+1
        --weak $((sectors * 3 / 4)):2 --bad $((sectors - 24))+24"}
fuse_pid=
start_disk() {
  # shellcheck disable=SC2086
  /usr/bin/python3 "$here/faulty_disk_fuse.py" "$work/source-$megabytes.img" "$work/mnt" $damage \
    --bad-ms "${BAD_MS:-5}" --slow-ms "${SLOW_MS:-1}" --margin 256 &
  fuse_pid=$!
  tries=0
  until [ -f "$work/mnt/disk.img" ]; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] || { echo "the failing disk did not come up" >&2; exit 1; }
    sleep 0.1
  done
}
stop_disk() {
  fusermount -u "$work/mnt"
  wait "$fuse_pid" || true
}
trap 'fusermount -u "$work/mnt" 2>/dev/null || true' EXIT

now() { date +%s.%N; }

rm -f "$work"/ddrescue.img "$work"/ddrescue.map "$work"/tarnwell.img "$work"/tarnwell.map
start_disk
t0=$(now)
ddrescue -q -r1 "$work/mnt/disk.img" "$work/ddrescue.img" "$work/ddrescue.map" || true
t1=$(now)
cp "$work/mnt/stats" "$work/ddrescue.stats"
stop_disk

start_disk
t2=$(now)
"$cli" -q --no-devices image "$work/mnt/disk.img" --out "$work/tarnwell.img" --map "$work/tarnwell.map" \
  --retries 1 >/dev/null || true
t3=$(now)
cp "$work/mnt/stats" "$work/tarnwell.stats"
stop_disk

for tool in ddrescue tarnwell; do
  ddrescuelog -b512 -l+ "$work/$tool.map" >"$work/$tool.finished"
  ddrescuelog -b512 -l- "$work/$tool.map" >"$work/$tool.bad"
done

/usr/bin/python3 - "$work" "$megabytes" "$(echo "$t1 - $t0" | bc)" "$(echo "$t3 - $t2" | bc)" <<'EOF'
import json, sys
work, megabytes, seconds = sys.argv[1], sys.argv[2], {"ddrescue": float(sys.argv[3]), "tarnwell": float(sys.argv[4])}
tools = ("ddrescue", "tarnwell")
stats = {t: json.load(open(f"{work}/{t}.stats")) for t in tools}
finished = {t: [int(x) for x in open(f"{work}/{t}.finished")] for t in tools}
bad = {t: [int(x) for x in open(f"{work}/{t}.bad")] for t in tools}
source = open(f"{work}/source-{megabytes}.img", "rb").read()

def areas(sectors):
    return sum(1 for i, s in enumerate(sectors) if i == 0 or sectors[i - 1] != s - 1)

def image_agrees(tool):
    image = open(f"{work}/{tool}.img", "rb").read()
    done = set(finished[tool])
    for s in range(len(source) // 512):
        got = image[s * 512:(s + 1) * 512]
        want = source[s * 512:(s + 1) * 512] if s in done else bytes(512)
        if len(got) < 512 and s not in done:
            got = got + bytes(512 - len(got))  # a file that ends before unread sectors
        if got != want:
            return f"no (sector {s})"
    return "yes"

rows = [
    ("time (s)", lambda t: f"{seconds[t]:.2f}"),
    ("reads asked of the disk", lambda t: stats[t]["reads"]),
    ("reads that failed", lambda t: stats[t]["failed_reads"]),
    ("sectors asked for", lambda t: stats[t]["sectors_asked"]),
    ("sectors the disk returned", lambda t: stats[t]["sectors_returned"]),
    ("good sectors read more than once", lambda t: stats[t]["sectors_read_more_than_once"]),
    ("sectors marked finished", lambda t: len(finished[t])),
    ("sectors marked bad", lambda t: len(bad[t])),
    ("bad areas", lambda t: areas(bad[t])),
    ("image = disk where finished, 0 elsewhere", image_agrees),
]
print(f"| {megabytes} MiB failing disk | ddrescue | tarnwell-cli image |")
print("|---|---|---|")
for name, value in rows:
    print(f"| {name} | {value('ddrescue')} | {value('tarnwell')} |")
print(f"| time ratio tarnwell / ddrescue | | {seconds['tarnwell'] / seconds['ddrescue']:.2f} |")
print()
print("same sectors finished:", "yes" if finished["ddrescue"] == finished["tarnwell"] else "NO")
print("same sectors bad:", "yes" if bad["ddrescue"] == bad["tarnwell"] else "NO")
a = open(f"{work}/ddrescue.img", "rb").read()
b = open(f"{work}/tarnwell.img", "rb").read()
both = set(finished["ddrescue"]) & set(finished["tarnwell"])
same = all(a[s * 512:(s + 1) * 512] == b[s * 512:(s + 1) * 512] for s in both)
print("images equal on every sector both read:", "yes" if same else "NO")
EOF
