"""The overlay with its real page: overlay_host under Wine with the kit's overlay page in
Chromium behind the browser-backed stand-in web view (tests/e2e/browser_bridge.py). How long
the page takes to reach the screen, and the memory of the program with the browser serving it.

Times come from the stand-in's record, one clock inside the program's process: the show
message as the overlay posts it to the page, the first frame painted into the page's window
after it ("painted"), the page's cover message. A cold start is timed from the program's start,
whose moment on that clock is found with a ping to the stand-in.
"""
import os
import socket
import statistics
import time

import harness
import linux_views as lv
from browser_bridge import BrowserBridge
from game_standin import GameStandin
from harness import wait_for
from webview_standin import StandIn

KIT_WEB = os.path.join(harness.SOURCE_DIR, "kit", "overlay", "web")
PUBLISHED_PEAK = "380-420 MB at peak"  # what a widely used overlay platform publishes


def pss_kib(pid):
    """Proportional set size: shared pages counted once across the processes that share them."""
    try:
        with open("/proc/%d/smaps_rollup" % pid) as f:
            for line in f:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


class BrowserOverlayRig:
    name = "browser"

    def __init__(self, bench):
        self.bench = bench
        self.closers = []

    def start(self):
        self.bridge = BrowserBridge()
        self.closers.append(self.bridge.close)
        self.game = GameStandin()
        self.closers.append(self.game.kill)

    def run_overlay(self, show, env=None):
        """A fresh overlay_host with the real page; returns (process, stand-in, started at,
        the stand-in's clock offset: monotonic seconds = ms / 1000 + offset)."""
        folder = harness.new_program_folder("bench_browser")
        docs = os.path.join(folder, "docs")
        os.makedirs(docs)
        page = StandIn(folder)
        page.env.update(self.bridge.env)
        page.env.update(env or {})
        port = harness.free_udp_port()
        args = ["--port", str(port), "--web", harness.to_windows_path(KIT_WEB),
                "--doc", harness.to_windows_path(docs)] + (["--show"] if show else [])
        started = time.monotonic()
        process = harness.WinProcess(os.path.join(folder, "overlay_host.exe"), args, env=page.env)
        page.wait_for_call("webview.Navigate")
        before = time.monotonic()
        page.ping()
        after = time.monotonic()
        pong = [e for e in page.entries() if e.kind == "note" and e.name == "pong"][-1]
        offset = (before + after) / 2 - pong.ms / 1000
        return process, page, port, started, offset

    def stop(self, process, page, port):
        vyro(port, "bye")
        try:
            process.wait()
        finally:
            process.kill()
            page.close()

    def close(self):
        for close in reversed(self.closers):
            try:
                close()
            except Exception as e:  # cleaning up must go on
                self.bench.log("clean-up: %s" % e)


def vyro(port, *words):
    """One datagram of the game side, as vyro sends it (no answer is awaited). Sent from here:
    the native vyro is not part of the Windows build that the benchmarks make."""
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.sendto(" ".join(("VYRO",) + words).encode(), ("127.0.0.1", port))


def first_after(page, name, since_ms, predicate=None):
    return wait_for(lambda: next((e.ms for e in page.entries() if e.kind == "note" and
                                  e.name == name and e.ms >= since_ms and
                                  (predicate is None or predicate(e))), None),
                    "the note %s" % name, deadline=60)


def cover_message(entry):
    return '"cover"' in entry.args[2]


def hide(page, port):
    mark = page.entries()[-1].ms
    vyro(port, "hide")
    first_after(page, "webMessage", mark, lambda e: '"hide"' in e.args[2])


def settled(read, deadline=20):
    """A reading once two in a row, half a second apart, are within 2 % (the last one after
    the deadline): Chromium frees memory for a while after it is asked to."""
    previous, end = read(), time.monotonic() + deadline
    while True:
        time.sleep(0.5)
        value = read()
        if abs(value - previous) <= previous / 50 or time.monotonic() > end:
            return value
        previous = value


def hidden_browser_kib(rig, keep_normal):
    """The browser processes' PSS with a fresh overlay's page loaded, then hidden (the overlay
    asks for MemoryUsageTargetLevel low). keep_normal: the stand-in runtime leaves the level
    normal whatever the overlay asks, as a runtime without the setting would."""
    process, page, port, _, _ = rig.run_overlay(
        show=True, env={"VYR_WV2_MEMORY_LEVEL_KEPT": "1"} if keep_normal else None)
    try:
        first_after(page, "webMessage", 0, cover_message)
        hide(page, port)
        wait_for(lambda: len(rig.bridge.processes()) == 1, "one browser")
        return settled(lambda: sum(pss_kib(pid) for pid in rig.bridge.processes("any")))
    finally:
        rig.stop(process, page, port)


def spread(values, unit=" ms", digits=0):
    number = "%%.%df" % digits
    return (number + unit + " (" + number + "-" + number + ")") % (
        statistics.median(values), min(values), max(values))


def figure_page_on_screen(bench, rig):
    """A cold start with --show: from the program's start to the page's first frame on screen
    and to the cover coming down; then, with the page loaded and hidden, `show` to its first
    frame on screen."""
    cold_frame, cold_cover, warm_frame, memory, hidden = [], [], [], [], []
    for _ in range(bench.rounds):
        process, page, port, started, offset = rig.run_overlay(show=True)
        frame_ms = first_after(page, "painted", 0)
        cover_ms = first_after(page, "webMessage", 0, cover_message)
        cold_frame.append((frame_ms / 1000 + offset - started) * 1000)
        cold_cover.append((cover_ms / 1000 + offset - started) * 1000)
        for _ in range(3):
            hide(page, port)
            mark = page.entries()[-1].ms
            vyro(port, "show", "Pad")
            shown = wait_for(lambda: next((e.ms for e in page.entries() if e.kind == "call" and
                                           e.name == "webview.PostWebMessageAsJson" and
                                           e.ms >= mark and '"show"' in e.args[0]), None),
                             "the show at the page")
            # The pad's frame: the first painted after the page reported its new layout.
            laid_out = first_after(page, "webMessage", shown, lambda e: '"region"' in e.args[2])
            warm_frame.append(first_after(page, "painted", laid_out) - shown)
        overlay = lv.program_pid(process, "overlay_host.exe")
        # Only this start's browser: the last one may still be closing.
        wait_for(lambda: len(rig.bridge.processes()) == 1, "one browser")
        browser = rig.bridge.processes("any")
        memory.append((pss_kib(overlay), sum(pss_kib(pid) for pid in browser)))
        rig.stop(process, page, port)
        arms = [True, False] if len(hidden) % 2 else [False, True]  # taking turns to go first
        hidden.append({keep: hidden_browser_kib(rig, keep) for keep in arms})
    low, normal = [h[False] / 1024 for h in hidden], [h[True] / 1024 for h in hidden]
    ratio = [a / b for a, b in zip(low, normal)]
    bench.table("The overlay with its real page in Chromium (%d rounds: median, lowest-highest)"
                % bench.rounds, ["figure", "value"], [
                    ["start with --show to the page's first frame on screen", spread(cold_frame)],
                    ["start with --show to the cover coming down", spread(cold_cover)],
                    ["`show` of a loaded, hidden page to its first frame on screen",
                     spread(warm_frame)],
                    ["memory (PSS) of overlay_host", "%.0f MiB" % (
                        statistics.median(m[0] for m in memory) / 1024)],
                    ["memory (PSS) of the browser processes serving its page", "%.0f MiB" % (
                        statistics.median(m[1] for m in memory) / 1024)],
                    ["together", "%.0f MiB (a widely used overlay platform publishes %s)" % (
                        statistics.median(m[0] + m[1] for m in memory) / 1024, PUBLISHED_PEAK)],
                    ["memory (PSS) of the browser processes, overlay hidden, target level low",
                     spread(low, " MiB")],
                    ["the same, target level kept normal", spread(normal, " MiB")],
                    ["low against normal", spread(ratio, "", 2)],
                ])
    bench.note("The page's browser here is Debian's headless Chromium, not the WebView2 runtime: "
               "its memory stands for the runtime's, its frames reach the window through the "
               "stand-in's screencast, so the times include that hop.")
    bench.note("Hidden: two more fresh overlays per round, taking turns, each shown and hidden "
               "(asking for MemoryUsageTargetLevel low), PSS read once it settles; the stand-in "
               "passes low on to Chromium as critical memory pressure, or not at all with "
               "VYR_WV2_MEMORY_LEVEL_KEPT (kept normal).")


FIGURES = [figure_page_on_screen]
EXES = [harness.OVERLAY_EXE]
