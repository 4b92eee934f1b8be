#!/bin/sh
# Runs a test binary with an empty, private /run, so that a test can bind the
# journal's socket path itself and nothing reaches the real journal. Exits 77
# (skipped) where no private mount namespace can be made.
inner='mount -t tmpfs tmpfs /run || exit 77; VELTRANO_PRIVATE_RUN=1 exec "$@"'
for flags in "-m" "-r -m"; do
    # shellcheck disable=SC2086
    if unshare $flags --propagation private true 2>/dev/null; then
        # shellcheck disable=SC2086
        exec unshare $flags --propagation private sh -c "$inner" sh "$@"
    fi
done
echo "skipped: this system allows no private mount namespace" >&2
exit 77
