#!/bin/sh
# The router password is kept in the Secret Service and, while an ssh master
# starts, in its askpass file: nowhere else. With debug logging on, veltrano-cli
# fails a login to each family of the router lab, connects, and watches while
# the router drops its sessions (the UniFi camera through the access point's
# ssh) and the studio then leaves the lab's network, which disconnects the router.
# Meanwhile every process's command line and environment is sampled;
# afterwards the password, in any of its encodings, is looked for there, in
# every file of the XDG folders and of a private /tmp, in standard error (the
# lab has no journal, so the system log goes there), the debug log exports, the
# session log and any core dump.
# Usage: no-password-leaks.sh VELTRANO_CLI
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../skip.sh"
cli=$1

if [ "${VELTRANO_LAB:-}" != 1 ]; then
    # A fresh password, given to the lab's routers and sshd through their
    # scenario. Its middle changes under URL and JSON encoding and in a shell
    # script; its random halves change under none of those, so those halves,
    # their hex and their base64 (at each of the three alignments a stream may
    # give them) are what the scan looks for.
    random() { tr -dc A-Za-z0-9 </dev/urandom | head -c 16; }
    a=$(random) b=$(random)
    password="$a%\"\\'&$b"
    json="$a%\\\"\\\\'&$b"
    setup=$(mktemp -d) || skip "no temporary folder"
    trap 'rm -rf "$setup"' EXIT
    printf '%s' "$password" >"$setup/password"
    for part in "$a" "$b"; do
        printf '%s\n' "$part" "$(printf '%s' "$part" | od -An -tx1 | tr -d ' \n')"
        for filler in "" x xx; do
            printf '%s%s' "$filler" "$part" | base64 -w0 | sed 's/^....//; s/....$//'
            echo
        done
    done >"$setup/forms"
    printf 's|"password": "[^"]*"|"password": "%s"|g\n' "$(printf '%s\n' "$json" | sed 's/[\\&|]/\\&/g')" \
        >"$setup/scenario.sed"
    sed -f "$setup/scenario.sed" "$here/lab-scenario.json" >"$setup/scenario.json"
    VELTRANO_LAB_SCENARIO=$setup/scenario.json "$here/run-in-router-lab.sh" "$0" "$cli" "$setup"
    exit
fi

run=/run/no-password-leaks
if [ "${VELTRANO_PRIVATE_SECRET_SERVICE:-}" != 1 ]; then
    # In the lab's private /run, out of the scan's way; then a /tmp of our own,
    # and no process started from here inherits the lab's password.
    mkdir -m 700 "$run" && cp "$2/password" "$2/forms" "$run/" || exit 1
    # These scripts and the program may live under /tmp themselves (a clone
    # there): reached from /run, the private /tmp does not hide them.
    mkdir "$run/tests" && mount --bind "$here/.." "$run/tests" && cp "$cli" "$run/veltrano-cli" || exit 1
    mount -t tmpfs -o mode=1777 tmpfs /tmp || skip "no private /tmp"
    unset VELTRANO_LAB_PASSWORD
    exec "$run/tests/router/run-with-secret-service.sh" "$run/tests/e2e/no-password-leaks.sh" "$run/veltrano-cli"
fi

export TMPDIR=/tmp/tmpdir XDG_STATE_HOME="$HOME/state"
mkdir -p "$TMPDIR" "$XDG_STATE_HOME" "$run/out" /tmp/cwd && cd /tmp/cwd || exit 1
# A core dump lands here only where the system's core_pattern is a bare name.
# shellcheck disable=SC3045 # Debian's sh has ulimit -c
case $(cat /proc/sys/kernel/core_pattern) in
/* | '|'*) ulimit -c 0 && echo "core dumps off: core_pattern writes outside this test" ;;
*) ulimit -c unlimited 2>/dev/null || ulimit -c 0 ;;
esac
failures=0
fail() {
    echo "FAIL $*" >&2
    failures=$((failures + 1))
}

(
    while [ ! -e "$run/stop" ]; do
        grep -aFil -f "$run/forms" /proc/[0-9]*/cmdline /proc/[0-9]*/environ 2>/dev/null |
            while read -r file; do echo "$file: $(tr '\0' '\n' <"${file%/*}/cmdline" 2>/dev/null | head -n 1)"; done
        echo >>"$run/samples"
        sleep 0.02
    done >"$run/process-hits"
) &
sampler=$!

step=0
veltrano() {
    step=$((step + 1))
    "$cli" --debug-log "$run/out/debug-log-$step.md" "$@" 2>"$run/out/stderr-$step"
}
control() {
    curl -sS --max-time 5 -o /dev/null --data "$2" "http://$1:$VELTRANO_LAB_CONTROL_PORT/control"
}

veltrano settings set debugLogging true >/dev/null
veltrano settings set routerUsername "$VELTRANO_LAB_USERNAME" >/dev/null
veltrano settings set targetMAC 78:F5:05:4A:10:01 >/dev/null
veltrano settings set targetMAC2 18:C0:4D:DC:4F:CC >/dev/null
for family in glinet unifi peplink; do
    case $family in
    glinet) address=$VELTRANO_LAB_GLINET ;;
    unifi) address=$VELTRANO_LAB_UNIFI ;;
    peplink) address=$VELTRANO_LAB_PEPLINK ;;
    esac
    control "$address" '{"command":"reset"}'
    veltrano settings set routerIP "$address" >/dev/null
    veltrano settings set detectedRouterType "$family" >/dev/null
    veltrano password set <"$run/password" >/dev/null || fail "$family: password set"
    control "$address" '{"command":"rejectPassword"}'
    veltrano connect >/dev/null && fail "$family: connected with a refused password"
    control "$address" '{"command":"rejectPassword","on":false}'
    veltrano connect >/dev/null || fail "$family: connect"
    # Under a running watch the router drops its sessions after the second
    # poll; after the third, the studio leaves the lab's network (its address
    # and with it the default route go), which disconnects whichever router is
    # followed: a router still on one of the computer's subnets would be kept.
    : >"$run/out/watch-$family"
    (
        polled() {
            for _ in $(seq 150); do
                [ "$(wc -l <"$run/out/watch-$family")" -ge "$1" ] && return
                sleep 0.1
            done
        }
        polled 2 && control "$address" '{"command":"expireSessions"}'
        polled 3 && ip address del 10.77.0.2/24 dev veth-studio
    ) &
    veltrano watch --count 6 --no-colour >"$run/out/watch-$family" || fail "$family: watch"
    wait $!
    ip address replace 10.77.0.2/24 dev veth-studio
    ip route replace default via "$VELTRANO_LAB_GLINET"
    grep -q "dBm" "$run/out/watch-$family" || fail "$family: no signal in $(cat "$run/out/watch-$family")"
    grep -q "VT-1006" "$run/out/debug-log-$step.md" || fail "$family: not disconnected"
done
veltrano session-log --json >"$run/out/session-log" || fail "session-log"
touch "$run/stop"
wait "$sampler"

[ "$(wc -l <"$run/samples")" -ge 100 ] || fail "only $(wc -l <"$run/samples") process samples"
grep -q '| VT-' "$run/out/debug-log-$((step - 1)).md" || fail "empty debug log export"
left=$(find /tmp -name '*askpass*' -o -name 'core*' -type f)
[ -z "$left" ] || fail "askpass files or core dumps left: $left"
[ -s "$run/process-hits" ] && fail "the password in processes: $(sort -u "$run/process-hits")"
# gnome-keyring's own storage is where the password belongs.
found=$(grep -rFil -f "$run/forms" /tmp "$TMPDIR" "$run/out" | grep -v "^$XDG_DATA_HOME/keyrings/")
[ -z "$found" ] || fail "the password in: $found"
[ "$failures" -eq 0 ]
