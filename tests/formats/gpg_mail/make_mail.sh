#!/usr/bin/env bash
# Makes the received mail of the decrypt tests with GnuPG, in OUT_DIR, as the
# mail client stores it (CR LF): PGP/MIME encrypted and signed (bob to alice)
# with a text part and a binary attachment inside, PGP/MIME signed by bob
# (and tampered, and by dave, whom alice does not know), clear-signed inline
# text (the same three ways), and an inline message whose attachment is a
# separate armoured part, with that part alone as the client hands it over;
# and the shapes of make_sig_shapes.py.
# Beside them the entity, text and attachment that were sent, and the short
# key IDs of the signers. Usage: make_mail.sh OUT_DIR KEY_DATA_DIR
# Writes OUT_DIR/done when everything was made.
set -euo pipefail
out=$1
data=$2
mkdir -p "$out"
rm -f "$out/done"
export GNUPGHOME=$(mktemp -d)
trap 'gpgconf --kill gpg-agent >/dev/null 2>&1; rm -rf "$GNUPGHOME"' EXIT
g() { gpg -q --batch --yes --no-tty --pinentry-mode loopback --passphrase '' --trust-model always "$@"; }
for k in alice_pub bob_sec dave_sec; do g --import "$data/$k.asc" 2>/dev/null; done
here=$(cd "$(dirname "$0")" && pwd)
cd "$out"
crlf() { python3 -c 'import sys; d=sys.stdin.buffer.read().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n"); sys.stdout.buffer.write(d)'; }

# What was sent: a text with 8-bit characters and a binary attachment with
# every byte value, CR and LF among them.
printf 'Hello Alice,\r\n\r\nthe figures are attached (caf\xe9 prices).\r\n-- \r\nBob\r\n' > text.txt
python3 -c 'import sys; sys.stdout.buffer.write(bytes((i * 7 + (i >> 8)) & 255 for i in range(3000)))' > attachment.bin
{
  printf 'Content-Type: multipart/mixed; boundary="inner-b0undary"\r\n\r\n'
  printf -- '--inner-b0undary\r\nContent-Type: text/plain; charset=ISO-8859-1\r\nContent-Transfer-Encoding: 8bit\r\n\r\n'
  cat text.txt
  printf -- '\r\n--inner-b0undary\r\nContent-Type: application/octet-stream; name="figures.bin"\r\n'
  printf 'Content-Disposition: attachment; filename="figures.bin"\r\nContent-Transfer-Encoding: base64\r\n\r\n'
  python3 -c 'import base64, sys; sys.stdout.write(base64.encodebytes(open("attachment.bin", "rb").read()).decode().replace("\n", "\r\n"))'
  printf -- '\r\n--inner-b0undary--\r\n'
} > entity.txt

mailhead() {
  printf 'From: bob <bob@example.org>\r\nTo: alice@example.org\r\nSubject: %s\r\nMIME-Version: 1.0\r\n' "$1"
}

# PGP/MIME encrypted and signed.
g -a -r alice@example.org -u bob@example.org -s -e -o entity.asc entity.txt
{
  mailhead 'Figures (PGP/MIME)'
  printf 'Content-Type: multipart/encrypted; protocol="application/pgp-encrypted";\r\n\tboundary="enc-b0undary"\r\n\r\n'
  printf 'This is an OpenPGP/MIME encrypted message (RFC 4880 and 3156)\r\n--enc-b0undary\r\n'
  printf 'Content-Type: application/pgp-encrypted\r\nContent-Description: PGP/MIME version identification\r\n\r\nVersion: 1\r\n\r\n'
  printf -- '--enc-b0undary\r\nContent-Type: application/octet-stream; name="encrypted.asc"\r\n'
  printf 'Content-Description: OpenPGP encrypted message\r\nContent-Disposition: inline; filename="encrypted.asc"\r\n\r\n'
  crlf < entity.asc
  printf '\r\n--enc-b0undary--\r\n'
} > mime_enc.PM\$

# PGP/MIME signed, over the entity as it stands (CR LF).
signed() {  # SIGNER ENTITY_FILE
  g -a -u "$1" --digest-algo SHA256 --detach-sign -o sig.asc entity.txt
  mailhead 'Figures (signed)'
  printf 'Content-Type: multipart/signed; micalg=pgp-sha256;\r\n protocol="application/pgp-signature"; boundary="sig-b0undary"\r\n\r\n'
  printf 'This is an OpenPGP/MIME signed message (RFC 4880 and 3156)\r\n--sig-b0undary\r\n'
  cat "$2"
  printf '\r\n--sig-b0undary\r\nContent-Type: application/pgp-signature; name="signature.asc"\r\n'
  printf 'Content-Description: OpenPGP digital signature\r\n\r\n'
  crlf < sig.asc
  printf '\r\n--sig-b0undary--\r\n'
  rm -f sig.asc
}
signed bob@example.org entity.txt > mime_signed.PM\$
signed dave@example.org entity.txt > mime_signed_dave.PM\$
sed 's/the figures are/the FIGURES are/' entity.txt > entity_tampered.txt
signed bob@example.org entity_tampered.txt > mime_signed_tampered.PM\$
rm -f entity_tampered.txt

# Clear-signed inline text.
clear() {  # SIGNER
  mailhead 'Figures (clear-signed)'
  printf 'Content-Type: text/plain; charset=ISO-8859-1\r\nContent-Transfer-Encoding: 8bit\r\n\r\n'
  g -u "$1" --clearsign -o - text.txt | crlf
}
clear bob@example.org > clear.PM\$
clear dave@example.org > clear_dave.PM\$
python3 - <<'EOF'
good = open('clear.PM$', 'rb').read()
bad = good.replace(b'the figures are', b'the FIGURES are', 1)
assert bad != good
open('clear_tampered.PM$', 'wb').write(bad)
EOF

# Inline: the text part and the attachment each their own armoured block.
g -a -r alice@example.org -u bob@example.org -s -e -o text.asc text.txt
g -a -r alice@example.org -o att.asc -e attachment.bin
attpart() {
  printf 'Content-Type: application/octet-stream; name="figures.bin.asc"\r\n'
  printf 'Content-Disposition: attachment;\r\n filename="figures.bin.asc"\r\n\r\n'
  crlf < att.asc
}
{
  mailhead 'Figures (inline)'
  printf 'Content-Type: multipart/mixed; boundary="mix-b0undary"\r\n\r\n'
  printf -- '--mix-b0undary\r\nContent-Type: text/plain; charset=US-ASCII\r\n\r\n'
  crlf < text.asc
  printf '\r\n--mix-b0undary\r\n'
  attpart
  printf '\r\n--mix-b0undary--\r\n'
} > inline.PM\$
attpart > inline_att.PM\$
rm -f text.asc att.asc entity.asc

# Signatures where other mail programs and mailing lists put them, with
# GnuPG's verdict on each file.
python3 "$here/make_sig_shapes.py" "$data"

for who in bob dave; do
  gpg --with-colons --list-keys "$who@example.org" | awk -F: '/^pub/{print "0x" substr($5, 9); exit}' > "id_$who.txt"
  gpg --with-colons --list-keys "$who@example.org" | awk -F: '/^pub/{print "0x" $5; exit}' > "longid_$who.txt"
done

# erin's key names bob's key as its additional decryption key: gpg makes
# the key, and its self-signature is made again with the ADK subpacket
# (which gpg cannot add) by make_adk_key.py from erin's own secret key; gpg
# then checks that signature.
g --quick-gen-key 'erin <erin@example.org>' rsa2048 sign,cert never
erin_fpr=$(gpg --with-colons --fingerprint erin@example.org | awk -F: '/^fpr/{print $10; exit}')
g --quick-add-key "$erin_fpr" rsa2048 encr never
g --export-secret-keys erin@example.org > erin_sec.gpg
bob_fpr=$(gpg --with-colons --fingerprint bob@example.org | awk -F: '/^fpr/{print $10; exit}')
python3 "$here/make_adk_key.py" erin_sec.gpg "$bob_fpr" erin_adk.gpg
rm -f erin_sec.gpg
check=$(mktemp -d)
gpg --batch -q --homedir "$check" --import erin_adk.gpg 2>/dev/null
gpg --batch --homedir "$check" --with-colons --check-sigs erin@example.org | grep -q '^sig:!' \
  || { echo "erin's self-signature does not verify"; exit 1; }
gpg --batch --homedir "$check" --armor --export erin@example.org > erin_adk.asc
rm -rf "$check" erin_adk.gpg
touch done
