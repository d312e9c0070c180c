#!/usr/bin/env python3
"""Concurrency soak of corvinel-cli: two processes on one history at once.

Pairs (each run starts both on a fresh copy of its starting folder, one of
them chosen at random first, the other after a random delay of 0 to 0.4 s):
  add || compact, add || delete-last 50, import || search, add || update
  (the manual entry's road against a scheduled update).
After each run: PRAGMA integrity_check, and
  - a draw that `add` reported stored ("stored ISSUE: ...") must be in the
    history with its numbers (else it counts as LOST);
  - after delete-last 50 the added draw must follow the last kept draw
    (else it counts as a STALE issue, the 50-issue gap);
  - a search that exits 0 must print the old history's answer or the new
    one's (else MIXED);
  - the draws update reported added must all be there.
A run may refuse one side with the busy words (exit 1): that is counted,
never a loss. Exit 1 when anything was lost, stale or mixed.

usage: concurrency.py --build BUILD [--runs N] [--draws N] [--seed S] [--ops add-compact,...]
"""

import argparse
import os
import random
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

import soak as base

BUSY = "数据库正被另一个程序使用，请稍后再试"


def history(folder):
    db = sqlite3.connect(os.path.join(folder, "data", base.GAME_FOLDER, "Tavrose.db"))
    try:
        ok = db.execute("PRAGMA integrity_check").fetchone()[0]
        rows = db.execute("SELECT SQQH, L1A, L2A, L3A, L4A, L5A, L6A, L7A, L8A FROM lishi ORDER BY SQQH").fetchall()
    finally:
        db.close()
    return ok, [(r[0], tuple(r[1:])) for r in rows]


def stored_of(out):
    """(stored issue, numbers) from add's output, or None."""
    for line in out.splitlines():
        if line.startswith("stored "):
            issue, numbers = line[len("stored "):].split(":", 1)
            return int(issue[2:]), tuple(int(n) for n in numbers.split())
    return None


class Concurrency:
    def __init__(self, args):
        self.args = args
        self.soak = base.Soak(argparse.Namespace(build=args.build, work=args.work, seed=args.seed,
                                                 draws=args.draws))
        self.rng = random.Random(args.seed)
        self.stats = {}

    def count(self, op, key):
        self.stats.setdefault(op, {}).setdefault(key, 0)
        self.stats[op][key] += 1

    def start(self, folder, *args):
        return subprocess.Popen(self.soak.command(folder, args), env=self.soak.env_of(folder),
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def pair(self, folder, first, second):
        # Either side may start first, the other after 0 to 0.4 s; the results
        # come back in the order the pair names them.
        lead_first = self.rng.random() < 0.5
        a = self.start(folder, *first) if lead_first else None
        b = None if lead_first else self.start(folder, *second)
        time.sleep(self.rng.uniform(0, 0.4))
        if lead_first:
            b = self.start(folder, *second)
        else:
            a = self.start(folder, *first)
        ra = a.communicate(timeout=600) + (a.returncode,)
        rb = b.communicate(timeout=600) + (b.returncode,)
        return ra, rb

    def fresh(self, start, name):
        folder = os.path.join(self.soak.work, name)
        shutil.rmtree(folder, ignore_errors=True)
        shutil.copytree(start, folder)
        return folder

    def check_add(self, op, folder, add, rows):
        out, err, code = add
        if code != 0:
            self.count(op, "add refused (busy)" if BUSY in err else "add refused: " + err.strip()[-60:])
            return None
        s = stored_of(out)
        if s is None or s not in rows:
            self.count(op, "LOST")
            print("LOST in %s: %s" % (op, out.strip()), flush=True)
            return None
        self.count(op, "add kept")
        return s

    def run(self):
        s = self.soak
        n = self.args.draws
        old_file = s.write("c-old.txt", base.draw_lines(n, base.FIRST_DAY, 12345))
        new_file = s.write("c-new.txt", base.draw_lines(n // 2, base.FIRST_DAY + base.datetime.timedelta(days=300), 99))
        start = s.make_folder("c-start")
        s.cli_ok(start, "import", old_file)
        last = base.last_day_of(n, base.FIRST_DAY)
        today = last + base.datetime.timedelta(days=1)
        # The update loads (and fills the holes of) its last 16 days: the site
        # serves them all, and the add || update pair starts from a history
        # inside them, so the update appends instead of replacing an expired
        # history (which deletes every stored draw after backing it up).
        s.start_site(last - base.datetime.timedelta(days=20), today)
        recent_days = 10
        recent = s.make_folder("c-recent")
        s.cli_ok(recent, "import", s.write("c-recent.txt", base.draw_lines(
            recent_days * base.PER_DAY, last - base.datetime.timedelta(days=recent_days - 1), 4242)))
        search = ["search", "--format", "tsv"]
        # The two answers a search may give.
        answers = {s.cli_ok(start, *search).stdout}
        other = s.make_folder("c-other")
        s.cli_ok(other, "import", new_file)
        answers.add(s.cli_ok(other, *search).stdout)
        add = ["add", "01", "02", "03", "04", "05", "06", "07", "08"]
        ops = {
            "add-compact": (add, ["compact"]),
            "add-delete": (["delete-last", "50"], add),
            "import-search": (["import", new_file], search),
            "add-update": (["update", "--base", s.base, "--today", today.isoformat()], add),
        }
        chosen = self.args.ops.split(",") if self.args.ops else list(ops)
        _, before = history(start)
        _, before_recent = history(recent)
        try:
            for run in range(self.args.runs):
                for op in chosen:
                    first, second = ops[op]
                    folder = self.fresh(recent if op == "add-update" else start, "c-run")
                    ra, rb = self.pair(folder, first, second)
                    ok, rows = history(folder)
                    if ok != "ok":
                        self.count(op, "DAMAGED")
                    if op == "add-compact":
                        self.check_add(op, folder, ra, rows)
                        self.count(op, "compact ok" if rb[2] == 0 else "compact refused")
                    elif op == "add-delete":
                        # Two orders are right: the add first (the deletion then
                        # takes the added draw and 49 more), or the deletion
                        # first (the draw follows the last kept one).
                        out, err, code = rb
                        got = stored_of(out) if code == 0 else None
                        self.count(op, "delete ok" if ra[2] == 0 else "delete refused")
                        if code != 0:
                            self.count(op, "add refused (busy)" if BUSY in err else "add refused: " + err.strip()[-60:])
                        if ra[2] != 0 or got is None:
                            continue
                        add_first = got[0] not in [r[0] for r in before[:-50]] and rows == before[:-49]
                        delete_first = rows[:-1] == before[:-50] and rows[-1] == got
                        if add_first:
                            self.count(op, "add then delete")
                        elif delete_first:
                            self.count(op, "delete then add")
                        elif got not in rows:
                            self.count(op, "LOST")
                            print("LOST in add-delete: %s" % out.strip(), flush=True)
                        else:
                            self.count(op, "STALE")
                            print("STALE in add-delete: %s" % out.strip(), flush=True)
                    elif op == "import-search":
                        out, err, code = rb
                        if code == 0:
                            self.count(op, "search answered" if out in answers else "MIXED")
                        else:
                            self.count(op, "search refused")
                        self.count(op, "import ok" if ra[2] == 0 else "import refused")
                    elif op == "add-update":
                        got = self.check_add(op, folder, rb, rows)
                        if ra[2] not in (0, 1):
                            self.count(op, "update failed %d" % ra[2])
                        else:
                            self.count(op, "update ok" if ra[2] == 0 else "update refused")
                        added = 0
                        for line in ra[0].splitlines():
                            if line.startswith("added "):
                                added = int(line.split()[1])
                        if got is not None:
                            # The add took the issue after the recent history's
                            # last draw only if it stored before the update.
                            first_after = [r for r in rows if r[0] > before_recent[-1][0]][:1]
                            self.count(op, "add then update" if first_after == [got] else "update then add")
                        # Every draw either side reported stored is there.
                        if len(rows) != len(before_recent) + added + (1 if got else 0):
                            self.count(op, "LOST")
                            print("LOST in add-update: %d rows, update %s, add %s" % (len(rows), ra[0].strip(),
                                                                                    rb[0].strip()), flush=True)
                if (run + 1) % 10 == 0:
                    print("runs %d: %s" % (run + 1, self.stats), flush=True)
        finally:
            s.stop_site()
        bad = 0
        print("concurrency soak: %d runs of each of %s, %d draws" % (self.args.runs, ", ".join(chosen), n))
        for op in chosen:
            figures = self.stats.get(op, {})
            lost = sum(v for k, v in figures.items() if k in ("LOST", "STALE", "MIXED", "DAMAGED"))
            bad += lost
            print("  %-14s lost/stale/mixed %d  %s" % (op, lost, ", ".join("%s %d" % kv for kv in sorted(figures.items()))))
        return 1 if bad else 0


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", required=True)
    ap.add_argument("--runs", type=int, default=50)
    ap.add_argument("--draws", type=int, default=3000)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--work")
    ap.add_argument("--ops")
    args = ap.parse_args()
    if not args.work:
        args.work = tempfile.mkdtemp(prefix="corvinel-conc-")
    sys.exit(Concurrency(args).run())


if __name__ == "__main__":
    main()
