#!/usr/bin/env bash
# Runs CTest on an already built tree under its own Wine session, without
# building. Usage: scripts/ctest-in.sh BUILD_DIR [ctest arguments, e.g. -R keys]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?build directory}" && pwd)
shift
. "$here/scripts/machine.sh"
orv_runs_32bit || exec "$here/scripts/in-vm.sh" "$build" scripts/ctest-in.sh "$build" "$@"
. "$here/scripts/wine-session.sh"
trap orv_wine_stop EXIT
export ORV_SHOTS_UNIX="$build/screenshots"
mkdir -p "$ORV_SHOTS_UNIX"
export ORV_SHOTS=$(winepath -w "$ORV_SHOTS_UNIX" 2>/dev/null)
export WINEPATH="$(winepath -w "$build/bin" 2>/dev/null)"
ctest --test-dir "$build" --output-on-failure "$@"
