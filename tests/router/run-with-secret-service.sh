#!/bin/sh
# Runs a test binary against a real gnome-keyring-daemon in a private D-Bus
# session whose home, data, config and runtime folders all live in a temporary
# folder, so nothing reaches the user's keyring or home. The login keyring is
# created and unlocked with a throwaway password, and no display is passed on,
# so nothing can ever prompt. The binary sees VELTRANO_PRIVATE_SECRET_SERVICE=1.
# Skips (tests/skip.sh) where the daemon cannot start.
set -u
skip_lib="$(dirname "$0")/../skip.sh"
. "$skip_lib"

for tool in dbus-run-session dbus-send gnome-keyring-daemon; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        skip "$tool is not installed (scripts/setup --tests installs it)"
    fi
done

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
trap 'exit 130' INT TERM
mkdir -p "$dir/home" "$dir/data" "$dir/config" "$dir/cache" "$dir/runtime"
chmod 700 "$dir/runtime"
export HOME="$dir/home" XDG_DATA_HOME="$dir/data" XDG_CONFIG_HOME="$dir/config" \
    XDG_CACHE_HOME="$dir/cache" XDG_RUNTIME_DIR="$dir/runtime"
unset DISPLAY WAYLAND_DISPLAY GNOME_KEYRING_CONTROL SSH_AUTH_SOCK

# Inside the session: --unlock reads the login keyring's password from standard
# input and creates that keyring, unlocked, on first use. The daemon stays a
# child of this shell, which stops it once the binary is done.
inner='
. "$0"
printf %s veltrano-test | gnome-keyring-daemon --foreground --unlock --components=secrets \
    >/dev/null 2>"$XDG_RUNTIME_DIR/keyring.log" &
daemon=$!
trap "kill \$daemon 2>/dev/null; wait \$daemon 2>/dev/null" EXIT
tries=0
until dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null | grep -q "boolean true"; do
    tries=$((tries + 1))
    if [ "$tries" -ge 50 ]; then
        skip "gnome-keyring-daemon did not start here: $(tail -n 1 "$XDG_RUNTIME_DIR/keyring.log")"
    fi
    sleep 0.1
done
VELTRANO_PRIVATE_SECRET_SERVICE=1 "$@"
'
dbus-run-session -- sh -c "$inner" "$skip_lib" "$@"
