#!/usr/bin/env bash
# Makes the test key rings: the stand-in user's rings (alice, RSA, with the
# peers' public keys) and the peers' secret keys (bob RSA, carol DSA/ElGamal,
# dave RSA who stays unknown to the user). The user's key is protected with
# "alice pass"; the peers' keys are unprotected so that sq can use them
# without a prompt. Run once; the outputs are committed.
set -euo pipefail
out=$(cd "$(dirname "$0")" && pwd)
export GNUPGHOME=$(mktemp -d)
trap 'gpgconf --kill gpg-agent; rm -rf "$GNUPGHOME"' EXIT
# Test keys unlock cheaply: every test that types a passphrase pays the
# key derivation again (a speed setting for tests, not advice).
echo 's2k-count 65536' > "$GNUPGHOME/gpg-agent.conf"
gen() { # name primary-algo sub-algo passphrase
  gpg -q --batch --pinentry-mode loopback --passphrase "$4" \
      --quick-gen-key "$1 <$1@example.org>" "$2" sign,cert never
  fpr=$(gpg --with-colons --list-keys "$1@example.org" | awk -F: '/^fpr/{print $10; exit}')
  gpg -q --batch --pinentry-mode loopback --passphrase "$4" --quick-add-key "$fpr" "$3" encr never
  gpg -q --batch --pinentry-mode loopback --passphrase "$4" --armor \
      --export-secret-keys "$1@example.org" > "$out/$1_sec.asc"
  gpg -q --armor --export "$1@example.org" > "$out/$1_pub.asc"
}
gen alice rsa2048 rsa2048 'alice pass'
gen bob rsa2048 rsa2048 ''
gen carol dsa2048 elg2048 ''
gen dave rsa2048 rsa2048 ''
# The user's rings as PGP keeps them: binary public ring with the peers,
# binary secret ring with the user's own key.
gpg -q --export alice@example.org bob@example.org carol@example.org > "$out/pubring.pkr"
gpg -q --batch --pinentry-mode loopback --passphrase "alice pass" \
    --export-secret-keys alice@example.org > "$out/secring.skr"
# Bob's key certified by the user: its validity comes from that certification.
export GNUPGHOME=$(mktemp -d)
gpg -q --batch --pinentry-mode loopback --passphrase "alice pass" --import "$out/alice_sec.asc" 2>/dev/null
gpg -q --batch --import "$out/bob_pub.asc" 2>/dev/null
bob_fpr=$(gpg --with-colons --list-keys bob@example.org | awk -F: '/^fpr/{print $10; exit}')
gpg -q --batch --yes --pinentry-mode loopback --passphrase "alice pass" -u alice@example.org \
    --quick-sign-key "$bob_fpr" 2>/dev/null
gpg -q --armor --export bob@example.org > "$out/bob_certified.asc"
gpgconf --kill gpg-agent; rm -rf "$GNUPGHOME"
