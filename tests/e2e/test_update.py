"""An update by nimbrel.exe under Wine against the local NOAA stand-in in the classic layout: the
report files it writes, the status line on the way, each failure the server or the disk can cause,
and closing the window while an update waits."""

import os
import re
import time
import unittest

import harness
import noaa_fixture as fixture
from harness import ProgramTest
from noaa_fixture import CLASSIC_CYCLES, CURRENT_REPORT, PAGE, PREVIOUS_REPORT, REPORTS

TARGET_DIR = "C:\\Fly!"
FOLDER = "C:\\Fly!\\METAR\\"
CYCLE_SIZE = 3_000_000
CURRENT = CLASSIC_CYCLES + "14Z.TXT"
PREVIOUS = CLASSIC_CYCLES + "13Z.TXT"
NEXT_UPDATE = "Next update in 15 minutes"
# Far beyond what a local update takes, far below the program's own time limits.
UPDATE_TIMEOUT_MS = 20000


def served_files():
    """The page and the two cycle files the stand-in serves unless a test says otherwise."""
    return {PAGE: fixture.metar_page("14Z"),
            CURRENT: fixture.cycle_file(CYCLE_SIZE, 14, seed=1),
            PREVIOUS: fixture.cycle_file(CYCLE_SIZE, 13, seed=2)}


# Reports of an earlier update, which a failed one must leave as they are.
EARLIER = {CURRENT_REPORT: fixture.cycle_file(20_000, 12, seed=3),
           PREVIOUS_REPORT: fixture.cycle_file(20_000, 11, seed=4)}


def start_program(session, standin):
    session.set_target_dir(TARGET_DIR, "32")
    session.start("--layout", "classic", "--server", standin.origin)
    session.drive(["wait", "main", "visible", 30000])


class ClassicLayoutUpdate(unittest.TestCase):
    """One nimbrel.exe for all tests; each test writes the earlier reports first and leaves the
    stand-in healthy."""

    @classmethod
    def setUpClass(cls):
        cls.session = harness.SESSION
        cls.standin = fixture.Standin()
        cls.addClassCleanup(cls.standin.stop)
        cls.served = served_files()
        for path, data in cls.served.items():
            cls.standin.put(path, data)
        cls.reports = fixture.ReportFolder(cls.session.prefix, FOLDER)
        cls.addClassCleanup(cls.session.delete_simulator_key)
        cls.addClassCleanup(cls.session.stop)
        start_program(cls.session, cls.standin)

    def setUp(self):
        for name, data in EARLIER.items():
            self.reports.write(name, data)
        self.asked_before = len(self.standin.requests())

    def misbehave(self, path, behaviour, arg=None):
        self.standin.rule(path, behaviour, arg)
        self.addCleanup(self.standin.serve, path)

    def requests(self):
        return self.standin.requests()[self.asked_before:]

    def assertReports(self, current, previous):
        self.assertTrue(self.reports.read(CURRENT_REPORT) == current, "CurrentMETAR.txt differs")
        self.assertTrue(self.reports.read(PREVIOUS_REPORT) == previous,
                        "PreviousMETAR.txt differs")

    def update(self, until_colour, until_text):
        """Clicks "Get METAR" and returns what the status line showed, as (text, colour) pairs,
        until it read `until_text` in `until_colour`."""
        watched = fixture.status_watch(self.session, UPDATE_TIMEOUT_MS, until_colour, until_text,
                                       click_first=True)
        steps = fixture.steps(watched["samples"])
        self.assertTrue(watched["reached"], steps)
        return steps

    def wait_for_report(self, name, data):
        """The other transfer of a failed update still writes its report; this waits for it."""
        deadline = time.monotonic() + UPDATE_TIMEOUT_MS / 1000
        while self.reports.read(name) != data:
            if time.monotonic() > deadline:
                self.fail(f"{name} was not written")
            time.sleep(0.05)

    def assertRecovers(self):
        """The program still runs, and a click with the stand-in healthy writes both files."""
        self.doCleanups()  # the stand-in healthy again, the folder as it was
        self.asked_before = len(self.standin.requests())
        self.update("blue", NEXT_UPDATE)
        self.assertReports(self.served[CURRENT], self.served[PREVIOUS])
        self.assertAsked([PAGE], [CURRENT, PREVIOUS])

    def assertAsked(self, in_order, then_in_any_order):
        """The two cycle files are asked for at once, so they may arrive in either order."""
        asked = self.requests()
        self.assertEqual(asked[:len(in_order)], in_order, asked)
        self.assertEqual(sorted(asked[len(in_order):]), sorted(then_in_any_order), asked)

    # --- A healthy server ----------------------------------------------------------------------

    def test_an_update_writes_both_files_and_shows_each_step(self):
        # Slow pieces keep each step on the line for a few ticks of the status animation.
        for path in (PAGE, CURRENT, PREVIOUS):
            self.misbehave(path, "drip", 15)
        steps = self.update("blue", NEXT_UPDATE)
        # What the line showed before the click came through is of no interest.
        steps = steps[[colour for _, colour in steps].index("purple"):]

        self.assertEqual(fixture.colour_changes(steps), ["purple", "green", "blue"], steps)
        self.assertIn(("Getting NOAA Zulu time", "purple"), steps)
        self.assertIn(("Getting Previous METAR (13Z)", "green"), steps)
        self.assertEqual(steps[-1], (NEXT_UPDATE, "blue"))
        self.assertReports(self.served[CURRENT], self.served[PREVIOUS])
        self.assertAsked([PAGE], [CURRENT, PREVIOUS])

    def test_redirects_are_followed(self):
        moved_page = "/weather/moved/metar.shtml"
        mirror = "/mirror/cycles/14Z.TXT"
        mirrored = fixture.cycle_file(CYCLE_SIZE, 14, seed=5)
        self.standin.put(moved_page, self.served[PAGE])
        self.standin.put(mirror, mirrored)
        self.misbehave(PAGE, "redirect", moved_page)
        self.misbehave(CURRENT, "redirect", mirror)
        self.update("blue", NEXT_UPDATE)
        self.assertReports(mirrored, self.served[PREVIOUS])
        self.assertAsked([PAGE, moved_page], [CURRENT, PREVIOUS, mirror])

    # --- Failures: red, specific, the earlier report kept, and the program goes on -------------

    def fail_update(self, path, behaviour, arg, message, varying=""):
        """Makes `path` misbehave and runs an update that must end red with `message`, then what
        the pattern `varying` matches, then the server named."""
        self.misbehave(path, behaviour, arg)
        text = self.update("red", message)[-1][0]
        server = f" [{self.standin.origin} (classic layout)]"
        self.assertRegex(text, "^" + re.escape(message) + varying + re.escape(server) + "$")

    def test_the_page_missing(self):
        self.fail_update(PAGE, "status", 404, "HTTP 404 Not Found")
        self.assertAsked([PAGE], [])
        self.assertReports(EARLIER[CURRENT_REPORT], EARLIER[PREVIOUS_REPORT])
        self.assertRecovers()

    def test_the_page_connection_reset(self):
        # Wine words it either way, depending on whether the reset comes before it reads.
        self.fail_update(PAGE, "reset", None, f"No valid response from 127.0.0.1:{self.standin.port}: ",
                         r"(Connection reset by peer|The server's response was not valid)\.")
        self.assertReports(EARLIER[CURRENT_REPORT], EARLIER[PREVIOUS_REPORT])
        self.assertRecovers()

    def test_the_current_file_missing(self):
        self.fail_update(CURRENT, "status", 404, "HTTP 404 Not Found")
        self.wait_for_report(PREVIOUS_REPORT, self.served[PREVIOUS])
        self.assertReports(EARLIER[CURRENT_REPORT], self.served[PREVIOUS])
        self.assertRecovers()

    def test_a_server_error_on_the_previous_file(self):
        self.fail_update(PREVIOUS, "status", 500, "HTTP 500 Internal Server Error")
        self.wait_for_report(CURRENT_REPORT, self.served[CURRENT])
        self.assertReports(self.served[CURRENT], EARLIER[PREVIOUS_REPORT])
        self.assertRecovers()

    def test_the_current_file_cut_short(self):
        self.fail_update(CURRENT, "short", 100_000,
                         f"Download cut short: 100000 of {len(self.served[CURRENT])} bytes")
        self.wait_for_report(PREVIOUS_REPORT, self.served[PREVIOUS])
        self.assertReports(EARLIER[CURRENT_REPORT], self.served[PREVIOUS])
        self.assertRecovers()

    def test_the_previous_file_connection_reset_midway(self):
        # Wine's WinHTTP takes the reset for the end of the body; the length gives it away.
        self.fail_update(PREVIOUS, "reset", 200_000, "Download cut short: ",
                         rf"\d+ of {len(self.served[PREVIOUS])} bytes")
        self.wait_for_report(CURRENT_REPORT, self.served[CURRENT])
        self.assertReports(self.served[CURRENT], EARLIER[PREVIOUS_REPORT])
        self.assertRecovers()

    # --- Failures on this computer's side ------------------------------------------------------

    def test_a_read_only_report_is_kept_and_reported(self):
        # Wine shows a file without write permission as read-only.
        os.chmod(self.reports.path(CURRENT_REPORT), 0o444)
        self.addCleanup(os.chmod, self.reports.path(CURRENT_REPORT), 0o644)
        shown = self.update("red", "Could not write")[-1][0]
        self.assertEqual(shown, f"Could not write {FOLDER}{CURRENT_REPORT}: the file is read-only")
        self.wait_for_report(PREVIOUS_REPORT, self.served[PREVIOUS])
        self.assertReports(EARLIER[CURRENT_REPORT], self.served[PREVIOUS])
        self.assertEqual(self.reports.files(), sorted(REPORTS), "no temporary file is left")
        self.assertRecovers()

    def test_a_missing_output_folder_is_reported_with_its_path(self):
        missing = "C:\\Fly!\\Missing\\METAR\\"
        self.session.drive(["settext", "main", "Text1", missing])
        self.addCleanup(self.session.drive, ["settext", "main", "Text1", FOLDER])
        shown = self.update("red", "Could not write")[-1][0]
        # Both writes fail; either may be the last to say so.
        self.assertRegex(shown, "^Could not write " + re.escape(missing) +
                         r"(Current|Previous)METAR\.txt: Path not found")
        self.assertFalse(os.path.exists(os.path.join(self.reports.linux, "..", "Missing")))
        self.assertReports(EARLIER[CURRENT_REPORT], EARLIER[PREVIOUS_REPORT])
        self.assertRecovers()


class ClosingWhileAnUpdateWaits(ProgramTest):
    """Closing the window ends the program at once, whichever wait it is in, and leaves the
    earlier reports whole."""

    def setUp(self):
        super().setUp()
        self.standin = fixture.Standin()
        self.addCleanup(self.standin.stop)
        for path, data in served_files().items():
            self.standin.put(path, data)
        self.reports = fixture.ReportFolder(self.session.prefix, FOLDER)
        for name, data in EARLIER.items():
            self.reports.write(name, data)
        start_program(self.session, self.standin)

    def wait_for_requests(self, count):
        deadline = time.monotonic() + 10
        while len(self.standin.requests()) < count:
            self.assertLess(time.monotonic(), deadline, self.standin.requests())
            time.sleep(0.05)

    def close_and_check(self):
        self.session.drive(["close", "main"])
        closed = time.monotonic()
        self.assertEqual(self.session.wait_for_exit(10), 0)
        self.assertLess(time.monotonic() - closed, 1.0, "the program ends within a second")
        self.assertEqual(self.session.program_pids(), [])
        self.assertEqual(self.reports.files(), sorted(REPORTS), "no half-written file is left")
        for name, data in EARLIER.items():
            self.assertTrue(self.reports.read(name) == data, f"{name} changed")

    def test_while_the_page_stalls(self):
        # The stand-in sends the headers, then nothing for a minute.
        self.standin.rule(PAGE, "stall", 60)
        fixture.status_watch(self.session, 10000, "purple", "Getting NOAA Zulu time",
                             click_first=True)
        self.wait_for_requests(1)
        self.close_and_check()

    def test_while_both_files_arrive(self):
        # A piece every half second: the files would take fifty seconds.
        for path in (CURRENT, PREVIOUS):
            self.standin.rule(path, "drip", 500)
        fixture.status_watch(self.session, 10000, "green", "Getting Previous METAR (13Z)",
                             click_first=True)
        self.wait_for_requests(3)
        time.sleep(1)  # some pieces of both files have arrived
        self.close_and_check()


if __name__ == "__main__":
    harness.main()
