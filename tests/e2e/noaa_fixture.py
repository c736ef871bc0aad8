"""The local NOAA stand-in, realistic cycle files and the report folder, for the end-to-end tests
of an update and for its benchmark. Everything stays on 127.0.0.1 and in temporary folders."""

import datetime
import email.utils
import functools
import http.client
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import harness

HERE = os.path.dirname(os.path.abspath(__file__))
STANDIN = os.path.join(HERE, "..", "standin", "noaa_standin.py")
MAKE_CYCLE_FILE = os.path.join(HERE, "..", "data", "make_cycle_file.py")

PAGE = "/weather/metar.shtml"
CLASSIC_CYCLES = "/pub/data/observations/metar/cycles/"
CURRENT_CYCLES = "/data/observations/metar/cycles/"
CYCLE_MARKER = 'therefore the METAR observing cycle is<B><FONT COLOR="#48D1CC">'

# The status line's colours (0x00BBGGRR in the program) as the screen shows them, RRGGBB.
STATUS_COLOURS = {"0000c0": "blue", "800080": "purple", "008000": "green", "ff0000": "red"}
COLOUR_CODES = {name: code for code, name in STATUS_COLOURS.items()}

# The simulator's folder in the registry, and the report folder Text1 shows for it.
TARGET_DIR = "C:\\Fly!"
FOLDER = "C:\\Fly!\\METAR\\"
NEXT_UPDATE = "Next update in 15 minutes"
# Far beyond what a local update takes, far below the program's own time limits.
UPDATE_TIMEOUT_MS = 20000

CURRENT_REPORT = "CurrentMETAR.txt"
PREVIOUS_REPORT = "PreviousMETAR.txt"
REPORTS = (CURRENT_REPORT, PREVIOUS_REPORT)


# The day the cycle files are of. The stand-in's Date matches it, as NOAA's matches its data:
# its clock reads DATA_CLOCK when it starts, whatever day the tests run.
DATA_DAY = datetime.date(2026, 12, 7)
DATA_CLOCK = datetime.datetime.combine(DATA_DAY, datetime.time(14, 5), datetime.timezone.utc)


def cycle_file(size, hour, seed, day=DATA_DAY):
    """The bytes of a realistic cycle file of `hour` on `day`, made by the repository's
    generator."""
    with tempfile.NamedTemporaryFile(prefix="nimbrel-cycle-") as out:
        subprocess.run([sys.executable, MAKE_CYCLE_FILE, out.name, "--size", str(size),
                        "--hour", str(hour), "--seed", str(seed), "--date", day.isoformat()],
                       check=True, timeout=60)
        return out.read()


def http_date(moment):
    """`moment` (an aware datetime) as an HTTP Date header."""
    return email.utils.format_datetime(moment.astimezone(datetime.timezone.utc), usegmt=True)


def metar_page(cycle):
    """A METAR page in the manner of NOAA's classic one, naming `cycle` behind the marker."""
    return ("<html><head><title>METAR Data</title></head><body>\n"
            "<P>The current time is 13:55 UTC, "
            f"{CYCLE_MARKER}{cycle}</FONT></B> (hourly).</P>\n"
            f'<A HREF="{CLASSIC_CYCLES}">Cycle files</A>\n'
            "</body></html>\n").encode("ascii")


def classic_update_files(size):
    """The classic layout's page naming 14Z, and the 14Z and 13Z cycle files of `size` bytes."""
    return {PAGE: metar_page("14Z"),
            CLASSIC_CYCLES + "14Z.TXT": cycle_file(size, 14, seed=1),
            CLASSIC_CYCLES + "13Z.TXT": cycle_file(size, 13, seed=2)}


def standin_for_class(test_class, served):
    """A stand-in serving `served` ({URL path: bytes}) until the tests of `test_class` end."""
    standin = Standin()
    test_class.addClassCleanup(standin.stop)
    for path, data in served.items():
        standin.put(path, data)
    return standin


class Standin:
    """noaa_standin.py serving a temporary folder on 127.0.0.1, its clock at `clock`; stop() ends
    it."""

    def __init__(self, lifetime=300, clock=DATA_CLOCK):
        self.root = tempfile.mkdtemp(prefix="nimbrel-standin-")
        self.process = subprocess.Popen(
            [sys.executable, STANDIN, "--root", self.root, "--lifetime", str(lifetime),
             "--clock", http_date(clock)],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, text=True)
        first = self.process.stdout.readline().split()
        if len(first) != 2 or first[0] != "PORT":
            self.stop()
            raise RuntimeError(f"the stand-in did not start: {first}")
        self.port = int(first[1])
        self.origin = f"http://127.0.0.1:{self.port}"

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.process.stdout.close()
        shutil.rmtree(self.root, ignore_errors=True)

    def put(self, path, data, modified=None):
        """Serves `data` at the URL path `path` from now on; the folder's listing shows it
        modified at `modified` (an aware datetime), or now."""
        local = self._local(path)
        os.makedirs(os.path.dirname(local), exist_ok=True)
        with open(local, "wb") as file:
            file.write(data)
        if modified:
            self.touch(path, modified)

    def touch(self, path, modified):
        """Sets the modification time that the listing shows for `path`."""
        stamp = modified.timestamp()
        os.utime(self._local(path), (stamp, stamp))

    def touch_all(self, modified):
        """Sets the modification time of every file served."""
        for folder, _, names in os.walk(self.root):
            for name in names:
                stamp = modified.timestamp()
                os.utime(os.path.join(folder, name), (stamp, stamp))

    def touch_as_noaa(self, folder, server_time):
        """Sets the times of the cycle files in the URL folder `folder` as NOAA's server has them
        at `server_time`: the file being filled a few minutes old, the hour before's last change
        near HH:58 (but before the newest), each older file within its own hour, back to
        yesterday's file of the hours still to come today."""
        cycle_hour = (server_time + datetime.timedelta(minutes=10)).replace(
            minute=0, second=0, microsecond=0)
        for name in os.listdir(self._local(folder)):
            if not re.fullmatch(r"\d\dZ\.TXT", name):
                continue
            back = (cycle_hour.hour - int(name[:2])) % 24
            if back == 0:
                modified = server_time - datetime.timedelta(minutes=3)
            else:
                modified = min(cycle_hour - datetime.timedelta(hours=back, minutes=-58),
                               server_time - datetime.timedelta(minutes=4))
            self.touch(folder + name, modified)

    def set_clock(self, moment=DATA_CLOCK):
        """From now on the Date header reads `moment` (an aware datetime), running on from there."""
        status, body = self._request("POST", "/__control", json.dumps({"clock": http_date(moment)}))
        if status != 204:
            raise RuntimeError(f"the stand-in refused the clock {moment}: {body!r}")

    def remove(self, path):
        """Serves no file at `path` from now on: a 404, and no entry in the listing."""
        os.remove(self._local(path))

    def _local(self, path):
        return os.path.join(self.root, path.lstrip("/"))

    def rule(self, path, behaviour, arg=None):
        order = {"path": path, "behaviour": behaviour}
        if arg is not None:
            order["arg"] = str(arg)
        status, body = self._request("POST", "/__control", json.dumps(order))
        if status != 204:
            raise RuntimeError(f"the stand-in refused {order}: {body!r}")

    def serve(self, path):
        """Drops the rule of `path`: its file is served as it is again."""
        self.rule(path, "serve")

    def requests(self):
        """The URL paths asked for so far, in order."""
        return [entry["path"] for entry in self.responses()]

    def responses(self):
        """The requests so far, in order, each as {"path", "status", "bytes", ...}: its URL path,
        the status answered (None if none was), the body bytes sent, and its times (see the
        stand-in's README)."""
        return json.loads(self._request("GET", "/__requests")[1])

    def _request(self, method, path, body=None):
        # http.client rather than urllib: no proxy setting may send this elsewhere.
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        try:
            connection.request(method, path, body)
            response = connection.getresponse()
            return response.status, response.read()
        finally:
            connection.close()


class ReportFolder:
    """An output folder the program names C:\\..., as Linux sees it in the Wine prefix."""

    def __init__(self, prefix, windows_folder):
        drive, _, rest = windows_folder.partition(":\\")
        self.linux = os.path.join(prefix, f"drive_{drive.lower()}", *rest.split("\\"))
        os.makedirs(self.linux, exist_ok=True)

    def path(self, name):
        return os.path.join(self.linux, name)

    def read(self, name):
        with open(self.path(name), "rb") as file:
            return file.read()

    def write(self, name, data):
        with open(self.path(name), "wb") as file:
            file.write(data)

    def files(self):
        return sorted(os.listdir(self.linux))


def start_program(session, standin, *options):
    """nimbrel.exe with the simulator in TARGET_DIR, asking the stand-in; returns once its main
    window shows."""
    session.set_target_dir(TARGET_DIR, "32")
    session.start("--server", standin.origin, *options)
    session.drive(["wait", "main", "visible", 30000])


def status_watch(session, timeout_ms, until_colour, until_text="", click_first=False):
    """Samples the status line until it shows a text containing `until_text` in `until_colour` (a
    name), clicking
    "Get METAR" first when asked. Returns the driver's result; each sample's text is given
    without the animation's dots and its colour as a name."""
    commands = [["sendclick", "main", "Command1"]] if click_first else []
    commands.append(["watch", "main", "lblStatus", timeout_ms, ",".join(STATUS_COLOURS),
                     COLOUR_CODES[until_colour], until_text])
    result = session.drive(*commands)[-1]
    for sample in result["samples"]:
        sample["text"] = re.sub(r"\.+$", "", sample["text"])
        sample["colour"] = STATUS_COLOURS.get(sample["colour"], "")
    return result


def steps(samples):
    """The (text, colour) pairs of a watch's samples, repeats merged. A sample without a status
    colour caught the label between erasing and drawing its text, and is left out."""
    merged = []
    for sample in samples:
        step = (sample["text"], sample["colour"])
        if step[1] and merged[-1:] != [step]:
            merged.append(step)
    return merged


def colour_changes(steps):
    """The colours of (text, colour) steps, repeats merged."""
    colours = []
    for _, colour in steps:
        if colours[-1:] != [colour]:
            colours.append(colour)
    return colours


@functools.cache
def earlier_reports():
    """Reports of an earlier update, of the day before the files served: a failed update must
    leave them as they are, and a successful one must replace them, since what it fetched is
    newer."""
    day_before = DATA_DAY - datetime.timedelta(days=1)
    return {CURRENT_REPORT: cycle_file(20_000, 12, seed=3, day=day_before),
            PREVIOUS_REPORT: cycle_file(20_000, 11, seed=4, day=day_before)}


class UpdateChecks:
    """Mixed into a TestCase whose tests share one nimbrel.exe asking one stand-in. Each test
    begins with the earlier reports in the folder and ends with the stand-in healthy."""

    @classmethod
    def start_with(cls, served, *options):
        """Starts the stand-in serving `served` ({URL path: bytes}) and the program with
        `options`; both end after the class's tests."""
        cls.session = harness.SESSION
        cls.standin = Standin()
        cls.addClassCleanup(cls.standin.stop)
        for path, data in served.items():
            cls.standin.put(path, data)
        cls.reports = ReportFolder(cls.session.prefix, FOLDER)
        cls.addClassCleanup(cls.session.delete_simulator_key)
        cls.addClassCleanup(cls.session.stop)
        start_program(cls.session, cls.standin, *options)

    def setUp(self):
        for name, data in earlier_reports().items():
            self.reports.write(name, data)
        self.asked_before = len(self.standin.requests())

    def misbehave(self, path, behaviour, arg=None):
        """A rule for `path` until the test ends."""
        self.standin.rule(path, behaviour, arg)
        self.addCleanup(self.standin.serve, path)

    def requests(self):
        """The paths the program asked for since the test began."""
        return self.standin.requests()[self.asked_before:]

    def update(self, until_colour, until_text):
        """Clicks "Get METAR" and returns what the status line showed, as (text, colour) pairs,
        until its text contained `until_text` in `until_colour`."""
        watched = status_watch(self.session, UPDATE_TIMEOUT_MS, until_colour, until_text,
                               click_first=True)
        shown = steps(watched["samples"])
        self.assertTrue(watched["reached"], shown)
        return shown

    def failed_update(self, until_text):
        """Clicks "Get METAR", waits for the line to turn red with `until_text`, and returns the
        whole message it shows then."""
        watched = status_watch(self.session, UPDATE_TIMEOUT_MS, "red", until_text,
                               click_first=True)
        self.assertTrue(watched["reached"], steps(watched["samples"]))
        return watched["samples"][-1]["text"]

    def wait_for_report(self, name, data):
        """The other transfer of a failed update still writes its report; this waits for it."""
        deadline = time.monotonic() + UPDATE_TIMEOUT_MS / 1000
        while self.reports.read(name) != data:
            if time.monotonic() > deadline:
                self.fail(f"{name} was not written")
            time.sleep(0.05)

    def status_tooltip(self):
        """The text of the status line's tooltip, read while the mouse rests on the line."""
        *_, tip = self.session.drive(["hover", "main", "Text1"],
                                     ["tooltip", "main", "hidden", 10000],
                                     ["hover", "main", "lblStatus"],
                                     ["tooltip", "main", "visible", 10000])
        self.assertTrue(tip["visible"])
        return tip["text"]

    def assertReports(self, current, previous):
        # Not assertEqual: a diff of megabytes helps nobody.
        self.assertTrue(self.reports.read(CURRENT_REPORT) == current, "CurrentMETAR.txt differs")
        self.assertTrue(self.reports.read(PREVIOUS_REPORT) == previous,
                        "PreviousMETAR.txt differs")

    def assertAsked(self, in_order, then_in_any_order):
        """The two cycle files are asked for at once, so they may arrive in either order."""
        asked = self.requests()
        self.assertEqual(asked[:len(in_order)], in_order, asked)
        self.assertEqual(sorted(asked[len(in_order):]), sorted(then_in_any_order), asked)
