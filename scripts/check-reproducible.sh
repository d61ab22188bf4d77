#!/usr/bin/env bash
# Builds the packages of one commit twice, as two different people would, and
# checks that every byte agrees:
#   scripts/check-reproducible.sh [COMMIT]      (default HEAD)
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
commit=$(git rev-parse --verify "${1:-HEAD}^{commit}")

work=$(mktemp -d /tmp/kvss-reproducible-XXXXXX)
trap 'rm -rf "$work"' EXIT
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

# The .deb's files, one "hash  path" line each.
deb_files() {
    local tree
    tree=$(mktemp -d "$work/deb-XXXXXX")
    dpkg-deb -x "$1" "$tree"
    (cd "$tree" && find . -type f | LC_ALL=C sort | xargs sha256sum)
}

status=0
differing=()
echo "== SHA-256 of both builds"
files=$(cd "$first/dist" && sed 's/^[0-9a-f]*  //' SHA256SUMS)
for file in $files SHA256SUMS; do
    one=$(sha256sum <"$first/dist/$file" | cut -d' ' -f1)
    two=$(sha256sum <"$second/dist/$file" 2>/dev/null | cut -d' ' -f1)
    if [ "$one" = "$two" ]; then
        echo "same     $one  $file"
    else
        echo "DIFFERS  $one  $file (build 1)"
        echo "         ${two:-missing}  $file (build 2)"
        differing+=("$file")
        status=1
    fi
done
for deb in $(cd "$first/dist" && ls kvss_*.deb); do
    echo "== files inside $deb"
    if diff <(deb_files "$first/dist/$deb") <(deb_files "$second/dist/$deb") >"$work/deb.diff"; then
        deb_files "$first/dist/$deb" | sed 's/^/same     /'
    else
        sed 's/^/  /' "$work/deb.diff"
        status=1
    fi
done

for file in "${differing[@]}"; do
    echo "== diffoscope $file"
    diffoscope --no-progress --text - "$first/dist/$file" "$second/dist/$file" | head -n 200 || true
done
if [ "$status" = 0 ]; then
    echo "check-reproducible.sh: both builds of $commit are byte for byte the same"
else
    what=${differing[*]:-"the files inside the .deb"}
    echo "check-reproducible.sh: the builds of $commit differ: $what" >&2
fi
exit "$status"
