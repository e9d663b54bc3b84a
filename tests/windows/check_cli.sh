#!/usr/bin/env bash
# transvane-cli.exe under Wine, against the native reference:
#   tests/windows/check_cli.sh EXE WEB_PROJECTS NATIVE_CLI INTERRUPT
# WEB_PROJECTS (tests/web/web_projects.cpp) writes the test kit's projects
# of every version and compares a conversion with the native one field by
# field and byte for byte (the same codec: data_441.vtr has blocks that
# go to libdeflate); NATIVE_CLI extracts the pictures that the Windows build's must
# decode to; INTERRUPT (tests/windows/interrupt.cpp) presses Ctrl-C or
# Ctrl-Break at the console mid-save.  Wine runs with the prefix that
# WINEPREFIX names.
set -euo pipefail
exe=$(realpath "$1")
projects=$(realpath "$2")
native=$(realpath "$3")
interrupt=$(realpath "$4")
work=$(mktemp -d /tmp/transvane-windows.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}
cli() { wine "$exe" "$@"; }

"$projects" make kit

echo "-- convert, every version, compared with the native conversion"
for source in kit/sample_*.vtr kit/data_441.vtr; do
  out=one_$(basename "$source")
  cli convert -q "$source" "$out" || fail "convert $source"
  "$projects" check "$source" "$out" >/dev/null 2>&1 || fail "$out differs from the native conversion"
done

echo "-- a batch of every version with --jobs 16"
mkdir batch_in
cp kit/sample_*.vtr kit/data_441.vtr batch_in/
cli convert -q batch_in --output-dir batch_out --jobs 16 2>errors.txt || fail "the batch"
# Wine reports a thread that crashed as it ended even when the status is 0.
grep -q "Unhandled" errors.txt && fail "a thread of the batch crashed: $(grep -m1 Unhandled errors.txt)"
for source in batch_in/*.vtr; do
  "$projects" check "$source" "batch_out/$(basename "$source")" >/dev/null 2>&1 ||
    fail "batch output of $source differs"
done

echo "-- info --json parses, check succeeds"
cli info kit/sample_441.vtr --json | python3 -m json.tool >/dev/null || fail "info --json"
cli check kit/sample_430.vtr >/dev/null || fail "check"

echo "-- a name outside the ANSI code page, converted and printed"
unicode="Ελληνικά_日本語.vtr"
cp kit/sample_420.vtr "$unicode"
cli convert -q "$unicode" "έξοδος_出力.vtr" || fail "convert $unicode"
"$projects" check "$unicode" "έξοδος_出力.vtr" >/dev/null 2>&1 || fail "the Unicode-named conversion differs"
cp kit/not_a_project.vtr "σφάλμα.vtr"
if cli convert "σφάλμα.vtr" "σφάλμα_out.vtr" 2>errors.txt; then fail "a file that is no project converted"; fi
grep -q "file: σφάλμα.vtr" errors.txt || fail "the message does not name σφάλμα.vtr: $(cat errors.txt)"

echo "-- an existing target: refused without --force, kept as the backup with it"
cp kit/sample_500.vtr existing.vtr
if cli convert kit/sample_410.vtr existing.vtr 2>/dev/null; then fail "an existing target was replaced without --force"; fi
cmp -s kit/sample_500.vtr existing.vtr || fail "a refused target changed"
cli convert -q -f kit/sample_410.vtr existing.vtr || fail "convert --force"
cmp -s kit/sample_500.vtr existing.vk1 || fail "no backup existing.vk1 of what the target held"
"$projects" check kit/sample_410.vtr existing.vtr >/dev/null 2>&1 || fail "the forced conversion differs"
ls .*.tmp >/dev/null 2>&1 && fail "temporary files were left behind"

echo "-- a project in capitals, in place: its series found in any spelling, each backup once"
mkdir caps
cp kit/sample_410.vtr caps/GAME.VTR
cp kit/sample_420.vtr caps/GAME.VK1
cli convert -q caps --output-dir caps 2>errors.txt || fail "in place in capitals: $(head -1 errors.txt)"
[ "$(cd caps && ls | tr '\n' ' ')" = "GAME.VK1 GAME.VK2 GAME.VTR " ] || fail "in place in capitals: $(cd caps && ls)"
cmp -s kit/sample_410.vtr caps/GAME.VK1 || fail "GAME.VK1 is no copy of the project"
cli convert -q -f kit/sample_430.vtr caps/game.vtr 2>errors.txt || fail "a lower-case spelling: $(head -1 errors.txt)"
# Names ignore case here: the same series, not two, and no clash.
[ "$(cd caps && ls | tr 'A-Z' 'a-z' | LC_ALL=C sort | tr '\n' ' ')" = "game.vk1 game.vk2 game.vk3 game.vtr " ] ||
  fail "a lower-case spelling: $(cd caps && ls)"

echo "-- device names and folders refused as targets"
for target in NUL nul.vtr CON Com1.vtr lpt9; do
  if cli convert -f kit/sample_441.vtr "$target" 2>errors.txt; then fail "the target $target was accepted"; fi
  grep -q "^Error Saving: Cannot create the file" errors.txt || fail "$target: $(head -1 errors.txt)"
  grep -q "^  cause: " errors.txt || fail "$target: no cause"
done
# A folder is refused before the file is read, pointing to --output-dir.
mkdir folder.vtr
if cli convert -f kit/sample_441.vtr folder.vtr 2>errors.txt; then fail "the target folder.vtr was accepted"; fi
grep -q "^transvane-cli: TARGET folder.vtr is a folder; to convert into it, use --output-dir" errors.txt ||
  fail "folder.vtr: $(head -1 errors.txt)"

echo "-- extract: the pictures decode to the native build's"
cli extract kit/sample_441.vtr extracted >/dev/null || fail "extract"
# Again over itself: each file is written beside the old one, flushed to
# disk and renamed over it, and no hidden file is left.
cli extract kit/sample_441.vtr extracted --force >/dev/null || fail "extract --force"
[ -z "$(find extracted -name '.*.tmp')" ] || fail "extract --force left hidden files"
"$native" extract kit/sample_441.vtr reference >/dev/null || fail "the native extract"
python3 - extracted reference <<'EOF' || fail "the extracted pictures differ"
import pathlib, struct, sys, zlib

def pixels(path):
    data = path.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    at, idat, header = 8, b"", None
    while at < len(data):
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + size]
        assert zlib.crc32(kind + body) == struct.unpack(">I", data[at + 8 + size:at + 12 + size])[0], path
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + size
    width, height, depth, colour = header[:4]
    assert (depth, colour) == (8, 2), path
    raw, stride, rows, previous = zlib.decompress(idat), width * 3, [], bytearray(width * 3)
    for y in range(height):
        kind, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = row[x - 3] if x >= 3 else 0
            b, c = previous[x], previous[x - 3] if x >= 3 else 0
            if kind == 1: row[x] = (row[x] + a) & 255
            elif kind == 2: row[x] = (row[x] + b) & 255
            elif kind == 3: row[x] = (row[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[x] = (row[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(row))
        previous = row
    return width, height, rows

ours, theirs = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
pictures = sorted(p.relative_to(theirs) for p in theirs.rglob("*.png"))
assert pictures, "the native extract wrote no pictures"
for picture in pictures:
    assert pixels(ours / picture) == pixels(theirs / picture), picture
print(f"   {len(pictures)} pictures equal")
EOF

echo "-- Ctrl-C and Ctrl-Break mid-save: temporary files removed, one line, status 130"
# Large enough that the save is still writing when the event arrives.
"$projects" large big.vtr 48
cli convert -q big.vtr whole.vtr 2>errors.txt || fail "the large project: $(head -1 errors.txt)"
grep -q "Unhandled" errors.txt && fail "a thread of the large conversion crashed: $(grep -m1 Unhandled errors.txt)"
"$projects" check big.vtr whole.vtr >/dev/null 2>&1 || fail "the large project differs from the native conversion"
cp kit/sample_500.vtr kept.vtr
# The event goes once the save's temporary file exists.
press() { # KEY TARGET ARGUMENT...
  local key=$1 target=$2
  shift 2
  wine "$interrupt" "$key" ".$target.tv*.tmp" "$(winepath -w "$exe")" "$@" 2>errors.txt
}
for key in ctrl-c ctrl-break; do
  for target in new.vtr kept.vtr; do
    status=0
    press "$key" "$target" convert -f big.vtr "$target" || status=$?
    if [ "$key" = ctrl-break ] && [ "$status" = 125 ] && grep -q "refused the event" errors.txt; then
      # Wine's console (8.0) delivers Ctrl-C but refuses CTRL_BREAK_EVENT.
      echo "   $key: $(tr -d '\r' <errors.txt); not checked under this Wine"
      rm -f .*.tmp # the helper ended the tool as a kill does
      break
    fi
    [ "$status" = 130 ] || fail "$key on $target: status $status: $(cat errors.txt)"
    [ "$(tr -d '\r' <errors.txt)" = "Conversion interrupted." ] || fail "$key on $target said: $(cat errors.txt)"
    ls .*.tmp >/dev/null 2>&1 && fail "$key on $target left temporary files: $(ls .*.tmp)"
  done
  [ -e new.vtr ] && fail "$key: an interrupted conversion left new.vtr"
  cmp -s kit/sample_500.vtr kept.vtr || fail "$key: the target of an interrupted conversion changed"
  [ ! -e kept.vk1 ] || cmp -s kit/sample_500.vtr kept.vk1 || fail "$key: kept.vk1 is no copy of the target"
  rm -f new.vtr kept.vk1
done

if [ "$failures" -gt 0 ]; then
  echo "$failures checks failed" >&2
  exit 1
fi
echo "-- every check passed"
