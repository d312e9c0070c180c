#!/usr/bin/env python3
"""Writes generated-sample-history.txt: made-up Guangdong Happy Ten draws.

The numbers come from a fixed-seed pseudo-random generator, not from any real
drawing. The output is the text format the import reads: the display-form
issue number ("20" + YYMMDD + the two-digit sequence number of the day), then
the eight numbers 01..20 in drawn order, separated by spaces.

The generator is a 64-bit xorshift written out here rather than Python's
`random`, so every Python 3 version writes the same bytes.

    python3 samples/generate.py [--days N] [--start YYYY-MM-DD] [--seed S] [OUT]
"""

import argparse
import datetime
import pathlib
import sys

DRAWS_PER_DAY = 84  # Guangdong
NUMBERS_PER_DRAW = 8
MASK64 = (1 << 64) - 1


class XorShift64:
    def __init__(self, seed):
        # Zero is the one state xorshift never leaves.
        self.state = (seed & MASK64) or 0x9E3779B97F4A7C15

    def next(self):
        x = self.state
        x ^= (x << 13) & MASK64
        x ^= x >> 7
        x ^= (x << 17) & MASK64
        self.state = x
        return x

    def below(self, n):
        # Rejection keeps every value equally likely.
        limit = (1 << 64) - (1 << 64) % n
        while True:
            v = self.next()
            if v < limit:
                return v % n


def draw(rng):
    """Eight distinct numbers of 1..20 in drawn order (partial Fisher-Yates)."""
    pool = list(range(1, 21))
    for i in range(NUMBERS_PER_DRAW):
        j = i + rng.below(len(pool) - i)
        pool[i], pool[j] = pool[j], pool[i]
    return pool[:NUMBERS_PER_DRAW]


def lines(start, days, seed):
    rng = XorShift64(seed)
    for d in range(days):
        day = start + datetime.timedelta(days=d)
        for seq in range(1, DRAWS_PER_DAY + 1):
            issue = "%04d%02d%02d%02d" % (day.year, day.month, day.day, seq)
            yield issue + " " + " ".join("%02d" % n for n in draw(rng))


def main(argv):
    here = pathlib.Path(__file__).resolve().parent
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("out", nargs="?", default=str(here / "generated-sample-history.txt"))
    p.add_argument("--days", type=int, default=28)
    p.add_argument("--start", default="2025-09-01")
    p.add_argument("--seed", type=int, default=20250901)
    a = p.parse_args(argv)
    start = datetime.date.fromisoformat(a.start)
    if a.days < 1:
        p.error("--days must be at least 1")
    if start.year < 2010 or start.year > 2099:
        # The stored issue number begins with a two-digit year.
        p.error("--start must lie in 2010..2099")
    text = "\n".join(lines(start, a.days, a.seed)) + "\n"
    pathlib.Path(a.out).write_text(text, encoding="ascii", newline="\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
