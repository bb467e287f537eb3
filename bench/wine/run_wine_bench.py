"""Benchmarks of overlay_host and launcher under Wine, each figure against a baseline in paired
rounds on the same prefix and display: the Wine half of scripts/bench.sh.

    python3 bench/wine/run_wine_bench.py [--out FILE] [--quick] [--rounds N]
                                         [--cpu-seconds N] [--only NAME ...]

Each figure is measured in rounds (5; 3 with --quick); each round runs the program and its
baseline one after the other, taking turns which goes first (paired.py). The table gives per
figure the median of the rounds' ratios with the lowest and highest, each side's median and
every round, and marks a figure noisy when its ratios spread wider than the gap it is meant to
show. --only takes rig names (overlay, launcher) or figure names (round_trip, cpu, ...).

A figure is one function, figure_NAME(bench, rig), in the FIGURES list of its rig's module
(overlay_figures.py, launcher_figures.py): it measures with bench.paired and adds its rows
with bench.rounds_row or bench.row. Another program gets a module of its own with a rig class
(start(), close(), a name) and its FIGURES, listed in RIGS below.

VYR_WINDOWS_BUILD_DIR names the Windows build (with the baselines of bench/wine), VYR_E2E_DIR
the folder for the Wine prefix and Xvfb. Timings depend on the machine and its load; nothing
is checked against a limit.
"""
import argparse
import datetime
import os
import subprocess
import sys
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "e2e"))

import browser_figures  # noqa: E402
import harness  # noqa: E402
import launcher_figures  # noqa: E402
import overlay_figures  # noqa: E402
import paired  # noqa: E402

RIGS = [(overlay_figures.OverlayRig, overlay_figures.FIGURES, overlay_figures.EXES),
        (launcher_figures.LauncherRig, launcher_figures.FIGURES, launcher_figures.EXES),
        (browser_figures.BrowserOverlayRig, browser_figures.FIGURES, browser_figures.EXES)]


class Bench:
    """What every figure gets: the number of rounds, paired measurement and the table."""

    def __init__(self, rounds, quick, cpu_seconds, log):
        self.rounds = rounds
        self.quick = quick
        self.cpu_seconds = cpu_seconds
        self.log = log
        self.rows = []
        self.notes = []
        self.tables = []

    def choose(self, full, quick):
        return quick if self.quick else full

    def paired(self, program, baseline):
        return paired.paired(self.rounds, program, baseline)

    def row(self, figure, pairs, text, baseline_name, firsts=None):
        """A row from (program value, baseline value) per round."""
        row = paired.Row(figure, pairs, text, baseline_name, firsts)
        self.rows.append(row)
        self.log("%s" % " | ".join(row.cells()))

    def rounds_row(self, figure, rounds, value, text, baseline_name, baseline_value=None):
        """A row from Rounds: `value` takes a side's result to its number (None for none)."""
        baseline_value = baseline_value or value

        def number(take, result):
            return None if result is None else take(result)
        self.row(figure, [(number(value, r.program), number(baseline_value, r.baseline))
                          for r in rounds], text, baseline_name, [r.first for r in rounds])

    def note(self, text):
        self.notes.append(text)

    def table(self, title, header, rows):
        self.tables.append((title, header, rows))


def wine_version():
    try:
        return subprocess.run(["wine", "--version"], stdout=subprocess.PIPE, text=True,
                              timeout=60).stdout.strip()
    except (OSError, subprocess.SubprocessError):
        return "?"


def write_table(path, bench, started, elapsed, load_at_start):
    lines = [
        "# Benchmarks under Wine",
        "",
        "%s, %s, %d cores, load average at the start %s and at the end %s; the run took "
        "%.0f s%s." % (started.strftime("%Y-%m-%d %H:%M UTC"), wine_version(), os.cpu_count(),
                       " ".join("%.2f" % v for v in load_at_start),
                       " ".join("%.2f" % v for v in os.getloadavg()), elapsed,
                       " (quick)" if bench.quick else ""),
        "Each figure in %d rounds; each round ran the program and its baseline one after the "
        "other, taking turns which went first, on the same prefix and display. Ratio = "
        "program / baseline per round; a figure whose rounds' ratios spread wider than its gap "
        "from 1 is marked noisy." % bench.rounds,
        "",
    ]
    lines += paired.markdown_table(paired.HEADER, [row.cells() for row in bench.rows])
    for title, header, rows in bench.tables:
        lines += ["", title + ":", ""] + paired.markdown_table(header, rows)
    if bench.notes:
        lines.append("")
        lines += ["- " + note for note in bench.notes]
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path + ".new", "w") as f:
        f.write("\n".join(lines) + "\n")
    os.replace(path + ".new", path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", default=os.path.join(SOURCE_DIR, "build", "bench",
                                                      "wine_results.md"))
    parser.add_argument("--quick", action="store_true",
                        help="3 rounds, 10 s CPU windows: a quick look")
    parser.add_argument("--rounds", type=int)
    parser.add_argument("--cpu-seconds", type=float)
    parser.add_argument("--only", nargs="+", metavar="NAME")
    options = parser.parse_args()
    rounds = options.rounds or (3 if options.quick else 5)
    cpu_seconds = options.cpu_seconds or (10.0 if options.quick else 20.0)

    def wanted(rig, figure):
        name = figure.__name__[len("figure_"):]
        return not options.only or rig.name in options.only or name in options.only
    plan = [(rig, [f for f in figures if wanted(rig, f)], exes) for rig, figures, exes in RIGS]
    plan = [(rig, figures, exes) for rig, figures, exes in plan if figures]
    if not plan:
        sys.exit("bench: nothing matches --only %s" % " ".join(options.only))
    for _, _, exes in plan:
        for exe in exes:
            if not os.path.exists(exe):
                sys.exit("bench: %s is missing; build the windows preset first" % exe)

    def log(text):
        print(text, flush=True)

    started = datetime.datetime.now(datetime.timezone.utc)
    load_at_start = os.getloadavg()
    begin = time.monotonic()
    harness.ensure_environment()
    bench = Bench(rounds, options.quick, cpu_seconds, log)
    failed = []

    def attempt(what, action):
        """Runs one step; a failure is kept for the table and the run goes on without it."""
        try:
            action()
            return True
        except Exception as e:  # one broken figure must not cost the others' figures
            traceback.print_exc()
            failed.append(what)
            bench.note("**%s failed** and has no row: %s" % (what, str(e).splitlines()[0]
                                                              if str(e) else type(e).__name__))
            return False
    for rig_class, figures, _ in plan:
        rig = rig_class(bench)
        try:
            if attempt("starting the %s rig" % rig.name, rig.start):
                for figure in figures:
                    log("== %s (%d rounds)" % (figure.__name__, rounds))
                    attempt(figure.__name__, lambda: figure(bench, rig))
        finally:
            rig.close()
    write_table(options.out, bench, started, time.monotonic() - begin, load_at_start)
    log("bench: table in %s" % options.out)
    if failed:
        sys.exit("bench: failed: %s" % ", ".join(failed))


if __name__ == "__main__":
    main()
