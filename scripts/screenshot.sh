#!/usr/bin/env bash
# Renders the main window, the demonstration menu and every dialog into docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target px-screenshot
QT_QPA_PLATFORM=offscreen build/release/bin/px-screenshot docs/screenshots
# The site sheet's first page as printed.
pdftoppm -png -r 80 -f 1 -l 1 -singlefile docs/screenshots/site-sheet.pdf docs/screenshots/site-sheet-page
rm docs/screenshots/site-sheet.pdf
echo "docs/screenshots/*.png"
