#!/bin/sh
# Runs a test binary with an empty, private /run, so that a test can bind the
# journal's socket path itself and nothing reaches the real journal. Skips
# (tests/skip.sh) where no private mount namespace can be made.
skip_lib="$(dirname "$0")/../skip.sh"
. "$skip_lib"
inner='. "$0"; mount -t tmpfs tmpfs /run || skip "no private /run"; VELTRANO_PRIVATE_RUN=1 exec "$@"'
for flags in "-m" "-r -m"; do
    # shellcheck disable=SC2086
    if unshare $flags --propagation private true 2>/dev/null; then
        # shellcheck disable=SC2086
        exec unshare $flags --propagation private sh -c "$inner" "$skip_lib" "$@"
    fi
done
skip "this system allows no private mount namespace"
