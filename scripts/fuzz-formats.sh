#!/usr/bin/env bash
# Builds the message-format fuzz targets natively (clang, ASan + UBSan +
# libFuzzer; outside the cross build) and runs each one in turn.
# Usage: scripts/fuzz-formats.sh [seconds per target] [target ...]
# ORV_FUZZ_MAX_LEN sets the largest input (default 32768).
# Targets: fuzz_codecs fuzz_header fuzz_extract fuzz_parts fuzz_assembly fuzz_recognition
# (default: all).
# New inputs go to the build directory; the committed seeds in
# tests/formats/fuzz/corpus/<target>/ are only read.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_codecs fuzz_header fuzz_extract fuzz_parts fuzz_assembly fuzz_recognition)
out=${ORV_FUZZ_BUILD:-$here/build-formats/fuzz}
cxx=${CXX_NATIVE:-clang++-14}
mkdir -p "$out"

# The Win32-free core library's sources, as formats/CMakeLists.txt lists them.
core=()
while read -r f; do core+=("$here/formats/$f"); done < <(
  sed -n '/set(ORV_FORMATS_CORE_SOURCES/,/)/p' "$here/formats/CMakeLists.txt" | grep -o '[A-Za-z0-9_]*\.cpp')
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined,fuzzer
       -fno-sanitize-recover=undefined -I"$here")

status=0
for t in "${targets[@]}"; do
  echo "== building $t"
  "$cxx" "${flags[@]}" "${core[@]}" "$here/tests/formats/fuzz/$t.cpp" -o "$out/$t"
  seeds="$here/tests/formats/fuzz/corpus/$t"
  work="$out/corpus-$t"
  mkdir -p "$seeds" "$work"
  echo "== running $t for ${seconds}s"
  if ! (cd "$out" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "./$t" -max_total_time="$seconds" -max_len="${ORV_FUZZ_MAX_LEN:-32768}" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 "$work" "$seeds" 2>&1 | tail -n 25); then
    status=1
  fi
done
exit $status
