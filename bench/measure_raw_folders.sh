#!/usr/bin/env bash
# Folders past their first cluster in the raw-range scan, on the fixtures
# of tests/fixtures/raw/make_raw_folder_images.sh:
#  - fat32-longfolders.img (intact FAT32, folders of many long-named files):
#    the entries `raw-scan` finds beside those `fls -r -p` lists;
#  - fat32-requick-1k.img (quick-formatted FAT32 of 1 KiB clusters, two old
#    folders deleted): the files `raw-recover` and `photorec` each give back
#    byte-exact, checked against the manifest's sha256 sums, with `fls -r -p`
#    and `tsk_recover -e` beside them.
#  - with --disk-scale, a 2 GiB FAT32 volume that mtools fills with 250
#    folders of 200 long-named files each (50,250 entries with the folders;
#    each folder's later clusters lie between its files' data): the entries
#    `raw-scan` finds beside `fls -r -p`, and both times beside `cat`'s.
# Needs a build (./scripts/build), sleuthkit and testdisk (photorec), mtools
# and dosfstools for --disk-scale.
#   bench/measure_raw_folders.sh [BUILD-DIR] [--disk-scale]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
disk_scale=${2:-}
cli=$build/cli/tarnwell-cli
manifest=$top/tests/fixtures/raw/MANIFEST.folders
for tool in fls tsk_recover photorec sha256sum; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# fls lines that name an entry: not the label, nor The Sleuth Kit's virtual
# files and its orphan folder itself (the entries in it count).
fls_entries() { fls -r -p "$1" | grep -v -e '(Volume Label Entry)' -e ':	\$MBR$' -e ':	\$FAT[12]$' -e ':	\$OrphanFiles$' | wc -l; }
sums_below() { find "$1" -type f -print0 | xargs -0 -r sha256sum | cut -d' ' -f1 | sort -u; }
count_exact() {
  awk -F'\t' -v img="$1" -v sums="$2" 'FILENAME == sums { got[$1] = 1; next }
    $1 == img && $7 == "file" { n++; if ($9 in got) hit++ }
    END { printf "%d of %d", hit, n }' "$2" "$manifest"
}

image=$build/fixtures/raw/fat32-longfolders.img
echo "fat32-longfolders.img: entries found"
echo "  fls -r -p          $(fls_entries "$image")"
echo "  raw-scan           $("$cli" --no-devices raw-scan "$image:0" --json 2>/dev/null | grep -c '"fs":"fat"')"

image=$build/fixtures/raw/fat32-requick-1k.img
echo "fat32-requick-1k.img: files back byte-exact"
mkdir "$work/ours"
"$cli" --no-devices raw-recover "$image:0" --out "$work/ours" >/dev/null 2>&1 || true
sums_below "$work/ours" >"$work/ours.sums"
echo "  raw-recover        $(count_exact fat32-requick-1k.img "$work/ours.sums")"
echo "    of them under the lost entries: $(find "$work/ours/丢失的条目" -type f 2>/dev/null | wc -l) files"
mkdir "$work/photorec"
# photorec writes its photorec.log into the current folder.
(cd "$work" && photorec /log /d "$work/photorec/out" /cmd "$image" \
  partition_none,options,paranoid,fileopt,everything,enable,wholespace,search >/dev/null 2>&1) || true
sums_below "$work/photorec" >"$work/photorec.sums"
echo "  photorec           $(count_exact fat32-requick-1k.img "$work/photorec.sums")"
tsk_recover -e "$image" "$work/tsk" >/dev/null 2>&1 || true
sums_below "$work/tsk" >"$work/tsk.sums"
echo "  tsk_recover -e     $(count_exact fat32-requick-1k.img "$work/tsk.sums")"
echo "  fls -r -p lists    $(fls_entries "$image") entries, raw-scan $("$cli" --no-devices raw-scan "$image:0" --json 2>/dev/null | grep -c '"fs":"fat"')"

[ "$disk_scale" = --disk-scale ] || exit 0
image=$work/fat32-2g.img
truncate -s 2G "$image"
mkfs.fat -F 32 -n SCALE "$image" >/dev/null
tree=$work/tree
for d in $(seq -w 1 250); do
  mkdir -p "$tree/Folder number $d"
  for f in $(seq -w 1 200); do
    printf 'file %s of folder %s\n' "$f" "$d" >"$tree/Folder number $d/A long file name number $f of folder $d.txt"
  done
done
MTOOLS_SKIP_CHECK=1 mcopy -s -i "$image" "$tree"/* ::/
rm -rf "$tree"
echo "fat32-2g.img (250 folders of 200 long-named files, mtools): entries found"
echo "  fls -r -p          $(fls_entries "$image")"
seconds_since() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }'; }
cat "$image" >/dev/null  # both timings below start from a warm page cache
start=$(date +%s.%N)
found=$("$cli" --no-devices raw-scan "$image:0" --json 2>/dev/null | grep -c '"fs":"fat"')
ours=$(seconds_since "$start")
start=$(date +%s.%N)
cat "$image" >/dev/null
plain=$(seconds_since "$start")
echo "  raw-scan           $found  (${ours} s; cat ${plain} s)"
