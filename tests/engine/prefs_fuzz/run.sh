#!/usr/bin/env bash
# Builds the preference-text fuzz target natively (clang, ASan + UBSan +
# libFuzzer; outside the cross build) and runs it.
# Usage: tests/engine/prefs_fuzz/run.sh [seconds]
# New inputs go to the build directory; the committed seeds are only read.
set -euo pipefail
here=$(cd "$(dirname "$0")/../../.." && pwd)
seconds=${1:-60}
out=${ORV_FUZZ_BUILD:-$here/build-prefs/fuzz}
cxx=${CXX_NATIVE:-clang++}
mkdir -p "$out/corpus"
"$cxx" -std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined,fuzzer \
  -fno-sanitize-recover=undefined -I"$here" \
  "$here/engine/prefs_parse.cpp" "$here/base/text.cpp" "$here/tests/engine/prefs_fuzz/fuzz_prefs.cpp" -o "$out/fuzz_prefs"
cd "$out"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ./fuzz_prefs -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 "$out/corpus" "$here/tests/engine/prefs_fuzz/corpus" 2>&1 | tail -n 20
