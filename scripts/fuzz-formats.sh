#!/usr/bin/env bash
# Builds the message-format fuzz targets natively (clang, ASan + UBSan +
# libFuzzer; outside the cross build) and runs each one in turn.
# Usage: scripts/fuzz-formats.sh [seconds per target] [target ...]
# ORV_FUZZ_MAX_LEN sets the largest input (default 32768); ORV_FUZZ_FLAGS adds
# libFuzzer options (e.g. -len_control=0 to reach long inputs soon).
# ORV_FUZZ_MERGE=1 afterwards minimises the seeds and the new inputs into the
# kept folder tests/formats/fuzz/corpus/<target>/ (-merge=1 into a fresh
# folder that then replaces it, counting covered edges without their hit
# counts); inputs longer than ORV_FUZZ_KEEP_LEN (default 16384) are not
# kept, so the folder stays small. Seconds 0 with ORV_FUZZ_MERGE=1 only
# merges.
# Targets: fuzz_codecs fuzz_header fuzz_extract fuzz_parts fuzz_assembly fuzz_recognition
# (default: all).
# New inputs go to the build directory; the committed seeds are only read
# unless ORV_FUZZ_MERGE=1.
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
# and the Win32-free text helpers of base/ it links.
while read -r f; do core+=("$here/base/$f"); done < <(
  sed -n '/add_library(orv_base_text/,/)/p' "$here/base/CMakeLists.txt" | grep -o '[A-Za-z0-9_]*\.cpp')
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined,fuzzer
       -fno-sanitize-recover=undefined -I"$here")

status=0
for t in "${targets[@]}"; do
  echo "== building $t"
  "$cxx" "${flags[@]}" "${core[@]}" "$here/tests/formats/fuzz/$t.cpp" -o "$out/$t"
  seeds="$here/tests/formats/fuzz/corpus/$t"
  work="$out/corpus-$t"
  mkdir -p "$seeds" "$work"
  if [ "$seconds" -gt 0 ]; then
    echo "== running $t for ${seconds}s"
    # shellcheck disable=SC2086
    if ! (cd "$out" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
          "./$t" -max_total_time="$seconds" -max_len="${ORV_FUZZ_MAX_LEN:-32768}" -timeout=20 -rss_limit_mb=2048 \
          -print_final_stats=1 ${ORV_FUZZ_FLAGS:-} "$work" "$seeds" 2>&1 | tee "$out/$t.log" |
          grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^stat::|^Done|ERROR|SUMMARY|deadly signal|Test unit written|^artifact'); then
      status=1
      continue  # a finding: keep the folders as they are
    fi
  fi
  if [ "${ORV_FUZZ_MERGE:-0}" = 1 ]; then
    keep=${ORV_FUZZ_KEEP_LEN:-16384}
    fresh="$out/merge-$t"
    rm -rf "$fresh" && mkdir -p "$fresh"
    # Only inputs within the kept length take part, so the kept folder stays small.
    pool="$out/pool-$t"
    rm -rf "$pool" && mkdir -p "$pool"
    find "$seeds" "$work" -type f -size -"$((keep + 1))"c -exec cp -t "$pool" {} + 2>/dev/null || true
    echo "== merging $t ($(find "$pool" -type f | wc -l) inputs)"
    if (cd "$out" && ASAN_OPTIONS=detect_leaks=0 "./$t" -merge=1 -use_counters=0 -max_len="$keep" -timeout=20 -rss_limit_mb=2048 \
          "$fresh" "$pool" 2>&1 | tail -n 3); then
      rm -rf "$seeds.old" && mv "$seeds" "$seeds.old" && mv "$fresh" "$seeds" && rm -rf "$seeds.old"
      echo "== kept $(find "$seeds" -type f | wc -l) files, $(du -sh "$seeds" | cut -f1) in $seeds"
    else
      status=1
    fi
    rm -rf "$pool"
  fi
done
exit $status
