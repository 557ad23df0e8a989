#!/bin/bash
# Counts what a build of the command-line front end lists and recovers on
# FAT and NTFS images, beside The Sleuth Kit on the same images:
#   listed    entries the list command prints / lines fls -r -p prints
#   recovered files the recover command wrote / files tsk_recover -e wrote
#   exact     of a manifest's files (fixtures made here), how many came
#             back byte-exact ("-" where there is no manifest)
#   agree     recovered files whose content matches a file tsk_recover -e
#             wrote
# Usage: bench/measure_recovery.sh CLI IMAGE... (images uncompressed;
# a MANIFEST in the image's folder is used when it names the image).
set -uo pipefail
cli=$1; shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'image\tlisted\tfls\trecovered\ttsk_recover\texact\tagree\n'
for img in "$@"; do
  name=$(basename "$img")
  listed=$("$cli" --no-devices --image "$img" list "$img" 2>/dev/null | wc -l)
  fls=$(fls -r -p "$img" 2>/dev/null | grep -v -E '\$(MBR|FAT1|FAT2|OrphanFiles)$' | wc -l)
  rm -rf "$work/ours" "$work/tsk"; mkdir -p "$work/ours" "$work/tsk"
  "$cli" --no-devices --image "$img" recover "$img" --out "$work/ours" >/dev/null 2>&1
  tsk_recover -e "$img" "$work/tsk" >/dev/null 2>&1
  (cd "$work/ours" && find . -type f -print0 | xargs -0 -r sha256sum | cut -c1-64 | sort) >"$work/ours.sha"
  (cd "$work/tsk" && find . -type f -print0 | xargs -0 -r sha256sum | cut -c1-64 | sort) >"$work/tsk.sha"
  exact=-
  manifest=$(dirname "$img")/MANIFEST
  [ -f "$manifest" ] || manifest=$(dirname "$0")/../tests/fixtures/fat-deleted/MANIFEST
  if grep -q "^$name	" "$manifest" 2>/dev/null; then
    exact=$(awk -F'\t' -v i="$name" '$1 == i && $7 == "file" { print $9 }' "$manifest" | sort -u |
            comm -12 - <(sort -u "$work/ours.sha") | wc -l)
    exact="$exact/$(awk -F'\t' -v i="$name" '$1 == i && $7 == "file" { print $9 }' "$manifest" | sort -u | wc -l)"
  fi
  agree=$(comm -12 <(sort -u "$work/ours.sha") <(sort -u "$work/tsk.sha") | wc -l)
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$listed" "$fls" "$(wc -l <"$work/ours.sha")" \
    "$(wc -l <"$work/tsk.sha")" "$exact" "$agree"
done
