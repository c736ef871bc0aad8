"""The program file itself: its icon, manifest and version. tests/windows7 checks its imports."""

import os
import struct
import subprocess
import unittest

import harness


def windows_path(path):
    """The path through drive Z:, which a Wine prefix maps to the Linux root."""
    return "Z:" + path.replace("/", "\\")


class ProgramFile(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.nimbrel = harness.SESSION.nimbrel
        cls.resources = harness.SESSION.drive(["resources", windows_path(cls.nimbrel)])[0]

    def test_first_icon_has_32_and_16_pixel_images_in_16_colours(self):
        images = self.resources["icon_group"]["images"]
        self.assertEqual(sorted((i["width"], i["height"]) for i in images), [(16, 16), (32, 32)])
        for image in images:
            self.assertEqual((image["colours"], image["bits"]), (16, 4), image)

    def test_version(self):
        version = self.resources["version"]
        text = harness.project_version()
        self.assertEqual(version["file_version"], [*map(int, text.split(".")), 0, 0])
        self.assertEqual(version["FileVersion"], text)
        self.assertEqual(version["ProductName"], "Nimbrel")
        self.assertEqual(version["CompanyName"], "Corvane Software")

    def test_manifest_asks_for_dpi_awareness_and_common_controls_6(self):
        manifest = self.resources["manifest"]
        # Per monitor on Windows 10 and 11; system-wide before, where per monitor ("true/pm")
        # would need functions those systems lack.
        self.assertRegex(manifest, r"<dpiAwareness[^>]*>\s*PerMonitorV2")
        self.assertRegex(manifest, r"<dpiAware[^>]*>\s*true\s*<")
        self.assertRegex(manifest,
                         r'name="Microsoft\.Windows\.Common-Controls"\s+version="6\.0\.0\.0"')
        self.assertIn("supportedOS", manifest)

    def test_holds_no_link_time_and_no_build_folder(self):
        # Otherwise two builds of one commit would differ.
        with open(self.nimbrel, "rb") as f:
            data = f.read()
        pe_header = struct.unpack_from("<I", data, 0x3C)[0]
        self.assertEqual(data[pe_header:pe_header + 4], b"PE\0\0")
        self.assertEqual(struct.unpack_from("<I", data, pe_header + 8)[0], 0, "link time stamp")
        source = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))
        for folder in (source, os.path.dirname(self.nimbrel)):
            self.assertNotIn(folder.encode(), data)

    def test_is_a_windows_gui_program(self):
        dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", self.nimbrel],
                              capture_output=True, text=True, check=True).stdout
        self.assertRegex(dump, r"Subsystem\s+00000002\s+\(Windows GUI\)")


if __name__ == "__main__":
    harness.main()
