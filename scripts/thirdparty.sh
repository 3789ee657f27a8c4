#!/usr/bin/env bash
# Builds the engine's OpenPGP library RNP and what it needs (Botan, json-c, zlib, bzip2), and the
# engine's whole-buffer compressor libdeflate, as static 32-bit Windows libraries from the sources Debian 12 packages, into a cache outside the tree.
# A complete cache (its stamp names the same versions, patches and recipe) is left as it is.
# Usage: scripts/thirdparty.sh [prefix]   (default: $ORV_THIRDPARTY, else /opt/orv-thirdparty/i686)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix=${1:-${ORV_THIRDPARTY:-/opt/orv-thirdparty/i686}}
jobs=${ORV_THIRDPARTY_JOBS:-2}

# Debian 12 (bookworm) source packages, pinned.
sources=(rnp=0.16.3-1 botan=2.19.3+dfsg-1+deb12u1 json-c=0.16-2 zlib=1:1.2.13.dfsg-1 bzip2=1.0.8-5
         libdeflate=1.14-1)
# What RNP 0.16 asks of Botan (its src/lib/CMakeLists.txt and src/lib/crypto), plus the x86
# code paths Botan picks at run time.
botan_modules=bigint,ffi,hex,pgp_s2k,block,aes,aes_ni,aes_vperm,blowfish,camellia,cast128,des,cbc,cfb
botan_modules+=,auto_rng,system_rng,hmac,hmac_drbg,crc24,hash,md5,sha1,sha1_sse2,sha1_x86,sha2_32
botan_modules+=,sha2_32_x86,sha2_64,sha3,rmd160,dl_group,dl_algo,ec_group,ecc_key,pubkey,curve25519
botan_modules+=,dsa,ecdh,ecdsa,ed25519,elgamal,rsa,eme_pkcs1,emsa_pkcs1,emsa_raw,kdf,rfc3394
botan_modules+=,sp800_56a,aead,eax,ocb,twofish,idea,sm2,sm3,sm4

host=i686-w64-mingw32
cc=$host-gcc-posix
cxx=$host-g++-posix
patches=$here/third_party/patches
src=$prefix/src
work=$prefix/build
stamp=$prefix/orv-thirdparty.stamp

# Bump when a step's commands change: the cache is then built again.
recipe=1
# The cache's identity: versions, Botan's modules, our patches and the recipe's number.
key=$( { printf '%s\n' "${sources[@]}" "$botan_modules"; cat "$patches"/*.patch 2>/dev/null || true; } \
       | sha256sum | cut -c1-16)
want="${sources[*]} recipe=$recipe-$key"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
  echo "== third-party libraries up to date in $prefix"
  exit 0
fi

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
missing=()
for p in dpkg-dev cmake make python3 g++-mingw-w64-i686; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
fi
# Debian's sources come through apt: add a bookworm deb-src entry when there is none, then update.
if ! grep -qx 'Version: 0.16.3-1' <(apt-cache showsrc rnp 2>/dev/null); then
  if ! grep -rqsE '^(Types:.*deb-src|deb-src .*bookworm)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    echo "== adding the bookworm source entry"
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/orv-thirdparty-src.sources >/dev/null
  fi
  # A mirror in its sync may refuse one index; the source index is what counts here.
  for try in 1 2 3; do "${sudo_cmd[@]}" apt-get update -q && break; sleep 15; done
fi

mkdir -p "$src" "$work"
started=$(date +%s)
# Each step leaves a marker holding what its result depends on; a step whose marker matches is
# skipped. ORV_THIRDPARTY_STEPS="zlib bzip2" limits a run to those steps.
steps=" ${ORV_THIRDPARTY_STEPS:-zlib bzip2 json-c botan rnp libdeflate} "
ident() {  # ident NAME: its source version, its patches, Botan's modules; RNP: also its libraries'
  { echo "recipe=$recipe"; printf '%s\n' "${sources[@]}" | grep "^$1="
    [ "$1" != botan ] || echo "$botan_modules"
    [ "$1" != rnp ] || for d in zlib bzip2 json-c botan; do ident $d; done
    cat "$patches/$1"-*.patch 2>/dev/null || true; } | sha256sum | cut -c1-16
}
done_mark() { [[ "$steps" != *" $1 "* ]] || { [ -f "$work/$1.done" ] && [ "$(cat "$work/$1.done")" = "$(ident "$1")" ]; }; }
mark_done() { ident "$1" > "$work/$1.done"; echo "== $1 done after $(( $(date +%s) - started )) s"; }

fetch() {  # fetch NAME=VERSION DIR: unpacked Debian source with Debian's patches, plus ours
  local dir=$src/$2 name=${1%%=*}
  if [ ! -f "$dir/.orv-fetched" ] || [ "$(cat "$dir/.orv-fetched")" != "$(ident "$name")" ]; then
    rm -rf "$dir"
    (cd "$src" && apt-get source -q "$1" >/dev/null)
    for p in "$patches/$name"-*.patch; do
      [ -e "$p" ] || continue
      echo "== patching $name: $(basename "$p")"
      patch -d "$dir" -p1 -s < "$p"
    done
    ident "$name" > "$dir/.orv-fetched"
  fi
}

# CMake projects find the cross-built libraries in the cache before MinGW's own.
toolchain=$work/toolchain.cmake
cat > "$toolchain" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER $cc)
set(CMAKE_CXX_COMPILER $cxx)
set(CMAKE_RC_COMPILER $host-windres)
set(CMAKE_FIND_ROOT_PATH $prefix /usr/$host)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

if ! done_mark zlib; then
  fetch "${sources[3]}" zlib-1.2.13.dfsg
  (cd "$src/zlib-1.2.13.dfsg" \
    && CHOST=$host CC=$cc AR=$host-ar RANLIB=$host-ranlib CFLAGS=-O2 ./configure --static --prefix="$prefix" >/dev/null \
    && make -j"$jobs" libz.a >/dev/null && make install >/dev/null)
  mark_done zlib
fi

if ! done_mark bzip2; then
  fetch "${sources[4]}" bzip2-1.0.8
  (cd "$src/bzip2-1.0.8" && make clean >/dev/null \
    && make -j"$jobs" libbz2.a CC=$cc AR=$host-ar RANLIB=$host-ranlib CFLAGS="-O2 -D_FILE_OFFSET_BITS=64" >/dev/null \
    && install -D -m644 libbz2.a "$prefix/lib/libbz2.a" && install -D -m644 bzlib.h "$prefix/include/bzlib.h")
  mark_done bzip2
fi

if ! done_mark json-c; then
  fetch "${sources[2]}" json-c-0.16
  rm -rf "$work/json-c"
  cmake -S "$src/json-c-0.16" -B "$work/json-c" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DBUILD_STATIC_LIBS=ON -DBUILD_TESTING=OFF -DBUILD_APPS=OFF -DDISABLE_WERROR=ON >/dev/null
  cmake --build "$work/json-c" -j"$jobs" >/dev/null
  cmake --install "$work/json-c" >/dev/null
  mark_done json-c
fi

if ! done_mark botan; then
  fetch "${sources[1]}" botan-2.19.3+dfsg
  rm -rf "$work/botan"
  (cd "$src/botan-2.19.3+dfsg" \
    && python3 configure.py --os=mingw --cpu=x86_32 --cc=gcc --cc-bin=$cxx --ar-command=$host-ar \
         --minimized-build --enable-modules=$botan_modules --disable-shared-library \
         --build-targets=static --without-documentation --prefix="$prefix" \
         --with-build-dir="$work/botan" $(command -v ccache >/dev/null && echo --compiler-cache=ccache) >/dev/null \
    && nice -n 5 make -f "$work/botan/Makefile" -j"$jobs" libs >"$work/botan.log" 2>&1 \
    && make -f "$work/botan/Makefile" install >>"$work/botan.log" 2>&1) \
    || { tail -20 "$work/botan.log"; exit 1; }
  mark_done botan
fi

if ! done_mark rnp; then
  fetch "${sources[0]}" rnp-0.16.3
  rm -rf "$work/rnp"
  # Debian's version patch takes the version and its date from the environment, as in a package build.
  changelog=$src/rnp-0.16.3/debian/changelog
  DEB_VERSION=$(dpkg-parsechangelog -l "$changelog" -SVersion) \
  SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$changelog" -STimestamp) cmake -S "$src/rnp-0.16.3" -B "$work/rnp" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DBUILD_TESTING=OFF -DENABLE_DOC=OFF -DCRYPTO_BACKEND=botan -DDOWNLOAD_GTEST=OFF \
    -DDOWNLOAD_RUBYRNP=OFF -DENABLE_FUZZERS=OFF -DENABLE_SM2=On -DENABLE_AEAD=On \
    -DENABLE_TWOFISH=On -DENABLE_IDEA=On >"$work/rnp.log" 2>&1 || { tail -20 "$work/rnp.log"; exit 1; }
  # The library alone: no command-line programs.
  cmake --build "$work/rnp" --target librnp -j"$jobs" >>"$work/rnp.log" 2>&1 || { tail -30 "$work/rnp.log"; exit 1; }
  cmake --install "$work/rnp" --component development >>"$work/rnp.log" 2>&1
  mark_done rnp
fi

if ! done_mark libdeflate; then
  fetch "${sources[5]}" libdeflate-1.14
  (cd "$src/libdeflate-1.14" && make clean >/dev/null \
    && make -j"$jobs" libdeflatestatic.lib CC=$cc AR=$host-ar CFLAGS=-O2 >/dev/null \
    && install -D -m644 libdeflatestatic.lib "$prefix/lib/libdeflate.a" \
    && install -D -m644 libdeflate.h "$prefix/include/libdeflate.h")
  mark_done libdeflate
fi

[ -z "${ORV_THIRDPARTY_STEPS:-}" ] || exit 0
echo "$want" > "$stamp"
echo "== third-party libraries complete in $prefix after $(( $(date +%s) - started )) s"
