#!/usr/bin/env bash
# Makes the mail of the viewer benchmarks with GnuPG in OUT_DIR and times
# gpg on it: FOLDER.PMM, a folder of COUNT messages (plain, inline encrypted
# and signed, PGP/MIME encrypted and signed, clear-signed, with a base64
# attachment) behind a 128-byte header, and gpg's time to decrypt and verify
# the same messages one by one (gpg_folder.txt: seconds) and in one process
# with the agent's key protection turned down, a speed baseline rather than
# advice (gpg_one_process.txt: minimum and median seconds of three); BIG.PM$, a PGP/MIME
# message with a 20 MB attachment, and gpg's time and peak memory on it
# (gpg_big.txt: seconds and kilobytes). Usage: make_folder.sh OUT_DIR KEY_DATA_DIR COUNT
# Writes OUT_DIR/done when everything was made.
set -euo pipefail
out=$1
data=$2
count=${3:-1000}
mkdir -p "$out/msgs"
rm -f "$out/done"
export GNUPGHOME=$(mktemp -d)
trap 'gpgconf --kill gpg-agent >/dev/null 2>&1; rm -rf "$GNUPGHOME"' EXIT
g() { gpg -q --batch --yes --no-tty --pinentry-mode loopback --passphrase '' --trust-model always "$@"; }
for k in alice_pub bob_sec; do g --import "$data/$k.asc" 2>/dev/null; done
cd "$out"
crlf() { python3 -c 'import sys; d=sys.stdin.buffer.read().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n"); sys.stdout.buffer.write(d)'; }
head_() { printf 'From: bob <bob@example.org>\r\nTo: alice@example.org\r\nSubject: %s\r\nMIME-Version: 1.0\r\n' "$1"; }
printf 'Hello Alice,\r\n\r\nmessage text with some lines.\r\nSecond line of the text.\r\n-- \r\nBob\r\n' > text.txt
python3 -c 'import os,sys; sys.stdout.buffer.write(os.urandom(6000))' > small.bin
b64() { python3 -c 'import base64,sys; sys.stdout.write(base64.encodebytes(open(sys.argv[1],"rb").read()).decode().replace("\n","\r\n"))' "$1"; }
for i in $(seq 1 "$count"); do
  m="msgs/$i.msg"
  case $((i % 5)) in
    0) { head_ "Plain $i"; printf 'Content-Type: text/plain\r\n\r\n'; cat text.txt; } > "$m" ;;
    1) { head_ "Inline $i"; printf 'Content-Type: text/plain\r\n\r\n'; g -a -r alice@example.org -u bob@example.org -s -e -o - text.txt | crlf; } > "$m" ;;
    2) { head_ "PGP/MIME $i"
         printf 'Content-Type: multipart/encrypted; protocol="application/pgp-encrypted"; boundary="e"\r\n\r\n--e\r\n'
         printf 'Content-Type: application/pgp-encrypted\r\n\r\nVersion: 1\r\n\r\n--e\r\nContent-Type: application/octet-stream\r\n\r\n'
         { printf 'Content-Type: text/plain\r\n\r\n'; cat text.txt; } | g -a -r alice@example.org -u bob@example.org -s -e -o - | crlf
         printf '\r\n--e--\r\n'; } > "$m" ;;
    3) { head_ "Signed $i"; printf 'Content-Type: text/plain\r\n\r\n'; g -u bob@example.org --clearsign -o - text.txt | crlf; } > "$m" ;;
    4) { head_ "Attachment $i"; printf 'Content-Type: multipart/mixed; boundary="m"\r\n\r\n--m\r\nContent-Type: text/plain\r\n\r\n'
         cat text.txt
         printf '\r\n--m\r\nContent-Type: application/octet-stream; name="a.bin"\r\nContent-Disposition: attachment; filename="a.bin"\r\nContent-Transfer-Encoding: base64\r\n\r\n'
         b64 small.bin; printf '\r\n--m--\r\n'; } > "$m" ;;
  esac
done
python3 - "$count" <<'PY'
import sys
n = int(sys.argv[1])
parts = [open(f"msgs/{i}.msg", "rb").read() for i in range(1, n + 1)]
open("FOLDER.PMM", "wb").write(b"Benchmark".ljust(128, b"\0") + b"\x1a".join(parts))
PY
# The 20 MB attachment, PGP/MIME encrypted and signed.
python3 -c 'import os,sys; sys.stdout.buffer.write(os.urandom(20*1024*1024))' > big.bin
{ printf 'Content-Type: multipart/mixed; boundary="m"\r\n\r\n--m\r\nContent-Type: text/plain\r\n\r\n'; cat text.txt
  printf '\r\n--m\r\nContent-Type: application/octet-stream; name="big.bin"\r\nContent-Disposition: attachment; filename="big.bin"\r\nContent-Transfer-Encoding: base64\r\n\r\n'
  b64 big.bin; printf '\r\n--m--\r\n'; } > big_entity.txt
{ head_ "Big"
  printf 'Content-Type: multipart/encrypted; protocol="application/pgp-encrypted"; boundary="e"\r\n\r\n--e\r\n'
  printf 'Content-Type: application/pgp-encrypted\r\n\r\nVersion: 1\r\n\r\n--e\r\nContent-Type: application/octet-stream\r\n\r\n'
  g -a -r alice@example.org -u bob@example.org -s -e -o - big_entity.txt | crlf
  printf '\r\n--e--\r\n'; } > 'BIG.PM$'
rm -f big.bin big_entity.txt
# gpg on the receiving side: alice's secret key, every message decrypted and verified.
g --import "$data/alice_sec.asc" 2>/dev/null
d() { gpg -q --batch --yes --no-tty --pinentry-mode loopback --passphrase 'alice pass' --trust-model always "$@"; }
d -d -o /dev/null msgs/1.msg 2>/dev/null || true  # the agent starts before the clock
start=$(date +%s.%N)
for i in $(seq 1 "$count"); do
  case $((i % 5)) in
    0|4) ;;  # nothing for gpg to do
    *) d -d -o /dev/null "msgs/$i.msg" 2>/dev/null || true ;;
  esac
done
end=$(date +%s.%N)
python3 -c "print(f'{$end - $start:.2f}')" > gpg_folder.txt
fast=$(mktemp -d)
trap 'gpgconf --kill gpg-agent >/dev/null 2>&1; GNUPGHOME=$fast gpgconf --kill gpg-agent >/dev/null 2>&1; rm -rf "$GNUPGHOME" "$fast"' EXIT
echo 's2k-count 65536' > "$fast/gpg-agent.conf"
f() { GNUPGHOME=$fast gpg -q --batch --yes --no-tty --pinentry-mode loopback --passphrase 'alice pass' --trust-model always "$@"; }
f --import "$data/alice_sec.asc" "$data/bob_pub.asc" 2>/dev/null
mkdir -p one
for i in $(seq 1 "$count"); do
  case $((i % 5)) in 1|2|3) cp "msgs/$i.msg" "one/$i.asc" ;; esac
done
f -d -o /dev/null msgs/1.msg 2>/dev/null || true  # the agent starts before the clock
for _ in 1 2 3; do
  start=$(date +%s.%N)
  f --decrypt-files one/*.asc 2>/dev/null || true
  end=$(date +%s.%N)
  python3 -c "print(f'{$end - $start:.3f}')"
done | sort -n | awk '{ t[NR] = $1 } END { print t[1], t[2] }' > gpg_one_process.txt
rm -rf one
/usr/bin/time -f '%e %M' -o gpg_big.txt gpg -q --batch --yes --no-tty --pinentry-mode loopback --passphrase 'alice pass' \
  --trust-model always -d -o big.out 'BIG.PM$' 2>/dev/null || true
rm -f big.out
rm -rf msgs
touch done
