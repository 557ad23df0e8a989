#!/bin/bash
# Makes the images the signature scan is measured on (too large to commit;
# minutes to make, as root):
#   card.img   a 128 MiB FAT32 card with 1 KiB clusters: photos, documents
#              and media copied on, a third of them deleted, more copied on
#              into the holes (those files come out fragmented, as on a
#              card that was used), then formatted again with mkfs.fat and
#              its first 10 % zeroed
#   ntfs.img   a 256 MiB NTFS volume with the same files, all deleted, then
#              a third of the volume overwritten by a new file
#   originals/ the files, and originals.sha256 their hashes: what a
#              recovery should give back byte for byte
# The files: make_carve_samples.py's (every family, --scale 4), made more
# numerous by copying the pictures, plus every file in SAMPLE_DIR... (for
# instance camera pictures).
# Usage: bench/make_carve_images.sh OUT [SAMPLE_DIR...]
# Needs root (FUSE), python3, ImageMagick, mkfs.fat, mtools, mkntfs, ntfs-3g.
set -euo pipefail
OUT=${1:?usage: make_carve_images.sh OUT [SAMPLE_DIR...]}
shift
HERE=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
MNT=$(mktemp -d)
trap 'cd /; mountpoint -q "$MNT" && umount "$MNT"; rmdir "$MNT"' EXIT
export MTOOLS_SKIP_CHECK=1

rm -rf "$OUT/originals" "$OUT/first" "$OUT/second"
mkdir -p "$OUT/originals"
python3 "$HERE/../tests/fixtures/carve/make_carve_samples.py" "$OUT/originals" --scale 4 >/dev/null
# More pictures: each generated one again at other sizes, as a camera
# writes many; then whatever the sample folders hold.
for f in "$OUT"/originals/*.jpg; do
  for size in 4000x3000 3000x2000 1600x1200 1024x768 640x480; do
    convert "$f" -resize "$size!" -quality 90 "${f%.jpg}-$size.jpg"
  done
done
for dir in "$@"; do
  find "$dir" -type f -size -8M \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.heic' -o -iname '*.heif' \
    -o -iname '*.tif' -o -iname '*.tiff' -o -iname '*.png' \) -print0 |
    while IFS= read -r -d '' f; do cp "$f" "$OUT/originals/x$(printf '%04d' $((RANDOM % 10000)))-$(basename "$f" | tr ' ' _)"; done
done
# Files that come out the same are one original.
(cd "$OUT/originals" && sha256sum * | sort | awk '!seen[$1]++' >../originals.sha256)
cut -d' ' -f3- "$OUT/originals.sha256" >"$OUT/names"
mkdir -p "$OUT/first" "$OUT/second"
# Two thirds go on first; of those, every third one is deleted again, and
# the rest go on into the holes.
n=0
while IFS= read -r name; do
  n=$((n + 1))
  if [ $((n % 3)) -eq 0 ]; then ln "$OUT/originals/$name" "$OUT/second/$name"; else ln "$OUT/originals/$name" "$OUT/first/$name"; fi
done <"$OUT/names"

card=$OUT/card.img
rm -f "$card"
truncate -s 128M "$card"
mkfs.fat -F 32 -s 2 -n CARD "$card" >/dev/null
# Pictures in DCIM/100CARD as a camera keeps them, the rest in FILES.
folder_of() { case "${1,,}" in *.jpg | *.jpeg | *.heic | *.heif | *.tif | *.tiff) echo DCIM/100CARD ;; *) echo FILES ;; esac; }
mmd -i "$card" ::/DCIM ::/DCIM/100CARD ::/FILES
for f in "$OUT"/first/*; do mcopy -i "$card" "$f" "::/$(folder_of "$f")/"; done
k=0
for f in "$OUT"/first/*; do
  k=$((k + 1))
  [ $((k % 3)) -eq 0 ] && mdel -i "$card" "::/$(folder_of "$f")/$(basename "$f")"
done
# mtools follows the FSInfo "next free cluster" hint: set it back to 2 so
# that the next files fill the holes first.
printf '\002\000\000\000' | dd of="$card" bs=1 seek=$((512 + 0x1EC)) conv=notrunc status=none
for f in "$OUT"/second/*; do mcopy -i "$card" "$f" "::/$(folder_of "$f")/"; done
# How many pieces each file lies in, before the card is formatted again
# (The Sleuth Kit's istat lists its sectors): fragments.tsv.
fls -r -p -F -u "$card" | grep -v -e '(Volume Label' -e $'\t\\$' | while IFS=$'\t' read -r head path; do
  inode=${head##* }; inode=${inode%:}
  istat "$card" "$inode" | awk -v name="$(basename "$path")" '
    /^Sectors:/ { on = 1; next }
    on { for (i = 1; i <= NF; i++) if ($i != 0) { if (last != "" && $i != last + 1) pieces++; last = $i } }
    END { print name "\t" pieces + 1 }'
done >"$OUT/fragments.tsv"
mkfs.fat -F 32 -s 2 -n CARD "$card" >/dev/null
dd if=/dev/zero of="$card" bs=1M count=$((128 / 10)) conv=notrunc status=none

ntfs=$OUT/ntfs.img
rm -f "$ntfs"
truncate -s 256M "$ntfs"
mkntfs -q -Q -F -s 512 -c 4096 -L DELETED "$ntfs" 2>/dev/null
ntfs-3g "$ntfs" "$MNT"
cp "$OUT"/originals/* "$MNT"/
sync
rm -f "$MNT"/*
head -c $((256 / 3))M /dev/urandom >"$MNT/new-data.bin"
cd /
umount "$MNT"
rm -rf "$OUT/first" "$OUT/second" "$OUT/names"
echo "$(wc -l <"$OUT/originals.sha256") originals, $(du -sh "$OUT/originals" | cut -f1)"
ls -l "$card" "$ntfs"
