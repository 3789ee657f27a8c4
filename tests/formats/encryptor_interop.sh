#!/usr/bin/env bash
# The mail the main library's ENCRYPT_FILE_EX writes is read by gpg and sq: the
# inline blocks of the text part and the attachment, the signatures, and the
# PGP/MIME entity; gpg's reply (encrypted to alice, signed by bob) is read by
# DECRYPT_FILE_EX. Usage: encryptor_interop.sh BIN_DIR DATA_DIR
set -uo pipefail
bin=$1
data=$2
work=$(mktemp -d)
export GNUPGHOME=$work/gnupg
mkdir -m 700 "$GNUPGHOME"
cleanup() { gpgconf --kill gpg-agent >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

gpg_() { gpg --batch --yes --no-tty --pinentry-mode loopback --passphrase '' --trust-model always "$@"; }
for k in bob_sec alice_pub; do gpg_ -q --import "$data/$k.asc" 2>/dev/null; done
alice_fpr=$(gpg --with-colons --fingerprint alice@example.org | awk -F: '/^fpr/{print $10; exit}')

export ORV_INTEROP_DIR=$(winepath -w "$work" 2>/dev/null)
run_wine() { (cd "$bin" && WINEDEBUG=-all wine ./encryptor_test.exe --gtest_filter="$1" 2>&1) | tail -30; }

echo "== the main library writes"
run_wine 'Encode.InlineEncryptsTheTextPartAndTheAttachment:Encode.EncryptAndSignReportsTheSigningKey:Encode.TheAutomationWindowChoosesTheSigningKeyAndTheOptions:Encode.PGPMimeWhenTheSwitchIsOn'
[ -s "$work/inline_enc.txt" ] || { echo "the library wrote nothing"; exit 1; }

# block FILE N OUT: the N-th armoured block (1-based) of FILE.
block() {
  python3 - "$1" "$2" "$3" <<'EOF'
import sys, re
text = open(sys.argv[1], 'rb').read()
blocks = re.findall(rb'-----BEGIN PGP (?:MESSAGE|SIGNED MESSAGE)-----.*?-----END PGP (?:MESSAGE|SIGNATURE)-----', text, re.S)
n = int(sys.argv[2])
open(sys.argv[3], 'wb').write(blocks[n - 1] if len(blocks) >= n else b'')
EOF
}

block "$work/inline_enc.txt" 1 "$work/b1.asc"
block "$work/inline_enc.txt" 2 "$work/b2.asc"
out=$(gpg_ -d "$work/b1.asc" 2>/dev/null | tr -d '\r')
grep -q "the report is attached." <<<"$out" && pass "gpg reads the encrypted text part" || fail "text part: $out"
gpg_ -o "$work/b2.bin" -d "$work/b2.asc" 2>/dev/null
cmp -s "$work/b2.bin" "$work/attachment.bin" && pass "gpg reads the encrypted attachment byte for byte" \
  || fail "attachment differs"

block "$work/inline_encsign.txt" 1 "$work/s1.asc"
gpg_ --status-fd 3 -o "$work/s1.txt" -d "$work/s1.asc" 3>"$work/s1.status" 2>/dev/null
if grep -q GOODSIG "$work/s1.status" && grep -q "VALIDSIG $alice_fpr" "$work/s1.status" \
   && grep -q "the report is attached." "$work/s1.txt"; then pass "gpg: encrypted and signed by alice"
else fail "encrypted and signed: $(cat "$work/s1.status")"; fi

block "$work/inline_sign.txt" 1 "$work/c1.asc"
gpg_ --status-fd 3 --verify "$work/c1.asc" 3>"$work/c1.status" 2>/dev/null
grep -q "VALIDSIG $alice_fpr" "$work/c1.status" && pass "gpg: clear-signed text part by alice" \
  || fail "clear-signed: $(cat "$work/c1.status")"

block "$work/mime_enc.txt" 1 "$work/m1.asc"
out=$(gpg_ -d "$work/m1.asc" 2>/dev/null | tr -d '\r')
if grep -qi "Content-type: Multipart/Mixed" <<<"$out" && grep -q "the report is attached." <<<"$out"; then
  pass "gpg reads the PGP/MIME entity"
else fail "PGP/MIME entity: $out"; fi

echo "== sq reads the same mail"
sq_out=$(sq decrypt --recipient-key "$data/bob_sec.asc" "$work/b1.asc" 2>/dev/null | tr -d '\r')
grep -q "the report is attached." <<<"$sq_out" && pass "sq reads the encrypted text part" || fail "sq text part"
sq decrypt --recipient-key "$data/bob_sec.asc" -o "$work/b2.sq" "$work/b2.asc" >/dev/null 2>&1
cmp -s "$work/b2.sq" "$work/attachment.bin" && pass "sq reads the encrypted attachment byte for byte" \
  || fail "sq attachment differs"
sq_out=$(sq decrypt --recipient-key "$data/bob_sec.asc" --signer-cert "$data/alice_pub.asc" "$work/s1.asc" 2>/dev/null | tr -d '\r')
grep -q "the report is attached." <<<"$sq_out" && pass "sq: encrypted and signed by alice, signature checked" \
  || fail "sq encrypted and signed"
sq verify --signer-cert "$data/alice_pub.asc" "$work/c1.asc" >/dev/null 2>&1 && pass "sq: clear-signed text part by alice" \
  || fail "sq clear-signed"
sq_out=$(sq decrypt --recipient-key "$data/bob_sec.asc" "$work/m1.asc" 2>/dev/null | tr -d '\r')
grep -q "the report is attached." <<<"$sq_out" && pass "sq reads the PGP/MIME entity" || fail "sq PGP/MIME entity"

echo "== gpg writes, the main library reads"
printf 'A reply from gpg.\r\n' >"$work/reply.txt"
gpg_ -q --armor -r alice@example.org -u bob@example.org -s -e -o "$work/reply.asc" "$work/reply.txt"
{ printf 'From: bob <bob@example.org>\r\nTo: alice@example.org\r\nSubject: Reply\r\n\r\n'; cat "$work/reply.asc"; } \
  >"$work/gpg_mail.PM\$"
result=$(run_wine 'Decode.InteropReadsMailFromGpg')
echo "$result"
grep -q "\[  PASSED  \] 1 test" <<<"$result" && pass "DECRYPT_FILE_EX reads gpg's mail" || fail "gpg's mail"

echo "failures: $failures"
[ "$failures" -eq 0 ]
