#!/bin/sh
# Runs a test binary against a private PulseAudio server whose only sink is a
# null sink, and tells the binary the name of that sink's monitor source in
# VELTRANO_PULSE_MONITOR so it can record what was played. The server lives in a
# temporary folder, talks only over its own socket there, and is stopped when
# the test ends. Skips (tests/skip.sh) where PulseAudio cannot start.
set -u
. "$(dirname "$0")/../skip.sh"

for tool in pulseaudio pactl parec; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        skip "$tool is not installed (scripts/setup --tests installs it)"
    fi
done

dir=$(mktemp -d)
server_pid=
# shellcheck disable=SC2317 # called by the EXIT trap
cleanup() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null
        wait "$server_pid" 2>/dev/null
    fi
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$dir/home" "$dir/runtime" "$dir/state"
chmod 700 "$dir/runtime"
export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/home/.config"
export PULSE_RUNTIME_PATH="$dir/runtime/pulse" PULSE_STATE_PATH="$dir/state"
socket="$dir/native"

# -n: none of the system's configured modules (no hardware, no network, no
# D-Bus), only the two named here.
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --log-target="file:$dir/pulseaudio.log" \
    -L "module-null-sink sink_name=veltrano_test" \
    -L "module-native-protocol-unix socket=$socket auth-anonymous=1" &
server_pid=$!

export PULSE_SERVER="unix:$socket"
tries=0
until pactl info >/dev/null 2>&1; do
    tries=$((tries + 1))
    if ! kill -0 "$server_pid" 2>/dev/null || [ "$tries" -ge 100 ]; then
        skip "PulseAudio could not start here: $(tail -n 1 "$dir/pulseaudio.log" 2>/dev/null)"
    fi
    sleep 0.1
done
pactl set-default-sink veltrano_test

VELTRANO_PULSE_MONITOR=veltrano_test.monitor "$@"
status=$?
exit "$status"
