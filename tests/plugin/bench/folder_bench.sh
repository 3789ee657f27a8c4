#!/usr/bin/env bash
# The folder load of 1,000 mixed messages and DECRYPT_FILE_EX of a 20 MB
# message through Merrowin.dll over the engine, each beside RNP alone on the
# same mail and key rings and beside gpg; prints the [bench] lines (ratios as
# minimum and median of three runs). Usage: folder_bench.sh BUILD_DIR [COUNT]
set -euo pipefail
here=$(cd "$(dirname "$0")/../../.." && pwd)
build=$(cd "${1:?build directory}" && pwd)
ORV_BENCH_COUNT=${2:-1000} GTEST_ALSO_RUN_DISABLED_TESTS=1 \
  GTEST_FILTER='ViewerExports.DISABLED_BenchFolderModeAgainstGpg:ViewerExports.DISABLED_BenchDecryptFileEx*' \
  "$here/scripts/ctest-in.sh" "$build" -R '^plugin_viewer_test$' -V --timeout 7200 | grep -E '\[bench\]|FAILED|Failure' || true
