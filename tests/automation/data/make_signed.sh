#!/usr/bin/env bash
# Makes the signed messages of the reader tests with GnuPG: bob's good
# signature, the same message changed after signing, and a signature by dave,
# whose key the user's ring lacks. Run once; the outputs are committed.
set -euo pipefail
out=$(cd "$(dirname "$0")" && pwd)
keys="$out/../../standin/data"
export GNUPGHOME=$(mktemp -d)
tmp=$(mktemp -d)
trap 'gpgconf --kill gpg-agent; rm -rf "$GNUPGHOME" "$tmp"' EXIT
gpg -q --batch --import "$keys/bob_sec.asc" "$keys/dave_sec.asc"
printf 'Hello Alice,\nthe meeting moves to Thursday at ten.\nBob\n' > "$tmp/bob.txt"
printf 'Hello Alice,\nthe report is attached to the next mail.\nDave\n' > "$tmp/dave.txt"
gpg -q --batch --local-user bob@example.org --clearsign -o "$tmp/bob.asc" "$tmp/bob.txt"
gpg -q --batch --local-user dave@example.org --clearsign -o "$tmp/dave.asc" "$tmp/dave.txt"
mail() { # from subject file
  { printf 'From: %s\nTo: alice@example.org\nSubject: %s\nDate: Tue, 08 Dec 2026 09:30:00 +0000\n\n' "$1" "$2"
    cat "$3"; } | sed 's/$/\r/'
}
mail 'bob <bob@example.org>' 'Meeting' "$tmp/bob.asc" > "$out/signed_good.msg"
sed 's/Thursday at ten/Friday at noon/' "$tmp/bob.asc" > "$tmp/bad.asc"
mail 'bob <bob@example.org>' 'Meeting (changed)' "$tmp/bad.asc" > "$out/signed_bad.msg"
mail 'dave <dave@example.org>' 'Report' "$tmp/dave.asc" > "$out/signed_nokey.msg"
