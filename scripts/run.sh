#!/usr/bin/env bash
# Installs and builds as test.sh does, then runs velmora against the simulated
# driver: the driver on a pseudo-terminal of its own, listed as a USB bridge
# device that "Autodetect" finds, and the program with a settings store of
# its own under build/, so that the user's settings stay untouched.
# With VELMORA_DEVICE=<tty> that terminal (a real driver) is listed instead,
# and no simulated driver is started.
# Without a display the program runs on Qt's VNC platform plug-in.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/build_steps.sh

velmora_install_packages
velmora_build velmora velmora-sim velmora_translations

top=$(pwd)
run=$top/build/run
mkdir -p "$run/profiles"
ln -sfn ../translations "$run/translations"

export XDG_CONFIG_HOME=$top/build/run/config
store="$XDG_CONFIG_HOME/Tarnwick Solvery/velmora.ini"
if [ ! -e "$store" ]; then
  mkdir -p "$(dirname "$store")"
  printf '[General]\ndevstring=Autodetect\n' > "$store"
fi

if [ -n "${VELMORA_DEVICE:-}" ]; then
  pty=$VELMORA_DEVICE
  echo "Driver on $pty"
else
  sim_out=$run/sim.out
  "$top/build/tools/sim/velmora-sim" > "$sim_out" &
  sim_pid=$!
  trap 'kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null || true' EXIT
  pty=""
  for _ in $(seq 100); do
    pty=$(head -n 1 "$sim_out" 2>/dev/null || true)
    [ -n "$pty" ] && break
    kill -0 "$sim_pid" 2>/dev/null || { echo "run.sh: the simulated driver did not start" >&2; exit 1; }
    sleep 0.05
  done
  [ -n "$pty" ] || { echo "run.sh: the simulated driver printed no terminal" >&2; exit 1; }
  echo "Simulated driver (profile 6469) on $pty"
fi

# The product text holds the maker's words, which is what "Autodetect" looks for.
export VELMORA_BRIDGE_DEVICES="$pty|Tarnwick Solvery simulated servo driver|88aa|10c4"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  port=${VELMORA_VNC_PORT:-5900}
  export QT_QPA_PLATFORM="vnc:size=1280x800:port=$port"
  echo "No display: point a VNC viewer at $(hostname):$port (localhost:$port on this machine)."
fi

cd "$run"
status=0
"$top/build/src/velmora" --single "$@" || status=$?
exit "$status"
