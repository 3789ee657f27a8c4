#!/usr/bin/env bash
# Encrypt+sign throughput of the stand-in against gpg on the same 20 MB of
# random bytes: same RSA-2048 recipient and signer, AES256, SHA256, and the
# same compression (ZIP level 6, or none); then decrypt+verify of one message
# gpg wrote that way, by both. Prints the median of RUNS runs.
# Usage: tests/standin/bench/bench_encode.sh BUILD_DIR [RUNS]
set -euo pipefail
build=$(cd "$1" && pwd)
runs=${2:-5}
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

gpg_once() { # armor compress-level
  local a=()
  [ "$1" = 1 ] && a+=(--armor)
  gpgconf --reload gpg-agent  # no cached passphrase: the key is unlocked every run, as in the stand-in
  local s=$(date +%s.%N)
  gpg -q --batch --yes --pinentry-mode loopback --passphrase 'alice pass' --trust-model always \
      "${a[@]}" --cipher-algo AES256 --digest-algo SHA256 --compress-algo zip -z "$2" \
      -r alice@example.org -u alice@example.org --sign --encrypt -o "$work/gpg.out" "$work/input.bin"
  since "$s"
}
sdk_once() { # armor compress
  (cd "$build/bin" && wine ./sdk_bench.exe "$(win "$work")" "$(win "$work/input.bin")" "$(win "$work/sdk.out")" \
     "$1" "$2" 1 2>/dev/null | tr -d '\r')
}
median() { sort -n | sed -n "$(( (runs + 1) / 2 ))p"; }

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores (runs alternate to share the load)"
printf '%-34s %10s %10s\n' "20 MiB encrypt+sign (median of $runs)" "stand-in" "gpg"
for armor in 0 1; do
  for z in 0 6; do
    label=$([ $armor = 1 ] && echo armoured || echo binary)", "$([ $z = 0 ] && echo "no compression" || echo "ZIP level 6")
    : > "$work/s.t"; : > "$work/g.t"
    for _ in $(seq "$runs"); do
      sdk_once $armor $([ $z = 0 ] && echo 0 || echo 1) >> "$work/s.t"
      gpg_once $armor $z >> "$work/g.t"
    done
    printf '%-34s %9.3fs %9.3fs\n' "$label" "$(median < "$work/s.t")" "$(median < "$work/g.t")"
  done
done

# Decrypt+verify: the same message for both, written by gpg.
gpg -q --batch --yes --pinentry-mode loopback --passphrase 'alice pass' --trust-model always \
    --cipher-algo AES256 --digest-algo SHA256 --compress-algo zip -z 6 \
    -r alice@example.org -u alice@example.org --sign --encrypt -o "$work/message.gpg" "$work/input.bin"
: > "$work/s.t"; : > "$work/g.t"
for _ in $(seq "$runs"); do
  (cd "$build/bin" && wine ./sdk_bench.exe "$(win "$work")" "$(win "$work/message.gpg")" "$(win "$work/sdk.plain")" \
     0 0 1 decode 2>/dev/null | tr -d '\r') >> "$work/s.t"
  cmp -s "$work/sdk.plain" "$work/input.bin" || { echo "the stand-in's decryption differs from the input" >&2; exit 1; }
  gpgconf --reload gpg-agent
  s=$(date +%s.%N)
  gpg -q --batch --yes --pinentry-mode loopback --passphrase 'alice pass' -o "$work/gpg.plain" \
      --decrypt "$work/message.gpg" 2>/dev/null
  since "$s" >> "$work/g.t"
done
printf '%-34s %9.3fs %9.3fs\n' "20 MiB decrypt+verify, ZIP level 6" "$(median < "$work/s.t")" "$(median < "$work/g.t")"
