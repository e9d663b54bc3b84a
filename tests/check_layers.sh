#!/usr/bin/env bash
# Fails when the folders stop being layers:
#   - an #include runs upward or sideways: a folder may include its own
#     headers and those of the floors below it, nothing else;
#   - a file outside gui/ (and the window tests) includes a Qt header;
#   - a CMake file outside gui/ (and the window tests) looks for Qt.
#
#   tests/check_layers.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

list() {  # the tracked files matching the patterns, or all of them outside git
  git ls-files -- "$@" 2>/dev/null ||
    find . -path ./build\* -prune -o -type f -print | sed 's#^\./##'
}

list '*.cpp' '*.h' 'CMakeLists.txt' '*.cmake' | awk '
BEGIN {
  # The floors, lowest first.  Folders on one floor do not see each other;
  # the tests, on top, see everything.
  split("format/core|format/media|format/behaviour|format/world|project|" \
        "cli gui/world testkit|gui/app|bench fuzz|tests", floors, "|")
  for (i = 1; i in floors; i++) {
    n = split(floors[i], names, " ")
    for (j = 1; j <= n; j++) floor[names[j]] = i
    top = i
  }
}
function folder_of(path,    f, best) {
  best = ""
  for (f in floor)
    if (index(path, f "/") == 1 && length(f) > length(best)) best = f
  return best
}
function complain(text) { print text; failed = 1 }
{
  file = $0
  own = folder_of(file)
  qt_allowed = file ~ /^(gui|tests\/gui)\//
  cmake = file ~ /(^|\/)CMakeLists\.txt$|\.cmake$/
  line_number = 0
  while ((getline line < file) > 0) {
    line_number++
    if (cmake) {
      if (!qt_allowed && line ~ /find_package\([[:space:]]*Qt/)
        complain(file ":" line_number ": looks for Qt outside gui/")
      continue
    }
    if (line !~ /^[[:space:]]*#[[:space:]]*include/) continue
    if (!qt_allowed && line ~ /include[[:space:]]*<Q/)
      complain(file ":" line_number ": Qt header outside gui/")
    if (!match(line, /"[^"]*"/)) continue
    target = substr(line, RSTART + 1, RLENGTH - 2)
    to = folder_of(target)
    if (to == "" || to == own || own == "" || floor[own] == top) continue
    if (floor[to] >= floor[own])
      complain(file ":" line_number ": includes " target ", which is not below " own "/")
  }
  close(file)
}
END { exit failed }
'
