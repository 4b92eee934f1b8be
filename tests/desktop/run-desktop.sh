#!/usr/bin/env bash
# Runs `veltrano --demo` under a real desktop shell from Debian's packages,
# headless, and asks the shell what it made of it.
#   run-desktop.sh xfce|sway|gnome VELTRANO OUT_DIR
# As root it first moves into a network namespace of its own (the program
# looks for gateways: here there is none but loopback), and a process
# namespace that takes every process of the run with it, and becomes an
# unprivileged user, since sway and GNOME Shell refuse to run as root. Every
# shell gets a private session bus; GNOME Shell a private system bus too.
# Screenshots and logs go to OUT_DIR. A shell missing from the machine skips
# the test, except under CI=true, where it fails it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
  desktop=$1 veltrano=$(realpath "$2") out=$3
  case $desktop in
    xfce) needs=(Xvfb xvfb-run xfwm4 xfce4-panel xprop xdotool xwininfo import) ;;
    sway) needs=(sway swaymsg waybar grim Xwayland) ;;
    gnome) needs=(gnome-shell Xwayland) ;;
    *) echo "unknown desktop $desktop" >&2; exit 2 ;;
  esac
  needs+=(dbus-run-session dbus-daemon setpriv unshare python3)
  for tool in "${needs[@]}"; do
    if ! command -v "$tool" >/dev/null; then
      echo "run-desktop: $tool is not installed (scripts/setup --tests installs it)" >&2
      [ "${CI:-}" = true ] && exit 1 || exit 77
    fi
  done
  if [ "$desktop" = gnome ] && [ ! -d /usr/share/gnome-shell/extensions/ubuntu-appindicators@ubuntu.com ]; then
    echo "run-desktop: the AppIndicator extension is not installed" >&2
    [ "${CI:-}" = true ] && exit 1 || exit 77
  fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "run-desktop: needs root for its network namespace and its unprivileged user" >&2
    [ "${CI:-}" = true ] && exit 1 || exit 77
  fi
  rm -rf "$out" && mkdir -p "$out"
  home=$(mktemp -d /tmp/veltrano-desktop.XXXXXX)
  trap 'rm -rf "$home"' EXIT
  chown nobody:nogroup "$home" "$out"
  status=0
  # A process namespace too: whatever the shells leave running ends with it.
  timeout --kill-after=10 240 unshare --net --pid --fork --mount-proc -- \
    setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 CI="${CI:-}" \
    bash "$0" --inside setup "$veltrano" "$out" "$desktop" || status=$?
  if [ $status -ne 0 ]; then
    echo "run-desktop: $desktop failed ($status); logs and screenshots in $out" >&2
    tail -n 15 "$out"/veltrano*.log >&2 || true
    exit $status
  fi
  echo "run-desktop: $desktop passed; screenshots in $out"
  exit 0
fi

shift
phase=$1 veltrano=$2 out=$3
wm_class=$(sed -n 's/^StartupWMClass=//p' "$here/../../resources/com.brightfold.Veltrano.desktop")
probe() { python3 "$here/probe.py" "$@"; }
fail() { echo "run-desktop: $*" >&2; exit 1; }
# Polls up to ten seconds for a command to succeed.
wait_for() { for _ in $(seq 40); do "$@" >/dev/null 2>&1 && return 0; sleep 0.25; done; return 1; }
# This script again, on a session bus of its own.
on_session_bus() { dbus-run-session "${@:2}" -- bash "$0" --inside "$1" "$veltrano" "$out"; }

# The demo keeps its profile in a temporary folder of its own (under TMPDIR,
# which each demo here gets to itself); its settings file is where a user's
# edit would go, and the running demo follows it.
demo_setting() {
  python3 - "$(find "$HOME/demo-tmp" -path '*/Veltrano/settings.json' | head -n 1)" "$1" "$2" <<'PY'
import json, os, sys
path, key, value = sys.argv[1:]
data = json.load(open(path))
data[key] = json.loads(value)
json.dump(data, open(path + '.edit', 'w'))
os.replace(path + '.edit', path)
PY
}

x11_window() { xdotool search --name "$1" 2>/dev/null | tail -n 1; }

# xprop answers 0 for a property that is not there: the window id is the sign.
has_wm() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

start_xfce() {
  xfwm4 >"$out/xfwm4-$1.log" 2>&1 &
  wm=$!
  xfce4-panel >"$out/panel-$1.log" 2>&1 &
  panel=$!
  wait_for has_wm || fail "xfwm4 did not start: $(tail -n 3 "$out/xfwm4-$1.log")"
  sleep 2
}

# Gone before the next phase starts on the same display: a window manager still
# leaving makes the next one give up, and a tray still quitting leaves its
# windows for the next phase to find.
stop_xfce() {
  kill "$pid"
  wait "$pid" || true
  xfce4-panel --quit
  kill "$wm"
  wait "$panel" "$wm" || true
}

case $phase in
setup)
  export XDG_RUNTIME_DIR=$HOME/run XDG_CONFIG_HOME=$HOME/config XDG_DATA_HOME=$HOME/data
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications" "$XDG_DATA_HOME/icons"
  sed "s|^Exec=veltrano|Exec=$veltrano|" "$here/../../resources/com.brightfold.Veltrano.desktop" \
    >"$XDG_DATA_HOME/applications/com.brightfold.Veltrano.desktop"
  cp -r "$here/../../resources/icons/." "$XDG_DATA_HOME/icons/" 2>/dev/null || true
  bash "$0" --inside "$4" "$veltrano" "$out"
  ;;

xfce)
  exec 3>"$HOME/display"
  # One server for both phases, never regenerated when the first phase's last
  # client leaves.
  Xvfb -displayfd 3 -noreset -screen 0 1366x768x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 40); do [ -s "$HOME/display" ] && break; sleep 0.25; done
  export DISPLAY=:$(cat "$HOME/display")
  # Without a status-notifier watcher Qt docks into the panel's XEmbed tray.
  cat >"$HOME/no-watcher.conf" <<'CONF'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <policy context="mandatory"><deny own="org.kde.StatusNotifierWatcher"/></policy>
</busconfig>
CONF
  status=0
  on_session_bus xfce-xembed --config-file="$HOME/no-watcher.conf" &&
    on_session_bus xfce-sni || status=$?
  kill $xvfb
  exit $status
  ;;

xfce-xembed)
  start_xfce xembed
  "$veltrano" --demo >"$out/veltrano-xembed.log" 2>&1 &
  pid=$!
  # The docked icon is a small shown window of ours; Qt's other windows of that
  # size stay unmapped.
  docked() {
    for w in $(xdotool search --classname "$wm_class"); do
      xwininfo -id "$w" | grep -q IsViewable || continue
      [ "$(xwininfo -id "$w" | sed -n 's/^  Width: //p')" -le 48 ] && return 0
    done
    return 1
  }
  wait_for docked || fail "no XEmbed icon docked in the panel without a watcher"
  import -window root "$out/xfce-xembed.png"
  stop_xfce
  ;;

xfce-sni)
  start_xfce sni
  mkdir -p "$HOME/demo-tmp"
  TMPDIR=$HOME/demo-tmp "$veltrano" --demo >"$out/veltrano.log" 2>&1 &
  pid=$!
  # The demo's Nikon leaves 2.4 GHz 16 s in, and its alert rows go: the menu is
  # held open across that, from as soon as the panel has the item.
  probe menu-holds-still $pid $(($(date +%s) + 21)) || exit 1
  w=$(x11_window 'Veltrano Signal')
  [ -n "$w" ] || fail "no floating window"
  xprop -id "$w" WM_CLASS | grep -q "\"$wm_class\"" || fail "WM_CLASS is not $wm_class: $(xprop -id "$w" WM_CLASS)"
  # Read whole, then matched: grep -q leaves at the first match while xprop is
  # still writing the icon's long dump, which then dies of SIGPIPE and fails
  # the pipeline.
  icon=$(xprop -id "$w" _NET_WM_ICON)
  [[ $icon == *'Icon ('* ]] || fail "the floating window has no icon"
  xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q UTILITY ||
    fail "the floating window is not a utility window: $(xprop -id "$w" _NET_WM_WINDOW_TYPE)"
  demo_setting floatingWindowOnTop true
  wait_for sh -c "xprop -id $w _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE" ||
    fail "Keep on Top did not reach the window manager: $(xprop -id "$w" _NET_WM_STATE)"
  [ "$(x11_window 'Veltrano Signal')" = "$w" ] || fail "Keep on Top made a new window"
  import -window root "$out/xfce.png"
  stop_xfce
  ;;

sway)
  cat >"$HOME/sway.conf" <<CONF
output HEADLESS-1 resolution 1366x768
exec waybar -c $HOME/waybar.json >$out/waybar.log 2>&1
CONF
  echo '{"layer": "top", "position": "top", "height": 26, "modules-right": ["tray", "clock"], "tray": {"icon-size": 18}}' \
    >"$HOME/waybar.json"
  WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman on_session_bus sway-session
  ;;

sway-session)
  sway -c "$HOME/sway.conf" >"$out/sway.log" 2>&1 &
  wait_for sh -c "ls '$XDG_RUNTIME_DIR'/sway-ipc.*" || fail "sway did not start"
  export SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*)
  WAYLAND_DISPLAY=$(basename "$(ls "$XDG_RUNTIME_DIR"/wayland-* | grep -v lock | head -n 1)")
  export WAYLAND_DISPLAY
  tree() { python3 "$here/sway-tree.py" "$@"; }
  sleep 2
  # Started by sway, as its launcher would: then it has sway's X display.
  swaymsg -q exec "exec '$veltrano' --demo >'$out/veltrano.log' 2>&1"
  wait_for tree shown 'Veltrano Signal' || fail "no floating window appeared"
  tree floating 'Veltrano Signal' "$wm_class" || exit 1
  probe item-registered "$(pgrep -x veltrano)" || exit 1
  # Past the splash, with both cameras on the read-out.
  sleep 6
  tree floating 'Veltrano Signal' "$wm_class" || exit 1
  grim "$out/sway.png"
  pkill -x veltrano; sleep 1
  # A plain second launch beside a running copy opens that copy's settings.
  swaymsg -q exec "exec '$veltrano' >'$out/veltrano-first.log' 2>&1"
  sleep 4
  swaymsg -q exec "exec '$veltrano' >'$out/veltrano-second.log' 2>&1"
  wait_for tree shown 'Veltrano Settings' || fail "a second launch opened no settings window"
  grim "$out/sway-second-launch.png"
  pkill -x veltrano
  swaymsg -q exit || true  # sway may leave before it answers
  ;;

gnome)
  cat >"$HOME/system.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>system</type><listen>unix:path=$HOME/system_bus_socket</listen>
<policy context="default"><allow user="*"/><allow own="*"/><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/></policy></busconfig>
CONF
  dbus-daemon --config-file="$HOME/system.conf" --fork --print-pid >"$HOME/system-bus.pid"
  export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$HOME/system_bus_socket
  status=0
  on_session_bus gnome-session || status=$?
  kill "$(cat "$HOME/system-bus.pid")"
  exit $status
  ;;

gnome-session)
  gsettings set org.gnome.shell enabled-extensions "['ubuntu-appindicators@ubuntu.com']"
  gnome-shell --headless --wayland --virtual-monitor 1366x768 --unsafe-mode >"$out/gnome-shell.log" 2>&1 &
  shell=$!
  watcher() {
    gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
      --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher IsStatusNotifierHostRegistered |
      grep -q true
  }
  # Slow on a busy machine: a minute.
  for _ in 1 2 3 4 5 6; do wait_for watcher && break; done
  watcher || fail "the shell's AppIndicator extension did not start"
  eval_js() {
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell --method org.gnome.Shell.Eval "$1"
  }
  # Killed, the shell leaves its X displays' locks behind in the shared /tmp,
  # with process numbers of this namespace that the next run reuses: they go
  # with the run, and the display is the one the shell gives its own children.
  trap 'for lock in /tmp/.X*-lock; do
          [ -e "$lock" ] && [ "$(tr -d " \0" <"$lock")" = "$shell" ] || continue
          n=${lock#/tmp/.X}; n=${n%-lock}; rm -f "$lock" "/tmp/.X11-unix/X$n"
        done' EXIT
  display=$(eval_js 'imports.gi.GLib.getenv("DISPLAY")' | sed -n "s/^(true, '\"\(:[0-9]*\)\"')$/\1/p")
  [ -n "$display" ] || fail "the shell started no X display: $(eval_js 'imports.gi.GLib.getenv("DISPLAY")')"
  export DISPLAY=$display XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* | head -n 1)
  "$veltrano" --demo >"$out/veltrano.log" 2>&1 &
  pid=$!
  probe item-registered $pid || exit 1
  sleep 3
  probe gnome-check 'Veltrano Signal' com.brightfold.Veltrano.desktop || exit 1
  # The shell starts in the overview; the picture is of the desktop a user sees.
  eval_js 'imports.ui.main.overview.hide()' >/dev/null
  sleep 1
  gdbus call --session --dest org.gnome.Shell.Screenshot --object-path /org/gnome/Shell/Screenshot \
    --method org.gnome.Shell.Screenshot.Screenshot false false "$out/gnome.png" >/dev/null
  kill $pid $shell
  ;;
esac
