#!/usr/bin/python3
"""Benchmarks of an update by nimbrel.exe under Wine against the local NOAA stand-in (classic
layout): the time of a whole update beside curl fetching the same three addresses, the CPU the
program uses while an update waits, the peak memory of an update, and what updates through an hour
transfer, today and with conditional and compressed requests. Prints figures and ratios; it never
judges them. Needs a Wine session: run it through scripts/bench (see README.md)."""

import argparse
import ctypes
import datetime
import os
import re
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

import harness  # noqa: E402
import noaa_fixture as fixture  # noqa: E402
from noaa_fixture import CLASSIC_CYCLES, NEXT_UPDATE, PAGE, REPORTS  # noqa: E402

CURRENT = CLASSIC_CYCLES + "14Z.TXT"
PREVIOUS = CLASSIC_CYCLES + "13Z.TXT"
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
# How the stand-in serves the cycle files in each way of fetching them compared: a client of
# today's kind sends plain GETs and asks for no compression, which the rule "plain" gives whatever
# nimbrel.exe asks.
WAYS = (("plain GETs, no gzip (today)", "plain"),
        ("conditional requests", "uncompressed"),
        ("conditional requests and gzip", "serve"))
# NOAA adds the reports that arrive to the current hour's file every few minutes.
UPDATE_INTERVAL = datetime.timedelta(minutes=7)


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("nimbrel", help="nimbrel.exe")
    parser.add_argument("driver", help="nimbrel_driver.exe")
    parser.add_argument("--floor", help="winhttp_floor.exe (default: bench/ beside nimbrel.exe)")
    parser.add_argument("--batches",
                        help="data_batches.exe (default: bench/ beside nimbrel.exe)")
    parser.add_argument("--runs", type=int, default=5, help="updates and curl runs (default 5)")
    parser.add_argument("--size", type=int, default=5_000_000,
                        help="bytes of each cycle file (default 5000000)")
    parser.add_argument("--wait", type=float, default=10.0,
                        help="seconds of the CPU measurement while an update waits (default 10)")
    parser.add_argument("--idle", type=float, default=60.0,
                        help="seconds of each idle CPU measurement, the window shown and "
                             "minimised (default 60)")
    parser.add_argument("--updates", type=int, default=8,
                        help="updates in each way of the transfer measurement (default 8)")
    return parser.parse_args()


def process_cpu_seconds(pid):
    """utime + stime of a Linux process, all its threads."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def status_kib(pid, name):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(name + ":"):
                return int(line.split()[1])
    raise RuntimeError(f"no {name} for process {pid}")


def reset_peak_memory(pid):
    """Lets VmHWM start again from the present resident size (Linux 4.0 and later)."""
    with open(f"/proc/{pid}/clear_refs", "w") as clear:
        clear.write("5")


def thread_ids(pid):
    return set(os.listdir(f"/proc/{pid}/task"))


def stacks_kib(pid, threads):
    """How many of `threads` could be placed, and the resident KiB of the mappings that hold their
    stacks. Under Wine a thread's mapping holds its Windows stack and above it the stack its Unix
    side runs on; Wine writes the top 964 KiB of the Windows stack once the thread runs, where
    Windows commits a page at a time."""
    pointers = []
    for tid in threads:
        try:
            with open(f"/proc/{pid}/task/{tid}/syscall") as syscall:
                fields = syscall.read().split()
        except OSError:  # the thread ended, or Linux will not say
            continue
        if len(fields) > 2:  # a running thread reports only "running"
            pointers.append(int(fields[-2], 16))
    resident, found, inside = 0, set(), False
    with open(f"/proc/{pid}/smaps") as smaps:
        for text in smaps:
            if re.match(r"[0-9a-f]+-[0-9a-f]+ ", text):
                low, high = (int(bound, 16) for bound in text.split()[0].split("-"))
                held = {sp for sp in pointers if low <= sp < high}
                inside = bool(held)
                found |= held
            elif inside and text.startswith("Rss:"):
                resident += int(text.split()[1])
    return len(found), resident


def wineserver_pid():
    """The Wine server of this session's prefix, for comparison; None if not found."""
    prefix = b"WINEPREFIX=" + os.environ["WINEPREFIX"].encode()
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                name = os.path.basename(f.read().split(b"\0")[0])
            with open(f"/proc/{entry}/environ", "rb") as f:
                environment = f.read().split(b"\0")
        except OSError:
            continue
        if name.startswith(b"wineserver") and prefix in environment:
            return int(entry)
    return None


def raw_clock():
    """Seconds of CLOCK_MONOTONIC_RAW, which Wine's performance counter reads, as do the
    stand-in's request times and the driver's watch."""
    return time.clock_gettime(time.CLOCK_MONOTONIC_RAW)


class FolderEvents:
    """When files in a folder were created, closed after writing and moved in (Linux inotify),
    timed as they arrive by a thread of their own."""

    CREATE, CLOSE_WRITE, MOVED_TO = 0x100, 0x8, 0x80

    def __init__(self, folder):
        libc = ctypes.CDLL(None, use_errno=True)
        self._fd = libc.inotify_init1(os.O_CLOEXEC)
        if self._fd < 0 or libc.inotify_add_watch(
                self._fd, folder.encode(), self.CREATE | self.CLOSE_WRITE | self.MOVED_TO) < 0:
            raise OSError(ctypes.get_errno(), f"inotify on {folder}")
        self._arrived = threading.Condition()
        self._events = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        # An event is timed when this thread reads it: on a busy machine an ordinary thread may
        # wait tens of milliseconds to run, so it asks to run first whenever it wakes.
        try:
            os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(1))
        except OSError:
            pass  # without the right to, the times may come late on a busy machine
        while True:
            data = os.read(self._fd, 65536)
            now = raw_clock()
            offset = 0
            while offset < len(data):
                _, mask, _, length = struct.unpack_from("iIII", data, offset)
                name = data[offset + 16:offset + 16 + length].rstrip(b"\0").decode()
                offset += 16 + length
                with self._arrived:
                    self._events.append((now, mask, name))
                    self._arrived.notify_all()

    def take(self, moved_in=()):
        """The events since the last call, each (time, mask, file name), once each of the files
        named in `moved_in` has been moved in: the kernel has its event by then, this thread may
        not yet."""
        def complete():
            return all(any(event & self.MOVED_TO and file == name
                           for _, event, file in self._events) for name in moved_in)

        with self._arrived:
            if not self._arrived.wait_for(complete, timeout=10):
                raise RuntimeError(f"no file events for {moved_in}: {self._events}")
            events, self._events = self._events, []
        return events


class Bench:
    def __init__(self, arguments, session, standin):
        self.arguments = arguments
        self.session = session
        self.standin = standin
        self.served = {PAGE: fixture.metar_page("14Z"),
                       CURRENT: fixture.cycle_file(arguments.size, 14, seed=1),
                       PREVIOUS: fixture.cycle_file(arguments.size, 13, seed=2)}
        for path, data in self.served.items():
            standin.put(path, data)
        self.reports = fixture.ReportFolder(session.prefix, fixture.FOLDER)
        self.folder_events = FolderEvents(self.reports.linux)
        bench_folder = os.path.join(os.path.dirname(arguments.nimbrel), "bench")
        self.floor_program = arguments.floor or os.path.join(bench_folder, "winhttp_floor.exe")
        self.batches_program = arguments.batches or os.path.join(bench_folder, "data_batches.exe")
        self.thread_cost_program = os.path.join(bench_folder, "thread_cost.exe")
        # The floor writes its files where the program writes its reports: on the prefix's disk.
        self.floor_folder = "C:\\nimbrel-floor"
        os.makedirs(session.on_drive_c(self.floor_folder), exist_ok=True)
        self.floor_events = FolderEvents(session.on_drive_c(self.floor_folder))
        fixture.start_program(session, standin, "--layout", "classic")
        pids = session.program_pids()
        if len(pids) != 1:
            raise RuntimeError(f"expected one nimbrel.exe process, found {pids}")
        self.pid = pids[0]

    def delete_reports(self):
        """So that the next update fetches both files whole, as the first one after a start."""
        for name in REPORTS:
            if os.path.exists(self.reports.path(name)):
                os.remove(self.reports.path(name))

    def watch_update(self):
        """Clicks "Get METAR" and waits for both reports written and the line blue again; returns
        the driver's watch."""
        watched = fixture.status_watch(self.session, fixture.UPDATE_TIMEOUT_MS, "blue",
                                       NEXT_UPDATE, click_first=True)
        if not watched["reached"]:
            raise RuntimeError(f"the update did not end: {fixture.steps(watched['samples'])}")
        if (self.reports.read(fixture.CURRENT_REPORT) != self.served[CURRENT]
                or self.reports.read(fixture.PREVIOUS_REPORT) != self.served[PREVIOUS]):
            raise RuntimeError("the reports differ from the served files")
        return watched

    def update(self):
        """One update from the click to both reports written and the line blue again; returns
        its milliseconds, how far it raised the peak resident size, in KiB, the longest the
        window kept the driver waiting for an answer meanwhile, in milliseconds, the data
        messages the program's window took meanwhile (None when it could not say), the
        milliseconds of each step (update_costs), and the threads Wine started for it with their
        stacks' KiB (stacks_kib)."""
        self.delete_reports()
        batches_before = self.data_batches()
        threads_before = thread_ids(self.pid)
        reset_peak_memory(self.pid)
        before = status_kib(self.pid, "VmHWM")
        asked_before = len(self.standin.responses())
        self.folder_events.take()
        watched = self.watch_update()
        peak = status_kib(self.pid, "VmHWM") - before
        new_stacks = stacks_kib(self.pid, thread_ids(self.pid) - threads_before)
        costs = update_costs(watched, self.sent_since(asked_before),
                             self.folder_events.take(REPORTS))
        batches_after = self.data_batches()
        batches = (None if batches_before is None or batches_after is None
                   else batches_after - batches_before)
        return watched["elapsed_ms"], peak, watched["longest_answer_ms"], batches, costs, new_stacks

    def thread_cost_kib(self):
        """What one thread that only waits adds to a process's working set under this Wine."""
        result = subprocess.run(["wine", self.thread_cost_program], stdin=subprocess.DEVNULL,
                                check=True, capture_output=True, timeout=60)
        return int(result.stdout.decode())

    def data_batches(self):
        """The batches of received bytes nimbrel.exe has delivered so far; None if it cannot
        tell."""
        result = subprocess.run(["wine", self.batches_program], stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=60)
        text = result.stdout.decode().strip()
        return int(text) if result.returncode == 0 and text.isdigit() else None

    def sent_since(self, first):
        """The stand-in's log from entry `first` on, once it has logged the end of each body: a
        client may have a whole body before the stand-in's thread notes that it went out."""
        deadline = time.monotonic() + 10
        while True:
            answers = self.standin.responses()[first:]
            if all(answer["body_start"] is None or answer["body_end"] is not None
                   for answer in answers):
                return answers
            if time.monotonic() > deadline:
                raise RuntimeError(f"the stand-in logged no end of a body: {answers}")
            time.sleep(0.01)

    def transfers(self, rule, versions):
        """Updates from a start, once for each version of the current file in `versions` (bytes
        and modification time), the previous file unchanged, with both served by the stand-in's
        `rule`. Returns the cycle files sent whole and the bytes of their bodies."""
        for path in (CURRENT, PREVIOUS):
            self.standin.rule(path, rule)
        self.delete_reports()
        asked_before = len(self.standin.responses())
        for data, modified in versions:
            self.standin.put(CURRENT, data, modified)
            self.served[CURRENT] = data
            self.watch_update()
        answers = [answer for answer in self.standin.responses()[asked_before:]
                   if answer["path"] in (CURRENT, PREVIOUS)]
        return (sum(answer["status"] == 200 for answer in answers),
                sum(answer["bytes"] for answer in answers))

    def curl(self, folder):
        """curl fetching the page and both files one after the other; returns milliseconds."""
        command = ["curl", "--silent", "--show-error", "--fail", "--noproxy", "*"]
        for index, path in enumerate((PAGE, CURRENT, PREVIOUS)):
            command += ["-o", os.path.join(folder, str(index)), self.standin.origin + path]
        start = time.monotonic()
        subprocess.run(command, check=True, stdin=subprocess.DEVNULL, timeout=60)
        return (time.monotonic() - start) * 1000

    def floor(self):
        """The minimal WinHTTP fetcher's own time for the same three addresses, both files
        written, flushed and swapped in, in milliseconds, and its steps (floor_costs)."""
        asked_before = len(self.standin.responses())
        self.floor_events.take()
        result = subprocess.run(
            ["wine", self.floor_program, "127.0.0.1", str(self.standin.port), PAGE, CURRENT,
             PREVIOUS, self.floor_folder],
            check=True, stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
        fields = result.stdout.decode().split()  # "123.4 ms PAGE CURRENT PREVIOUS" (sizes)
        sizes = [int(size) for size in fields[2:]]
        if sizes != [len(self.served[path]) for path in (PAGE, CURRENT, PREVIOUS)]:
            raise RuntimeError(f"the floor fetched other sizes: {result.stdout!r}")
        return float(fields[0]), floor_costs(self.sent_since(asked_before),
                                             self.floor_events.take(REPORTS))

    def cpu_per_second(self, seconds):
        """CPU seconds per wall second of nimbrel.exe, and of the Wine server beside it."""
        server = wineserver_pid()
        start = time.monotonic()
        program_before = process_cpu_seconds(self.pid)
        server_before = process_cpu_seconds(server) if server else 0.0
        time.sleep(seconds)
        wall = time.monotonic() - start
        program = (process_cpu_seconds(self.pid) - program_before) / wall
        wine = (process_cpu_seconds(server) - server_before) / wall if server else float("nan")
        return program, wine

    def show_minimized(self, minimized):
        """Minimises or restores the window, and waits until it is so."""
        self.session.drive(["minimize" if minimized else "restore", "main"])
        deadline = time.monotonic() + 10
        while self.session.drive(["window", "main"])[0]["iconic"] != minimized:
            if time.monotonic() > deadline:
                raise RuntimeError("the window did not " +
                                   ("minimise" if minimized else "restore"))
            time.sleep(0.05)

    def wait_for_stalled_page(self):
        """Starts an update on a page that sends its headers and then nothing for a minute."""
        self.standin.rule(PAGE, "stall", 60)
        watched = fixture.status_watch(self.session, 10000, "purple", "Getting NOAA Zulu time",
                                       click_first=True)
        if not watched["reached"]:
            raise RuntimeError(f"the update did not wait: {fixture.steps(watched['samples'])}")


# The steps of one update, each from the event before it, named as the report prints them; the
# two files' steps are their own, side by side.
STEPS = ("click to page asked", "page", "page to files asked")
FILE_STEPS = ("first byte", "last byte", "judging", "write and flush", "swap")
REPORT_FILES = ((CURRENT, fixture.CURRENT_REPORT), (PREVIOUS, fixture.PREVIOUS_REPORT))


def transfer_costs(responses, folder_events):
    """Seconds of the steps of fetching and writing both files, by the stand-in's log and the
    folder's events: each file's first and last byte sent, from the request and from the first
    byte; then until its temporary file was created (the rest of the transfer and the judging),
    closed after its flush, and moved over the report; and the time of the last swap."""
    asked = {answer["path"]: answer for answer in responses}
    page = asked[PAGE]

    def first(mask, name, temporary=False):
        return min(when for when, event, file in folder_events if event & mask
                   and (file.startswith(name) and file != name if temporary else file == name))

    costs = {"page": page["body_end"] - page["asked"],
             "page to files asked": min(asked[path]["asked"] for path, _ in REPORT_FILES)
             - page["body_end"]}
    swaps = []
    for path, report in REPORT_FILES:
        answer = asked[path]
        created = first(FolderEvents.CREATE, report, temporary=True)
        closed = first(FolderEvents.CLOSE_WRITE, report, temporary=True)
        swaps.append(first(FolderEvents.MOVED_TO, report))
        for step, duration in zip(FILE_STEPS, (
                answer["body_start"] - answer["asked"], answer["body_end"] - answer["body_start"],
                created - answer["body_end"], closed - created, swaps[-1] - closed)):
            costs[f"{report} {step}"] = duration
    return costs, page["asked"], max(swaps)


def update_costs(watched, responses, folder_events):
    """Milliseconds of each step of one update: transfer_costs, and from the driver the click
    (its watch starts right after it) and the line turning blue; all on CLOCK_MONOTONIC_RAW."""
    click = watched["start_us"] / 1e6
    blue = click + watched["elapsed_ms"] / 1e3
    costs, page_asked, last_swap = transfer_costs(responses, folder_events)
    costs.update({"click to page asked": page_asked - click, "status": blue - last_swap,
                  "whole": blue - click})
    return {name: seconds * 1000 for name, seconds in costs.items()}


def floor_costs(responses, folder_events):
    """Milliseconds of the floor's steps, as transfer_costs, and from its first request to its
    last swap."""
    costs, page_asked, last_swap = transfer_costs(responses, folder_events)
    costs["whole"] = last_swap - page_asked
    return {name: seconds * 1000 for name, seconds in costs.items()}


def report_costs(costs, floor):
    """The median of each step over the runs, the floor's beside it."""
    def median(runs, name):
        values = [run[name] for run in runs if name in run]
        return f"{statistics.median(values):.1f}" if values else "-"

    line("costs", "one update, each step in ms from the one before it, median of the runs, "
                  "nimbrel.exe/floor (from the stand-in's sends, the folder's file events and "
                  "the driver's samples):")
    line("", ", ".join(f"{name} {median(costs, name)}/{median(floor, name)}" for name in STEPS))
    for _, report in REPORT_FILES:
        line("", f"{report}: " + ", ".join(
            f"{step} {median(costs, f'{report} {step}')}/{median(floor, f'{report} {step}')}"
            for step in FILE_STEPS))
    line("", f"status (last swap to the line blue) {median(costs, 'status')}, whole "
             f"{median(costs, 'whole')}/{median(floor, 'whole')} (the floor's from its first "
             f"request to its last swap)")


def current_file_versions(bench, updates):
    """The current file as each update finds it: as served first, then with the reports of a
    few more minutes added, each version modified minutes after the one before."""
    first = datetime.datetime.now(datetime.timezone.utc) - UPDATE_INTERVAL * updates
    data = bench.served[CURRENT]
    versions = []
    for index in range(updates):
        if index:
            data += fixture.cycle_file(len(data) // 100, 14, seed=10 + index)
        versions.append((data, first + UPDATE_INTERVAL * index))
    return versions


def report_transfers(arguments, bench):
    versions = current_file_versions(bench, arguments.updates)
    results = [(name, *bench.transfers(rule, versions)) for name, rule in WAYS]
    minutes = UPDATE_INTERVAL.seconds // 60
    line("transfers", f"{arguments.updates} updates {minutes} minutes apart, the current file "
                      f"changed before each, the previous one not: the cycle files sent whole "
                      f"and their body bytes (best possible {arguments.updates + 1} files)")
    today_bytes = results[0][2]
    for name, files, received in results:
        line("", f"{name}: {files} files, {received:,} bytes, "
                 f"{received / today_bytes:.1%} of today's")


def line(label, text):
    print(f"{label:<16}{text}")


def runs_text(values, unit):
    return ", ".join(f"{value:.0f}" for value in values) + (f" {unit}" if unit else "")


def report(arguments, bench):
    runs = arguments.runs
    total_bytes = len(bench.served[CURRENT]) + len(bench.served[PREVIOUS])
    print(f"Nimbrel update benchmark: the page and 2 cycle files of {arguments.size} bytes, "
          f"{runs} runs, stand-in on 127.0.0.1")

    resident_before = status_kib(bench.pid, "VmRSS")
    updates, peaks, answers, batches, curls, floors, new_stacks = [], [], [], [], [], [], []
    costs, floor_steps = [], []
    # Like curl and the floor, nimbrel.exe gets the files as they are; its bytes with compression
    # are the transfer figures' business.
    for path in (CURRENT, PREVIOUS):
        bench.standin.rule(path, "uncompressed")
    with tempfile.TemporaryDirectory(prefix="nimbrel-curl-") as folder:
        for _ in range(runs):  # alternated, so that all see the same machine
            milliseconds, peak, answer, batch_count, update_costs_ms, stacks = bench.update()
            new_stacks.append(stacks)
            updates.append(milliseconds)
            costs.append(update_costs_ms)
            peaks.append(peak)
            answers.append(answer)
            batches.append(batch_count)
            curls.append(bench.curl(folder))
            floor_ms, floor_costs_ms = bench.floor()
            floors.append(floor_ms)
            floor_steps.append(floor_costs_ms)
    update_ms, curl_ms = statistics.median(updates), statistics.median(curls)
    floor_ms = statistics.median(floors)
    line("update time", f"nimbrel.exe, click to both reports written and the line blue: "
                        f"median {update_ms:.0f} ms ({runs_text(updates, 'ms')})")
    line("", f"curl, the same 3 addresses one after the other: "
             f"median {curl_ms:.0f} ms ({runs_text(curls, 'ms')})")
    line("", f"floor: plain WinHTTP under Wine, the page, then both files at once, each written "
             f"to a temporary file, flushed and swapped in: median {floor_ms:.0f} ms "
             f"({runs_text(floors, 'ms')})")
    line("", f"ratio nimbrel/floor {update_ms / floor_ms:.2f}, nimbrel/curl {update_ms / curl_ms:.2f}")
    report_costs(costs, floor_steps)
    if None in batches:
        line("messages", "data messages per update: the program does not tell them")
    else:
        line("messages", f"data messages per update, page and both files: median "
                         f"{statistics.median(batches):.0f} ({runs_text(batches, '')})")
    line("responsiveness", f"longest the window left a question unanswered during an update "
                           f"(the report writes among it): median {statistics.median(answers):.0f} ms "
                           f"({runs_text(answers, 'ms')})")

    # Later updates reuse the heap the first one grew, so the first shows the cost in full.
    later = f"{statistics.median(peaks[1:]) / 1024:.1f} MiB" if runs > 1 else "-"
    line("peak memory", f"VmHWM rise over the resident size before the click: first update "
                        f"{peaks[0] / 1024:.1f} MiB, later ones median {later}")
    line("", f"the two files {total_bytes / 2**20:.1f} MiB; "
             f"ratio first rise/files {peaks[0] * 1024 / total_bytes:.2f}; "
             f"resident before the first update {resident_before / 1024:.1f} MiB, "
             f"after the last {status_kib(bench.pid, 'VmRSS') / 1024:.1f} MiB")
    threads, stacks = new_stacks[0]
    line("", f"of the first rise, {stacks / 1024:.1f} MiB are the stacks of the {threads} threads "
             f"Wine started for it; without them the ratio is "
             f"{(peaks[0] - stacks) * 1024 / total_bytes:.2f}; a thread that only waits adds "
             f"{bench.thread_cost_kib()} KiB under this Wine (thread_cost.exe)")

    report_transfers(arguments, bench)

    idle, idle_server = bench.cpu_per_second(arguments.idle)
    bench.show_minimized(True)
    minimized, minimized_server = bench.cpu_per_second(arguments.idle)
    bench.show_minimized(False)
    bench.wait_for_stalled_page()
    waiting, waiting_server = bench.cpu_per_second(arguments.wait)
    line("CPU", f"nimbrel.exe waiting {arguments.wait:g} s for a stalled page: "
                f"{waiting:.4f} CPU s per s (Wine server meanwhile {waiting_server:.4f})")
    line("", f"resolution {1 / CLOCK_TICKS / arguments.wait:.4f} CPU s per s")
    line("", f"nimbrel.exe idle {arguments.idle:g} s, counting down, shown: "
             f"{idle:.4f} CPU s per s (Wine server meanwhile {idle_server:.4f})")
    line("", f"nimbrel.exe idle {arguments.idle:g} s, counting down, minimised: "
             f"{minimized:.4f} CPU s per s (Wine server meanwhile {minimized_server:.4f})")
    line("", f"resolution {1 / CLOCK_TICKS / arguments.idle:.4f} CPU s per s")


def main():
    arguments = parse_arguments()
    if not os.environ.get("WINEPREFIX") or not os.environ.get("DISPLAY"):
        sys.exit("Needs a Wine session and a display: run scripts/bench.")
    session = harness.Session(arguments.nimbrel, arguments.driver)
    session.ensure_wine_server()
    session.require_nothing_left("before the benchmark")
    session.prepare_display()
    standin = fixture.Standin()
    try:
        report(arguments, Bench(arguments, session, standin))
    finally:
        session.stop()
        session.delete_simulator_key()
        standin.stop()


if __name__ == "__main__":
    main()
