#!/usr/bin/env bash
# The messages the mail assembly builds over the engine stand-in, read by gpg:
# inline PGP part by part, PGP/MIME as RFC 3156 multipart/encrypted and
# multipart/signed, each giving back the original text and file bytes.
# Usage: assembly_interop.sh BIN_DIR DATA_DIR
set -uo pipefail
bin=$1
data=$2
work=$(mktemp -d)
export GNUPGHOME=$work/gnupg
mkdir -m 700 "$GNUPGHOME"
cleanup() { gpgconf --kill gpg-agent >/dev/null 2>&1; [ -n "${ORV_KEEP:-}" ] || rm -rf "$work"; }
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

gpg_() { gpg --batch --yes --no-tty --pinentry-mode loopback --passphrase 'alice pass' --trust-model always "$@"; }
gpg_ -q --import "$data/alice_sec.asc" 2>/dev/null || { echo "cannot import alice's secret key"; exit 1; }
alice_fpr=$(gpg --with-colons --fingerprint alice@example.org | awk -F: '/^fpr/{print $10; exit}')

export ORV_ASSEMBLY_DIR=$(winepath -w "$work" 2>/dev/null)
(cd "$bin" && WINEDEBUG=-all wine ./mail_assembly_test.exe --gtest_filter='MailAssemblyTest.WriteForPeers' 2>&1) | tail -5
for f in inline.eml pgpmime.eml pgpmime_signed.eml inline_signed.eml text.txt data.bin; do
  [ -s "$work/$f" ] || { echo "the assembly wrote no $f"; exit 1; }
done

# Splits a message into files the checks below hand to gpg; prints what it found.
python3 - "$work" <<'EOF'
import email, email.policy, re, sys, os
work = sys.argv[1]
def read(name):
    return open(os.path.join(work, name), 'rb').read()
def write(name, data):
    open(os.path.join(work, name), 'wb').write(data)
armour = re.compile(rb'-----BEGIN PGP (MESSAGE|SIGNED MESSAGE|SIGNATURE)-----.*?-----END PGP (MESSAGE|SIGNATURE)-----', re.S)

# Inline: the client's multipart/mixed with one armoured block per part.
inline = read('inline.eml')
msg = email.message_from_bytes(inline, policy=email.policy.compat32)
parts = msg.get_payload()
print('inline parts:', msg.get_content_type(), len(parts), [p.get_filename() for p in parts])
for i, p in enumerate(parts):
    write('inline_%d.asc' % i, p.get_payload(decode=True))

# Inline signed: a clear-signed text, the file in base64 and its signature.
msg = email.message_from_bytes(read('inline_signed.eml'), policy=email.policy.compat32)
parts = msg.get_payload()
print('inline signed parts:', len(parts), [p.get_filename() for p in parts])
write('inline_signed_text.asc', parts[0].get_payload(decode=True))
write('inline_signed_file.bin', parts[1].get_payload(decode=True))
write('inline_signed_file.sig', parts[2].get_payload(decode=True))

# PGP/MIME encrypted: version part and the encrypted entity.
msg = email.message_from_bytes(read('pgpmime.eml'), policy=email.policy.compat32)
print('pgpmime:', msg.get_content_type(), msg.get_param('protocol'),
      [p.get_content_type() for p in msg.get_payload()])
ok = (msg.get_content_type() == 'multipart/encrypted' and msg.get_param('protocol') == 'application/pgp-encrypted'
      and msg.get_payload()[0].get_payload().strip() == 'Version: 1')
write('pgpmime_ok', b'1' if ok else b'0')
write('pgpmime.asc', msg.get_payload()[1].get_payload(decode=True))

# PGP/MIME signed: the signed entity is the exact bytes between the first two delimiters.
raw = read('pgpmime_signed.eml')
msg = email.message_from_bytes(raw, policy=email.policy.compat32)
boundary = msg.get_boundary().encode()
first = raw.index(b'\r\n--' + boundary + b'\r\n') + len(boundary) + 6
second = raw.index(b'\r\n--' + boundary + b'\r\n', first)
write('pgpmime_signed_entity', raw[first:second])
write('pgpmime_signed.sig', msg.get_payload()[1].get_payload(decode=True))
print('pgpmime signed:', msg.get_content_type(), msg.get_param('protocol'), msg.get_param('micalg'))
write('pgpmime_signed_ok', b'1' if msg.get_content_type() == 'multipart/signed' and
      msg.get_param('protocol') == 'application/pgp-signature' else b'0')
EOF

same() { cmp -s "$1" "$2"; }

# Inline: each part decrypts to its original.
gpg_ -q -o "$work/inline_0.out" --decrypt "$work/inline_0.asc" 2>/dev/null
same "$work/inline_0.out" "$work/text.txt" && pass "gpg decrypts the inline text part" || fail "inline text part"
gpg_ -q -o "$work/inline_1.out" --decrypt "$work/inline_1.asc" 2>/dev/null
same "$work/inline_1.out" "$work/data.bin" && pass "gpg decrypts the inline attachment to its bytes" || fail "inline attachment"

# Inline signed: good signatures by alice on the text and on the file.
# Text signing signs the text with a line end appended; gpg writes the line
# end before the signature armour as well.
{ cat "$work/text.txt"; printf '\r\n\r\n'; } >"$work/text_signed.txt"
st=$(gpg_ --status-fd 1 -o "$work/inline_signed_text.out" --decrypt "$work/inline_signed_text.asc" 2>/dev/null)
grep -q "VALIDSIG $alice_fpr" <<<"$st" && same "$work/inline_signed_text.out" "$work/text_signed.txt" &&
  pass "gpg verifies the clear-signed inline text" || fail "clear-signed inline text"
st=$(gpg_ --status-fd 1 --verify "$work/inline_signed_file.sig" "$work/inline_signed_file.bin" 2>/dev/null)
grep -q "VALIDSIG $alice_fpr" <<<"$st" && same "$work/inline_signed_file.bin" "$work/data.bin" &&
  pass "gpg verifies the detached signature of the inline file" || fail "detached signature of the inline file"

# PGP/MIME encrypted: the entity decrypts and holds the text and the file.
[ "$(cat "$work/pgpmime_ok")" = 1 ] && pass "PGP/MIME envelope is RFC 3156 multipart/encrypted" || fail "PGP/MIME envelope"
gpg_ -q -o "$work/pgpmime.entity" --decrypt "$work/pgpmime.asc" 2>/dev/null || fail "gpg cannot decrypt the PGP/MIME part"
python3 - "$work" <<'EOF' && pass "the PGP/MIME entity gives back the text and the file" || fail "PGP/MIME entity contents"
import email, email.policy, sys, os
work = sys.argv[1]
entity = email.message_from_bytes(open(os.path.join(work, 'pgpmime.entity'), 'rb').read(), policy=email.policy.compat32)
parts = entity.get_payload()
text = parts[0].get_payload(decode=True).replace(b'\r\n', b'\n')
want = open(os.path.join(work, 'text.txt'), 'rb').read().replace(b'\r\n', b'\n')
data = parts[1].get_payload(decode=True)
sys.exit(0 if entity.get_content_type() == 'multipart/mixed' and text == want and parts[1].get_filename() == 'data.bin'
         and data == open(os.path.join(work, 'data.bin'), 'rb').read() else 1)
EOF

# PGP/MIME signed: gpg verifies the signature over the entity's exact bytes.
[ "$(cat "$work/pgpmime_signed_ok")" = 1 ] && pass "PGP/MIME envelope is RFC 3156 multipart/signed" || fail "signed envelope"
st=$(gpg_ --status-fd 1 --verify "$work/pgpmime_signed.sig" "$work/pgpmime_signed_entity" 2>/dev/null)
grep -q "VALIDSIG $alice_fpr" <<<"$st" && pass "gpg verifies the PGP/MIME signature" || fail "PGP/MIME signature"

echo "failures: $failures"
[ $failures -eq 0 ]
