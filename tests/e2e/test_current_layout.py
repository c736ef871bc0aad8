"""An update by nimbrel.exe under Wine against the local NOAA stand-in in the current layout (the
default): the cycle follows the Date header of the cycle folder's listing, or this computer's
clock when the server sends none."""

import datetime
import email.utils
import unittest

import harness
import noaa_fixture as fixture
from noaa_fixture import CURRENT_CYCLES, NEXT_UPDATE

CYCLE_SIZE = 300_000


def cycle_path(hour):
    return f"{CURRENT_CYCLES}{hour % 24:02d}Z.TXT"


def http_date(hour, minute, second):
    moment = datetime.datetime(2026, 12, 7, hour, minute, second, tzinfo=datetime.timezone.utc)
    return email.utils.format_datetime(moment, usegmt=True)


def cycle_hour(utc):
    """The hour whose cycle is current at `utc`: cycles are named after the hour they end in,
    and the server's files are used from ten minutes before it."""
    return (utc + datetime.timedelta(minutes=10)).hour


class CurrentLayoutUpdate(fixture.UpdateChecks, unittest.TestCase):
    """One nimbrel.exe started without --layout, asking a stand-in with a file for every hour."""

    @classmethod
    def setUpClass(cls):
        cls.served = {cycle_path(hour): fixture.cycle_file(CYCLE_SIZE, hour, seed=100 + hour)
                      for hour in range(24)}
        cls.start_with(cls.served)

    def update_with_date(self, date):
        self.misbehave(CURRENT_CYCLES, "date", date)
        self.update("blue", NEXT_UPDATE)

    def assertFetched(self, current_hour):
        current, previous = cycle_path(current_hour), cycle_path(current_hour - 1)
        self.assertAsked([CURRENT_CYCLES], [current, previous])
        self.assertReports(self.served[current], self.served[previous])

    def test_ten_minutes_before_the_hour_is_still_the_last_cycle(self):
        self.update_with_date(http_date(13, 49, 59))
        self.assertFetched(13)

    def test_from_ten_minutes_before_the_hour_the_next_cycle(self):
        self.update_with_date(http_date(13, 50, 0))
        self.assertFetched(14)

    def test_the_cycle_after_midnight_follows_the_cycle_before_it(self):
        self.update_with_date(http_date(23, 55, 12))
        self.assertFetched(0)

    def test_without_a_date_header_this_computers_clock_decides(self):
        self.misbehave(CURRENT_CYCLES, "no-date")
        before = datetime.datetime.now(datetime.timezone.utc)
        self.update("blue", NEXT_UPDATE)
        after = datetime.datetime.now(datetime.timezone.utc)
        # The cycle may change while the update runs; either is right then.
        asked = set(self.requests()[1:])
        hours = {cycle_hour(before), cycle_hour(after)}
        for hour in hours:
            if asked == {cycle_path(hour), cycle_path(hour - 1)}:
                self.assertFetched(hour)
                return
        self.fail(f"asked for {sorted(asked)}, expected the cycles of hours {sorted(hours)}")

    def test_a_failure_names_the_server_and_the_layout(self):
        self.misbehave(CURRENT_CYCLES, "date", http_date(13, 50, 0))
        self.misbehave(cycle_path(14), "status", 404)
        shown = self.failed_update("HTTP 404 Not Found")
        self.assertEqual(shown, f"HTTP 404 Not Found [{self.standin.origin} (current layout)]")
        self.assertTrue(self.reports.read(fixture.CURRENT_REPORT) ==
                        fixture.earlier_reports()[fixture.CURRENT_REPORT])


if __name__ == "__main__":
    harness.main()
