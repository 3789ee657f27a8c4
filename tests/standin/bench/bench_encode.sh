#!/usr/bin/env bash
# Encrypt+sign and decrypt+verify of the same 20 MB of random bytes by the
# engine (the PE core in bin/sdk7), by the Winelib core over Debian's i386 RNP
# and Botan (bin/winelib/sdk7, when the build made it: -DORV_ENGINE_WINELIB=ON)
# and by gpg: same RSA-2048 recipient and signer, AES256, SHA256, ZIP level 6
# (gpg's default). Decrypt+verify reads one message that gpg wrote that way.
# Runs alternate between the three, RUNS rounds (default 3); the engines are
# timed inside their process (sdk_bench.exe), gpg as a whole program. Prints
# each one's minimum and median and each ratio on a line of its own:
#   [bench] ratio encrypt+sign 20 MB, PE engine / gpg: <minimum> <median>
#   [bench] ratio encrypt+sign 20 MB, PE engine / Winelib engine: <minimum> <median>
#   and the same for decrypt+verify 20 MB.
# ORV_BENCH_VARIANTS=1 adds encrypt+sign armoured and without compression;
# ORV_BENCH_PARTS=1 adds sign alone and encrypt alone, each with and without
# compression, to tell where the time goes.
# Usage: tests/standin/bench/bench_encode.sh BUILD_DIR [RUNS]
# (without a 32-bit mode: scripts/in-vm.sh --cpus 1 BUILD_DIR tests/standin/bench/bench_encode.sh BUILD_DIR)
set -euo pipefail
build=$(cd "$1" && pwd)
runs=${2:-3}
here=$(cd "$(dirname "$0")/../../.." && pwd)
data=$here/tests/standin/data
. "$here/scripts/wine-session.sh"
work=$(mktemp -d)
export GNUPGHOME=$work/gnupg
mkdir -m 700 "$GNUPGHOME"
trap 'gpgconf --kill gpg-agent >/dev/null 2>&1; orv_wine_stop; rm -rf "$work"' EXIT
gpg -q --batch --pinentry-mode loopback --passphrase 'alice pass' --import "$data/alice_sec.asc" 2>/dev/null
export ORV_BENCH_KEYID=0x$(gpg --with-colons --list-keys alice@example.org | awk -F: '/^pub/{print $5; exit}')
head -c $((20 * 1024 * 1024)) /dev/urandom > "$work/input.bin"
cp "$data/pubring.pkr" "$data/secring.skr" "$work/"
win() { winepath -w "$1" 2>/dev/null; }
since() { awk -v now="$(date +%s.%N)" -v then="$1" 'BEGIN { printf "%.3f\n", now - then }'; }

# The engines: name, then how sdk_bench.exe finds its core and the core its libraries.
engines=("PE engine")
winelib_lib=$build/bin/winelib/lib
if [ -f "$build/bin/winelib/sdk7/PGP_SDK.dll" ] && [ -e "$winelib_lib/librnp.so.0" ]; then
  engines+=("Winelib engine")
else
  echo "no Winelib core in $build/bin/winelib (configure with -DORV_ENGINE_WINELIB=ON): PE engine and gpg only"
fi
sdk() { # engine sdk_bench-arguments...
  local e=$1
  shift
  if [ "$e" = "Winelib engine" ]; then
    (cd "$build/bin" && ORV_BENCH_CORE_DIR='winelib\sdk7' LD_LIBRARY_PATH=$winelib_lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH} \
       wine ./sdk_bench.exe "$@")
  else
    (cd "$build/bin" && wine ./sdk_bench.exe "$@")
  fi
}
# One timed run: sdk_bench.exe prints its seconds, or the run is the benchmark's end.
sdk_time() { # engine sdk_bench-arguments...
  local t
  t=$(sdk "$@" 2>"$work/sdk.err" | tr -d '\r') || true
  if ! [[ $t =~ ^[0-9]+\.[0-9]+$ ]]; then
    echo "the $1's run failed: $(tr -d '\r' < "$work/sdk.err" | tail -3)" >&2
    exit 1
  fi
  echo "$t"
}
slug() { tr -c 'A-Za-z0-9\n' _ <<<"$1"; }

# Each engine must run its own core: Wine loads the PE one as a native DLL, the
# Winelib one (an ELF library) as a builtin.
head -c 4096 /dev/urandom > "$work/small.bin"
for e in "${engines[@]}"; do
  want=native
  [ "$e" = "Winelib engine" ] && want=builtin
  loaded=$(WINEDEBUG=+loaddll sdk "$e" "$(win "$work")" "$(win "$work/small.bin")" "$(win "$work/small.out")" 0 1 1 2>&1 |
           tr -d '\r' | grep -i 'PGP_SDK.dll' | grep -oE '(native|builtin)$' | head -1 || true)
  if [ "$loaded" != "$want" ]; then
    echo "the $e's run loaded PGP_SDK.dll as '${loaded:-nothing}', not as $want" >&2
    exit 1
  fi
  echo "$e: PGP_SDK.dll loaded as $loaded"
done

gpg_encode() { # armor compress-level sign(0|1) encrypt(0|1)
  local a=()
  [ "$1" = 1 ] && a+=(--armor)
  [ "$3" = 1 ] && a+=(-u alice@example.org --sign)
  [ "$4" = 1 ] && a+=(-r alice@example.org --encrypt)
  gpgconf --reload gpg-agent  # no cached passphrase: the key is unlocked every run, as in the engines
  local s=$(date +%s.%N)
  gpg -q --batch --yes --pinentry-mode loopback --passphrase 'alice pass' --trust-model always \
      --cipher-algo AES256 --digest-algo SHA256 --compress-algo zip -z "$2" "${a[@]}" \
      -o "$work/gpg.out" "$work/input.bin"
  since "$s"
}
sdk_encode() { # engine armor compress mode
  sdk_time "$1" "$(win "$work")" "$(win "$work/input.bin")" "$(win "$work/sdk.out")" "$2" "$3" 1 "$4"
}
# What an engine wrote decrypts with gpg to the input and carries alice's good signature.
gpg_reads() { # engine
  gpgconf --reload gpg-agent
  if ! gpg -q --batch --yes --pinentry-mode loopback --passphrase 'alice pass' --status-fd 3 \
         -o "$work/check.plain" --decrypt "$work/sdk.out" 3>"$work/check.status" 2>/dev/null ||
     ! grep -q '^\[GNUPG:\] GOODSIG' "$work/check.status" || ! cmp -s "$work/check.plain" "$work/input.bin"; then
    echo "gpg does not read the $1's message back to the input with a good signature" >&2
    exit 1
  fi
  rm -f "$work/check.plain"
}

# The two lines of bench_ratio.h's printer for one figure against one anchor.
ratio() { # figure anchor product-times anchor-times
  awk -v figure="$1" -v anchor="$2" '
    FNR == 1 { f++ }
    { t[f, ++n[f]] = $1 }
    function mm(k,   i, j, x, c) { c = n[k]
      for (i = 1; i <= c; i++) for (j = i + 1; j <= c; j++) if (t[k, j] < t[k, i]) { x = t[k, i]; t[k, i] = t[k, j]; t[k, j] = x }
      lo[k] = t[k, 1]; med[k] = t[k, int(c / 2) + 1] }
    END { mm(1); mm(2)
      printf "[bench] %s: product %.2f %.2f s, %s %.2f %.2f s (minimum, median)\n", figure, lo[1], med[1], anchor, lo[2], med[2]
      if (lo[2] > 0 && med[2] > 0) printf "[bench] ratio %s / %s: %.2f %.2f\n", figure, anchor, lo[1] / lo[2], med[1] / med[2] }
  ' "$3" "$4"
}
report() { # figure: every engine against gpg, the PE engine against the Winelib one
  local f=$1 e
  for e in "${engines[@]}"; do ratio "$f, $e" gpg "$work/$(slug "$e").t" "$work/gpg.t"; done
  [ ${#engines[@]} = 1 ] || ratio "$f, PE engine" "Winelib engine" "$work/PE_engine.t" "$work/Winelib_engine.t"
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores; $runs rounds, runs alternate"
# figure, armor, ZIP level (0: none), sign, encrypt, sdk_bench mode
cases=("encrypt+sign 20 MB|0|6|1|1|encode")
[ -z "${ORV_BENCH_VARIANTS:-}" ] || cases+=("encrypt+sign 20 MB armoured|1|6|1|1|encode"
                                             "encrypt+sign 20 MB without compression|0|0|1|1|encode")
[ -z "${ORV_BENCH_PARTS:-}" ] || cases+=("sign 20 MB|0|6|1|0|sign" "sign 20 MB without compression|0|0|1|0|sign"
                                          "encrypt 20 MB|0|6|0|1|encrypt" "encrypt 20 MB without compression|0|0|0|1|encrypt")
for c in "${cases[@]}"; do
  IFS='|' read -r figure armor z sign encrypt mode <<<"$c"
  rm -f "$work"/*.t
  for round in $(seq "$runs"); do
    for e in "${engines[@]}"; do
      sdk_encode "$e" "$armor" "$([ "$z" = 0 ] && echo 0 || echo 1)" "$mode" >> "$work/$(slug "$e").t"
      [ "$round" != 1 ] || [ "$sign$encrypt" != 11 ] || gpg_reads "$e"
    done
    gpg_encode "$armor" "$z" "$sign" "$encrypt" >> "$work/gpg.t"
  done
  report "$figure"
done

# Decrypt+verify: the same message for all, written by gpg.
gpg -q --batch --yes --pinentry-mode loopback --passphrase 'alice pass' --trust-model always \
    --cipher-algo AES256 --digest-algo SHA256 --compress-algo zip -z 6 \
    -r alice@example.org -u alice@example.org --sign --encrypt -o "$work/message.gpg" "$work/input.bin"
rm -f "$work"/*.t
for _ in $(seq "$runs"); do
  for e in "${engines[@]}"; do
    sdk_time "$e" "$(win "$work")" "$(win "$work/message.gpg")" "$(win "$work/sdk.plain")" 0 0 1 decode \
      >> "$work/$(slug "$e").t"
    cmp -s "$work/sdk.plain" "$work/input.bin" || { echo "the $e's decryption differs from the input" >&2; exit 1; }
    rm -f "$work/sdk.plain"
  done
  gpgconf --reload gpg-agent
  s=$(date +%s.%N)
  gpg -q --batch --yes --pinentry-mode loopback --passphrase 'alice pass' -o "$work/gpg.plain" \
      --decrypt "$work/message.gpg" 2>/dev/null
  since "$s" >> "$work/gpg.t"
done
report "decrypt+verify 20 MB"
