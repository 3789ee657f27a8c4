#!/usr/bin/env bash
# Installs what building and testing Orvane needs on Debian 12, when missing,
# builds the engine's third-party libraries once (scripts/thirdparty.sh), then
# configures and builds. Usage: scripts/setup.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${ORV_BUILD:-$here/build}}

packages=(cmake ninja-build make dpkg-dev g++-mingw-w64-i686 wine wine32:i386 xvfb xauth x11-apps
          imagemagick gnupg sq sks googletest python3 ccache nsis)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  # A mirror caught in its sync answers with a bad index now and then: ask
  # again, then install from what the indexes that did arrive offer.
  for try in 1 2 3; do
    "${sudo_cmd[@]}" apt-get update -q && break
    sleep 15
  done
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q -o Acquire::Retries=5 "${missing[@]}"
fi

thirdparty=${ORV_THIRDPARTY:-/opt/orv-thirdparty/i686}
"$here/scripts/thirdparty.sh" "$thirdparty"

. "$here/scripts/machine.sh"
echo "== configuring $build"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
  -DORV_THIRDPARTY="$thirdparty" -DORV_TEST_TIME_SCALE="$(orv_time_scale)" >/dev/null
echo "== building"
cmake --build "$build" -j "$(nproc)"
