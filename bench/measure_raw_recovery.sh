#!/usr/bin/env bash
# Counts the files that `tarnwell-cli raw-recover` and The Sleuth Kit's
# `tsk_recover -e` each give back byte-exact from the reformatted FAT32
# fixtures, checked against the sha256 sums of the fixture manifests.
# The Sleuth Kit is counted twice: the files tsk_recover leaves in its output
# folder (same-named orphans overwrite each other there), and icat of every
# file fls lists (what it found, names aside).
# Needs a build (./scripts/build) and sleuthkit. Run from anywhere:
#   bench/measure_raw_recovery.sh [BUILD-DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
cli=$build/cli/tarnwell-cli
for tool in tsk_recover fls icat sha256sum; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# count_exact MANIFEST IMAGE-NAME HASH-LIST: manifest files of the image
# whose sum is in the list, and how many files the image has.
count_exact() {
  awk -F'\t' -v img="$2" 'NR == FNR { got[$1] = 1; next }
    $1 == img && $7 == "file" { n++; if ($9 in got) hit++ }
    END { printf "%d of %d", hit, n }' "$3" "$1"
}
sums_below() { find "$1" -type f -print0 | xargs -0 -r sha256sum | cut -d' ' -f1 | sort -u; }

compare() {
  local manifest=$1 name=$2 image=$build/fixtures/$3
  local ours=$work/ours-$name tsk=$work/tsk-$name
  "$cli" --no-devices raw-recover "$image:0" --out "$(mkdir -p "$ours" && echo "$ours")" >/dev/null 2>&1
  sums_below "$ours" >"$work/ours.sums"
  tsk_recover -e "$image" "$tsk" >/dev/null
  sums_below "$tsk" >"$work/tsk.sums"
  : >"$work/icat.sums"
  fls -r -p "$image" | awk -F'\t' '$1 ~ /^[-r]\/r / { split($1, a, " "); print a[length(a)] }' |
    tr -d ':' | while read -r inode; do icat "$image" "$inode" | sha256sum | cut -d' ' -f1; done |
    sort -u >"$work/icat.sums"
  echo "$3:"
  echo "  raw-recover        $(count_exact "$manifest" "$name" "$work/ours.sums")"
  echo "  tsk_recover -e     $(count_exact "$manifest" "$name" "$work/tsk.sums")"
  echo "  fls + icat         $(count_exact "$manifest" "$name" "$work/icat.sums")"
  local missed
  missed=$(awk -F'\t' -v img="$name" 'NR == FNR { got[$1] = 1; next }
    $1 == img && $7 == "file" && !($9 in got) { print "    " $6 }' "$work/ours.sums" "$manifest")
  [ -z "$missed" ] || printf '  not exact from raw-recover:\n%s\n' "$missed"
}

compare "$top/tests/fixtures/raw/MANIFEST" fat32-reformatted.img raw/fat32-reformatted.img
compare "$top/tests/fixtures/fat-deleted/MANIFEST" fat32-reformat.img fat-deleted/fat32-reformat.img
