"""The main window's design, written out independently of the program's own tables, and the
checks that compare a running window with a design at a given DPI."""

from harness import mul_div

CLIENT_TWIPS = (6720, 1725)

# name: (class, caption or text at creation, left, top, width, height), in twips.
CONTROLS = {
    "Command3": ("Button", "Launch Fly!", 5820, 120, 765, 675),
    "Command2": ("Button", "Help / About", 270, 900, 705, 675),
    "Text1": ("Edit", None, 1710, 480, 3135, 285),  # start-up replaces its text
    "Command1": ("Button", "Get METAR", 5040, 120, 765, 675),
    "lblStatus": ("Static", None, 1740, 180, 3150, 240),  # Timer2 rewrites it
    "Label1(1)": ("Static", "Status", 60, 180, 1425, 225),
    "Label1(0)": ("Static", "FLY! METAR Path", 120, 510, 1425, 225),
}
TAB_ORDER = ["Text1", "Command1", "Command2", "Command3"]

BS_TYPEMASK = 0x0F
BS_PUSHBUTTON = 0x00
BS_MULTILINE = 0x2000
SS_TYPEMASK = 0x1F
SS_LEFT = 0x00
SS_RIGHT = 0x02
SS_NOPREFIX = 0x80
ES_MULTILINE = 0x04
ES_AUTOHSCROLL = 0x80
ES_READONLY = 0x800
WS_BORDER = 0x00800000


def pixels(twips, dpi):
    return mul_div(twips, dpi, 1440)


def expected_rect(name, dpi, design=CONTROLS):
    _, _, left, top, width, height = design[name]
    return [pixels(value, dpi) for value in (left, top, width, height)]


class LayoutChecks:
    """Mixed into a TestCase that sets `window` and `controls` (driver results) and `dpi`. The
    design is the main window's unless the class names another."""

    tolerance = 0  # pixels
    client_twips = CLIENT_TWIPS
    design = CONTROLS

    def control(self, name):
        return next(c for c in self.controls if c["name"] == name)

    def assertClose(self, actual, expected, message):
        for a, e in zip(actual, expected):
            self.assertLessEqual(abs(a - e), self.tolerance, f"{message}: {actual} != {expected}")

    def test_client_area(self):
        self.assertEqual(self.window["dpi"], self.dpi)
        self.assertClose(self.window["client"],
                         [pixels(t, self.dpi) for t in self.client_twips], "client area")

    def test_every_control_where_the_design_puts_it(self):
        self.assertEqual(sorted(c["name"] for c in self.controls), sorted(self.design))
        for name in self.design:
            with self.subTest(name):
                self.assertClose(self.control(name)["rect"],
                                 expected_rect(name, self.dpi, self.design), name)
                self.assertEqual(self.control(name)["class"].lower(),
                                 self.design[name][0].lower())
                self.assertTrue(self.control(name)["visible"])
