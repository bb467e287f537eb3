"""Benchmarks of overlay_host and launcher under Wine, each figure beside a baseline measured
in the same run, on the same prefix and display: the Wine half of scripts/bench.sh.

    python3 bench/wine/run_wine_bench.py [--out FILE] [--cpu-seconds N] [--only overlay|launcher]

The programs are driven as the end-to-end tests drive them (tests/e2e): the stand-in game,
the stand-in WebView2 runtime as the page, the stand-in PowerShell as the kit script, a Linux
UDP socket as the game side. VYR_WINDOWS_BUILD_DIR names the Windows build (with the baselines
of bench/wine), VYR_E2E_DIR the folder for the Wine prefix and Xvfb. Writes a Markdown table.
Timings depend on the machine and its load; nothing is checked against a limit.
"""
import argparse
import datetime
import os
import select
import socket
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "e2e"))

import harness  # noqa: E402
import launcher_harness as lh  # noqa: E402
import launcher_standins  # noqa: E402
from game_standin import GameStandin  # noqa: E402
from harness import wait_for  # noqa: E402
from webview_standin import StandIn  # noqa: E402

ECHO_EXE = os.path.join(harness.WINDOWS_BUILD, "bench", "wine", "echo_baseline.exe")
GUI_EXE = os.path.join(harness.WINDOWS_BUILD, "bench", "wine", "gui_baseline.exe")
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")

ROUND_TRIPS = 2000          # per program, in interleaved blocks
ROUND_TRIP_BLOCK = 200
REQUEST = b"VYRO state"
RATES = [1000, 2000, 3000, 4000, 5000, 7000, 10000, 15000, 20000, 30000, 50000]
RATE_SECONDS = 1.0          # datagrams sent per rate step: the rate times this
BURST = 5000                # held whole by a 4 MiB receive buffer
BURSTS = 5
QUIET_END = 1.0             # a trial ends when every answer came or none came for this long
STATUS_RUNS = 3
LOG_LINES = 40
ACTION_POLL_MS = 250        # the launcher's poll of action.log


def log_time(line, near):
    """The wall time of a launcher log line's HH:MM:SS.mmm stamp, on the day of `near`."""
    hours, minutes, seconds = line[:12].split(":")
    day = datetime.datetime.fromtimestamp(near).replace(hour=int(hours), minute=int(minutes),
                                                        second=0, microsecond=0)
    return day.timestamp() + float(seconds)


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(fraction * (len(ordered) - 1))))]


def ratio(value, baseline):
    if value is None or not baseline:
        return "-"
    return "%.2f" % (value / baseline)


# -- Linux views of Wine processes ------------------------------------------------------


def cpu_seconds(pid):
    """utime + stime of one process (threads included) from /proc."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def thread_cpu_seconds(pid):
    """utime + stime per thread of a process, by thread id."""
    out = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/stat" % (pid, tid)) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            out[int(tid)] = (int(fields[11]) + int(fields[12])) / CLOCK_TICKS
        except OSError:
            continue  # the thread ended
    return out


def status_field(pid, name):
    """A /proc/<pid>/status size field in KiB (VmRSS, VmHWM)."""
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(name + ":"):
                return int(line.split()[1])
    return None


def program_pid(process, exe_name):
    """The Linux pid of a WinProcess, once it is the program itself (wine execs into it)."""
    pid = process.popen.pid

    def is_program():
        try:
            with open("/proc/%d/cmdline" % pid, "rb") as f:
                return exe_name.lower() in f.read().decode("utf-8", "replace").lower()
        except OSError:
            return False
    wait_for(is_program, "pid %d to be %s" % (pid, exe_name))
    return pid


def wineserver_pid():
    """The prefix's wineserver: it works in a folder named server-DEV-INODE of the prefix."""
    info = os.stat(harness.PREFIX)
    server_dir = "server-%x-%x" % (info.st_dev, info.st_ino)
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % entry) as f:
                if not f.read().startswith("wineserver"):
                    continue
            if os.path.basename(os.readlink("/proc/%s/cwd" % entry)) == server_dir:
                return int(entry)
        except OSError:
            continue
    return None


def udp_drops(port):
    """Datagrams the kernel dropped at the loopback socket on that port (/proc/net/udp)."""
    local = "0100007F:%04X" % port
    with open("/proc/net/udp") as f:
        for line in f.readlines()[1:]:
            fields = line.split()
            if fields[1] == local:
                return int(fields[-1])
    return 0


# -- the game side's end of the UDP link ------------------------------------------------


def client_socket():
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 * 1024 * 1024)
    s.bind(("127.0.0.1", 0))
    return s


def drain(s):
    s.setblocking(False)
    count = 0
    try:
        while True:
            s.recv(65536)
            count += 1
    except BlockingIOError:
        pass
    return count


def wait_answering(port, request):
    """Sends until the program answers: it may not have its socket or window yet."""
    with client_socket() as s:
        def answered():
            s.sendto(request, ("127.0.0.1", port))
            ready, _, _ = select.select([s], [], [], 0.2)
            return bool(ready)
        wait_for(answered, "an answer from port %d" % port)


def round_trips(s, port, request, count):
    out = []
    s.setblocking(True)
    s.settimeout(harness.DEADLINE)
    for _ in range(count):
        begin = time.perf_counter_ns()
        s.sendto(request, ("127.0.0.1", port))
        s.recv(65536)
        out.append((time.perf_counter_ns() - begin) / 1000.0)
    return out


def rate_trial(port, request, rate, count):
    """Sends `count` requests paced at `rate` per second (all at once for None) while reading
    answers; returns (answers, achieved send rate, answers per second until the last one,
    drops at the program, drops here)."""
    with client_socket() as s:
        s.setblocking(False)
        program_drops = udp_drops(port)
        got = 0
        sent = 0
        begin = time.perf_counter()
        last_answer = begin
        while sent < count:
            now = time.perf_counter()
            due = count if rate is None else min(count, int((now - begin) * rate) + 1)
            while sent < due:
                try:
                    s.sendto(request, ("127.0.0.1", port))
                    sent += 1
                except BlockingIOError:
                    break
            more = drain(s)
            if more:
                got += more
                last_answer = time.perf_counter()
            if rate is not None and sent < count:
                wait = begin + sent / rate - time.perf_counter()
                if wait > 0:
                    select.select([s], [], [], wait)
        elapsed = time.perf_counter() - begin
        last = time.monotonic()
        while got < count and time.monotonic() - last < QUIET_END:
            select.select([s], [], [], 0.05)
            more = drain(s)
            if more:
                got += more
                last = time.monotonic()
                last_answer = time.perf_counter()
        answering = last_answer - begin
        return (got, sent / elapsed if elapsed > 0 else 0.0,
                got / answering if answering > 0 else 0.0,
                udp_drops(port) - program_drops, udp_drops(s.getsockname()[1]))


def lossless_rates(targets, log):
    """Steps the paced rate up for each (name, port) in turn at every step, so that load on
    the machine falls alike, until a program loses answers. Returns, per name, the highest
    rate without loss and the trials."""
    best = {name: None for name, _ in targets}
    trials = {name: [] for name, _ in targets}
    going = list(targets)
    for rate in RATES:
        for name, port in list(going):
            trial = rate_trial(port, REQUEST, rate, int(rate * RATE_SECONDS))
            trials[name].append((rate,) + trial)
            got, achieved, answering, program_drops, client_drops = trial
            log("  %s at %d/s: %d of %d answered (%.0f/s), sent at %.0f/s, dropped at the "
                "program %d, here %d" % (name, rate, got, int(rate * RATE_SECONDS), answering,
                                         achieved, program_drops, client_drops))
            if got < int(rate * RATE_SECONDS):
                going.remove((name, port))
            else:
                best[name] = min(rate, achieved)
        if not going:
            break
    return best, trials


def burst_rates(targets, log):
    """The rate each program answers a burst that its receive buffer holds whole: the median
    of BURSTS bursts of BURST requests sent at once, the programs taking turns."""
    rates = {name: [] for name, _ in targets}
    for _ in range(BURSTS):
        for name, port in targets:
            got, achieved, answering, program_drops, client_drops = rate_trial(
                port, REQUEST, None, BURST)
            log("  %s burst: %d of %d answered at %.0f/s, dropped at the program %d, here %d"
                % (name, got, BURST, answering, program_drops, client_drops))
            rates[name].append(answering if got == BURST else 0.0)
    return {name: statistics.median(values) for name, values in rates.items()}


# -- the overlay ------------------------------------------------------------------------


class Bench:
    def __init__(self, cpu_window, log):
        self.cpu_window = cpu_window
        self.log = log
        self.rows = []
        self.notes = []
        self.processes = []
        self.closers = []

    def row(self, figure, value, baseline_text, value_number=None, baseline_number=None):
        self.rows.append((figure, value, baseline_text, ratio(value_number, baseline_number)))
        self.log("%s: %s | %s" % (figure, value, baseline_text))

    def start(self, exe, args, env=None):
        process = harness.WinProcess(exe, args, env=env)
        self.processes.append(process)
        return process

    def close(self):
        for process in self.processes:
            process.kill()
        for close in reversed(self.closers):
            try:
                close()
            except Exception as e:  # cleaning up must go on
                self.log("clean-up: %s" % e)

    def overlay(self):
        game = GameStandin()
        self.closers.append(game.kill)
        folder = harness.new_program_folder("bench_overlay")
        docs = os.path.join(folder, "docs")
        os.makedirs(docs)
        page = StandIn(folder)
        self.closers.append(page.close)
        port = harness.free_udp_port()
        overlay = self.start(os.path.join(folder, "overlay_host.exe"),
                             ["--port", str(port), "--doc", harness.to_windows_path(docs)],
                             env=page.env)
        log_path = os.path.join(folder, "vyr_overlay.log")

        def logged(predicate, what):
            return wait_for(lambda: next((m for m in harness.messages(
                harness.read_log_lines(log_path)) if predicate(m)), None), what)

        page.wait_for_call("webview.Navigate")
        page.post_json('{"type":"ready"}')
        logged(lambda m: m == "page ready", "page ready")
        page.post_json('{"type":"cover","on":false}')
        logged(lambda m: m.startswith("cover off"), "the cover off")
        logged(lambda m: m.startswith("game window "), "the game found")
        overlay_pid = program_pid(overlay, "overlay_host.exe")

        echo_port = harness.free_udp_port()
        echo = self.start(ECHO_EXE, [str(echo_port)])
        program_pid(echo, "echo_baseline.exe")
        wait_answering(port, REQUEST)
        wait_answering(echo_port, REQUEST)

        # Round trips: both programs in alternating blocks, so load on the machine falls alike.
        overlay_times, echo_times = [], []
        with client_socket() as s:
            for _ in range(ROUND_TRIPS // ROUND_TRIP_BLOCK):
                drain(s)
                overlay_times += round_trips(s, port, REQUEST, ROUND_TRIP_BLOCK)
                drain(s)
                echo_times += round_trips(s, echo_port, REQUEST, ROUND_TRIP_BLOCK)
            s.setblocking(True)
            s.settimeout(harness.DEADLINE)
            s.sendto(REQUEST, ("127.0.0.1", port))
            answer = s.recv(65536)
        if answer != b"VYRO state hidden":
            raise AssertionError("unexpected answer to state: %r" % answer)
        for name, fraction in (("median", 0.5), ("99th percentile", 0.99)):
            value = percentile(overlay_times, fraction)
            base = percentile(echo_times, fraction)
            self.row("`state` round trip, %s (%d round trips)" % (name, len(overlay_times)),
                     "%.0f µs" % value, "%.0f µs (echo_baseline)" % base, value, base)

        targets = [("overlay_host", port), ("echo_baseline", echo_port)]
        best, trials = lossless_rates(targets, self.log)
        self.row("highest paced `state` rate answered without loss (1 s at each of %s/s)"
                 % ", ".join("%g k" % (r / 1000) for r in RATES),
                 self.rate_text(best["overlay_host"], trials["overlay_host"]),
                 self.rate_text(best["echo_baseline"], trials["echo_baseline"])
                 + " (echo_baseline)", best["overlay_host"], best["echo_baseline"])
        bursts = burst_rates(targets, self.log)
        self.row("answer rate for a burst of %d requests sent at once (median of %d)"
                 % (BURST, BURSTS), "%.0f/s" % bursts["overlay_host"],
                 "%.0f/s (echo_baseline)" % bursts["echo_baseline"], bursts["overlay_host"],
                 bursts["echo_baseline"])
        self.notes.append("A paced step lasts 1 s; the programs' 4 MiB receive buffers hold the "
                          "backlog of a step above their answer rate, so the lossless paced rate "
                          "can exceed the rate they sustain, which the burst row shows.")
        echo.kill()

        # CPU: the gui baseline with the tick's 100 ms timer runs through both windows.
        ticking = self.start(GUI_EXE, ["tick"])
        ticking_pid = program_pid(ticking, "gui_baseline.exe")
        server_pid = wineserver_pid()
        wait_for(lambda: harness.wintool("find", "VYRBenchGui")[1].strip(), "the gui baseline")
        hidden = self.cpu_window(overlay_pid, ticking_pid, server_pid)

        with client_socket() as s:
            s.settimeout(harness.DEADLINE)
            s.sendto(b"VYRO show", ("127.0.0.1", port))
            answer = s.recv(65536)
        if answer != b"VYRO state active":
            raise AssertionError("unexpected answer to show: %r" % answer)
        active = self.cpu_window(overlay_pid, ticking_pid, server_pid)
        rates = [m for m in harness.messages(harness.read_log_lines(log_path))
                 if m.startswith("rates ")]
        if rates:
            self.notes.append("overlay_host's last rate line, from the active window: `%s`"
                              % rates[-1])
        for name, (program, base, server, seconds) in (
                ("hidden (game found, page ready)", hidden),
                ("active (shown, fitted every tick)", active)):
            self.row("CPU over %.0f s, %s" % (seconds, name),
                     "%.2f s (%.2f %% of a core)" % (program, 100 * program / seconds),
                     "%.2f s (gui_baseline with a 100 ms timer)" % base, program, base)
            if server is not None:
                self.notes.append("wineserver (serves every program of the prefix) used %.2f s "
                                  "of CPU over the %s window." % (server, name.split(" ")[0]))

        plain = self.start(GUI_EXE, [])
        plain_pid = program_pid(plain, "gui_baseline.exe")
        wait_for(lambda: len([l for l in harness.wintool("find", "VYRBenchGui")[1].splitlines()
                              if l.strip()]) >= 2, "the plain gui baseline")
        rss = status_field(overlay_pid, "VmRSS")
        peak = status_field(overlay_pid, "VmHWM")
        base_rss = status_field(plain_pid, "VmRSS")
        base_peak = status_field(plain_pid, "VmHWM")
        self.row("resident memory (VmRSS) after the runs above",
                 "%.1f MiB" % (rss / 1024), "%.1f MiB (gui_baseline)" % (base_rss / 1024),
                 rss, base_rss)
        self.row("peak resident memory (VmHWM)", "%.1f MiB" % (peak / 1024),
                 "%.1f MiB (gui_baseline)" % (base_peak / 1024), peak, base_peak)
        self.notes.append("overlay_host's memory includes the stand-in WebView2 loader DLL in "
                          "place of the real one; the browser itself is another process.")

    @staticmethod
    def rate_text(best, trials):
        rate, got, achieved, answering, program_drops, client_drops = trials[-1]
        text = "%s/s" % ("%.0f" % best if best else "none")
        count = int(rate * RATE_SECONDS)
        if got < count:
            text += "; at %d/s %d of %d answered, at %.0f/s (dropped at the program %d, at " \
                "the driver %d)" % (rate, got, count, answering, program_drops, client_drops)
        return text

    # -- the launcher -------------------------------------------------------------------

    def launcher(self):
        powershell = launcher_standins.PowerShell()
        self.closers.append(powershell.restore)
        folder, kit = lh.new_kit("bench_launcher")
        page = StandIn(folder)
        self.closers.append(page.close)
        process = lh.LauncherProcess(os.path.join(folder, "launcher.exe"), [], env=page.env)
        self.processes.append(process)
        self.closers.append(lambda: wait_for(lambda: not lh.launcher_windows(),
                                             "no launcher window left"))
        page.wait_for_note("navigationStarting")
        wait_for(lh.launcher_windows, "the launcher window")
        launcher_log = os.path.join(kit, "launcher", "data", "launcher.log")
        launcher_pid = program_pid(process, "launcher.exe")

        def answer_after(mark, name="webview.PostWebMessageAsJson"):
            return wait_for(lambda: next((e for e in page.entries()[mark:]
                                          if e.kind == "call" and e.name == name), None),
                            "the launcher's answer", deadline=120)

        def status_query(steps):
            """Request to answer by the stand-in's clock, and by Linux wall time split at the
            launcher's status line: before it the script runs and its output is read, after it
            the answer is built, posted to the window and handed to the web view."""
            powershell.plan(kit, "status", steps)
            mark = len(page.entries())
            logged_before = len(harness.read_log_lines(launcher_log))
            server = wineserver_pid()
            server_before = cpu_seconds(server) if server else 0.0
            threads_before = thread_cpu_seconds(launcher_pid)
            sent = time.time()
            page.post_json('{"cmd":"status"}')
            # Every thread's CPU every few ms until the answer is written: the worker's share
            # before and after its status line can be told apart, even once it has ended.
            samples = []
            size = -1
            end = time.monotonic() + 120
            while time.monotonic() < end:
                samples.append((time.time(), thread_cpu_seconds(launcher_pid)))
                # The record is parsed only when it grew: the answer is a 10 MiB line.
                if os.path.getsize(page.record_path) != size:
                    size = os.path.getsize(page.record_path)
                    if any(e.name == "webview.PostWebMessageAsJson"
                           for e in page.entries()[mark:]):
                        break
                select.select([], [], [], 0.003)
            seen = samples[-1][0]
            server_after = cpu_seconds(server) if server else 0.0
            entries = page.entries()[mark:]
            asked = next(e for e in entries if e.name == "webMessage")
            answer = answer_after(mark)
            line = wait_for(lambda: next((l for l in harness.read_log_lines(launcher_log)
                                          [logged_before:] if l[13:].startswith("status: ")),
                                         None), "the status line")
            stamp = log_time(line, sent)

            def worker_cpu(upto):
                total = 0.0
                for tid in {t for _, threads in samples for t in threads} - {launcher_pid}:
                    values = [threads[tid] for when, threads in samples
                              if tid in threads and when <= upto]
                    if values:
                        total += max(values) - threads_before.get(tid, 0.0)
                return total * 1000

            ui = samples[-1][1].get(launcher_pid, 0.0) - threads_before.get(launcher_pid, 0.0)
            return {"ms": answer.ms - asked.ms, "size": len(answer.args[0]), "line": line[13:],
                    "before": (stamp - sent) * 1000, "after": (seen - stamp) * 1000,
                    "ui_cpu": ui * 1000, "worker_before": worker_cpu(stamp),
                    "worker_after": worker_cpu(seen) - worker_cpu(stamp),
                    "server_cpu": (server_after - server_before) * 1000}

        big = ['out {"pad":"', "outrepeat 1048576 0123456789", 'out "}']
        small = ["out {}"]
        big_runs, small_runs = [], []
        for _ in range(STATUS_RUNS):
            big_runs.append(status_query(big))
            small_runs.append(status_query(small))
        for name, runs in (("10 MiB", big_runs), ("2 bytes", small_runs)):
            self.log("status over %s: %s" % (name, runs))
        value = statistics.median(r["ms"] for r in big_runs)
        base = statistics.median(r["ms"] for r in small_runs)
        self.row("status query over 10 MiB of output, request to answer (median of %d)"
                 % STATUS_RUNS, "%.0f ms (%s)" % (value, ", ".join("%d" % r["ms"]
                                                                  for r in big_runs)),
                 "%.0f ms (the same query over 2 bytes of output)" % base, value, base)
        for name, runs in (("10 MiB", big_runs), ("2-byte", small_runs)):
            self.notes.append(
                "The %s status query, medians by Linux wall time: request to the launcher's "
                "status line %.0f ms (the line itself: `%s`), status line to the answer in the "
                "stand-in's record %.0f ms (cut, JSON quoting, UTF-16 conversion, the window "
                "message, PostWebMessageAsJson and the stand-in recording the message). CPU "
                "over the query: the launcher's other threads (the query's worker) %.0f ms "
                "before the status line and %.0f ms after it, its window thread (where the "
                "stand-in records the message) %.0f ms, wineserver (pipes, process start; "
                "shared with the rest of the prefix) %.0f ms. The answer is %d characters of "
                "JSON." % (
                    name, statistics.median(r["before"] for r in runs), runs[-1]["line"],
                    statistics.median(r["after"] for r in runs),
                    statistics.median(r["worker_before"] for r in runs),
                    statistics.median(r["worker_after"] for r in runs),
                    statistics.median(r["ui_cpu"] for r in runs),
                    statistics.median(r["server_cpu"] for r in runs), runs[-1]["size"]))

        # The action log: lines appended while the stand-in script waits, each timed until its
        # "log" message reaches the page.
        game = os.path.join(folder, "game")
        os.makedirs(os.path.join(game, "package", "patch_npk"))
        action_log = os.path.join(game, "vyr_launcher", "run", "action.log")
        powershell.plan(kit, "install", ["log start\\n", "wait stop", "exit 0"])
        mark = len(page.entries())
        page.post_json('{"cmd":"act","action":"install","game":"%s"}'
                       % harness.to_windows_path(game).replace("\\", "\\\\"))
        self.closers.append(lambda: powershell.release(kit, "stop"))

        def posted_since(mark):
            return [e.args[0] for e in page.entries()[mark:]
                    if e.kind == "call" and e.name == "webview.PostWebMessageAsJson"]

        wait_for(lambda: '{"type":"log","line":"start"}' in posted_since(mark), "the first line")
        delays = []
        for i in range(LOG_LINES):
            # Lines go out at phases spread over the launcher's poll period, not in step with it.
            pause_until = time.perf_counter() + (i * 37 % ACTION_POLL_MS) / 1000.0
            while time.perf_counter() < pause_until:
                select.select([], [], [], pause_until - time.perf_counter())
            line = "line %d" % i
            mark = len(page.entries())
            begin = time.perf_counter()
            with open(action_log, "ab") as f:
                f.write(line.encode() + b"\r\n")
            expected = '{"type":"log","line":"%s"}' % line
            end = time.perf_counter() + harness.DEADLINE
            while expected not in posted_since(mark):
                if time.perf_counter() > end:
                    raise AssertionError("the line %r never reached the page" % line)
                select.select([], [], [], 0.002)
            delays.append((time.perf_counter() - begin) * 1000)
        powershell.release(kit, "stop")
        wait_for(lambda: any(p.startswith('{"type":"done"') for p in posted_since(0)),
                 "the end of the action")
        value = statistics.median(delays)
        self.row("action.log line to its `log` message, median of %d (90th pct, max)"
                 % LOG_LINES, "%.0f ms (%.0f, %.0f)" % (value, percentile(delays, 0.9),
                                                       max(delays)),
                 "%d ms (half the launcher's %d ms poll: the mean wait of a line)"
                 % (ACTION_POLL_MS // 2, ACTION_POLL_MS), value, ACTION_POLL_MS / 2)


def wine_version():
    try:
        return subprocess.run(["wine", "--version"], stdout=subprocess.PIPE, text=True,
                              timeout=60).stdout.strip()
    except (OSError, subprocess.SubprocessError):
        return "?"


def write_table(path, bench, started, elapsed):
    lines = [
        "# Benchmarks under Wine",
        "",
        "%s, %s, %d cores, load average at the end %s; the run took %.0f s." % (
            started.strftime("%Y-%m-%d %H:%M UTC"), wine_version(), os.cpu_count(),
            " ".join("%.2f" % v for v in os.getloadavg()), elapsed),
        "Each baseline was measured in the same run; ratio = figure / baseline.",
        "",
        "| Figure | Value | Baseline | Ratio |",
        "|---|---|---|---|",
    ]
    for figure, value, baseline, r in bench.rows:
        lines.append("| %s | %s | %s | %s |" % (figure, value, baseline, r))
    if bench.notes:
        lines.append("")
        lines += ["- " + note for note in bench.notes]
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", default=os.path.join(SOURCE_DIR, "build", "bench",
                                                      "wine_results.md"))
    parser.add_argument("--cpu-seconds", type=float, default=60.0)
    parser.add_argument("--only", choices=["overlay", "launcher"])
    options = parser.parse_args()
    for exe in (harness.OVERLAY_EXE, lh.LAUNCHER_EXE, ECHO_EXE, GUI_EXE):
        if not os.path.exists(exe):
            sys.exit("bench: %s is missing; build the windows preset first" % exe)

    def log(text):
        print(text, flush=True)

    def cpu_window(program_pid, baseline_pid, server_pid):
        """CPU seconds of the program, the baseline and wineserver over one measured window."""
        pids = [program_pid, baseline_pid] + ([server_pid] if server_pid else [])
        before = [cpu_seconds(p) for p in pids]
        begin = time.monotonic()
        log("measuring CPU for %.0f s" % options.cpu_seconds)
        end = begin + options.cpu_seconds
        while time.monotonic() < end:
            select.select([], [], [], min(1.0, max(0.0, end - time.monotonic())))
        after = [cpu_seconds(p) for p in pids]
        seconds = time.monotonic() - begin
        used = [a - b for a, b in zip(after, before)]
        return used[0], used[1], used[2] if server_pid else None, seconds

    started = datetime.datetime.now(datetime.timezone.utc)
    begin = time.monotonic()
    harness.ensure_environment()
    bench = Bench(cpu_window, log)
    try:
        if options.only != "launcher":
            bench.overlay()
        if options.only != "overlay":
            bench.launcher()
    finally:
        bench.close()
    write_table(options.out, bench, started, time.monotonic() - begin)
    log("bench: table in %s" % options.out)


if __name__ == "__main__":
    main()
