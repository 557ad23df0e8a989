#!/bin/bash
# Times the first command on a fresh Debian 12 machine: a clean clone of
# this repository's HEAD in a new debootstrap chroot, then ./scripts/tarnwell
# up to the demo disk's listing, package downloads and installs included, on
# two cores; then the same command again with nothing changed.
#   sudo bench/measure_first_run.sh [--priority] [WORKDIR]
#                                     (WORKDIR default /var/tmp/tarnwell-first-run)
# Needs root, debootstrap and the Debian mirror. The fresh system is made
# once (WORKDIR/base.tar) and unpacked anew for every measurement.
# --priority runs it in a session of its own whose scheduling group is
# favoured (nice -10) over the other sessions: on a machine others are
# building on, the run then sees about the two idle cores it would have.
set -euo pipefail
if [ "${1:-}" = --priority ]; then
  shift
  if [ -z "${TARNWELL_FIRST_RUN_SESSION:-}" ]; then
    TARNWELL_FIRST_RUN_SESSION=1 exec setsid --wait "$0" --priority "$@"
  fi
  echo -10 >/proc/self/autogroup
fi
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

# Prints the wall time and the processor time (user + system, all children)
# of one run. On a machine that others load too, the processor time tells
# what the run itself cost: the wall time on two idle cores is about the
# package installation's wall time plus half the build's processor time.
run() {
  local status=0 TIMEFORMAT
  TIMEFORMAT="%R %U %S"
  { time taskset -c 0,1 chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      bash -c 'cd /root/tarnwell && ./scripts/tarnwell' >"$work/$1.log" 2>&1 || status=$?; } 2>"$work/$1.time"
  read -r real user sys <"$work/$1.time"
  printf '%s: %.1f s wall, %.1f s processor (load average before: %s)\n' "$1" "$real" \
    "$(echo "$user + $sys" | bc)" "$2"
  [ "$status" -eq 0 ] || { echo "$1 failed ($status), see $work/$1.log" >&2; tail -5 "$work/$1.log" >&2; exit 1; }
}
run first "$(cut -d' ' -f1-3 /proc/loadavg)"
# apt's own record of how long the package installation took.
awk '/^Start-Date/ { start = $2 " " $3 } /^End-Date/ { end = $2 " " $3 } END { print start "|" end }' \
  "$root/var/log/apt/history.log" | {
  IFS='|' read -r from to
  echo "  of which apt-get install: $(( $(date -d "$to" +%s) - $(date -d "$from" +%s) )) s"
}
grep -q "Deleted entries on" "$work/first.log" || { echo "no demo listing, see $work/first.log" >&2; exit 1; }
run rerun "$(cut -d' ' -f1-3 /proc/loadavg)"
