#!/usr/bin/env bash
# Times the README's quick start as a new user meets it: on a fresh Debian 12
# root made with debootstrap, a clean copy of the committed tree (HEAD), then
# in a chroot with no DISPLAY (so the demo renders offscreen)
#   ./scripts/run.sh        and then        ./scripts/test.sh
# each from its start to its end, the packages' downloads included.
#   scripts/time-quick-start.sh [WORK_DIR]     (default build-quick-start; as root)
# Making the root is not counted. The times go to standard output and to
# WORK_DIR/times.txt, each command's output to WORK_DIR/run.log and test.log
# (each line after the seconds since its command started).
# The root is deleted at the end (KEEP_ROOT=1 keeps it); the Debian mirror is
# MIRROR (default http://deb.debian.org/debian). COMMIT=REV measures another
# commit than HEAD (an earlier one, to compare on the same day's machine), and
# ONLY=run leaves out test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
    echo "time-quick-start.sh: debootstrap and chroot need root" >&2
    exit 1
fi
scripts/setup.sh measure
work=$(mkdir -p "${1:-build-quick-start}" && cd "${1:-build-quick-start}" && pwd)
root=$work/root
mirror=${MIRROR:-http://deb.debian.org/debian}

# Whatever runs inside the root and every mount there goes on any exit, before
# the root itself: rm must never reach a bind-mounted /dev.
mounted() { awk -v root="$root" '$2 == root || index($2, root "/") == 1 { print $2 }' /proc/mounts | sort -r; }
stop_chroot() {
    local pid
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ] && kill "$pid" 2>/dev/null
    done
    sleep 1
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ] && kill -9 "$pid" 2>/dev/null
    done
    local point
    for point in $(mounted); do
        umount "$point" 2>/dev/null || umount -l "$point"
    done
}
remove_root() {
    if [ -n "$(mounted)" ]; then
        echo "time-quick-start.sh: still mounted under $root, left in place:" $(mounted) >&2
        return 1
    fi
    rm -rf --one-file-system "$root"
}
finish() {
    stop_chroot
    [ "${KEEP_ROOT:-0}" = 1 ] || remove_root
}
trap finish EXIT
trap 'exit 130' INT TERM

stop_chroot
remove_root
echo "== making a fresh Debian 12 root in $root (not timed)"
mkdir -p "$work/debootstrap-cache"
debootstrap --cache-dir="$work/debootstrap-cache" bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log" >&2; exit 1; }
cat >"$root/etc/apt/sources.list" <<SOURCES
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb ${mirror%/debian}/debian-security bookworm-security main
SOURCES
cp /etc/resolv.conf "$root/etc/resolv.conf"
# Packages install without starting services, which would outlive the chroot.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
mkdir -p "$root/root/kvss"
commit=${COMMIT:-HEAD}
git archive --format=tar "$commit" | tar -x -C "$root/root/kvss"
echo "checkout: $(git rev-parse --short "$commit") $(git log -1 --format=%s "$commit" | cut -c1-60)" | tee "$work/times.txt"

mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs tmpfs "$root/dev/shm"

machine="$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(free -g | awk '/^Mem:/ {print $2}') GiB"
in_root() {  # COMMAND [FILE for the user and system seconds it took]
    local timer=()
    [ -z "${2:-}" ] || timer=(/usr/bin/time -f '%U %S' -o "$2")
    "${timer[@]}" env -i HOME=/root LANG=C.UTF-8 TERM=dumb PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        chroot "$root" bash -c "cd /root/kvss && $1"
}
stamp() {
    local line start=${1/./} now
    while IFS= read -r line; do
        now=${EPOCHREALTIME/./}
        printf '%5d %s\n' $(((now - start) / 1000000)) "$line"
    done
}
timed() {
    local name=$1 command=$2 start status=0
    echo "== $command (load average $(cut -d' ' -f1-3 /proc/loadavg))"
    start=$EPOCHREALTIME
    # Each line of the log carries the seconds since the command started.
    in_root "$command" "$work/$name.cpu" 2>&1 | stamp "$start" >"$work/$name.log" || status=$?
    local seconds cpu
    seconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.0f", b - a }')
    cpu=$(tail -n 1 "$work/$name.cpu" | awk '{ printf "%.0f", $1 + $2 }')
    # On a shared machine the wall time grows with the others' load; the CPU
    # time (user and system, all processes of the command) hardly does.
    echo "$command: ${seconds} s, ${cpu} s of CPU, status $status," \
        "load average $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$work/times.txt"
    tail -n 3 "$work/$name.log"
    return "$status"
}
echo "machine: $machine; $(date -u +%F)" | tee -a "$work/times.txt"
timed run ./scripts/run.sh
[ "${ONLY:-}" = run ] || timed test ./scripts/test.sh
