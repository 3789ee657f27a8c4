#!/usr/bin/env bash
# gpg reads what the encoding job wrote: the Wine test programs' runs leave
# their outputs in a directory, and gpg decrypts and verifies each of them by
# its status lines. Usage: gpg_check.sh OUT_DIR DATA_DIR [server]
# ("server": the key server program ran and left its message too).
set -uo pipefail
out=$1
data=$2
server=${3:-}
work=$(mktemp -d)
export GNUPGHOME=$work/gnupg
mkdir -m 700 "$GNUPGHOME"
cleanup() { gpgconf --kill gpg-agent >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

gpg_() { gpg --batch --yes --no-tty --pinentry-mode loopback --passphrase '' --trust-model always "$@"; }
for k in bob_sec carol_sec dave_sec alice_pub; do gpg_ -q --import "$data/$k.asc" 2>/dev/null; done
fpr_of() { gpg --with-colons --fingerprint "$1" | awk -F: '/^fpr/{print $10; exit}'; }
# Long key ID of the encryption subkey.
enc_of() { gpg --with-colons --list-keys "$1" | awk -F: '/^sub/ && $12 ~ /e/ {print $5; exit}'; }
alice_fpr=$(fpr_of alice@example.org)
carol_fpr=$(fpr_of carol@example.org)
alice_enc=$(enc_of alice@example.org)
bob_enc=$(enc_of bob@example.org)
dave_enc=$(enc_of dave@example.org)
carol_enc=$(enc_of carol@example.org)

[ -s "$out/data.txt" ] || { echo "the job wrote nothing"; exit 1; }
plain=$(cat "$out/data.txt")

# check NAME FILE [--plain yes|no] [--signer FPR] [--hash N] [--to KEYID...]
check() {
  local name=$1 file=$2; shift 2
  local want_plain=no signer= hash= to=() args=()
  while [ $# -gt 0 ]; do
    case $1 in
      --plain) want_plain=$2; shift 2 ;;
      --signer) signer=$2; shift 2 ;;
      --hash) hash=$2; shift 2 ;;
      --to) to+=("$2"); shift 2 ;;
      --) shift; args=("$@"); break ;;
      *) echo "check: $1?"; return ;;
    esac
  done
  [ -s "$file" ] || { fail "$name: no file"; return; }
  local result st
  if [ ${#args[@]} -eq 0 ]; then args=(--decrypt "$file"); fi
  result=$(gpg_ --status-fd 3 -o - "${args[@]}" 3>"$work/status" 2>/dev/null)
  st=$(cat "$work/status")
  if [ "$want_plain" = yes ] && [ "$result" != "$plain" ]; then fail "$name: plain text differs"; return; fi
  if [ -n "$signer" ]; then
    grep -q "GOODSIG" <<<"$st" || { fail "$name: no good signature"; return; }
    grep -q "VALIDSIG $signer" <<<"$st" || { fail "$name: not signed by $signer"; return; }
  fi
  if [ -n "$hash" ]; then
    local h
    h=$(awk '/VALIDSIG/{print $10; exit}' <<<"$st")
    [ "$h" = "$hash" ] || { fail "$name: hash $h, expected $hash"; return; }
  fi
  local k
  for k in "${to[@]}"; do
    grep -q "ENC_TO $k" <<<"$st" || { fail "$name: not encrypted to $k"; return; }
  done
  if [ ${#to[@]} -gt 0 ]; then
    local n
    n=$(grep -c "ENC_TO" <<<"$st")
    [ "$n" = ${#to[@]} ] || { fail "$name: $n recipients, expected ${#to[@]}"; return; }
    grep -q "DECRYPTION_OKAY" <<<"$st" || { fail "$name: not decrypted"; return; }
  fi
  pass "$name"
}

check "encrypted to bob, the signer last" "$out/enc_bob.asc" --plain yes --to "$bob_enc" --to "$alice_enc"
grep -q "^Comment: Orvane test comment" "$out/enc_bob.asc" && pass "armour comment line" || fail "armour comment line"
check "encrypted to several recipients" "$out/enc_multi.asc" --plain yes --to "$bob_enc" --to "$carol_enc" --to "$alice_enc"
check "recipient chosen in the key dialog" "$out/enc_chosen_bob.asc" --plain yes --to "$bob_enc" --to "$alice_enc"
check "recipient added to the list" "$out/enc_listed_carol.asc" --plain yes --to "$carol_enc" --to "$alice_enc"
check "encrypted and signed (RSA: SHA-256 for hash 1)" "$out/encsign_bob.asc" --plain yes --signer "$alice_fpr" \
  --hash 8 --to "$bob_enc" --to "$alice_enc"
check "clear-signed" "$out/clear.asc" --signer "$alice_fpr"
if [ -s "$out/encsign_asked_bob.asc" ]; then
  check "signed with the passphrase the dialog asked" "$out/encsign_asked_bob.asc" --plain yes --signer "$alice_fpr" \
    --to "$bob_enc" --to "$alice_enc"
fi
# The job asks hash 2 for a DSA key (the test program checks that); the
# engine takes a longer hash for a 2048-bit DSA key, whose q has 256 bits.
check "clear-signed by a DSA key" "$out/clear_dsa.asc" --signer "$carol_fpr"
check "detached signature" "$out/detached.txt.asc" --signer "$alice_fpr" -- --verify "$out/detached.txt.asc" "$out/detached.txt"
check "armour alone" "$out/armor.asc" --plain yes
grep -q "^Comment: armour only" "$out/armor.asc" && pass "armour-only comment" || fail "armour-only comment"

if [ -n "$server" ]; then
  check "encrypted to the key fetched from the key server" "$out/enc_server_dave.asc" --to "$dave_enc" --to "$alice_enc"
fi

# Eyes only: gpg names the literal data "_CONSOLE".
gpg_ --status-fd 3 -o /dev/null --decrypt "$out/eyes_bob.pgp" 3>"$work/status" 2>/dev/null
grep -q "PLAINTEXT .* _CONSOLE" "$work/status" && pass "for your eyes only" || fail "for your eyes only: $(grep PLAINTEXT "$work/status")"

# File mode: the bytes come back unchanged.
gpg_ -q -o "$work/file_out.bin" --decrypt "$out/file_enc.pgp" 2>/dev/null
cmp -s "$work/file_out.bin" "$out/file_in.bin" && pass "file mode" || fail "file mode: decrypted file differs"

# PGP/MIME: the separator is the entity's boundary; the encrypted part decrypts and verifies.
sep=$(cat "$out/pgpmime_encsign.sep")
if [ -n "$sep" ] && grep -q -- "--$sep" "$out/pgpmime_encsign.txt"; then pass "PGP/MIME separator"; else fail "PGP/MIME separator"; fi
sed -n '/-----BEGIN PGP MESSAGE-----/,/-----END PGP MESSAGE-----/p' "$out/pgpmime_encsign.txt" | tr -d '\r' > "$work/mime.asc"
check "PGP/MIME encrypted and signed part" "$work/mime.asc" --signer "$alice_fpr" --to "$bob_enc" --to "$alice_enc"

# Conventional encryption, when the engine's dialogs answered it.
if [ -s "$out/conventional.asc" ]; then
  r=$(gpg --batch --yes --no-tty --pinentry-mode loopback --passphrase 'conv pass' -o - --decrypt "$out/conventional.asc" 2>/dev/null)
  [ "$r" = "$plain" ] && pass "conventional encryption" || fail "conventional encryption"
else
  echo "skip: conventional encryption (no passphrase dialog in this engine)"
fi

echo "failures: $failures"
[ "$failures" -eq 0 ]
