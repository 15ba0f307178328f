#!/usr/bin/python3
"""An independent reader and writer of protected Keyvane passwords files, on PyNaCl (libsodium).

  protected_file.py read FILE PASSWORD           the plain text to standard output
  protected_file.py write FILE PASSWORD PLAIN [--salt HEX] [--nonce HEX] [--passes N] [--memory KIB]

Exit status of read: 0 opened, 1 the password is wrong or the file was changed, 2 a refused header.
The layout (little-endian): signature 89 4B 56 46 0D 0A 1A 0A, major 2, minor, key derivation 1
(Argon2id 1.3), passes u32, memory KiB u32, lanes 1, salt 16, cipher 1 (XChaCha20-Poly1305 IETF),
nonce 24, then the encrypted plain text and its 16-byte tag; the 61 header bytes are associated data.
"""
import struct
import sys

import nacl.bindings as b
import nacl.exceptions
import nacl.pwhash.argon2id as argon2id
import nacl.utils

SIGNATURE = bytes.fromhex("894B56460D0A1A0A")
HEADER = 61


def key_of(password, salt, passes, memory_kib):
    return argon2id.kdf(32, password.encode("utf-8"), salt, opslimit=passes, memlimit=memory_kib * 1024)


def read(path, password):
    data = open(path, "rb").read()
    if len(data) < HEADER + 16 or data[:8] != SIGNATURE or data[8] != 2:
        return 2, None
    kdf, passes, memory, lanes = data[10], *struct.unpack_from("<II", data, 11), data[19]
    salt, cipher, nonce = data[20:36], data[36], data[37:61]
    if kdf != 1 or cipher != 1 or lanes != 1 or not 1 <= passes <= 64 or not 8192 <= memory <= 4194304:
        return 2, None
    key = key_of(password, salt, passes, memory)
    try:
        return 0, b.crypto_aead_xchacha20poly1305_ietf_decrypt(data[HEADER:], data[:HEADER], nonce, key)
    except nacl.exceptions.CryptoError:
        return 1, None


def write(path, password, plain, salt=None, nonce=None, passes=1, memory=8192):
    salt = salt or nacl.utils.random(16)
    nonce = nonce or nacl.utils.random(24)
    header = SIGNATURE + bytes([2, 0, 1]) + struct.pack("<II", passes, memory) + bytes([1]) + salt + bytes([1]) + nonce
    assert len(header) == HEADER
    key = key_of(password, salt, passes, memory)
    body = b.crypto_aead_xchacha20poly1305_ietf_encrypt(plain, header, nonce, key)
    with open(path, "wb") as f:
        f.write(header + body)


def main(argv):
    if len(argv) >= 4 and argv[1] == "read":
        status, plain = read(argv[2], argv[3])
        if plain is not None:
            sys.stdout.buffer.write(plain)
        return status
    if len(argv) >= 5 and argv[1] == "write":
        options = dict(zip(argv[5::2], argv[6::2]))
        write(argv[2], argv[3], open(argv[4], "rb").read(),
              salt=bytes.fromhex(options["--salt"]) if "--salt" in options else None,
              nonce=bytes.fromhex(options["--nonce"]) if "--nonce" in options else None,
              passes=int(options.get("--passes", 1)), memory=int(options.get("--memory", 8192)))
        return 0
    sys.stderr.write(__doc__)
    return 3


if __name__ == "__main__":
    sys.exit(main(sys.argv))
