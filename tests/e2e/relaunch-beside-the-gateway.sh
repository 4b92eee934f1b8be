#!/bin/sh
# The tray across a quit, as a photographer meets it: a UniFi console beside the
# gateway (on this computer's subnet, not its default route) is connected once
# with the floating window on; the tray is started, ends on SIGTERM as at a
# logout, and is started again. Each launch reconnects by itself to the same
# address with the kept password, and the floating window stays on.
# Usage: relaunch-beside-the-gateway.sh VELTRANO VELTRANO_CLI   (inside the lab
# and a private Secret Service: run-in-router-lab.sh run-with-secret-service.sh ...)
set -eu
tray=$1
cli=$2
address=$VELTRANO_LAB_UNIFI
log=$XDG_DATA_HOME/Veltrano/session_log.json
fail() {
    echo "FAIL $*" >&2
    exit 1
}
connections() {
    grep -o 'Router connected' "$log" 2>/dev/null | wc -l
}

ip route show default | grep -q "via $address " && fail "the console must not be the default route"
"$cli" settings set routerIP "$address" >/dev/null
"$cli" settings set routerUsername "$VELTRANO_LAB_USERNAME" >/dev/null
printf '%s\n' "$VELTRANO_LAB_PASSWORD" | "$cli" password set >/dev/null
[ "$("$cli" detect "$address")" = unifi ] || fail "detect $address"
"$cli" connect >/dev/null || fail "connect"
"$cli" settings set floatingWindowEnabled true >/dev/null

for launch in 1 2; do
    before=$(connections)
    QT_QPA_PLATFORM=offscreen "$tray" >"$XDG_RUNTIME_DIR/tray-$launch.log" 2>&1 &
    pid=$!
    waited=0
    while [ "$(connections)" -le "$before" ]; do
        waited=$((waited + 1))
        [ "$waited" -le 60 ] || { kill "$pid"; fail "launch $launch did not reconnect: $(tail -n 3 "$XDG_RUNTIME_DIR/tray-$launch.log")"; }
        sleep 0.5
    done
    kill -TERM "$pid"
    wait "$pid" || fail "launch $launch ended with status $?"
    [ "$("$cli" settings get routerIP)" = "$address" ] || fail "launch $launch moved routerIP"
    [ "$("$cli" settings get routerAutoReconnect)" = true ] || fail "launch $launch turned reconnection off"
    [ "$("$cli" settings get floatingWindowEnabled)" = true ] || fail "launch $launch turned the floating window off"
    echo "ok   launch $launch reconnected to $address and kept the floating window"
done
