#!/usr/bin/env python3
"""qvl against a reader and writer that know the archive only from docs/format.md.

    format_interop_test.py QVL [SHARED_DATA_DIR]

Exit code 77 (skipped) without the cryptography package.
"""

import json
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

try:
    import qvl_format as fmt
except ImportError as e:
    print(f"skipped: {e}")
    sys.exit(77)

QVL = None
SHARED_DATA = None
PASSWORD = "Pässwörd-42"  # in Windows-1252 (the DES form's limit), not in ASCII
IE = "Software\\Microsoft\\Internet Explorer"

# name, backup options, version, compressed, password
FORMS = [
    ("plain", [], 1, False, None),
    ("compressed", ["--compress"], 1, True, None),
    ("des", ["--protect"], 1, False, PASSWORD),
    ("des, compressed", ["--compress", "--protect"], 1, True, PASSWORD),
    ("sealed", ["--protect", "--strong"], 2, False, PASSWORD),
    ("sealed, compressed", ["--compress", "--protect", "--strong"], 2, True, PASSWORD),
]


def make_favorites(root):
    """A Favorites tree that reaches the corners of the format; returns {(folder, name): bytes}."""
    rnd = random.Random(7)
    files = {
        "a.url": b"[InternetShortcut]\r\nURL=http://example.org/\r\n",
        "empty.url": b"",
        "Links/Sub/\u00dcn\u00ef \u2713\U0001F600.url": b"[InternetShortcut]\r\nURL=http://\xc3\xbc.example/\r\n",
        # Three pieces, the last short, half of them compressible
        "big.bin": rnd.randbytes(150_000) + b"favorites and settings " * 4_600,
        # Exactly one full piece: nothing may follow it but the end
        "one piece.bin": rnd.randbytes(fmt.BLOCK_SIZE),
    }
    expected = {}
    for rel, data in files.items():
        path = os.path.join(root, "Favorites", rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        parts = rel.split("/")
        expected[("\\".join(["%USERPROFILE%", "Favorites"] + parts[:-1]), parts[-1])] = data
    return expected


def favorites_on_disk(profile):
    found = {}
    top = os.path.join(profile, "Favorites")
    for folder, _, names in os.walk(top):
        rel = os.path.relpath(folder, top)
        stored = "%USERPROFILE%\\Favorites" + ("" if rel == "." else "\\" + rel.replace("/", "\\"))
        for name in names:
            with open(os.path.join(folder, name), "rb") as f:
                found[(stored, name)] = f.read()
    return found


def favorites_of(archive):
    return {(r.folder, r.name): r.data for r in archive.records if r.kind == "favorite"}


def settings_of(archive):
    return sorted((r.key, r.value_name, r.value_type, r.data) for r in archive.records if r.kind == "setting")


def qvl(*args, password=None):
    env = {k: v for k, v in os.environ.items() if k != "QVL_PASSWORD"}
    if password:
        env["QVL_PASSWORD"] = password  # an empty or missing one makes a backup unprotected
    return subprocess.run([QVL, *args], env=env, capture_output=True, text=True, timeout=60)


class IndependentReaderAndWriter(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="qvl-interop-")
        cls.profile = os.path.join(cls.tmp, "profile")
        cls.favorites = make_favorites(cls.profile)
        hive = os.path.join(SHARED_DATA or "", "NTUSER.DAT")
        cls.has_settings = bool(SHARED_DATA) and os.path.isfile(hive)
        if cls.has_settings:  # read in place: a backup never writes to its profile
            os.symlink(os.path.abspath(hive), os.path.join(cls.profile, "NTUSER.DAT"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def path(self, name):
        return os.path.join(self.tmp, name)

    def assert_qvl_lists(self, archive_path, archive, password):
        run = qvl("list", "--json", archive_path, password=password)
        self.assertEqual(run.returncode, 0, run.stderr)
        listed = json.loads(run.stdout)["records"]
        self.assertEqual(len(listed), len(archive.records))
        for theirs, ours in zip(listed, archive.records):
            if ours.kind == "favorite":
                mine = {"folder": ours.folder, "name": ours.name}
            else:
                self.assertEqual(ours.root, fmt.HKEY_CURRENT_USER)
                mine = {"root": "HKEY_CURRENT_USER", "key": ours.key, "value": ours.value_name,
                        "typeCode": ours.value_type}
            mine.update(offset=ours.offset, kind=ours.kind, blocks=ours.blocks, compressed=ours.compressed,
                        protected=ours.protected or ours.sealed, sealed=ours.sealed)
            if theirs["plainBytes"] is not None:  # unknown without decrypting (DES and compressed)
                mine["plainBytes"] = len(ours.data)
            self.assertEqual({k: theirs[k] for k in mine}, mine)

    def test_reads_every_form_qvl_writes(self):
        settings_seen = {}
        for name, options, version, compressed, password in FORMS:
            with self.subTest(form=name):
                archive_path = self.path(name.replace(", ", "-") + ".qvl")
                run = qvl("backup", archive_path, *options, f"--profile={self.profile}", "-q", password=password)
                self.assertEqual(run.returncode, 0, run.stderr)

                archive = fmt.read_archive(archive_path, password)
                self.assertEqual((archive.version, archive.protected), (version, password is not None))
                self.assertEqual(archive.problems, [])
                self.assertEqual([(r.path, r.damage) for r in archive.records if r.damage], [])
                self.assertEqual(favorites_of(archive), self.favorites)
                self.assertEqual(len(archive.records) - len(settings_of(archive)), len(self.favorites))
                for r in archive.records:
                    if r.data:
                        self.assertEqual((r.compressed, r.protected, r.sealed),
                                         (compressed, version == 1 and password is not None, version == 2), r.path)
                self.assert_qvl_lists(archive_path, archive, password)
                settings_seen[name] = settings_of(archive)

        reference = settings_seen.get("plain")
        self.assertEqual(bool(reference), self.has_settings)
        for name, settings in settings_seen.items():
            self.assertEqual(settings, reference, name)

    def write_sealed(self, path):
        favorites = [(folder, name, data) for (folder, name), data in self.favorites.items()]
        settings = [(IE + "\\Main", "Start Page", 1, "http://example.org/\0".encode("utf-16-le")),
                    (IE + "\\Main", "Zoom", 4, struct.pack("<I", 125)),
                    (IE + "\\Interop \u00e9\u00e8", "Blob", 3, bytes(range(256)) * 3)]
        fmt.write_sealed_archive(path, PASSWORD, favorites, settings, cost=(12, 4, 2))
        return settings

    def test_qvl_reads_and_restores_what_this_writer_seals(self):
        archive_path = self.path("written.qvl")
        settings = self.write_sealed(archive_path)

        run = qvl("verify", archive_path, password=PASSWORD)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assert_qvl_lists(archive_path, fmt.read_archive(archive_path, PASSWORD), PASSWORD)

        target = self.path("restored")
        os.mkdir(target)
        run = qvl("restore", archive_path, f"--profile={target}", "-q", password=PASSWORD)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assertEqual(favorites_on_disk(target), self.favorites)

        # The restored hive, backed up again, holds exactly the values written
        run = qvl("backup", self.path("of-restored.qvl"), f"--profile={target}", "-q")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(settings_of(fmt.read_archive(self.path("of-restored.qvl"))), sorted(settings))

    def test_a_flipped_byte_costs_its_whole_record_and_nothing_else(self):
        archive_path = self.path("tampered.qvl")
        self.write_sealed(archive_path)
        big = next(r for r in fmt.read_archive(archive_path, PASSWORD).records if r.name == "big.bin")
        # Inside the payload of its second data block: the first block opens fine
        second_block = (big.offset + fmt.SEALED_HEAD_SIZE + fmt.SEALED_BLOCK_HEAD_SIZE
                        + fmt.BLOCK_SIZE + fmt.TAG_SIZE + fmt.SEALED_BLOCK_HEAD_SIZE)
        with open(archive_path, "r+b") as f:
            f.seek(second_block + 1000)
            byte = f.read(1)
            f.seek(-1, os.SEEK_CUR)
            f.write(bytes([byte[0] ^ 0x01]))

        listing = subprocess.run([sys.executable, fmt.__file__, "list", archive_path, "--password-env", "QVL_PASSWORD"],
                                 env=dict(os.environ, QVL_PASSWORD=PASSWORD), capture_output=True, text=True)
        self.assertEqual(listing.returncode, 3, listing.stderr)
        damaged = [line for line in listing.stdout.splitlines() if "DAMAGED" in line]
        self.assertEqual(len(damaged), 1, listing.stdout)
        self.assertIn("big.bin", damaged[0])

        target = self.path("restored-tampered")
        os.mkdir(target)
        run = qvl("restore", archive_path, f"--profile={target}", "-q", password=PASSWORD)
        self.assertEqual(run.returncode, 3, run.stdout + run.stderr)
        self.assertIn("big.bin", run.stdout + run.stderr)
        expected = {k: v for k, v in self.favorites.items() if k[1] != "big.bin"}
        self.assertEqual(favorites_on_disk(target), expected)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    QVL = sys.argv[1]
    SHARED_DATA = sys.argv[2] if len(sys.argv) > 2 else None
    unittest.main(argv=sys.argv[:1], verbosity=2)
