# kvss-viewer.exe under Wine, sourced by run.sh (which gives $wine, $work,
# $win_build, $helpers, $kvtool, $expected_manifest, $expected_version, reg,
# winpath and probe, and tests/helpers.sh's find_window, wait_title, press,
# wait_exit, pass and fail).

viewer=$win_build/src/host/win32/kvss-viewer.exe
viewer_path=$(winpath "$viewer")
start_viewer() { start_windows viewer.log "$viewer_path" "$@"; }
# The file a title's " - C:\...\NAME" names, as a path here; empty when none.
written_file() {
    [[ "$title" =~ \ -\ ([A-Z]:.*)$ ]] || return 0
    "$wine" winepath -u "${BASH_REMATCH[1]}" >"$work/winepath.out" 2>/dev/null
    tr -d '\r\n' <"$work/winepath.out"
}

if [ ! -e "$viewer" ]; then
    fail "kvss-viewer.exe" "$viewer is missing"
else
    # The prefix links Documents to the home folder: make it a folder of the
    # prefix's own, so the tests never write into the user's files.
    documents=$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/Documents
    if [ -L "$documents" ]; then rm "$documents" && mkdir "$documents"; fi
    rm -rf "$documents/kvss"

    # The same manifest as kvss.scr's, and a version resource of its own.
    timeout 60 "$wine" "$helpers/resource_probe.exe" manifest "$viewer_path" >"$work/manifest.out" 2>&1
    [ "$(tr -d '\r' <"$work/manifest.out")" = "$expected_manifest" ] &&
        pass "kvss-viewer.exe: per-monitor v2 DPI, common controls 6, Windows 7 to 11, asInvoker" ||
        fail "kvss-viewer.exe's manifest" "$(tr -d '\r' <"$work/manifest.out" | head -n 3)"
    expected_viewer_version=$(sed -e 's/Korvane Screensaver/Korvane model viewer/' \
        -e 's/"kvss.scr"/"kvss-viewer.exe"/' <<<"$expected_version")
    timeout 60 "$wine" "$helpers/resource_probe.exe" version "$viewer_path" >"$work/version.out" 2>&1
    [ "$(tr -d '\r' <"$work/version.out")" = "$expected_viewer_version" ] &&
        pass "kvss-viewer.exe's version resource names Korvane model viewer, kvss $version" ||
        fail "kvss-viewer.exe's version resource" "$(diff <(echo "$expected_viewer_version") <(tr -d '\r' <"$work/version.out") | head -n 6)"

    reg add "$app_paths" /v Path /d "$(winpath "$work/game")" /f
    start_viewer --geometry 320x240
    viewer_pid=$last
    if find_window '^kvss - asteroid\.oof$'; then
        pass "kvss-viewer.exe finds the game through App Paths and opens at its first model"
        press "$window" n
        wait_title "$window" '^kvss - harvester\.oof$' && pass "n shows the next model in the title" ||
            fail "n shows the next model in the title" "$title"

        press "$window" c
        wait_title "$window" '^kvss - harvester\.oof - .*\\Documents\\kvss\\harvester-1\.png$'
        picture=$(written_file)
        if [ -n "$picture" ] && file "$picture" | grep -q 'PNG image data, 320 x 240'; then
            pass "c writes the window's picture into Documents\\kvss and shows where"
        else
            fail "c writes the window's picture into Documents\\kvss and shows where" "title '$title'"
        fi

        press "$window" e
        wait_title "$window" '^kvss - harvester\.oof - .*\\Documents\\kvss\\harvester\.glb$'
        model=$(written_file)
        if [ -n "$model" ] && assimp info "$model" >"$work/assimp.out" 2>&1 && grep -q 'Node hierarchy' "$work/assimp.out"; then
            pass "e exports the model as a .glb that assimp reads"
        else
            fail "e exports the model as a .glb that assimp reads" "title '$title'"
        fi

        press "$window" q
        wait_exit "$viewer_pid"
        [ "$status" = 0 ] && pass "q closes the viewer with status 0" || fail "q closes the viewer with status 0" "status $status"
    else
        fail "kvss-viewer.exe finds the game through App Paths and opens at its first model"
    fi

    # A .hog given on the command line, as Explorer passes one opened with the viewer.
    "$kvtool" extract "$work/game" lance.oof -o "$work/lance.oof"
    "$kvtool" pack "$work/other.hog" "$work/lance.oof" >/dev/null
    start_viewer "$(winpath "$work/other.hog")"
    viewer_pid=$last
    if find_window '^kvss - lance\.oof$'; then
        pass "a .hog given on the command line opens that archive"
        press "$window" Escape
        wait_exit "$viewer_pid"
    else
        fail "a .hog given on the command line opens that archive"
    fi

    # What goes wrong before a window opens is a message box and status 1.
    expect_viewer_box() {
        local what=$1 expected=$2
        shift 2
        start_viewer "$@"
        local pid=$last text
        text=$(probe message Error)
        if find_window '^Error$'; then press "$window" Return; fi
        wait_exit "$pid"
        if [[ "$text" == *"\"$expected\""* ]] && [ "$status" = 1 ]; then
            pass "$what: the message box, then status 1"
        else
            fail "$what" "box: ${text:-none}; status $status"
        fi
    }
    expect_viewer_box "a --model the archive lacks" \
        "kvss: no model nothere.oof in $(winpath "$work/game")\\kv.hog" --model nothere.oof
    reg delete "$app_paths" /f
    expect_viewer_box "kvss-viewer.exe without the game" "Korvane is not installed."
    reg add "$app_paths" /v Path /d "$(winpath "$work/game")" /f  # as the installer's tests expect it
fi
