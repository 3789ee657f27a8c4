#!/usr/bin/env bash
# The main job: builds Orvane and its stand-ins, then runs the demo under Wine.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${ORV_BUILD:-$here/build}
"$here/scripts/setup.sh" "$build"

. "$here/scripts/wine-session.sh"
trap orv_wine_stop EXIT

demo_dir="$build/demo"
mkdir -p "$demo_dir"
export ORV_DEMO_DIR=$(winepath -w "$demo_dir")
echo "== running the demo (files in $demo_dir)"
cd "$build/bin"
wine ./orvane_demo.exe "$@"
