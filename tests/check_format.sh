#!/usr/bin/env bash
# Fails when a C++ source of the tree differs from the house style that
# .clang-format describes; `clang-format -i FILE` mends it.
#
#   tests/check_format.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
format=$(command -v clang-format-14 || command -v clang-format)
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' |
  grep -E '^(format|project|cli|gui|web|testkit|tests|bench|fuzz|include)/')
"$format" --dry-run --Werror "${files[@]}"
echo "${#files[@]} sources keep the house style"
