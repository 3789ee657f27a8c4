#!/usr/bin/env bash
# Makes the decoding job's test inputs with GnuPG, in OUT_DIR: texts
# encrypted to alice (the user of the test rings), signed and clear-signed by
# bob (on alice's rings) and by dave (unknown to her), detached signatures
# beside their data file, several blocks in one text, a key block, and the
# hostile and tampered variants. Usage: make_inputs.sh OUT_DIR KEY_DATA_DIR
# Writes OUT_DIR/done when everything was made.
set -euo pipefail
out=$1
data=$2
mkdir -p "$out"
rm -f "$out/done"
export GNUPGHOME=$(mktemp -d)
trap 'gpgconf --kill gpg-agent >/dev/null 2>&1; rm -rf "$GNUPGHOME"' EXIT
g() { gpg -q --batch --yes --no-tty --pinentry-mode loopback --passphrase '' --trust-model always "$@"; }
for k in alice_pub bob_sec carol_sec dave_sec; do g --import "$data/$k.asc" 2>/dev/null; done
cd "$out"

printf 'Plain text of the decode test.\r\nSecond line, with umlauts: \xe4\xf6\xfc.\r\n' > plain.txt
printf 'Data file of the detached signature.\r\n' > data.txt
printf 'Another section of plain text.\r\n' > plain2.txt

# Encrypted to alice, armoured and binary; the binary one carries the
# literal name "plain.txt".
g -a -r alice@example.org -o enc_alice.asc -e plain.txt
g -r alice@example.org -o enc_alice.txt.pgp -e plain.txt
cp enc_alice.txt.pgp letter.dat
g -r alice@example.org --set-filename '..\evil.txt' -o enc_hostile.pgp -e plain.txt
g -r alice@example.org --set-filename '' -o enc_noname.bin -e < plain.txt
# Encrypted to alice and signed by bob, and by dave.
g -a -r alice@example.org -u bob@example.org -o encsign_bob.asc -s -e plain.txt
g -a -r alice@example.org -u dave@example.org -o encsign_dave.asc -s -e plain.txt
# For alice's eyes only.
g -a -r alice@example.org --for-your-eyes-only -o enc_fyeo.asc -e plain.txt
# Signed (not clear) and clear-signed by bob; clear-signed by dave.
g -a -u bob@example.org -o sign_bob.asc -s plain.txt
g -u bob@example.org -o clear_bob.asc --clearsign plain.txt
g -u dave@example.org -o clear_dave.asc --clearsign plain.txt
# One word of the signed text changed.
sed 's/Second line/Second LINE/' clear_bob.asc > clear_bob_tampered.asc
# Detached signatures: binary ".sig" and armoured ".asc" beside data.txt.
g -u bob@example.org -o data.txt.sig --detach-sign data.txt
g -a -u bob@example.org -o data.txt.asc --detach-sign data.txt
# Several blocks in one text: two messages to alice with plain text around.
g -a -r alice@example.org -o enc_alice2.asc -e plain2.txt
{ printf 'Intro line before the blocks.\r\n'; cat enc_alice.asc; printf 'Text between the blocks.\r\n';
  cat enc_alice2.asc; printf 'Closing line.\r\n'; } > multi.txt
{ printf 'Before the signed text.\r\n'; cat clear_bob.asc; printf 'After the signed text.\r\n'; } > clear_around.txt
# A key block in a text, and a message to a key alice lacks.
{ printf 'Here is my key:\r\n'; cat "$data/dave_pub.asc"; } > key_dave.txt
g -a -r carol@example.org -o enc_carol.asc -e plain.txt
# Conventionally encrypted.
gpg -q --batch --yes --no-tty --pinentry-mode loopback --passphrase 'conv pass' -a -o conv.asc -c plain.txt
# Key IDs of the signers, as the engine prints them.
for who in bob dave; do
  gpg --with-colons --list-keys "$who@example.org" | awk -F: '/^pub/{print "0x" $5; exit}' > "id_$who.txt"
done
touch done
