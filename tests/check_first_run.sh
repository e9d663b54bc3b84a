#!/usr/bin/env bash
# What a new user meets first, checked the way they meet it (tools/test.sh
# runs this last, once every build tree the README names exists):
#   - tools/run.sh under a virtual X server opens the window "Vantrel 4 to 5
#     Converter" (closed here with Escape), and without a display prints
#     where the command-line tool is and exits with status 1;
#   - every path the README, the manual pages, transvane-cli --help and that
#     message tell the user to run or open exists.
# Needs xvfb-run and xdotool (tools/setup.sh --tests).
#
#   tests/check_first_run.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT

echo "-- tools/run.sh without a display"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM tools/run.sh >"$settings/out" 2>"$settings/err" || status=$?
[ "$status" -eq 1 ] || fail "tools/run.sh without a display exited with $status, not 1"
grep -q "needs a graphical display" "$settings/err" || fail "no display message: $(cat "$settings/err")"
message=$(cat "$settings/err")

echo "-- tools/run.sh under a virtual X server"
# Inside the X server: start the window, wait until it shows, close it with
# Escape as a user would, and pass on the window's exit status.
open_and_close='
  tools/run.sh >/dev/null & app=$!
  window=$(timeout 120 xdotool search --sync --onlyvisible --name "^Vantrel 4 to 5 Converter$" | head -n 1)
  if [ -z "$window" ]; then kill $app; exit 3; fi
  xdotool windowfocus --sync "$window" key Escape
  wait $app'
status=0
env -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$settings" timeout 300 \
  xvfb-run -a -s "-screen 0 1024x768x24" sh -c "$open_and_close" || status=$?
case $status in
  0) ;;
  3) fail "the window \"Vantrel 4 to 5 Converter\" did not appear" ;;
  *) fail "tools/run.sh under Xvfb ended with status $status" ;;
esac

echo "-- paths the user is told to run"
built=$(find build -path build/CMakeFiles -prune -o -type f -executable -name 'transvane*' -print)
# Paths named in the README and in the message (placeholders such as
# <name> aside), each of which must exist; a * matches as in the shell.
paths=$( { cat README.md; echo "$message"; } |
  grep -oE '(^|[^A-Za-z0-9_.<-])(tools|build[a-z-]*)/[A-Za-z0-9_.*/-]+' |
  sed -E 's#^[^tb]##; s#[.]$##' | grep -v '<' | sort -u)
[ -n "$paths" ] || fail "no paths found in the README"
for path in $paths; do
  # shellcheck disable=SC2086  # the pattern is meant to expand
  set -- $path
  [ -e "$1" ] || fail "the README or the message names $path, which does not exist"
done
# The programs the manual pages and the help run: the first word of the
# synopsis and of every example, each built under that name.
programs=$( { sed -n '/^\.SH SYNOPSIS/,/^\.SH/p' packaging/*.1.in | grep -oE '^\.B +transvane[a-z-]*';
              grep -ohE '^transvane[a-z-]* ' packaging/*.1.in;
              build/cli/transvane-cli --help | grep -oE '^ *(Usage: )?transvane[a-z-]* ' ; } |
  grep -oE 'transvane[a-z-]*' | sort -u)
for program in $programs; do
  # A here-string, not a pipe: grep -q leaves at its first match, and under
  # pipefail the writer's broken pipe would count as a failure.
  grep -q "/$program\$" <<<"$built" || fail "$program is named to be run but not built"
done

if [ "$failures" -gt 0 ]; then
  echo "$failures first-run checks failed" >&2
  exit 1
fi
echo "First run checked: the window opens, the no-display message, $(echo "$paths" | wc -l) paths, programs: $(echo $programs)"
