#!/usr/bin/env bash
# Formats the C++ sources with the tree's .clang-format (clang-format 14).
#   scripts/format.sh          rewrites the files that differ
#   scripts/format.sh --check  lists the files that differ and fails, changing nothing
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh clang-format-14
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ "${1:-}" == "--check" ]]; then
    differ=()
    for file in "${files[@]}"; do
        if ! clang-format-14 --dry-run --Werror "$file" >/dev/null 2>&1; then
            differ+=("$file")
        fi
    done
    if ((${#differ[@]} > 0)); then
        printf 'not formatted (run scripts/format.sh):\n' >&2
        printf '  %s\n' "${differ[@]}" >&2
        exit 1
    fi
    echo "format: ${#files[@]} files as .clang-format wants them"
    exit 0
fi
clang-format-14 -i "${files[@]}"
