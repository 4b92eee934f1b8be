#!/bin/sh
# Runs a test binary in a private mount namespace with a small tmpfs of its own
# at VELTRANO_SMALL_DISK, so the test can fill it or make it read-only without
# touching any real file system. Skips (tests/skip.sh) where that cannot be had.
. "$(dirname "$0")/../skip.sh"
if [ "${VELTRANO_SMALL_DISK:-}" = "" ]; then
    for flags in "-m" "-r -m"; do
        # shellcheck disable=SC2086
        if unshare $flags --propagation private true 2>/dev/null; then
            # shellcheck disable=SC2086
            VELTRANO_SMALL_DISK=$(mktemp -d) exec unshare $flags --propagation private "$0" "$@"
        fi
    done
    skip "this system allows no private mount namespace"
fi
mount -t tmpfs -o size=1m,mode=0700 tmpfs "$VELTRANO_SMALL_DISK" || skip "no tmpfs can be mounted"
"$@"
status=$?
umount "$VELTRANO_SMALL_DISK"
rmdir "$VELTRANO_SMALL_DISK"
exit "$status"
