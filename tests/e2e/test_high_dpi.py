"""The windows at 144 DPI: everything laid out in twips grows by half, give or take a pixel of
rounding."""

import unittest

import harness
import layout

DPI = 144
STATUS_BLUE = "0000c0"


class MainWindowAt144Dpi(layout.LayoutChecks, unittest.TestCase):
    dpi = DPI
    tolerance = 1

    @classmethod
    def setUpClass(cls):
        cls.session = harness.SESSION
        cls.session.delete_simulator_key()
        cls.addClassCleanup(cls.session.set_dpi, 96)
        cls.session.set_dpi(DPI)
        cls.addClassCleanup(cls.session.stop)
        cls.session.start()
        results = cls.session.drive(
            ["wait", "splash", "visible", 30000],
            ["window", "splash"],
            ["wait", "main", "visible", 30000],
            ["sleep", 400],
            ["window", "main"],
            ["controls", "main"],
            ["colours", "main", "lblStatus"])
        _, cls.splash, _, _, cls.window, controls, cls.status_colours = results
        cls.controls = controls["controls"]
        cls.session.screenshot("main_144dpi.png", cls.window["bounds"])

    def test_the_system_reports_the_dpi(self):
        self.assertEqual(self.window["system_dpi"], DPI)

    def test_splash_grows_too(self):
        self.assertEqual(self.splash["dpi"], DPI)
        self.assertClose(self.splash["client"],
                         [layout.pixels(6600, DPI), layout.pixels(4950, DPI)], "splash")

    def test_status_line_is_still_blue(self):
        self.assertGreaterEqual(self.status_colours["colours"].get(STATUS_BLUE, 0), 20)


if __name__ == "__main__":
    harness.main()
