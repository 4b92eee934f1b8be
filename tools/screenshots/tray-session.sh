#!/bin/sh
# The tray pictures: `veltrano --demo` under a private X server with openbox and
# a system tray (trayer), photographed while the demo's script (the same one
# `veltrano-cli watch --demo` and the router simulator's --timeline play) walks
# both cameras through excellent, marginal and critical; then a left click
# opens the menu. Run by tools/screenshots/screenshots in a network namespace
# of its own as
#   tray-session.sh BUILD OUTPUT
set -eu
build=$1
output=$2
display=:77

# The tray icons at three times their size: a 32-pixel panel is hard to read.
photograph() {
    # shellcheck disable=SC2086
    import -display "$display" -window root png:- | convert png:- -crop "$2" +repage ${3:-} "$output/$1.png"
}
# Seconds into the demo's script, counted from its start.
until_second() {
    sleep $(($1 - $(date +%s) + started))
}

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids=$!
trap 'kill $pids 2>/dev/null; wait 2>/dev/null' EXIT
export DISPLAY=$display QT_QPA_PLATFORM=xcb
sleep 1
openbox >/dev/null 2>&1 &
pids="$pids $!"
trayer --edge top --align right --widthtype pixel --width 40 --height 32 --tint 0x2e3436 \
    --transparent true --alpha 0 >/dev/null 2>&1 &
pids="$pids $!"
sleep 1
started=$(date +%s)
"$build/src/veltrano" --demo 2>/dev/null &
pids="$pids $!"
tray=40x32+1240+0
# Both cameras on 5 GHz and strong; then both marginal; then both critical.
until_second 24
photograph tray-excellent "$tray" "-scale 300%"
until_second 40
photograph tray-marginal "$tray" "-scale 300%"
until_second 51
photograph tray-critical "$tray" "-scale 300%"
xdotool mousemove 1260 16 click 1
sleep 1
photograph menu 385x625+895+0
