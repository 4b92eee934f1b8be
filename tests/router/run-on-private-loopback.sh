#!/bin/sh
# Runs a test binary in a private network namespace holding nothing but its own
# loopback, brought up, so that the test can serve on the ports routers use (80,
# 443, 8443) at 127.0.0.1 and nothing can leave the machine.
# Exits 77 (skipped) where no such namespace can be made.
if [ "${VELTRANO_PRIVATE_LOOPBACK:-}" != 1 ]; then
    for flags in "-n" "-r -n"; do
        # shellcheck disable=SC2086
        if unshare $flags true 2>/dev/null; then
            # shellcheck disable=SC2086
            VELTRANO_PRIVATE_LOOPBACK=1 exec unshare $flags "$0" "$@"
        fi
    done
    echo "skipped: this system allows no private network namespace" >&2
    exit 77
fi
ip link set lo up || { echo "skipped: loopback cannot come up" >&2; exit 77; }
exec "$@"
