#!/bin/bash
# Deleted files that live files were written over: which copies The Sleuth
# Kit (tsk_recover -e) and Tarnwell make with wrong bytes, and which ones
# Tarnwell's listing flags. Prints one row per deleted file of the
# overwritten fixtures and a summary per image.
# Usage: bench/measure_overwritten.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR}
cli=$build/cli/tarnwell-cli
here=$(cd "$(dirname "$0")/.." && pwd)
manifest=$here/tests/fixtures/overwritten/MANIFEST
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# sha_of DIR LEAF: sha256 of the file under DIR whose name ends in LEAF
# without its first byte (a deleted FAT short name lost it: TSK writes "_",
# Tarnwell "@" or "?"), empty when there is none.
sha_of() {
  local f
  f=$(find "$1" -type f -name "?${2:1}" | head -n1)
  [ -n "$f" ] && sha256sum "$f" | cut -d' ' -f1 || true
}

printf '%-24s %-10s %-8s %-8s %-20s %s\n' image file tsk ours state flagged-if-wrong
for image in fat16-overwritten.img exfat-overwritten.img; do
  img=$work/$image
  xz -dc "$here/tests/fixtures/overwritten/$image.xz" >"$img"
  rm -rf "$work/tsk" "$work/ours"
  mkdir -p "$work/tsk" "$work/ours"
  tsk_recover -e "$img" "$work/tsk" >/dev/null
  "$cli" --no-devices recover "$img" --out "$work/ours" >/dev/null 2>&1 || true
  listing=$("$cli" --no-devices list "$img" --deleted --json)
  files=0 flagged=0 tskWrong=0 oursWrong=0 missed=0
  while IFS=$'\t' read -r path sha; do
    leaf=${path##*/}
    tsk=$([ "$(sha_of "$work/tsk" "$leaf")" = "$sha" ] && echo exact || echo WRONG)
    ours=$([ "$(sha_of "$work/ours" "$leaf")" = "$sha" ] && echo exact || echo WRONG)
    state=$(grep -F "${leaf:1}\"" <<<"$listing" | sed -n 's/.*"recoverable":"\([a-z-]*\)".*/\1/p' | head -n1)
    ok=yes
    if [ "$tsk" = WRONG ] || [ "$ours" = WRONG ]; then
      [ "$state" = intact ] || [ -z "$state" ] && ok=NO && missed=$((missed + 1))
    fi
    files=$((files + 1))
    [ "$state" != intact ] && flagged=$((flagged + 1))
    [ "$tsk" = WRONG ] && tskWrong=$((tskWrong + 1))
    [ "$ours" = WRONG ] && oursWrong=$((oursWrong + 1))
    printf '%-24s %-10s %-8s %-8s %-20s %s\n' "$image" "$leaf" "$tsk" "$ours" "${state:--}" "$ok"
  done < <(awk -F'\t' -v i="$image" '$1 == i && $7 == "file" && $10 == "deleted" { print $6 "\t" $9 }' "$manifest")
  echo "$image: $files deleted files, $flagged flagged, TSK wrong $tskWrong, ours wrong $oursWrong, wrong but not flagged $missed"
done
