#!/usr/bin/env python3
"""Makes received mail whose signatures sit where other mail programs and
mailing lists put them, each shape good, forged and by a signer alice does
not know, in the current directory (make_mail.sh has made entity.txt and
text.txt there, and GNUPGHOME holds bob's and dave's secret keys):

- nested_*: PGP/MIME signed first and encrypted after, as separate layers
  (the signed entity with an attachment, or a single text part);
- list_*: a mailing list's multipart/mixed around bob's PGP/MIME signed
  entity, its footer a plain part or a base64 part, the subject tagged; and
  around a PGP/MIME encrypted and signed message;
- blocks_*: an inline message with a clear-signed block first and a signed
  and encrypted block after it.

GnuPG's own verdict on every signature of every file, read with alice's
keys from the file as written, goes to verdicts.txt ("file verdict" with
the weakest of good, nokey, bad); a file whose verdict is not the one it
was made for stops the script. Usage: make_sig_shapes.py KEY_DATA_DIR
"""
import email
import email.generator
import email.policy
import io
import os
import re
import subprocess
import sys
import tempfile
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText

data = sys.argv[1]


def gpg(args, stdin=b"", home=None):
    env = dict(os.environ)
    if home:
        env["GNUPGHOME"] = home
    out = subprocess.run(["gpg", "-q", "--batch", "--yes", "--no-tty", "--pinentry-mode", "loopback",
                          "--passphrase", "alice pass" if home else "", "--trust-model", "always"] + args,
                         input=stdin, capture_output=True, env=env)
    return out


def crlf(b):
    return b.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def detached(signer, entity):
    r = gpg(["-a", "-u", signer, "--digest-algo", "SHA256", "--detach-sign"], entity)
    assert r.returncode == 0, r.stderr
    return crlf(r.stdout)


def encrypted(entity, signer=None):
    r = gpg(["-a", "-r", "alice@example.org", "-e"] + (["-s", "-u", signer] if signer else []), entity)
    assert r.returncode == 0, r.stderr
    return crlf(r.stdout)


def signed_entity(signer, entity, forged=False):
    """A multipart/signed entity over the entity (CR LF); forged: the entity
    changed after signing."""
    sig = detached(signer, entity)
    if forged:
        entity = entity.replace(b"figures are", b"FIGURES are", 1)
        assert b"FIGURES are" in entity
    return (b'Content-Type: multipart/signed; micalg=pgp-sha256;\r\n protocol="application/pgp-signature";'
            b' boundary="sig-b0undary"\r\n\r\n'
            b"This is an OpenPGP/MIME signed message (RFC 4880 and 3156)\r\n--sig-b0undary\r\n" + entity +
            b'\r\n--sig-b0undary\r\nContent-Type: application/pgp-signature; name="signature.asc"\r\n'
            b"Content-Description: OpenPGP digital signature\r\n\r\n" + sig + b"\r\n--sig-b0undary--\r\n")


def encrypted_entity(entity, signer=None):
    return (b'Content-Type: multipart/encrypted; protocol="application/pgp-encrypted";\r\n'
            b'\tboundary="enc-b0undary"\r\n\r\n'
            b"This is an OpenPGP/MIME encrypted message (RFC 4880 and 3156)\r\n--enc-b0undary\r\n"
            b"Content-Type: application/pgp-encrypted\r\nContent-Description: PGP/MIME version identification"
            b"\r\n\r\nVersion: 1\r\n\r\n--enc-b0undary\r\n"
            b'Content-Type: application/octet-stream; name="encrypted.asc"\r\n'
            b'Content-Disposition: inline; filename="encrypted.asc"\r\n\r\n' + encrypted(entity, signer) +
            b"\r\n--enc-b0undary--\r\n")


def top(subject):
    return ("From: bob <bob@example.org>\r\nTo: alice@example.org\r\nSubject: %s\r\nMIME-Version: 1.0\r\n"
            % subject).encode()


def list_wrapped(subject, inner, footer_b64):
    """What a mailing list sends on: the author's message as the first part
    of a multipart/mixed, its footer after it, the subject tagged."""
    author = email.message_from_bytes(top(subject) + inner, policy=email.policy.compat32)
    wrapper = MIMEMultipart("mixed", boundary="list-b0undary")
    for field in ("From", "To", "MIME-Version"):
        del wrapper[field]
        wrapper[field] = author[field]
    wrapper["Subject"] = "[figures-list] " + author["Subject"]
    part = email.message_from_bytes(inner, policy=email.policy.compat32)
    wrapper.attach(part)
    footer = "_______________________________________________\nfigures-list mailing list\n" \
             "https://lists.example.org/figures-list\n"
    wrapper.attach(MIMEText(footer, "plain", "utf-8" if footer_b64 else "us-ascii"))
    buf = io.BytesIO()
    email.generator.BytesGenerator(buf, mangle_from_=False, maxheaderlen=0).flatten(wrapper)
    return crlf(buf.getvalue())


# ---- GnuPG's verdict, read back from the file as written ---------------------------------

alice = tempfile.mkdtemp()
for k in ("alice_sec", "bob_pub", "carol_pub"):
    gpg(["--import", os.path.join(data, k + ".asc")], home=alice)


def status_verdict(status):
    if "[GNUPG:] BADSIG" in status:
        return "bad"
    if "NO_PUBKEY" in status or "[GNUPG:] ERRSIG" in status:
        return "nokey"
    if "[GNUPG:] GOODSIG" in status:
        return "good"
    return None


def verify_detached(content, sig):
    with tempfile.NamedTemporaryFile(delete=False) as s, tempfile.NamedTemporaryFile(delete=False) as c:
        s.write(sig)
        c.write(content)
    r = gpg(["--status-fd", "1", "--verify", s.name, c.name], home=alice)
    os.unlink(s.name)
    os.unlink(c.name)
    return status_verdict(r.stdout.decode())


def parts(body, boundary):
    """The parts of a multipart body as RFC 2046 delimits them (the CR LF
    before a delimiter belongs to it)."""
    delim = re.compile(rb"(?:^|\r\n)--" + re.escape(boundary) + rb"(--)?[ \t]*\r\n?", re.M)
    found, last = [], None
    for m in delim.finditer(body):
        if last is not None:
            found.append(body[last:m.start()])
        if m.group(1):
            break
        last = m.end()
    return found


def split(entity):
    head, _, body = entity.partition(b"\r\n\r\n")
    m = re.search(rb'boundary="?([^";\r\n]+)"?', head, re.I)
    return head.lower(), body, (m.group(1) if m else None)


def verdicts(entity):
    """Every signature gpg finds in a MIME entity, and in its armoured blocks."""
    head, body, boundary = split(entity)
    if b"multipart/signed" in head:
        signed, sig = parts(body, boundary)[:2]
        return [verify_detached(signed, sig.partition(b"\r\n\r\n")[2])] + verdicts(signed)
    if b"multipart/encrypted" in head:
        r = gpg(["--status-fd", "2", "-d"], parts(body, boundary)[1].partition(b"\r\n\r\n")[2], home=alice)
        assert r.returncode in (0, 1), r.stderr
        own = status_verdict(r.stderr.decode())
        return ([own] if own else []) + verdicts(r.stdout)
    if boundary and b"multipart/" in head:
        return [v for p in parts(body, boundary) for v in verdicts(p)]
    found = []
    for block in re.findall(rb"-----BEGIN PGP (?:SIGNED )?MESSAGE-----.*?-----END PGP (?:SIGNATURE|MESSAGE)-----",
                            body, re.S):
        r = gpg(["--status-fd", "2", "-d"], block, home=alice)
        v = status_verdict(r.stderr.decode())
        if v:
            found.append(v)
    return found


def weakest(found):
    for v in ("bad", "nokey", "good"):
        if v in found:
            return v
    return "none"


shapes = []


def write(name, message, meant):
    with open(name, "wb") as f:
        f.write(message)
    got = weakest(verdicts(message))
    assert got == meant, "%s: gpg says %s, made for %s" % (name, got, meant)
    shapes.append("%s %s\n" % (name, got))


entity = open("entity.txt", "rb").read()
text_part = (b"Content-Type: text/plain; charset=ISO-8859-1\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" +
             open("text.txt", "rb").read())
signers = (("", "bob@example.org", False, "good"), ("_tampered", "bob@example.org", True, "bad"),
           ("_dave", "dave@example.org", False, "nokey"))

for suffix, signer, forged, meant in signers:
    write("nested%s.PM$" % suffix,
          top("Figures (nested)") + encrypted_entity(signed_entity(signer, entity, forged)), meant)
    write("nested_text%s.PM$" % suffix,
          top("Figures (nested text)") + encrypted_entity(signed_entity(signer, text_part, forged)), meant)
    inner = signed_entity(signer, entity, forged)
    write("list%s.PM$" % suffix, list_wrapped("Figures (list)", inner, False), meant)
    write("list_b64%s.PM$" % suffix, list_wrapped("Figures (list)", inner, True), meant)

# The list around a message that is encrypted and signed in one.
write("list_enc.PM$", list_wrapped("Figures (list, encrypted)", encrypted_entity(entity, "bob@example.org"), False),
      "good")

# Inline: a clear-signed block, then a signed and encrypted block.
text = open("text.txt", "rb").read()
second = b"The second block: the totals.\r\n"
for suffix, forged, second_signer, meant in (("", False, "bob@example.org", "good"),
                                             ("_tampered", True, "bob@example.org", "bad"),
                                             ("_dave", False, "dave@example.org", "nokey")):
    r = gpg(["-u", "bob@example.org", "--clearsign"], text)
    first = crlf(r.stdout)
    if forged:
        first = first.replace(b"the figures are", b"the FIGURES are", 1)
    r = gpg(["-a", "-r", "alice@example.org", "-u", second_signer, "-s", "-e"], second)
    write("blocks%s.PM$" % suffix,
          top("Figures (two blocks)") + b"Content-Type: text/plain; charset=ISO-8859-1\r\n"
          b"Content-Transfer-Encoding: 8bit\r\n\r\n" + first + b"\r\n" + crlf(r.stdout), meant)

with open("verdicts.txt", "w") as f:
    f.writelines(shapes)
subprocess.run(["gpgconf", "--kill", "gpg-agent"], env=dict(os.environ, GNUPGHOME=alice))
subprocess.run(["rm", "-rf", alice])
