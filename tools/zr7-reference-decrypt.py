#!/usr/bin/env python3
"""A second reader of ZR7 encrypted files, written from docs/file-format.md alone.

It shares no code with the program: Python's own SHA-256, MD5 and HMAC, libsodium (through
ctypes) for Argon2id and ChaCha20-Poly1305, and libfec's Reed-Solomon codec for the parity of
repairable (version 3) files. If the program and this reader agree on every test vector, the
document says enough to read the program's files.

    zr7-reference-decrypt.py (--key-file FILE | --typed-key-file FILE) INPUT OUTPUT
    zr7-reference-decrypt.py --check VECTOR_FOLDER

The first form prints the result code (0, -8, -18, -19) and writes the plaintext only on
success; for a repairable file it tells on standard error how many bytes parity mended. The
second checks every line of vectors.txt and program-vectors.txt; exit status 0 when all agree.
"""

import ctypes
import ctypes.util
import functools
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

fec = ctypes.CDLL(ctypes.util.find_library("fec") or "libfec.so.0")
fec.init_rs_char.restype = ctypes.c_void_p
fec.init_rs_char.argtypes = [ctypes.c_int] * 6
fec.encode_rs_char.restype = None
fec.encode_rs_char.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p]
fec.decode_rs_char.restype = ctypes.c_int
fec.decode_rs_char.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_void_p, ctypes.c_int]
# Section 10.2: RS(255, 239) over GF(2^8) with 0x11d, roots alpha^1 to alpha^16.
RS = fec.init_rs_char(8, 0x11d, 1, 1, 16, 0)
if not RS:
    sys.exit("libfec cannot start")


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


def parameters(data):
    """Section 2: the four parameter bytes (version, t, m_log, c_log), unmasked."""
    mask = hashlib.sha256(b"ZR7E parameter mask" + data[:16]).digest()[:4]
    return tuple(data[16 + i] ^ mask[i] for i in range(4))


def version_of(data):
    """The version a prefix claims with its other bytes in range: 1, 2, 3, or None for a file
    that ends inside the prefix or a prefix that is no version's."""
    if len(data) < PREFIX:
        return None
    version, t, m_log, c_log = parameters(data)
    if version == 1 and 1 <= t <= 10 and 13 <= m_log <= 30 and 12 <= c_log <= 24:
        return 1
    if version in (2, 3) and 1 <= t <= 3 and 13 <= m_log <= 28 and 12 <= c_log <= 20:
        return version
    return None


@functools.lru_cache(maxsize=4)
def derive(key, prefix):
    """Section 3: the payload key and the commitment (64 bytes) of a key and a prefix."""
    _, t, m_log, _ = parameters(prefix)
    master = argon2id(key, prefix[:16], t, 1 << m_log)
    return hkdf_sha256(master, prefix[20:36], b"ZR7E payload key v2" + prefix, 64)


def payload_key(stream, key):
    """The payload key, or None when the commitment differs (section 3)."""
    okm = derive(key, bytes(stream[:PREFIX]))
    return okm[:32] if hmac.compare_digest(okm[32:], bytes(stream[PREFIX:HEADER])) else None


def decrypt_stream(stream, key):
    """Sections 2 to 5 with the end of `stream` as the end of the file: (code, plaintext)."""
    if len(stream) < HEADER or version_of(stream) not in (2, 3):
        return -8, None
    payload = payload_key(stream, key)
    if payload is None:
        return -8, None
    header = bytes(stream[:HEADER])
    record, position, counter, plain = (1 << parameters(stream)[3]) + TAG, HEADER, 0, b""
    while True:
        sealed = bytes(stream[position:position + record])
        last = position + len(sealed) >= len(stream)
        if len(sealed) < TAG or (last and len(sealed) == TAG and counter > 0):
            return (-8 if counter == 0 else -18), None
        opened = open_chunk(payload, counter, last, sealed, header)
        if opened is None:
            return (-8 if counter == 0 else -18), None
        plain += opened
        if last:
            return 0, plain
        position += record
        counter += 1


# Section 10: the parity of a repairable file.

DATA_SHARDS, PARITY_SHARDS, SECTOR = 239, 16, 4096
GROUP = DATA_SHARDS * SECTOR                       # G, the stream bytes of a whole group
GROUP_IN_FILE = GROUP + PARITY_SHARDS * SECTOR     # B, the same with its parity


def shard_size(group_length):
    return max(9, -(-group_length // DATA_SHARDS))


def stream_length(file_size):
    """Section 10.1: |S| for a repairable file of this size, or None for no such file."""
    if file_size < 1:
        return None
    whole = (file_size - 1) // GROUP_IN_FILE
    rest = file_size - whole * GROUP_IN_FILE
    for s in range(9, SECTOR + 1):
        last = rest - PARITY_SHARDS * s
        if 1 <= last <= GROUP and shard_size(last) == s:
            return whole * GROUP + last
    return None


def parity_of(column):
    parity = ctypes.create_string_buffer(PARITY_SHARDS)
    fec.encode_rs_char(RS, bytes(column), parity)
    return parity.raw


def repair_group(data, parity, s):
    """Mend one group's D stream bytes `data` in place with its 16 × s bytes of `parity`
    (section 10.3, steps 2 and 3). Returns the number of bytes mended, stream and parity, or
    None when a column does not decode, in which case `data` is left as it was."""
    padded = data + bytearray(DATA_SHARDS * s - len(data))  # the zeros a reader supplies
    mended = 0
    for j in range(s):
        # Column j holds byte j of every shard: d_0[j] ... d_238[j], p_0[j] ... p_15[j].
        if parity_of(padded[j::s]) == parity[j::s]:
            continue
        codeword = ctypes.create_string_buffer(bytes(padded[j::s] + parity[j::s]))
        corrected = fec.decode_rs_char(RS, codeword, None, 0)
        word = codeword.raw[:DATA_SHARDS + PARITY_SHARDS]
        supplied = [i for i in range(DATA_SHARDS) if i * s + j >= len(data)]
        if (corrected < 0 or any(word[i] for i in supplied)
                or parity_of(word[:DATA_SHARDS]) != word[DATA_SHARDS:]):
            return None
        padded[j::s] = word[:DATA_SHARDS]
        mended += corrected
    data[:] = padded[:len(data)]
    return mended


def repaired_stream(data):
    """The stream S of a file read as repairable, its groups mended where parity can, and the
    number of bytes mended; None when the file's size is no repairable file's (section 10.1)."""
    length = stream_length(len(data))
    if length is None:
        return None
    stream, mended = bytearray(data[:length]), 0
    for first in range(0, length, GROUP):
        group = stream[first:first + GROUP]
        s = shard_size(len(group))
        start = length + PARITY_SHARDS * SECTOR * (first // GROUP)
        count = repair_group(group, data[start:start + PARITY_SHARDS * s], s)
        if count is not None:
            stream[first:first + GROUP] = group
            mended += count
    return stream, mended


def decrypt(data, key):
    """(code, plaintext): 0 and the plaintext, or a failure code and None."""
    version = version_of(data)
    if version == 1:
        return -19, None
    if version == 2 and len(data) >= HEADER and payload_key(data, key) is not None:
        return decrypt_stream(data, key)
    # Section 10.3: a version 3 prefix, a prefix that is no version's, or a version 2 header
    # whose commitment fails may be a repairable file.
    repaired = repaired_stream(data)
    if repaired is not None and version_of(repaired[0]) == 3:
        stream, mended = repaired
        if mended:
            print(f"parity mended {mended} bytes", file=sys.stderr)
        return decrypt_stream(stream, key)
    # Step 4: read as the unrepaired bytes say, to the end of the file.
    return decrypt_stream(data, key)


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
