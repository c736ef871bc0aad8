"""Options of nimbrel.exe: --help and --version answer in a message box, a wrong option is
reported in one; none of them opens the main window. A quoted folder holding the word --once
does. --once as Windows users type it ends by itself, with no box."""

import time

import harness
from harness import ProgramTest

BOX = "dialog=" + harness.PROGRAM_TITLE


class MessageBoxAnswers(ProgramTest):
    def answer(self, *arguments):
        """The box's text and icon; then OK is clicked. Returns them with the exit code."""
        self.session.start(*arguments)
        _, text, icon, main = self.session.drive(
            ["wait", BOX, "visible", 30000],
            ["text", BOX, harness.MESSAGE_BOX_TEXT_ID],
            ["colours", BOX, harness.MESSAGE_BOX_ICON_ID],
            ["wait", "main", "gone", 0])
        self.session.drive(["click", BOX, harness.MESSAGE_BOX_OK_ID])
        return text["text"], harness.message_box_icon(icon["colours"]), self.session.wait_for_exit(10)

    def test_help(self):
        text, icon, exit_code = self.answer("--help")
        self.assertIn("CurrentMETAR.txt and PreviousMETAR.txt", text)
        for option in ("--server URL", "--layout current", "--layout classic", "--version",
                       "--help"):
            self.assertIn(option, text)
        self.assertEqual(icon, "information")
        self.assertEqual(exit_code, 0)

    def test_each_answer_in_its_box(self):
        cases = ((("--version",), "Nimbrel " + harness.project_version(), "information", 0),
                 (("--bogus",), "Unknown option: --bogus.", "error", 2),
                 (("--server", "ftp://example.invalid"), "--server needs an address", "error", 2))
        for arguments, text, icon, exit_code in cases:
            with self.subTest(arguments=arguments):
                shown, shown_icon, code = self.answer(*arguments)
                self.assertIn(text, shown)
                self.assertEqual((shown_icon, code), (icon, exit_code))
                self.session.stop()


class OnceAsTyped(ProgramTest):
    def end_or_box(self, timeout=60):
        """The exit code once the program has ended, or "box" once it shows a message box."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            code = self.session.wait_for_exit(0.5)
            if code is not None:
                return code
            try:
                self.session.drive(["wait", BOX, "visible", 0])
                return "box"
            except harness.DriverError:
                pass
        return None

    def test_once_in_any_case_or_after_a_slash_ends_by_itself(self):
        # A box here would hold a scheduled task until somebody clicks it.
        for spelling in ("--Once", "/once"):
            with self.subTest(spelling=spelling):
                self.session.start(spelling, "--version")
                self.assertEqual(self.end_or_box(), 0)
                self.session.stop()


class QuotedFolder(ProgramTest):
    def test_a_quoted_folder_holding_the_word_once_opens_the_window(self):
        # The quotes close as they should, so --once is part of the folder: no windowless run.
        # The server refuses at once, should an update start anyway.
        self.session.start("--server", "http://127.0.0.1:9", "--folder", "C:\\Wx --once")
        _, text1 = self.session.drive(["wait", "main", "visible", 30000],
                                      ["text", "main", "Text1"])
        self.assertEqual(text1["text"], "C:\\Wx --once\\")


if __name__ == "__main__":
    harness.main()
