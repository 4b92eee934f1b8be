#!/bin/sh
# Runs a test binary in a private network namespace holding nothing but its own
# loopback, brought up, so that the test can serve on the ports routers use (80,
# 443, 8443) at 127.0.0.1 and nothing can leave the machine.
# Skips (tests/skip.sh) where no such namespace can be made.
. "$(dirname "$0")/../skip.sh"
if [ "${VELTRANO_PRIVATE_LOOPBACK:-}" != 1 ]; then
    for flags in "-n" "-r -n"; do
        # shellcheck disable=SC2086
        if unshare $flags true 2>/dev/null; then
            # shellcheck disable=SC2086
            VELTRANO_PRIVATE_LOOPBACK=1 exec unshare $flags "$0" "$@"
        fi
    done
    skip "this system allows no private network namespace"
fi
ip link set lo up || skip "loopback cannot come up"
exec "$@"
