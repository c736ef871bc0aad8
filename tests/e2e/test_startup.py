"""Start-up of nimbrel.exe: the splash screen, then the main window, centred, with the METAR
folder derived from the simulator's registry entry."""

import socket
import subprocess
import threading
import time

import harness
import noaa_fixture as fixture
from harness import ProgramTest, centred
from pixels import differing_pixels, file_pixels, screen_pixels

SPLASH_CLIENT = [440, 330]


class SplashScreen(ProgramTest):
    # How long it stays up is the splash's timer, checked on the virtual clock (splash_test).
    def test_splash_is_up_before_the_main_window(self):
        self.session.start()
        _, splash, main_meanwhile, _, _, main = self.session.drive(
            ["wait", "splash", "visible", 30000],
            ["window", "splash"],
            ["window", "main"],
            ["wait", "splash", "hidden", 10000],
            ["wait", "main", "visible", 10000],
            ["window", "main"])

        self.assertEqual(splash["client"], SPLASH_CLIENT)
        self.assertEqual(splash["title"], "")
        self.assertFalse(splash["caption"], "the splash screen has no title bar")
        self.assertFalse(splash["sysmenu"])
        self.assertTrue(splash["dlgframe"], "a fixed dialog frame")
        self.assertTrue(centred(splash["bounds"], splash["screen"]), splash)

        self.assertFalse(main_meanwhile["visible"], "the main window waits behind the splash")

        self.assertTrue(main["visible"])
        self.assertTrue(centred(main["bounds"], main["screen"]), main)

    def test_splash_shows_its_picture_pixel_for_pixel(self):
        self.session.start()
        _, splash = self.session.drive(["wait", "splash", "visible", 30000], ["window", "splash"])
        width, height, expected = file_pixels("splash.png")
        origin = splash["client_origin"]
        # It paints just after it shows: the screen is read again until it shows the picture, or
        # the splash has gone.
        while True:
            _, _, shown = screen_pixels(origin[0], origin[1], width, height)
            differing = differing_pixels(shown, expected)
            if not differing or not any(window["class"] == "Nimbrel.splash" and window["visible"]
                                        for window in self.session.nimbrel_windows()):
                break
        self.assertEqual(differing[:10], [])


class StartedMinimised(ProgramTest):
    def test_the_status_line_animates_once_the_window_is_restored(self):
        self.session.start("--minimized")
        # The splash keeps out of the way too: no focus, no task bar button.
        _, splash, focus = self.session.drive(["wait", "splash", "visible", 30000],
                                              ["window", "splash"], ["focus", "splash"])
        self.assertTrue(splash["toolwindow"], splash)
        self.assertFalse(focus["has_focus"], focus)
        _, window = self.session.drive(["wait", "main", "visible", 30000], ["window", "main"])
        self.assertTrue(window["iconic"])
        # No tick while minimised: through five ticks' time the line keeps start-up's one dot. The
        # watch ends only at its limit, as no colour it waits for is ever shown.
        resting = self.session.drive(["watch", "main", "lblStatus", 1500, "0000c0", "000001"])[0]
        self.assertEqual({sample["text"] for sample in resting["samples"]}, {"Waiting."})
        first = self.session.drive(["restore", "main"], ["text", "main", "lblStatus"])[1]["text"]
        self.assertTrue(first.startswith("Waiting."), first)
        later = self.session.read_until(["text", "main", "lblStatus"], lambda t: t["text"] != first)
        self.assertNotEqual(later["text"], first, "the dots did not move after the restore")


class SecondStart(ProgramTest):
    def test_a_second_start_for_the_folder_brings_the_first_to_the_front_and_ends(self):
        self.session.start("--minimized", "--folder", "C:\\Wx")
        self.session.drive(["wait", "main", "visible", 30000])
        # The same folder as Windows users may write it; what it hands over starts no update.
        second = subprocess.Popen(["wine", self.session.nimbrel, "--folder", "c:/wx/",
                                   "--interval", "10"], stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.assertEqual(second.wait(timeout=60), 0)
        finally:
            if second.poll() is None:
                second.kill()
                second.wait(timeout=30)
        # "main" refuses to act on two main windows: the second opened none.
        window = self.session.read_until(["window", "main"], lambda w: not w["iconic"])
        self.assertFalse(window["iconic"], "the first came to the front")


class MetarFolder(ProgramTest):
    """Text1 shows the folder from HKLM\\SOFTWARE\\Terminal Reality\\Fly!, TargetDir, + METAR\\."""

    def shown_after_start(self):
        self.session.start()
        # The status line shows StatusText from the next 300 ms tick of Timer2 on.
        self.session.drive(["wait", "main", "visible", 30000])
        status = fixture.status_watch(self.session, 5000, "blue", "Waiting")
        self.assertTrue(status["reached"], status["samples"])
        return self.session.drive(["text", "main", "Text1"])[0]["text"]

    # What the registry's views and their variables give; the plain values are the unit tests'.
    # %ProgramFiles% means the Program Files of the programs of the view it is read from, whether
    # Nimbrel is a 64-bit or a 32-bit program.
    def test_the_folder_of_each_registry_view(self):
        cases = (
            ([("%SystemDrive%/Fly!", "32", "REG_EXPAND_SZ")], "C:\\Fly!\\METAR\\"),
            ([("C:\\Fly32", "32", "REG_SZ"), ("D:\\Fly64", "64", "REG_SZ")], "C:\\Fly32\\METAR\\"),
            ([("D:\\Fly64", "64", "REG_SZ")], "D:\\Fly64\\METAR\\"),
            ([("%ProgramFiles%\\Fly!", "32", "REG_EXPAND_SZ")],
             "C:\\Program Files (x86)\\Fly!\\METAR\\"),
            ([("%ProgramFiles%\\Fly!", "64", "REG_EXPAND_SZ")], "C:\\Program Files\\Fly!\\METAR\\"),
        )
        for values, shown in cases:
            with self.subTest(values=values):
                for value, view, value_type in values:
                    self.session.set_target_dir(value, view, value_type)
                self.assertEqual(self.shown_after_start(), shown)
                self.session.stop()
                self.session.delete_simulator_key()


class SilentServer:
    """A server on the loopback interface that accepts connections and never answers."""

    def __init__(self):
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.connections = []
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            try:
                self.connections.append(self.listener.accept()[0])
            except OSError:
                return

    def close(self):
        self.listener.close()
        for connection in self.connections:
            connection.close()


class Closing(ProgramTest):
    def test_closing_the_main_window_ends_the_program(self):
        self.session.start()
        self.session.drive(["wait", "main", "visible", 30000])
        self.assertEqual(self.session.close_main_window(), 0)
        self.assertEqual(self.session.program_pids(), [])

    def test_closing_while_an_update_waits_for_the_server_ends_the_program_at_once(self):
        server = SilentServer()
        self.addCleanup(server.close)
        self.session.set_target_dir("C:\\Fly!", "32")  # a report folder, or nothing is asked
        self.session.start("--server", f"http://127.0.0.1:{server.port}")
        self.session.drive(["wait", "main", "visible", 30000], ["click", "main", "Command1"])
        self.wait_for_status("Getting NOAA Zulu time")
        self.assertTrue(server.connections, "the update has asked the server")

        # The server never answers, and the wait's own limit is 90 seconds.
        self.session.drive(["close", "main"])
        self.assertEqual(self.session.wait_for_exit(10), 0)

    def wait_for_status(self, text, timeout=10):
        deadline = time.monotonic() + timeout
        while True:
            status = self.session.drive(["text", "main", "lblStatus"])[0]["text"]
            if status.startswith(text):
                return
            if time.monotonic() > deadline:
                self.fail(f"the status line still reads {status!r}")
            time.sleep(0.1)


if __name__ == "__main__":
    harness.main()
