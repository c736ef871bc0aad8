"""Launch Fly!: a click starts fly.exe from the folder that the registry names, maximised, with
that folder as its working folder. A stand-in program records each start it is given. With
--launch, Nimbrel starts Fly! itself once the first update has written the weather, and closes
when Fly! ends."""

import os
import shutil
import time
import unittest

import harness
import noaa_fixture as fixture
from harness import standin_starts, wait_for_starts

LAUNCH_BOX = "dialog=Launch Fly!"
STARTF_USESHOWWINDOW = 0x1
SW_SHOWMAXIMIZED = 3
ERROR_FILE_NOT_FOUND = 2


def remove_if_present(path):
    if os.path.exists(path):
        os.remove(path)


def arguments(command_line):
    """A Windows command line split as the C runtime splits it, for lines without escapes."""
    parts, rest = [], command_line.strip()
    while rest:
        if rest.startswith('"'):
            end = rest.index('"', 1)
            parts.append(rest[1:end])
            rest = rest[end + 1:].lstrip()
        else:
            word, _, rest = rest.partition(" ")
            parts.append(word)
            rest = rest.lstrip()
    return parts


class LaunchFly(unittest.TestCase):
    """One nimbrel.exe serves every test: it reads the registry afresh at each click."""

    @classmethod
    def setUpClass(cls):
        cls.session = harness.SESSION
        cls.session.delete_simulator_key()
        cls.addClassCleanup(cls.session.delete_simulator_key)
        cls.addClassCleanup(cls.session.stop)
        cls.session.start()
        cls.session.drive(["wait", "main", "visible", 30000])

    def setUp(self):
        self.session.delete_simulator_key()
        self.addCleanup(self.session.kill, "fly.exe")
        self.addCleanup(self.session.kill, "Program.exe")

    def install(self, windows_path):
        """Copies the stand-in to `windows_path` on drive C:; returns where it lies here."""
        path = self.session.on_drive_c(windows_path)
        if not os.path.isdir(os.path.dirname(path)):
            os.makedirs(os.path.dirname(path))
            self.addCleanup(shutil.rmtree, os.path.dirname(path), True)
        shutil.copy(self.session.standin, path)
        self.addCleanup(remove_if_present, os.path.splitext(path)[0] + ".starts.txt")
        self.addCleanup(remove_if_present, path)
        return path

    def empty_folder(self, windows_path):
        path = self.session.on_drive_c(windows_path)
        os.makedirs(path, exist_ok=True)
        self.addCleanup(shutil.rmtree, path, True)

    def assertStatusUnchanged(self):
        """The status line still says what start-up left there at a tick of Timer2 after the
        click: the tick that moves the animation's dots."""
        first = self.session.drive(["text", "main", "lblStatus"])[0]["text"]
        later = self.session.read_until(["text", "main", "lblStatus"],
                                        lambda status: status["text"] != first)
        self.assertNotEqual(later["text"], first, "the animation did not tick")
        self.assertEqual(later["text"].rstrip("."), "Waiting")

    def click_launch(self, times=1):
        self.session.drive(*[["click", "main", "Command3"]] * times)

    def message(self):
        """The text of the launch's message box, which is then closed with its OK button."""
        _, text, icon = self.session.drive(["wait", LAUNCH_BOX, "visible", 10000],
                                           ["text", LAUNCH_BOX, harness.MESSAGE_BOX_TEXT_ID],
                                           ["colours", LAUNCH_BOX, harness.MESSAGE_BOX_ICON_ID])
        self.session.drive(["click", LAUNCH_BOX, harness.MESSAGE_BOX_OK_ID],
                           ["wait", LAUNCH_BOX, "gone", 5000])
        self.assertEqual(harness.message_box_icon(icon["colours"]), "error")
        return text["text"]

    def assertNoWindowBesideTheMainWindow(self):
        self.assertEqual(self.session.program_window_titles(), [harness.MAIN_CAPTION])

    def test_starts_exactly_fly_exe_maximised_in_a_folder_with_spaces(self):
        fly = self.install(r"C:\Program Files\Fly Sim\fly.exe")
        # What a command line split at its first blank would start instead.
        decoy = self.install(r"C:\Program.exe")
        self.session.set_target_dir("C:\\Program Files\\Fly Sim\\", "32")

        self.click_launch()
        starts = wait_for_starts(fly, 1)

        self.assertEqual(len(starts), 1, "fly.exe has not been started")
        start = starts[0]
        self.assertEqual(start["program"].lower(), r"c:\program files\fly sim\fly.exe")
        self.assertEqual([a.lower() for a in arguments(start["command_line"])],
                         [r"c:\program files\fly sim\fly.exe"], start["command_line"])
        self.assertEqual(start["folder"].rstrip("\\").lower(), r"c:\program files\fly sim")
        self.assertTrue(start["flags"] & STARTF_USESHOWWINDOW, start)
        self.assertEqual(start["show"], SW_SHOWMAXIMIZED)
        self.assertEqual(standin_starts(decoy), [])
        self.assertNoWindowBesideTheMainWindow()
        self.assertStatusUnchanged()

    def test_a_folder_without_a_trailing_backslash_gets_one(self):
        fly = self.install(r"C:\Fly!\fly.exe")
        self.session.set_target_dir("C:\\Fly!", "32")
        self.click_launch()
        starts = wait_for_starts(fly, 1)
        self.assertEqual(len(starts), 1, "fly.exe has not been started")
        self.assertEqual(starts[0]["program"].lower(), r"c:\fly!\fly.exe")
        self.assertEqual(starts[0]["folder"].rstrip("\\").lower(), r"c:\fly!")
        self.assertStatusUnchanged()

    def test_two_clicks_start_two_copies(self):
        fly = self.install(r"C:\Fly Twice\fly.exe")
        self.session.set_target_dir("C:\\Fly Twice\\", "32")
        # Each copy runs while this file is there, so the two are alive together and their IDs
        # differ.
        stay = os.path.splitext(fly)[0] + ".stay"
        open(stay, "wb").close()
        self.addCleanup(remove_if_present, stay)
        self.click_launch(times=2)
        starts = wait_for_starts(fly, 2)
        self.assertEqual(len(starts), 2, starts)
        self.assertNotEqual(starts[0]["pid"], starts[1]["pid"])
        self.assertNoWindowBesideTheMainWindow()
        self.assertStatusUnchanged()

    def test_without_the_registry_value_it_says_fly_cannot_be_found(self):
        self.click_launch()
        text = self.message()
        self.assertIn("Fly! could not be found", text)
        self.assertIn("TargetDir", text)
        self.assertEqual(self.session.pids_of("fly.exe"), [])
        self.assertStatusUnchanged()

    def test_a_folder_without_fly_exe_names_the_path_and_the_reason(self):
        self.empty_folder(r"C:\Fly Empty")
        self.session.set_target_dir("C:\\Fly Empty\\", "32")
        reason = self.session.drive(["errortext", ERROR_FILE_NOT_FOUND])[0]["text"].strip()
        self.assertTrue(reason)

        self.click_launch()
        text = self.message()

        self.assertIn("C:\\Fly Empty\\fly.exe", text)
        self.assertIn(reason, text)
        self.assertEqual(self.session.pids_of("fly.exe"), [])
        self.assertStatusUnchanged()


class LaunchWithWeather(harness.ProgramTest):
    CURRENT = fixture.CLASSIC_CYCLES + "14Z.TXT"
    PREVIOUS = fixture.CLASSIC_CYCLES + "13Z.TXT"
    EARLY_END_TEXT = "Fly! ended within seconds of its start"

    @classmethod
    def setUpClass(cls):
        cls.served = fixture.classic_update_files(200_000)
        cls.standin = fixture.standin_for_class(cls, cls.served)
        # Fly! ending sooner after its start is taken for a launcher's or a crash's end: Nimbrel
        # stays. The limit is the program's own, as it was built.
        limits = harness.SESSION.drive(["launchlimits"])[0]
        cls.early_end_s = limits["early_end_ms"] / 1000

    def setUp(self):
        super().setUp()
        self.addCleanup(self.session.kill, "fly.exe")
        self.reports = fixture.ReportFolder(self.session.prefix, fixture.FOLDER)
        for name in fixture.REPORTS:
            remove_if_present(self.reports.path(name))
        self.fly = self.session.on_drive_c(fixture.TARGET_DIR + "\\fly.exe")
        shutil.copy(self.session.standin, self.fly)
        self.addCleanup(remove_if_present, self.fly)
        self.record = os.path.splitext(self.fly)[0] + ".starts.txt"
        remove_if_present(self.record)
        self.addCleanup(remove_if_present, self.record)
        # The stand-in runs for as long as this file is there, as Fly! runs until its player quits.
        self.stay = os.path.splitext(self.fly)[0] + ".stay"
        open(self.stay, "wb").close()
        self.addCleanup(remove_if_present, self.stay)

    def test_fly_starts_once_the_weather_is_written_and_its_end_closes_nimbrel(self):
        self.session.set_target_dir(fixture.TARGET_DIR, "32")
        self.session.start("--server", self.standin.origin, "--layout", "classic", "--launch",
                           "--minimized")
        starts = wait_for_starts(self.fly, 1, timeout=90)
        seen = time.monotonic()
        self.assertEqual(len(starts), 1, "fly.exe has not been started")
        self.assertEqual(starts[0]["show"], SW_SHOWMAXIMIZED)
        # Each report was swapped in whole before Fly! recorded its start.
        started = os.stat(self.record).st_mtime_ns
        for name, path in ((fixture.CURRENT_REPORT, self.CURRENT),
                           (fixture.PREVIOUS_REPORT, self.PREVIOUS)):
            self.assertTrue(self.reports.read(name) == self.served[path], name)
            self.assertLessEqual(os.stat(self.reports.path(name)).st_mtime_ns, started, name)
        self.assertTrue(self.session.drive(["window", "main"])[0]["iconic"])

        # Only an end this long after the start is the player's; until then Nimbrel would stay.
        time.sleep(max(0.0, self.early_end_s + 1 - (time.monotonic() - seen)))
        self.assertIsNone(self.session.wait_for_exit(0), "Nimbrel closed while Fly! ran")
        os.remove(self.stay)
        self.assertEqual(self.session.wait_for_exit(60), 0)
        self.assertEqual(self.session.program_pids(), [])
        self.assertEqual(len(standin_starts(self.fly)), 1)

    def start_with_launch(self, *more):
        self.session.set_target_dir(fixture.TARGET_DIR, "32")
        self.session.start("--server", self.standin.origin, "--layout", "classic", "--launch",
                           *more)

    def status_once(self, predicate, timeout=30):
        """The status line's text, without its dots, once `predicate` holds for it."""
        deadline = time.monotonic() + timeout
        while True:
            text = self.session.drive(["text", "main", "lblStatus"])[0]["text"].rstrip(".")
            if predicate(text) or time.monotonic() > deadline:
                return text
            time.sleep(0.1)

    def test_a_close_during_the_splash_starts_neither_the_update_nor_fly(self):
        # As taskkill without /f or the Restart Manager closes a program: WM_CLOSE to its main
        # window, hidden while the splash is up.
        self.start_with_launch()
        self.session.drive(["wait", "splash", "visible", 30000], ["close", "main"])
        self.assertEqual(self.session.wait_for_exit(30), 0)
        # A Fly! started would still run: the stand-in stays while its file is there.
        self.assertEqual(self.session.pids_of("fly.exe"), [])
        self.assertEqual(standin_starts(self.fly), [])
        for name in fixture.REPORTS:
            self.assertFalse(os.path.exists(self.reports.path(name)), name)

    def test_an_end_within_seconds_is_told_on_the_line_and_nimbrel_stays(self):
        # Without its file to stay for, the stand-in ends three seconds after its start.
        os.remove(self.stay)
        self.assertLess(3, self.early_end_s)
        self.start_with_launch("--minimized")
        self.assertEqual(len(wait_for_starts(self.fly, 1, timeout=90)), 1)
        text = self.status_once(lambda t: t.startswith(self.EARLY_END_TEXT))
        self.assertTrue(text.startswith(self.EARLY_END_TEXT), text)
        # No message box waits for a click meanwhile: the updates go on.
        self.assertEqual(self.session.program_window_titles(), [harness.MAIN_CAPTION])
        self.assertIsNone(self.session.wait_for_exit(0), "Nimbrel closed after an early end")

    def test_launch_fly_starts_the_waiting_fly_at_once_and_never_a_second(self):
        # The first update waits for an answer; the click starts Fly! before the limit would.
        self.standin.rule(fixture.PAGE, "silent", 90)
        self.addCleanup(self.standin.serve, fixture.PAGE)
        self.start_with_launch()
        self.session.drive(["wait", "main", "visible", 30000], ["click", "main", "Command3"])
        self.assertEqual(len(wait_for_starts(self.fly, 1, timeout=20)), 1)
        seen = time.monotonic()

        _, status = self.session.drive(["sendclick", "main", "Command3"],
                                       ["text", "main", "lblStatus"])
        self.assertEqual(status["text"].rstrip("."), "Fly! is already running")
        self.assertEqual(len(standin_starts(self.fly)), 1)
        # The Fly! started by the click is the watched one: its end, once it is the player's,
        # closes Nimbrel.
        time.sleep(max(0.0, self.early_end_s + 1 - (time.monotonic() - seen)))
        os.remove(self.stay)
        self.assertEqual(self.session.wait_for_exit(60), 0)
        self.assertEqual(len(standin_starts(self.fly)), 1)

    def test_already_running_keeps_the_red_of_a_failed_update(self):
        self.standin.rule(self.PREVIOUS, "status", 503)
        self.addCleanup(self.standin.serve, self.PREVIOUS)
        self.start_with_launch("--second-source", "none")
        self.assertEqual(len(wait_for_starts(self.fly, 1, timeout=90)), 1)
        failed = fixture.status_watch(self.session, fixture.UPDATE_TIMEOUT_MS, "red", "503")
        self.assertTrue(failed["reached"], fixture.steps(failed["samples"]))
        clicked = self.session.drive(
            ["sendclick", "main", "Command3"],
            ["watch", "main", "lblStatus", 5000, ",".join(fixture.STATUS_COLOURS),
             fixture.COLOUR_CODES["red"], "Fly! is already running"])[-1]
        self.assertTrue(clicked["reached"], clicked["samples"][-3:])


if __name__ == "__main__":
    harness.main()
