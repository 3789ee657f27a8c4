#!/usr/bin/env bash
# Unpacks the i386 shared libraries that the Winelib core needs at run time
# (Debian's librnp and Botan with what they load) into DIR, for a machine that
# has Wine but not these packages: point the loader at DIR (LD_LIBRARY_PATH)
# for the Winelib run only. Packages come through apt, as the build host sees them.
# Usage: standin/sdk/winelib_runtime.sh DIR
set -euo pipefail
dir=${1:?directory}
packages=(librnp0:i386 libbotan-2-19:i386 libjson-c5:i386 libdeflate0:i386 libtspi1:i386 libssl3:i386
          libsqlite3-0:i386 liblzma5:i386 libbz2-1.0:i386 zlib1g:i386 libstdc++6:i386 libgcc-s1:i386)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# (As root, apt warns that it downloads without its sandbox user: not a fault.)
(cd "$work" && apt-get download -q "${packages[@]}" >/dev/null 2> >(grep -v 'unsandboxed as root' >&2))
mkdir -p "$work/root"
for deb in "$work"/*.deb; do dpkg-deb -x "$deb" "$work/root"; done
rm -rf "$dir"
mkdir -p "$dir"
# Libraries and their version links, flat: one folder for LD_LIBRARY_PATH.
find "$work/root" \( -type f -o -type l \) -name 'lib*.so*' ! -name '*.py' -path '*i386-linux-gnu*' -exec cp -P {} "$dir/" \;
ls "$dir"/librnp.so.0 "$dir"/libbotan-2.so.19 >/dev/null
