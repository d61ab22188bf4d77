#!/usr/bin/env bash
# End-to-end tests of the real kvss.scr and kvss-viewer.exe under Wine, on a
# private Xvfb.
#   tests/win32/run.sh [WINDOWS_BUILD_DIR [NATIVE_BUILD_DIR]]
# The Windows build (build-win32) holds kvss.scr and the helper programs; the
# native build (build) holds kvtool, which writes the demo archive. A Wine
# prefix is made once inside the Windows build. The installer's tests
# (installer_tests.sh) take dist/kvss-setup.exe, or $KVSS_SETUP, which
# scripts/package-win32.sh builds. Ends with "N passed, N failed".
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
win_build=$(cd "${1:-$root/build-win32}" && pwd)
native_build=$(cd "${2:-$root/build}" && pwd)
scr=${KVSS_SCR:-$win_build/src/host/win32/kvss.scr}
helpers=$win_build/tests/win32
kvtool=$native_build/tools/kvtool/kvtool

# Debian's wine64 package keeps wine64 and wineserver in /usr/lib/wine only.
[ -d /usr/lib/wine ] && export PATH="$PATH:/usr/lib/wine"
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
[ -x "$wine" ] || wine=$(command -v wine)
wineserver=$(command -v wineserver || echo "$(dirname "$wine")/wineserver")
export WINEPREFIX=$win_build/wine-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"

for needed in "$scr" "$helpers/dialog_probe.exe" "$helpers/exit_code.exe" "$helpers/hold_open.exe" "$helpers/resource_probe.exe" "$helpers/preview_parent.exe" "$helpers/PASSWORD.CPL" "$kvtool"; do
    if [ ! -e "$needed" ]; then
        echo "run.sh: $needed is missing: build both trees first (scripts/build.sh)" >&2
        echo "0 passed, 1 failed"
        exit 1
    fi
done

work=$win_build/wine-tests
rm -rf "$work"
mkdir -p "$work/game" "$work/empty" "$work/broken"
. "$root/tests/helpers.sh"
"$kvtool" demo "$work/game" >/dev/null
# An archive whose one model is not an OOF file: the first tick fails to read it.
echo "not a model" >"$work/broken.oof"
"$kvtool" pack "$work/broken/kv.hog" "$work/broken.oof" >/dev/null
cp "$scr" "$work/kvss.scr"
scr=$work/kvss.scr

xvfb_pid=""
started=()
cleanup() {
    local pid
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null; done
    "$wineserver" -k 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
}
trap cleanup EXIT

if ! start_xvfb; then
    fail "Xvfb starts" "$(tail -n 3 "$work/xvfb.log")"
    tally
    exit
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "making the Wine prefix (once)"
    timeout 300 "$wine" wineboot -i >"$work/wineboot.log" 2>&1
    timeout 120 "$wineserver" -w
fi

# Wine's output goes to files, never into a pipe: a wineserver that a Wine
# program starts keeps the program's output open for as long as it lives.
winpath() {
    "$wine" winepath -w "$1" >"$work/winepath.out" 2>/dev/null
    tr -d '\r' <"$work/winepath.out"
}
probe() {
    timeout $((patience + 10)) "$wine" "$helpers/dialog_probe.exe" "$@" >"$work/probe.out" 2>&1
    tr -d '\r' <"$work/probe.out"
}
# The game's folder as the dialog shows it.
game_win=$(winpath "$work/game")
reg() { timeout 60 "$wine" reg "$@" >/dev/null 2>&1; }
app_paths='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\Korvane.Exe'
# The stores' keys through which the finder also finds the game.
steam_key='HKCU\Software\Valve\Steam'
gog_key='HKLM\Software\GOG.com\Games\1207658930'
options_key='HKCU\Software\kestrow\kvss'

# start_windows LOG PROGRAM [ARGUMENT...]: starts a Windows program (its path
# as Windows writes it) in the background, through exit_code.exe so that
# wait_exit reads the exit code Windows reports, not the Unix status of a
# process that Wine may kill once that code is recorded. The pid is in $last;
# the output goes to $work/LOG.
start_windows() {
    local log=$1
    shift
    "$wine" "$helpers/exit_code.exe" "$@" >>"$work/$log" 2>&1 &
    last=$!
    started+=("$last")
}
scr_path=$(winpath "$scr")
# Starts kvss.scr with the arguments in the background; its pid is in $last.
start_saver() { start_windows saver.log "$scr_path" "$@"; }
# The gaps of three blank columns or more between the letters of the overlay
# line, one for each space: the line is drawn in the text colour, 0.8 grey
# (#CCCCCC), along the bottom rows, and Wine's stand-in for the stock font
# sets the letters of a word at most two columns apart.
overlay_word_gaps() {
    screenshot "$work/overlay.xwd" || { echo 0; return; }
    convert "xwd:$work/overlay.xwd" -crop 800x22+0+578 +repage txt:- 2>/dev/null |
        awk -F'[,: ]+' 'NR > 1 && /#CCCCCC/ { text[$1] = 1; if ($1 > last) last = $1 }
            END { gaps = 0; blank = 0; seen = 0
                  for (x = 0; x <= last; ++x)
                      if (x in text) { if (seen && blank >= 3) ++gaps; seen = 1; blank = 0 } else ++blank
                  print gaps }'
}
# The registry as Wine saved it, once every Wine process has ended.
saved_options() {
    timeout 60 "$wineserver" -w
    awk '/^\[Software\\\\kestrow\\\\kvss\]/ { inside = 1; next } /^\[/ { inside = 0 } inside && /^"/' "$WINEPREFIX/user.reg"
}

# -- resources ---------------------------------------------------------------
expected_template='string 1 "Korvane Screensaver"
icon 100 present
dialog style 0x80c800c0 exstyle 0x0 at 0,0 size 260x209 menu "" class "" caption "Korvane Screensaver"
font 8 "MS Sans Serif"
control 1 class #128 text "OK" style 0x50010001 at 7,188 size 50x14
control 2 class #128 text "Cancel" style 0x50010000 at 203,188 size 50x14
control -1 class #130 text "Game folder:" style 0x50020000 at 7,9 size 80x9
control 1008 class #130 text "" style 0x50008180 at 90,9 size 163x9
control 1009 class #130 text "" style 0x50000080 at 90,20 size 163x9
control 1010 class #128 text "Browse..." style 0x50010000 at 90,32 size 64x14
control 1011 class #128 text "Find automatically" style 0x50010000 at 158,32 size 95x14
control -1 class #130 text "Time per object:" style 0x50020000 at 7,58 size 80x9
control 1006 class #133 text "" style 0x50210002 at 90,56 size 124x106
control -1 class #130 text "Animation speed:" style 0x50020000 at 7,76 size 80x9
control 1000 class #133 text "" style 0x50210002 at 90,74 size 124x103
control -1 class #130 text "Monitors:" style 0x50020000 at 7,94 size 80x9
control 1007 class #133 text "" style 0x50210003 at 90,92 size 124x60
control 1001 class #128 text "Bilinear filtering" style 0x50010003 at 7,114 size 246x10
control 1002 class #128 text "Mipmapping" style 0x50010003 at 7,128 size 246x10
control 1003 class #128 text "Wireframe rendering (random)" style 0x50010003 at 7,142 size 246x10
control 1004 class #128 text "Mirror rendering" style 0x50010003 at 7,156 size 246x10
control 1005 class #128 text "Show frame rate" style 0x50010003 at 7,170 size 246x10'
template=$(probe template "$scr_path")
if [ "$template" = "$expected_template" ]; then
    pass "the description string, the icon and dialog 2003 are laid out as designed"
else
    fail "resources" "$(diff <(echo "$expected_template") <(echo "$template") | head -n 10)"
fi

# The manifest as the loader reads it, and the version resource through version.dll.
expected_manifest='RT_MANIFEST 1 language 0x0409
setting dpiAware "true/pm"
setting dpiAwareness "PerMonitorV2, PerMonitor"
run level asInvoker uiAccess 0
supportedOS {35138b9a-5d96-4fbd-8e2d-a2440225f93a}
supportedOS {4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}
supportedOS {1f676c76-80e1-4239-95bb-83d0f6d0da78}
supportedOS {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}
comctl32 6 side by side'
timeout 60 "$wine" "$helpers/resource_probe.exe" manifest "$scr_path" >"$work/manifest.out" 2>&1
manifest=$(tr -d '\r' <"$work/manifest.out")
if [ "$manifest" = "$expected_manifest" ]; then
    pass "one manifest: per-monitor v2 DPI, common controls 6, Windows 7 to 11, asInvoker"
else
    fail "manifest" "$(diff <(echo "$expected_manifest") <(echo "$manifest") | head -n 10)"
fi

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win_build/CMakeCache.txt")
IFS=. read -r major minor patch _ <<<"$version"
quad="$major.$minor.${patch:-0}.0"
expected_version="file version $quad product version $quad type 1
translation 0409 1200
FileDescription \"Korvane Screensaver\"
ProductName \"kvss\"
FileVersion \"$version\"
ProductVersion \"$version\"
OriginalFilename \"kvss.scr\""
timeout 60 "$wine" "$helpers/resource_probe.exe" version "$scr_path" >"$work/version.out" 2>&1
version_info=$(tr -d '\r' <"$work/version.out")
if [ -n "$version" ] && [ "$version_info" = "$expected_version" ]; then
    pass "the version resource names Korvane Screensaver, kvss $version, kvss.scr"
else
    fail "version resource" "$(diff <(echo "$expected_version") <(echo "$version_info") | head -n 10)"
fi

# -- command line ------------------------------------------------------------
for arguments in "/x" "/p 0" "/p abc" "/a"; do
    start_saver $arguments
    wait_exit "$last"
    [ "$status" = 255 ] && pass "'$arguments' returns -1" || fail "'$arguments' returns -1" "status $status"
done

# -- the game is not installed -------------------------------------------------
expect_not_installed() {
    local what=$1
    start_saver /s
    local saver=$last
    local text
    text=$(probe message Error)
    if find_window '^Error$'; then press "$window" Return; fi
    wait_exit "$saver"
    if [[ "$text" == *'"Korvane is not installed."'* ]] && [ "$status" = 1 ]; then
        pass "$what: the message box, then status 1"
    else
        fail "$what" "box: ${text:-none}; status $status"
    fi
}
# The prefix outlives a run, and one cut short may leave the stores' keys or a game folder chosen.
reg delete "$steam_key" /f
reg delete "$gog_key" /f /reg:32
reg delete "$options_key" /v game_dir /f
reg delete "$app_paths" /f
expect_not_installed "no App Paths entry"
reg add "$app_paths" /v Path /d "C:\\$(printf 'a%.0s' $(seq 253))" /f
expect_not_installed "an App Paths value with no room for \\kv.hog"

# A folder without kv.hog is passed over like any place without the game.
reg add "$app_paths" /v Path /d "$(winpath "$work/empty")" /f
expect_not_installed "an App Paths folder without kv.hog"

# An archive named outright is taken as given: it cannot be opened, a message
# text leaves the saver and the guard ends it.
echo "not an archive" >"$work/empty/not-a.hog"
reg add "$options_key" /v game_dir /d "$(winpath "$work/empty/not-a.hog")" /f
start_saver /s
wait_exit "$last"
reg delete "$options_key" /v game_dir /f
[ "$status" = 2 ] && pass "an archive that cannot be opened ends the saver with status 2" ||
    fail "an archive that cannot be opened ends the saver with status 2" "status $status"

# A model that cannot be read: the message text leaves a tick, inside the
# window procedure, and the guard closes the window and ends the saver.
reg add "$app_paths" /v Path /d "$(winpath "$work/broken")" /f
start_saver /s
wait_exit "$last"
[ "$status" = 2 ] && pass "a model that cannot be read ends the saver with status 2" ||
    fail "a model that cannot be read ends the saver with status 2" "status $status"

# -- full screen ---------------------------------------------------------------
reg add "$app_paths" /v Path /d "$(winpath "$work/game")" /f
reg delete "$options_key" /f  # the prefix outlives a run: start from the defaults
start_saver /s
first=$last
if find_window '^Screen Saver$'; then
    saver_window=$window
    wait_until_drawn && pass "/s draws full screen" || fail "/s draws full screen" "the screen stayed black"

    start_saver /s
    wait_exit "$last"
    if [ "$status" = 0 ] && kill -0 "$first" 2>/dev/null; then
        pass "a second /s leaves the first running and returns 0"
    else
        fail "a second /s leaves the first running and returns 0" "status $status"
    fi

    press "$saver_window" space
    wait_exit "$first"
    [ "$status" = 0 ] && pass "a key press ends /s with status 0" || fail "a key press ends /s with status 0" "status $status"
else
    fail "/s opens the window \"Screen Saver\""
fi

# -- configuration dialog --------------------------------------------------------
# Runs /c, lets the function act on the open dialog, and leaves the process's
# status in $status and the probe's view of the dialog in $state.
with_dialog() {
    start_saver /c
    local saver=$last
    state=$(probe state)
    if find_window '^Korvane Screensaver$'; then "$@"; fi
    wait_exit "$saver"
}
cancel() { press "$window" Escape; }
accept() { press "$window" Return; }
choose_and_accept() {
    probe set 3 5 0 1 1 0 1 2 >/dev/null
    press "$window" Return
}
type_speed_and_accept() {
    # Tab from OK past Cancel, Browse..., Find automatically and the time box
    # to the speed box, then type what is no entry.
    press "$window" Tab
    xdotool key Tab Tab Tab Tab
    xdotool type x
    xdotool key Return
}
defaults="box 1006 selected 1 of 4 \"15 seconds\"
box 1000 selected 3 of 6 \"5\"
box 1007 selected 0 of 4 \"Each its own model\"
checks 1 1 0 0 0
game \"$game_win\" Found through App Paths"

reg delete "$options_key" /f
with_dialog cancel
if [ "$state" = "$defaults" ] && [ "$status" = 0 ] && [ -z "$(saved_options)" ]; then
    pass "/c shows the defaults and Cancel writes nothing"
else
    fail "/c shows the defaults and Cancel writes nothing" "status $status; $state"
fi

with_dialog choose_and_accept
expected_options='"anim_speed_index"=dword:00000005
"bilinear"=hex(4):00
"mipmap"=hex(4):01
"mirror"=hex(4):00
"monitors"=dword:00000002
"object_time_index"=dword:00000003
"show_fps"=hex(4):01
"wireframe"=hex(4):01'
options=$(saved_options | sort)
if [ "$status" = 1 ] && [ "$options" = "$expected_options" ]; then
    pass "OK writes the eight values as REG_DWORD with data lengths 4 and 1"
else
    fail "OK writes the eight values" "status $status; $(echo $options)"
fi

with_dialog cancel
stored="box 1006 selected 3 of 4 \"1 minute\"
box 1000 selected 5 of 6 \"20\"
box 1007 selected 2 of 4 \"One picture across all\"
checks 0 1 1 0 1
game \"$game_win\" Found through App Paths"
[ "$state" = "$stored" ] && pass "the dialog shows what OK stored" || fail "the dialog shows what OK stored" "$state"

reg add "$options_key" /v object_time_index /t REG_DWORD /d 7 /f
reg add "$options_key" /v bilinear /t REG_DWORD /d 0 /f
with_dialog type_speed_and_accept
options=$(saved_options)
if [[ "$state" == *'box 1006 selected 3 of 4 "1 minute"'* && "$state" == *'checks 1 '* ]] &&
    [[ "$options" == *'"anim_speed_index"=dword:00000000'* && "$options" == *'"object_time_index"=dword:00000003'* ]]; then
    pass "an index past the list shows its last entry, a 4-byte flag is ignored, typed text stores index 0"
else
    fail "clamping and typed text" "$state; $(echo $options)"
fi

# The frame-rate line builds the font's display lists and the mirror looks up
# glActiveTextureARB: both through WGL.
all_on_and_accept() {
    probe set 0 4 1 1 0 1 1 >/dev/null
    press "$window" Return
}
with_dialog all_on_and_accept
start_saver /s
saver=$last
if find_window '^Screen Saver$'; then
    saver_window=$window
    if wait_until_drawn && kill -0 "$saver" 2>/dev/null; then
        # "Frame 1.23 (45.67 fps) object 'name.oof'"
        gaps=$(overlay_word_gaps)
        [ "$gaps" = 5 ] && pass "the frame-rate line keeps its five spaces" ||
            fail "the frame-rate line keeps its five spaces" "$gaps gaps between words"
        press "$saver_window" Escape
        wait_exit "$saver"
        [ "$status" = 0 ] && pass "/s with the frame-rate line and the mirror layer draws and ends with status 0" ||
            fail "/s with the frame-rate line and the mirror layer" "status $status"
    else
        wait_exit "$saver" 1
        fail "/s with the frame-rate line and the mirror layer" "nothing drawn; status $status"
    fi
else
    fail "/s with the frame-rate line and the mirror layer opens its window"
fi
reg delete "$options_key" /f

# Every text of the dialog within its control, measured in the dialog's own
# font, at 100 %, 150 % and 200 %.
for dpi in 96 144 192; do
    reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
    timeout 60 "$wineserver" -k  # Wine reads the scale as it starts
    start_saver /c
    saver=$last
    fit=$(probe fit "$scr_path")
    if find_window '^Korvane Screensaver$'; then press "$window" Escape; fi
    wait_exit "$saver"
    if [[ "$fit" == "$dpi DPI:"*fits* && "$fit" != *CUT* ]]; then
        pass "at $dpi DPI every text of the dialog fits its control"
    else
        fail "at $dpi DPI every text of the dialog fits its control" "$(grep -e CUT -e DPI <<<"$fit" | head -n 5)"
    fi
done
reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f
timeout 60 "$wineserver" -k

# -- the game's folder ---------------------------------------------------------------
. "$root/tests/win32/game_row_tests.sh"

# -- preview -----------------------------------------------------------------------
rm -f "$work/preview-done"
"$wine" "$helpers/preview_parent.exe" "$scr_path" "$(winpath "$work/preview-done")" >"$work/preview.log" 2>&1 &
preview=$!
started+=("$preview")
# The parent says "ready" once the preview is in it (or it has ended).
preview_ready() { grep -q '^ready' "$work/preview.log" 2>/dev/null || ended "$preview"; }
eventually preview_ready
if find_window '^kvss preview parent$'; then
    # xdotool returns once the server has the input (it syncs as it closes);
    # the parent then waits for the preview to paint after it, its sign of life.
    press "$window" space
    press "$window" Escape
    xdotool mousemove --window "$window" 10 10 mousemove --window "$window" 200 150 click 1
fi
touch "$work/preview-done"
wait_exit "$preview" $((patience * 2))
log=$(tr -d '\r' <"$work/preview.log")
if [ "$status" = 0 ]; then
    pass "/p HWND fills the parent, ignores keys and mouse (painting on after them), passes help on and ends with its parent"
else
    fail "/p HWND" "$(echo $log)"
fi

# -- Windows 9x password -----------------------------------------------------------
cp "$helpers/PASSWORD.CPL" "$work/PASSWORD.CPL"
export KVSS_PASSWORD_ANSWER=$(winpath "$work/password-answer")
export KVSS_PASSWORD_LOG=$(winpath "$work/password.log")
# One round: a refused password, then an accepted one. Returns 2 when the
# saver closed without asking PASSWORD.CPL at all, which has happened once in
# many runs with no trace of why: that round is told and run again, with what
# the registry held, so a saver that never asks still fails the second time.
win98_password_round() {
    local final=$1 saver saver_window
    echo 0 >"$work/password-answer"
    rm -f "$work/password.log"
    start_saver /s
    saver=$last
    if ! find_window '^Screen Saver$'; then
        fail "win98: /s opens the window \"Screen Saver\""
        return 1
    fi
    saver_window=$window
    wait_until_drawn
    press "$saver_window" space
    eventually asked_or_ended "$saver"
    if [ ! -e "$work/password.log" ] && ! kill -0 "$saver" 2>/dev/null && [ "$final" = no ]; then
        wait_exit "$saver"
        timeout 60 "$wine" reg query 'HKCU\Software\Wine' /v Version >"$work/reg.out" 2>&1
        timeout 60 "$wine" reg query 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword >>"$work/reg.out" 2>&1
        echo "win98: the saver closed (status $status) without asking PASSWORD.CPL; the registry held:" \
            "$(tr -d '\r' <"$work/reg.out" | grep -i -e version -e password | tr -s ' \n' ' ');" \
            "setting it again and running the round again"
        return 2
    fi
    # Drawing on after the refusal, it is alive and past deciding to stay.
    local alive=""
    draws_on 3 && ! ended "$saver" >/dev/null && alive=yes
    if grep -q '^refused window=1$' "$work/password.log" 2>/dev/null && [ -n "$alive" ]; then
        pass "win98: a refused password keeps the saver running"
    else
        fail "win98: a refused password keeps the saver running" "$(cat "$work/password.log" 2>/dev/null); $seen"
    fi
    echo 1 >"$work/password-answer"
    press "$saver_window" space
    wait_exit "$saver"
    if [ "$status" = 0 ] && [ "$(grep -c . "$work/password.log")" = 2 ] && grep -q '^accepted' "$work/password.log"; then
        pass "win98: an accepted password closes the saver with status 0"
    else
        fail "win98: an accepted password closes the saver" "status $status; $(cat "$work/password.log" 2>/dev/null)"
    fi
}
# PASSWORD.CPL has answered, or the saver has ended without asking it.
asked_or_ended() {
    [ -s "$work/password.log" ] && return 0
    ended "$1"
}
set_win98_password() {
    reg add 'HKCU\Software\Wine' /v Version /d win98 /f
    reg add 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword /t REG_DWORD /d 1 /f
}
set_win98_password
win98_password_round no
[ $? = 2 ] && { set_win98_password; win98_password_round yes; }
start_saver /a
wait_exit "$last"
[ "$status" = 0 ] && pass "win98: /a returns 0" || fail "win98: /a returns 0" "status $status"
reg delete 'HKCU\Software\Wine' /v Version /f
reg delete 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword /f

# -- several monitors ----------------------------------------------------------------
. "$root/tests/win32/monitors_tests.sh"

# -- the model viewer ----------------------------------------------------------------
. "$root/tests/win32/viewer_tests.sh"

# -- the installer -------------------------------------------------------------------
. "$root/tests/win32/installer_tests.sh"

echo "Wine tests took ${SECONDS}s"
tally
