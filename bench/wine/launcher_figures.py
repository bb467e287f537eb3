"""The launcher's figures under Wine in paired rounds: the status query over 10 MiB of output
against status_baseline.exe, which runs the same stand-in script through the same pipe and
chunk size and does nothing else (the platform's floor), and the delay of an action.log line
to its `log` message against the mean wait of the launcher's 250 ms poll.

The launcher is driven as the end-to-end tests drive it: the stand-in WebView2 runtime as the
page, the stand-in PowerShell as the kit script."""
import datetime
import os
import select
import socket
import statistics
import time

import harness
import launcher_harness as lh
import launcher_standins
import linux_views as lv
from harness import wait_for
from webview_standin import StandIn

STATUS_EXE = os.path.join(harness.WINDOWS_BUILD, "bench", "wine", "status_baseline.exe")
EXES = [lh.LAUNCHER_EXE, STATUS_EXE]

BIG_STATUS = ['out {"pad":"', "outrepeat 1048576 0123456789", 'out "}']
BIG_BYTES = 10485770
ACTION_POLL_MS = 250        # the launcher's poll of action.log


def log_time(line, near):
    """The wall time of a launcher log line's HH:MM:SS.mmm stamp, on the day of `near`."""
    hours, minutes, seconds = line[:12].split(":")
    day = datetime.datetime.fromtimestamp(near).replace(hour=int(hours), minute=int(minutes),
                                                        second=0, microsecond=0)
    return day.timestamp() + float(seconds)


class LauncherRig:
    """The launcher over a fresh kit with the stand-in page and the stand-in PowerShell."""
    name = "launcher"

    def __init__(self, bench):
        self.bench = bench
        self.processes = []
        self.closers = []

    def start(self):
        self.powershell = launcher_standins.PowerShell()
        self.closers.append(self.powershell.restore)
        self.folder, self.kit = lh.new_kit("bench_launcher")
        self.page = StandIn(self.folder)
        self.closers.append(self.page.close)
        process = lh.LauncherProcess(os.path.join(self.folder, "launcher.exe"), [],
                                     env=self.page.env)
        self.processes.append(process)
        self.closers.append(lambda: wait_for(lambda: not lh.launcher_windows(),
                                             "no launcher window left"))
        self.page.wait_for_note("navigationStarting")
        wait_for(lh.launcher_windows, "the launcher window")
        self.log_path = os.path.join(self.kit, "launcher", "data", "launcher.log")
        self.pid = lv.program_pid(process, "launcher.exe")

    def close(self):
        for process in self.processes:
            process.kill()
        for close in reversed(self.closers):
            try:
                close()
            except Exception as e:  # cleaning up must go on
                self.bench.log("clean-up: %s" % e)

    def posted_since(self, mark):
        return [e.args[0] for e in self.page.entries()[mark:]
                if e.kind == "call" and e.name == "webview.PostWebMessageAsJson"]


# -- the status query ---------------------------------------------------------------------


def launcher_status(rig):
    """One status query through the page: request to answer by the stand-in's clock, and by
    Linux wall time split at the launcher's status line (before it the script runs and its
    output is read; after it the answer is built, posted to the window and handed to the web
    view), with the CPU of the launcher's threads on each side of it."""
    mark = len(rig.page.entries())
    logged_before = len(harness.read_log_lines(rig.log_path))
    server = lv.wineserver_pid()
    server_before = lv.cpu_seconds(server) if server else 0.0
    threads_before = lv.thread_cpu(rig.pid)
    size_before = os.path.getsize(rig.page.record_path)
    sent = time.time()
    rig.page.post_json('{"cmd":"status"}')
    # Every thread's CPU every few ms until the answer is in the record: the worker's share
    # before and after its status line can be told apart, even once it has ended. Only the
    # record's size is watched meanwhile; reading 10 MiB of it would take a core from the
    # launcher.
    samples = []
    end = time.monotonic() + 120
    while time.monotonic() < end:
        samples.append((time.time(), lv.thread_cpu(rig.pid)))
        if os.path.getsize(rig.page.record_path) - size_before > BIG_BYTES:
            break
        select.select([], [], [], 0.005)
    seen = samples[-1][0]
    server_after = lv.cpu_seconds(server) if server else 0.0
    answer = wait_for(lambda: next((e for e in rig.page.entries()[mark:] if e.kind == "call"
                                    and e.name == "webview.PostWebMessageAsJson"), None),
                      "the launcher's answer", deadline=120)
    asked = next(e for e in rig.page.entries()[mark:] if e.name == "webMessage")
    line = wait_for(lambda: next((l for l in harness.read_log_lines(rig.log_path)
                                  [logged_before:] if l[13:].startswith("status: ")), None),
                    "the status line")
    stamp = log_time(line, sent)

    def worker_cpu(upto):
        total = 0.0
        for tid in {t for _, threads in samples for t in threads} - {rig.pid}:
            values = [threads[tid] for when, threads in samples
                      if tid in threads and when <= upto]
            if values:
                total += max(values) - threads_before.get(tid, 0.0)
        return total * 1000

    ui = samples[-1][1].get(rig.pid, 0.0) - threads_before.get(rig.pid, 0.0)
    query_ms = int(line[13:].split(" in ")[1].split(" ")[0])
    return {"ms": answer.ms - asked.ms, "size": len(answer.args[0]), "line": line[13:],
            "query": query_ms, "before": (stamp - sent) * 1000, "after": (seen - stamp) * 1000,
            "ui_cpu": ui * 1000, "worker_before": worker_cpu(stamp),
            "worker_after": worker_cpu(seen) - worker_cpu(stamp),
            "server_cpu": (server_after - server_before) * 1000}


class Floor:
    """status_baseline.exe running beside the launcher over the launcher's own command line,
    asked for one query at a time over loopback UDP."""

    def __init__(self, rig, command_file):
        self.port = harness.free_udp_port()
        process = harness.WinProcess(STATUS_EXE, [str(self.port),
                                                  harness.to_windows_path(rig.folder),
                                                  harness.to_windows_path(command_file)])
        rig.processes.append(process)
        lv.program_pid(process, "status_baseline.exe")
        self.socket = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.socket.bind(("127.0.0.1", 0))
        rig.closers.append(self.socket.close)

        def listening():  # the first requests may come before it has its socket
            self.socket.sendto(b"ping", ("127.0.0.1", self.port))
            ready, _, _ = select.select([self.socket], [], [], 0.2)
            return ready and self.socket.recv(100) == b"pong"
        wait_for(listening, "status_baseline.exe to listen")

    def query(self):
        """One query: milliseconds."""
        self.socket.sendto(b"query", ("127.0.0.1", self.port))
        answer = "pong"
        while answer == "pong":  # a late answer to one of the pings
            ready, _, _ = select.select([self.socket], [], [], 120)
            if not ready:
                raise AssertionError("status_baseline.exe never answered")
            answer = self.socket.recv(100).decode()
        if answer == "failed":
            raise AssertionError("status_baseline.exe could not start the script")
        size, microseconds = (int(v) for v in answer.split())
        if size != BIG_BYTES:
            raise AssertionError("status_baseline.exe read %d bytes, not %d" % (size, BIG_BYTES))
        return microseconds / 1000.0


def figure_status_query(bench, rig):
    """The status query over 10 MiB of output against the platform's floor."""
    rig.powershell.plan(rig.kit, "status", BIG_STATUS)
    warm = launcher_status(rig)  # the first run of each loads and caches; not counted
    command_file = os.path.join(rig.folder, "status_command_line.txt")
    with open(command_file, "w", encoding="utf-8") as f:
        f.write(rig.powershell.calls(rig.kit)[-1]["commandLine"])
    floor = Floor(rig, command_file)
    bench.log("  warm-up: %s, floor %.0f ms" % (warm, floor.query()))
    # Three queries of each per round, ABBAAB, the launcher first in every other round.
    pairs, firsts, runs = [], [], []
    for index in range(bench.rounds):
        order = ["launcher", "floor", "floor", "launcher", "launcher", "floor"]
        if index % 2:
            order = ["floor", "launcher", "launcher", "floor", "floor", "launcher"]
        results = {"launcher": [], "floor": []}
        for side in order:
            if side == "launcher":
                results[side].append(launcher_status(rig))
            else:
                results[side].append(floor.query())
        bench.log("  status: %s | floor %s" % (results["launcher"], results["floor"]))
        runs += results["launcher"]
        # The best of each side's three: other work on the machine only ever adds to a query.
        pairs.append(((min(r["ms"] for r in results["launcher"]),
                       min(r["query"] for r in results["launcher"])), min(results["floor"])))
        firsts.append("program" if order[0] == "launcher" else "baseline")

    def ms(value):
        return "%.0f ms" % value
    floor_name = "status_baseline: the same script, pipe and chunks, nothing else"
    bench.row("status query over 10 MiB of output, request to answer (best of 3 per round, "
              "ABBAAB)", [(p[0], b) for p, b in pairs], ms, floor_name, firsts)
    bench.row("the same queries, the launcher's own span (its status line: start of the "
              "script to the output read)", [(p[1], b) for p, b in pairs], ms, floor_name, firsts)
    bench.note(
        "The 10 MiB status query, medians by Linux wall time: request to the launcher's status "
        "line %.0f ms (the line itself: `%s`), status line to the answer in the stand-in's "
        "record %.0f ms (cut, JSON quoting, UTF-16 conversion, the window message, "
        "PostWebMessageAsJson and the stand-in converting the message back for its record). "
        "CPU over the query: the launcher's other threads (the query's worker) %.0f ms before "
        "the status line and %.0f ms after it, its window thread (where the stand-in records "
        "the message) %.0f ms, wineserver (pipes, process start; shared with the rest of the "
        "prefix) %.0f ms. The answer is %d characters of JSON. Less its window thread's CPU, "
        "which is the stand-in converting and escaping the message for its record before it "
        "notes the answer's time (a real runtime hands the text to its browser instead), the "
        "request to answer takes %.0f ms, %.2f times the floor's median." % (
            statistics.median(r["before"] for r in runs), runs[-1]["line"],
            statistics.median(r["after"] for r in runs),
            statistics.median(r["worker_before"] for r in runs),
            statistics.median(r["worker_after"] for r in runs),
            statistics.median(r["ui_cpu"] for r in runs),
            statistics.median(r["server_cpu"] for r in runs), runs[-1]["size"],
            statistics.median(r["ms"] - r["ui_cpu"] for r in runs),
            statistics.median(r["ms"] - r["ui_cpu"] for r in runs)
            / statistics.median(b for _, b in pairs)))


# -- the action log -----------------------------------------------------------------------


def figure_action_log(bench, rig):
    """Lines appended to action.log while the stand-in script waits, each timed until its
    `log` message reaches the page, against half the launcher's poll period. A line is
    written a chosen time after the previous one reached the page, that is after a poll: the
    round's lines are spread evenly over the poll period, so their mean wait is half of it
    and the rest is what the launcher adds."""
    lines_per_round = bench.choose(8, 6)
    game = os.path.join(rig.folder, "game")
    os.makedirs(os.path.join(game, "package", "patch_npk"))
    action_log = os.path.join(game, "vyr_launcher", "run", "action.log")
    rig.powershell.plan(rig.kit, "install", ["log start\\n", "wait stop", "exit 0"])
    mark = len(rig.page.entries())
    rig.page.post_json('{"cmd":"act","action":"install","game":"%s"}'
                       % harness.to_windows_path(game).replace("\\", "\\\\"))
    rig.closers.append(lambda: rig.powershell.release(rig.kit, "stop"))
    wait_for(lambda: '{"type":"log","line":"start"}' in rig.posted_since(mark), "the first line")
    counter = [0]

    def one_round():
        delays = []
        for j in range(lines_per_round):
            i = counter[0]
            counter[0] += 1
            pause_until = time.perf_counter() + (j + 0.5) * ACTION_POLL_MS / lines_per_round / 1000
            while time.perf_counter() < pause_until:
                select.select([], [], [], pause_until - time.perf_counter())
            line = "line %d" % i
            mark = len(rig.page.entries())
            begin = time.perf_counter()
            with open(action_log, "ab") as f:
                f.write(line.encode() + b"\r\n")
            expected = '{"type":"log","line":"%s"}' % line
            end = time.perf_counter() + harness.DEADLINE
            while expected not in rig.posted_since(mark):
                if time.perf_counter() > end:
                    raise AssertionError("the line %r never reached the page" % line)
                select.select([], [], [], 0.002)
            delays.append((time.perf_counter() - begin) * 1000)
        return statistics.mean(delays)
    rounds = bench.paired(one_round, lambda: ACTION_POLL_MS / 2)
    rig.powershell.release(rig.kit, "stop")
    wait_for(lambda: any(p.startswith('{"type":"done"') for p in rig.posted_since(0)),
             "the end of the action")

    def ms(value):
        return "%.0f ms" % value
    bench.rounds_row("action.log line to its `log` message, mean of %d lines per round spread "
                     "over the poll period" % lines_per_round, rounds, lambda r: r, ms,
                     "half the launcher's %d ms poll: the mean wait of a line" % ACTION_POLL_MS)


FIGURES = [figure_status_query, figure_action_log]
