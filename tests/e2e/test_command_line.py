"""Options of nimbrel.exe: --help and --version answer in a message box, a wrong option is
reported in one; none of them opens the main window. A quoted folder holding the word --once
does."""

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

    def test_version(self):
        text, icon, exit_code = self.answer("--version")
        self.assertEqual(text, "Nimbrel " + harness.project_version())
        self.assertEqual(icon, "information")
        self.assertEqual(exit_code, 0)

    def test_unknown_option(self):
        text, icon, exit_code = self.answer("--bogus")
        self.assertEqual(text, "Unknown option: --bogus.")
        self.assertEqual(icon, "error")
        self.assertEqual(exit_code, 2)

    def test_server_that_is_not_an_address(self):
        text, icon, exit_code = self.answer("--server", "ftp://example.invalid")
        self.assertIn("--server needs an address", text)
        self.assertEqual(icon, "error")
        self.assertEqual(exit_code, 2)


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
