#!/usr/bin/env bash
# Starts a headless weston and runs the program in it as a native Wayland
# client: `zk412v --emulate` must come up and stay up, and the Wayland smoke
# test drives the DPI page through the real widgets.
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
cleanup() { kill "$WESTON" 2>/dev/null || true; wait "$WESTON" 2>/dev/null || true; rm -rf "$RUNTIME"; }
trap cleanup EXIT
for _ in $(seq 1 100); do
  [ -S "$RUNTIME/$SOCKET" ] && break
  sleep 0.1
done
if [ ! -S "$RUNTIME/$SOCKET" ]; then
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
