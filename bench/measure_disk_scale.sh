#!/bin/bash
# Measures the disk-scale jobs on the images bench/make_disk_scale_images.sh
# makes, each beside its baseline in the same run (runs alternate, the
# median of each is kept):
#   raw-scan (text and --json) of ntfs-200k.img and fat32-50k.img  vs  cat
#   find-partitions over ntfs-200k.img as a whole disk              vs  cat
#   list (text and --json) of ntfs-1m.img                           vs  fls -r -p
# and prints one table row per job: seconds, the baseline's seconds, the
# ratio (baseline / ours: at least 0.9 is the goal against cat, above 1
# means faster than fls), peak RSS, and the peak heap per found record
# from heaptrack (when installed; the heaptrack run is not timed).
# Usage: bench/measure_disk_scale.sh CLI [DIR] [RUNS]
set -euo pipefail
CLI=$(readlink -f "$1")
DIR=${2:-build/bench-data}
RUNS=${3:-5}
exec python3 - "$CLI" "$DIR" "$RUNS" <<'EOF'
import json, os, shutil, statistics, subprocess, sys, tempfile, time

cli, folder, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
null = open(os.devnull, "wb")

def timed(cmd):
    t = time.perf_counter()
    subprocess.run(cmd, stdout=null, stderr=null, check=True)
    return time.perf_counter() - t

def peak_rss_kb(cmd):
    out = subprocess.run(["/usr/bin/time", "-f", "%M"] + cmd, stdout=null, stderr=subprocess.PIPE,
                         check=True, text=True).stderr
    return int(out.strip().splitlines()[-1])

def peak_heap_bytes(cmd):
    if not shutil.which("heaptrack"):
        return None
    with tempfile.TemporaryDirectory() as tmp:
        base = os.path.join(tmp, "heap")
        subprocess.run(["heaptrack", "-o", base] + cmd, stdout=null, stderr=null, check=True)
        data = [f for f in os.listdir(tmp) if f.startswith("heap")][0]
        report = subprocess.run(["heaptrack_print", os.path.join(tmp, data)], capture_output=True,
                                text=True).stdout
    for line in report.splitlines():
        if line.startswith("peak heap memory consumption:"):
            value = line.split(":")[1].strip()
            scale = {"K": 1e3, "M": 1e6, "G": 1e9}.get(value[-1], 1)
            return float(value.rstrip("KMGB")) * scale
    return None

def raw_records(image):
    first = subprocess.run([cli, "-q", "--no-devices", "raw-scan", image + ":0", "--json"],
                           capture_output=True, text=True, check=True).stdout.split("\n", 1)[0]
    head = json.loads(first)
    return head["fat_entries"] + head["ntfs_records"]

def listed(image):
    out = subprocess.run([cli, "-q", "--no-devices", "list", image], capture_output=True, check=True).stdout
    return out.count(b"\n")

print("job\timage\tours_s\tbaseline\tbaseline_s\tratio\tpeak_rss_MB\titems\theap_B_per_item")
def row(job, image, ours, baseline_name, baseline, items):
    for _ in range(1):  # warm the cache before the timed runs
        timed(baseline); timed(ours)
    a, b = [], []
    for _ in range(runs):
        b.append(timed(baseline))
        a.append(timed(ours))
    ta, tb = statistics.median(a), statistics.median(b)
    rss = peak_rss_kb(ours) / 1024
    heap = peak_heap_bytes(ours)
    per = "%.0f" % (heap / items) if heap and items else "-"
    print("%s\t%s\t%.3f\t%s\t%.3f\t%.2f\t%.1f\t%d\t%s" % (job, os.path.basename(image), ta, baseline_name, tb,
                                                         tb / ta, rss, items, per), flush=True)

for name in ("ntfs-200k.img", "fat32-50k.img"):
    image = os.path.join(folder, name)
    if not os.path.exists(image):
        continue
    items = raw_records(image)
    for extra in ([], ["--json"]):
        row("raw-scan" + (" --json" if extra else ""), image,
            [cli, "-q", "--no-devices", "raw-scan", image + ":0"] + extra, "cat", ["cat", image], items)
image = os.path.join(folder, "ntfs-200k.img")
if os.path.exists(image):
    row("find-partitions", image, [cli, "-q", "--no-devices", "find-partitions", image], "cat", ["cat", image], 0)
image = os.path.join(folder, "ntfs-1m.img")
if os.path.exists(image):
    items = listed(image)
    for extra in ([], ["--json"]):
        row("list" + (" --json" if extra else ""), image, [cli, "-q", "--no-devices", "list", image] + extra,
            "fls -r -p", ["fls", "-r", "-p", image], items)
EOF
