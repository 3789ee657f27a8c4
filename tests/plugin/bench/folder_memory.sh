#!/usr/bin/env bash
# The viewer's folder-load memory for folders of 1, 10 and 30 MB, each in a
# run of its own. Usage: folder_memory.sh BUILD_DIR [sizes in MB...]
set -euo pipefail
here=$(cd "$(dirname "$0")/../../.." && pwd)
build=$(cd "${1:?build directory}" && pwd)
shift
sizes=${*:-1 10 30}
for mb in $sizes; do
  ORV_BENCH_FOLDER_MB=$mb GTEST_ALSO_RUN_DISABLED_TESTS=1 GTEST_FILTER='ViewerExports.DISABLED_BenchFolderLoadMemory' \
    "$here/scripts/ctest-in.sh" "$build" -R plugin_viewer_test -V --timeout 7200 | grep '\[bench\]' || true
done
