#!/usr/bin/env bash
# The main job: builds Orvane and its stand-ins, then runs the demo under Wine.
# The demo user Alice sends and reads mail with Orvane in the mail client
# stand-in over the engine stand-in; her correspondent Bob is played by
# GnuPG. Her key rings are made by GnuPG on the first run. Bob is on her
# AutoList: a message she writes to him in the mail client's editor goes out
# encrypted without her choosing it, and his clear-signed note shows its
# verified block in a reader. The demo runs over the release 7 engine
# stand-in, then again over the release 6.5 one.
# Usage: scripts/demo.sh [--wait SECONDS]  (how long a passphrase dialog
# waits for a person before the demo answers it; default 4)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${ORV_BUILD:-$here/build}
wait_s=4
[ "${1:-}" = "--wait" ] && wait_s=${2:?seconds}
# In the emulated machine the host has built already.
[ -n "${ORV_IN_VM:-}" ] || "$here/scripts/setup.sh" "$build"
. "$here/scripts/machine.sh"
orv_runs_32bit || exec "$here/scripts/in-vm.sh" "$build" scripts/demo.sh "$@"

demo="$build/demo"
mkdir -p "$demo"
export GNUPGHOME="$demo/gnupg"
# Sockets in the run directory where there is one: a shared folder (the
# emulated machine's) cannot hold them.
gpg_sockets() { gpgconf --create-socketdir >/dev/null 2>&1 || true; }
gpg_() { gpg --batch --yes --no-tty --pinentry-mode loopback --trust-model always "$@"; }
trap 'gpgconf --kill gpg-agent >/dev/null 2>&1 || true' EXIT

if [ ! -s "$demo/secring.skr" ] || [ ! -d "$GNUPGHOME" ]; then
  echo "== first run: making the demo user's key rings with GnuPG"
  rm -rf "$GNUPGHOME"; mkdir -m 700 "$GNUPGHOME"; gpg_sockets
  gpg_ -q --passphrase 'demo passphrase' --quick-gen-key "Alice Demo <alice@orvane.example>" rsa2048 sign,cert never
  alice=$(gpg --with-colons --fingerprint alice@orvane.example | awk -F: '/^fpr/{print $10; exit}')
  gpg_ -q --passphrase 'demo passphrase' --quick-add-key "$alice" rsa2048 encr never
  gpg_ -q --passphrase '' --quick-gen-key "Bob Peer <bob@orvane.example>" rsa2048 sign,cert never
  bob=$(gpg --with-colons --fingerprint bob@orvane.example | awk -F: '/^fpr/{print $10; exit}')
  gpg_ -q --passphrase '' --quick-add-key "$bob" rsa2048 encr never
  gpg_ --export alice@orvane.example bob@orvane.example > "$demo/pubring.pkr"
  gpg_ --passphrase 'demo passphrase' --export-secret-keys alice@orvane.example > "$demo/secring.skr"
fi
gpg_sockets
alice_id=0x$(gpg --with-colons --list-keys alice@orvane.example | awk -F: '/^pub/{print $5; exit}')
bob_id=0x$(gpg --with-colons --list-keys bob@orvane.example | awk -F: '/^pub/{print $5; exit}')

echo "== Bob (GnuPG) writes Alice two signed and encrypted replies: inline and PGP/MIME"
reply_text=$'Hello Alice,\r\nthanks, the minutes arrived.\r\nBob\r\n'
{
  printf 'From: Bob Peer <bob@orvane.example>\r\nTo: alice@orvane.example\r\nSubject: Re: Minutes\r\n\r\n'
  printf '%s' "$reply_text" |
    gpg_ -q --passphrase '' --armor --local-user bob@orvane.example --recipient alice@orvane.example --sign --encrypt |
    sed 's/$/\r/'
} > "$demo/reply_inline.eml"
{
  printf 'From: Bob Peer <bob@orvane.example>\r\nTo: alice@orvane.example\r\nSubject: Re: Minutes (PGP/MIME)\r\n'
  printf 'MIME-Version: 1.0\r\nContent-Type: multipart/encrypted; protocol="application/pgp-encrypted"; boundary="bob-3156"\r\n\r\n'
  printf -- '--bob-3156\r\nContent-Type: application/pgp-encrypted\r\n\r\nVersion: 1\r\n\r\n'
  printf -- '--bob-3156\r\nContent-Type: application/octet-stream\r\n\r\n'
  printf 'Content-Type: text/plain; charset=us-ascii\r\n\r\n%s' "$reply_text" |
    gpg_ -q --passphrase '' --armor --local-user bob@orvane.example --recipient alice@orvane.example --sign --encrypt |
    sed 's/$/\r/'
  printf -- '\r\n--bob-3156--\r\n'
} > "$demo/reply_pgpmime.eml"

echo "== Bob (GnuPG) writes Alice a clear-signed note"
{
  printf 'From: Bob Peer <bob@orvane.example>\r\nTo: alice@orvane.example\r\nSubject: Signed note\r\n\r\n'
  printf 'Hello Alice,\nthe meeting moves to Thursday at ten.\nBob\n' |
    gpg_ -q --passphrase '' --local-user bob@orvane.example --clearsign | sed 's/$/\r/'
} > "$demo/signed_note.eml"

# The engine: the stand-in's five libraries, release 7 and release 6.5.

for release in 7 65; do
  engine="$build/bin/demo-engine"
  if [ "$release" = 65 ]; then engine="${engine}65"; fi
  rm -rf "$engine"; mkdir -p "$engine"
  cp "$build"/bin/sdk$release/*.dll "$engine/"
done

# A prefix of the demo's own: the demo user's registry values and PGP
# preferences stay out of the tests' prefix. An emulated machine's prefix
# lasts one run only, so there the demo takes it.
[ -n "${ORV_IN_VM:-}" ] || export ORV_WINEPREFIX="$demo/wineprefix"
. "$here/scripts/wine-session.sh"
trap 'orv_wine_stop; gpgconf --kill gpg-agent >/dev/null 2>&1 || true' EXIT

# Orvane comes to Alice's machine through its installer, as to any user's.
install='C:\Orvane'
echo "== installing Orvane with OrvaneSetup.exe into $install"
# The installer looks for an engine on the path, as on a user's machine.
engine_path=$(winepath -w "$build/bin/demo-engine" 2>/dev/null)
setup_rc=0
WINEPATH="$engine_path" wine "$build/bin/OrvaneSetup.exe" /S "/D=$install" || setup_rc=$?
[ "$setup_rc" -eq 0 ] || { echo "   the installer failed (exit code $setup_rc)"; exit 1; }

echo "== running the demo under Wine (files in $demo)"
rm -f "$demo"/sent_*.PM\$ "$demo"/r65_sent_*.PM\$ "$demo"/*.txt
set +e
(cd "$build/bin" && wine ./orvane_demo.exe "$(winepath -w "$demo")" "$alice_id" --install "$install" --wait "$wait_s" \
   --bob "$bob_id")
rc=$?
echo
echo "== the same mail client and Orvane over the release 6.5 engine stand-in"
(cd "$build/bin" && wine ./orvane_demo.exe "$(winepath -w "$demo")" "$alice_id" --install "$install" --wait "$wait_s" \
   --release 65)
rc65=$?
[ "$rc" -ne 0 ] || rc=$rc65
set -e

echo
echo "== Bob (GnuPG) reads what Alice sent"
for f in "$demo/sent_inline.PM\$" "$demo/sent_pgpmime.PM\$" "$demo/sent_auto.PM\$" "$demo/r65_sent_inline.PM\$"; do
  [ -s "$f" ] || { echo "   $f is missing"; rc=1; continue; }
  echo "-- $(basename "$f")"
  # Each armoured block on its own: the text part and the attachment.
  awk -v dir="$demo" '/^-----BEGIN PGP MESSAGE-----/{n++; out=dir "/block" n ".asc"} out{print > out} /^-----END PGP MESSAGE-----/{close(out); out=""}' "$f"
  for b in "$demo"/block*.asc; do
    [ -e "$b" ] || { echo "   no PGP message in $f"; rc=1; break; }
    gpg_ --passphrase '' --status-fd 1 -o "$b.out" --decrypt "$b" 2>/dev/null |
      grep -E "GOODSIG|BADSIG|DECRYPTION_OKAY" | sed 's/^\[GNUPG:\]/   gpg:/'
    echo "   plain bytes as GnuPG read them:"
    head -c 600 "$b.out" | tr -d '\r' | awk '{print "     | " $0}'
    rm -f "$b" "$b.out"
  done
done
exit "$rc"
