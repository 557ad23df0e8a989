#!/bin/bash
# Makes the exFAT image the listing benchmark reads: 50,000 small files in
# 100 folders, a tenth of them deleted again. Too large to commit; made on
# demand:
#   bench/make_exfat_bench_image.sh build/bench-data/exfat-50k.img
# Needs root: mkfs.exfat (exfatprogs), exfat-fuse on a loop device.
set -euo pipefail
IMG=${1:-build/bench-data/exfat-50k.img}
mkdir -p "$(dirname "$IMG")"
IMG=$(cd "$(dirname "$IMG")" && pwd)/$(basename "$IMG")
MNT=$(mktemp -d)
LOOP=
cleanup() {
  cd /
  mountpoint -q "$MNT" && umount "$MNT"
  [ -n "$LOOP" ] && losetup -d "$LOOP"
  rmdir "$MNT"
}
trap cleanup EXIT
rm -f "$IMG"
truncate -s 400M "$IMG"
mkfs.exfat -c 4K -L BENCH "$IMG" >/dev/null
LOOP=$(losetup -f --show "$IMG")
mount.exfat-fuse "$LOOP" "$MNT" >/dev/null 2>&1
cd "$MNT"
for d in $(seq -w 0 99); do
  mkdir "folder_$d"
  (cd "folder_$d" && for f in $(seq -w 0 499); do echo "$d $f" >"file_${d}_${f}_with_a_longer_name.txt"; done)
done
for d in $(seq -w 0 99); do rm -f "folder_$d"/file_${d}_?0?_with_a_longer_name.txt; done
cd /
umount "$MNT"
for _ in $(seq 50); do losetup -d "$LOOP" 2>/dev/null && break; sleep 0.2; done
LOOP=
echo "$IMG"
