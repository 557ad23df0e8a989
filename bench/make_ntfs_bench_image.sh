#!/bin/bash
# Makes the NTFS image the scan benchmark reads: 100,000 small files in 100
# folders (over 100,000 MFT records), a tenth of them deleted again.
# Too large to commit; made on demand:
#   bench/make_ntfs_bench_image.sh build/bench-data/ntfs-100k.img
# Needs root (FUSE), mkntfs and ntfs-3g.
set -euo pipefail
IMG=${1:-build/bench-data/ntfs-100k.img}
mkdir -p "$(dirname "$IMG")"
IMG=$(cd "$(dirname "$IMG")" && pwd)/$(basename "$IMG")
MNT=$(mktemp -d)
trap 'cd /; mountpoint -q "$MNT" && umount "$MNT"; rmdir "$MNT"' EXIT
rm -f "$IMG"
truncate -s 400M "$IMG"
mkntfs -q -F -f -s 512 -c 4096 -L BENCH "$IMG" 2>/dev/null
ntfs-3g "$IMG" "$MNT"
cd "$MNT"
for d in $(seq -w 0 99); do
  mkdir "folder_$d"
  (cd "folder_$d" && for f in $(seq -w 0 999); do echo "$d $f" > "file_${d}_${f}_with_a_longer_name.txt"; done)
done
# A tenth deleted at the end (ntfs-3g would reuse records freed earlier),
# as a used volume would hold.
for d in $(seq -w 0 99); do rm -f "folder_$d"/file_${d}_?0?_with_a_longer_name.txt; done
cd /
for _ in 1 2 3 4 5 6 7 8 9 10; do umount "$MNT" 2>/dev/null && break; sleep 1; done
echo "$IMG"
