"""The release zip of scripts/package: what a user unpacks to install by hand.
   zip_test.py BUILD_ROOT SOURCE_TREE    (BUILD_ROOT holds dist/, win64/ and win32/)"""
import glob
import os
import struct
import sys
import unittest
import zipfile

BUILD_ROOT, TOP = sys.argv[1], sys.argv[2]
DIST = os.path.join(BUILD_ROOT, "dist")

# PE machine numbers
AMD64, I386 = 0x8664, 0x14C


def read(path):
    with open(path, "rb") as f:
        return f.read()


def pe_machine(image):
    offset = struct.unpack_from("<I", image, 0x3C)[0]
    if image[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", image, offset + 4)[0]


def windows_text(path):
    return b"\xef\xbb\xbf" + read(path).replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


class ZipTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.zips = sorted(glob.glob(os.path.join(DIST, "Flickvane-*.zip")))
        cls.installers = sorted(glob.glob(os.path.join(DIST, "Flickvane-*-setup.exe")))
        if len(cls.zips) != 1:
            raise AssertionError("expected one zip in %s (scripts/package builds it): %s" % (DIST, cls.zips))
        with zipfile.ZipFile(cls.zips[0]) as z:
            cls.entries = {name: z.read(name) for name in z.namelist()}

    def test_zip_and_installer_carry_the_same_version(self):
        self.assertEqual(len(self.installers), 1, self.installers)
        zip_version = os.path.basename(self.zips[0])[len("Flickvane-"):-len(".zip")]
        setup_version = os.path.basename(self.installers[0])[len("Flickvane-"):-len("-setup.exe")]
        self.assertRegex(zip_version, r"^\d+\.\d+\.\d+\.\d+$")
        self.assertEqual(zip_version, setup_version)

    def test_holds_both_savers_the_readme_and_the_licence(self):
        self.assertEqual(sorted(self.entries),
                         ["LICENSE.txt", "README.txt", "x64/Flickvane.scr", "x86/Flickvane.scr"])

    def test_each_saver_is_the_build_for_its_processor(self):
        x64, x86 = self.entries["x64/Flickvane.scr"], self.entries["x86/Flickvane.scr"]
        self.assertEqual(x64, read(os.path.join(BUILD_ROOT, "win64", "Flickvane.scr")))
        self.assertEqual(x86, read(os.path.join(BUILD_ROOT, "win32", "Flickvane.scr")))
        self.assertEqual(pe_machine(x64), AMD64)
        self.assertEqual(pe_machine(x86), I386)

    def test_texts_are_the_tree_s_with_windows_line_ends(self):
        self.assertEqual(self.entries["README.txt"], windows_text(os.path.join(TOP, "README.md")))
        licence = self.entries["LICENSE.txt"]
        self.assertEqual(licence, windows_text(os.path.join(TOP, "LICENSE")))
        self.assertTrue(licence.startswith(b"\xef\xbb\xbfMIT License\r\n"))
        self.assertNotIn(b"\n", licence.replace(b"\r\n", b""))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
