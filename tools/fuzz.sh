#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer), writes their seed corpora with the tests' file
# builder and runs each harness for the given number of seconds (default 60):
#
#   tools/fuzz.sh [seconds]
#
# Each harness keeps its growing corpus in build-fuzz/corpus/<name>, so later
# runs go on where earlier ones stopped.  An input that crashes, hangs or
# exhausts memory is written to build-fuzz/findings/ and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
tools/setup.sh clang-14 libclang-rt-14-dev libgtest-dev

dir=build-fuzz
fuzz_cxx=${FUZZ_CXX:-$(command -v clang++ || command -v clang++-14)}
CXX=$fuzz_cxx tools/build.sh "$dir" -DTRANSVANE_FUZZ=ON -DTRANSVANE_GUI=OFF -DTRANSVANE_TESTS=OFF

rm -rf "$dir/seeds"
"$dir/fuzz/make_seeds" "$dir/seeds"
mkdir -p "$dir/findings"

status=0
for harness in "$dir"/fuzz/*_fuzz; do
  name=$(basename "$harness" _fuzz)
  corpus="$dir/corpus/$name"
  mkdir -p "$corpus"
  echo "== $name: $seconds s"
  log="$dir/findings/$name.log"
  # -rss_limit_mb bounds the memory one input may claim; the harnesses
  # lower the inflate limit far below it.
  if nice -n 10 "$harness" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$dir/findings/$name-" \
       "$corpus" "$dir/seeds/$name" >"$log" 2>&1; then
    grep -E '^Done [0-9]+ runs|stat::number_of_executed_units' "$log" | head -2 || true
  else
    echo "$name: finding, see $log"
    tail -40 "$log"
    status=1
  fi
done
exit $status
