#!/bin/sh
# veltrano-cli against the router lab, as a user drives it: keep the password
# in the (private) keyring, detect, connect, then list the clients of each
# family and compare them with the rows the mapping rules give for the lab's
# scenario, pinned so that nothing moves while it is read; then one client's
# row. Then each kind of router identity changes under it: a Peplink device
# shows another certificate, the GL.iNet router's sshd another host key.
# Usage: cli-clients.sh VELTRANO_CLI EXPECTED_DIR   (inside the lab and a
# private Secret Service: run-in-router-lab.sh run-with-secret-service.sh ...)
set -eu
cli=$1
expected=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

control() {
    curl -sS --max-time 5 -o /dev/null -H 'Content-Type: application/json' \
        --data "$2" "http://$1:$VELTRANO_LAB_CONTROL_PORT/control"
}

pin() {
    control "$1" '{"command":"reset"}'
    control "$1" '{"command":"set","mac":"78:F5:05:4A:10:01","rssi":-52,"txRate":1201.0,"txBytes":5000000000,"rxBytes":12000000}'
    control "$1" '{"command":"set","mac":"3C:BE:E1:22:33:44","txBytes":4294000000,"rxBytes":800000}'
    control "$1" '{"command":"set","mac":"F0:18:98:AA:BB:CC","txBytes":70000000,"rxBytes":900000000}'
    control "$1" '{"command":"set","mac":"18:C0:4D:DC:4F:CC","txBytes":470371319,"rxBytes":397117728}'
    control "$1" '{"command":"set","mac":"F4:A9:97:00:00:09","txBytes":0,"rxBytes":0}'
}

failures=0
for family in glinet unifi peplink; do
    case $family in
    glinet) address=$VELTRANO_LAB_GLINET ;;
    unifi) address=$VELTRANO_LAB_UNIFI ;;
    peplink) address=$VELTRANO_LAB_PEPLINK ;;
    esac
    pin "$address"
    "$cli" settings set routerIP "$address" >/dev/null
    "$cli" settings set routerUsername "$VELTRANO_LAB_USERNAME" >/dev/null
    printf '%s\n' "$VELTRANO_LAB_PASSWORD" | "$cli" password set >/dev/null
    detected=$("$cli" detect "$address")
    [ "$detected" = "$family" ] || { echo "detect $address: $detected, not $family" >&2; failures=$((failures + 1)); }
    "$cli" connect >"$work/connect" || { echo "connect to $family failed:" >&2; cat "$work/connect" >&2; }
    [ "$("$cli" settings get routerAutoReconnect)" = true ] || { echo "connect left no reconnect" >&2; failures=$((failures + 1)); }
    "$cli" settings set routerAutoReconnect false >/dev/null
    "$cli" clients --json >"$work/$family.json" 2>"$work/$family.err"
    if ! diff -u "$expected/$family-clients.json" "$work/$family.json"; then
        failures=$((failures + 1))
    fi
    "$cli" model >>"$work/models"
done
# One target as the monitor gets it: the GL.iNet row completed over ssh (every
# family answers through the same fetchClient), and a MAC the router lacks.
"$cli" settings set routerIP "$VELTRANO_LAB_GLINET" >/dev/null
"$cli" settings set detectedRouterType glinet >/dev/null
"$cli" client 78:f5:05:4a:10:01 >"$work/client" || failures=$((failures + 1))
diff -u "$expected/glinet-client.txt" "$work/client" || failures=$((failures + 1))
"$cli" client 78:f5:05:4a:10:01 --json | grep -q '"mcs": 11,' || failures=$((failures + 1))
if "$cli" client 02:00:00:00:00:99 2>"$work/absent"; then failures=$((failures + 1)); fi
grep -q "lists no wireless client 02:00:00:00:00:99" "$work/absent" || failures=$((failures + 1))
# A UniFi camera is read from its access point's hostapd, as the monitor reads
# it after its first poll: only hostapd's rate words name the MCS.
"$cli" settings set routerIP "$VELTRANO_LAB_UNIFI" >/dev/null
"$cli" settings set detectedRouterType unifi >/dev/null
"$cli" client 04:5d:4b:00:60:01 --json >"$work/unifi-client" || failures=$((failures + 1))
grep -q '"mcs": 11,' "$work/unifi-client" || { cat "$work/unifi-client" >&2; failures=$((failures + 1)); }
diff -u "$expected/models.txt" "$work/models" || failures=$((failures + 1))

# Connecting to a replaced router is refused, with the event line and the
# sentence that say why, until `trust forget` lets the next connect trust it.
refused() {
    "$cli" settings set routerIP "$1" >/dev/null
    "$cli" settings set detectedRouterType "$2" >/dev/null
    "$cli" trust list | grep -q "^$1 *$4 "
    said=$("$cli" connect 2>&1) && { echo "connected to $1 despite a different $3" >&2; exit 1; }
    [ "$(printf '%s\n' "$said" | tail -n 2)" = "veltrano-cli: error: VT-2003 router login rejected: $5
The router at $1 presented a different $3 than before. If you replaced or reset the router, forget its \
identity and connect again." ] || { echo "$said" >&2; exit 1; }
    "$cli" trust forget "$1" >/dev/null
}

control "$VELTRANO_LAB_PEPLINK" '{"command":"reset"}'
control "$VELTRANO_LAB_PEPLINK" "{\"command\":\"certificate\",\"cert\":\"$VELTRANO_LAB_OTHER_CERT\",\
\"key\":\"$VELTRANO_LAB_OTHER_KEY\"}"
refused "$VELTRANO_LAB_PEPLINK" peplink certificate "https :443" "identity-changed $VELTRANO_LAB_PEPLINK:443"
heard=$(curl -sS --max-time 5 "http://$VELTRANO_LAB_PEPLINK:$VELTRANO_LAB_CONTROL_PORT/control/requests")
case $heard in *'"path"'*) echo "the Peplink device heard $heard" >&2 && exit 1 ;; esac
"$cli" connect >/dev/null

rm -f "$VELTRANO_LAB_SSHD_HOST_KEY"
ssh-keygen -q -t ed25519 -N '' -f "$VELTRANO_LAB_SSHD_HOST_KEY"
kill -HUP "$VELTRANO_LAB_SSHD_PID"
key=$(cut -d' ' -f2 "$VELTRANO_LAB_SSHD_HOST_KEY.pub")
for _ in $(seq 50); do
    ssh-keyscan -T 2 -t ed25519 "$VELTRANO_LAB_GLINET" 2>/dev/null | grep -qF "$key" && break
    sleep 0.1
done
refused "$VELTRANO_LAB_GLINET" glinet "host key" ssh "host-key-changed $VELTRANO_LAB_GLINET"
"$cli" connect >/dev/null
[ "$failures" -eq 0 ]
