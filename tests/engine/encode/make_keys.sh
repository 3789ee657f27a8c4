#!/usr/bin/env bash
# Makes carol's secret key protected with "carol pass" (the test rings keep it
# unprotected for sq), so that DSA signing runs through the passphrase cache
# like the user's RSA key. Run once; the output is committed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
data=$here/../../standin/data
export GNUPGHOME=$(mktemp -d)
trap 'gpgconf --kill gpg-agent; rm -rf "$GNUPGHOME"' EXIT
# Test keys unlock cheaply: every test that types a passphrase pays the
# key derivation again (a speed setting for tests, not advice).
echo 's2k-count 65536' > "$GNUPGHOME/gpg-agent.conf"
gpg -q --batch --import "$data/carol_sec.asc" 2>/dev/null
fpr=$(gpg --with-colons --list-secret-keys carol@example.org | awk -F: '/^fpr/{print $10; exit}')
# One new passphrase for the primary key and one for the subkey.
printf 'carol pass\ncarol pass\n' | gpg --batch --pinentry-mode loopback --command-fd 0 --passwd "$fpr" 2>/dev/null
gpg --batch --pinentry-mode loopback --passphrase 'carol pass' --armor \
    --export-secret-keys carol@example.org > "$here/carol_protected_sec.asc"
