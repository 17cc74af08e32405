#!/usr/bin/env python3
"""Writes the bundled sample bars and the level data service's responses for them.

    data/bars/es_5min.csv                 5-minute ES bars, 2025-09-21 18:00 to 2025-10-17 16:55
    data/levels/Futures/ES_<D|W|M|Q|Y>.json  the service's answer for each timeframe

The same run always writes the same bytes: prices come from one seeded
generator (random.Random.random(), whose sequence Python keeps stable for a
given seed), and nothing depends on the clock or the machine.

Bars. ES trades from 18:00 on the previous calendar day to 17:00 (exchange
time); each bar is stamped with its start. The price follows a random walk
pulled towards a slow trend line (about 6230 at the start of July, about 6700
from late September), quieter overnight than in the day session. The walk starts on
1 July so that the weeks, months and the quarter before the sample have real
highs, lows and closes; only the last four weeks are written out.

Responses. Every record is dated the first trading day of a period and carries
the previous period's "High", "Low" and "Close" together with the price map for
the period ("Name" and 32 level texts placed around the previous close). Both
studies read the same files: the timeframe structure study reads the first
four members, the price map overlay study the others. Records are in ascending
date order, the latest last, because the studies keep the last dated element.
"""

import datetime as dt
import json
import math
import pathlib
import random

SEED = 20251017
ROOT = pathlib.Path(__file__).resolve().parent.parent
BARS_FILE = ROOT / "data" / "bars" / "es_5min.csv"
LEVELS_DIR = ROOT / "data" / "levels" / "Futures"

TICK = 0.25
WALK_FIRST_DAY = dt.date(2025, 7, 1)
SAMPLE_FIRST_DAY = dt.date(2025, 9, 22)
LAST_DAY = dt.date(2025, 10, 17)
HOLIDAYS = {dt.date(2025, 7, 4), dt.date(2025, 9, 1)}
# The trend line the walk is pulled towards: (day, price), straight between.
TREND = [(dt.date(2025, 7, 1), 6230.0), (dt.date(2025, 9, 19), 6690.0),
         (dt.date(2025, 10, 17), 6715.0)]

# Periods before the walk: (date of the record, high, low, close).
QUARTERS_BEFORE = [(dt.date(2025, 7, 1), 6218.50, 4845.00, 6198.25)]
YEARS = [(dt.date(2024, 1, 2), 4841.50, 3855.00, 4819.75),
         (dt.date(2025, 1, 2), 6117.50, 4750.25, 5935.75)]

rng = random.Random(SEED)


def uniform(lo, hi):
    return lo + (hi - lo) * rng.random()


def gauss():
    # Box-Muller on random() alone, so the sequence does not depend on how a
    # Python version implements its own normal variates.
    u1 = 1.0 - rng.random()
    u2 = rng.random()
    return math.sqrt(-2.0 * math.log(u1)) * math.cos(2.0 * math.pi * u2)


def pick(options):
    return options[min(int(rng.random() * len(options)), len(options) - 1)]


def to_tick(x):
    return math.floor(x / TICK + 0.5) * TICK


def price(x):
    return f"{to_tick(x):.2f}"


def trading_days(first, last):
    day = first
    while day <= last:
        if day.weekday() < 5 and day not in HOLIDAYS:
            yield day
        day += dt.timedelta(days=1)


def session_bar_times(day):
    """Bar start times of the trading day's session: 18:00 the day before to 16:55."""
    t = dt.datetime.combine(day - dt.timedelta(days=1), dt.time(18, 0))
    end = dt.datetime.combine(day, dt.time(17, 0))
    while t < end:
        yield t
        t += dt.timedelta(minutes=5)


def trend_at(t):
    for (d0, p0), (d1, p1) in zip(TREND, TREND[1:]):
        t0 = dt.datetime.combine(d0, dt.time())
        t1 = dt.datetime.combine(d1, dt.time())
        if t <= t1:
            share = max((t - t0) / (t1 - t0), 0.0)
            return p0 + (p1 - p0) * share
    return TREND[-1][1]


def walk():
    """All bars from the first walk day to the last day, as (time, o, h, l, c, v, day)."""
    bars = []
    x = TREND[0][1]
    for day in trading_days(WALK_FIRST_DAY, LAST_DAY):
        for t in session_bar_times(day):
            trend = trend_at(t)
            day_session = dt.time(9, 30) <= t.time() < dt.time(16, 0)
            sigma = 3.6 if day_session else 1.4
            x += 0.004 * (trend - x) + sigma * gauss()
            op = bars[-1][4] if bars else to_tick(x)
            cl = to_tick(x)
            hi = max(op, cl) + to_tick(abs(gauss()) * sigma * 0.6)
            lo = min(op, cl) - to_tick(abs(gauss()) * sigma * 0.6)
            base = 21000 if day_session else 2400
            if t.time() in (dt.time(9, 30), dt.time(9, 35), dt.time(15, 55)):
                base *= 3
            vol = int(base * uniform(0.55, 1.45))
            bars.append((t, op, hi, lo, cl, vol, day))
    return bars


def summary(bars):
    return (max(b[2] for b in bars), min(b[3] for b in bars), bars[-1][4])


def grouped(bars, key):
    """(first trading day, high, low, close) of each group of consecutive bars."""
    groups = []
    for b in bars:
        k = key(b[6])
        if not groups or groups[-1][0] != k:
            groups.append((k, []))
        groups[-1][1].append(b)
    return [(g[0][6],) + summary(g) for _, g in groups]


def price_map(name, date, high, low, close):
    """The 32 level texts of one record, placed around the previous close."""
    u = max((high - low) / 4.0, 4.0) * uniform(0.9, 1.1)
    d = close + uniform(-0.1, 0.1) * u
    up = {"CR+": 0.2, "UP": 0.4, "CRX+": 0.6, "UT1": 1.0, "UL02": 1.5, "UT2": 2.0,
          "UL04": 2.4, "UL05": 2.7, "UT3": 3.0, "UL07": 3.4, "UL08": 3.7, "UT4": 4.0}
    down = {"CR-": 0.2, "DP": 0.4, "CRX-": 0.6, "DT1": 1.0, "DL02": 1.5, "DT2": 2.0,
            "DL04": 2.4, "DL05": 2.7, "DT3": 3.0, "DL07": 3.4, "DL08": 3.7, "DT4": 4.0}
    level = {"DIR": d}
    level.update({k: d + f * u for k, f in up.items()})
    level.update({k: d - f * u for k, f in down.items()})
    level["R"] = level[pick(["UP", "DIR", "DP"])] + uniform(-0.05, 0.05) * u
    level["+c"] = level[pick(["UT1", "UT2"])] + uniform(-0.04, 0.04) * u
    level["-c"] = level[pick(["DT1", "DT2"])] + uniform(-0.04, 0.04) * u
    widths = {"APMD": (high - low) * uniform(0.7, 0.9), "VAR": u * uniform(0.08, 0.12),
              "AD": u * uniform(0.12, 0.18), "MSD": u * uniform(0.2, 0.3)}
    order = ["APMD", "VAR", "AD", "MSD", "R", "+c", "UT4", "UL08", "UL07", "UT3", "UL05",
             "UL04", "UT2", "UL02", "UT1", "CRX+", "UP", "CR+", "DIR", "CR-", "DP", "CRX-",
             "DT1", "DL02", "DT2", "DL04", "DL05", "DT3", "DL07", "DL08", "DT4", "-c"]
    record = {"Name": name, "Date": date.isoformat(),
              "High": price(high), "Low": price(low), "Close": price(close)}
    for key in order:
        value = widths[key] if key in widths else level[key]
        record[key] = price(max(value, TICK))
    return record


def records(periods):
    """Each period's summary becomes the record of the next period's first day."""
    out = []
    for (_, high, low, close), nxt in zip(periods, periods[1:]):
        out.append(price_map("ES", nxt[0], high, low, close))
    return out


def write_json(path, recs):
    path.parent.mkdir(parents=True, exist_ok=True)
    text = json.dumps({"data": recs}, indent=1, ensure_ascii=True)
    path.write_text(text + "\n", encoding="ascii", newline="\n")


def main():
    bars = walk()

    BARS_FILE.parent.mkdir(parents=True, exist_ok=True)
    with BARS_FILE.open("w", encoding="ascii", newline="\n") as f:
        f.write("DateTime,Open,High,Low,Close,Volume\n")
        for t, op, hi, lo, cl, vol, day in bars:
            if day >= SAMPLE_FIRST_DAY:
                f.write(f"{t:%Y-%m-%d %H:%M:%S},{op:.2f},{hi:.2f},{lo:.2f},{cl:.2f},{vol}\n")

    sessions = grouped(bars, lambda d: d)
    daily = [r for r in records(sessions) if dt.date.fromisoformat(r["Date"]) >= SAMPLE_FIRST_DAY]
    weeks = grouped(bars, lambda d: d.isocalendar()[:2])
    months = grouped(bars, lambda d: (d.year, d.month))
    quarters = grouped(bars, lambda d: (d.year, (d.month - 1) // 3))
    # The periods in progress at the end of the sample have no record yet.
    quarter_recs = [price_map("ES", *q) for q in QUARTERS_BEFORE] + records(quarters)
    year_recs = [price_map("ES", *y) for y in YEARS]

    write_json(LEVELS_DIR / "ES_D.json", daily)
    write_json(LEVELS_DIR / "ES_W.json", records(weeks))
    write_json(LEVELS_DIR / "ES_M.json", records(months))
    write_json(LEVELS_DIR / "ES_Q.json", quarter_recs)
    write_json(LEVELS_DIR / "ES_Y.json", year_recs)


if __name__ == "__main__":
    main()
