#!/usr/bin/env bash
# Builds the library, transvane-cli and the suites that use threads with
# ThreadSanitizer in DIR (default build-tsan) and runs the tests that start
# threads: tools/tsan.sh [DIR].  Any data race fails the run.
# TRANSVANE_WERROR=ON in the environment (tools/test.sh) makes every warning
# an error.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-tsan}
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRANSVANE_TSAN=ON \
  -DTRANSVANE_GUI=OFF -DTRANSVANE_BENCH=OFF ${TRANSVANE_WERROR:+-DTRANSVANE_WERROR="$TRANSVANE_WERROR"} \
  "${launcher[@]}" >/dev/null
cmake --build "$dir" --parallel "$(nproc)" --target transvane_tests transvane-cli
tests=(
  'ConversionLibrary.BytesConvertOnTwoThreadsAtOnce'
  'BlockPrefetch.*'
  'SaveSafely.PendingFilesHoldEverySaveInFlight'
  'BatchConvertProjects.JobsChangeNothingButTheTime'
)
filter=$(IFS=:; echo "${tests[*]}")
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" TRANSVANE_CLI="$PWD/$dir/cli/transvane-cli" \
  "$dir/tests/transvane_tests" --gtest_filter="$filter"
