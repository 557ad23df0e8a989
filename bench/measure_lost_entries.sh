#!/usr/bin/env bash
# Deleted folders whose later directory clusters lie among their files'
# data (tests/fixtures/orphans/, made by make_orphan_fixtures.sh): per
# image, the deleted files of the manifest that the standard scan lists by
# their own name and recovers byte-exact (`list --json`, `recover`), beside
# what `fls -r -p` names (anywhere, its orphan folder included) and what
# `tsk_recover -e` writes byte-exact.
#  - with --disk-scale, the time `list` takes on a 2 GiB FAT32 volume of
#    4 KiB clusters that is mostly free space (every free cluster is read
#    for lost entries), beside `cat` of the same image, both from a warm
#    page cache.
# Needs a build (./scripts/build), sleuthkit, xz; mtools and dosfstools for
# --disk-scale.
#   bench/measure_lost_entries.sh [BUILD-DIR] [--disk-scale]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
disk_scale=${2:-}
cli=$build/cli/tarnwell-cli
fixtures=$top/tests/fixtures/orphans
for tool in fls tsk_recover sha256sum xz; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8

sums_below() { (cd "$1" && find . -type f -print0 | xargs -0 -r sha256sum | cut -c1-64 | sort -u); }

printf '%-20s %8s | %12s %12s | %12s %12s\n' image deleted ours_named fls_named ours_exact tsk_exact
for image in $(awk -F'\t' '$7 == "image" { print $1 }' "$fixtures/MANIFEST"); do
  raw=$work/$image
  xz -dc "$fixtures/$image.xz" >"$raw"
  awk -F'\t' -v img="$image" '$1 == img && $7 == "file" && $10 == "deleted" { n = split($6, p, "/"); print p[n] "\t" $9 }' \
    "$fixtures/MANIFEST" >"$work/deleted"
  # Ours: names from the JSON paths, files from a recovery of the volume.
  "$cli" --no-devices --image "$raw" list C: --json | sed -n 's/.*"path":"\([^"]*\)".*/\1/p' |
    awk -F/ '{ print $NF }' | sort -u >"$work/ours.names"
  rm -rf "$work/ours" && mkdir "$work/ours"
  "$cli" --no-devices --quiet --image "$raw" recover C: --out "$work/ours" >/dev/null 2>&1 || true
  sums_below "$work/ours" >"$work/ours.sums"
  # The Sleuth Kit.
  fls -r -p "$raw" | awk '{ print substr($0, index($0, ":\t") + 2) }' | awk -F/ '{ print $NF }' | sort -u >"$work/tsk.names"
  rm -rf "$work/tsk"
  tsk_recover -e "$raw" "$work/tsk" >/dev/null
  sums_below "$work/tsk" >"$work/tsk.sums"
  count() { # NAMES-OR-SUMS-FILE COLUMN
    awk -F'\t' -v col="$2" -v list="$1" 'BEGIN { while ((getline l < list) > 0) have[l] = 1 } ($col in have) { n++ } END { print n + 0 }' "$work/deleted"
  }
  printf '%-20s %8d | %12d %12d | %12d %12d\n' "$image" "$(wc -l <"$work/deleted")" \
    "$(count "$work/ours.names" 1)" "$(count "$work/tsk.names" 1)" "$(count "$work/ours.sums" 2)" "$(count "$work/tsk.sums" 2)"
  rm -f "$raw"
done

[ "$disk_scale" = "--disk-scale" ] || exit 0
command -v mkfs.fat >/dev/null && command -v mcopy >/dev/null || { echo "missing mtools or dosfstools" >&2; exit 1; }
img=$work/free2g.img
truncate -s 2G "$img"
mkfs.fat -F 32 -S 512 -s 8 -n FREE "$img" >/dev/null
head -c 50000000 /dev/urandom >"$work/data.bin"
for i in 1 2 3 4; do mcopy -i "$img" "$work/data.bin" "::/FILE$i.BIN"; done
# Real bytes in every cluster, as a used card has: the free search reads
# them all, where a sparse image's holes would cost nothing.
dd if=/dev/urandom of="$img" bs=1M seek=300 count=1700 conv=notrunc status=none
cat "$img" >/dev/null
t0=$(date +%s.%N); cat "$img" >/dev/null; t1=$(date +%s.%N)
"$cli" --no-devices --quiet --image "$img" list C: >/dev/null; t2=$(date +%s.%N)
awk -v c="$(echo "$t1 - $t0" | bc)" -v l="$(echo "$t2 - $t1" | bc)" \
  'BEGIN { printf "2 GiB FAT32, mostly free: list %.2f s, cat %.2f s, list/cat %.2f\n", l, c, l / c }'
