#!/usr/bin/env bash
# End-to-end run of the desktop program on a real X server:
#   orvex_smoke.sh <orvex executable> <data folder> <device name> <screenshot file>
# Starts Xvfb, starts orvex in the data folder, types the device name into the MCU box and
# presses Enter, takes a screenshot, then leaves through File > Exit. Passes when the program
# exits with 0 and the screenshot shows more than a blank screen.
set -euo pipefail

orvex=$1
data=$2
device=$3
shot=$4

display=""
for n in $(seq 91 190); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    display=$n
    break
  fi
done
[ -n "$display" ] || { echo "no free X display number"; exit 1; }

scratch=$(mktemp -d)
xvfb_pid=""
orvex_pid=""
cleanup() {
  [ -n "$orvex_pid" ] && kill "$orvex_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 100); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start"; cat "$scratch/xvfb.log"; exit 1; }

# A private settings folder, so the run neither reads nor changes the user's settings.
export XDG_CONFIG_HOME="$scratch/config"
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

(cd "$data" && exec "$orvex") >"$scratch/orvex.log" 2>&1 &
orvex_pid=$!

window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Orvex$' | head -n 1)
[ -n "$window" ] || { echo "the main window did not appear"; cat "$scratch/orvex.log"; exit 1; }
xdotool windowfocus --sync "$window"
sleep 0.5

# The MCU box is at the top left of the window, below the menu bar.
xdotool mousemove --window "$window" 90 40 click --repeat 3 1
xdotool key ctrl+a
xdotool type --delay 30 "$device"
xdotool key Return
sleep 1.5

import -window root "$shot"
colours=$(convert "$shot" -format '%k' info:)
echo "screenshot $shot: $colours colours"

xdotool key alt+f
sleep 0.3
xdotool key x

status=0
for _ in $(seq 100); do
  kill -0 "$orvex_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$orvex_pid" 2>/dev/null; then
  echo "orvex did not close after File > Exit"
  exit 1
fi
wait "$orvex_pid" || status=$?
orvex_pid=""
cat "$scratch/orvex.log"
[ "$status" -eq 0 ] || { echo "orvex exited with $status"; exit 1; }
[ "$colours" -gt 16 ] || { echo "the screenshot is blank"; exit 1; }
echo "ok"
