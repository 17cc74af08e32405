#!/usr/bin/env python3
"""Splits every bar of a bars file into N shorter bars, for a long chart over
the same days (the level data of the bundled sample covers those days).

    python3 scripts/split_bars.py data/bars/es_5min.csv 20 > es_15s.csv

Each bar's time is divided evenly; the price walks from the bar's open to its
first extreme, to its other extreme and to its close (high first in a rising
bar, low first in a falling one), in steps of a quarter point, so every short
bar lies inside the long one and the last closes where it closed. The volume
is shared out evenly. The same input always gives the same output.
"""

import datetime as dt
import sys

TICK = 0.25


def on_tick(price):
    return round(price / TICK) * TICK


def split(row, parts, seconds):
    stamp, o, h, lo, c, v = row.split(",")
    start = dt.datetime.strptime(stamp, "%Y-%m-%d %H:%M:%S")
    o, h, lo, c, v = float(o), float(h), float(lo), float(c), int(float(v))
    first, second = (h, lo) if c >= o else (lo, h)
    # The price at the end of each short bar: through both extremes to the close.
    turns = [(0, o), (parts * 3 // 10, first), (parts * 7 // 10, second), (parts, c)]
    closes = []
    for k in range(1, parts + 1):
        for (k0, p0), (k1, p1) in zip(turns, turns[1:]):
            if k0 < k <= k1:
                closes.append(on_tick(p0 + (p1 - p0) * (k - k0) / (k1 - k0)))
                break
    closes[-1] = c
    step = dt.timedelta(seconds=seconds / parts)
    price = o
    out = []
    for k, close in enumerate(closes):
        share = v // parts + (1 if k < v % parts else 0)
        high, low = max(price, close), min(price, close)
        out.append(f"{(start + k * step):%Y-%m-%d %H:%M:%S},{price:.2f},{high:.2f},"
                   f"{low:.2f},{close:.2f},{share}")
        price = close
    return out


def main():
    if len(sys.argv) != 3 or not sys.argv[2].isdigit() or int(sys.argv[2]) < 1:
        sys.exit("usage: split_bars.py BARS.csv PARTS")
    parts = int(sys.argv[2])
    with open(sys.argv[1], encoding="ascii") as bars:
        header = bars.readline().rstrip("\n")
        rows = [line.rstrip("\n") for line in bars if line.strip()]
    # The bars' length: the shortest step between two of them.
    times = [dt.datetime.strptime(row.split(",")[0], "%Y-%m-%d %H:%M:%S") for row in rows]
    gaps = [(b - a).total_seconds() for a, b in zip(times, times[1:]) if b > a]
    seconds = min(gaps) if gaps else 60
    print(header)
    for row in rows:
        for line in split(row, parts, seconds):
            print(line)


if __name__ == "__main__":
    main()
