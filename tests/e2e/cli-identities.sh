#!/bin/sh
# veltrano-cli meets a replaced router of each kind: a Peplink device showing
# another certificate and a GL.iNet router whose sshd has another host key. The
# connect is refused with the sentence that says so (the Peplink device's
# request log proves it heard nothing), and after `trust forget ADDRESS` the
# next connect trusts the new identity.
# Usage: cli-identities.sh VELTRANO_CLI   (inside the lab and a private Secret
# Service: run-in-router-lab.sh run-with-secret-service.sh ...)
set -eu
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

lab() {
    curl -sS --max-time 5 "$@"
}

# Connects to the router at $1 of family $2, which pins its identity of kind $3.
use() {
    "$cli" settings set routerIP "$1" >/dev/null
    "$cli" settings set routerUsername "$VELTRANO_LAB_USERNAME" >/dev/null
    "$cli" settings set detectedRouterType "$2" >/dev/null
    printf '%s\n' "$VELTRANO_LAB_PASSWORD" | "$cli" password set >/dev/null
    "$cli" connect >/dev/null
    "$cli" trust list | grep -q "^$1 *$3 "
}

refused() {
    if "$cli" connect 2>"$work/err"; then
        echo "connected to $1 despite a different $2" >&2
        exit 1
    fi
    grep -qxF "The router at $1 presented a different $2 than before. If you replaced or reset the router, \
forget its identity and connect again." "$work/err" || { cat "$work/err" >&2; exit 1; }
}

forgotten() {
    "$cli" trust forget "$1" >/dev/null
    "$cli" connect >/dev/null
}

use "$VELTRANO_LAB_PEPLINK" peplink "https :443"
control="http://$VELTRANO_LAB_PEPLINK:$VELTRANO_LAB_CONTROL_PORT/control"
lab -o /dev/null --data '{"command":"reset"}' "$control"
lab --data "{\"command\":\"certificate\",\"cert\":\"$VELTRANO_LAB_OTHER_CERT\",\"key\":\"$VELTRANO_LAB_OTHER_KEY\"}" \
    "$control" | grep -q '"ok":true'
refused "$VELTRANO_LAB_PEPLINK" certificate
heard=$(lab "$control/requests")
case $heard in
*'"path"'*)
    echo "the Peplink device heard a request despite its new certificate: $heard" >&2
    exit 1
    ;;
esac
forgotten "$VELTRANO_LAB_PEPLINK"

use "$VELTRANO_LAB_GLINET" glinet ssh
rm -f "$VELTRANO_LAB_SSHD_HOST_KEY"
ssh-keygen -q -t ed25519 -N '' -f "$VELTRANO_LAB_SSHD_HOST_KEY"
kill -HUP "$(cat "$VELTRANO_LAB_SSHD_PID")"
key=$(cut -d' ' -f2 "$VELTRANO_LAB_SSHD_HOST_KEY.pub")
tries=0
until ssh-keyscan -T 2 -t ed25519 "$VELTRANO_LAB_GLINET" 2>/dev/null | grep -qF "$key"; do
    tries=$((tries + 1))
    [ "$tries" -lt 50 ] || { echo "sshd did not take its new host key" >&2; exit 1; }
    sleep 0.1
done
refused "$VELTRANO_LAB_GLINET" "host key"
forgotten "$VELTRANO_LAB_GLINET"
