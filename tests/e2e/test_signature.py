"""The signature of SETUP.EXE on the staged media: osslsigncode verifies it
(the build's test certificate trusted as its own authority; empty
E2E_SIGN_CAFILE: a release certificate, the system's authorities), and one
changed byte of what it covers breaks it. Needs no Wine."""

import os
import struct
import subprocess
import tempfile
import unittest

from harness import BUILD_DIR

CAFILE = os.environ.get("E2E_SIGN_CAFILE", os.path.join(BUILD_DIR, "signing", "test-cert.pem"))


class Signature(unittest.TestCase):
    def test_the_media_program_verifies_and_a_changed_byte_does_not(self):
        data = open(os.path.join(BUILD_DIR, "media", "SETUP.EXE"), "rb").read()
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        optional = 96 if struct.unpack_from("<H", data, pe + 24)[0] == 0x10B else 112  # PE32 or PE32+
        signature = struct.unpack_from("<I", data, pe + 24 + optional + 4 * 8)[0]  # certificate table
        rows = [(None, True), (0x4E, False), (pe + 8, False), (signature // 2, False), (signature - 1, False),
                (pe + 24 + 64, True)]  # (offset of the changed byte, still verifies): the PE checksum is not signed
        for offset, verifies in rows:
            with self.subTest(offset=offset), tempfile.NamedTemporaryFile(dir=BUILD_DIR, suffix=".EXE") as copy:
                copy.write(data if offset is None else data[:offset] + bytes([data[offset] ^ 1]) + data[offset + 1:])
                copy.flush()
                trust = ["-CAfile", CAFILE] if CAFILE else []
                result = subprocess.run(["osslsigncode", "verify", "-in", copy.name] + trust, stdin=subprocess.DEVNULL,
                                        capture_output=True, timeout=60, check=False)
                self.assertTrue(signature and verifies == (result.returncode == 0), result.stdout.decode("utf-8", "replace"))


if __name__ == "__main__":
    unittest.main()
