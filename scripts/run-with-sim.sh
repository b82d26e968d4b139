#!/usr/bin/env bash
# Runs the panel with the board simulator attached as port 1, for use without hardware.
# Builds first when the panel is missing. Arguments go to the panel; simulator options can be
# given in TESSAREL_SIM_OPTS (for instance "--pace --flash-file flash.bin"). The simulator's
# event log goes to $TESSAREL_SIM_LOG (default: <build>/boardsim.log).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${TESSAREL_BUILD_DIR:-build}
panel="$build/src/tessarel"
sim="$build/tools/boardsim/tessarel-boardsim"
log=${TESSAREL_SIM_LOG:-$build/boardsim.log}

./scripts/install-deps.sh
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  echo "run-with-sim: no display (DISPLAY and WAYLAND_DISPLAY are empty): run it in a desktop" \
       "session, or headless: xvfb-run -s '-screen 0 1280x800x24' $0" >&2
  exit 1
fi
if [ ! -x "$panel" ] || [ ! -x "$sim" ]; then
  ./scripts/preflight.sh panel
  cmake -S . -B "$build" && cmake --build "$build" -j"$(nproc)" --target tessarel tessarel-boardsim
fi

# The simulator's stdout carries only its device path; its log goes to the file.
read -r -a sim_opts <<< "${TESSAREL_SIM_OPTS:-}"
exec 3< <(exec "$sim" --attach 1 --log "$log" "${sim_opts[@]}" < /dev/null)
sim_pid=$!

stop_sim() {
  if kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  exec 3<&-
}
trap stop_sim EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if ! read -r -t 10 -u 3 device; then
  echo "run-with-sim: the simulator did not start (see $log)" >&2
  exit 1
fi
echo "board simulator on $device as port 1, log in $log"

status=0
"$panel" "$@" || status=$?
exit "$status"
