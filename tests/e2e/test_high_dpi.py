"""The windows at 144 DPI: everything laid out in twips grows by half, give or take a pixel of
rounding."""

import unittest

import harness
import layout
import noaa_fixture

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
        cls.splash = cls.session.drive(["wait", "splash", "visible", 30000],
                                       ["window", "splash"])[1]
        cls.session.drive(["wait", "main", "visible", 30000])
        status = noaa_fixture.status_watch(cls.session, 5000, "blue", "Waiting")
        assert status["reached"], status["samples"]
        results = cls.session.drive(
            ["window", "main"],
            ["controls", "main"],
            ["colours", "main", "lblStatus"])
        cls.window, controls, cls.status_colours = results
        cls.controls = controls["controls"]
        cls.session.screenshot("main_144dpi.png", cls.window["bounds"])

    # The program's own DPI, not the one the harness gave Wine: the windows it placed at it.
    def test_the_program_centres_its_windows_at_the_dpi(self):
        for window in (self.splash, self.window):
            self.assertEqual(window["dpi"], DPI)
            self.assertTrue(harness.centred(window["bounds"], window["screen"]), window)

    def test_splash_grows_too(self):
        self.assertEqual(self.splash["dpi"], DPI)
        self.assertClose(self.splash["client"],
                         [layout.pixels(6600, DPI), layout.pixels(4950, DPI)], "splash")

    def test_status_line_is_still_blue(self):
        self.assertGreaterEqual(self.status_colours["colours"].get(STATUS_BLUE, 0), 20)


if __name__ == "__main__":
    harness.main()
