#!/usr/bin/env python3
"""Writes the public key of an unprotected RSA secret key (as gpg exports it)
with its user ID self-signature made again, carrying an additional decryption
key subpacket (type 10: class 0x80, RSA, the ADK's fingerprint), signed with
the key's own secret. Subkeys and their binding signatures are kept.
Usage: make_adk_key.py SECRET_KEY_FILE ADK_FINGERPRINT OUT_FILE"""
import hashlib
import struct
import sys
import time


def packets(data):
    pos = 0
    while pos < len(data):
        tag_byte = data[pos]
        assert tag_byte & 0x80, "not a packet"
        if tag_byte & 0x40:
            tag = tag_byte & 0x3F
            first = data[pos + 1]
            if first < 192:
                length, head = first, 2
            elif first < 224:
                length, head = ((first - 192) << 8) + data[pos + 2] + 192, 3
            elif first == 255:
                length, head = struct.unpack('>I', data[pos + 2:pos + 6])[0], 6
            else:
                raise ValueError('partial lengths are not expected here')
        else:
            tag = (tag_byte >> 2) & 0x0F
            kind = tag_byte & 3
            size = {0: 1, 1: 2, 2: 4}[kind]
            length = int.from_bytes(data[pos + 1:pos + 1 + size], 'big')
            head = 1 + size
        yield tag, data[pos + head:pos + head + length]
        pos += head + length


def packet(tag, body):
    if len(body) < 192:
        length = bytes([len(body)])
    elif len(body) < 8384:
        n = len(body) - 192
        length = bytes([(n >> 8) + 192, n & 0xFF])
    else:
        length = b'\xff' + struct.pack('>I', len(body))
    return bytes([0xC0 | tag]) + length + body


def mpi(data, pos):
    bits = struct.unpack('>H', data[pos:pos + 2])[0]
    size = (bits + 7) // 8
    return int.from_bytes(data[pos + 2:pos + 2 + size], 'big'), pos + 2 + size


def public_part(secret):
    """The public key fields of a v4 RSA secret key packet, and its d and n."""
    assert secret[0] == 4 and secret[5] == 1, "a v4 RSA key is expected"
    n, pos = mpi(secret, 6)
    e, pos = mpi(secret, pos)
    public = secret[:pos]
    assert secret[pos] == 0, "the secret key must be unprotected"
    d, _ = mpi(secret, pos + 1)
    return public, n, d


def subpacket(kind, body):
    assert len(body) + 1 < 192
    return bytes([len(body) + 1, kind]) + body


def main():
    secret_file, adk_fpr, out_file = sys.argv[1:4]
    items = list(packets(open(secret_file, 'rb').read()))
    assert items[0][0] == 5
    primary, n, d = public_part(items[0][1])
    fpr = hashlib.sha1(b'\x99' + struct.pack('>H', len(primary)) + primary).digest()
    uid = next(body for tag, body in items if tag == 13)

    hashed = (subpacket(2, struct.pack('>I', int(time.time())))
              + subpacket(27, b'\x03')
              + subpacket(10, b'\x80\x01' + bytes.fromhex(adk_fpr))
              + subpacket(33, b'\x04' + fpr))
    unhashed = subpacket(16, fpr[-8:])
    head = bytes([4, 0x13, 1, 8]) + struct.pack('>H', len(hashed)) + hashed
    digest = hashlib.sha256(b'\x99' + struct.pack('>H', len(primary)) + primary
                            + b'\xb4' + struct.pack('>I', len(uid)) + uid
                            + head + b'\x04\xff' + struct.pack('>I', len(head))).digest()
    info = bytes.fromhex('3031300d060960864801650304020105000420') + digest
    size = (n.bit_length() + 7) // 8
    encoded = b'\x00\x01' + b'\xff' * (size - len(info) - 3) + b'\x00' + info
    signature = pow(int.from_bytes(encoded, 'big'), d, n)
    sig_bytes = signature.to_bytes(size, 'big').lstrip(b'\x00')
    sig = (head + struct.pack('>H', len(unhashed)) + unhashed + digest[:2]
           + struct.pack('>H', signature.bit_length()) + sig_bytes)

    out = packet(6, primary) + packet(13, uid) + packet(2, sig)
    after_uid = False
    for tag, body in items:
        if tag == 7:
            sub_public, _, _ = public_part(body)
            out += packet(14, sub_public)
            after_uid = True
        elif tag == 2 and after_uid:
            out += packet(2, body)
    open(out_file, 'wb').write(out)


if __name__ == '__main__':
    main()
