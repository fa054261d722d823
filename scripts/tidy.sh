#!/usr/bin/env bash
# Runs clang-tidy 14 with the tree's .clang-tidy over the core (everything but the window), two
# files at a time. Any finding fails the run.
#   scripts/tidy.sh            every core source file
#   scripts/tidy.sh FILE...    only these files
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh clang-tidy-14
cmake --preset release >/dev/null
# The only header the build generates that the core includes: the embedded schema.
cmake --build --preset release --target src/storage/generated/storage/SchemaSql.h >/dev/null

core="^$PWD/src/(common|storage|registry|hostlink|settings|transfer|paperwork|session|sim|cli)/"
files=("$@")
if ((${#files[@]} == 0)); then
    files=("$core")
fi
# The compile commands are GCC's: clang does not know some of its warning options.
log=build/release/tidy.log
if ! run-clang-tidy-14 -p build/release -j 2 -quiet -extra-arg=-Wno-unknown-warning-option \
    "${files[@]}" >"$log" 2>&1; then
    sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E -A3 '(warning|error): ' || tail -n 40 "$log"
    echo "tidy: failed, see above (whole output in $log)" >&2
    exit 1
fi
checked=$(grep -c '^clang-tidy-14 ' "$log" || true)
echo "tidy: no findings in $checked core files"
