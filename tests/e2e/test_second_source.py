"""When NOAA's cycle files cannot be had, nimbrel.exe under Wine takes the reports from a second
source, a gzip-compressed METAR cache file the stand-in serves as the Aviation Weather Center
does; while NOAA answers, the cache is never asked."""

import gzip
import unittest

import harness
import noaa_fixture as fixture
from noaa_fixture import CLASSIC_CYCLES, CURRENT_REPORT, NEXT_UPDATE, PAGE, PREVIOUS_REPORT

CACHE = "/data/cache/metars.cache.csv.gz"
CURRENT = CLASSIC_CYCLES + "14Z.TXT"
PREVIOUS = CLASSIC_CYCLES + "13Z.TXT"

# The stand-in's clock reads 14:05 on the data's day, so 14Z holds the reports from 13:45.
CACHE_FILE = gzip.compress(
    b"No errors\nNo warnings\n5 ms\ndata source=metars\n3 results\n"
    b"raw_text,station_id,observation_time,latitude,longitude\n"
    b'"METAR KJFK 071401Z 31012KT 10SM FEW250 02/M09 A3012",KJFK,2026-12-07T14:01:00Z,40.6,-73.7\n'
    b"KBOS 071354Z 27008KT 10SM CLR 01/M11 A3020,KBOS,2026-12-07T13:54:00.000Z,42.3,-71.0\n"
    b"SPECI EGLL 071320Z 24015KT 9999 BKN012 09/07 Q1002,EGLL,2026-12-07T13:20:00Z,51.4,-0.4\n",
    mtime=0)
FROM_CACHE = (b"2026/12/07 13:54\nKBOS 071354Z 27008KT 10SM CLR 01/M11 A3020\n\n"
              b"2026/12/07 14:01\nKJFK 071401Z 31012KT 10SM FEW250 02/M09 A3012\n\n")
PREVIOUS_FROM_CACHE = b"2026/12/07 13:20\nEGLL 071320Z 24015KT 9999 BKN012 09/07 Q1002\n\n"


class SecondSource(fixture.UpdateChecks, unittest.TestCase):
    """One nimbrel.exe in the classic layout, with the stand-in's cache file as second source."""

    @classmethod
    def setUpClass(cls):
        cls.served = dict(fixture.classic_update_files(300_000))
        cls.served[CACHE] = CACHE_FILE
        cls.start_with(cls.served, "--layout", "classic")
        # Restarted with the stand-in's own cache file, now that its address is known.
        cls.session.stop()
        fixture.start_program(cls.session, cls.standin, "--layout", "classic",
                              "--second-source", cls.standin.origin + CACHE)

    def noaa_fails(self):
        for path in (CURRENT, PREVIOUS):
            self.misbehave(path, "status", 500)

    def test_with_noaa_answering_500_both_reports_come_from_the_cache(self):
        self.noaa_fails()
        self.update("blue", NEXT_UPDATE)
        self.assertEqual(self.requests().count(CACHE), 1)
        self.assertReports(FROM_CACHE, PREVIOUS_FROM_CACHE)
        self.assertIn("CurrentMETAR.txt: 14Z from 127.0.0.1, 2 reports, newest 14:01 UTC "
                      "(NOAA: HTTP 500", self.status_tooltip())

    def test_with_the_cache_down_too_the_line_names_both_failures(self):
        self.noaa_fails()
        self.misbehave(CACHE, "status", 503)
        shown = self.failed_update("; 127.0.0.1: HTTP 503")
        self.assertRegex(shown, r"^HTTP 500 .*\]; 127\.0\.0\.1: HTTP 503")
        earlier = fixture.earlier_reports()
        self.assertReports(earlier[CURRENT_REPORT], earlier[PREVIOUS_REPORT])

    def test_a_cache_file_over_16_mib_is_refused_before_its_body_comes(self):
        # Below the 64 MiB of the other transfers: only the second source's own limit stops it.
        announced = 32 << 20
        self.noaa_fails()
        self.misbehave(CACHE, "huge-announced", announced)
        self.failed_update("; 127.0.0.1: a file of more than 16 MiB")
        sent = [entry["bytes"] for entry in self.standin.responses() if entry["path"] == CACHE]
        self.assertLess(sent[-1], announced)

    def test_while_noaa_answers_the_cache_is_never_asked(self):
        self.update("blue", NEXT_UPDATE)
        self.assertAsked([PAGE], [CURRENT, PREVIOUS])
        self.assertReports(self.served[CURRENT], self.served[PREVIOUS])


if __name__ == "__main__":
    harness.main()
