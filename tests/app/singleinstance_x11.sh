#!/usr/bin/env bash
# Two real copies of the program on a private X server: a second start hands its first argument
# to the running copy, which comes to the front, and ends with exit code 0 without a window.
# A socket left by a copy that was killed does not stop the next start.
set -euo pipefail
orvex=$1

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  for f in "$work"/*.log; do echo "--- $(basename "$f")" >&2; cat "$f" >&2; done
  exit 1
}
# wait_for FILE TEXT: waits up to 20 s for a line containing TEXT.
wait_for() {
  for _ in $(seq 400); do
    grep -qF -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.05
  done
  return 1
}

mkdir -p "$work/data/PIC" "$work/run" "$work/config"
chmod 700 "$work/run"
printf 'PIC16F84\r\nPIC18F4550\r\n' >"$work/data/PIC/DEVICES.txt"
export XDG_RUNTIME_DIR=$work/run TMPDIR=$work/run XDG_CONFIG_HOME=$work/config
export ORVEX_TRACE_INSTANCE=1 QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# Xvfb picks a free display number itself and writes it to descriptor 3.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")
cd "$work/data"

start_first() { # LOG
  "$orvex" >"$work/$1" 2>&1 &
  first=$!
  pids+=("$first")
  wait_for "$work/$1" "answering as" || fail "the first copy does not answer"
  wait_for "$work/$1" "main window shown" || fail "the first copy shows no window"
  window=$(xdotool search --sync --onlyvisible --pid "$first" --name '^Orvex$' | head -1)
}

# second ARG LOG: starts a second copy and expects the hand-over.
second() {
  local code=0
  timeout 30 "$orvex" "$1" >"$work/$2" 2>&1 || code=$?
  [ "$code" = 0 ] || fail "the second copy ended with $code"
  if grep -qF "main window shown" "$work/$2"; then fail "the second copy showed a window"; fi
  if grep -qF "answering as" "$work/$2"; then fail "the second copy started answering"; fi
}

# stacked_above A B: whether window A lies above window B (xwininfo lists top to bottom).
stacked_above() {
  local order
  order=$(xwininfo -root -children | awk '/^ +0x/ {print $1}')
  local a b
  a=$(printf '%s\n' "$order" | grep -nx "$(printf '0x%x' "$1")" | cut -d: -f1)
  b=$(printf '%s\n' "$order" | grep -nx "$(printf '0x%x' "$2")" | cut -d: -f1)
  [ -n "$a" ] && [ -n "$b" ] && [ "$a" -lt "$b" ]
}

start_first first.log
# Another window on top, so that the hand-over has something to change.
xlogo -name other >/dev/null 2>&1 &
pids+=($!)
other=$(xdotool search --sync --onlyvisible --classname other | head -1)
xdotool windowraise "$other"
for _ in $(seq 100); do stacked_above "$other" "$window" && break; sleep 0.05; done
stacked_above "$other" "$window" || fail "cannot put another window on top"

second "PIC16F1827 text" second.log
wait_for "$work/first.log" 'instance text received: "PIC16F1827 text"' || fail "argument not received"
for _ in $(seq 100); do stacked_above "$window" "$other" && break; sleep 0.05; done
stacked_above "$window" "$other" || fail "the running copy did not come to the front"

long=$(printf 'x%.0s' $(seq 300))
second "$long" long.log
wait_for "$work/first.log" 'instance text received: ""' || fail "a 300-character argument did not arrive empty"
if grep -qF "$long" "$work/first.log"; then fail "the long argument was handed over"; fi

# A copy killed outright leaves its socket; the next start removes it and runs normally.
kill -9 "$first"
wait "$first" 2>/dev/null || true
[ -S "$work/run/TecSingleInst_CFGSingleInstance1-$(id -u)" ] || fail "no socket left behind to recover from"
start_first third.log
second "after the crash" fourth.log
wait_for "$work/third.log" 'instance text received: "after the crash"' || fail "the restarted copy does not answer"
echo "single-instance hand-over: ok"
