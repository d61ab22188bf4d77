# Sourced by run.sh after the dialog's tests: the dialog's game row with each
# way the game is found, its folder picker, and /s finding the demo game
# through Steam, GOG and game_dir with no App Paths entry, and kvtool.exe
# find-game through the same. Leaves App Paths
# pointing at the demo game, as it found it.

mkdir -p "$work/steam/steamapps" "$work/library/steamapps/common" "$work/gog"
cp -r "$work/game" "$work/library/steamapps/common/Korvane"
cp -r "$work/game" "$work/gog/Korvane"
steam_game=$(winpath "$work/library/steamapps/common/Korvane")
gog_game=$(winpath "$work/gog/Korvane")
# Steam writes its own folder with forward slashes, and lists its libraries in
# steamapps\libraryfolders.vdf with escaped backslashes.
steam_path=$(winpath "$work/steam" | tr '\\' /)
library=$(winpath "$work/library")
printf '"libraryfolders"\n{\n\t"0"\n\t{\n\t\t"path"\t\t"%s"\n\t}\n}\n' "${library//\\/\\\\}" \
    >"$work/steam/steamapps/libraryfolders.vdf"

use_steam() { reg add "$steam_key" /v SteamPath /d "$steam_path" /f; }
# GOG's 32-bit installer writes into the 32-bit view.
use_gog() { reg add "$gog_key" /v path /d "$gog_game" /f /reg:32; }
use_chosen() { reg add "$options_key" /v game_dir /d "$game_win" /f; }
use_none() {
    reg delete "$steam_key" /f
    reg delete "$gog_key" /f /reg:32
    reg delete "$options_key" /f
}

# row_shows WHAT EXPECTED: the game row of /c, closed with Cancel.
row_shows() {
    with_dialog cancel
    local row
    row=$(grep '^game ' <<<"$state")
    [ "$row" = "$2" ] && pass "the game row: $1" || fail "the game row: $1" "${row:-$state}"
}
reg delete "$app_paths" /f
use_none
row_shows "nothing found" 'game "" Not found'
use_steam
row_shows "SteamPath and a library in libraryfolders.vdf" "game \"$steam_game\" Found through Steam"
use_none
use_gog
row_shows "a GOG key in the 32-bit view" "game \"$gog_game\" Found through GOG"
use_none
use_chosen
row_shows "game_dir" "game \"$game_win\" Your choice"

# The folder picker, driven through its file name field: a folder with the
# archive is taken and OK stores it; one without is refused with a message
# naming it, and OK then stores nothing.
browse_and_accept() {
    picked=$(probe browse "$1")
    probe press 1 >/dev/null
}
stored_game_dir() {
    timeout 60 "$wineserver" -w
    timeout 60 "$wine" reg query "$options_key" /v game_dir >"$work/reg.out" 2>&1
    tr -d '\r' <"$work/reg.out" | sed -n 's/^ *game_dir *REG_SZ *//p'
}
use_none
use_steam
with_dialog browse_and_accept "$game_win"
if [[ "$picked" == *"game \"$game_win\" Your choice"* ]] && [ "$status" = 1 ] && [ "$(stored_game_dir)" = "$game_win" ]; then
    pass "a folder picked with the archive shows as the choice and OK stores it in game_dir"
else
    fail "a folder picked with the archive is stored by OK" "status $status; $picked; game_dir '$(stored_game_dir)'"
fi

reg delete "$options_key" /f
empty_win=$(winpath "$work/empty")
with_dialog browse_and_accept "$empty_win"
if [[ "$picked" == "refused "*"\"$empty_win holds no kv.hog: choose the folder the game is installed in.\""* ]] &&
    [ "$status" = 1 ] && [ -z "$(stored_game_dir)" ]; then
    pass "a folder without kv.hog is refused with a message naming it, and OK stores no game_dir"
else
    fail "a folder without kv.hog is refused" "status $status; $picked; game_dir '$(stored_game_dir)'"
fi

# /s with only one of the ways to the game draws, and a key still ends it.
saver_finds() {
    start_saver /s
    local saver=$last
    if find_window '^Screen Saver$' && wait_until_drawn; then
        press "$window" space
        wait_exit "$saver"
        [ "$status" = 0 ] && pass "/s finds the game through $1 and draws" || fail "/s through $1" "status $status"
    else
        wait_exit "$saver" 1
        fail "/s finds the game through $1 and draws" "nothing drawn; status $status"
    fi
}
use_none
use_steam
saver_finds "SteamPath and libraryfolders.vdf"
use_none
use_gog
saver_finds "a GOG key"
use_none
use_chosen
saver_finds "game_dir"

# kvtool.exe finds the game by the same stores, in the same order.
use_none
use_steam
use_gog
found=$(timeout 60 "$wine" "$win_build/tools/kvtool/kvtool.exe" find-game --all 2>"$work/find.err" | tr -d '\r')
expected=$(printf '%s\tSteam library %s\n%s\tGOG' "$steam_game" "$library" "$gog_game")
[ "$found" = "$expected" ] && pass "kvtool.exe find-game --all lists the Steam library's game, then GOG's" ||
    fail "kvtool.exe find-game --all" "'$found' $(cat "$work/find.err")"

use_none
reg add "$app_paths" /v Path /d "$game_win" /f
