#!/bin/bash
# Makes the disk-scale benchmark images, which are too large to commit and
# take minutes to make (never run in CI):
#   ntfs-200k.img  3 GiB NTFS volume, 200,000 files of 1-16 KiB in 200
#                  folders, a third deleted again
#   fat32-50k.img  2 GiB FAT32 volume, 50,000 files of 1-16 KiB in 250
#                  folders, a fifth deleted again
#   ntfs-1m.img    NTFS volume whose MFT holds 1,000,000 records: 1,000
#                  folders of 1,000 empty files
# The first two are filled with random bytes before they are formatted, so
# that every sector is written: a scan of them reads real data, not holes.
# Usage: bench/make_disk_scale_images.sh [DIR] [ntfs-200k|fat32-50k|ntfs-1m]...
# Needs root (FUSE), mkntfs, ntfs-3g, mkfs.fat, mtools and python3.
set -euo pipefail
DIR=${1:-build/bench-data}
shift || true
WHICH=("$@")
[ ${#WHICH[@]} -eq 0 ] && WHICH=(ntfs-200k fat32-50k ntfs-1m)
mkdir -p "$DIR"
DIR=$(cd "$DIR" && pwd)
MNT=$(mktemp -d)
TREE=$(mktemp -d)
trap 'cd /; mountpoint -q "$MNT" && umount "$MNT"; rmdir "$MNT"; rm -rf "$TREE"' EXIT

random_fill() {  # FILE BYTES: every byte written, none a hole
  head -c "$2" /dev/urandom >"$1"
}

unmount() {
  cd /
  for _ in $(seq 1 20); do umount "$MNT" 2>/dev/null && return; sleep 1; done
  echo "cannot unmount $MNT" >&2
  exit 1
}

# Writes FILES files of 1-16 KiB into each of FOLDERS folders below ROOT,
# then deletes every DELETE-th file again (none when 0); the contents tell
# the files apart.
write_tree() {  # ROOT FOLDERS FILES DELETE
  python3 - "$@" <<'EOF'
import os, random, sys
root, folders, files, every = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
rng = random.Random(19)
for d in range(folders):
    path = os.path.join(root, "folder_%04d" % d)
    os.mkdir(path)
    for f in range(files):
        size = rng.randint(1024, 16384)
        head = ("%d/%d " % (d, f)).encode()
        with open(os.path.join(path, "file_%04d_%04d_report.txt" % (d, f)), "wb") as out:
            out.write((head * (size // len(head) + 1))[:size])
for d in range(folders if every else 0):
    for f in range(0, files, every):
        os.remove(os.path.join(root, "folder_%04d" % d, "file_%04d_%04d_report.txt" % (d, f)))
EOF
}

make_ntfs_200k() {
  local img=$DIR/ntfs-200k.img
  random_fill "$img" $((3 << 30))
  mkntfs -q -Q -F -s 512 -c 4096 -L SCALE "$img" 2>/dev/null
  ntfs-3g "$img" "$MNT"
  write_tree "$MNT" 200 1000 3
  unmount
  echo "$img"
}

make_fat32_50k() {
  local img=$DIR/fat32-50k.img
  random_fill "$img" $((2 << 30))
  # mkfs.fat writes the reserved area, the FATs and the root only: the data
  # area keeps its random bytes, as a used disk keeps old data.
  mkfs.fat -F 32 -s 8 -n SCALE "$img" >/dev/null
  write_tree "$TREE" 250 200 0
  export MTOOLS_SKIP_CHECK=1
  mcopy -s -Q -i "$img" "$TREE"/folder_* ::/
  # Every fifth file deleted on the volume itself (numbers ending in 0 or 5),
  # so that its entries stay behind marked deleted.
  local patterns=()
  for d in $(seq -f %04g 0 249); do
    patterns+=("::/folder_$d/file_${d}_???0_report.txt" "::/folder_$d/file_${d}_???5_report.txt")
  done
  mdel -i "$img" "${patterns[@]}"
  echo "$img"
}

make_ntfs_1m() {
  local img=$DIR/ntfs-1m.img
  rm -f "$img"
  truncate -s 3G "$img"
  mkntfs -q -Q -F -s 512 -c 4096 -L MILLION "$img" 2>/dev/null
  ntfs-3g "$img" "$MNT"
  # Two writers at a time: ntfs-3g serialises most of the work anyway.
  seq -w 0 999 | xargs -P 2 -I{} sh -c \
    'mkdir "$0/folder_{}" && cd "$0/folder_{}" && seq -w 0 999 | sed "s/^/empty_file_{}_/" | xargs touch' "$MNT"
  unmount
  echo "$img"
}

for w in "${WHICH[@]}"; do
  case $w in
    ntfs-200k) make_ntfs_200k ;;
    fat32-50k) make_fat32_50k ;;
    ntfs-1m) make_ntfs_1m ;;
    *) echo "unknown image $w" >&2; exit 2 ;;
  esac
done
