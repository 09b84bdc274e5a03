#!/usr/bin/env python3
"""A second reader of ZR7 encrypted files, written from docs/file-format.md alone.

It shares no code with the program: Python's own SHA-256, MD5 and HMAC, and libsodium (through
ctypes) for Argon2id and ChaCha20-Poly1305. If the program and this reader agree on every test
vector, the document says enough to read the program's files.

    zr7-reference-decrypt.py (--key-file FILE | --typed-key-file FILE) INPUT OUTPUT
    zr7-reference-decrypt.py --check VECTOR_FOLDER

The first form prints the result code (0, -8, -18, -19) and writes the plaintext only on
success. The second checks every line of vectors.txt and program-vectors.txt; exit status 0
when all agree.
"""

import ctypes
import ctypes.util
import hashlib
import hmac
import os
import sys

HEADER = 68
PREFIX = 36
TAG = 16

sodium = ctypes.CDLL(ctypes.util.find_library("sodium") or "libsodium.so.23")
if sodium.sodium_init() < 0:
    sys.exit("libsodium cannot start")
ULL = ctypes.c_ulonglong


# Section 1: from the user's key to the 64 key bytes.

def upper(byte):
    if 0x61 <= byte <= 0x7A or (0xE0 <= byte <= 0xFE and byte != 0xF7):
        return byte - 0x20
    return {0x9A: 0x8A, 0x9C: 0x8C, 0x9E: 0x8E, 0xFF: 0x9F}.get(byte, byte)


def normalise(data):
    return bytes(upper(b) for b in data if b > 0x20)


def extend(normalised):
    return normalised if len(normalised) >= 64 else (normalised * 4)[:64]


def keyfile_key(path):
    with open(path, "rb") as f:
        raw = bytearray(f.read(64).ljust(64, b"\0"))
    if sum(1 for b in raw if b > 0x20) < 16:
        raise ValueError("unsuitable keyfile")
    last = max((i + 1 for i, b in enumerate(raw) if b != 0), default=0)
    for p in range(1, last):
        if raw[p - 1] == 0:
            raw[p - 1] = 128 - p
    return normalise(raw)


def typed_key(text):
    normalised = normalise(text.encode("cp1252"))
    if len(text) > 64 or len(normalised) < 16:
        raise ValueError("unsuitable typed key")
    return normalised


def checksum(normalised):
    d = hashlib.md5(normalised).digest()
    return sum(d[2 * k] * 65536 + d[2 * k + 1] for k in range(8)) % 8999 + 1001


# Sections 2 to 5: from the key bytes and a file to its plaintext.

def hkdf_sha256(ikm, salt, info, length):
    prk = hmac.new(salt, ikm, hashlib.sha256).digest()
    out, block, counter = b"", b"", 1
    while len(out) < length:
        block = hmac.new(prk, block + info + bytes([counter]), hashlib.sha256).digest()
        out += block
        counter += 1
    return out[:length]


def argon2id(key, salt, passes, memory):
    out = ctypes.create_string_buffer(32)
    if sodium.crypto_pwhash(out, ULL(32), key, ULL(len(key)), salt, ULL(passes),
                            ctypes.c_size_t(memory), ctypes.c_int(2)) != 0:
        raise MemoryError("Argon2id failed")
    return out.raw


def open_chunk(key, counter, last, sealed, associated):
    nonce = counter.to_bytes(11, "big") + bytes([1 if last else 0])
    plain = ctypes.create_string_buffer(max(1, len(sealed)))
    length = ULL(0)
    ok = sodium.crypto_aead_chacha20poly1305_ietf_decrypt(
        plain, ctypes.byref(length), None, sealed, ULL(len(sealed)), associated,
        ULL(len(associated)), nonce, key) == 0
    return plain.raw[:length.value] if ok else None


def decrypt(data, key):
    """(code, plaintext): 0 and the plaintext, or a failure code and None."""
    if len(data) >= PREFIX:
        mask = hashlib.sha256(b"ZR7E parameter mask" + data[:16]).digest()[:4]
        version, t, m_log, c_log = (data[16 + i] ^ mask[i] for i in range(4))
        if version == 1 and 1 <= t <= 10 and 13 <= m_log <= 30 and 12 <= c_log <= 24:
            return -19, None
    if len(data) < HEADER or version != 2 or not (1 <= t <= 3 and 13 <= m_log <= 28
                                                  and 12 <= c_log <= 20):
        return -8, None
    header, prefix = data[:HEADER], data[:PREFIX]
    master = argon2id(key, data[:16], t, 1 << m_log)
    okm = hkdf_sha256(master, data[20:36], b"ZR7E payload key v2" + prefix, 64)
    if not hmac.compare_digest(okm[32:], data[PREFIX:HEADER]):
        return -8, None
    record, position, counter, plain = (1 << c_log) + TAG, HEADER, 0, b""
    while True:
        sealed = data[position:position + record]
        last = position + len(sealed) >= len(data)
        if len(sealed) < TAG or (last and len(sealed) == TAG and counter > 0):
            return (-8 if counter == 0 else -18), None
        opened = open_chunk(okm[:32], counter, last, sealed, header)
        if opened is None:
            return (-8 if counter == 0 else -18), None
        plain += opened
        if last:
            return 0, plain
        position += record
        counter += 1


def check(folder):
    failures = 0

    def agree(name, code, expected_code, plain, expected_sha):
        nonlocal failures
        sha = hashlib.sha256(plain).hexdigest() if plain is not None else "-"
        ok = code == expected_code and sha == expected_sha
        failures += 0 if ok else 1
        print(f"{'ok  ' if ok else 'FAIL'} {name}: {code} {sha}")

    def rows(manifest):
        with open(os.path.join(folder, manifest), encoding="utf-8") as f:
            return [line.split() for line in f if line.strip() and not line.startswith("#")]

    key = open(os.path.join(folder, "key.txt"), "rb").read()
    for name, _, expected, sha in rows("vectors.txt"):
        code, plain = decrypt(open(os.path.join(folder, name), "rb").read(), key)
        agree(name, code, int(expected), plain, sha)
    for row in rows("program-vectors.txt"):
        name, sum_expected, sha = row[0], int(row[-2]), row[-1]
        if row[1] == "--key-file":
            normalised = keyfile_key(os.path.join(folder, row[2]))
        else:
            with open(os.path.join(folder, row[3]), encoding="utf-8") as f:
                normalised = typed_key(f.readline().rstrip("\n"))
        data = open(os.path.join(folder, name), "rb").read()
        code, plain = decrypt(data, extend(normalised))
        agree(name, code, 0, plain, sha)
        if checksum(normalised) != sum_expected:
            failures += 1
            print(f"FAIL {name}: checksum {checksum(normalised)}, not {sum_expected}")
    return 1 if failures else 0


def main(args):
    if len(args) == 2 and args[0] == "--check":
        return check(args[1])
    if len(args) != 4 or args[0] not in ("--key-file", "--typed-key-file"):
        print(__doc__, file=sys.stderr)
        return 2
    if args[0] == "--key-file":
        normalised = keyfile_key(args[1])
    else:
        with open(args[1], encoding="utf-8") as f:
            normalised = typed_key(f.readline().rstrip("\n"))
    code, plain = decrypt(open(args[2], "rb").read(), extend(normalised))
    print(code)
    if code == 0:
        with open(args[3], "wb") as out:
            out.write(plain)
    return 0 if code == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
