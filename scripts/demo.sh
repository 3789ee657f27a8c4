#!/usr/bin/env bash
# The main job: builds Orvane and its stand-ins, then runs the demo under Wine.
# The demo user Alice has key rings made by GnuPG on the first run; her
# correspondent Bob is played by GnuPG itself.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${ORV_BUILD:-$here/build}
"$here/scripts/setup.sh" "$build"

demo="$build/demo"
mkdir -p "$demo"
export GNUPGHOME="$demo/gnupg"
gpg_() { gpg --batch --yes --no-tty --pinentry-mode loopback --trust-model always "$@"; }
trap 'gpgconf --kill gpg-agent >/dev/null 2>&1 || true' EXIT

if [ ! -s "$demo/secring.skr" ]; then
  echo "== first run: making the demo user's key rings with GnuPG"
  rm -rf "$GNUPGHOME"; mkdir -m 700 "$GNUPGHOME"
  gpg_ -q --passphrase 'demo passphrase' --quick-gen-key "Alice Demo <alice@orvane.example>" rsa2048 sign,cert never
  alice=$(gpg --with-colons --fingerprint alice@orvane.example | awk -F: '/^fpr/{print $10; exit}')
  gpg_ -q --passphrase 'demo passphrase' --quick-add-key "$alice" rsa2048 encr never
  gpg_ -q --passphrase '' --quick-gen-key "Bob Peer <bob@orvane.example>" rsa2048 sign,cert never
  bob=$(gpg --with-colons --fingerprint bob@orvane.example | awk -F: '/^fpr/{print $10; exit}')
  gpg_ -q --passphrase '' --quick-add-key "$bob" rsa2048 encr never
  gpg_ --export alice@orvane.example bob@orvane.example > "$demo/pubring.pkr"
  gpg_ --passphrase 'demo passphrase' --export-secret-keys alice@orvane.example > "$demo/secring.skr"
fi

echo "== Bob (GnuPG) writes Alice a signed and encrypted reply: reply.asc"
printf 'Hello Alice,\r\nthanks, the minutes arrived.\r\nBob\r\n' |
  gpg_ -q --passphrase '' --armor --local-user bob@orvane.example --recipient alice@orvane.example \
       --sign --encrypt -o "$demo/reply.asc"

# The engine: the stand-in's core library (real OpenPGP through RNP) with the
# test companions for the networking, dialog, client and support libraries,
# which every start loads but the demo's path does not call yet.
engine="$build/bin/demo-engine"
mkdir -p "$engine"
cp "$build/bin/sdk7/PGP_SDK.dll" "$engine/"
for lib in PGPsdkNL PGPsdkUI PGPcl PGPsc; do cp "$build/bin/fakesdk/r7/$lib.dll" "$engine/"; done

. "$here/scripts/wine-session.sh"
trap 'orv_wine_stop; gpgconf --kill gpg-agent >/dev/null 2>&1 || true' EXIT

echo "== running the demo under Wine (files in $demo)"
rm -f "$demo/outgoing.asc"
(cd "$build/bin" && wine ./orvane_demo.exe "$(winepath -w "$demo")")

echo "== Bob (GnuPG) decrypts and verifies outgoing.asc"
gpg_ --passphrase '' --status-fd 1 -o "$demo/outgoing.txt" --decrypt "$demo/outgoing.asc" 2>/dev/null |
  grep -E "ENC_TO|GOODSIG|BADSIG|DECRYPTION_OKAY|VALIDSIG" | sed 's/^\[GNUPG:\]/   gpg:/'
echo "   plain text as GnuPG read it:"
sed 's/^/     /' "$demo/outgoing.txt"
