"""An update by nimbrel.exe under Wine against the local NOAA stand-in in the current layout (the
default): the cycle follows the Date header of the cycle folder's listing, or this computer's
clock when the server sends none, and the listing's times only advise."""

import datetime
import re
import unittest

import harness
import noaa_fixture as fixture
from noaa_fixture import CURRENT_CYCLES, NEXT_UPDATE

CYCLE_SIZE = 300_000
UTC = datetime.timezone.utc
DATE_LINE = re.compile(r"\d{4}/\d\d/\d\d \d\d:\d\d")


def cycle_path(hour):
    return f"{CURRENT_CYCLES}{hour % 24:02d}Z.TXT"


def moment(hour, minute, second=0, day=fixture.DATA_DAY):
    return datetime.datetime.combine(day, datetime.time(hour, minute, second), UTC)


def cycle_hour(utc):
    """The hour whose cycle is current at `utc`: cycles are named after the hour they end in,
    and the server's files are used from ten minutes before it."""
    return (utc + datetime.timedelta(minutes=10)).hour


def newest_report(data):
    """The newest of the times that head the reports of a cycle file."""
    return max(datetime.datetime.strptime(line, "%Y/%m/%d %H:%M").replace(tzinfo=UTC)
               for line in data.decode("ascii").splitlines() if DATE_LINE.fullmatch(line))


class CurrentLayoutUpdate(fixture.UpdateChecks, unittest.TestCase):
    """One nimbrel.exe started without --layout, asking a stand-in with a file for every hour."""

    @classmethod
    def setUpClass(cls):
        cls.served = {cycle_path(hour): fixture.cycle_file(CYCLE_SIZE, hour, seed=100 + hour)
                      for hour in range(24)}
        cls.start_with(cls.served)

    def setUp(self):
        super().setUp()
        # Each test is a run of its own: within a run the program's server clock never goes back,
        # and these tests move it both ways.
        self.session.stop()
        fixture.start_program(self.session, self.standin)
        # Every file as freshly written by this computer's clock, unless a test says otherwise.
        self.standin.touch_all(datetime.datetime.now(UTC))

    def listing_at(self, server_time):
        """From now on until the test ends, the server's clock reads `server_time`, and its
        listing shows the files as NOAA's does then."""
        self.standin.touch_as_noaa(CURRENT_CYCLES, server_time)
        self.standin.set_clock(server_time)
        self.addCleanup(self.standin.set_clock)

    def assertFetched(self, current_hour):
        current, previous = cycle_path(current_hour), cycle_path(current_hour - 1)
        self.assertAsked([CURRENT_CYCLES], [current, previous])
        self.assertReports(self.served[current], self.served[previous])

    def test_ten_minutes_before_the_hour_is_still_the_last_cycle(self):
        self.listing_at(moment(13, 49, 59))
        self.update("blue", NEXT_UPDATE)
        self.assertFetched(13)

    def test_from_ten_minutes_before_the_hour_the_next_cycle(self):
        self.listing_at(moment(13, 50, 0))
        # Apache lists the server's local time without naming the zone: five hours behind UTC
        # the files still compare alike among themselves.
        self.misbehave(CURRENT_CYCLES, "zone", -300)
        self.update("blue", NEXT_UPDATE)
        self.assertFetched(14)

    def test_a_caches_copy_tells_the_time_by_its_date_and_its_age(self):
        self.listing_at(moment(13, 50, 0))
        # Kept two hours: its Date reads 11:50, and its Age says how long ago that was.
        self.misbehave(CURRENT_CYCLES, "aged", 7200)
        self.update("blue", NEXT_UPDATE)
        self.assertFetched(14)

    def test_the_cycle_after_midnight_follows_the_cycle_before_it(self):
        # 23:55 on the day before the data: the 00Z file of the data's day is the new one.
        self.listing_at(moment(23, 55, 12, day=fixture.DATA_DAY - datetime.timedelta(days=1)))
        self.update("blue", NEXT_UPDATE)
        self.assertAsked([CURRENT_CYCLES], [cycle_path(0), cycle_path(23)])
        self.assertTrue(self.reports.read(fixture.CURRENT_REPORT) == self.served[cycle_path(0)])

    def test_without_a_date_header_this_computers_clock_decides(self):
        self.misbehave(CURRENT_CYCLES, "no-date")
        before = datetime.datetime.now(UTC)
        # The cycle files' own Date: this time of day on the data's day, so that what they hold
        # is fresh whatever the hour; from ten minutes before midnight, when the data's 00Z file
        # is the new one, on the day before it.
        day = fixture.DATA_DAY
        if cycle_hour(before) == 0 and before.hour == 23:
            day -= datetime.timedelta(days=1)
        self.standin.set_clock(datetime.datetime.combine(day, before.time(), UTC))
        self.addCleanup(self.standin.set_clock)
        self.update("blue", NEXT_UPDATE)
        after = datetime.datetime.now(UTC)
        # The cycle may change while the update runs; either is right then.
        asked = set(self.requests()[1:])
        hours = {cycle_hour(before), cycle_hour(after)}
        for hour in hours:
            if asked == {cycle_path(hour), cycle_path(hour - 1)}:
                self.assertFetched(hour)
                return
        self.fail(f"asked for {sorted(asked)}, expected the cycles of hours {sorted(hours)}")

    def test_a_new_hours_file_not_yet_listed_gives_the_hour_before(self):
        self.standin.remove(cycle_path(14))
        self.addCleanup(self.standin.put, cycle_path(14), self.served[cycle_path(14)])
        self.listing_at(moment(13, 55))
        self.update("blue", NEXT_UPDATE)
        self.assertFetched(13)
        status, summary = self.status_tooltip().split("\r\n")
        self.assertEqual(status.rstrip("."), NEXT_UPDATE)
        self.assertRegex(summary, "^14Z not yet published; used 13Z and 12Z \u00b7 "
                         r"CurrentMETAR\.txt: 13Z, [\d,]+ reports, newest 13:\d\d UTC \u00b7 "
                         r"PreviousMETAR\.txt: 12Z, [\d,]+ reports, newest 12:\d\d UTC \u00b7 "
                         r"updated \d\d:\d\d UTC$")

    def test_hours_old_reports_end_red_with_their_age(self):
        old = fixture.cycle_file(CYCLE_SIZE, 7, seed=7)
        self.standin.put(cycle_path(14), old)
        self.addCleanup(self.standin.put, cycle_path(14), self.served[cycle_path(14)])
        started = datetime.datetime.now(UTC)
        self.listing_at(moment(13, 55))
        shown = self.failed_update("hours old")
        elapsed = datetime.datetime.now(UTC) - started
        # The server's clock ticks on during the update; the age is in whole hours.
        ages = {(server_now - newest_report(old)) // datetime.timedelta(hours=1)
                for server_now in (moment(13, 55), moment(13, 55) + elapsed)}
        self.assertIn(shown, {f"NOAA's newest report is {age} hours old (14Z)" for age in ages})
        self.assertReports(old, self.served[cycle_path(13)])

    def test_an_html_page_sent_with_200_keeps_the_report_and_says_so(self):
        self.misbehave(cycle_path(14), "status", 200)
        self.listing_at(moment(13, 50, 0))
        shown = self.failed_update("sent no reports")
        page = len(b"<html><body>200</body></html>\n")
        self.assertEqual(shown, f"The server sent no reports for 14Z (an HTML page of {page} "
                         f"bytes) [{self.standin.origin} (current layout)]")
        self.wait_for_report(fixture.PREVIOUS_REPORT, self.served[cycle_path(13)])
        self.assertReports(fixture.earlier_reports()[fixture.CURRENT_REPORT],
                           self.served[cycle_path(13)])

    def test_a_listing_refused_with_403_still_updates_by_the_servers_clock(self):
        self.listing_at(moment(13, 55))
        self.misbehave(CURRENT_CYCLES, "status", 403)
        self.update("blue", NEXT_UPDATE)
        self.assertFetched(14)
        self.assertIn("\r\nfolder listing not available\r\n", self.status_tooltip())

    def test_a_failure_names_the_server_and_the_layout(self):
        self.misbehave(cycle_path(14), "status", 404)
        self.listing_at(moment(13, 50, 0))
        shown = self.failed_update("HTTP 404 Not Found")
        self.assertEqual(shown, f"HTTP 404 Not Found [{self.standin.origin} (current layout)]")
        self.assertTrue(self.reports.read(fixture.CURRENT_REPORT) ==
                        fixture.earlier_reports()[fixture.CURRENT_REPORT])


if __name__ == "__main__":
    harness.main()
