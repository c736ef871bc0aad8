"""An update by nimbrel.exe under Wine against the local NOAA stand-in in the classic layout: the
report files it writes, the status line on the way, the files it keeps when the server has nothing
newer, each failure the server or the disk can cause, and closing the window while an update
waits."""

import os
import re
import subprocess
import time
import unittest

import harness
import noaa_fixture as fixture
from harness import ProgramTest
from noaa_fixture import (CLASSIC_CYCLES, CURRENT_REPORT, FOLDER, NEXT_UPDATE, PAGE,
                          PREVIOUS_REPORT, REPORTS)

CYCLE_SIZE = 3_000_000
CURRENT = CLASSIC_CYCLES + "14Z.TXT"
PREVIOUS = CLASSIC_CYCLES + "13Z.TXT"
EARLIER = fixture.earlier_reports()


def served_files():
    """The page and the two cycle files the stand-in serves unless a test says otherwise."""
    return fixture.classic_update_files(CYCLE_SIZE)


class ClassicLayoutUpdate(fixture.UpdateChecks, unittest.TestCase):
    """One nimbrel.exe for all tests."""

    @classmethod
    def setUpClass(cls):
        cls.served = served_files()
        cls.start_with(cls.served, "--layout", "classic")

    def hold_report(self, name):
        """Holds a report open as the simulator does while it reads it, until the function this
        returns lets it go (at the latest as the test ends, which waits for the reader to end)."""
        reader = subprocess.Popen(["wine", self.session.reader, FOLDER + name],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.addCleanup(reader.stdout.close)
        self.addCleanup(reader.wait, 30)
        self.addCleanup(reader.stdin.close)
        self.assertEqual(reader.stdout.readline().strip(), b"held")
        return reader.stdin.close

    def assertRecovers(self):
        """The program still runs, and a click with the stand-in healthy writes both files."""
        self.doCleanups()  # the stand-in healthy again, the folder as it was
        self.setUp()  # the earlier reports again, which the update must replace
        self.update("blue", NEXT_UPDATE)
        self.assertReports(self.served[CURRENT], self.served[PREVIOUS])
        self.assertAsked([PAGE], [CURRENT, PREVIOUS])

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

    def assertAnswered(self, current_status, previous_status):
        """Runs an update that must end blue, in which the stand-in answered each cycle file once,
        with these statuses."""
        asked_before = len(self.standin.responses())
        self.update("blue", NEXT_UPDATE)
        answered = sorted((entry["path"], entry["status"])
                          for entry in self.standin.responses()[asked_before:])
        self.assertEqual(answered, sorted([(PAGE, 200), (CURRENT, current_status),
                                           (PREVIOUS, previous_status)]))

    def test_a_second_update_keeps_unchanged_files_on_not_modified(self):
        self.assertAnswered(200, 200)
        files = {name: (self.reports.read(name), os.stat(self.reports.path(name)).st_mtime_ns)
                 for name in REPORTS}

        self.assertAnswered(304, 304)
        for name, (data, modified) in files.items():
            self.assertTrue(self.reports.read(name) == data, f"{name} changed")
            self.assertEqual(os.stat(self.reports.path(name)).st_mtime_ns, modified, name)

        # A report changed on disk is fetched whole again: the server's copy may be what it lacks.
        self.reports.write(CURRENT_REPORT, EARLIER[CURRENT_REPORT])
        self.assertAnswered(200, 304)
        self.assertReports(self.served[CURRENT], self.served[PREVIOUS])

    # --- Failures: red, saying what went wrong, the earlier report kept, the program going on --

    def fail_update(self, path, behaviour, arg, message):
        """Makes `path` misbehave and runs an update that must end red with a message that the
        pattern `message` matches, followed by the server."""
        self.misbehave(path, behaviour, arg)
        server = f" [{self.standin.origin} (classic layout)]"
        text = self.failed_update(server)
        self.assertRegex(text, f"^({message}){re.escape(server)}$")

    def reset_messages(self, path):
        """What a reset may show: Wine's WinHTTP drops the data it has not read yet, so the
        reset can come before the headers or take the place of the body's end."""
        server = re.escape(f"127.0.0.1:{self.standin.port}")
        return (rf"No valid response from {server}: "
                r"(Connection reset by peer|The server's response was not valid)\."
                rf"|Download broken off \({server}\): .+"
                rf"|Download cut short: \d+ of {len(self.served[path])} bytes")

    def test_each_failure_of_the_server_keeps_what_it_could_not_bring(self):
        # What fails, how, and the report that still arrives whole (none without the page).
        cases = ((PAGE, "status", 404, "HTTP 404 Not Found", None),
                 (PAGE, "reset", None, self.reset_messages(PAGE), None),
                 (CURRENT, "status", 404, "HTTP 404 Not Found", PREVIOUS),
                 (PREVIOUS, "status", 500, "HTTP 500 Internal Server Error", CURRENT),
                 (CURRENT, "short", 100_000,
                  f"Download cut short: 100000 of {len(self.served[CURRENT])} bytes", PREVIOUS),
                 (PREVIOUS, "reset", 200_000, self.reset_messages(PREVIOUS), CURRENT))
        report_of = {CURRENT: CURRENT_REPORT, PREVIOUS: PREVIOUS_REPORT}
        for path, behaviour, arg, message, arrives in cases:
            with self.subTest(path=path, behaviour=behaviour):
                # Each row from a healthy stand-in and the earlier reports, whatever the last did.
                self.doCleanups()
                self.setUp()
                self.fail_update(path, behaviour, arg, message)
                expected = dict(EARLIER)
                if arrives:
                    self.wait_for_report(report_of[arrives], self.served[arrives])
                    expected[report_of[arrives]] = self.served[arrives]
                else:
                    self.assertAsked([PAGE], [])
                self.assertReports(expected[CURRENT_REPORT], expected[PREVIOUS_REPORT])
                self.assertRecovers()

    # --- Failures on this computer's side ------------------------------------------------------

    def test_a_read_only_report_is_kept_and_reported(self):
        # Wine shows a file without write permission as read-only, as `attrib +r` makes it.
        os.chmod(self.reports.path(CURRENT_REPORT), 0o444)
        self.addCleanup(os.chmod, self.reports.path(CURRENT_REPORT), 0o644)
        shown = self.failed_update("Could not write")
        self.assertEqual(shown, f"Could not write {FOLDER}{CURRENT_REPORT}: the file is read-only")
        self.wait_for_report(PREVIOUS_REPORT, self.served[PREVIOUS])
        self.assertReports(EARLIER[CURRENT_REPORT], self.served[PREVIOUS])
        self.assertEqual(self.reports.files(), sorted(REPORTS), "no temporary file is left")
        self.assertRecovers()

    def test_a_report_the_simulator_reads_for_a_moment_still_lands(self):
        release = self.hold_report(CURRENT_REPORT)
        self.session.drive(["sendclick", "main", "Command1"])
        # The new report waits beside the held one in its temporary file.
        deadline = time.monotonic() + fixture.UPDATE_TIMEOUT_MS / 1000
        while not any(name.startswith(CURRENT_REPORT + ".nimbrel-")
                      for name in self.reports.files()):
            self.assertLess(time.monotonic(), deadline, self.reports.files())
            time.sleep(0.05)
        # The window answers while the write waits.
        self.assertEqual(self.session.drive(["text", "main", "Text1"])[0]["text"], FOLDER)
        release()
        watched = fixture.status_watch(self.session, fixture.UPDATE_TIMEOUT_MS, "blue",
                                       NEXT_UPDATE)
        self.assertTrue(watched["reached"], fixture.steps(watched["samples"]))
        self.assertReports(self.served[CURRENT], self.served[PREVIOUS])
        self.assertEqual(self.reports.files(), sorted(REPORTS), "no temporary file is left")

    def test_a_report_the_simulator_holds_too_long_is_kept_and_reported(self):
        release = self.hold_report(CURRENT_REPORT)
        shown = self.failed_update("Could not write")
        release()
        self.assertEqual(shown, f"Could not write {FOLDER}{CURRENT_REPORT}: "
                                "another program has the file open")
        self.wait_for_report(PREVIOUS_REPORT, self.served[PREVIOUS])
        self.assertReports(EARLIER[CURRENT_REPORT], self.served[PREVIOUS])
        self.assertEqual(self.reports.files(), sorted(REPORTS), "no temporary file is left")
        self.assertRecovers()

    def test_an_emptied_folder_box_writes_nothing(self):
        self.session.drive(["settext", "main", "Text1", ""])
        self.addCleanup(self.session.drive, ["settext", "main", "Text1", FOLDER])
        # Where a relative folder would put the reports: the roots of the program's current drive
        # (Z:, this machine's root) and of C:.
        strays = [os.path.join(root, name) for root in ("/", self.session.on_drive_c("C:\\"))
                  for name in REPORTS]
        strays = [path for path in strays if not os.path.exists(path)]
        for path in strays:
            self.addCleanup(lambda path=path: os.path.exists(path) and os.remove(path))
        shown = self.failed_update("No METAR folder")
        self.assertEqual(shown, "No METAR folder: type the simulator's METAR folder in the box")
        self.assertEqual(self.requests(), [], "nothing is fetched")
        self.assertReports(EARLIER[CURRENT_REPORT], EARLIER[PREVIOUS_REPORT])
        self.assertEqual([path for path in strays if os.path.exists(path)], [])
        self.assertRecovers()

    def test_a_missing_output_folder_is_reported_with_its_path(self):
        missing = "C:\\Fly!\\Missing\\METAR\\"
        self.session.drive(["settext", "main", "Text1", missing])
        self.addCleanup(self.session.drive, ["settext", "main", "Text1", FOLDER])
        shown = self.failed_update("Could not write")
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
        fixture.start_program(self.session, self.standin, "--layout", "classic")

    def wait_until_shown(self, colour, text):
        """Clicks "Get METAR" and waits until the update has reached that step."""
        watched = fixture.status_watch(self.session, 10000, colour, text, click_first=True)
        self.assertTrue(watched["reached"], fixture.steps(watched["samples"]))

    def wait_for_requests(self, count, holds=lambda responses: True):
        """Until the stand-in has `count` requests and `holds` is true of their entries."""
        deadline = time.monotonic() + 10
        while len(responses := self.standin.responses()) < count or not holds(responses):
            self.assertLess(time.monotonic(), deadline, responses)
            time.sleep(0.05)

    def close_and_check(self):
        # The waits would last a minute and more: ending within seconds is ending at once.
        self.session.drive(["close", "main"])
        self.assertEqual(self.session.wait_for_exit(10), 0)
        self.assertEqual(self.session.program_pids(), [])
        self.assertEqual(self.reports.files(), sorted(REPORTS), "no half-written file is left")
        for name, data in EARLIER.items():
            self.assertTrue(self.reports.read(name) == data, f"{name} changed")

    def test_while_the_page_stalls(self):
        # The stand-in sends the headers, then nothing for a minute.
        self.standin.rule(PAGE, "stall", 60)
        self.wait_until_shown("purple", "Getting NOAA Zulu time")
        self.wait_for_requests(1)
        self.close_and_check()

    def test_while_both_files_arrive(self):
        # A piece every half second: the files would take fifty seconds.
        for path in (CURRENT, PREVIOUS):
            self.standin.rule(path, "drip", 500)
        self.wait_until_shown("green", "Getting Previous METAR (13Z)")
        # Some pieces of both files have gone out.
        self.wait_for_requests(3, lambda responses: all(
            entry["bytes"] > 0 for entry in responses if entry["path"] in (CURRENT, PREVIOUS)))
        self.close_and_check()


if __name__ == "__main__":
    harness.main()
