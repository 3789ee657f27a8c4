#!/usr/bin/env bash
# Makes namesakes.pkr: public keys whose addresses differ from each other by
# a few letters only (hal, al) and a second key of al's under another name
# and letter case. Tests add it to the user's public ring to see that an
# address gets only its own keys. Run once; the output is committed.
set -euo pipefail
out=$(cd "$(dirname "$0")" && pwd)
export GNUPGHOME=$(mktemp -d)
trap 'gpgconf --kill gpg-agent; rm -rf "$GNUPGHOME"' EXIT
for uid in "hal <hal@example.org>" "al <al@example.org>" "Al at work <AL@Example.org>"; do
  gpg -q --batch --pinentry-mode loopback --passphrase '' --quick-gen-key "$uid" rsa2048 default never
done
gpg -q --export > "$out/namesakes.pkr"
