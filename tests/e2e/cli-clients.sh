#!/bin/sh
# veltrano-cli against the router lab, as a user drives it: keep the password
# in the (private) keyring, detect, connect, then list the clients of each
# family and compare them with the rows the mapping rules give for the lab's
# scenario, pinned so that nothing moves while it is read; then one client's row.
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
diff -u "$expected/models.txt" "$work/models" || failures=$((failures + 1))
[ "$failures" -eq 0 ]
