#!/usr/bin/env python3
"""Reads .qvl archives and writes sealed ones, knowing the format from docs/format.md only.

It shares no code and no constant with the C++ side on purpose: where the two
disagree, one of them, or the document, is wrong. Where the document says only
what a writer does (full pieces but the last, zero padding, nothing after a
DES cipher text), this reader holds our writer to it and calls the rest damage,
though qvl reads such archives. Standard library plus the `cryptography`
package (Debian: python3-cryptography).

    python3 qvl_format.py list ARCHIVE [--password-env VAR]
"""

import argparse
import hashlib
import lzma
import os
import struct
import sys
from dataclasses import dataclass, field

from cryptography.exceptions import InvalidTag
from cryptography.hazmat.primitives.ciphers import Cipher, modes
from cryptography.hazmat.primitives.ciphers.aead import ChaCha20Poly1305

try:  # cryptography 43 moved the legacy ciphers; older ones (Debian 12's) have them here
    from cryptography.hazmat.decrepit.ciphers.algorithms import TripleDES
except ImportError:
    from cryptography.hazmat.primitives.ciphers.algorithms import TripleDES

MAGIC = b"QVL\0"
HEADER_SIZE = 116
TEXT_UNITS = 260
FILE_HEAD_SIZE = 1048
REGISTRY_HEAD_SIZE = 1056
BLOCK_HEAD_SIZE = 8
BLOCK_SIZE = 102400
MAX_SEALED_BLOCK = 2 * BLOCK_SIZE + 4096
HKEY_CURRENT_USER = 0x80000001
VERIFIER_PHRASE = b"714kqzmv38pxrtnbcjwle;uoa61475029816]d-52vysk=617=-8841972065517"

SEALED_HEAD_PLAIN = 1056
TAG_SIZE = 16
SEALED_HEAD_SIZE = SEALED_HEAD_PLAIN + TAG_SIZE
SEALED_BLOCK_HEAD_SIZE = BLOCK_HEAD_SIZE + TAG_SIZE
END_BLOCK_HEAD = b"\x01\0\0\0\x10\0\0\0"
ROLE_HEAD, ROLE_BLOCK, ROLE_END, ROLE_BLOCK_HEAD = 0, 1, 2, 3


class ArchiveRefused(Exception):
    """The header is not one this reader takes, or the password does not open it."""


class Damage(Exception):
    pass


@dataclass
class Record:
    offset: int
    kind: str = "unknown"  # favorite, setting, or unknown when a sealed head did not open
    folder: str = ""
    name: str = ""
    root: int = 0
    value_type: int = 0
    key: str = ""
    value_name: str = ""
    compressed: bool = False
    protected: bool = False
    sealed: bool = False
    blocks: int = 0
    data: bytes | None = None
    damage: list = field(default_factory=list)

    @property
    def path(self):
        if self.kind == "favorite":
            return f"{self.folder}\\{self.name}"
        if self.kind == "setting":
            return f"{self.key} [{self.value_name}]"
        return "?"


@dataclass
class Archive:
    version: int
    protected: bool
    cost: tuple | None = None  # (logN, r, p) of a sealed archive
    records: list = field(default_factory=list)
    problems: list = field(default_factory=list)  # what is wrong outside any one record


def _u32(buf, at):
    return struct.unpack_from("<I", buf, at)[0]


def _text(field_bytes):
    """A text field's value; Damage when it has no zero unit."""
    for i in range(TEXT_UNITS):
        if field_bytes[2 * i] == 0 and field_bytes[2 * i + 1] == 0:
            # surrogatepass: an unpaired surrogate is a name Windows can hold
            return field_bytes[: 2 * i].decode("utf-16-le", "surrogatepass")
    raise Damage("a text field has no terminator")


def _encode_text(text):
    units = text.encode("utf-16-le", "surrogatepass")
    if len(units) > 2 * (TEXT_UNITS - 1) or "\0" in text:
        raise ValueError(f"{text!r} does not fit a text field")
    return units.ljust(2 * TEXT_UNITS, b"\0")


def _parse_head(head, rec):
    """Fills rec from a version-1 head (the kind's whole size at least)."""
    kind = _u32(head, 0)
    if kind == 1:
        rec.kind = "favorite"
        flags = head[1044:1048]
        try:
            rec.folder = _text(head[4:524])
            rec.name = _text(head[524:1044])
        except Damage as e:
            rec.damage.append(str(e))
    elif kind == 2:
        rec.kind = "setting"
        rec.root, rec.value_type = struct.unpack_from("<II", head, 4)
        flags = head[1052:1056]
        try:
            rec.key = _text(head[12:532])
            rec.value_name = _text(head[532:1052])
        except Damage as e:
            rec.damage.append(str(e))
    else:
        raise Damage(f"kind {kind} is no record")
    if flags[0] > 1 or flags[1] > 1 or flags[2:] != b"\0\0":
        rec.damage.append(f"head flags {flags.hex()} are not 0/1 with zero padding")
    rec.compressed, rec.protected = flags[0] != 0, flags[1] != 0


# --- the compression stage -------------------------------------------------------------

def _bcj_x86_decode(data):
    # liblzma runs the branch-call filter only in front of an LZMA stage; an LZMA2
    # round trip with no compression to speak of carries the bytes there.
    packed = lzma.compress(data, format=lzma.FORMAT_RAW, filters=[{"id": lzma.FILTER_LZMA2, "preset": 0}])
    return lzma.decompress(packed, format=lzma.FORMAT_RAW,
                           filters=[{"id": lzma.FILTER_X86, "start_offset": 0},
                                    {"id": lzma.FILTER_LZMA2, "preset": 0}])


def decompress_block(block):
    if not block:
        raise Damage("compressed block: empty")
    if block[0] == 0:
        if len(block) > BLOCK_SIZE + 1:
            raise Damage("compressed block: stored form longer than one piece")
        return block[1:]
    if len(block) < 15:
        raise Damage("compressed block: LZMA form shorter than its fields")
    filt, props = block[1], block[2]
    dictionary, size = struct.unpack_from("<IQ", block, 3)
    lc, lp, pb = props % 9, props // 9 % 5, props // 45
    if filt > 1:
        raise Damage(f"compressed block: filter {filt}")
    if props >= 225 or lc + lp > 4:
        raise Damage(f"compressed block: properties {props:#x}")
    if size > BLOCK_SIZE:
        raise Damage(f"compressed block: states {size} bytes")
    # Distances never reach past what was decoded, so a dictionary larger than the
    # block buys nothing and a hostile one must not decide the allocation.
    filters = [{"id": lzma.FILTER_LZMA1, "lc": lc, "lp": lp, "pb": pb,
                "dict_size": max(4096, min(dictionary, size))}]
    try:
        out = lzma.LZMADecompressor(lzma.FORMAT_RAW, filters=filters).decompress(block[15:], max_length=size)
    except lzma.LZMAError as e:
        raise Damage(f"compressed block: {e}") from None
    if len(out) != size:
        raise Damage(f"compressed block: data ran out after {len(out)} of {size} bytes")
    return _bcj_x86_decode(out) if filt == 1 else out


# --- the DES stage ---------------------------------------------------------------------

def _odd_parity(key):
    return bytes((b & 0xFE) | (bin(b & 0xFE).count("1") % 2 == 0) for b in key)


def _des_cbc(key, iv, data, encrypt):
    cipher = Cipher(TripleDES(key * 3), modes.CBC(iv))
    op = cipher.encryptor() if encrypt else cipher.decryptor()
    return op.update(data) + op.finalize()


def des_key(password):
    """The MIT string-to-key of the password narrowed to Windows-1252."""
    # Python's table: the five bytes 1252 leaves unassigned (0x81, ...) take no
    # character either, so U+0081 narrows to "?" here; qvl keeps it as 0x81.
    text = password.split("\0")[0]
    s = b"".join(ch.encode("cp1252", "replace") for ch in text)
    key = bytearray(8)
    for i, j in enumerate(s):
        if i % 16 < 8:
            key[i % 8] ^= (j << 1) & 0xFF
        else:
            j = int(f"{j:08b}"[::-1], 2)
            key[7 - i % 8] ^= j
    key = _odd_parity(key)
    padded = s + b"\0" * (-len(s) % 8)
    mac = _des_cbc(key, key, padded, encrypt=True)[-8:] if s else key
    return _odd_parity(mac)


def des_decrypt_block(block, key):
    if len(block) < 8:
        raise Damage("encrypted block: shorter than its lengths")
    n, p = struct.unpack_from("<II", block)
    if p % 8 or n > p or p > len(block) - 8:
        raise Damage(f"encrypted block: lengths {n}/{p} do not fit {len(block)} bytes")
    if p != len(block) - 8:
        raise Damage(f"encrypted block: {len(block) - 8 - p} bytes after the cipher text")
    plain = _des_cbc(key, key, block[8:8 + p], encrypt=False)
    if any(plain[n:]):
        raise Damage("encrypted block: padding is not zero")
    return plain[:n]


# --- version 1 ---------------------------------------------------------------------------

def _read_v1(buf, header, password, archive):
    protected = header[8]
    if protected > 1:
        archive.problems.append(f"header protected byte is {protected}")
    key = None
    if protected:
        n = _u32(header, 112)
        if not 72 <= n <= 103 or _u32(header, 9) < 64:
            raise ArchiveRefused("bad verifier length")
        if password is not None:
            key = des_key(password)
            try:
                phrase = des_decrypt_block(header[9:9 + n], key)[:64]
            except Damage:
                phrase = b""
            if phrase != VERIFIER_PHRASE:
                raise ArchiveRefused("wrong password")
    elif any(header[8:]):
        archive.problems.append("unprotected header has non-zero bytes after the version")

    pos = HEADER_SIZE
    while pos < len(buf):
        rec = Record(offset=pos)
        if len(buf) - pos < 4:
            archive.problems.append(f"{len(buf) - pos} bytes after the last record")
            return
        kind = _u32(buf, pos)
        head_size = {1: FILE_HEAD_SIZE, 2: REGISTRY_HEAD_SIZE}.get(kind)
        if head_size is None:
            archive.problems.append(f"kind {kind} at offset {pos}: no record, and nothing frames past it")
            return
        if len(buf) - pos < head_size:
            rec.damage.append("cut short inside its head")
            archive.records.append(rec)
            return
        _parse_head(buf[pos:pos + head_size], rec)
        pos += head_size
        if rec.protected and key is None:
            rec.damage.append("protected record, and no password" if protected else
                              "protected record in an archive without a password")
        pieces = []
        while True:
            if len(buf) - pos < BLOCK_HEAD_SIZE:
                rec.damage.append("cut short")
                archive.records.append(rec)
                return
            last, pad, size = buf[pos], buf[pos + 1:pos + 4], _u32(buf, pos + 4)
            at = pos
            pos += BLOCK_HEAD_SIZE
            if last:
                if pad != b"\0\0\0" or size:
                    rec.damage.append(f"end marker at {at} is not 01 00 00 00 00 00 00 00")
                break
            if pad != b"\0\0\0":
                rec.damage.append(f"block head at {at} has non-zero padding")
            if size == 0:
                rec.damage.append(f"block at {at} has no bytes")
            if size > len(buf) - pos:
                rec.damage.append(f"block at {at} states {size} bytes, more than the file holds")
                archive.records.append(rec)
                return
            rec.blocks += 1
            if not rec.damage:
                try:
                    pieces.append(_decode_piece(buf[pos:pos + size], rec, key))
                except Damage as e:
                    rec.damage.append(f"block at {at}: {e}")
            pos += size
        if not rec.damage:
            rec.data = _join_pieces(pieces, rec)
        archive.records.append(rec)


def _decode_piece(payload, rec, key):
    if rec.protected:
        payload = des_decrypt_block(payload, key)
    if rec.compressed:
        payload = decompress_block(payload)
    elif len(payload) > BLOCK_SIZE:
        raise Damage(f"{len(payload)} bytes, more than one piece")
    return payload


def _join_pieces(pieces, rec):
    if any(len(p) != BLOCK_SIZE for p in pieces[:-1]) or (pieces and not pieces[-1]):
        rec.damage.append(f"pieces of {[len(p) for p in pieces]} bytes: only the last may be short, none empty")
        return None
    return b"".join(pieces)


# --- version 2 ---------------------------------------------------------------------------

def _nonce(position, index):
    return struct.pack("<QI", position, index)


def _ad(position, index, role):
    return struct.pack("<QII", position, index, role)


def _open(aead, sealed, position, index, role):
    try:
        return aead.decrypt(_nonce(position, index), bytes(sealed), _ad(position, index, role))
    except InvalidTag:
        return None


def _seal(aead, plain, position, index, role):
    return aead.encrypt(_nonce(position, index), plain, _ad(position, index, role))


def _password_bytes(password):
    if isinstance(password, bytes):
        return password.split(b"\0")[0]
    return password.split("\0")[0].encode("utf-8", "surrogateescape")


def _archive_key(password, salt, log_n, r, p):
    return hashlib.scrypt(_password_bytes(password), salt=salt, n=1 << log_n, r=r, p=p,
                          maxmem=2 * 128 * r * (1 << log_n) + (1 << 20), dklen=32)


def _sealed_header(salt, cost, check=bytes(16)):
    log_n, r, p = cost
    return MAGIC + struct.pack("<IBBBBII", 2, 1, 1, 1, log_n, r, p) + salt + check + bytes(48)


def _read_v2(buf, header, password, archive):
    if header[8:11] != b"\1\1\1":
        raise ArchiveRefused("unsupported version")
    log_n, r, p = header[11], _u32(header, 12), _u32(header, 16)
    archive.cost = (log_n, r, p)
    if any(header[68:]) or not (10 <= log_n <= 20 and 1 <= r <= 32 and 1 <= p <= 4) \
            or 128 * r * (1 << log_n) > 32 << 20:
        raise ArchiveRefused("unsupported protection parameters")
    if password is None:
        raise ArchiveRefused("a sealed archive is read only with its password")
    try:
        aead = ChaCha20Poly1305(_archive_key(password, header[20:52], log_n, r, p))
    except ValueError as e:  # RFC 7914 wants N < 2^(16 r), which the bounds above allow
        raise ArchiveRefused(f"scrypt refuses logN {log_n}, r {r}, p {p}: {e}") from None
    try:
        aead.decrypt(bytes(12), header[52:68], header[:52])
    except InvalidTag:
        raise ArchiveRefused("wrong password") from None

    pos = HEADER_SIZE
    while True:
        if pos == len(buf):
            archive.problems.append(f"ends at offset {pos} without its closing")
            return
        if len(buf) - pos < SEALED_HEAD_SIZE:
            archive.problems.append(f"ends at offset {pos}, inside a record head or the closing")
            return
        rec = Record(offset=pos, sealed=True)
        head = _open(aead, buf[pos:pos + SEALED_HEAD_SIZE], pos, 0, ROLE_HEAD)
        pos += SEALED_HEAD_SIZE
        if head is None:
            rec.damage.append("head does not open")
        elif _u32(head, 0) == 0:
            if any(head):
                archive.problems.append(f"closing at {rec.offset} does not open to zeros")
            if pos != len(buf):
                archive.problems.append(f"{len(buf) - pos} bytes after the closing")
            return
        else:
            try:
                _parse_head(head, rec)
                if rec.kind == "favorite" and any(head[FILE_HEAD_SIZE:]):
                    rec.damage.append("file head not followed by zeros")
                if rec.protected:
                    rec.damage.append("protected flag set inside a seal")
            except Damage as e:
                rec.damage.append(str(e))
        pieces = []
        while True:
            at = pos
            if len(buf) - pos < SEALED_BLOCK_HEAD_SIZE:
                rec.damage.append("cut short")
                archive.records.append(rec)
                return
            bh = _open(aead, buf[pos:pos + SEALED_BLOCK_HEAD_SIZE], pos, 0, ROLE_BLOCK_HEAD)
            pos += SEALED_BLOCK_HEAD_SIZE
            if bh is None:
                rec.damage.append(f"block head at {at} does not open")
                archive.problems.append(f"nothing after offset {at} can be framed")
                archive.records.append(rec)
                return
            last, size = bh[0], _u32(bh, 4)
            if last:
                if bh != END_BLOCK_HEAD:
                    rec.damage.append(f"end at {at} opens to {bh.hex()}")
                    archive.problems.append(f"nothing after offset {at} can be framed")
                    archive.records.append(rec)
                    return
                if len(buf) - pos < TAG_SIZE:
                    rec.damage.append("cut short in its end")
                    archive.records.append(rec)
                    return
                if _open(aead, buf[pos:pos + TAG_SIZE], rec.offset, rec.blocks + 1, ROLE_END) is None:
                    rec.damage.append(f"end at {at} does not open")
                pos += TAG_SIZE
                break
            if bh[1:4] != b"\0\0\0" or not TAG_SIZE <= size <= MAX_SEALED_BLOCK:
                rec.damage.append(f"block head at {at} opens to {bh.hex()}")
                archive.problems.append(f"nothing after offset {at} can be framed")
                archive.records.append(rec)
                return
            if size > len(buf) - pos:
                rec.damage.append(f"cut short in the block at {at}")
                archive.records.append(rec)
                return
            rec.blocks += 1
            payload = _open(aead, buf[pos:pos + size], rec.offset, rec.blocks, ROLE_BLOCK)
            pos += size
            if payload is None:
                rec.damage.append(f"block {rec.blocks} at {at} does not open")
            elif not payload:
                rec.damage.append(f"block {rec.blocks} at {at} opens to no bytes")
            elif not rec.damage:
                try:
                    pieces.append(_decode_piece(payload, rec, None))
                except Damage as e:
                    rec.damage.append(f"block at {at}: {e}")
        if not rec.damage:
            rec.data = _join_pieces(pieces, rec)
        archive.records.append(rec)


def read_archive(path, password=None):
    """Every record of the archive at path, decoded where it can be.

    Raises ArchiveRefused when the header is not taken or the password is wrong."""
    with open(path, "rb") as f:
        buf = f.read()
    if len(buf) < HEADER_SIZE:
        raise ArchiveRefused("shorter than a header")
    header = buf[:HEADER_SIZE]
    if header[:4] != MAGIC:
        raise ArchiveRefused("bad magic number")
    version = _u32(header, 4)
    archive = Archive(version=version, protected=header[8] != 0)
    if version == 1:
        _read_v1(buf, header, password, archive)
    elif version == 2:
        _read_v2(buf, header, password, archive)
    else:
        raise ArchiveRefused(f"unsupported version {version}")
    return archive


def write_sealed_archive(path, password, favorites, settings=(), cost=(15, 8, 1)):
    """Writes a version-2 archive, payloads uncompressed.

    favorites: (folder, name, bytes); settings: (key, value name, type, bytes), all
    below HKEY_CURRENT_USER."""
    text = password if isinstance(password, str) else password.decode("utf-8")
    if len(text) < 8 or "\0" in text:
        raise ValueError("a sealed archive needs a password of 8 or more characters and no zero")
    salt = os.urandom(32)
    header = _sealed_header(salt, cost)
    aead = ChaCha20Poly1305(_archive_key(password, salt, *cost))
    check = aead.encrypt(bytes(12), b"", header[:52])
    out = bytearray(_sealed_header(salt, cost, check))

    heads = [(struct.pack("<I", 1) + _encode_text(folder) + _encode_text(name) + bytes(4), data)
             for folder, name, data in favorites]
    heads += [(struct.pack("<III", 2, HKEY_CURRENT_USER, value_type) + _encode_text(key)
               + _encode_text(value_name) + bytes(4), data)
              for key, value_name, value_type, data in settings]
    for head, data in heads:
        record = len(out)
        out += _seal(aead, head.ljust(SEALED_HEAD_PLAIN, b"\0"), record, 0, ROLE_HEAD)
        pieces = [data[i:i + BLOCK_SIZE] for i in range(0, len(data), BLOCK_SIZE)]
        for k, piece in enumerate(pieces, 1):
            out += _seal(aead, struct.pack("<B3xI", 0, len(piece) + TAG_SIZE), len(out), 0, ROLE_BLOCK_HEAD)
            out += _seal(aead, piece, record, k, ROLE_BLOCK)
        out += _seal(aead, END_BLOCK_HEAD, len(out), 0, ROLE_BLOCK_HEAD)
        out += _seal(aead, b"", record, len(pieces) + 1, ROLE_END)
    out += _seal(aead, bytes(SEALED_HEAD_PLAIN), len(out), 0, ROLE_HEAD)
    with open(path, "wb") as f:
        f.write(out)


def _shown(text):
    # Names come from the archive: no control character reaches the terminal.
    return "".join(c if c.isprintable() else f"\\x{ord(c):02x}" for c in text)


def main(argv=None):
    parser = argparse.ArgumentParser(prog="qvl_format.py")
    sub = parser.add_subparsers(dest="command", required=True)
    listing = sub.add_parser("list", help="one line per record")
    listing.add_argument("archive")
    listing.add_argument("--password-env", metavar="VAR", help="the variable holding the password")
    args = parser.parse_args(argv)

    password = os.environ.get(args.password_env) if args.password_env else None
    try:
        archive = read_archive(args.archive, password)
    except (ArchiveRefused, OSError) as e:
        print(f"qvl_format: {args.archive}: {e}", file=sys.stderr)
        return 1
    for rec in archive.records:
        flags = ("c" if rec.compressed else "-") + ("p" if rec.protected else "-") + ("s" if rec.sealed else "-")
        size = "?" if rec.data is None else str(len(rec.data))
        kind = rec.kind if rec.kind != "setting" else f"setting/{rec.value_type}"
        line = f"{rec.offset:>10} {kind:<12} {flags} {size:>8} {_shown(rec.path)}"
        if rec.damage:
            line += "  DAMAGED: " + _shown("; ".join(rec.damage))
        print(line)
    for problem in archive.problems:
        print(f"qvl_format: {args.archive}: {problem}", file=sys.stderr)
    return 3 if archive.problems or any(r.damage for r in archive.records) else 0


if __name__ == "__main__":
    sys.exit(main())
