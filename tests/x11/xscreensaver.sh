#!/usr/bin/env bash
# The Debian package: its file list, its programs and man pages, lintian's
# verdict, and kvss from it under the real xscreensaver daemon on a private Xvfb.
#   tests/x11/xscreensaver.sh [NATIVE_BUILD_DIR [PACKAGE.deb]]
# The native build holds kvtool, which writes the demo archive; the package
# defaults to the newest dist/kvss_*_amd64.deb (scripts/package.sh). The
# package is unpacked with dpkg -x into a scratch root, and xscreensaver runs
# the kvss found there. xscreensaver runs no hacks as root: as root the test
# makes a throwaway user for it. lintian must report no error and no warning.
# Ends with "N passed, N failed".
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
native_build=$(cd "${1:-$root/build}" && pwd)
deb=${2:-$(ls -t "$root"/dist/kvss_*_amd64.deb 2>/dev/null | head -n 1)}
kvtool=$native_build/tools/kvtool/kvtool

for needed in "$deb" "$kvtool"; do
    if [ ! -e "$needed" ]; then
        echo "xscreensaver.sh: ${needed:-the package} is missing: run scripts/build.sh and scripts/package.sh first" >&2
        echo "0 passed, 1 failed"
        exit 1
    fi
done

work=$(mktemp -d /tmp/kvss-xscreensaver-XXXXXX)
chmod 755 "$work"  # the saver's user reads the package and the game here
. "$root/tests/helpers.sh"
user=""
xvfb_pid=""
daemon_pid=""
cleanup() {
    [ -n "$daemon_pid" ] && kill "$daemon_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    if [ -n "$user" ]; then
        # xscreensaver's own helpers end once the display has gone.
        eventually -t 30 no_process_of "$user"
        userdel "$user" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
no_process_of() {
    pgrep -u "$1" -a || return 0
    return 1
}

# -- the package's files, and lintian's verdict ---------------------------------
package=$work/package
dpkg -x "$deb" "$package"
expected='usr/bin/kvss-viewer
usr/bin/kvtool
usr/libexec/xscreensaver/kvss
usr/share/applications/kvss-viewer.desktop
usr/share/doc/kvss/changelog.Debian.gz
usr/share/doc/kvss/copyright
usr/share/icons/hicolor/scalable/apps/kvss-viewer.svg
usr/share/lintian/overrides/kvss
usr/share/man/man1/kvss-viewer.1.gz
usr/share/man/man1/kvtool.1.gz
usr/share/man/man6/kvss.6.gz
usr/share/mime/packages/kvss.xml
usr/share/thumbnailers/kvss.thumbnailer
usr/share/xscreensaver/config/kvss.xml'
files=$(cd "$package" && find . -type f | sed 's|^\./||' | sort)
[ "$files" = "$expected" ] && pass "the package holds the hack, kvtool, the viewer and their pages" ||
    fail "the package's files" "$(diff <(echo "$expected") <(echo "$files") | grep '^[<>]' | tr '\n' ' ')"

# kvtool runs from the package, and its man page, written from its --help
# texts by the build, names every command and option they list.
pkg_kvtool=$package/usr/bin/kvtool
if "$pkg_kvtool" demo "$work/package-demo" >/dev/null && "$pkg_kvtool" ls "$work/package-demo" | grep -q 'relay\.oof'; then
    pass "the package's kvtool writes and lists the demo"
else
    fail "the package's kvtool writes and lists the demo"
fi
# The page's source with roff's minus signs and font changes undone.
page_text() { zcat "$1" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g'; }
commands=$("$pkg_kvtool" --help | awk '/^Subcommands:/ { on = 1; next } on && /^  [a-z]/ { print $1 }')
options=$(for command in $commands; do "$pkg_kvtool" "$command" --help; done | grep -o -- '--[a-z][a-z-]*' | sort -u)
page=$(page_text "$package/usr/share/man/man1/kvtool.1.gz")
missing=""
for command in $commands; do grep -qF "kvtool $command" <<<"$page" || missing+=" $command"; done
for option in $options; do grep -qF -- "$option" <<<"$page" || missing+=" $option"; done
[ -n "$commands" ] && [ -z "$missing" ] && pass "kvtool(1) shows every command and option of kvtool --help" ||
    fail "kvtool(1) shows every command and option of kvtool --help" "missing:$missing"
if [ -e "$package/usr/bin/kvss-viewer" ]; then
    entry=$package/usr/share/applications/kvss-viewer.desktop
    icon=$(sed -n 's/^Icon=//p' "$entry")
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ -x "$package/usr/bin/$exec_name" ] && [ -e "$package/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] &&
        "$package/usr/bin/kvss-viewer" --help >/dev/null &&
        pass "the viewer's menu entry starts the packaged viewer with the packaged icon" ||
        fail "the viewer's menu entry" "Exec=$exec_name Icon=$icon"
fi

# -- a .hog in the file manager ---------------------------------------------------
# The desktop's caches made as dpkg's triggers make them when the package is
# installed (shared-mime-info's for mime/packages, desktop-file-utils' for
# applications), here for the unpacked package alone, which the lookups then see
# through XDG_DATA_DIRS, with no user's own choices and no desktop running.
share=$package/usr/share
xdg=(env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID
    "XDG_DATA_DIRS=$share:/usr/share" "XDG_DATA_HOME=$work/xdg-data" "XDG_CONFIG_HOME=$work/xdg-config"
    "PATH=$package/usr/bin:$PATH")
mkdir -p "$work/xdg-data" "$work/xdg-config"
"${xdg[@]}" update-mime-database "$share/mime" && update-desktop-database "$share/applications" ||
    fail "the desktop's caches of the package's MIME type and desktop entry"
hog=$work/package-demo/kv.hog
cp "$hog" "$work/package-demo/archive.bin"
hog_type=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$share/mime/packages/kvss.xml")
by_name=$("${xdg[@]}" xdg-mime query filetype "$hog")
by_magic=$("${xdg[@]}" xdg-mime query filetype "$work/package-demo/archive.bin")
[ -n "$hog_type" ] && [ "$by_name" = "$hog_type" ] && [ "$by_magic" = "$hog_type" ] &&
    pass "xdg-mime: a .hog is $hog_type, by its name and by its HOG2 bytes" ||
    fail "xdg-mime query filetype" "kv.hog: $by_name, archive.bin: $by_magic, the package's type: $hog_type"
default_app=$("${xdg[@]}" xdg-mime query default "$hog_type")
grep -q '^Exec=kvss-viewer %f$' "$share/applications/kvss-viewer.desktop" && [ "$default_app" = kvss-viewer.desktop ] &&
    pass "xdg-mime: the viewer opens a .hog, given the file" ||
    fail "xdg-mime query default $hog_type" "${default_app:-none}; $(grep '^Exec=' "$share/applications/kvss-viewer.desktop")"

# The thumbnailer run as a file manager runs it: its own Exec line, %s %i %o
# filled in, the program found on PATH, and nothing else in the environment
# (GNOME's sandbox passes no display and no home).
thumbnailer=$share/thumbnailers/kvss.thumbnailer
run_thumbnailer() {  # INPUT OUTPUT SIZE
    local command
    command=$(sed -n 's/^Exec=//p' "$thumbnailer")
    command=${command//%i/$(printf '%q' "$1")}
    command=${command//%o/$(printf '%q' "$2")}
    command=${command//%s/$3}
    timeout 60 env -i "PATH=$package/usr/bin:/usr/bin:/bin" sh -c "$command" 2>>"$work/thumbnailer.log"
}
grep -qx "MimeType=$hog_type;" "$thumbnailer" || fail "the thumbnailer's MimeType" "$(grep MimeType "$thumbnailer")"
for size in 128 256; do
    thumb=$work/thumbnail-$size.png
    if run_thumbnailer "$hog" "$thumb" "$size"; then
        geometry=$(identify -format '%w %h' "$thumb" 2>/dev/null)
        lit=$(convert "$thumb" -colorspace Gray -threshold 10% -format '%[fx:round(mean*w*h)]' info: 2>/dev/null || echo 0)
        read -r width height <<<"${geometry:-0 0}"
        [ "$width" -ge 1 ] && [ "$width" -le "$size" ] && [ "$height" -ge 1 ] && [ "$height" -le "$size" ] &&
            [ "$lit" -gt $((size * size / 50)) ] &&
            pass "the thumbnailer draws the demo's models in ${width}x$height for a size of $size ($lit lit pixels)" ||
            fail "the thumbnailer at size $size" "${geometry:-no PNG}, $lit lit pixels"
    else
        fail "the thumbnailer at size $size" "$(tail -n 1 "$work/thumbnailer.log")"
    fi
done
printf 'not an archive\n' >"$work/notes.hog"
if run_thumbnailer "$work/notes.hog" "$work/notes.png" 128; then
    fail "the thumbnailer refuses a file that is not an archive" "status 0"
elif [ -e "$work/notes.png" ]; then
    fail "the thumbnailer refuses a file that is not an archive" "it wrote $work/notes.png"
else
    pass "the thumbnailer refuses a file that is not an archive and writes nothing"
fi

# lintian judges the package as Debian's archive would; overridden tags carry
# their reasons in the package.
lintian_status=0
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || lintian_status=$?
grep -E '^[EWIO]:' "$work/lintian.log" | sed 's/^/  lintian /'
if [ "$lintian_status" = 0 ]; then
    pass "lintian: no error, no warning"
else
    fail "lintian" "$(grep -E '^[EW]:' "$work/lintian.log" | tr '\n' ' ')"
fi
kvss=$package/usr/libexec/xscreensaver/kvss

# -- the saver's user, its settings and its ~/.xscreensaver -------------------------
home=$work/home
mkdir -p "$home/.config/kvss" "$work/game"
"$kvtool" demo "$work/game" >/dev/null
echo "game_dir=$work/game" >"$home/.config/kvss/settings"
cat >"$home/.xscreensaver" <<CONFIG
mode:		one
selected:	0
lock:		False
fade:		False
unfade:		False
splash:		False
timeout:	1:00:00
programs:	GL: $kvss --root --fps \\n
CONFIG
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    user=kvss-saver-$$
    useradd --home-dir "$home" --no-create-home --shell /bin/sh "$user" || { fail "useradd $user"; exit 1; }
    as_user=(setpriv --reuid="$user" --regid="$user" --init-groups --)
    chown -R "$user:" "$home"
else
    user=""
fi
run_user=${user:-$(id -un)}

# -- Xvfb and the daemon ---------------------------------------------------------
if ! start_xvfb; then
    fail "Xvfb starts" "$(tail -n 3 "$work/xvfb.log")"
    tally
    exit
fi
saver_env=(env -i "HOME=$home" "USER=$run_user" "LOGNAME=$run_user" "DISPLAY=$DISPLAY" "PATH=/usr/bin:/bin"
    LIBGL_ALWAYS_SOFTWARE=1)
"${as_user[@]}" "${saver_env[@]}" xscreensaver -no-splash >"$work/xscreensaver.log" 2>&1 &
daemon_pid=$!
saver_command() { timeout 10 "${as_user[@]}" "${saver_env[@]}" xscreensaver-command "$@" >>"$work/command.log" 2>&1; }
eventually saver_command -time

# The lit pixels of the screen above the overlay line.
lit_pixels() {
    screenshot || { echo 0; return; }
    convert "xwd:$work/screen.xwd" -crop 800x560+0+0 +repage -colorspace Gray -threshold 5% \
        -format '%[fx:round(mean*w*h)]' info: 2>/dev/null || echo 0
}
# The pid of the kvss that xscreensaver started, into $pid.
kvss_started() {
    pid=$(pgrep -u "$run_user" -f "^$kvss " | head -n 1)
    [ -n "$pid" ] || { echo "no kvss runs"; return 1; }
}
# The screen shows a lit model; the count is in $lit.
model_lit() {
    lit=$(lit_pixels)
    echo "$lit lit pixels"
    [ "$lit" -gt 2000 ]
}

if ! saver_command -activate; then
    fail "xscreensaver-command -activate" "$(tail -n 3 "$work/command.log")"
else
    if eventually kvss_started; then
        pass "-activate forks kvss as $run_user"
        eventually model_lit && pass "the screen shows a lit model ($lit pixels)" ||
            fail "the screen shows a lit model" "$seen"
        saver_command -deactivate
        eventually ended "$pid" && pass "-deactivate ends kvss" || fail "-deactivate ends kvss" "$seen"
    else
        fail "-activate forks kvss" "$(tail -n 5 "$work/xscreensaver.log")"
    fi
fi
saver_command -exit

echo "xscreensaver test took ${SECONDS}s"
tally
