#!/bin/sh
# A good disk copied by `tarnwell-cli image` against `cat` copying the same
# disk to the same place, in the same run, rounds taken in turn; prints each
# round and the median speed ratio (tarnwell / cat: 1.00 is as fast as cat).
#   bench/measure_imaging_speed.sh CLI [SOURCE] [DEST_FOLDER] [ROUNDS]
# SOURCE defaults to build/bench-data/good-3g.img, made once (3 GiB, no
# zeros, so nothing is left as a hole); it is read once before timing, so
# every contender reads from the page cache. SOURCE may be a block device
# (a loop device over the image: `losetup -r --show -f IMAGE`). DEST_FOLDER
# defaults to /dev/shm: no write-back to wait for, so the figures are the
# copiers' own cost. On a disk-backed folder `cat` is followed by `sync` of
# its copy, as the image is made durable before its map claims it.
set -eu
cli=$(realpath "$1")
source=${2:-build/bench-data/good-3g.img}
dest=${3:-/dev/shm}
rounds=${4:-5}

if [ ! -e "$source" ]; then
  mkdir -p "$(dirname "$source")"
  /usr/bin/python3 - "$source" <<'EOF'
import random, sys
block = bytes(b | 1 for b in random.Random(7).randbytes(1 << 20))
with open(sys.argv[1], "wb") as out:
    for _ in range(3072):
        out.write(block)
EOF
fi
cat "$source" >/dev/null

sync_after_cat=
case "$(stat -f -c %T "$dest")" in tmpfs|ramfs) ;; *) sync_after_cat=yes ;; esac

# "WALL CPU" seconds of one copier (CPU: user + system), its copy removed
# again. On a busy machine the CPU figures say more than the wall clock.
timed() {
  /usr/bin/time -f "%e %U %S" -o "$dest/.time" "$@" >/dev/null
  awk '{ printf "%s %.2f", $1, $2 + $3 }' "$dest/.time"
}
time_cat() {
  if [ -n "$sync_after_cat" ]; then
    timed sh -c 'cat "$1" >"$2" && sync "$2"' cat "$source" "$dest/cat-copy.img"
  else
    timed sh -c 'cat "$1" >"$2"' cat "$source" "$dest/cat-copy.img"
  fi
  rm -f "$dest/cat-copy.img"
}
time_tarnwell() {
  timed "$cli" -q --no-devices image "$source" --out "$dest/tarnwell-copy.img"
  rm -f "$dest/tarnwell-copy.img" "$dest/tarnwell-copy.img.map"
}
wall_ratios=
cpu_ratios=
i=0
rm -f "$dest/cat-copy.img" "$dest/tarnwell-copy.img" "$dest/tarnwell-copy.img.map"
while [ $i -lt "$rounds" ]; do
  i=$((i + 1))
  # Who goes first changes every round, so neither gains from the order.
  if [ $((i % 2)) -eq 1 ]; then
    cat_t=$(time_cat)
    ours_t=$(time_tarnwell)
  else
    ours_t=$(time_tarnwell)
    cat_t=$(time_cat)
  fi
  set -- $cat_t $ours_t
  wall=$(echo "scale=3; $1 / $3" | bc)
  cpu=$(echo "scale=3; $2 / $4" | bc)
  printf 'round %d: cat %.2f s (CPU %.2f s), tarnwell-cli image %.2f s (CPU %.2f s), ratio %.2f (CPU %.2f)\n' \
    "$i" "$1" "$2" "$3" "$4" "$wall" "$cpu"
  wall_ratios="$wall_ratios $wall"
  cpu_ratios="$cpu_ratios $cpu"
done
rm -f "$dest/.time"
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# shellcheck disable=SC2086
printf 'median ratio, tarnwell speed / cat speed: %.2f wall clock, %.2f CPU time\n' \
  "$(median $wall_ratios)" "$(median $cpu_ratios)"
