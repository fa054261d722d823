#!/usr/bin/env bash
# Renders the main window (data monitor shown) and the progress window into docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target px-screenshot
QT_QPA_PLATFORM=offscreen build/release/src/app/px-screenshot docs/screenshots/main-window.png \
    docs/screenshots/progress-window.png docs/screenshots
echo "docs/screenshots/*.png"
