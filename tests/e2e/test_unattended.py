"""Unattended use of nimbrel.exe under Wine: a folder and a first update from the command line,
and --once, one update without a window, for schedulers and scripts."""

import os
import re
import subprocess
import tempfile
import unittest

import harness
import noaa_fixture as fixture
from noaa_fixture import CLASSIC_CYCLES, CURRENT_REPORT, FOLDER, PAGE, PREVIOUS_REPORT

CURRENT = CLASSIC_CYCLES + "14Z.TXT"
PREVIOUS = CLASSIC_CYCLES + "13Z.TXT"
OTHER_FOLDER = "C:\\Weather\\METAR"
STAMP = r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ "


def run_with_output(command, environment=None):
    """Runs `command`; returns its exit code, output and errors. They go to files: a pipe would
    stay open as long as any Wine process it reached."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        code = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                              env=environment, timeout=120).returncode
        out.seek(0)
        err.seek(0)
        return code, out.read().decode("utf-8"), err.read().decode("utf-8")


class Unattended(harness.ProgramTest):
    @classmethod
    def setUpClass(cls):
        cls.served = fixture.classic_update_files(200_000)
        cls.standin = fixture.standin_for_class(cls, cls.served)

    def setUp(self):
        super().setUp()
        self.session.set_target_dir(fixture.TARGET_DIR, "32")
        self.reports = fixture.ReportFolder(self.session.prefix, FOLDER)
        for name, data in fixture.earlier_reports().items():
            self.reports.write(name, data)

    def assertWritten(self, reports):
        self.assertTrue(reports.read(CURRENT_REPORT) == self.served[CURRENT])
        self.assertTrue(reports.read(PREVIOUS_REPORT) == self.served[PREVIOUS])

    def wait_until_written(self, reports):
        watched = fixture.status_watch(self.session, fixture.UPDATE_TIMEOUT_MS, "blue",
                                       fixture.NEXT_UPDATE)
        self.assertTrue(watched["reached"], fixture.steps(watched["samples"]))
        self.assertWritten(reports)

    def once(self, *options, display=True):
        """Runs nimbrel.exe --once; returns its exit code and its output and error lines."""
        environment = dict(os.environ)
        if not display:
            del environment["DISPLAY"]
        code, out, err = run_with_output(
            ["wine", self.session.nimbrel, "--once", "--second-source", "none", "--server",
             self.standin.origin, "--layout", "classic", *options], environment)
        return code, out.splitlines(), err.splitlines()

    def test_update_now_writes_the_reports_without_a_click(self):
        self.session.start("--server", self.standin.origin, "--layout", "classic",
                           "--update-now")
        self.session.drive(["wait", "main", "visible", 30000])
        self.wait_until_written(self.reports)

    def test_folder_is_shown_and_written_to(self):
        elsewhere = fixture.ReportFolder(self.session.prefix, OTHER_FOLDER + "\\")
        self.session.start("--server", self.standin.origin, "--layout", "classic", "--folder",
                           OTHER_FOLDER, "--interval", "10")
        self.session.drive(["wait", "main", "visible", 30000])
        self.assertEqual(self.session.drive(["text", "main", "Text1"])[-1]["text"],
                         OTHER_FOLDER + "\\")
        watched = fixture.status_watch(self.session, fixture.UPDATE_TIMEOUT_MS, "blue",
                                       "Next update in 10 minutes", click_first=True)
        self.assertTrue(watched["reached"], fixture.steps(watched["samples"]))
        self.assertWritten(elsewhere)
        self.assertTrue(self.reports.read(CURRENT_REPORT)
                        == fixture.earlier_reports()[CURRENT_REPORT])

    def test_once_without_a_display_writes_both_reports(self):
        code, out, err = self.once(display=False)
        self.assertEqual((code, err), (0, []))
        self.assertWritten(self.reports)
        for line in out:
            self.assertRegex(line, "^" + STAMP)
        self.assertRegex(re.sub(STAMP, "", out[-1]),
                         "^" + re.escape("Wrote CurrentMETAR.txt (14Z) and PreviousMETAR.txt (13Z) in "
                                         + FOLDER + " · CurrentMETAR.txt: 14Z, ") + r"[\d,]+ reports")

    def test_once_against_a_failing_server_keeps_the_reports(self):
        # A refusal; a cycle file without a length, cut mid-line in chunks or by the close.
        cut = next(n for n in range(100_000, 100_100) if self.served[CURRENT][n - 1:n] != b"\n")
        def broken(size):
            return f"Download broken off \\(127.0.0.1:\\d+\\) after {size} bytes: its end is missing"

        earlier = fixture.earlier_reports()
        for path, behaviour, arg, said, kept in [
                (PAGE, "status", 503, "HTTP 503 Service Unavailable \\[", list(earlier)),
                (CURRENT, "broken-chunked", cut, broken(cut), [CURRENT_REPORT]),
                (CURRENT, "huge", 1000, broken(1000), [CURRENT_REPORT])]:
            with self.subTest(behaviour):
                self.standin.rule(path, behaviour, arg)
                self.addCleanup(self.standin.serve, path)
                code, _, err = self.once()
                self.standin.serve(path)
                self.assertEqual(code, 1)
                self.assertRegex("\n".join(err), said)
                for name in kept:
                    self.assertTrue(self.reports.read(name) == earlier[name], name)
                self.assertEqual(sorted(self.reports.files()), [CURRENT_REPORT, PREVIOUS_REPORT])

    def run_batch(self, folder_argument):
        """Runs nimbrel.exe --once from a batch file, which hands the line to Windows exactly as
        written, with `folder_argument` after --folder; returns the exit code and the output."""
        batch = self.session.on_drive_c(r"C:\nimbrel-once.bat")
        with open(batch, "w", newline="\r\n") as f:
            f.write(f'@"{self.session.windows_path(self.session.nimbrel)}" --server '
                    f'{self.standin.origin} --layout classic --folder {folder_argument}\n'
                    "@exit /b %ERRORLEVEL%\n")
        self.addCleanup(os.remove, batch)
        return run_with_output(["wine", "cmd", "/c", r"C:\nimbrel-once.bat"])

    def test_once_swallowed_by_a_quoted_folder_still_runs_without_a_window(self):
        # Typed so, Windows reads the final \\" as a quote, and the folder's value takes in
        # --once.
        code, output, errors = self.run_batch(f'"{OTHER_FOLDER}\\" --once')
        self.assertEqual(code, 2, errors)
        self.assertEqual(output, "")
        self.assertRegex(errors, f"{STAMP}--folder needs the simulator's METAR folder")
        self.assertIn("leave out the final backslash", errors)

    def test_once_inside_a_quote_left_open_still_runs_without_a_window(self):
        code, output, errors = self.run_batch(f'"{OTHER_FOLDER} --once')
        self.assertEqual((code, output), (2, ""), errors)
        self.assertRegex(errors, f"{STAMP}--folder needs the simulator's METAR folder")

    def test_once_with_help_and_version_prints_plain_text(self):
        code, out, err = self.once("--version")
        self.assertEqual((code, out, err), (0, ["Nimbrel " + harness.project_version()], []))
        code, out, err = self.once("--help")
        self.assertEqual((code, err), (0, []))
        # The help itself, line by line as it is written, with no time stamp before any line.
        self.assertTrue(out[0].startswith("Nimbrel fetches the current"), out[0])
        self.assertIn("Options:", out)
        self.assertTrue(any(line.lstrip().startswith("--once") for line in out), out)
        self.assertFalse([line for line in out if re.match(STAMP, line)], out)

    def test_once_with_a_bad_option_says_why_without_a_window(self):
        # A message box would wait for a click and never let the run end.
        code, out, err = self.once("--interval", "3")
        self.assertEqual((code, out), (2, []))
        self.assertRegex(err[-1], f"^{STAMP}--interval needs a whole number of minutes")


if __name__ == "__main__":
    harness.main()
