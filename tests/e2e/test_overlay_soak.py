"""overlay_host soaked under Wine: minutes of mixed traffic from the game side (datagram
bursts, valid and junk), the page (played through the stand-in runtime) and the stand-in game
(moved, resized, minimised, hidden, pushed behind another application), every answer checked
as it goes, the program's resident memory flat from the warm-up to the end, and a clean exit
on "bye".

VYR_SOAK_SECONDS sets how long the traffic runs (180 s by default).

The expected answers come from a small model of the overlay (`Model`): each input is applied
to it as it is sent, and after each phase what the game side received, what the page was
posted and what the log says must equal what the model gathered, in order.
"""
import json
import os
import random
import re
import socket
import time
import unittest

import harness
from game_standin import GameStandin
from harness import wait_for, wintool
from webview_standin import StandIn

SOAK_SECONDS = float(os.environ.get("VYR_SOAK_SECONDS", "180"))
WARM_UP_CYCLES = 2
# The program's resident memory stays within a few pages over a soak once warmed up. A default
# run sends some 80,000 datagrams and 45,000 page messages after the warm-up, so a leak of
# LEAK_PER_MESSAGE bytes on either kind grows it past twice the bound (the test checks that
# it sent enough of both for that).
LEAK_BOUND = 2 * 1024 * 1024
LEAK_PER_MESSAGE = 100
BURST = 2500          # datagrams per burst
PAGE_BATCH = 1500     # page messages per cycle
PIPELINE = 50         # page messages in flight through the stand-in at once

HOST_MESSAGE = '{"type":"host","through":true,"hit":true}'
AWAY, BACK = '{"type":"away"}', '{"type":"back"}'
ALLOWED = ("vyr_pad.json", "vyr_overlay.json")
MOUSE_THROUGH, MOUSE_OURS = "mouse: the game's (the window out of the hit test)", "mouse: ours"
VERDICT = re.compile(r"^game (away \(minimised\)|away \(another application in front\)|"
                     r"back in front) - foreground: ")
# The log lines the model predicts; the rest (start-up, rates, keys, cover, ...) are not its.
MODELLED = ("mode ", "through ", "mouse: ", "page ready", "page: ", "game: ", "save ", "window: ")
MODES = ("hidden", "passive", "active")


def resident_kib(pid):
    """VmRSS and RssAnon of a Linux process, in KiB. Under Wine the pid that harness.WinProcess
    started is the Windows program's own process."""
    found = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            name, _, value = line.partition(":")
            if name in ("VmRSS", "RssAnon"):
                found[name] = int(value.split()[0])
    return found


def escaped(text):
    """The overlay's own escaping of a text put between JSON quotes."""
    out = []
    for ch in text:
        if ch == '"':
            out.append('\\"')
        elif ch == "\\":
            out.append("\\\\")
        elif ch == "\n":
            out.append("\\n")
        elif ch == "\r":
            out.append("\\r")
        elif ch == "\t":
            out.append("\\t")
        elif ord(ch) < 0x20:
            out.append("\\u%04x" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


class Model:
    """What the overlay does with each input, as the game side, the page and the log see it.
    The page is ready and the cover is down throughout."""

    def __init__(self):
        self.mode = "hidden"
        self.wants_through = False
        self.through_on = False
        self.datagrams = []   # to the game side, since the last take()
        self.posts = []       # to the page, away and back aside
        self.log = []         # the modelled log lines, for the whole run

    def take(self):
        datagrams, posts = self.datagrams, self.posts
        self.datagrams, self.posts = [], []
        return datagrams, posts

    def set_mode(self, mode):
        if mode != self.mode:
            self.log.append("mode " + mode)
            self.mode = mode
            self.pass_through()
        self.datagrams.append("VYRO state " + mode)

    def pass_through(self):
        wanted = self.wants_through and self.mode == "passive"
        if wanted != self.through_on:
            self.through_on = wanted
            self.log.append(MOUSE_THROUGH if wanted else MOUSE_OURS)

    # The game side.

    def show(self, pad):
        self.set_mode("active")
        self.posts.append('{"type":"show"}' if not pad else
                          '{"type":"show","pad":"%s"}' % escaped(pad))

    def datagram(self, command, argument=""):
        if command == "show":
            self.show(argument)
        elif command == "hide":
            self.posts.append('{"type":"close"}')
        elif command == "toggle":
            if self.mode != "active":
                self.show(argument)
            else:
                self.posts.append('{"type":"close"}')
        elif command == "note":
            if self.mode == "hidden":
                self.set_mode("passive")
            self.posts.append('{"type":"note","note":%s}' % argument)
        elif command == "page":
            self.posts.append(argument)
        elif command == "state":
            self.datagrams.append("VYRO state " + self.mode)

    # The page.

    def ready(self):
        self.log.append("page ready")
        if self.mode == "active":
            self.posts.append('{"type":"show"}')
        self.posts.append(HOST_MESSAGE)

    def page_mode(self, value):
        self.set_mode(value if value in ("active", "passive") else "hidden")

    def through(self, on):
        if on != self.wants_through:
            self.wants_through = on
            self.log.append("through " + ("on" if on else "off"))
            self.pass_through()

    def modal(self, on):
        self.datagrams.append("VYRO modal " + ("on" if on else "off"))

    def page_log(self, text):
        self.log.append("page: " + text)

    def save(self, name, ok):
        self.log.append("save %s: %s" % (name, "ok" if ok else "FAILED"))
        self.posts.append('{"type":"saved","name":"%s","ok":%s}'
                          % (escaped(name), "true" if ok else "false"))

    def load(self, name, text):
        """text None: refused or missing."""
        self.posts.append('{"type":"file","name":"%s","ok":%s,"text":"%s"}'
                          % (escaped(name), "false" if text is None else "true",
                             escaped(text or "")))

    def game(self, command, argument):
        argument_bytes = argument.encode("utf-8")
        if (not command or len(command) > 39
                or any(c not in "abcdefghijklmnopqrstuvwxyz_" for c in command)
                or len(argument_bytes) >= 200 or "\r" in argument or "\n" in argument):
            return
        self.datagrams.append("VYRO game " + command + (" " + argument if argument else ""))
        self.log.append("game: %s %s" % (command, argument))


class Record:
    """Follows the stand-in runtime's record as it grows, keeping only what the soak needs:
    the texts posted to the page and which page messages were carried out."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.posted = []      # since the last take_posted, away and back aside
        self.told = []        # away and back, for the whole run
        self.carried = set()  # ids of the page messages carried out since the last reset
        self.reloads = 0
        self.refused = []

    def read(self):
        try:
            with open(self.path, "rb") as f:
                f.seek(self.offset)
                data = f.read()
        except FileNotFoundError:
            return
        end = data.rfind(b"\n") + 1
        self.offset += end
        for line in data[:end].splitlines():
            entry = json.loads(line.decode("utf-8"))
            name = entry.get("call") or entry.get("note")
            args = entry["args"]
            if name == "webview.PostWebMessageAsJson":
                (self.told if args[0] in (AWAY, BACK) else self.posted).append(args[0])
            elif name == "webMessage":
                self.carried.add(args[0])
            elif name == "webview.Reload":
                self.reloads += 1
            elif name == "refused":
                self.refused.append(args)

    def take_posted(self, count, what):
        """Waits until at least `count` texts were posted since the last take; returns them."""
        wait_for(lambda: self.read() or len(self.posted) >= count,
                 "%d posts to the page (%s)" % (count, what), deadline=120)
        posted, self.posted = self.posted, []
        return posted


class GameSide:
    """The game side's end of the UDP link, on a port of its own."""

    def __init__(self, overlay_port):
        self.overlay_port = overlay_port
        self.socket = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        # Room for every answer of a burst: the test reads them only once it has sent it.
        self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 * 1024 * 1024)
        self.socket.bind(("127.0.0.1", 0))
        self.port = self.socket.getsockname()[1]
        self.sent = 0

    def send(self, data):
        self.socket.sendto(data, ("127.0.0.1", self.overlay_port))
        self.sent += 1

    def receive(self, count, deadline=120):
        end = time.monotonic() + deadline
        received = []
        while len(received) < count:
            self.socket.settimeout(max(0.01, end - time.monotonic()))
            try:
                received.append(self.socket.recv(65536).decode("utf-8"))
            except socket.timeout:
                raise AssertionError("%d of %d datagrams from the overlay within %.0f s: %r"
                                     % (len(received), count, deadline, received[-5:]))
        return received

    def nothing_waiting(self):
        self.socket.settimeout(0)
        try:
            extra = self.socket.recv(65536)
        except (BlockingIOError, socket.timeout):
            return True
        raise AssertionError("an unexpected datagram from the overlay: %r" % extra)

    def close(self):
        self.socket.close()


class Soak(harness.OverlayTestCase):
    def setUp(self):
        super().setUp()
        self.random = random.Random(20261208)
        self.model = Model()
        self.page_sent = 0
        self.next_page_id = 0
        self.saved = {}  # name -> text last saved

    # -- the page, through the stand-in ------------------------------------------------------

    def page(self, messages, what):
        """Posts each JSON text as the page would, PIPELINE at a time, and returns once the
        stand-in has carried out every one (the overlay's handler has run)."""
        for start in range(0, len(messages), PIPELINE):
            self.record.carried.clear()
            last = None
            for text in messages[start:start + PIPELINE]:
                self.next_page_id += 1
                last = "soak%d" % self.next_page_id
                kind = "message-json"
                if isinstance(text, tuple):  # ("string", text): postMessage of a string
                    kind, text = "message-string", text[1]
                datagram = "\n".join([kind, last, "", text]).encode("utf-8")
                self.standin_socket.sendto(datagram, ("127.0.0.1", self.standin_port))
            wait_for(lambda: self.record.read() or last in self.record.carried,
                     "the page's %s carried out" % what, deadline=120)
            self.assertEqual(self.record.refused, [])
        self.page_sent += len(messages)

    # -- checks ----------------------------------------------------------------------------

    def check_answers(self, what):
        """Everything the model expects since the last check arrived, in order, and no more."""
        datagrams, posts = self.model.take()
        self.assertEqual(self.side.receive(len(datagrams)), datagrams, what)
        self.assertEqual(self.record.take_posted(len(posts), what), posts, what)
        self.side.nothing_waiting()

    def settle(self):
        """Asks for the state: the overlay takes datagrams in order, so its answer, the last
        one check_answers waits for, comes once everything sent before was handled."""
        self.side.send(b"VYRO state")
        self.model.datagram("state")

    def host(self):
        return wait_for(lambda: next((c for c in self.game.children()
                                      if c["class"] == "VYROverlayHost"), None), "the host")

    def host_fitted(self):
        return self.host()["rect"] == [0, 0] + self.game.state()["client"][2:]

    def region(self):
        code, out = wintool("region", "%x" % self.host()["hwnd"])
        self.assertEqual(code, 0, out)
        return out.strip()

    # -- the phases of one cycle -----------------------------------------------------------

    def burst(self, cycle):
        """Datagrams in quick succession: notes, raw page messages, state, show, hide, toggle,
        window, and junk that must change nothing."""
        r = self.random
        junk = [b"VYRO Show", b"VYRO show\n", b"VYROshow", b"VYRO", b"VYRO ", b"hello",
                b"VYRO bye\n", b"VYRO Bye", b"VYRO STATE", b"vyro state", b"VYRO  state",
                b"VYRO unknown words", b"\x00VYRO state", b"VYRO \xff\xfe\x00\x01",
                bytes(r.randrange(256) for _ in range(r.randrange(1, 200)))]
        for i in range(BURST):
            pick = r.random()
            if pick < 0.35:
                value = r.choice(['%d' % i, '"c%d n%d caf\u00e9 \U0001F3AE"' % (cycle, i),
                                  '{"c":%d,"i":%d,"a":[1,{"b":null}]}' % (cycle, i), "true"])
                self.side.send(("VYRO note " + value).encode("utf-8"))
                self.model.datagram("note", value)
            elif pick < 0.5:
                text = '{"type":"custom","c":%d,"i":%d,"s":"\\"q\\" \u00e9"}' % (cycle, i)
                self.side.send(("VYRO page " + text).encode("utf-8"))
                self.model.datagram("page", text)
            elif pick < 0.6:
                self.side.send(b"VYRO state")
                self.model.datagram("state")
            elif pick < 0.64:
                command = r.choice(["show", "hide", "toggle"])
                pad = r.choice(["", "", "pad %d" % i, 'say "hi" \\ \u00e9', "-", " "])
                self.side.send(("VYRO " + command + (" " + pad if pad else "")).encode("utf-8"))
                self.model.datagram(command, pad)
            elif pick < 0.66:
                self.side.send(b"VYRO window")  # framed already: only a refit
            elif pick < 0.68:
                # The text ends at its first zero byte.
                self.side.send(b"VYRO state\x00 and then junk")
                self.model.datagram("state")
            else:
                self.side.send(r.choice(junk))
        big = '"%s"' % ("x" * 60000)
        self.side.send(("VYRO note " + big).encode("utf-8"))
        self.model.datagram("note", big)
        # An empty datagram ends a drain; what follows must still be read without more.
        self.side.send(b"")
        self.settle()
        self.check_answers("burst %d" % cycle)

    def page_batch(self, cycle):
        """The page's messages: regions, pass-through, modes, log lines, files, game requests,
        modal, a reload with its new ready, and messages the overlay must ignore."""
        r = self.random
        self.side.send(b"VYRO reload")
        reloads = self.record.reloads + 1
        wait_for(lambda: self.record.read() or self.record.reloads >= reloads, "the reload")
        m = self.model
        messages = ['{"type":"ready"}']
        m.ready()
        for i in range(PAGE_BATCH):
            pick = r.random()
            if pick < 0.25:
                rects = ",".join("[%d,%d,%d,%d]" % (r.randrange(-20, 700), r.randrange(-20, 500),
                                                    r.randrange(0, 300), r.randrange(0, 200))
                                 for _ in range(r.randrange(0, 6)))
                messages.append('{"type":"region","rects":[%s]}' % rects)
            elif pick < 0.35:
                on = r.choice(["true", "false", "1", '"yes"'])
                messages.append('{"type":"through","on":%s}' % on)
                m.through(on == "true")
            elif pick < 0.45:
                value = r.choice(["active", "passive", "Active", "none", ""])
                messages.append('{"type":"mode","mode":"%s"}' % value)
                m.page_mode(value)
            elif pick < 0.47:
                messages.append('{"type":"hide"}')
                m.set_mode("hidden")
            elif pick < 0.52:
                text = r.choice(["cycle %d line %d" % (cycle, i), "100%% sure %s %d %n",
                                 "caf\u00e9 \U0001F3AE \"quoted\" back\\slash"])
                messages.append('{"type":"log","text":%s}' % json.dumps(text))
                m.page_log(text)
            elif pick < 0.56:
                on = r.choice([True, False])
                messages.append('{"type":"modal","on":%s}' % ("true" if on else "false"))
                m.modal(on)
            elif pick < 0.64:
                command, argument = r.choice([
                    ("open_map", "north gate %d" % i), ("ping", ""), ("say", "caf\u00e9 100%s"),
                    ("OpenMap", "x"), ("map2", ""), ("a" * 39, "edge"), ("a" * 40, "x"),
                    ("", "x"), ("a", "x\ny"), ("a", "x\ry"), ("long", "y" * 199),
                    ("long", "y" * 200), ("wide", "\u00e9" * 100)])
                messages.append('{"type":"game","cmd":%s,"arg":%s}'
                                % (json.dumps(command), json.dumps(argument)))
                m.game(command, argument)
            elif pick < 0.72:
                name = r.choice(ALLOWED)
                text = r.choice(["c%d i%d" % (cycle, i), "",
                                 'say "hi" \\ caf\u00e9 \U0001F3AE\nline\ttab\x01',
                                 "\u4e2d\u6587 " * r.randrange(1, 400)])
                messages.append('{"type":"save","file":"%s","text":%s}' % (name, json.dumps(text)))
                m.save(name, True)
                self.saved[name] = text
            elif pick < 0.78:
                name = r.choice(["vyr_pad.json", "VYR_PAD.JSON", "Vyr_Overlay.json"])
                messages.append('{"type":"load","file":"%s"}' % name)
                m.load(name, self.saved.get(name.lower()))
            elif pick < 0.82:
                name = r.choice(["x.json", "..\\vyr_pad.json", "vyr_pad.json.tmp", "",
                                 "docs\\vyr_overlay.json", "vyr_pad.json ", "100%s.json"])
                if r.random() < 0.5:
                    messages.append('{"type":"save","file":%s,"text":"x"}' % json.dumps(name))
                    m.save(name, False)
                else:
                    messages.append('{"type":"load","file":%s}' % json.dumps(name))
                    m.load(name, None)
            elif pick < 0.84:
                messages.append('{"type":"cover","on":%s}' % r.choice(["true", "false"]))
            else:
                messages.append(r.choice([
                    '{"type":"Ready"}', '{"type":"unknown","x":1}', '{"x":"no type"}', '[1,2,3]',
                    '"just a string"', "42", "null", '{"type":""}', '{"type":"region"}',
                    ("string", '{"type":"ready"}'), ("string", "plain words")]))
        # A known region last, for the check: rows that do not touch stay apart.
        rows = []
        top = r.randrange(0, 40)
        for _ in range(r.randrange(1, 4)):
            x, w, h = r.randrange(0, 300), r.randrange(1, 200), r.randrange(1, 60)
            rows.append((x, top, w, h))
            top += h + r.randrange(1, 30)
        messages.append('{"type":"region","rects":%s}' % json.dumps([list(t) for t in rows]))
        self.page(messages, "batch %d" % cycle)
        self.settle()
        self.check_answers("page batch %d" % cycle)
        self.expected_region = "rects=%d %s" % (len(rows), " ".join(
            "%d,%d,%d,%d" % (x, y, x + w, y + h) for x, y, w, h in rows))

    def window_moves(self, cycle):
        """The game window moved and resized while the overlay is shown, then made borderless
        and framed again over UDP; the host follows the client area each time."""
        r = self.random
        self.side.send(b"VYRO show")
        self.model.datagram("show")
        self.check_answers("show before the moves %d" % cycle)
        for _ in range(r.randrange(2, 5)):
            if r.random() < 0.5:
                self.game.place(r.randrange(0, 400), r.randrange(0, 200),
                                r.randrange(320, 860), r.randrange(240, 580))
            else:
                self.game.client_size(r.randrange(200, 800), r.randrange(150, 500))
            self.game.move(r.randrange(0, 400), r.randrange(0, 200))
        wait_for(self.host_fitted, "the host over the game's client area after the moves")

        before = self.game.state()
        monitor = before["monitor"]
        self.side.send(b"VYRO window borderless")
        self.model.log.append("window: borderless %dx%d" % (monitor[2], monitor[3]))
        wait_for(lambda: self.game.state()["rect"] == monitor, "the game borderless")
        wait_for(self.host_fitted, "the host over the borderless game")
        self.side.send(b"VYRO window framed")
        self.model.log.append("window: framed again")
        wait_for(lambda: self.game.state()["rect"] == before["rect"], "the game framed again")
        self.assertEqual(self.game.state()["style"], before["style"])
        wait_for(self.host_fitted, "the host over the framed game")

    def away_and_back(self, cycle):
        """The player leaves the game three ways and comes back: minimised and restored, hidden
        behind another application and shown, another application in front."""
        told = len(self.record.told)
        steps = [
            (self.game.minimize, "away (minimised)"),
            (lambda: (self.game.restore(), self.game.foreground()), "back in front"),
            (lambda: (self.game.hide(), self.other.foreground()),
             "away (another application in front)"),
            (lambda: (self.game.show(), self.game.foreground()), "back in front"),
            (self.other.foreground, "away (another application in front)"),
            (self.game.foreground, "back in front"),
        ]
        for step, verdict in steps:
            step()
            told += 1
            wait_for(lambda: self.record.read() or len(self.record.told) >= told,
                     "the page told %s (cycle %d)" % (verdict, cycle))
            self.model.log.append("game " + verdict)
        self.assertEqual(self.record.told, [AWAY, BACK] * (len(self.record.told) // 2))
        wait_for(self.host_fitted, "the host over the game once it is back")

    def checkpoint(self, cycle):
        self.settle()
        self.check_answers("checkpoint %d" % cycle)
        wait_for(lambda: self.region() == self.expected_region, "the page's last region")
        for name, text in self.saved.items():
            with open(os.path.join(self.docs, name), "rb") as f:
                self.assertEqual(f.read(), text.encode("utf-8"), name)

    # -- the soak --------------------------------------------------------------------------

    def test_soak(self):
        self.other = GameStandin(title="Another application", window_class="OtherApplication",
                                 rect=(900, 520, 300, 200))
        self.addCleanup(self.other.kill)
        self.game = GameStandin(rect=(100, 80, 800, 600))
        self.addCleanup(self.game.kill)
        self.game.foreground()

        folder = harness.new_program_folder("soak")
        self.docs = os.path.join(folder, "docs")
        os.makedirs(self.docs)
        self.standin = StandIn(folder)
        self.addCleanup(self.standin.close)
        self.standin_socket = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.standin_socket.bind(("127.0.0.1", 0))
        self.addCleanup(self.standin_socket.close)
        self.record = Record(self.standin.record_path)
        port = harness.free_udp_port()
        process = self.start_overlay(["--port", str(port), "--doc",
                                      harness.to_windows_path(self.docs)],
                                     folder=folder, env=self.standin.env)
        self.standin.wait_for_call("webview.Navigate")
        # Read once: the stand-in's own reader keeps every record line, too many for a soak.
        self.standin_port = self.standin.wait_for_note("listening")[1]
        self.side = GameSide(port)
        self.addCleanup(self.side.close)
        self.settle()
        self.page(['{"type":"ready"}', '{"type":"cover","on":false}'], "start")
        self.model.ready()
        self.check_answers("start")
        self.wait_for_line(lambda m: m.startswith("cover off ("), "the cover off")
        self.assertEqual(self.record.told, [], "the game was in front from the start")

        start = time.monotonic()
        samples = []
        baseline = None
        cycle = 0
        while cycle < WARM_UP_CYCLES + 1 or time.monotonic() - start < SOAK_SECONDS:
            cycle += 1
            self.burst(cycle)
            self.page_batch(cycle)
            self.window_moves(cycle)
            self.away_and_back(cycle)
            self.checkpoint(cycle)
            samples.append(resident_kib(process.popen.pid))
            if cycle == WARM_UP_CYCLES:
                baseline = (samples[-1], self.side.sent, self.page_sent)
            self.assertTrue(process.running())
        soaked = time.monotonic() - start

        # The answers over the whole run: the log in order, the files, the process's memory.
        log = self.log_messages()
        modelled = [("game " + VERDICT.match(m).group(1)) if VERDICT.match(m) else m
                    for m in log if m.startswith(MODELLED) or VERDICT.match(m)]
        self.assertEqual(modelled, self.model.log)
        self.assertEqual(sorted(os.listdir(self.docs)), ["vyr_keys.txt"] + sorted(self.saved))
        rates = [m for m in log if m.startswith("rates ")]
        self.assertGreaterEqual(len(rates), int(soaked // 30) - 1, rates)

        end = resident_kib(process.popen.pid)
        datagrams, page_messages = (self.side.sent - baseline[1], self.page_sent - baseline[2])
        growth = (end["VmRSS"] - baseline[0]["VmRSS"]) * 1024
        report = ("%d cycles in %.0f s; after the warm-up %d datagrams and %d page messages; "
                  "VmRSS %d -> %d KiB (RssAnon %d -> %d KiB); per cycle %s"
                  % (cycle, soaked, datagrams, page_messages, baseline[0]["VmRSS"],
                     end["VmRSS"], baseline[0]["RssAnon"], end["RssAnon"],
                     [s["VmRSS"] for s in samples]))
        print("\n" + report)
        self.assertGreater(min(datagrams, page_messages) * LEAK_PER_MESSAGE, LEAK_BOUND,
                           "too little traffic to see a %d-byte leak: %s"
                           % (LEAK_PER_MESSAGE, report))
        self.assertLess(growth, LEAK_BOUND, report)

        self.side.send(b"VYRO bye")
        self.assertEqual(process.wait(), 0)
        self.assertEqual(self.log_messages()[-2:], ["'bye' from UDP port %d" % self.side.port,
                                                    "exit ('bye' from UDP port %d)"
                                                    % self.side.port])


if __name__ == "__main__":
    unittest.main()
