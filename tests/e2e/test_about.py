"""The About box: "Help / About" opens it modally over the main window, laid out as designed, with
its pictures, texts and keys; its link opens the maker's page through the shell, which a stand-in
for the web browser records."""

import os
import shutil
import unittest

import harness
import layout
from harness import centred, wait_for_starts
from pixels import file_pixels, screen_pixels
HTTP_KEY = r"HKCR\http"
HTTP_COMMAND_KEY = HTTP_KEY + r"\shell\open\command"
BROWSER = r"C:\Nimbrel Test Browser\browser.exe"

CAPTION = "About Nimbrel"
CLIENT_TWIPS = (8085, 6630)
LABEL2_TEXTS = [
    "Nimbrel is brought to you by CORVANE SOFTWARE",
    "Nimbrel's purpose is to automatically retreive METAR data from the NOAA web site for use "
    "with Terminal Reality's Fly! flight simulation product.  A connection to the Internet is "
    "required for successful use of Nimbrel.   Nimbrel will likely NOT  work with proxy servers.  "
    "The METAR data provided through Nimbrel belongs in the public domain--Nimbrel the program "
    "DOES NOT.",
    "The NOAA does NOT endorse the use of its Internet-based data as a primary tool for real-life "
    "flight planning due to its inability to guarantee information delivery.  DO NOT USE THE DATA "
    "PROVIDED THROUGH THIS PROGRAM FOR REAL-WORLD FLIGHT PLANNING.",
    "", "", "", "",
    "Happy FLYing!",
]
LABEL2_PLACES = [(630, 255), (1200, 1185), (2460, 1005), (3570, 465), (4050, 465), (4530, 585),
                 (5220, 585), (6000, 255)]

# name: (class, text, left, top, width, height), in twips. Label3's text is the maker's address.
CONTROLS = {
    "Command1": ("Button", "&Ok", 6480, 5850, 1065, 435),
    "Picture1(0)": ("Static", "", 210, 330, 2400, 2415),
    "Picture1(1)": ("Static", "", 120, 5250, 1155, 1125),
    "Picture1(2)": ("Static", "", 1350, 5250, 1125, 1125),
    "Label1": ("Static", CAPTION, 2790, 240, 4005, 255),
    "Label3": ("Static", None, 4290, 930, 2205, 195),
    **{f"Label2({i})": ("Static", text, 2790, top, 5000, height)
       for i, (text, (top, height)) in enumerate(zip(LABEL2_TEXTS, LABEL2_PLACES))},
}
TAB_ORDER = ["Command1", "Picture1(0)", "Picture1(1)", "Picture1(2)"]
PICTURES = {"Picture1(0)": "about_logo.jpg", "Picture1(1)": "about_cloud.gif",
            "Picture1(2)": "about_sun.bmp"}

SS_TYPEMASK = 0x1F
SS_LEFT = 0x00
SS_CENTER = 0x01
SS_NOPREFIX = 0x80
SS_NOTIFY = 0x100
STARTF_USESHOWWINDOW = 0x1
SW_SHOWNORMAL = 1
WHITE = (255, 255, 255)


def is_blue(rgb):
    r, g, b = rgb
    return b >= 160 and r <= 90 and g <= 90


def tearDownModule():
    harness.SESSION.stop()


class AboutTest(unittest.TestCase):
    """One nimbrel.exe serves the tests for as long as the display stays as it is; each test
    opens the box itself, and it is closed again whatever the test did."""

    @classmethod
    def setUpClass(cls):
        cls.session = harness.SESSION
        if not cls.session.program_pids():
            cls.session.delete_simulator_key()
            cls.session.start()
            # From the next tick of Timer2 on, the status line shows what start-up left there.
            cls.session.drive(["wait", "main", "visible", 30000])
            cls.session.read_until(["text", "main", "lblStatus"],
                                   lambda status: status["text"].startswith("Waiting"))

    def setUp(self):
        self.addCleanup(self.close_if_open)

    def open(self):
        _, _, about = self.session.drive(["click", "main", "Command2"],
                                         ["wait", "about", "visible", 10000],
                                         ["window", "about"])
        return about

    def is_open(self):
        return any(w["title"] == CAPTION for w in self.windows())

    def windows(self):
        return self.session.drive(["windows", "main"])[0]["windows"]

    def close_if_open(self):
        if self.is_open():
            self.session.drive(["close", "about"], ["wait", "about", "gone", 5000])

    def assertFocusAfter(self, expected, *keys):
        """The keys, in turn, bring the focus to the control named `expected`."""
        self.session.drive(*[["key", "about", key] for key in keys])
        focus = self.session.read_until(["focus", "about"], lambda f: f["name"] == expected)
        self.assertEqual(focus["name"], expected)

    def assertStaysOpen(self, focus_after_a_tab):
        """A tab posted after what came before still moves the box's focus: the box took that
        input and stayed."""
        self.assertFocusAfter(focus_after_a_tab, "tab")
        self.assertTrue(self.is_open(), "the About box has closed")

    def assertClosedAndMainWindowBack(self):
        _, main, focus = self.session.drive(["wait", "about", "gone", 5000], ["window", "main"],
                                            ["focus", "main"])
        self.assertTrue(main["enabled"], "the main window is still disabled")
        self.assertTrue(focus["active"], "the main window has not been activated again")
        self.assertEqual(focus["name"], "Command2")


class OpenBoxLayout(layout.LayoutChecks):
    """Mixed into an AboutTest: the box is opened once and stays open for every test."""

    client_twips = CLIENT_TWIPS
    design = CONTROLS

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        _, _, cls.window, controls, cls.main = cls.session.drive(
            ["click", "main", "Command2"], ["wait", "about", "visible", 10000],
            ["window", "about"], ["controls", "about"], ["window", "main"])
        cls.controls = controls["controls"]
        cls.session.screenshot(f"about_{cls.dpi}dpi.png", cls.window["bounds"])
        cls.addClassCleanup(cls.session.drive, ["close", "about"], ["wait", "about", "gone", 5000])

    def setUp(self):
        pass

    def test_pictures_fill_their_boxes(self):
        origin = self.window["client_origin"]
        for name in PICTURES:
            left, top, width, height = self.control(name)["rect"]
            _, _, rows = screen_pixels(origin[0] + left, origin[1] + top, width, height)
            corners = [rows[0][0], rows[0][-1], rows[-1][0], rows[-1][-1]]
            self.assertNotIn(WHITE, corners, name)


class LayoutAt144Dpi(OpenBoxLayout, AboutTest):
    dpi = 144
    tolerance = 1

    @classmethod
    def setUpClass(cls):
        # Wine takes the new DPI at its next start, and so does the program.
        harness.SESSION.stop()
        harness.SESSION.set_dpi(cls.dpi)
        cls.addClassCleanup(harness.SESSION.set_dpi, 96)
        cls.addClassCleanup(harness.SESSION.stop)
        super().setUpClass()

    def test_the_window_reports_the_dpi(self):
        self.assertEqual(self.window["dpi"], self.dpi)


class LayoutAt96Dpi(OpenBoxLayout, AboutTest):
    dpi = 96

    def test_window_as_designed_and_centred_over_a_disabled_main_window(self):
        self.assertEqual(self.window["title"], CAPTION)
        self.assertTrue(self.window["caption"])
        self.assertTrue(self.window["sysmenu"])
        self.assertFalse(self.window["thickframe"])
        self.assertFalse(self.window["minimizebox"])
        self.assertFalse(self.window["maximizebox"])
        self.assertTrue(self.window["owned"], "the box stays in front of the main window")
        self.assertTrue(centred(self.window["bounds"], self.window["screen"]), self.window)
        self.assertFalse(self.main["enabled"])

    def test_texts(self):
        for name, (_, text, *_) in CONTROLS.items():
            if text is not None:
                self.assertEqual(self.control(name)["text"], text, name)
        address = self.control("Label3")["text"]
        self.assertRegex(address, r"^http://[a-z0-9-]+(\.[a-z0-9-]+)+$")

    def test_labels_wrap_at_words_take_no_focus_and_show_ampersands(self):
        for name in ["Label1", "Label3", *(f"Label2({i})" for i in range(8))]:
            style = self.control(name)["style"]
            expected = SS_CENTER if name == "Label3" else SS_LEFT
            self.assertEqual(style & SS_TYPEMASK, expected, name)
            self.assertTrue(style & SS_NOPREFIX, name)
            self.assertFalse(self.control(name)["tabstop"], name)
        self.assertTrue(self.control("Label3")["style"] & SS_NOTIFY, "the link hears clicks")

    def test_tab_order(self):
        self.assertEqual([c["name"] for c in self.controls if c["tabstop"]], TAB_ORDER)

    def test_pictures_show_their_files_at_their_own_size(self):
        origin = self.window["client_origin"]
        for name, file in PICTURES.items():
            with self.subTest(name):
                width, height, expected = file_pixels(file)
                left, top, box_width, box_height = self.control(name)["rect"]
                self.assertEqual([box_width, box_height], [width, height])
                _, _, shown = screen_pixels(origin[0] + left, origin[1] + top, width, height)
                differences = [abs(a - b) for row_s, row_e in zip(shown, expected)
                               for p, q in zip(row_s, row_e) for a, b in zip(p, q)]
                if file.endswith(".jpg"):
                    # Two JPEG decoders may round a little differently.
                    self.assertLessEqual(max(differences), 4)
                    self.assertLess(sum(differences) / len(differences), 1)
                else:
                    self.assertEqual(max(differences), 0)

    def test_link_is_blue_underlined_centred_and_whole(self):
        origin = self.window["client_origin"]
        left, top, width, height = self.control("Label3")["rect"]
        _, _, rows = screen_pixels(origin[0] + left, origin[1] + top, width, height)
        blue = [(x, y) for y, row in enumerate(rows) for x, rgb in enumerate(row) if is_blue(rgb)]
        self.assertGreater(len(blue), 50, "no blue text")
        xs = [x for x, _ in blue]
        first, last = min(xs), max(xs)
        self.assertGreater(first, 0, "the address is cut off on the left")
        self.assertLess(last, width - 1, "the address is cut off on the right")
        self.assertLessEqual(abs((first + last) / 2 - (width - 1) / 2), 2, "not centred")
        longest_row = max(sum(1 for rgb in row if is_blue(rgb)) for row in rows)
        self.assertGreaterEqual(longest_row, 0.9 * (last - first + 1), "no underline")

    def test_labels_let_the_white_background_show(self):
        origin = self.window["client_origin"]
        for name in ("Label1", "Label2(1)", "Label2(4)"):
            left, top, width, height = self.control(name)["rect"]
            _, _, rows = screen_pixels(origin[0] + left, origin[1] + top, width, height)
            colours = [rgb for row in rows for rgb in row]
            white = sum(1 for rgb in colours if rgb == WHITE)
            self.assertGreater(white / len(colours), 0.5, name)
            if self.control(name)["text"]:
                self.assertTrue(any(max(rgb) < 80 for rgb in colours), f"{name}: no dark text")


class Modality(AboutTest):
    def test_ok_closes_the_box_and_gives_the_main_window_back(self):
        about = self.open()
        main, focus = self.session.drive(["window", "main"], ["focus", "about"])
        self.assertFalse(main["enabled"])
        self.assertTrue(focus["active"])
        self.assertEqual(focus["name"], "Command1")
        self.assertTrue(centred(about["bounds"], about["screen"]), about)
        self.session.drive(["click", "about", "Command1"])
        self.assertClosedAndMainWindowBack()

    def test_the_close_button_closes_it_too(self):
        self.open()
        self.session.drive(["close", "about"])
        self.assertClosedAndMainWindowBack()

    def test_each_show_loads_a_new_box(self):
        self.open()
        self.assertFocusAfter("Picture1(0)", "tab")
        self.session.drive(["close", "about"], ["wait", "about", "gone", 5000])
        about = self.open()
        self.assertEqual(self.session.drive(["focus", "about"])[0]["name"], "Command1")
        self.assertTrue(centred(about["bounds"], about["screen"]), about)

    def test_the_status_line_goes_on_animating_behind_it(self):
        self.open()
        first = self.session.drive(["text", "main", "lblStatus"])[0]["text"]
        later = self.session.read_until(["text", "main", "lblStatus"], lambda t: t["text"] != first)
        texts = {first, later["text"]}
        self.assertTrue(self.is_open())
        self.assertGreater(len(texts), 1, texts)
        self.assertEqual({text.rstrip(".") for text in texts}, {"Waiting"})


class Keyboard(AboutTest):
    def test_tab_visits_ok_and_the_three_pictures_in_turn(self):
        self.open()
        self.assertFocusAfter("Picture1(0)", "tab")
        self.assertFocusAfter("Picture1(1)", "tab")
        self.assertFocusAfter("Picture1(2)", "tab")
        self.assertFocusAfter("Command1", "tab")

    def test_escape_does_not_close_it(self):
        self.open()
        self.session.drive(["key", "about", "escape"])
        self.assertStaysOpen("Picture1(0)")
        self.assertFocusAfter("Picture1(1)", "tab", "escape")
        self.assertStaysOpen("Picture1(2)")

    def test_enter_on_ok_closes_it(self):
        self.open()
        self.session.drive(["key", "about", "return"])
        self.assertClosedAndMainWindowBack()

    def test_enter_on_a_picture_does_not(self):
        self.open()
        self.assertFocusAfter("Picture1(0)", "tab", "return")
        self.assertStaysOpen("Picture1(1)")

    def test_alt_o_clicks_ok_wherever_the_focus_is(self):
        self.open()
        self.assertFocusAfter("Picture1(1)", "tab", "tab")
        self.session.drive(["key", "about", "alt+o"])
        self.assertClosedAndMainWindowBack()


class Link(AboutTest):
    """The shell opens http addresses with the program registered for them; a stand-in for the
    web browser takes that place here, so nothing leaves this machine."""

    def setUp(self):
        super().setUp()
        saved = self.session.windows_path(os.path.join(self.session.output, "http_class.reg"))
        self.session.wine("reg", "export", HTTP_KEY, saved, "/y")
        self.addCleanup(self.session.wine, "reg", "import", saved)
        self.addCleanup(self.session.wine, "reg", "delete", HTTP_KEY, "/f", check=False)
        self.addCleanup(self.session.kill, "browser.exe")

    def install_browser(self):
        path = self.session.on_drive_c(BROWSER)
        os.makedirs(os.path.dirname(path))
        self.addCleanup(shutil.rmtree, os.path.dirname(path), True)
        shutil.copy(self.session.standin, path)
        self.session.wine("reg", "add", HTTP_COMMAND_KEY, "/ve", "/d", f'"{BROWSER}" "%1"', "/f")
        return path

    def test_a_click_opens_the_makers_page_each_time_and_the_box_stays(self):
        browser = self.install_browser()
        self.open()
        address = self.session.drive(["text", "about", "Label3"])[0]["text"]
        self.session.drive(["press", "about", "Label3"])
        first = wait_for_starts(browser, 1)
        self.session.drive(["press", "about", "Label3"])
        starts = wait_for_starts(browser, 2)

        self.assertEqual(len(first), 1, "the browser has not been started")
        self.assertEqual(len(starts), 2, "the second click has not opened the page again")
        for start in starts:
            self.assertTrue(start["command_line"].endswith(f'"{address}/"'), start)
            self.assertEqual(start["folder"].lower(),
                             self.session.windows_path(os.path.dirname(self.session.nimbrel))
                             .lower())
            self.assertTrue(start["flags"] & STARTF_USESHOWWINDOW, start)
            self.assertEqual(start["show"], SW_SHOWNORMAL)
        self.assertEqual([w["title"] for w in self.windows()], [CAPTION, harness.MAIN_CAPTION])

    def test_without_a_program_for_the_address_nothing_happens(self):
        self.session.wine("reg", "delete", HTTP_KEY, "/f")
        self.open()
        self.session.drive(["press", "about", "Label3"])
        self.assertStaysOpen("Picture1(0)")  # the tab went from OK, where the focus stayed
        self.assertEqual([w["title"] for w in self.windows()], [CAPTION, harness.MAIN_CAPTION])


if __name__ == "__main__":
    harness.main()
