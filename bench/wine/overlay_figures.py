"""overlay_host's figures under Wine, each against a baseline in paired rounds: the `state`
round trip, the lossless paced rate and the burst answer rate against echo_baseline.exe, the
CPU hidden and active against gui_baseline.exe with the tick's timer running alongside, and
resident memory against the same window without the timer.

The overlay is driven as the end-to-end tests drive it: the stand-in game, the stand-in
WebView2 runtime as the page, a Linux UDP socket as the game side."""
import os
import select
import socket
import statistics
import subprocess
import time

import harness
import linux_views as lv
from game_standin import GameStandin
from harness import wait_for
from webview_standin import StandIn

BENCH_BUILD = os.path.join(harness.WINDOWS_BUILD, "bench", "wine")
ECHO_EXE = os.path.join(BENCH_BUILD, "echo_baseline.exe")
GUI_EXE = os.path.join(BENCH_BUILD, "gui_baseline.exe")
PROBE_EXE = os.path.join(BENCH_BUILD, "foreground_probe.exe")
EXES = [harness.OVERLAY_EXE, ECHO_EXE, GUI_EXE, PROBE_EXE]

REQUEST = b"VYRO state"
ROUND_TRIP_BLOCK = 25
RATES = [2000, 5000, 10000, 15000, 20000, 25000, 30000, 40000, 50000]
RATE_SECONDS = 1.0          # datagrams sent per rate step: the rate times this
BURST = 5000                # held whole by a 4 MiB receive buffer
BURSTS = 4                  # of each program per round
QUIET_END = 1.0             # a trial ends when every answer came or none came for this long
IDLE_CPU = 0.025            # at most this many CPU seconds in IDLE_SPAN counts as idle
IDLE_SPAN = 0.5
FRONT_EVERY = 5.0           # seconds between looks at the window in front during a CPU window


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(fraction * (len(ordered) - 1))))]


def pause(seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        select.select([], [], [], max(0.0, end - time.monotonic()))


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


def wait_answering(port):
    """Sends until the program answers: it may not have its socket or window yet."""
    with client_socket() as s:
        def answered():
            s.sendto(REQUEST, ("127.0.0.1", port))
            ready, _, _ = select.select([s], [], [], 0.2)
            return bool(ready)
        wait_for(answered, "an answer from port %d" % port)


def round_trips(s, port, count):
    out = []
    s.setblocking(True)
    s.settimeout(harness.DEADLINE)
    for _ in range(count):
        begin = time.perf_counter_ns()
        s.sendto(REQUEST, ("127.0.0.1", port))
        s.recv(65536)
        out.append((time.perf_counter_ns() - begin) / 1000.0)
    return out


def rate_trial(port, rate, count):
    """Sends `count` requests paced at `rate` per second (all at once for None) while reading
    answers; returns (answers, achieved send rate, answers per second until the last one,
    drops at the program, drops here)."""
    with client_socket() as s:
        s.setblocking(False)
        program_drops = lv.udp_drops(port)
        got = 0
        sent = 0
        begin = time.perf_counter()
        last_answer = begin
        while sent < count:
            now = time.perf_counter()
            due = count if rate is None else min(count, int((now - begin) * rate) + 1)
            while sent < due:
                try:
                    s.sendto(REQUEST, ("127.0.0.1", port))
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
                lv.udp_drops(port) - program_drops, lv.udp_drops(s.getsockname()[1]))


# -- the rig: the overlay over the stand-in game, with its baselines ----------------------


class OverlayRig:
    """overlay_host over the stand-in game with the stand-in page ready and the cover off,
    hidden; the baselines start when a figure first asks for them."""
    name = "overlay"

    def __init__(self, bench):
        self.bench = bench
        self.processes = []
        self.closers = []
        self.echo_port = None
        self.echo_process = None
        self.guis = {}
        self.labels = {}

    def start(self):
        self.game = GameStandin()
        self.closers.append(self.game.kill)
        self.game_window = self.game.state()["hwnd"]
        self.folder = harness.new_program_folder("bench_overlay")
        docs = os.path.join(self.folder, "docs")
        os.makedirs(docs)
        self.page = StandIn(self.folder)
        self.closers.append(self.page.close)
        self.port = harness.free_udp_port()
        overlay = self.run(os.path.join(self.folder, "overlay_host.exe"),
                           ["--port", str(self.port), "--doc", harness.to_windows_path(docs)],
                           env=self.page.env)
        self.log_path = os.path.join(self.folder, "vyr_overlay.log")
        self.page.wait_for_call("webview.Navigate")
        self.page.post_json('{"type":"ready"}')
        self.logged(lambda m: m == "page ready", "page ready")
        self.page.post_json('{"type":"cover","on":false}')
        self.logged(lambda m: m.startswith("cover off"), "the cover off")
        self.logged(lambda m: m.startswith("game window "), "the game found")
        self.pid = lv.program_pid(overlay, "overlay_host.exe")
        wait_answering(self.port)
        # Answers to mode changes go to the last sender: this socket, used for nothing else.
        self.control = client_socket()
        self.closers.append(self.control.close)

    def close(self):
        for process in self.processes:
            process.kill()
        for close in reversed(self.closers):
            try:
                close()
            except Exception as e:  # cleaning up must go on
                self.bench.log("clean-up: %s" % e)

    def run(self, exe, args, env=None):
        process = harness.WinProcess(exe, args, env=env)
        self.processes.append(process)
        return process

    def messages(self):
        return harness.messages(harness.read_log_lines(self.log_path))

    def logged(self, predicate, what):
        return wait_for(lambda: next((m for m in self.messages() if predicate(m)), None), what)

    # The baselines.

    def echo(self):
        """echo_baseline's port, started on first use."""
        if self.echo_process is None:
            self.echo_port = harness.free_udp_port()
            self.echo_process = self.run(ECHO_EXE, [str(self.echo_port)])
            lv.program_pid(self.echo_process, "echo_baseline.exe")
            wait_answering(self.echo_port)
        return self.echo_port

    def stop_echo(self):
        if self.echo_process is not None:
            self.echo_process.kill()
            self.echo_process = None

    def gui(self, tick):
        """The pid of gui_baseline with the tick's timer (tick) or without, started on first
        use; its window is shown without being activated."""
        if tick not in self.guis:
            before = len(self.gui_windows())
            process = self.run(GUI_EXE, ["tick"] if tick else [])
            self.guis[tick] = lv.program_pid(process, "gui_baseline.exe")
            wait_for(lambda: len(self.gui_windows()) > before, "the gui baseline's window")
        return self.guis[tick]

    @staticmethod
    def gui_windows():
        return [l for l in harness.wintool("find", "VYRBenchGui")[1].splitlines() if l.strip()]

    # Talking to the overlay as the game side.

    def ask(self, request):
        """Sends from the control socket and returns the overlay's `state ...` answer."""
        drain(self.control)
        self.control.sendto(request, ("127.0.0.1", self.port))
        return self.state_answer()

    def state_answer(self):
        self.control.setblocking(True)
        self.control.settimeout(harness.DEADLINE)
        while True:
            answer = self.control.recv(65536)
            if answer.startswith(b"VYRO state "):
                return answer

    def set_mode(self, mode):
        """hidden (the page hides itself, as after the game side's `hide`) or active (the game
        side's `show`); returns once the overlay has said so."""
        if mode == "active":
            answer = self.ask(b"VYRO show")
        else:
            self.ask(REQUEST)  # the control socket is the reply address
            self.page.post_json('{"type":"hide"}')
            answer = self.state_answer()
        if answer != b"VYRO state " + mode.encode():
            raise AssertionError("the overlay answered %r to becoming %s" % (answer, mode))

    def settle(self):
        """Waits until the overlay is idle: nothing waiting at its socket, a `state` answered
        (every datagram and window message before it has been handled) and under IDLE_CPU
        seconds of CPU over IDLE_SPAN. Returns the seconds it took, None if never quiet."""
        begin = time.monotonic()
        wait_for(lambda: lv.udp_waiting(self.port) == 0, "nothing waiting at the overlay")
        self.ask(REQUEST)
        end = begin + harness.DEADLINE
        while time.monotonic() < end:
            before = lv.thread_cpu(self.pid)
            pause(IDLE_SPAN)
            if lv.cpu_used(before, lv.thread_cpu(self.pid)) <= IDLE_CPU:
                return time.monotonic() - begin
        return None

    # The window in front.

    def front(self):
        """The window in front as the probe names it: (handle, label)."""
        done = subprocess.run(["wine", PROBE_EXE], env=harness.wine_env(),
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, timeout=harness.DEADLINE + 30)
        line = done.stdout.decode("utf-8", "replace").strip()
        if not line or line == "none":
            return 0, "no window"
        handle, pid, image, rest = line.split(" ", 3)
        title = rest.split(" title ", 1)[1] if " title " in rest else rest
        label = "%s %s pid %s" % (image, title, pid)
        if int(handle, 16) == self.game_window:
            label = "the game (%s)" % label
        self.labels[int(handle, 16)] = label
        return int(handle, 16), label

    def front_handle(self):
        """The window in front by the stand-in game's look: cheap, no process started."""
        return self.game.state()["foreground"]

    def label(self, handle):
        return self.labels.get(handle, "window %x" % handle if handle else "no window")


# -- the figures --------------------------------------------------------------------------


def micro(value):
    return "%.0f µs" % value


def per_second(value):
    return "%.0f/s" % value


def abba(first, second, blocks):
    """The order of `blocks` blocks of two sides taking turns as A B B A A B B A ...: each side
    runs as often early as late, so a change of load within a round falls on both alike."""
    return [(first, second, second, first)[i % 4] for i in range(blocks)]


def figure_round_trip(bench, rig):
    """`state` round trips, median and 99th percentile, against echo_baseline, in blocks of
    ROUND_TRIP_BLOCK taking turns ABBA within each round (the program first in every other)."""
    count = bench.choose(400, 200)
    echo_port = rig.echo()
    pairs = {0.5: [], 0.99: []}
    firsts = []
    with client_socket() as s:
        round_trips(s, rig.port, 50)  # warm-up of both paths, not counted
        round_trips(s, echo_port, 50)
        for index in range(bench.rounds):
            first, second = (rig.port, echo_port) if index % 2 == 0 else (echo_port, rig.port)
            times = {rig.port: [], echo_port: []}
            for port in abba(first, second, 2 * count // ROUND_TRIP_BLOCK):
                drain(s)
                times[port] += round_trips(s, port, ROUND_TRIP_BLOCK)
            for fraction in pairs:
                pairs[fraction].append((percentile(times[rig.port], fraction),
                                        percentile(times[echo_port], fraction)))
            firsts.append("program" if first == rig.port else "baseline")
    answer = rig.ask(REQUEST)
    if answer != b"VYRO state hidden":
        raise AssertionError("unexpected answer to state: %r" % answer)
    for name, fraction in (("median", 0.5), ("99th percentile", 0.99)):
        bench.row("`state` round trip, %s of %d per round (blocks of %d, ABBA)"
                  % (name, count, ROUND_TRIP_BLOCK), pairs[fraction], micro, "echo_baseline",
                  firsts)


def figure_lossless_rate(bench, rig):
    """The highest paced `state` rate answered without loss, against echo_baseline. Each round
    climbs the rates with both programs at every step, taking turns which goes first, until
    each has lost answers, so that both meet the same load at the same rate."""
    echo_port = rig.echo()
    sides = {"overlay_host": rig.port, "echo_baseline": echo_port}

    def ladder(order):
        best = {name: None for name in order}
        going = list(order)
        for step, rate in enumerate(RATES):
            count = int(rate * RATE_SECONDS)
            for name in (going if step % 2 == 0 else list(reversed(going))):
                got, achieved, answering, program_drops, client_drops = rate_trial(
                    sides[name], rate, count)
                bench.log("  %s at %d/s: %d of %d answered (%.0f/s), sent at %.0f/s, dropped at "
                          "the program %d, here %d" % (name, rate, got, count, answering,
                                                        achieved, program_drops, client_drops))
                if got < count:
                    going.remove(name)
                else:
                    best[name] = min(rate, achieved)
            if not going:
                break
        return best
    pairs, firsts = [], []
    for index in range(bench.rounds):
        order = ["overlay_host", "echo_baseline"]
        if index % 2:
            order.reverse()
        best = ladder(order)
        pairs.append((best["overlay_host"], best["echo_baseline"]))
        firsts.append("program" if order[0] == "overlay_host" else "baseline")
    bench.row("highest paced `state` rate answered without loss (%g s at each of %s/s, both "
              "at every step)" % (RATE_SECONDS, ", ".join("%g k" % (r / 1000) for r in RATES)),
              pairs, per_second, "echo_baseline", firsts)
    bench.note("A paced step lasts %g s; the programs' 4 MiB receive buffers hold the backlog "
               "of a step above their answer rate, so the lossless paced rate can exceed the "
               "rate they sustain, which the burst row shows." % RATE_SECONDS)


def figure_burst_rate(bench, rig):
    """The answer rate of a burst that the receive buffer holds whole, against echo_baseline:
    BURSTS bursts of each per round, ABBA, a side's value the best of its bursts (a burst is a
    fraction of a second, and whatever else runs on the machine only ever slows it). A burst
    that lost answers counts as none."""
    echo_port = rig.echo()
    sides = {rig.port: "overlay_host", echo_port: "echo_baseline"}
    pairs, firsts = [], []
    for index in range(bench.rounds):
        first, second = (rig.port, echo_port) if index % 2 == 0 else (echo_port, rig.port)
        rates = {rig.port: [], echo_port: []}
        for port in abba(first, second, 2 * BURSTS):
            got, _, answering, program_drops, client_drops = rate_trial(port, None, BURST)
            bench.log("  %s burst: %d of %d answered at %.0f/s, dropped at the program %d, "
                      "here %d" % (sides[port], got, BURST, answering, program_drops,
                                   client_drops))
            if got == BURST:
                rates[port].append(answering)
        pairs.append((max(rates[rig.port], default=None), max(rates[echo_port], default=None)))
        firsts.append("program" if first == rig.port else "baseline")
    bench.row("answer rate for a burst of %d requests sent at once (best of %d per round, ABBA)"
              % (BURST, BURSTS), pairs, per_second, "echo_baseline", firsts)


def cpu_window(bench, rig, mode, gui_pid):
    """One CPU window in `mode`, started once the overlay is idle."""
    rig.set_mode(mode)
    fronts = [rig.front()[0]]  # named before the idle wait: the probe is a process of its own
    settled = rig.settle()
    server_pid = lv.wineserver_pid()
    before = [lv.thread_cpu(pid) for pid in (rig.pid, gui_pid, server_pid)]
    begin = time.monotonic()
    end = begin + bench.cpu_seconds
    while time.monotonic() < end:
        pause(min(FRONT_EVERY, end - time.monotonic()))
        if time.monotonic() < end - 0.5:
            fronts.append(rig.front_handle())
    after = [lv.thread_cpu(pid) for pid in (rig.pid, gui_pid, server_pid)]
    seconds = time.monotonic() - begin
    fronts.append(rig.front()[0])
    used = [lv.cpu_used(b, a) for b, a in zip(before, after)]
    main = after[0].get(rig.pid, 0.0) - before[0].get(rig.pid, 0.0)
    shown = []
    for handle in fronts:
        if not shown or shown[-1] != handle:
            shown.append(handle)
    window = {"mode": mode, "overlay": used[0], "main": main, "gui": used[1],
              "server": used[2], "seconds": seconds, "settled": settled,
              "front": ", then ".join(rig.label(h) for h in shown)}
    bench.log("  %s: overlay %.3f s (main thread %.3f), gui_baseline %.3f s, wineserver %.3f s "
              "over %.1f s; in front: %s" % (mode, used[0], main, used[1], used[2], seconds,
                                             window["front"]))
    return window


def figure_cpu(bench, rig):
    """The overlay's CPU hidden and active against gui_baseline with the tick's timer, which
    runs alongside, and hidden against active: each round one window of each, taking turns
    which comes first."""
    rig.stop_echo()
    gui_pid = rig.gui(tick=True)
    rounds = bench.paired(lambda: cpu_window(bench, rig, "hidden", gui_pid),
                          lambda: cpu_window(bench, rig, "active", gui_pid))
    rig.set_mode("hidden")
    seconds = bench.cpu_seconds

    def cpu(value):
        return "%.3f s" % value
    timer = "gui_baseline with a 100 ms timer, alongside"
    bench.row("CPU over %.0f s hidden (game found, page ready)" % seconds,
              [(r.program["overlay"], r.program["gui"]) for r in rounds], cpu, timer)
    bench.row("CPU over %.0f s active (shown, fitted every tick)" % seconds,
              [(r.baseline["overlay"], r.baseline["gui"]) for r in rounds], cpu, timer)
    bench.row("CPU hidden against active (overlay_host's own, same rounds)",
              [(r.program["overlay"], r.baseline["overlay"]) for r in rounds], cpu,
              "active", firsts=[r.first for r in rounds])
    table = []
    for index, r in enumerate(rounds):
        order = [r.program, r.baseline] if r.first == "program" else [r.baseline, r.program]
        for window in order:
            table.append(["%d" % (index + 1), window["mode"],
                          "%.3f s (main thread %.3f s)" % (window["overlay"], window["main"]),
                          "%.3f s" % window["gui"], "%.3f s" % window["server"],
                          window["front"],
                          "%.1f s" % window["settled"] if window["settled"] is not None
                          else "never quiet"])
    bench.table("CPU windows of %.0f s in the order run; each starts once the overlay is idle "
                "(nothing waiting at its socket, a `state` answered, under %.0f ms of CPU in "
                "%.1f s)" % (seconds, IDLE_CPU * 1000, IDLE_SPAN),
                ["Round", "Overlay", "overlay_host", "gui_baseline (timer)",
                 "wineserver (whole prefix)", "In front", "Idle after"], table)
    rates = [m for m in rig.messages() if m.startswith("rates ")]
    if rates:
        bench.note("overlay_host's last rate line: `%s`" % rates[-1])


def figure_memory(bench, rig):
    """Resident memory after the runs above against gui_baseline without the timer."""
    plain = rig.gui(tick=False)

    def reading(pid):
        return lv.status_field(pid, "VmRSS"), lv.status_field(pid, "VmHWM")
    rounds = bench.paired(lambda: reading(rig.pid), lambda: reading(plain))

    def mib(value):
        return "%.1f MiB" % (value / 1024)
    bench.rounds_row("resident memory (VmRSS) after the runs above", rounds, lambda r: r[0],
                     mib, "gui_baseline")
    bench.rounds_row("peak resident memory (VmHWM)", rounds, lambda r: r[1], mib,
                     "gui_baseline")
    bench.note("overlay_host's memory includes the stand-in WebView2 loader DLL in place of "
               "the real one; the browser itself is another process.")


FIGURES = [figure_round_trip, figure_lossless_rate, figure_burst_rate, figure_cpu,
           figure_memory]
