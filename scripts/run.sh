#!/usr/bin/env bash
# Installs what is missing, builds, and starts px-system. Arguments go to the program,
# for instance: scripts/run.sh --host sim:/tmp/px-sim
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target px-system

program=build/release/bin/px-system
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "No display: starting px-system in a virtual X server (xvfb-run)."
    exec xvfb-run -a "$program" "$@"
fi
exec "$program" "$@"
