# What the end-to-end scripts share (tests/win32/run.sh with the files it
# sources, tests/x11/xscreensaver.sh): their tally, one `eventually` for every
# wait, a private Xvfb, windows found with xdotool, processes waited for and
# the screen's picture. Sourced after the script has made its scratch folder
# $work.

# Every wait is bounded, and generously: Wine is slow to start a program, a
# loaded machine slower still. A condition that holds costs only its own time.
patience=90

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "PASS $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1${2:+: $2}"; }
# The last line of a run, and its status.
tally() {
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]
}

# eventually [-t SECONDS] COMMAND [ARGUMENT...]
# Runs the command until it succeeds, five times a second, for at most
# $patience seconds (or SECONDS). It runs in this shell, so it may set
# variables; what it printed at its last try is left in $seen, and a wait that
# gives up says so with it.
eventually() {
    local limit=$patience
    if [ "$1" = -t ]; then
        limit=$2
        shift 2
    fi
    local deadline=$((SECONDS + limit))
    while :; do
        if "$@" >"$work/eventually.out" 2>&1; then
            seen=$(<"$work/eventually.out")
            return 0
        fi
        seen=$(<"$work/eventually.out")
        if ((SECONDS >= deadline)); then
            echo "  waited ${limit}s for: $*; the last look: ${seen:-nothing said}"
            return 1
        fi
        sleep 0.2
    done
}

# Starts an Xvfb of its own on a display it picks itself, so that runs side by
# side never share one, and exports DISPLAY; $xvfb_pid is its pid. It does not
# reset when a client leaves, so a program starting is never refused mid-reset.
start_xvfb() {
    local number=""
    exec 3<> <(:)
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    read -r -t "$patience" number <&3
    exec 3<&-
    [ -n "$number" ] || return 1
    export DISPLAY=:$number
    eventually x_answers
}
x_answers() { xwd -root -silent >/dev/null 2>&1 || { echo "display $DISPLAY does not answer"; return 1; }; }

# Whether a process has ended (for `eventually`).
ended() {
    kill -0 "$1" 2>/dev/null || return 0
    echo "pid $1 still runs"
    return 1
}
# wait_exit PID [SECONDS]: waits for a child of this shell to end; its exit
# status is in $status (999 while it runs).
wait_exit() {
    status=999
    eventually -t "${2:-$patience}" ended "$1" || return 1
    wait "$1"
    status=$?
}

# The first X window whose name matches the pattern, into $window.
window_named() {
    window=$(xdotool search --name "$1" 2>/dev/null | head -n 1)
    [ -n "$window" ] && return 0
    echo "no window named like '$1'"
    return 1
}
# find_window PATTERN: waits for such a window; its id is in $window.
find_window() {
    window=""
    eventually window_named "$1"
}
# The window's title matches the pattern; the title is in $title.
title_matches() {
    title=$(xdotool getwindowname "$1" 2>/dev/null)
    echo "the title '$title'"
    [[ "$title" =~ $2 ]]
}
# wait_title WINDOW PATTERN: waits until the title matches.
wait_title() { eventually title_matches "$1" "$2"; }
press() {
    xdotool windowfocus --sync "$1" 2>/dev/null
    xdotool key --clearmodifiers "$2"
}

# The screen's picture, as xwd writes it, into the file (default $work/screen.xwd).
screenshot() { xwd -root -silent >"${1:-$work/screen.xwd}" 2>/dev/null; }
# The bytes of the screen's picture that are not black.
lit_bytes() {
    screenshot || { echo 0; return; }
    tail -c $((800 * 600 * 4)) "$work/screen.xwd" | tr -d '\000' | wc -c
}
# Whether the screen shows something, not only black.
drawn() {
    local lit
    lit=$(lit_bytes)
    echo "$lit bytes of the screen lit"
    [ "$lit" -gt 1000 ]
}
wait_until_drawn() { eventually drawn; }

# draws_on [TIMES]: waits until the screen's picture has changed TIMES times
# (default 2) since the first look. A program that draws on is alive and has
# read the input that came before: the sign of life that "nothing else
# happened" is judged against, so that a stalled program fails.
picture_sum() {
    screenshot "$work/look.xwd" || return 1
    md5sum <"$work/look.xwd"
}
picture_changed() {
    local now
    now=$(picture_sum) || { echo "no picture of the screen"; return 1; }
    if [ "$now" != "$last_look" ]; then
        changes=$((changes + 1))
        last_look=$now
    fi
    echo "the screen changed $changes of $1 times"
    [ "$changes" -ge "$1" ]
}
draws_on() {
    changes=0
    last_look=$(picture_sum)
    eventually picture_changed "${1:-2}"
}
