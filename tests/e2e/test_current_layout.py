"""An update by nimbrel.exe under Wine against the local NOAA stand-in in the current layout (the
default): the cycle follows the Date header of the cycle folder's listing, or this computer's
clock when the server sends none."""

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


def moment(hour, minute, second=0):
    return datetime.datetime(2026, 12, 7, hour, minute, second, tzinfo=UTC)


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
        # Every file as freshly written by this computer's clock, unless a test says otherwise.
        self.standin.touch_all(datetime.datetime.now(UTC))

    def listing_at(self, server_time):
        """From now on until the test ends, the listing's Date header says `server_time`, and it
        lists every file as modified a minute before."""
        self.standin.touch_all(server_time - datetime.timedelta(minutes=1))
        self.misbehave(CURRENT_CYCLES, "date", fixture.http_date(server_time))

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
        self.update("blue", NEXT_UPDATE)
        self.assertFetched(14)

    def test_the_cycle_after_midnight_follows_the_cycle_before_it(self):
        self.listing_at(moment(23, 55, 12))
        self.update("blue", NEXT_UPDATE)
        self.assertFetched(0)

    def test_without_a_date_header_this_computers_clock_decides(self):
        self.misbehave(CURRENT_CYCLES, "no-date")
        before = datetime.datetime.now(UTC)
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
        before = datetime.datetime.now(UTC)
        earlier = before - datetime.timedelta(hours=6)
        old = fixture.cycle_file(CYCLE_SIZE, earlier.hour, seed=7, day=earlier.date())
        self.standin.put(cycle_path(14), old)
        self.addCleanup(self.standin.put, cycle_path(14), self.served[cycle_path(14)])
        self.listing_at(moment(13, 55))
        shown = self.failed_update("hours old")
        after = datetime.datetime.now(UTC)
        # The server's clock ticks on during the update; the age is in whole hours.
        ages = {(server_now - newest_report(old)) // datetime.timedelta(hours=1)
                for server_now in (before, after)}
        self.assertIn(shown, {f"NOAA's newest report is {age} hours old (14Z)" for age in ages})
        self.assertReports(old, self.served[cycle_path(13)])

    def test_a_failure_names_the_server_and_the_layout(self):
        self.misbehave(cycle_path(14), "status", 404)
        self.listing_at(moment(13, 50, 0))
        shown = self.failed_update("HTTP 404 Not Found")
        self.assertEqual(shown, f"HTTP 404 Not Found [{self.standin.origin} (current layout)]")
        self.assertTrue(self.reports.read(fixture.CURRENT_REPORT) ==
                        fixture.earlier_reports()[fixture.CURRENT_REPORT])


if __name__ == "__main__":
    harness.main()
