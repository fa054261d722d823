#!/usr/bin/env bash
# Renders the main window, the demonstration menu and every dialog into docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target px-screenshot
QT_QPA_PLATFORM=offscreen build/release/src/app/px-screenshot docs/screenshots
echo "docs/screenshots/*.png"
