"""The main window at 96 DPI: its frame, controls, texts, keyboard order, and the picture and
colours on screen."""

import socket
import time
import unittest

import harness
import layout
import noaa_fixture
from harness import ProgramTest
from pixels import differing_pixels, file_pixels, screen_pixels

BACKGROUND = "main_background.png"
STATUS_BLUE = "0000c0"  # 0xC00000 as 0x00BBGGRR, read back as RRGGBB
BLACK = "000000"


def picture_colours(rect):
    """How often each colour occurs in `rect` ([left, top, width, height]) of the background."""
    _, _, rows = file_pixels(BACKGROUND)
    left, top, width, height = rect
    counts = {}
    for row in rows[top:top + height]:
        for r, g, b in row[left:left + width]:
            key = f"{r:02x}{g:02x}{b:02x}"
            counts[key] = counts.get(key, 0) + 1
    return counts


class MainWindowAt96Dpi(layout.LayoutChecks, unittest.TestCase):
    dpi = 96

    @classmethod
    def setUpClass(cls):
        cls.session = harness.SESSION
        cls.session.delete_simulator_key()
        cls.addClassCleanup(cls.session.stop)
        cls.session.start()
        cls.session.drive(["wait", "main", "visible", 30000])
        # A tick of Timer2 puts StatusText on the line.
        status = noaa_fixture.status_watch(cls.session, 5000, "blue", "Waiting")
        assert status["reached"], status["samples"]
        results = cls.session.drive(
            ["window", "main"],
            ["controls", "main"],
            ["focus", "main"],
            ["limit", "main", "Text1"],
            ["colours", "main", "lblStatus"],
            ["colours", "main", "Label1(0)"],
            ["colours", "main", "Label1(1)"])
        (cls.window, controls, cls.focus, cls.limit, cls.status_colours,
         cls.path_caption_colours, cls.status_caption_colours) = results
        cls.controls = controls["controls"]
        cls.session.screenshot("main_96dpi.png", cls.window["bounds"])

    def test_fixed_single_border_with_minimise_and_close_only(self):
        self.assertEqual(self.window["title"], harness.MAIN_CAPTION)
        self.assertTrue(self.window["caption"])
        self.assertTrue(self.window["sysmenu"])
        self.assertTrue(self.window["minimizebox"])
        self.assertFalse(self.window["thickframe"])
        self.assertFalse(self.window["maximizebox"])
        self.assertTrue(self.window["controlparent"])

    def test_captions_and_texts(self):
        for name, (_, text, *_) in layout.CONTROLS.items():
            if text is not None:
                self.assertEqual(self.control(name)["text"], text, name)
        # Start-up replaced the design's "E:\FLY\METAR\"; there is no simulator key here.
        self.assertEqual(self.control("Text1")["text"], "\\METAR\\")
        self.assertRegex(self.control("lblStatus")["text"], r"^Waiting\.{1,10}$")

    def test_buttons_are_plain_push_buttons_whose_captions_wrap(self):
        for name in ("Command1", "Command2", "Command3"):
            style = self.control(name)["style"]
            self.assertEqual(style & layout.BS_TYPEMASK, layout.BS_PUSHBUTTON, name)
            self.assertTrue(style & layout.BS_MULTILINE, name)

    def test_labels_take_no_focus_show_ampersands_and_align_as_designed(self):
        alignments = {"lblStatus": layout.SS_LEFT, "Label1(0)": layout.SS_RIGHT,
                      "Label1(1)": layout.SS_RIGHT}
        for name, alignment in alignments.items():
            control = self.control(name)
            self.assertEqual(control["style"] & layout.SS_TYPEMASK, alignment, name)
            self.assertTrue(control["style"] & layout.SS_NOPREFIX, name)
            self.assertFalse(control["style"] & layout.WS_BORDER, name)
            self.assertFalse(control["tabstop"], name)

    def test_text_box_is_one_editable_scrolling_line_without_a_limit(self):
        style = self.control("Text1")["style"]
        self.assertFalse(style & layout.ES_MULTILINE)
        self.assertFalse(style & layout.ES_READONLY)
        self.assertTrue(style & layout.ES_AUTOHSCROLL)
        self.assertEqual(self.limit["limit"], 0x7FFFFFFE)

    def test_tab_order(self):
        self.assertEqual([c["name"] for c in self.controls if c["tabstop"]], layout.TAB_ORDER)

    def test_focus_starts_in_text1(self):
        self.assertTrue(self.focus["active"])
        self.assertEqual(self.focus["name"], "Text1")

    def test_status_line_is_blue_over_the_picture(self):
        self.assertGreaterEqual(self.status_colours["colours"].get(STATUS_BLUE, 0), 20,
                                self.status_colours)
        self.assertShowsPicture("lblStatus", self.status_colours["colours"])

    def test_caption_labels_are_black_over_the_picture(self):
        for name, colours in (("Label1(0)", self.path_caption_colours["colours"]),
                              ("Label1(1)", self.status_caption_colours["colours"])):
            self.assertGreaterEqual(colours.get(BLACK, 0), 10, name)
            self.assertShowsPicture(name, colours)

    def test_the_picture_shows_pixel_for_pixel_around_the_controls(self):
        width, height, expected = file_pixels(BACKGROUND)
        # The picture is a little wider than the window, which cuts it off on the right.
        width, height = min(width, self.window["client"][0]), min(height, self.window["client"][1])
        origin = self.window["client_origin"]
        _, _, shown = screen_pixels(origin[0], origin[1], width, height)
        covered = [control["rect"] for control in self.controls if control["visible"]]
        self.assertEqual(differing_pixels(shown, expected, covered)[:10], [])

    def assertShowsPicture(self, name, screen_colours):
        """Around the text, the label lets the window's picture show through unscaled."""
        picture = picture_colours(self.control(name)["rect"])
        total = sum(screen_colours.values())
        from_picture = sum(n for rgb, n in screen_colours.items() if rgb in picture)
        self.assertGreater(from_picture / total, 0.6, f"{name}: {screen_colours}")


def focus_after_tabs(session, count, expected):
    """Presses Tab `count` times and returns the name of the control with the focus once it is
    `expected`, or when the time is up. Keys are posted and handled in order, so the focus says
    when the keys before them have been handled too."""
    session.drive(*[["key", "main", "tab"]] * count)
    return session.read_until(["focus", "main"], lambda f: f["name"] == expected)["name"]


class Keyboard(ProgramTest):
    def start(self):
        self.session.start()
        self.session.drive(["wait", "main", "visible", 30000])

    def assertFocusAfterTabs(self, count, name):
        self.assertEqual(focus_after_tabs(self.session, count, name), name)

    def test_tab_moves_through_the_text_box_and_buttons_and_round_again(self):
        self.start()
        for name in ("Command1", "Command2", "Command3", "Text1"):
            self.assertFocusAfterTabs(1, name)

    def test_space_clicks_the_focused_button(self):
        self.start()
        self.assertFocusAfterTabs(3, "Command3")
        # Launch Fly! without a simulator key says so in a box of its own.
        box = "dialog=Launch Fly!"
        _, _, text = self.session.drive(["key", "main", "space"], ["wait", box, "visible", 10000],
                                        ["text", box, harness.MESSAGE_BOX_TEXT_ID])
        self.assertIn("could not be found", text["text"])
        self.session.drive(["click", box, harness.MESSAGE_BOX_OK_ID], ["wait", box, "gone", 5000])

    def test_enter_and_escape_in_the_text_box_do_nothing(self):
        self.start()
        self.session.drive(["key", "main", "return"], ["key", "main", "escape"])
        # Keys are handled in order: once the Tab after them has moved on from the text box,
        # they have been handled there.
        self.assertFocusAfterTabs(1, "Command1")
        window, text1 = self.session.drive(["window", "main"], ["text", "main", "Text1"])
        self.assertTrue(window["visible"])
        self.assertEqual(text1["text"], "\\METAR\\")


class StatusLine(ProgramTest):
    def test_fewer_dots_leave_no_trace_of_the_longer_line(self):
        """The label paints no background: without the window repainting under it, the dots of
        a longer line would stay on screen when a shorter one replaces it."""
        self.session.start()
        self.session.drive(["wait", "main", "visible", 30000])
        status = noaa_fixture.status_watch(self.session, 5000, "blue", "Waiting")
        self.assertTrue(status["reached"], status["samples"])
        blue_by_dots = {}
        deadline = time.monotonic() + 10
        while len(blue_by_dots) < 4 and time.monotonic() < deadline:
            before, colours, after = self.session.drive(["text", "main", "lblStatus"],
                                                        ["colours", "main", "lblStatus"],
                                                        ["text", "main", "lblStatus"])
            if before["text"] == after["text"]:  # no tick in between
                dots = len(after["text"]) - len(after["text"].rstrip("."))
                blue_by_dots.setdefault(dots, set()).add(colours["colours"].get(STATUS_BLUE, 0))
            time.sleep(0.13)
        self.assertGreaterEqual(len(blue_by_dots), 4, blue_by_dots)
        # The same line always looks the same, and every further dot adds blue.
        for counts in blue_by_dots.values():
            self.assertEqual(len(counts), 1, blue_by_dots)
        blue = [min(blue_by_dots[dots]) for dots in sorted(blue_by_dots)]
        self.assertTrue(all(a < b for a, b in zip(blue, blue[1:])), blue_by_dots)


class StatusTooltip(ProgramTest):
    def test_a_message_too_long_for_the_line_shows_whole_in_the_tooltip(self):
        # Bound and never listening, this port refuses: the update fails at once with a long
        # message in red.
        refusing = socket.socket()
        self.addCleanup(refusing.close)
        refusing.bind(("127.0.0.1", 0))
        port = refusing.getsockname()[1]
        self.session.set_target_dir("C:\\Fly!", "32")  # a report folder, or nothing is asked
        self.session.start("--server", f"http://127.0.0.1:{port}")
        self.session.drive(["wait", "main", "visible", 30000])
        watched = noaa_fixture.status_watch(self.session, 20000, "red", f"127.0.0.1:{port}",
                                            click_first=True)
        self.assertTrue(watched["reached"], noaa_fixture.steps(watched["samples"]))
        shown = watched["samples"][-1]["text"]

        *_, tip = self.session.drive(["hover", "main", "Text1"],
                                     ["tooltip", "main", "hidden", 10000],
                                     ["hover", "main", "lblStatus"],
                                     ["tooltip", "main", "visible", 10000])
        self.assertTrue(tip["visible"])
        # The whole message first, then every other reason: here, the listing that failed too.
        first, *others = tip["text"].split("\r\n")
        self.assertEqual(first.rstrip("."), shown)
        self.assertEqual(others, ["folder listing not available"])
        # Long messages wrap at the width of the window rather than run off the screen.
        self.assertEqual(tip["max_width"], 448)


class FixedSize(ProgramTest):
    def test_maximising_leaves_the_size_alone(self):
        self.session.start()
        _, before, _ = self.session.drive(["wait", "main", "visible", 30000], ["window", "main"],
                                          ["maximize", "main"])
        # Posted messages are handled in order: the Tab after the maximise comes once it is done.
        self.assertEqual(focus_after_tabs(self.session, 1, "Command1"), "Command1")
        after = self.session.drive(["window", "main"])[0]
        self.assertFalse(after["zoomed"])
        self.assertEqual(after["client"], before["client"])
        self.assertEqual(after["bounds"], before["bounds"])


if __name__ == "__main__":
    harness.main()
