#!/usr/bin/env python3
"""Writes a realistic METAR cycle file: a date line and a report per station, a blank line
between reports, LF line ends. The same arguments always give the same bytes."""

import argparse
import datetime
import random
import string


def station_ids(rng, count):
    prefixes = "KCEPLY"
    ids = set()
    while len(ids) < count:
        ids.add(rng.choice(prefixes) + "".join(rng.choice(string.ascii_uppercase) for _ in range(3)))
    return sorted(ids)


def report(rng, station, day, hour, minute):
    wind = f"{rng.randrange(0, 360, 10):03d}{rng.randrange(0, 35):02d}KT"
    if rng.random() < 0.2:
        wind = wind[:-2] + f"G{rng.randrange(20, 50):02d}KT"
    visibility = rng.choice(["10SM", "9999", "6SM", "3SM BR", "1/2SM FG", "8000"])
    clouds = " ".join(
        f"{rng.choice(['FEW', 'SCT', 'BKN', 'OVC'])}{rng.randrange(5, 250, 5):03d}"
        for _ in range(rng.randrange(0, 4))) or "CLR"
    temperature = rng.randrange(-30, 40)
    dew = temperature - rng.randrange(0, 15)
    as_metar = lambda value: f"M{-value:02d}" if value < 0 else f"{value:02d}"
    pressure = f"A{rng.randrange(2900, 3100)}" if station[0] in "KCP" else f"Q{rng.randrange(980, 1040)}"
    remarks = f" RMK AO2 SLP{rng.randrange(0, 999):03d}" if station[0] == "K" else ""
    return (f"{station} {day:02d}{hour:02d}{minute:02d}Z {wind} {visibility} {clouds} "
            f"{as_metar(temperature)}/{as_metar(dew)} {pressure}{remarks}")


def cycle_file(size, hour, seed, date=datetime.date(2026, 12, 7)):
    rng = random.Random(seed)
    stations = station_ids(rng, 4000)
    # A cycle holds the observations from a quarter to the hour before until a quarter to its own.
    start = (datetime.datetime.combine(date, datetime.time(hour))
             - datetime.timedelta(minutes=15))
    lines = []
    total = 0
    index = 0
    while total < size:
        station = stations[index % len(stations)]
        index += 1
        observed = start + datetime.timedelta(minutes=rng.randrange(0, 60))
        entry = (f"{observed:%Y/%m/%d %H:%M}\n"
                 f"{report(rng, station, observed.day, observed.hour, observed.minute)}\n\n")
        lines.append(entry)
        total += len(entry)
    return "".join(lines).encode("ascii")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("output")
    parser.add_argument("--size", type=int, default=2_000_000, help="at least this many bytes")
    parser.add_argument("--hour", type=int, default=14)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--date", type=datetime.date.fromisoformat, default="2026-12-07",
                        help="the day of the cycle, YYYY-MM-DD")
    arguments = parser.parse_args()
    with open(arguments.output, "wb") as out:
        out.write(cycle_file(arguments.size, arguments.hour, arguments.seed, arguments.date))


if __name__ == "__main__":
    main()
