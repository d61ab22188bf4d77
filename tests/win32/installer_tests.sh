# The installer dist/kvss-setup.exe under Wine: a refused install, a silent
# install, the installed saver, viewer and kvtool at work, an upgrade, and the
# silent uninstall. Sourced by
# run.sh after its own tests: uses its Wine prefix, Xvfb, work folder and helpers,
# and its App Paths entry pointing at the demo game.

setup=${KVSS_SETUP:-$root/dist/kvss-setup.exe}
desktop_key='HKCU\Control Panel\Desktop'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\kvss'
system32=$WINEPREFIX/drive_c/windows/system32
installed=$system32/kvss.scr
uninstaller_dir="$WINEPREFIX/drive_c/Program Files/kvss"
other_saver='C:\windows\system32\other.scr'
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/kvss"
viewer_application='HKLM\Software\Classes\Applications\kvss-viewer.exe\shell\open\command'
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win_build/CMakeCache.txt")

# The data of one registry value; nothing (and false) when it is not there.
reg_value() {
    timeout 60 "$wine" reg query "$1" /v "$2" >"$work/reg.out" 2>/dev/null || return 1
    tr -d '\r' <"$work/reg.out" | awk -v name="$2" '
        $1 == name { sub(/^[ \t]*[^ \t]+[ \t]+REG_[A-Z_]+[ \t]*/, ""); print; found = 1 }
        END { exit !found }'
}
# The data of a key's default value.
reg_default() {
    timeout 60 "$wine" reg query "$1" /ve >"$work/reg.out" 2>/dev/null || return 1
    tr -d '\r' <"$work/reg.out" | awk '$1 == "(Default)" { sub(/^[ \t]*[^ \t]+[ \t]+REG_[A-Z_]+[ \t]*/, ""); print; found = 1 }
        END { exit !found }'
}
run_setup() {
    timeout 300 "$wine" "$setup" "$@" >"$work/setup.log" 2>&1
    status=$?
}
# The uninstaller as Add/Remove Programs runs it. It copies itself to the temporary
# folder, starts the copy and returns at once: the wait is for every Wine process.
run_uninstaller() {
    local command
    command=$(reg_value "$uninstall_key" UninstallString) || return 1
    command=${command//\"/}
    "$wine" "$command" /S >"$work/uninstall.log" 2>&1
    timeout 120 "$wineserver" -w
}
# Nothing of kvss is left but what the arguments name ("saver": a SCRNSAVE.EXE
# naming another saver).
left_over() {
    local saver
    [ -e "$installed" ] && echo "kvss.scr"
    [ -e "$uninstaller_dir" ] && echo "the program folder: $(ls "$uninstaller_dir" | tr '\n' ' ')"
    [ -e "$start_menu" ] && echo "the Start-menu folder"
    reg_default "$viewer_application" >/dev/null && echo "the viewer's Open with entry"
    reg_value "$uninstall_key" DisplayName >/dev/null && echo "the uninstaller key"
    saver=$(reg_value "$desktop_key" SCRNSAVE.EXE)
    [ "$saver" != "${1:-}" ] && echo "SCRNSAVE.EXE '$saver'"
}

if [ ! -f "$setup" ]; then
    fail "the installer" "$setup is missing: build it first (scripts/package-win32.sh)"
    return 0
fi

rm -rf "$installed" "$uninstaller_dir"
reg delete "$uninstall_key" /f
reg add "$desktop_key" /v SCRNSAVE.EXE /d "$other_saver" /f
reg add "$options_key" /v mirror /t REG_DWORD /d 1 /f

# A folder where kvss.scr should go: the system folder cannot take the file
# (file permissions would not do: the tests may run as root).
mkdir "$installed"
run_setup /S
rmdir "$installed"
leftovers=$(left_over "$other_saver")
if [ "$status" != 0 ] && [ -z "$leftovers" ]; then
    pass "a system folder that cannot take kvss.scr: /S fails with status $status and installs nothing"
else
    fail "a refused install" "status $status; left: $(echo $leftovers)"
fi

run_setup /S /KEEPSAVER
kept=$(reg_value "$desktop_key" SCRNSAVE.EXE)
[ "$status" = 0 ] && cmp -s "$scr" "$installed" && [ "$kept" = "$other_saver" ] &&
    pass "/S /KEEPSAVER installs kvss.scr and leaves the current screen saver" ||
    fail "/S /KEEPSAVER" "status $status; SCRNSAVE.EXE '$kept'"
# The uninstaller's copy may find the original uninstall.exe still closing:
# deleting it then succeeds, but the file (and so the folder) stays until the
# original has let go. Here a holder plays the original, letting go half a
# second after the copy has removed kvtool.exe, its last file before that.
"$wine" "$helpers/hold_open.exe" "$(winpath "$uninstaller_dir/uninstall.exe")" \
    "$(winpath "$uninstaller_dir/kvtool.exe")" 500 >"$work/hold.log" 2>&1 &
holder=$!
started+=("$holder")
held() { grep holding "$work/hold.log"; }
eventually held
run_uninstaller
wait_exit "$holder"
leftovers=$(left_over "$other_saver")
[ -z "$leftovers" ] && pass "the uninstaller leaves a SCRNSAVE.EXE that names another saver" ||
    fail "uninstalling beside another saver" "left: $(echo $leftovers)"
[ "$status" = 0 ] && [ ! -e "$uninstaller_dir" ] &&
    pass "the uninstaller removes the program folder once a closing uninstall.exe lets go" ||
    fail "the uninstaller and a closing uninstall.exe" "$(tr -d '\r' <"$work/hold.log" | tr '\n' ' ')status $status"

run_setup /S
expected_keys="SCRNSAVE.EXE C:\\windows\\system32\\kvss.scr
ScreenSaveActive 1
DisplayName Korvane Screensaver
DisplayVersion $version
Publisher kestrow
UninstallString \"C:\\Program Files\\kvss\\uninstall.exe\"
DisplayIcon C:\\windows\\system32\\kvss.scr,0"
keys=$(
    for name in SCRNSAVE.EXE ScreenSaveActive; do echo "$name $(reg_value "$desktop_key" $name)"; done
    for name in DisplayName DisplayVersion Publisher UninstallString DisplayIcon; do
        echo "$name $(reg_value "$uninstall_key" $name)"
    done
)
if [ "$status" = 0 ] && cmp -s "$scr" "$installed" && [ -f "$uninstaller_dir/uninstall.exe" ] &&
    [ "$keys" = "$expected_keys" ]; then
    pass "/S copies kvss.scr to system32, makes it the screen saver and registers the uninstaller"
else
    fail "/S install" "status $status; $(diff <(echo "$expected_keys") <(echo "$keys") | head -n 10)"
fi

# The tools beside the uninstaller, and their Start-menu entries.
shortcuts=$(ls "$start_menu" 2>/dev/null | tr '\n' '|')
if cmp -s "$win_build/src/host/win32/kvss-viewer.exe" "$uninstaller_dir/kvss-viewer.exe" &&
    cmp -s "$win_build/tools/kvtool/kvtool.exe" "$uninstaller_dir/kvtool.exe" &&
    [ "$shortcuts" = "Korvane model viewer.lnk|kvtool command prompt.lnk|" ] &&
    [ "$(reg_default "$viewer_application")" = '"C:\Program Files\kvss\kvss-viewer.exe" "%1"' ]; then
    pass "/S puts kvss-viewer.exe and kvtool.exe in Program Files\kvss, with Start-menu entries and Open with"
else
    fail "/S installs the tools" "shortcuts '$shortcuts'; open with '$(reg_default "$viewer_application")'"
fi
installed_kvtool="$uninstaller_dir/kvtool.exe"
timeout 120 "$wine" "$installed_kvtool" ls "$(winpath "$work/game")" >"$work/kvtool-ls.out" 2>&1
if [ "$(tr -d '\r' <"$work/kvtool-ls.out" | grep -c '\.oof$')" = 6 ]; then
    pass "the installed kvtool.exe lists the demo's six models"
else
    fail "the installed kvtool.exe ls" "$(head -c 300 "$work/kvtool-ls.out")"
fi
exports="$work/all exports"
rm -rf "$exports"
timeout 300 "$wine" "$installed_kvtool" export "$(winpath "$work/game")" --all -o "$(winpath "$exports")" \
    >"$work/kvtool-export.out" 2>&1
export_status=$?
exported=$(ls "$exports" 2>/dev/null | tr '\n' ' ')
if [ "$export_status" = 0 ] &&
    [ "$exported" = "asteroid.glb harvester.glb lance.glb lighthouse.glb relay.glb vanguard.glb " ] &&
    assimp info "$exports/vanguard.glb" >/dev/null 2>&1; then
    pass "the installed kvtool.exe export --all writes every model into a folder with a space in its name"
else
    fail "the installed kvtool.exe export --all" "status $export_status; wrote '$exported'; $(tr -d '\r' <"$work/kvtool-export.out" | tail -n 2)"
fi
start_windows viewer.log "$(winpath "$uninstaller_dir/kvss-viewer.exe")"
installed_viewer=$last
if find_window '^kvss - asteroid\.oof$'; then
    press "$window" q
    wait_exit "$installed_viewer"
    [ "$status" = 0 ] && pass "the installed kvss-viewer.exe shows the game and closes on q" ||
        fail "the installed kvss-viewer.exe" "status $status"
else
    wait_exit "$installed_viewer" 1
    fail "the installed kvss-viewer.exe" "no window"
fi

# Started as the desktop starts it: the path in SCRNSAVE.EXE, then /s.
saver_path=$(reg_value "$desktop_key" SCRNSAVE.EXE)
start_windows saver.log "$saver_path" /s
saver=$last
if find_window '^Screen Saver$' && wait_until_drawn; then
    press "$window" space
    wait_exit "$saver"
    [ "$status" = 0 ] && pass "the installed kvss.scr runs /s from the system folder and draws" ||
        fail "the installed kvss.scr /s" "status $status"
else
    wait_exit "$saver" 1
    fail "the installed kvss.scr /s" "no window or nothing drawn; status $status"
fi

# An upgrade: an earlier version, which had only the saver, then this one over it.
rm -f "$uninstaller_dir/kvss-viewer.exe" "$uninstaller_dir/kvtool.exe"
rm -rf "$start_menu"
reg add "$uninstall_key" /v DisplayVersion /d 0.0.1 /f
run_setup /S
if [ "$status" = 0 ] && [ "$(reg_value "$uninstall_key" DisplayVersion)" = "$version" ] &&
    [ -f "$uninstaller_dir/kvss-viewer.exe" ] && [ -f "$uninstaller_dir/kvtool.exe" ] && [ -d "$start_menu" ] &&
    cmp -s "$scr" "$installed"; then
    pass "installing over an earlier version brings the saver, the tools and the version up to date"
else
    fail "an upgrade" "status $status; version $(reg_value "$uninstall_key" DisplayVersion)"
fi

run_uninstaller
leftovers=$(left_over "")
if [ -z "$leftovers" ] && [ "$(reg_value "$options_key" mirror)" = 0x1 ]; then
    pass "the uninstaller /S removes kvss.scr, the tools, their entries and keys and SCRNSAVE.EXE, and keeps the options"
else
    fail "uninstall" "left: $(echo $leftovers); options: $(reg_value "$options_key" mirror)"
fi
reg delete "$options_key" /f
