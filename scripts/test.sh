#!/usr/bin/env bash
# Builds Orvane and runs every test under Wine; prints a summary with counts.
# Usage: scripts/test.sh [ctest arguments, e.g. -R strings]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${ORV_BUILD:-$here/build}
"$here/scripts/setup.sh" "$build"

. "$here/scripts/wine-session.sh"
trap orv_wine_stop EXIT
export ORV_SHOTS_UNIX="$build/screenshots"
mkdir -p "$ORV_SHOTS_UNIX"
export ORV_SHOTS=$(winepath -w "$ORV_SHOTS_UNIX" 2>/dev/null)
export WINEPATH="$(winepath -w "$build/bin" 2>/dev/null)"

echo "== running tests (screenshots in $ORV_SHOTS_UNIX)"
set +e
ctest --test-dir "$build" --output-on-failure --no-tests=error "$@" | tee "$build/ctest.log"
rc=${PIPESTATUS[0]}
set -e

# Each program reports its cases; sum them for the summary.
passed=$(grep -h '^\[  PASSED  \]' "$build"/Testing/Temporary/LastTest.log 2>/dev/null | awk "{s+=\$4} END {print s+0}" || true)
failed=$(grep -hE "^\[  FAILED  \] .* \([0-9]+ ms\)$" "$build"/Testing/Temporary/LastTest.log 2>/dev/null | wc -l || true)
echo
echo "== summary: $(grep -E 'tests passed|tests failed' "$build/ctest.log" | tail -1)"
echo "== test cases: $passed passed, $failed failed"
exit "$rc"
