#!/bin/sh
# The tray pictures: veltrano itself, connected to the lab's GL.iNet simulator,
# under a private X server with openbox and a system tray (trayer). The
# simulator is pinned to each signal state in turn and the tray photographed;
# then a left click opens the menu. Run by tools/screenshots/screenshots as
#   run-in-router-lab.sh run-with-secret-service.sh tray-session.sh BUILD OUTPUT
# so that the program sees only the lab's network and a throwaway keyring.
set -eu
build=$1
output=$2
cli=$build/src/veltrano-cli
display=:77
control="http://$VELTRANO_LAB_GLINET:$VELTRANO_LAB_CONTROL_PORT/control"

pin() {
    curl -sS --max-time 5 -o /dev/null -H 'Content-Type: application/json' \
        --data "{\"command\":\"set\",\"mac\":\"78:F5:05:4A:10:01\",\"rssi\":$1}" "$control"
}
# The tray icons at three times their size: a 32-pixel panel is hard to read.
photograph() {
    # shellcheck disable=SC2086
    import -display "$display" -window root png:- | convert png:- -crop "$2" +repage ${3:-} "$output/$1.png"
}

"$cli" settings set routerIP "$VELTRANO_LAB_GLINET" >/dev/null
"$cli" settings set routerUsername "$VELTRANO_LAB_USERNAME" >/dev/null
printf '%s\n' "$VELTRANO_LAB_PASSWORD" | "$cli" password set >/dev/null
"$cli" connect >/dev/null
"$cli" settings set targetMAC 78:F5:05:4A:10:01 >/dev/null
"$cli" settings set targetName "EOS R5 Mark II" >/dev/null
curl -sS --max-time 5 -o /dev/null --data '{"command":"reset"}' "$control"
pin -52

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
"$build/src/veltrano" &
pids="$pids $!"
# Past the splash, and a few polls of the router.
sleep 8
tray=40x32+1240+0
photograph tray-excellent "$tray" "-scale 300%"
pin -71
sleep 6
photograph tray-marginal "$tray" "-scale 300%"
pin -82
sleep 6
photograph tray-critical "$tray" "-scale 300%"
pin -52
sleep 6
xdotool mousemove 1260 16 click 1
sleep 1
photograph menu 250x275+1030+0
