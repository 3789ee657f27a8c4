#!/usr/bin/env bash
# Interop matrix of the stand-in core library with gpg 2.2 and sq:
# the stand-in's outputs are read by both peers, and what both peers write
# (RSA and DSA/ElGamal keys) is read by the stand-in, including tampered
# data and an unknown signer. Usage: interop.sh BIN_DIR DATA_DIR
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
for k in bob_sec carol_sec dave_sec alice_pub; do gpg_ -q --import "$data/$k.asc" 2>/dev/null; done
alice_fpr=$(gpg --with-colons --fingerprint alice@example.org | awk -F: '/^fpr/{print $10; exit}')

export ORV_INTEROP_DIR=$(winepath -w "$work" 2>/dev/null)
run_wine() { (cd "$bin" && WINEDEBUG=-all wine ./sdk7_interop_test.exe --gtest_filter="$1" 2>&1) | tail -25; }

echo "== stand-in writes"
written=$(run_wine 'Interop.WriteForPeers:Interop.CertifyForPeers')
[ -s "$work/sdk_sign.asc" ] || { echo "stand-in wrote nothing"; exit 1; }

# gpg: decryption and signatures by status lines.
gpg_check() { # name want-plain want-goodsig args...
  local name=$1 plain=$2 sig=$3; shift 3
  local st out
  out=$(gpg_ --status-fd 3 -o - "$@" 3>"$work/status" 2>/dev/null)
  st=$(cat "$work/status")
  if [ "$plain" = yes ] && [ "$out" != "$(cat "$work/sdk_data.txt")" ]; then fail "gpg $name: plain text differs"; return; fi
  if [ "$sig" = yes ] && ! grep -q "GOODSIG" <<<"$st"; then fail "gpg $name: no good signature"; return; fi
  if [ "$sig" = yes ] && ! grep -q "VALIDSIG $alice_fpr" <<<"$st"; then fail "gpg $name: signer is not alice"; return; fi
  pass "gpg $name"
}
for p in bob carol; do
  for s in asc pgp; do
    gpg_check "decrypt sdk_enc_$p.$s" yes no --decrypt "$work/sdk_enc_$p.$s"
    gpg_check "decrypt+verify sdk_encsign_$p.$s" yes yes --decrypt "$work/sdk_encsign_$p.$s"
  done
done
gpg_check "verify sdk_sign.asc" yes yes --decrypt "$work/sdk_sign.asc"
gpg_check "verify sdk_clear.asc" no yes --decrypt "$work/sdk_clear.asc"
gpg_check "verify detached" no yes --verify "$work/sdk_data.txt.asc" "$work/sdk_data.txt"
gpg_check "verify sdk_clear_sha1.asc" no yes --decrypt "$work/sdk_clear_sha1.asc"
carol_fpr=$(gpg --with-colons --fingerprint carol@example.org | awk -F: '/^fpr/{print $10; exit}')
alice_fpr_saved=$alice_fpr; alice_fpr=$carol_fpr
gpg_check "verify DSA sdk_sign_dsa.asc" yes yes --decrypt "$work/sdk_sign_dsa.asc"
gpg_check "verify DSA sdk_clear_dsa.asc" no yes --decrypt "$work/sdk_clear_dsa.asc"
gpg_check "verify DSA detached (SHA-1 asked)" no yes --verify "$work/sdk_data.txt.dsa.sig" "$work/sdk_data.txt"
alice_fpr=$alice_fpr_saved
cipher_of() { gpg_ --status-fd 1 -o /dev/null --decrypt "$1" 2>/dev/null | awk '/DECRYPTION_INFO/{print $4; exit}'; }
c=$(cipher_of "$work/sdk_pref_bob.pgp")
[ "$c" = 8 ] && pass "preferred algorithms: CAST5 skipped (not in bob's preferences), AES192 used" || fail "preferred algorithms gave cipher $c"
c=$(cipher_of "$work/sdk_cast5_bob.pgp")
[ "$c" = 3 ] && pass "cipher number 3 gives CAST5" || fail "cipher number 3 gave $c"
gpg_ -q --import "$work/sdk_alice_export.asc" 2>/dev/null && pass "gpg imports the stand-in's key export" || fail "gpg import of export"

# gpg checks the stand-in's certifications: alice's of carol (generic,
# exportable), its revocation, and carol's (DSA) of bob.
keyid_of() { gpg --with-colons --fingerprint "$1" | awk -F: '/^fpr/{print substr($10, 25); exit}'; }
alice_id=$(keyid_of alice@example.org); carol_id=$(keyid_of carol@example.org)
cert_check() { # name file user kind signer-id
  if ! gpg_ -q --import "$work/$2" 2>/dev/null; then fail "gpg import $2"; return; fi
  if gpg_ --with-colons --check-sigs "$3" 2>/dev/null | grep -q "^$4:!::[0-9]*:$5:"; then pass "gpg $1"
  else fail "gpg $1"; gpg_ --check-sigs "$3" 2>&1 | sed 's/^/  /'; fi
}
cert_check "checks alice's certification of carol" sdk_carol_certified.asc carol@example.org sig "$alice_id"
gpg_ --with-colons --check-sigs carol@example.org 2>/dev/null | grep -q "^sig:!::[0-9]*:$alice_id:.*:10x:" &&
  pass "gpg: an exportable generic certification" || fail "gpg: certification class"
cert_check "checks alice's revocation of it" sdk_carol_revoked.asc carol@example.org rev "$alice_id"
cert_check "checks carol's DSA certification of bob" sdk_bob_by_carol.asc bob@example.org sig "$carol_id"

# sq: the same outputs.
sq_check() { # name key-file signer-cert cmd...
  local name=$1; shift
  if out=$("$@" 2>/dev/null) && { [ -z "$SQ_PLAIN" ] || [ "$out" = "$(cat "$work/sdk_data.txt")" ]; }; then pass "sq $name"; else fail "sq $name"; fi
}
# Sequoia has no ElGamal: check that it fails on gpg's own ElGamal message
# too before counting the stand-in's ElGamal messages as not for sq.
echo control | gpg_ -q -r carol@example.org -e -o "$work/gpg_control_carol.pgp"
sq_peers="bob carol"
if ! sq decrypt --recipient-key "$data/carol_sec.asc" "$work/gpg_control_carol.pgp" >/dev/null 2>&1; then
  echo "skip: sq cannot decrypt ElGamal (gpg's own message to carol fails too)"
  sq_peers="bob"
fi
for p in $sq_peers; do
  for s in asc pgp; do
    SQ_PLAIN=1 sq_check "decrypt sdk_enc_$p.$s" sq decrypt --recipient-key "$data/${p}_sec.asc" "$work/sdk_enc_$p.$s"
    SQ_PLAIN=1 sq_check "decrypt+verify sdk_encsign_$p.$s" sq decrypt --recipient-key "$data/${p}_sec.asc" \
      --signer-cert "$data/alice_pub.asc" "$work/sdk_encsign_$p.$s"
  done
done
SQ_PLAIN=1 sq_check "verify sdk_sign.asc" sq verify --signer-cert "$data/alice_pub.asc" "$work/sdk_sign.asc"
SQ_PLAIN= sq_check "verify sdk_clear.asc" sq verify --signer-cert "$data/alice_pub.asc" "$work/sdk_clear.asc"
SQ_PLAIN=1 sq_check "verify DSA sdk_sign_dsa.asc" sq verify --signer-cert "$data/carol_pub.asc" "$work/sdk_sign_dsa.asc"
SQ_PLAIN= sq_check "verify DSA sdk_clear_dsa.asc" sq verify --signer-cert "$data/carol_pub.asc" "$work/sdk_clear_dsa.asc"
SQ_PLAIN= sq_check "verify detached" sq verify --signer-cert "$data/alice_pub.asc" --detached "$work/sdk_data.txt.asc" "$work/sdk_data.txt"

# PGP/MIME (RFC 3156): the signed part is the bytes between the first two
# delimiters (without the CR LF before the second); the signature is the
# second part's body; the encrypted part's body is an OpenPGP message.
python3 - "$work" <<'PY'
import re, sys
w = sys.argv[1]
def parts(path):
    raw = open(path, 'rb').read()
    head, body = raw.split(b'\r\n\r\n', 1)
    sep = re.search(rb'boundary="([^"]+)"', head).group(1)
    d = b'--' + sep
    chunks = body.split(b'\r\n' + d)
    first = chunks[0][len(d) + 2:] if chunks[0].startswith(d) else None
    return head, sep, first, chunks[1:]
head, sep, first, rest = parts(w + '/sdk_mime_signed.eml')
assert b'multipart/signed' in head and b'application/pgp-signature' in head
open(w + '/mime_signed_part.bin', 'wb').write(first)
sig = rest[0].split(b'\r\n\r\n', 1)[1]
open(w + '/mime_signed_part.sig', 'wb').write(sig)
head, sep, first, rest = parts(w + '/sdk_mime_enc.eml')
assert b'multipart/encrypted' in head and b'application/pgp-encrypted' in head
assert b'Version: 1' in first
open(w + '/mime_enc_part.asc', 'wb').write(rest[0].split(b'\r\n\r\n', 1)[1])
PY
[ $? -eq 0 ] && pass "PGP/MIME structure" || fail "PGP/MIME structure"
if gpg_ --status-fd 1 --verify "$work/mime_signed_part.sig" "$work/mime_signed_part.bin" 2>/dev/null | grep -q GOODSIG; then
  pass "gpg verifies multipart/signed"; else fail "gpg multipart/signed"; fi
if [ "$(gpg_ -o - --decrypt "$work/mime_enc_part.asc" 2>/dev/null)" = "$(cat "$work/mime_entity.txt")" ]; then
  pass "gpg decrypts multipart/encrypted"; else fail "gpg multipart/encrypted"; fi

echo "== peers write"
plain=$work/peer_plain.txt
printf 'Peer text\r\nwith two lines\r\n' > "$plain"
printf 'Peer text\r\nwith two lines!\r\n' > "$work/peer_plain_tampered.txt"
for p in bob carol; do
  gpg_ -q -a -r alice@example.org -u "$p@example.org" --sign --encrypt -o "$work/gpg_encsign_$p.asc" "$plain"
  gpg_ -q -a -u "$p@example.org" --clearsign -o "$work/gpg_clear_$p.asc" "$plain"
done
gpg_ -q -r alice@example.org -u carol@example.org --sign --encrypt -o "$work/gpg_encsign_carol.pgp" "$plain"
gpg_ -q -a -u carol@example.org --sign -o "$work/gpg_sign_carol.asc" "$plain"
gpg_ -q -a -u bob@example.org --detach-sign -o "$work/gpg_detached_bob.asc" "$plain"
gpg_ -q -u carol@example.org --detach-sign -o "$work/gpg_detached_carol.sig" "$plain"
cp "$work/gpg_detached_carol.sig" "$work/gpg_detached_carol_tampered.asc"
sed 's/with two lines/with two limes/' "$work/gpg_clear_bob.asc" > "$work/gpg_clear_bob_tampered.asc"
gpg_ -q -a -u dave@example.org --sign -o "$work/gpg_sign_dave.asc" "$plain"
gpg_ -q -a -R alice@example.org -u bob@example.org --sign --encrypt -o "$work/gpg_hidden_bob.asc" "$plain"
for p in bob carol; do
  sq encrypt --recipient-cert "$data/alice_pub.asc" --signer-key "$data/${p}_sec.asc" -o "$work/sq_encsign_$p.asc" "$plain"
  sq sign --signer-key "$data/${p}_sec.asc" --detached -o "$work/sq_detached_$p.asc" "$plain"
done
sq sign --signer-key "$data/bob_sec.asc" --cleartext-signature -o "$work/sq_clear_bob.asc" "$plain"
sq sign --signer-key "$data/carol_sec.asc" --cleartext-signature -o "$work/sq_clear_carol.asc" "$plain"
sed 's/two lines/two lanes/' "$work/sq_clear_carol.asc" > "$work/sq_clear_carol_tampered.asc"
sq sign --signer-key "$data/carol_sec.asc" --binary -o "$work/sq_sign_carol.pgp" "$plain"
sq sign --signer-key "$data/dave_sec.asc" -o "$work/sq_sign_dave.asc" "$plain"

echo "== stand-in reads"
out=$(run_wine 'Interop.ReadFromPeers')
echo "$out"
grep -q '\[  PASSED  \] 1 test' <<<"$out" && pass "stand-in reads the peers' files" || fail "stand-in reading"
grep -q '\[  PASSED  \] 2 tests' <<<"$written" && pass "stand-in writes the peers' files" || { echo "$written"; fail "stand-in writing"; }

echo "== $failures failure(s)"
[ "$failures" -eq 0 ]
