"""Paired rounds and what the table says about them.

A figure is measured in rounds. Each round runs the program and its baseline one after the
other, taking turns which goes first, so that whatever else loads the machine falls on both
alike, and the ratio of one round compares two runs made moments apart. A row gives
the median of the rounds' ratios with the lowest and highest, each side's median, every
round's pair, and a verdict: a figure whose ratios spread wider than the gap it is meant to
show (how far its median ratio lies from 1) is marked noisy and says so, unless every round
puts the program within 5 % of its baseline, which shows steadily that there is no gap.
"""
import statistics

SAME = 0.05  # ratios this close to 1 in every round show that there is no gap


class Round:
    """One round: the program's and the baseline's result and which of them ran first."""

    def __init__(self, program, baseline, first):
        self.program = program
        self.baseline = baseline
        self.first = first


def paired(rounds, program, baseline):
    """Runs program() and baseline() once per round, the program first in the first round and
    then taking turns. Returns the Rounds."""
    out = []
    for index in range(rounds):
        if index % 2 == 0:
            result = program()
            out.append(Round(result, baseline(), "program"))
        else:
            base = baseline()
            out.append(Round(program(), base, "baseline"))
    return out


def _swing(values):
    """How far a side's values ranged across the rounds, as a share of their median."""
    values = [v for v in values if v is not None]
    middle = statistics.median(values) if values else 0
    return (max(values) - min(values)) / middle if middle else 0.0


def verdict(pairs):
    """Whether the rounds' ratios show their gap from 1 beyond their own spread, in words; a
    noisy verdict says how much each side swung by itself from round to round, which tells
    load on the machine (both swing) from the program's own variance (it alone swings)."""
    ratios = [p / b for p, b in pairs if p is not None and b]
    if not ratios:
        return "no value: every round failed"
    missing = len(pairs) - len(ratios)
    lost = " (%d of %d rounds gave no value)" % (missing, len(pairs)) if missing else ""
    if len(ratios) == 1:
        return "one reading, no spread to judge" + lost
    low, high = min(ratios), max(ratios)
    middle = statistics.median(ratios)
    spread = high - low
    gap = abs(middle - 1.0)
    if spread <= gap:
        return "steady: spread %.2f within the gap %.2f from 1%s" % (spread, gap, lost)
    if low >= 1 - SAME and high <= 1 + SAME:
        return ("steady, no gap: program and baseline within %.0f %% of each other in every "
                "round (%.2f-%.2f)%s" % (100 * SAME, low, high, lost))
    swings = "; round to round the program swung by %.0f %% and the baseline by %.0f %% of " \
             "their medians" % (100 * _swing([p for p, _ in pairs]),
                                100 * _swing([b for _, b in pairs]))
    if gap < 0.1:
        return ("noisy: no gap to show (ratio %.2f) and the rounds spread %.2f-%.2f, so the "
                "program and its baseline are not told apart%s%s" % (middle, low, high, swings,
                                                                    lost))
    return ("noisy: the rounds spread %.2f-%.2f (%.2f), wider than the gap %.2f it is meant to "
            "show%s%s" % (low, high, spread, gap, swings, lost))


class Row:
    """One figure of the table. `pairs` holds (program value, baseline value) per round, None
    for a round without a value; `text` formats a value for the table."""

    def __init__(self, figure, pairs, text, baseline_name, firsts=None):
        self.figure = figure
        self.pairs = pairs
        self.text = text
        self.baseline_name = baseline_name
        self.firsts = firsts or []

    def ratios(self):
        return [p / b for p, b in self.pairs if p is not None and b]

    def cells(self):
        ratios = self.ratios()
        programs = [p for p, _ in self.pairs if p is not None]
        baselines = [b for _, b in self.pairs if b is not None]
        if ratios:
            ratio = "**%.2f** (%.2f-%.2f)" % (statistics.median(ratios), min(ratios), max(ratios))
        else:
            ratio = "-"
        each = []
        for index, (p, b) in enumerate(self.pairs):
            mark = "*" if index < len(self.firsts) and self.firsts[index] == "baseline" else ""
            each.append("%s%s / %s" % (mark, self.text(p) if p is not None else "-",
                                        self.text(b) if b is not None else "-"))
        return [self.figure,
                self.text(statistics.median(programs)) if programs else "-",
                "%s (%s)" % (self.text(statistics.median(baselines)) if baselines else "-",
                             self.baseline_name),
                ratio, verdict(self.pairs), "; ".join(each)]


HEADER = ["Figure", "Program, median", "Baseline, median", "Ratio, median (lowest-highest)",
          "Verdict", "Each round: program / baseline (* baseline ran first)"]


def markdown_table(header, rows):
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    for cells in rows:
        lines.append("| " + " | ".join(str(c).replace("|", "\\|") for c in cells) + " |")
    return lines
