#!/bin/bash
# Times the first command on a fresh Debian 12 machine: a clean clone of
# this repository's HEAD in a new debootstrap chroot, then ./scripts/tarnwell
# up to the demo disk's listing, package downloads and installs included, on
# two cores; then the same command again with nothing changed.
#   sudo bench/measure_first_run.sh [WORKDIR]     (default /var/tmp/tarnwell-first-run)
# Needs root, debootstrap and the Debian mirror. The fresh system is made
# once (WORKDIR/base.tar) and unpacked anew for every measurement.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/var/tmp/tarnwell-first-run}
root=$work/root
mkdir -p "$work"

if [ ! -f "$work/base.tar" ]; then
  rm -rf "$work/base"
  debootstrap bookworm "$work/base" http://deb.debian.org/debian >"$work/debootstrap.log"
  tar -C "$work/base" -cf "$work/base.tar" .
  rm -rf "$work/base"
fi

rm -rf "$root"
mkdir -p "$root"
tar -C "$root" -xf "$work/base.tar"
git clone --quiet --no-local "$repo" "$root/root/tarnwell"
git -C "$root/root/tarnwell" checkout --quiet "$(git -C "$repo" rev-parse HEAD)"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
mount -t devpts devpts "$root/dev/pts"
trap 'umount "$root/dev/pts" "$root/dev" "$root/sys" "$root/proc"' EXIT

run() {
  local start end status=0
  start=$(date +%s.%N)
  taskset -c 0,1 chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c 'cd /root/tarnwell && ./scripts/tarnwell' >"$work/$1.log" 2>&1 || status=$?
  end=$(date +%s.%N)
  printf '%s: %.1f s (load average before: %s)\n' "$1" "$(echo "$end - $start" | bc)" "$2"
  [ "$status" -eq 0 ] || { echo "$1 failed ($status), see $work/$1.log" >&2; tail -5 "$work/$1.log" >&2; exit 1; }
}
run first "$(cut -d' ' -f1-3 /proc/loadavg)"
grep -q "Deleted entries on" "$work/first.log" || { echo "no demo listing, see $work/first.log" >&2; exit 1; }
run rerun "$(cut -d' ' -f1-3 /proc/loadavg)"
