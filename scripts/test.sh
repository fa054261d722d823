#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
#   scripts/test.sh             optimised build
#   scripts/test.sh --sanitize  Debug build with AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."

preset=release
if [[ "${1:-}" == "--sanitize" ]]; then
    preset=sanitize
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi

scripts/deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j2
