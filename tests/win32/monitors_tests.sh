# Sourced by run.sh: kvss.scr /s on two monitors of different sizes, made on
# the test's Xvfb with xrandr --setmonitor, the primary on the right, so that
# the virtual screen begins left of 0. Wine reads the monitors through
# Xinerama once UseXRandR is off, and only in a wineserver started after that.

left_area=320x240+0+180   # not the primary
right_area=480x360+320+0  # the primary
# Their bounding box: the virtual screen, which the full-screen window covers
# (the rows of the X screen below it are no monitor's).
both_areas=800x420+0+0

use_monitors() {
    xrandr --setmonitor left 320/85x240/64+0+180 screen >/dev/null &&
        xrandr --setmonitor '*right' 480/127x360/95+320+0 none >/dev/null || return 1
    reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d N /f
    timeout 60 "$wineserver" -k
}
use_one_screen() {
    xrandr --delmonitor left >/dev/null 2>&1
    xrandr --delmonitor right >/dev/null 2>&1
    reg delete 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /f
    timeout 60 "$wineserver" -k
}

# lit_box AREA: the box around the lit pixels of that part of the screen, as
# WxH+X+Y within it, in $box; fails when nothing there is lit.
lit_box() {
    screenshot "$work/monitors.xwd" || { echo "no picture of the screen"; return 1; }
    box=$(convert "xwd:$work/monitors.xwd" -crop "$1" +repage -fuzz 2% -format '%@' info: 2>/dev/null)
    local size=${1%%+*}
    echo "lit box '$box' in $1"
    [ -n "$box" ] && [ "${box%%+*}" != "$size" ] && [ "${box%%+*}" != 0x0 ]
}
# centred AREA: the lit pixels of the area lie around its centre, within an
# eighth of its size (a model split over a seam lies near half of it off).
centred() {
    lit_box "$1" || return 1
    local w h x y aw ah
    IFS='x+' read -r w h x y <<<"$box"
    IFS='x+' read -r aw ah _ <<<"$1"
    local dx=$(((2 * x + w - aw) / 2)) dy=$(((2 * y + h - ah) / 2))
    echo "lit box $box in $1: its centre $dx, $dy pixels off the area's"
    [ $((8 * ${dx#-})) -le "$aw" ] && [ $((8 * ${dy#-})) -le "$ah" ]
}
dark() {
    if lit_box "$1" >/dev/null; then
        echo "$1 shows $box"
        return 1
    fi
}
both_centred() { centred "$left_area" && centred "$right_area"; }
only_primary() { dark "$left_area" && centred "$right_area"; }
spans() { centred "$both_areas"; }

# monitors_round CHOICE INDEX CONDITION: the saver with the option set draws
# what the condition looks for, and a key still closes it.
monitors_round() {
    reg add "$options_key" /v monitors /t REG_DWORD /d "$2" /f
    start_saver /s
    local saver=$last
    if ! find_window '^Screen Saver$'; then
        fail "two monitors, $1: /s opens its window"
        return
    fi
    if eventually "$3"; then
        pass "two monitors, $1: $4"
    else
        fail "two monitors, $1: $4" "$seen; the window: $(xdotool getwindowgeometry "$window" 2>&1 | tr -s ' \n' ' ')"
    fi
    press "$window" a
    wait_exit "$saver"
}

reg delete "$options_key" /f  # the defaults: no overlay line in the way
if use_monitors; then
    monitors_round each 0 both_centred "each monitor shows a model centred on it"
    monitors_round same 1 both_centred "the one model is centred on each monitor"
    monitors_round primary 3 only_primary "the primary shows the model and the other is black"
    monitors_round span 2 spans "one picture across both, centred on the virtual screen"
else
    fail "two monitors: xrandr makes them"
fi
use_one_screen
reg delete "$options_key" /f
