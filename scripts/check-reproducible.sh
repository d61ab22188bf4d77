#!/usr/bin/env bash
# Builds the packages of one commit twice, as two different people would, and
# checks that every byte agrees:
#   scripts/check-reproducible.sh [COMMIT]      (default HEAD)
#   scripts/check-reproducible.sh --compare DIST_1 DIST_2
# The second form compares two package folders already built (your rebuild's
# dist/ and a release's downloads, say) the same way.
# Each build is scripts/package.sh in a clean clone of the commit, with the
# variations reprotest makes where they can be made without root: another
# folder (at another depth), another time (the second starts after the first
# ends, and its checkout's files are dated 2001), time zone, locale, umask and
# HOME, and as root another host name too (a UTS namespace). It prints the
# SHA-256 of every file of both builds and of every file inside both .deb
# packages; on a difference it shows what differs with diffoscope and exits 1.
# The clones take the time from their commit, as a rebuild of a release would.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh package
work=$(mktemp -d /tmp/kvss-reproducible-XXXXXX)
trap 'rm -rf "$work"' EXIT

# The .deb's files, one "hash  path" line each.
deb_files() {
    local tree
    tree=$(mktemp -d "$work/deb-XXXXXX")
    dpkg-deb -x "$1" "$tree"
    (cd "$tree" && find . -type f | LC_ALL=C sort | xargs sha256sum)
}

# Compares the files that DIST_1/SHA256SUMS lists, and SHA256SUMS itself, with
# DIST_2's, printing both hashes of each; then the files inside each .deb. On a
# difference, diffoscope shows it, and the status is 1. Names what was built
# in its last line: "both builds of WHAT ...".
compare() {
    local one_dist=$1 two_dist=$2 what=$3 status=0 one two file deb
    local differing=()
    if [ ! -e "$one_dist/SHA256SUMS" ]; then
        echo "check-reproducible.sh: $one_dist/SHA256SUMS is missing: build with scripts/package.sh" >&2
        return 1
    fi
    echo "== SHA-256 of both builds"
    for file in $(sed 's/^[0-9a-f]*  //' "$one_dist/SHA256SUMS") SHA256SUMS; do
        one=$(sha256sum <"$one_dist/$file" | cut -d' ' -f1)
        two=$(sha256sum 2>/dev/null <"$two_dist/$file" | cut -d' ' -f1) || two=missing
        if [ "$one" = "$two" ]; then
            printf 'same     %s\n  build 1  %s\n  build 2  %s\n' "$file" "$one" "$two"
        else
            printf 'DIFFERS  %s\n  build 1  %s\n  build 2  %s\n' "$file" "$one" "$two"
            differing+=("$file")
            status=1
        fi
    done
    for deb in $(cd "$one_dist" && ls kvss_*.deb 2>/dev/null); do
        [ -e "$two_dist/$deb" ] || continue
        echo "== the files inside $deb"
        if diff <(deb_files "$one_dist/$deb") <(deb_files "$two_dist/$deb") >"$work/deb.diff"; then
            deb_files "$one_dist/$deb" | sed 's/^/same     /'
        else
            echo "differ (< build 1, > build 2):"
            sed 's/^/  /' "$work/deb.diff"
            status=1
        fi
    done
    for file in "${differing[@]}"; do
        [ -e "$two_dist/$file" ] || continue
        echo "== diffoscope $file"
        diffoscope --no-progress --text - "$one_dist/$file" "$two_dist/$file" | head -n 200 || true
    done
    if [ "$status" = 0 ]; then
        echo "check-reproducible.sh: both builds of $what are byte for byte the same"
    else
        echo "check-reproducible.sh: the builds of $what differ: ${differing[*]:-"the files inside the .deb"}" >&2
    fi
    return "$status"
}

if [ "${1:-}" = --compare ]; then
    if [ $# -ne 3 ]; then
        echo "usage: scripts/check-reproducible.sh --compare DIST_1 DIST_2" >&2
        exit 2
    fi
    status=0
    compare "$2" "$3" "$2 and $3" || status=$?
    exit "$status"
fi
commit=$(git rev-parse --verify "${1:-HEAD}^{commit}")
first=$work/a/kvss
second=$work/second/build/of/kvss-sources
mkdir -p "$work/a" "$work/second/build/of" "$work/home-a" "$work/home-b"

# A clone of its own, not a worktree: nothing is registered in this repository.
clone() {
    git clone --quiet --no-checkout "$root" "$1"
    git -C "$1" -c advice.detachedHead=false checkout --quiet "$commit"
}

locale_b=C.UTF-8
if locale -a 2>/dev/null | grep -qix 'fr_FR.utf8'; then locale_b=fr_FR.UTF-8; fi

echo "== build 1 of $commit: $first, TZ=UTC, LC_ALL=C, umask 022"
clone "$first"
(
    cd "$first"
    umask 022
    env -u SOURCE_DATE_EPOCH HOME="$work/home-a" TZ=UTC LC_ALL=C scripts/package.sh
) >"$work/build-1.log" 2>&1 || { tail -n 30 "$work/build-1.log"; echo "check-reproducible.sh: build 1 failed" >&2; exit 1; }

echo "== build 2 of $commit: $second, TZ=Pacific/Kiritimati (UTC+14), LC_ALL=$locale_b, umask 077, files dated 2001"
umask 077
clone "$second"
umask 022
find "$second" -path "$second/.git" -prune -o -exec touch --no-dereference --date=2001-02-03T04:05:06Z {} +
build_second=(env -u SOURCE_DATE_EPOCH HOME="$work/home-b" TZ=Pacific/Kiritimati LC_ALL="$locale_b"
    bash -c 'umask 077 && scripts/package.sh')
# Another host name where a namespace can give one.
if [ "$(id -u)" = 0 ] && unshare --uts true 2>/dev/null; then
    echo "   (host name kvss-rebuild)"
    build_second=(unshare --uts sh -c 'hostname kvss-rebuild && exec "$@"' sh "${build_second[@]}")
fi
(cd "$second" && "${build_second[@]}") >"$work/build-2.log" 2>&1 ||
    { tail -n 30 "$work/build-2.log"; echo "check-reproducible.sh: build 2 failed" >&2; exit 1; }

status=0
compare "$first/dist" "$second/dist" "$commit" || status=$?
exit "$status"
