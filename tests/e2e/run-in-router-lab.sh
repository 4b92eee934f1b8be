#!/bin/sh
# Runs COMMAND in a router lab that exists only for the run: two network
# namespaces joined by a veth pair, inside a private mount namespace whose /run
# is a tmpfs (so `ip netns add` leaves nothing behind).
#
#   "router" 10.77.0.1/24  GL.iNet simulator (HTTP 80, HTTPS 443) and sshd:22 (ubus)
#            10.77.0.3     UniFi simulator (UniFi OS 443, classic controller 8443),
#                          and sshd:22 for a host that takes its address over
#            10.77.0.4     Peplink simulator (443)
#            10.77.0.5     the UniFi access point Studio-South: sshd:22 (hostapd_cli)
#            10.77.0.7     the UniFi access point Studio-North: sshd:22 (hostapd_cli)
#            10.77.0.6     classic UniFi controller (8443 only)
#            every simulator also answers its control API on port 9000
#   "studio" 10.77.0.2/24, default route via 10.77.0.1: COMMAND runs here.
#
# The router namespace has no route anywhere else, so nothing can leave the lab.
# COMMAND gets VELTRANO_LAB=1 and VELTRANO_LAB_* naming the addresses, the
# login, the scenario, a second certificate (a replaced router's), and sshd's
# host key, process and log (to give it a new key: rewrite the key, then
# SIGHUP; the log names every connection it accepted); the
# script exits with COMMAND's status, or skips (tests/skip.sh) where namespaces,
# sshd, ip or openssl are unavailable.
#
# The simulator binary comes from VELTRANO_ROUTER_SIMULATOR (or the build
# folder beside the sources); the scenario from VELTRANO_LAB_SCENARIO, by
# default lab-scenario.json beside this script.
set -u

. "$(dirname "$0")/../skip.sh"

if [ "$#" -eq 0 ]; then
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
fi

here=$(cd "$(dirname "$0")" && pwd)
simulator=${VELTRANO_ROUTER_SIMULATOR:-}
if [ -z "$simulator" ]; then
    for candidate in "$here"/../../build*/tools/router-simulator/veltrano-router-simulator; do
        [ -x "$candidate" ] && simulator=$candidate && break
    done
fi
[ -n "$simulator" ] && [ -x "$simulator" ] || skip "veltrano-router-simulator not found (set VELTRANO_ROUTER_SIMULATOR)"
simulator=$(cd "$(dirname "$simulator")" && pwd)/$(basename "$simulator")
scenario=${VELTRANO_LAB_SCENARIO:-$here/lab-scenario.json}
[ -r "$scenario" ] || skip "no scenario at $scenario"
scenario=$(cd "$(dirname "$scenario")" && pwd)/$(basename "$scenario")

sshd=/usr/sbin/sshd
for tool in ip ss unshare openssl ssh-keygen; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done
[ -x "$sshd" ] || skip "OpenSSH server not installed"

if [ "${VELTRANO_ROUTER_LAB:-}" != 1 ]; then
    # A private network namespace as well: whatever this script does itself
    # happens away from the machine's interfaces.
    for flags in "-m -n" "-r -m -n"; do
        # shellcheck disable=SC2086
        if unshare $flags --propagation private true 2>/dev/null; then
            VELTRANO_ROUTER_LAB=1 VELTRANO_ROUTER_SIMULATOR=$simulator VELTRANO_LAB_SCENARIO=$scenario \
                exec unshare $flags --propagation private "$0" "$@"
        fi
    done
    skip "this system allows no private mount and network namespace"
fi

# From here on: inside the private namespaces.
work=$(mktemp -d) || skip "no temporary folder"
simulator_pids=""

teardown() {
    for pid in $simulator_pids; do
        kill "$pid" 2>/dev/null
    done
    [ -s "$work/sshd.pid" ] && kill "$(cat "$work/sshd.pid")" 2>/dev/null
    # Whatever else runs in the lab is ours too: sshd sessions, ssh masters the
    # command left behind.
    for namespace in studio router; do
        pids=$(ip netns pids "$namespace" 2>/dev/null)
        # shellcheck disable=SC2086
        [ -n "$pids" ] && kill $pids 2>/dev/null
    done
    for pid in $simulator_pids; do
        wait "$pid" 2>/dev/null
    done
    ip netns del studio 2>/dev/null
    ip netns del router 2>/dev/null
    rm -rf "$work"
}
trap teardown EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mount -t tmpfs -o mode=0755 tmpfs /run || skip "no private /run"
mkdir -m 0755 /run/sshd

ip netns add router && ip netns add studio || skip "network namespaces cannot be made"
ip -n studio link add veth-studio type veth peer name veth-router netns router || skip "no veth pair"
ip -n router link set lo up
ip -n router link set veth-router up
for address in 10.77.0.1/24 10.77.0.3/24 10.77.0.4/24 10.77.0.5/24 10.77.0.6/24 10.77.0.7/24; do
    ip -n router address add "$address" dev veth-router || skip "router address $address"
done
ip -n studio link set lo up
ip -n studio link set veth-studio up
ip -n studio address add 10.77.0.2/24 dev veth-studio || skip "studio address"
ip -n studio route add default via 10.77.0.1 || skip "studio default route"

credentials=$("$simulator" credentials "$scenario") || { echo "unreadable scenario $scenario" >&2; exit 2; }
username=$(printf '%s\n' "$credentials" | sed -n 1p)
password=$(printf '%s\n' "$credentials" | sed -n 2p)

umask 077
# The second pair is what a replaced router would show at the same address.
for pair in "" other-; do
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=router.lab \
        -keyout "$work/${pair}key.pem" -out "$work/${pair}cert.pem" 2>/dev/null ||
        skip "openssl cannot make a certificate"
done

# root's SSH password is the scenario's; /etc/shadow is replaced only in this
# mount namespace.
hash=$(printf '%s\n' "$password" | openssl passwd -6 -stdin) || skip "openssl cannot hash a password"
awk -F: -v hash="$hash" 'BEGIN { OFS = ":" } $1 == "root" { $2 = hash } { print }' /etc/shadow >"$work/shadow"
mount --bind "$work/shadow" /etc/shadow || skip "/etc/shadow cannot be replaced"
# A router's root runs a bare POSIX shell with an empty home; this machine's own
# root may have a login environment that costs more than the command itself.
mkdir -m 0700 "$work/root-home"
awk -F: -v home="$work/root-home" 'BEGIN { OFS = ":" } $1 == "root" { $6 = home; $7 = "/bin/sh" } { print }' \
    /etc/passwd >"$work/passwd"
chmod 0644 "$work/passwd"
mount --bind "$work/passwd" /etc/passwd || skip "/etc/passwd cannot be replaced"

# ubus and hostapd_cli where root's non-interactive session finds them, with
# the file that tells them where the simulators keep their state.
mkdir -m 0755 "$work/sbin" "$work/state"
ln -s "$simulator" "$work/sbin/ubus"
ln -s "$simulator" "$work/sbin/hostapd_cli"
printf '%s\n' "$work/state" >"$work/sbin/router-simulator-state"
chmod 0755 "$work"
chmod 0644 "$work/sbin/router-simulator-state"
mount --bind "$work/sbin" /usr/local/sbin || skip "/usr/local/sbin cannot be replaced"

# The access points' hostapd control folder as a U7 Pro XGS keeps it: a socket
# per interface, with the scanning radio, the multi-link device and regular
# files beside them.
mkdir -m 0755 /run/hostapd
"$simulator" unix-sockets /run/hostapd wifi0ap0 wifi0ap3 wifi1ap5 wifi1ap6 wifi2ap10 mld-wifi0 scan0 wifi3 ||
    skip "no Unix sockets in /run/hostapd"
: >/run/hostapd/wifi1ap5.dyn.accept
: >/run/hostapd/wifi2ap10.dyn.accept

ssh-keygen -q -t ed25519 -N '' -f "$work/host_key" || skip "ssh-keygen failed"
cat >"$work/sshd_config" <<CONFIG
ListenAddress 10.77.0.1
ListenAddress 10.77.0.3
ListenAddress 10.77.0.5
ListenAddress 10.77.0.7
Port 22
HostKey $work/host_key
PidFile $work/sshd.pid
PermitRootLogin yes
PasswordAuthentication yes
KbdInteractiveAuthentication no
PubkeyAuthentication no
AuthorizedKeysFile none
UsePAM no
PrintMotd no
PrintLastLog no
LoginGraceTime 10
MaxStartups 50
MaxSessions 50
LogLevel VERBOSE
CONFIG
"$sshd" -t -f "$work/sshd_config" || skip "sshd refuses the lab configuration"
ip netns exec router "$sshd" -f "$work/sshd_config" -E "$work/sshd.log" || skip "sshd does not start"

serve() {
    family=$1
    address=$2
    shift 2
    ip netns exec router "$simulator" serve --family "$family" --address "$address" --scenario "$scenario" \
        --state "$work/state" --control-port 9000 "$@" &
    simulator_pids="$simulator_pids $!"
}
serve glinet 10.77.0.1 --cert "$work/cert.pem" --key "$work/key.pem"
serve unifi 10.77.0.3 --cert "$work/cert.pem" --key "$work/key.pem"
serve peplink 10.77.0.4 --cert "$work/cert.pem" --key "$work/key.pem"
serve unifi-classic 10.77.0.6 --cert "$work/cert.pem" --key "$work/key.pem"

# Up to about 10 s for every listener; a simulator that exits fails the run.
expected="10.77.0.1:80 10.77.0.1:443 10.77.0.1:22 10.77.0.3:22 10.77.0.5:22 10.77.0.7:22 10.77.0.3:443 10.77.0.3:8443 10.77.0.4:443 10.77.0.6:8443
10.77.0.1:9000 10.77.0.3:9000 10.77.0.4:9000 10.77.0.6:9000"
tries=0
while :; do
    listening=$(ip netns exec router ss -ltnH 2>/dev/null | awk '{ print $4 }')
    missing=""
    for endpoint in $expected; do
        printf '%s\n' "$listening" | grep -qx "$endpoint" || missing="$missing $endpoint"
    done
    [ -z "$missing" ] && break
    for pid in $simulator_pids; do
        kill -0 "$pid" 2>/dev/null || { echo "router lab: a simulator exited" >&2; exit 1; }
    done
    tries=$((tries + 1))
    if [ "$tries" -ge 100 ]; then
        echo "router lab: not listening after 10 s:$missing" >&2
        exit 1
    fi
    sleep 0.1
done

ip netns exec studio env \
    VELTRANO_LAB=1 \
    VELTRANO_LAB_GLINET=10.77.0.1 \
    VELTRANO_LAB_UNIFI=10.77.0.3 \
    VELTRANO_LAB_UNIFI_CLASSIC=10.77.0.6 \
    VELTRANO_LAB_PEPLINK=10.77.0.4 \
    VELTRANO_LAB_AP=10.77.0.5 \
    VELTRANO_LAB_AP2=10.77.0.7 \
    VELTRANO_LAB_USERNAME="$username" \
    VELTRANO_LAB_PASSWORD="$password" \
    VELTRANO_LAB_SCENARIO="$scenario" \
    VELTRANO_LAB_CONTROL_PORT=9000 \
    VELTRANO_LAB_OTHER_CERT="$work/other-cert.pem" \
    VELTRANO_LAB_OTHER_KEY="$work/other-key.pem" \
    VELTRANO_LAB_SSHD_HOST_KEY="$work/host_key" \
    VELTRANO_LAB_SSHD_PID="$(cat "$work/sshd.pid")" \
    VELTRANO_LAB_SSHD_LOG="$work/sshd.log" \
    "$@"
status=$?
exit $status
