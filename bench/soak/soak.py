#!/usr/bin/env python3
"""Crash-kill soak of corvinel-cli.

Kills corvinel-cli with SIGKILL at a random moment during imports, rebuilds,
compactions and online updates, and after every kill checks that the history
database opens (corvinel-cli info), passes PRAGMA integrity_check and holds
either the whole old history or the whole new one (a digest of every row and
column of lishi and Carcu, compared with the digests of both states computed
beforehand by uninterrupted runs).

Each operation has one or more variants. For each variant an uninterrupted run
is measured first; a trial copies the variant's starting folder, starts the
command, waits a random time between 0 and that duration and kills it. Runs
that finish before the kill are checked too but do not count as kills; trials
go on until every operation has its number of kills.

Everything runs in a throwaway folder with its own HOME and XDG folders, so no
real user's settings or data are touched. Standard library only.

Exit status: 0 when every check passed, 1 on any loss or failed check.
"""

import argparse
import datetime
import os
import random
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))

GAME = 556  # the default game: 84 draws a day, three-digit sequence numbers
GAME_FOLDER = "湖南快乐十分"  # its history's folder in the data folder
PER_DAY = 84
FIRST_DAY = datetime.date(2016, 9, 8)


def draw_lines(count, first_day, state):
    """`count` import-file lines from `first_day`, draw 1 on: the stored issue
    number and eight different numbers 01..20 from a fixed linear
    congruential generator, so every run generates the same files."""
    out = []
    day, seq = first_day, 1
    for _ in range(count):
        pool = list(range(1, 21))
        numbers = []
        for k in range(8):
            state = (state * 1103515245 + 12345) & 0xFFFFFFFF
            j = k + (state >> 16) % (20 - k)
            pool[k], pool[j] = pool[j], pool[k]
            numbers.append(pool[k])
        stored = ((day.year % 100) * 10000 + day.month * 100 + day.day) * 1000 + seq
        out.append("%d %s \n" % (stored, " ".join("%02d" % n for n in numbers)))
        seq += 1
        if seq > PER_DAY:
            day, seq = day + datetime.timedelta(days=1), 1
    return "".join(out)


def last_day_of(count, first_day):
    return first_day + datetime.timedelta(days=(count - 1) // PER_DAY)


class Variant:
    """One command of an operation, run on copies of its starting folder."""

    def __init__(self, label, start, args):
        self.label, self.start, self.args = label, start, args
        self.old = self.new = None  # soak_check results of the start and of a finished run
        self.times = []  # durations of uninterrupted runs
        self.trials = 0

    def duration(self):
        """The kill window: median of the latest uninterrupted runs."""
        return statistics.median(self.times[-3:])


class Soak:
    def __init__(self, args):
        self.args = args
        self.build = os.path.abspath(args.build)
        self.cli_bin = os.path.join(self.build, "cli", "corvinel-cli")
        self.check_bin = os.path.join(self.build, "bench", "soak", "soak_check")
        self.site_bin = os.path.join(self.build, "bench", "soak", "soak_site")
        for b in (self.cli_bin, self.check_bin, self.site_bin):
            if not os.access(b, os.X_OK):
                sys.exit("soak: %s is missing; build the 'soak' target first" % b)
        self.work = os.path.abspath(args.work) if args.work else tempfile.mkdtemp(prefix="corvinel-soak-")
        os.makedirs(self.work, exist_ok=True)
        self.rng = random.Random(args.seed)
        self.site = None
        self.base = None
        self.failures = []

    # --- running the programs -------------------------------------------------

    @staticmethod
    def env_of(folder):
        env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
        env.update(
            HOME=os.path.join(folder, "home"),
            XDG_CONFIG_HOME=os.path.join(folder, "config"),
            XDG_DATA_HOME=os.path.join(folder, "share"),
            XDG_CACHE_HOME=os.path.join(folder, "cache"),
            LC_ALL="C.UTF-8",
            LANG="C.UTF-8",
            QT_QPA_PLATFORM="offscreen",
        )
        return env

    def command(self, folder, args):
        return [self.cli_bin, "--data-dir", os.path.join(folder, "data")] + list(args)

    def cli(self, folder, *args):
        return subprocess.run(self.command(folder, args), env=self.env_of(folder), capture_output=True, text=True,
                              timeout=600)

    def cli_ok(self, folder, *args):
        r = self.cli(folder, *args)
        if r.returncode != 0:
            sys.exit("soak: corvinel-cli %s failed (%d): %s%s" % (" ".join(args), r.returncode, r.stdout, r.stderr))
        return r

    def db_path(self, folder):
        return os.path.join(folder, "data", GAME_FOLDER, "Tavrose.db")

    def digest(self, folder):
        """('ok', rows, digest) or ('FAIL', message, None) from soak_check."""
        r = subprocess.run([self.check_bin, self.db_path(folder)], capture_output=True, text=True, timeout=600)
        line = (r.stdout.strip().splitlines() or [r.stderr.strip() or "no output"])[0]
        if r.returncode != 0 or not line.startswith("ok "):
            return ("FAIL", line, None)
        fields = dict(f.split("=", 1) for f in line.split()[1:])
        return ("ok", int(fields["rows"]), fields["digest"])

    # --- starting states ------------------------------------------------------

    def make_folder(self, name):
        folder = os.path.join(self.work, name)
        shutil.rmtree(folder, ignore_errors=True)
        for sub in ("data", "config", "home", "share", "cache"):
            os.makedirs(os.path.join(folder, sub))
        # The longest look-back the program allows, so an update loads many days.
        self.cli_ok(folder, "settings", "IniSerchDay", "16")
        return folder

    def write(self, name, text):
        path = os.path.join(self.work, name)
        with open(path, "w") as f:
            f.write(text)
        return path

    def prepare(self):
        n = self.args.draws
        print("soak: work folder %s, seed %s, %d draws" % (self.work, self.args.seed, n), flush=True)
        old_file = self.write("old.txt", draw_lines(n, FIRST_DAY, 12345))
        self.new_file = self.write("new.txt", draw_lines(n, FIRST_DAY + datetime.timedelta(days=100), 777))
        self.big = self.make_folder("start-big")
        self.cli_ok(self.big, "import", old_file)

        # The day the big history ends; the update runs ten days later. The
        # small history (six days up to that day) lies within the look-back,
        # so the update appends to it; the big one is older and is replaced.
        last = last_day_of(n, FIRST_DAY)
        self.today = last + datetime.timedelta(days=10)
        small_count = 6 * PER_DAY
        small_file = self.write("small.txt", draw_lines(small_count, last - datetime.timedelta(days=5), 4242))
        self.small = self.make_folder("start-small")
        self.cli_ok(self.small, "import", small_file)

        # An issue two thirds into the big history, in display form.
        with open(old_file) as f:
            lines = f.readlines()
        self.cut_issue = "20" + lines[(2 * n) // 3].split()[0]

        self.start_site(last - datetime.timedelta(days=20), self.today + datetime.timedelta(days=2))

    def start_site(self, first, last):
        self.site = subprocess.Popen([self.site_bin, "--code", str(GAME), "--from", first.isoformat(), "--to",
                                      last.isoformat()], stdout=subprocess.PIPE, text=True)
        self.base = self.site.stdout.readline().strip()
        if not self.base.startswith("http://"):
            sys.exit("soak: soak_site did not start")

    def stop_site(self):
        if self.site:
            self.site.terminate()
            self.site.wait()

    # --- operations -----------------------------------------------------------

    def operations(self):
        today = self.today.isoformat()
        update = ["update", "--base", self.base, "--today", today]
        return [
            ("import", [("import", self.big, ["import", self.new_file])]),
            ("rebuild", [
                ("delete-last", self.big, ["delete-last", str(self.args.draws // 5)]),
                ("delete-after", self.big, ["delete-after", self.cut_issue]),
            ]),
            ("compact", [("compact", self.big, ["compact"])]),
            ("update", [
                ("update replacing an expired history", self.big, update),
                ("update appending", self.small, update),
            ]),
            # The search's write-back runs on the session's background writer
            # (its own thread and connection), as in the window; most of a
            # search's time is that write.
            ("search", [
                ("search (background write-back)", self.big,
                 ["search", "--positions", "1,2,3,4,5,6,7,8", "--kind", "zodiac", "--format", "tsv"]),
                ("combo --size 4 (background write-back)", self.big, ["combo", "--size", "4", "--format", "tsv"]),
            ]),
        ]

    def timed_run(self, v):
        """One uninterrupted run of variant `v` on a copy of its start; adds
        its duration to `v.times` and checks that it reaches `v.new`."""
        folder = self.copy(v.start, "measure")
        t0 = time.monotonic()
        r = subprocess.run(self.command(folder, v.args), env=self.env_of(folder), capture_output=True, text=True)
        v.times.append(time.monotonic() - t0)
        if r.returncode != 0:
            sys.exit("soak: uninterrupted %s failed (%d): %s%s" % (v.label, r.returncode, r.stdout, r.stderr))
        d = self.digest(folder)
        if d[0] != "ok" or (v.new is not None and d != v.new):
            sys.exit("soak: uninterrupted %s gives no stable result: %s" % (v.label, d))
        v.new = d

    def measure(self, v):
        """The old state of variant `v` and, from a few uninterrupted runs, its
        new state and duration."""
        v.old = self.digest(v.start)
        if v.old[0] != "ok":
            sys.exit("soak: the starting state of %s does not check: %s" % (v.label, v.old[1]))
        for _ in range(self.args.measure_runs):
            self.timed_run(v)
        if v.label == "compact" and v.new[2] != v.old[2]:
            sys.exit("soak: compaction changed the history")
        if v.label != "compact" and v.new[2] == v.old[2]:
            sys.exit("soak: %s does not change the history" % v.label)
        print("  %-36s %.3f s uninterrupted; old %d rows, new %d rows" % (v.label, v.duration(), v.old[1],
                                                                          v.new[1]), flush=True)

    def copy(self, start, name):
        folder = os.path.join(self.work, name)
        shutil.rmtree(folder, ignore_errors=True)
        shutil.copytree(start, folder)
        return folder

    def trial(self, op, v, n):
        """One kill; returns a dict of what happened."""
        label, start, args, old, new = v.label, v.start, v.args, v.old, v.new
        folder = self.copy(start, "trial")
        delay = self.rng.uniform(0.0, v.duration())
        p = subprocess.Popen(self.command(folder, args), env=self.env_of(folder), stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        time.sleep(delay)
        running = p.poll() is None
        if running:
            os.kill(p.pid, signal.SIGKILL)
        rc = p.wait()
        killed = running and rc == -signal.SIGKILL
        data = os.path.join(folder, "data", GAME_FOLDER)
        journal = os.path.exists(os.path.join(data, "Tavrose.db-journal"))
        # The copy keeps the start file's size and modification time; a hot
        # journal beside a file that differs means the kill came while the
        # commit was writing pages, so only the journal's rollback mends it.
        s0, s1 = os.stat(self.db_path(start)), os.stat(self.db_path(folder))
        out = {
            "killed": killed,
            "delay": delay,
            "journal": journal,
            "torn": journal and (s0.st_size, s0.st_mtime_ns) != (s1.st_size, s1.st_mtime_ns),
            "copy": os.path.exists(os.path.join(data, "TavroseTmp.db")),
        }
        problems = []
        if not killed and rc != 0:
            problems.append("finished with exit code %d" % rc)

        info = self.cli(folder, "info")
        if info.returncode != 0:
            problems.append("corvinel-cli info fails (%d): %s" % (info.returncode, info.stderr.strip()))
        d = self.digest(folder)
        if d[0] != "ok":
            problems.append(d[1])
            out["state"] = None
        elif d[2] == old[2]:
            out["state"] = "old"
        elif d[2] == new[2]:
            out["state"] = "new"
        else:
            out["state"] = None
            problems.append("neither the old nor the new history (%d rows)" % d[1])
        if not killed and out["state"] == "old" and old[2] != new[2]:
            problems.append("finished but holds the old history")

        if op == "compact" and not problems:
            # A copy left by the killed compaction must not get in the way of
            # the next one.
            r = self.cli(folder, "compact")
            after = self.digest(folder)
            if r.returncode != 0:
                problems.append("compact after the kill fails: %s" % r.stderr.strip())
            elif after != d:
                problems.append("compact after the kill changed the history")

        out["problems"] = problems
        if problems:
            kept = self.copy(folder, "failed-%s-%d" % (op, n))
            msg = "%s #%d (%s, kill after %.3f s): %s; folder kept in %s" % (
                op, n, label, delay, "; ".join(problems), kept)
            self.failures.append(msg)
            print("  LOSS " + msg, flush=True)
        return out

    def run(self):
        t_start = time.monotonic()
        self.prepare()
        print("soak: measuring uninterrupted runs", flush=True)
        plan = []
        for op, variants in self.operations():
            if self.args.ops and op not in self.args.ops.split(","):
                continue
            measured = [Variant(*v) for v in variants]
            for v in measured:
                self.measure(v)
            plan.append((op, measured))

        total_kills = total_intact = 0
        lines = []
        for op, variants in plan:
            t_op = time.monotonic()
            kills = intact = finished = finished_ok = 0
            states = {"old": 0, "new": 0}
            journals = torn = copies = 0
            attempt = 0
            per_variant = {}
            while kills < self.args.kills and attempt < 4 * self.args.kills:
                variant = variants[attempt % len(variants)]
                attempt += 1
                if variant.trials and variant.trials % 10 == 0:
                    # The machine's load changes; keep the kill window in step.
                    self.timed_run(variant)
                variant.trials += 1
                r = self.trial(op, variant, attempt)
                ok = not r["problems"]
                per = per_variant.setdefault(variant.label, [0, 0, 0, 0])  # kills, intact, old, new
                if r["killed"]:
                    per[0] += 1
                    per[1] += ok
                    per[2] += r["state"] == "old"
                    per[3] += r["state"] == "new"
                    kills += 1
                    intact += ok
                    if r["state"]:
                        states[r["state"]] += 1
                    journals += r["journal"]
                    torn += r["torn"]
                    copies += r["copy"]
                else:
                    finished += 1
                    finished_ok += ok
            line = "%s: %d kills, %d intact (" % (op, kills, intact)
            if op == "compact":
                # Old and new history are the same; what matters is the file.
                line += "history unchanged %d; %d left a hot journal, %d left TavroseTmp.db" % (
                    states["old"], journals, copies)
            else:
                line += "old %d, new %d; %d left a hot journal, %d of them beside a half-written file" % (
                    states["old"], states["new"], journals, torn)
            line += "); %d runs finished before the kill, %d intact; kill window up to %s s; %.0f s" % (
                finished, finished_ok, "/".join("%.2f" % v.duration() for v in variants), time.monotonic() - t_op)
            if len(per_variant) > 1:
                for label, (k, i, o, nw) in per_variant.items():
                    line += "\n    %s: %d kills, %d intact (old %d, new %d)" % (label, k, i, o, nw)
            print(line, flush=True)
            lines.append(line)
            total_kills += kills
            total_intact += intact
            if finished_ok != finished:
                total_intact -= finished - finished_ok  # a failed finished run counts as a loss too

        self.stop_site()
        print("---")
        for line in lines:
            print(line)
        print("overall: %d kills, %d intact; %d failed checks; runtime %.0f s" % (
            total_kills, total_intact, len(self.failures), time.monotonic() - t_start))
        if self.failures:
            print("LOSSES:")
            for f in self.failures:
                print("  " + f)
        elif not self.args.keep and not self.args.work:
            shutil.rmtree(self.work, ignore_errors=True)
        return 1 if self.failures or total_kills < len(plan) * self.args.kills else 0


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--build", default=os.environ.get("CORVINEL_BUILD_DIR", os.path.join(REPO, "build")),
                    help="build folder with cli/corvinel-cli and bench/soak/soak_check, soak_site")
    ap.add_argument("--kills", type=int, default=50, help="kills per operation (default 50)")
    ap.add_argument("--draws", type=int, default=100000, help="draws of the starting history (default 100000)")
    ap.add_argument("--seed", type=int, default=20161208, help="seed of the kill moments")
    ap.add_argument("--measure-runs", type=int, default=3, help="uninterrupted runs per variant (median taken)")
    ap.add_argument("--ops", help="comma-separated subset of import,rebuild,compact,update,search (default: all)")
    ap.add_argument("--work", help="work folder (default: a new temporary folder, removed when all is well)")
    ap.add_argument("--keep", action="store_true", help="keep the temporary work folder")
    args = ap.parse_args()
    soak = Soak(args)
    # A terminated soak still stops its site server.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("soak: terminated"))
    try:
        return soak.run()
    finally:
        soak.stop_site()


if __name__ == "__main__":
    sys.exit(main())
