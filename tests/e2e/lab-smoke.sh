#!/bin/sh
# Proves the router lab from inside the studio namespace: each simulator answers
# its family's probe, the control API works, ubus and hostapd_cli answer through
# the real sshd with the scenario's password, and the default route leads to
# the GL.iNet router. Run by run-in-router-lab.sh.
set -u

command -v curl >/dev/null 2>&1 || { echo "skipped: curl is not installed" >&2; exit 77; }
command -v ssh >/dev/null 2>&1 || { echo "skipped: ssh is not installed" >&2; exit 77; }

failures=0
check() {
    name=$1
    shift
    if "$@"; then
        echo "ok   $name"
    else
        echo "FAIL $name" >&2
        failures=$((failures + 1))
    fi
}
contains() {
    printf '%s' "$1" | grep -q -- "$2"
}

# curl with a bounded wait; -k because the lab's certificate is self-signed.
fetch() {
    curl -sS -k --max-time 5 "$@"
}

default_route=$(ip route show default)
check "default route via the GL.iNet router" contains "$default_route" "default via $VELTRANO_LAB_GLINET "

challenge=$(fetch -X POST -H 'Content-Type: application/json' \
    -d '{"method":"challenge","params":{"username":"root"},"id":1}' "http://$VELTRANO_LAB_GLINET/rpc")
check "GL.iNet challenge has a salt" contains "$challenge" '"salt":"'
check "GL.iNet challenge names its hash method" contains "$challenge" '"hash-method":'

system=$(fetch "https://$VELTRANO_LAB_UNIFI/api/system")
check "UniFi OS /api/system has hardware" contains "$system" '"hardware":'
classic=$(fetch -X POST -H 'Content-Type: application/json' -d '{"username":"nobody","password":"x"}' \
    "https://$VELTRANO_LAB_UNIFI_CLASSIC:8443/api/login")
check "classic controller answers its login" contains "$classic" '"api.err.Invalid"'
check "classic controller has no UniFi OS port" sh -c "! curl -sk --max-time 3 https://$VELTRANO_LAB_UNIFI_CLASSIC/api/system"

peplink=$(fetch -i "https://$VELTRANO_LAB_PEPLINK/api/status.system" | tr 'A-Z' 'a-z')
check "Peplink refuses without a token" contains "$peplink" "http/1.1 401"
check "Peplink names itself in WWW-Authenticate" contains "$peplink" "www-authenticate: bearer realm=\"peplink\""

control="http://$VELTRANO_LAB_UNIFI:$VELTRANO_LAB_CONTROL_PORT"
check "control reset" contains "$(fetch -X POST -d '{"command":"reset"}' "$control/control")" '{"ok":true}'
fetch -o /dev/null "https://$VELTRANO_LAB_UNIFI/api/system"
requests=$(fetch "$control/control/requests")
check "control logs the probe" contains "$requests" '"path":"/api/system"'
check "control pins a value" contains \
    "$(fetch -X POST -d '{"command":"set","mac":"78:F5:05:4A:10:01","rssi":-77}' "$control/control")" '{"ok":true}'

# The password goes to ssh through an askpass script, never on a command line.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
printf '%s\n' "$VELTRANO_LAB_PASSWORD" >"$home/password"
printf '#!/bin/sh\ncat %s\n' "$home/password" >"$home/askpass"
chmod 700 "$home/askpass"
remote() {
    host=$1
    shift
    HOME=$home SSH_ASKPASS=$home/askpass SSH_ASKPASS_REQUIRE=force DISPLAY=:0 \
        timeout 20 ssh -F /dev/null -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null \
        -o PubkeyAuthentication=no -o PasswordAuthentication=yes -o NumberOfPasswordPrompts=1 \
        -o ConnectTimeout=5 -o LogLevel=ERROR "root@$host" "$@" </dev/null
}
devices=$(remote "$VELTRANO_LAB_GLINET" "ubus call iwinfo devices")
check "ubus over ssh lists the radios" contains "$devices" '"wlan1"'
station=$(remote "$VELTRANO_LAB_AP" "hostapd_cli -p /var/run/hostapd -i wifi1ap5 sta 78:f5:05:4a:10:01")
check "hostapd_cli over ssh shows the pinned signal" contains "$station" "signal=-77"
elsewhere=$(remote "$VELTRANO_LAB_AP" "hostapd_cli -p /var/run/hostapd -i wifi0ap0 sta 78:f5:05:4a:10:01")
check "hostapd_cli answers FAIL on another interface" [ "$elsewhere" = FAIL ]

[ "$failures" -eq 0 ]
