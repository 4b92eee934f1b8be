#!/bin/sh
# Runs a test binary in a private network namespace that holds nothing but its
# own loopback, so the test may add addresses and routes without touching the
# machine's interfaces and without any way to send traffic off the machine.
# Skips (tests/skip.sh) where no private network namespace can be made.
. "$(dirname "$0")/../skip.sh"
for flags in "-n" "-r -n"; do
    # shellcheck disable=SC2086
    if unshare $flags true 2>/dev/null; then
        # shellcheck disable=SC2086
        VELTRANO_PRIVATE_NETWORK=1 exec unshare $flags "$@"
    fi
done
skip "this system allows no private network namespace"
