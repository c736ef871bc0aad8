"""Helpers for the end-to-end tests: nimbrel.exe under Wine, driven by nimbrel_driver.exe.

scripts/test starts the Wine server, its services and a virtual display, and exports WINEPREFIX
and DISPLAY before ctest runs these tests. Everything here stays on this machine: the programs
talk to the local Wine server and X display only.
"""

import json
import os
import signal
import subprocess
import sys
import time
import unittest

SIMULATOR_KEY = r"HKLM\SOFTWARE\Terminal Reality\Fly!"
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
X11_DRIVER_KEY = r"HKCU\Software\Wine\X11 Driver"
VIEWS = ("32", "64")

MAIN_CAPTION = "Nimbrel - Corvane Software"
PROGRAM_TITLE = "Nimbrel"

# A message box's text and icon controls in Windows and Wine alike.
MESSAGE_BOX_TEXT_ID = "65535"
MESSAGE_BOX_ICON_ID = "1088"
MESSAGE_BOX_OK_ID = "1"


def project_version():
    """The version the build gives the program, such as "1.00"; ctest passes it on from CMake."""
    return os.environ["NIMBREL_VERSION"]


def mul_div(value, numerator, denominator):
    """MulDiv: the exact quotient rounded half away from zero."""
    product = value * numerator
    quotient, remainder = divmod(abs(product), denominator)
    if 2 * remainder >= denominator:
        quotient += 1
    return quotient if product >= 0 else -quotient


def centred(bounds, screen):
    """Whether a window's bounds (left, top, width, height) lie in the middle of the screen."""
    left, top, width, height = bounds
    return (abs(left - (screen[0] - width) / 2) <= 1
            and abs(top - (screen[1] - height) / 2) <= 1)


def fixed_layout():
    """Whether this process, and so every Wine process it starts, has address-space
    randomization off (ADDR_NO_RANDOMIZE), as scripts/lib/common.sh gives the tests."""
    with open("/proc/self/personality") as f:
        return bool(int(f.read(), 16) & 0x0040000)


class DriverError(AssertionError):
    """The driver could not do what a test asked, e.g. a window did not appear in time."""


class WinePrefix:
    """The Wine prefix and display that scripts/test started: its server and its registry."""

    def __init__(self):
        for name in ("WINEPREFIX", "DISPLAY"):
            if not os.environ.get(name):
                raise RuntimeError(f"{name} is not set: run the Windows tests through scripts/test")
        if not fixed_layout():
            raise RuntimeError("the address-space layout is randomized, and now and then a Wine "
                               "process dies as it starts: run the Windows tests through "
                               "scripts/test")
        self.prefix = os.path.realpath(os.environ["WINEPREFIX"])
        self.output = os.path.join(os.path.dirname(self.prefix), "e2e")
        os.makedirs(self.output, exist_ok=True)

    def wine(self, *arguments, check=True):
        result = subprocess.run(["wine", *arguments], stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=60)
        if check and result.returncode != 0:
            raise RuntimeError(f"wine {' '.join(arguments)} failed: {result.stdout!r} {result.stderr!r}")
        return result

    def prepare_display(self):
        """Without a window manager, windows that Wine leaves to one get no title bar and make
        every hide wait two seconds for it; unmanaged windows are drawn whole by Wine instead."""
        self.wine("reg", "add", X11_DRIVER_KEY, "/v", "Managed", "/d", "N", "/f")

    def set_target_dir(self, value, view, value_type="REG_SZ"):
        self.wine("reg", "add", SIMULATOR_KEY, "/v", "TargetDir", "/t", value_type, "/d", value,
                  "/f", f"/reg:{view}")

    def delete_simulator_key(self):
        for view in VIEWS:
            self.wine("reg", "delete", SIMULATOR_KEY, "/f", f"/reg:{view}", check=False)

    def set_dpi(self, dpi):
        """Wine reads the DPI when its server starts, so the server is restarted."""
        if dpi == 96:
            self.wine("reg", "delete", DESKTOP_KEY, "/v", "LogPixels", "/f", check=False)
        else:
            self.wine("reg", "add", DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                      str(dpi), "/f")
        self.restart_wine_server()

    def restart_wine_server(self):
        subprocess.run(["wineserver", "-k"], check=False)
        subprocess.run(["wineserver", "-w"], check=False)
        self.ensure_wine_server()

    def ensure_wine_server(self):
        """A persistent server with its services, started with their output in a log file:
        they keep the output they start with, and a pipe a test reads would never end."""
        with open(os.path.join(self.output, "wineserver.log"), "ab") as log:
            started = subprocess.run(["wineserver", "-p"], stdin=subprocess.DEVNULL,
                                     stdout=log, stderr=log).returncode == 0
            if started:
                subprocess.run(["wineboot"], stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                               check=True, timeout=120)


class Session(WinePrefix):
    """One Wine prefix and display, shared by the tests of a script, run one at a time."""

    def __init__(self, nimbrel, driver):
        super().__init__()
        self.nimbrel = os.path.abspath(nimbrel)
        self.driver = os.path.abspath(driver)
        self.process = None
        # Stands in for programs that nimbrel.exe starts; built beside the driver.
        self.standin = os.path.join(os.path.dirname(self.driver), "fly_standin.exe")
        # Holds a file open as the simulator does while it reads a report.
        self.reader = os.path.join(os.path.dirname(self.driver), "report_reader.exe")

    # --- nimbrel.exe -------------------------------------------------------------------------

    def start(self, *arguments):
        """Starts nimbrel.exe in the background; its output goes to a log file. Nothing of
        Nimbrel may run yet: a window left over would answer the driver in its place. Without a
        second source of its own, the test's run has none: a NOAA made to fail must never send
        the program to the internet."""
        self.require_nothing_left("before nimbrel.exe starts")
        log = open(os.path.join(self.output, "nimbrel.log"), "ab")
        own_source = [] if "--second-source" in arguments else ["--second-source", "none"]
        self.process = subprocess.Popen(["wine", self.nimbrel, *own_source, *arguments],
                                        stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        log.close()

    def wait_for_exit(self, timeout):
        """The program's exit code, or None if it is still running after `timeout` seconds."""
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def program_pids(self):
        """Linux processes running nimbrel.exe in this session's prefix."""
        return self.pids_of("nimbrel.exe")

    def pids_of(self, program):
        """Linux processes running `program` (a file name, e.g. fly.exe) in this prefix."""
        pids = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open(f"/proc/{entry}/cmdline", "rb") as f:
                    first = f.read().split(b"\0")[0]
                with open(f"/proc/{entry}/environ", "rb") as f:
                    environment = f.read().split(b"\0")
            except OSError:
                continue
            if (first.lower().endswith(program.lower().encode())
                    and b"WINEPREFIX=" + os.environ["WINEPREFIX"].encode() in environment):
                pids.append(int(entry))
        return pids

    def stop(self):
        """Ends the nimbrel.exe this session started, whatever state it is in, and waits until
        its process and its windows are gone; then fails if anything of Nimbrel is left."""
        if self.process:
            # `wine` becomes the program itself, so its process is the program's.
            if self.process.poll() is None:
                self.process.kill()
            self.process.wait(timeout=30)
            self.process = None
        self.wait_until_windows_gone()
        self.require_nothing_left("after the test")

    def kill(self, program):
        """Ends every copy of `program` (a file name, e.g. fly.exe) running in this prefix."""
        for pid in self.pids_of(program):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    def leftovers(self):
        """What of Nimbrel still runs in this prefix: its processes and its windows, as text;
        empty when nothing does."""
        found = []
        pids = self.program_pids()
        if pids:
            found.append(f"nimbrel.exe processes {pids}")
        windows = self.nimbrel_windows()
        if windows:
            found.append(f"Nimbrel windows {windows}")
        return "; ".join(found)

    def require_nothing_left(self, when):
        left = self.leftovers()
        if left:
            raise AssertionError(f"{when}: {left}")

    def nimbrel_windows(self):
        """Every window of Nimbrel's classes, with the Windows process ID that owns it."""
        return self.drive(["instances"])[0]["windows"]

    def wait_until_windows_gone(self, timeout=30):
        """The Wine server destroys an ended program's windows once it has seen it end."""
        deadline = time.monotonic() + timeout
        while self.nimbrel_windows() and time.monotonic() < deadline:
            time.sleep(0.1)

    def close_main_window(self):
        """Closes the main window as the user would, and returns the exit code."""
        self.drive(["close", "main"])
        return self.wait_for_exit(10)

    # --- paths --------------------------------------------------------------------------------

    def on_drive_c(self, windows_path):
        """Where a path on the prefix's drive C: (e.g. C:\\Fly!\\fly.exe) lies on this machine."""
        drive, _, rest = windows_path.partition(":\\")
        if drive.upper() != "C":
            raise ValueError(f"{windows_path} is not on drive C:")
        return os.path.join(self.prefix, "drive_c", *[part for part in rest.split("\\") if part])

    @staticmethod
    def windows_path(unix_path):
        """The path a Windows program under Wine sees for a file of this machine (drive Z:)."""
        return "Z:" + os.path.abspath(unix_path).replace("/", "\\")

    # --- the driver --------------------------------------------------------------------------

    def program_window_titles(self):
        """The titles of the visible top-level windows of the main window's process, but for a
        tooltip: one shows wherever an earlier test left the pointer."""
        windows = self.drive(["windows", "main"])[0]["windows"]
        return [window["title"] for window in windows if window["class"] != "tooltips_class32"]

    def drive(self, *commands):
        """Runs driver commands in one go; returns one parsed result per command."""
        arguments = []
        for command in commands:
            if arguments:
                arguments.append("--")
            arguments.extend(str(part) for part in command)
        # Wine's own errors, shown when the driver ends without a word of its own.
        environment = dict(os.environ, WINEDEBUG="-all,err+all")
        result = subprocess.run(["wine", self.driver, *arguments], stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=120, env=environment)
        lines = [json.loads(line) for line in result.stdout.decode("utf-8").splitlines()
                 if line.startswith("{")]
        if result.returncode != 0:
            said = lines[-1] if lines else f"{result.stdout!r} {result.stderr[-2000:]!r}"
            raise DriverError(f"driver {arguments} ended with {result.returncode}: {said}; "
                              f"{self.program_state()}")
        return lines

    def read_until(self, command, done, timeout=10):
        """Runs one driver command again and again until `done` holds for its result, or the time
        is up; returns the last result."""
        deadline = time.monotonic() + timeout
        result = self.drive(command)[0]
        while not done(result) and time.monotonic() < deadline:
            result = self.drive(command)[0]
        return result

    def program_state(self):
        """Whether the nimbrel.exe this session started still runs, for a failure's message."""
        if not self.process:
            return "no nimbrel.exe started"
        code = self.process.poll()
        return "nimbrel.exe runs" if code is None else f"nimbrel.exe ended with {code}"

    def screenshot(self, name, bounds=None):
        """The whole display, or the part `bounds` ([left, top, width, height]) covers."""
        path = os.path.join(self.output, name)
        crop = ["-crop", "{2}x{3}+{0}+{1}".format(*bounds)] if bounds else []
        subprocess.run(["import", "-window", "root", *crop, path], check=True, timeout=60)
        return path


STANDIN_FIELDS = ("pid", "flags", "show", "program", "folder", "command_line")


def standin_starts(program):
    """The starts that the stand-in, copied to `program` (a path on this machine), has recorded:
    one dict per start, in order; empty before the first start."""
    record = os.path.splitext(program)[0] + ".starts.txt"
    try:
        with open(record, "rb") as f:
            text = f.read().decode("utf-16-le")
    except FileNotFoundError:
        return []
    starts = []
    # A line still being written has no line end yet.
    for line in text.split("\r\n")[:-1]:
        start = dict(zip(STANDIN_FIELDS, line.split("\t", len(STANDIN_FIELDS) - 1)))
        for number in ("pid", "flags", "show"):
            start[number] = int(start[number])
        starts.append(start)
    return starts


def wait_for_starts(program, count, timeout=10):
    """The stand-in's records at `program` once there are `count` of them."""
    deadline = time.monotonic() + timeout
    while True:
        starts = standin_starts(program)
        if len(starts) >= count or time.monotonic() > deadline:
            return starts
        time.sleep(0.1)


def message_box_icon(colours):
    """'error' for the red stop sign, 'information' for the blue i, from the icon's pixels."""
    red = blue = 0
    for rgb, count in colours.items():
        r, g, b = (int(rgb[i:i + 2], 16) for i in (0, 2, 4))
        if r > 180 and g < 120 and b < 120:
            red += count
        elif b > 120 and b > r + 40:
            blue += count
    if red > 50 and red > 2 * blue:
        return "error"
    if blue > 50 and blue > 2 * red:
        return "information"
    return "unknown"


SESSION = None


class ProgramTest(unittest.TestCase):
    """A test that starts nimbrel.exe itself. Whatever happens, the program is stopped and the
    simulator's registry key removed afterwards."""

    def setUp(self):
        self.session = SESSION
        self.session.delete_simulator_key()
        self.addCleanup(self.session.delete_simulator_key)
        self.addCleanup(self.session.stop)


def main():
    """Runs the calling script's tests with the programs named on the command line."""
    global SESSION
    if len(sys.argv) < 3:
        sys.exit(f"usage: {sys.argv[0]} NIMBREL_EXE DRIVER_EXE [unittest options]")
    SESSION = Session(sys.argv[1], sys.argv[2])
    SESSION.ensure_wine_server()
    # What an earlier test program or the benchmark left would answer in place of this one's.
    SESSION.require_nothing_left(f"before {os.path.basename(sys.argv[0])}")
    SESSION.prepare_display()
    program = unittest.main(argv=[sys.argv[0], *sys.argv[3:]], verbosity=2, exit=False)
    result = program.result
    print(f"SUMMARY {os.path.basename(sys.argv[0])}: {result.testsRun} run, "
          f"{len(result.failures)} failed, {len(result.errors)} errors, "
          f"{len(result.skipped)} skipped")
    sys.exit(0 if result.wasSuccessful() else 1)
