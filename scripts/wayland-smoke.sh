#!/usr/bin/env bash
# Starts a headless weston and runs the program in it as a native Wayland
# client: `zk412v --emulate` must come up and stay up, and the Wayland smoke
# test drives the DPI page through the real widgets. Then a weston inside an
# Xvfb, whose pointer xdotool drives, shows the window being moved by its
# caption and resized by its edges.
#   scripts/wayland-smoke.sh [build folder]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${1:-build}"
RUNTIME="$(mktemp -d)"
chmod 700 "$RUNTIME"
export XDG_RUNTIME_DIR="$RUNTIME"
SOCKET=zk412v-smoke
weston --backend=headless-backend.so --socket="$SOCKET" --idle-time=0 \
  >"$RUNTIME/weston.log" 2>&1 &
WESTON=$!
NESTED=""
cleanup() {
  for pid in $NESTED "$WESTON"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$RUNTIME"
}
trap cleanup EXIT
# Waits up to 10 s for `test EXPR FILE` to hold; its status says whether it did.
wait_for() {
  for _ in $(seq 1 100); do
    [ "$1" "$2" ] && return 0
    sleep 0.1
  done
  [ "$1" "$2" ]
}
if ! wait_for -S "$RUNTIME/$SOCKET"; then
  echo "weston did not start:" >&2
  cat "$RUNTIME/weston.log" >&2
  exit 1
fi
export WAYLAND_DISPLAY="$SOCKET" QT_QPA_PLATFORM=wayland

# The program itself: up for five seconds with the emulated devices.
HOME_DIR="$RUNTIME/home"
mkdir -p "$HOME_DIR"
set +e
HOME="$HOME_DIR" QT_LOGGING_RULES="zk412v.debug=true" timeout 5 "$BUILD/zk412v" --emulate \
  >"$RUNTIME/program.log" 2>&1
STATUS=$?
set -e
if [ "$STATUS" -ne 124 ]; then
  echo "zk412v --emulate ended early under Wayland (status $STATUS):" >&2
  cat "$RUNTIME/program.log" >&2
  exit 1
fi
grep -q "windowinit" "$RUNTIME/program.log" || { cat "$RUNTIME/program.log" >&2; exit 1; }
echo "zk412v --emulate ran under weston"

"$BUILD/tests/app/test_wayland"

# The frameless window moved by its caption and resized by its edges with a
# real pointer: a second weston shows its output in an X window of an Xvfb,
# takes its input from the X pointer, and xdotool drives that pointer.
Xvfb -displayfd 3 -screen 0 1400x1000x24 -nolisten tcp 3>"$RUNTIME/xdisplay" \
  >"$RUNTIME/xvfb.log" 2>&1 &
NESTED="$!"
wait_for -s "$RUNTIME/xdisplay" || true
XDISPLAY=":$(tr -d '[:space:]' <"$RUNTIME/xdisplay")"
DISPLAY="$XDISPLAY" weston --backend=x11-backend.so --use-pixman --width=1300 --height=900 \
  --socket=zk412v-nested --idle-time=0 >"$RUNTIME/weston-x11.log" 2>&1 &
NESTED="$! $NESTED"
if ! wait_for -S "$RUNTIME/zk412v-nested"; then
  echo "weston did not start inside Xvfb $XDISPLAY:" >&2
  cat "$RUNTIME/xvfb.log" "$RUNTIME/weston-x11.log" >&2
  exit 1
fi
# weston follows the X pointer from when it enters weston's window; Xvfb
# starts with the pointer already inside it.
DISPLAY="$XDISPLAY" xdotool mousemove 1399 999 sleep 0.2 mousemove 650 450
WAYLAND_DISPLAY=zk412v-nested ZK_POINTER_X="$XDISPLAY" \
  "$BUILD/tests/app/test_window_size" --gtest_filter='RealDesktop.*'
