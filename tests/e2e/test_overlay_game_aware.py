"""overlay_host's game-aware behaviours under Wine with the stand-in game: the away verdict
and its log lines, the keyboard layout keeper's asks and notes, and the game window's
borderless mode switched over UDP.

Wine cannot show a real layout change (a process's layout is fixed by its locale, and
GetKeyboardLayout of another process's thread answers the caller's own), so the layout tests
play the game's layout through the overlay's test hook: the environment variable
VYR_KEYS_TEST_LAYOUT names a file whose hexadecimal handle the keeper reads as the game
thread's layout on every tick.
"""
import os
import re
import socket
import unittest

import harness
from game_standin import GameStandin, WM_INPUTLANGCHANGEREQUEST, WS_POPUP, handle
from harness import wait_for
from webview_standin import StandIn

FRAME_BITS = 0x00CF0000
US, DE = 0x04090409, 0x04070407
US_NAME, DE_NAME = "en-US [04090409]", "de-DE [04070407]"
HANDLE = r"([0-9A-Fa-fx]+)"
VERDICT = re.compile(r"^game (away \(minimised\)|away \(another application in front\)|"
                     r"back in front) - foreground: (.*)$")
DESCRIPTION = re.compile(r"^(.+) pid (\d+) class '(.*)' title '(.*)' \(%s\)$" % HANDLE)
OLD_RULE = re.compile(r"^\(the old GA_ROOTOWNER rule would say (away|in front) now - foreground: "
                      r"(.*), root owner %s, game window %s\)$" % (HANDLE, HANDLE))
NOT_ASKED = " (not asked: no_keep_layout.txt)"
LONG_TITLE = "Another application whose title runs on past the sixty characters shown"


class GameAware(harness.OverlayTestCase):
    def setUp(self):
        super().setUp()
        self.udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.udp.bind(("127.0.0.1", 0))
        self.addCleanup(self.udp.close)

    def start_game(self, **options):
        game = GameStandin(**options)
        self.addCleanup(game.kill)
        return game

    def start(self, *args, env=None, marker=False, folder=None):
        """The overlay in a fresh folder (or the one given) with its own documents folder;
        `marker` puts no_keep_layout.txt beside it."""
        folder = folder or harness.new_program_folder(self.id().split(".")[-1])
        self.docs = os.path.join(folder, "docs")
        os.makedirs(self.docs)
        if marker:
            open(os.path.join(folder, "no_keep_layout.txt"), "w").close()
        self.port = harness.free_udp_port()
        return self.start_overlay(["--port", str(self.port), "--doc",
                                   harness.to_windows_path(self.docs)] + list(args),
                                  folder=folder, env=env)

    def send(self, text):
        self.udp.sendto(("VYRO " + text).encode("utf-8"), ("127.0.0.1", self.port))

    def settle(self):
        """Returns once every datagram sent before has been handled: the overlay handles them
        in order and answers "state" to the last sender."""
        self.send("state")
        self.udp.settimeout(harness.DEADLINE)
        while not self.udp.recv(65536).startswith(b"VYRO state "):
            pass

    def lines(self, prefix):
        return [m for m in self.log_messages() if m.startswith(prefix)]

    def wait_for_count(self, prefix, count, what):
        return wait_for(lambda: (lambda found: found if len(found) >= count else None)(
            self.lines(prefix)), what)

    def host_child(self, game):
        return next((c for c in game.children() if c["class"] == "VYROverlayHost"), None)

    def host_fitted(self, game):
        host = self.host_child(game)
        return host is not None and host["rect"] == [0, 0] + game.state()["client"][2:]

    def verdicts(self):
        return [VERDICT.match(m) for m in self.log_messages() if VERDICT.match(m)]

    def wait_for_verdict(self, count, verdict):
        """The count-th verdict line, which must say `verdict`; returns its description."""
        found = wait_for(lambda: (lambda v: v if len(v) >= count else None)(self.verdicts()),
                         "verdict line %d (%s)" % (count, verdict))
        self.assertEqual(found[count - 1].group(1), verdict,
                         [m.group(0) for m in found])
        return DESCRIPTION.match(found[count - 1].group(2))

    def keys_file(self):
        try:
            with open(os.path.join(self.docs, "vyr_keys.txt"), "rb") as f:
                return f.read().decode("utf-8")
        except FileNotFoundError:
            return None

    # -- borderless ----------------------------------------------------------------------

    def test_borderless_twice_then_framed_restores_the_first_style_and_rectangle(self):
        game = self.start_game(rect=(100, 90, 640, 480))
        self.start()
        self.wait_for_line(lambda m: m.startswith("game window "), "the game found")
        before = game.state()
        monitor = before["monitor"]
        wait_for(lambda: self.host_fitted(game), "the host over the game")

        self.send("window borderless")
        line = "window: borderless %dx%d" % (monitor[2], monitor[3])
        self.wait_for_line(lambda m: m == line, line)
        now = game.state()
        self.assertEqual(now["rect"], monitor)
        self.assertEqual(now["style"], (before["style"] & ~FRAME_BITS) | WS_POPUP)
        wait_for(lambda: self.host_fitted(game), "the host refitted to the borderless game")

        # Moved by the game and made borderless again: the first remembered values stay.
        game.place(40, 30, 800, 600)
        self.send("window borderless")
        self.wait_for_count(line, 2, "the second borderless line")
        self.assertEqual(game.state()["rect"], monitor)
        # Already borderless over its monitor: nothing to do, nothing written.
        self.send("window borderless")
        self.settle()
        self.assertEqual(len(self.lines("window: ")), 2)

        # Any capital letter asks for the frame back.
        self.send("window Borderless")
        self.wait_for_line(lambda m: m == "window: framed again", "the framed line")
        now = game.state()
        self.assertEqual(now["rect"], before["rect"])
        self.assertEqual(now["style"], before["style"])
        wait_for(lambda: self.host_fitted(game), "the host refitted to the framed game")
        # Framed already: only the host is fitted again.
        self.send("window")
        self.settle()
        self.assertEqual(self.lines("window: "), [line, line, "window: framed again"])

    def test_borderless_without_the_game_window_does_nothing(self):
        game = self.start_game(rect=(120, 100, 500, 400))
        self.start("--game", "Not the game")
        self.windows_pid()
        before = game.state()
        self.send("window borderless")
        self.settle()
        after = game.state()
        self.assertEqual((after["rect"], after["style"]), (before["rect"], before["style"]))
        self.assertEqual(self.lines("window: "), [])

    # -- away and back, layouts ----------------------------------------------------------

    def play_return_with_another_layout(self, marker, standin=False):
        """Game on US for 3 s, away, back on DE through the test hook, until the keeper gives
        up its ask cycle. Returns both games, the away line's description and the game's event
        mark from before."""
        game = self.start_game(focus_child=True)
        other = self.start_game(title=LONG_TITLE, window_class="OtherApplication",
                                rect=(700, 100, 300, 200))
        game.foreground()
        os.makedirs(harness.RUNS_DIR, exist_ok=True)
        layout_file = os.path.join(harness.RUNS_DIR, self.id().split(".")[-1] + "-layout.txt")
        self.write_layout(layout_file, US)
        folder = harness.new_program_folder(self.id().split(".")[-1])
        env = {"VYR_KEYS_TEST_LAYOUT": harness.to_windows_path(layout_file)}
        if standin:
            self.standin = StandIn(folder)
            self.addCleanup(self.standin.close)
            env.update(self.standin.env)
        self.start(env=env, marker=marker, folder=folder)
        mark = game.mark()
        if standin:  # the page exists before anything is told to it
            self.standin.wait_for_call("webview.get_BrowserProcessId")
        self.wait_for_line(lambda m: m == "keys: keyboard layout in play: " + US_NAME,
                           "the played layout", deadline=harness.DEADLINE)

        other.foreground()
        described = self.wait_for_verdict(1, "away (another application in front)")
        self.write_layout(layout_file, DE)
        game.foreground()
        self.wait_for_verdict(2, "back in front")
        self.wait_for_line(lambda m: m.startswith("keys: the game kept "), "the cycle given up")
        return game, other, described, mark

    def write_layout(self, path, layout):
        with open(path + ".new", "w") as f:
            f.write("%x" % layout)
        os.replace(path + ".new", path)

    def test_away_and_back_and_the_layout_asked_back(self):
        game, other, described, mark = self.play_return_with_another_layout(marker=False,
                                                                            standin=True)
        state = game.state()
        other_state = other.state()
        adopted = "keys: keyboard layout in play: %s (was %s)" % (DE_NAME, US_NAME)
        self.wait_for_line(lambda m: m == adopted, "the kept layout adopted")

        # Another application in front: its description, the title cut after 60 characters.
        self.assertEqual(described.groups()[:4], ("standin_game.exe", str(other_state["pid"]),
                                                  "OtherApplication", LONG_TITLE[:60] + "..."))
        self.assertEqual(handle(described.group(5)), other_state["hwnd"])

        notes = [m[len("keys: "):] for m in self.lines("keys: ")]
        focus = next(n for n in notes if n.startswith("the game is still on "))
        target = re.match(r"^the game is still on %s - its focus window %s asked for %s$"
                          % (re.escape(DE_NAME), HANDLE, re.escape(US_NAME)), focus)
        self.assertIsNotNone(target, focus)
        self.assertEqual(notes, [
            "keyboard layout in play: " + US_NAME,
            "back from another application with the keyboard layout %s - the game's keys would "
            "land on other actions; the game asked for %s again (the one played with)"
            % (DE_NAME, US_NAME),
            focus,
            "the game kept %s - left as it is (the played one once it holds 3 s)" % DE_NAME,
            "keyboard layout in play: %s (was %s)" % (DE_NAME, US_NAME),
        ])
        self.assertEqual(self.keys_file(), "".join(n + "\n" for n in notes))

        # The first ask to the game window, the second to the window its keys go to.
        asks = game.find_events("WM_INPUTLANGCHANGEREQUEST", since=mark)
        self.assertEqual([(a["target"], a["hwnd"], a["wParam"], a["lParam"]) for a in asks], [
            ("top", state["hwnd"], 0, US),
            ("focus", state["focusChild"], 0, US)])
        self.assertEqual(handle(target.group(1)), state["focusChild"])

        # Minimised and restored: away and back again, nothing asked (the layout held).
        game.minimize()
        self.wait_for_verdict(3, "away (minimised)")
        game.restore()
        game.foreground()
        back = self.wait_for_verdict(4, "back in front")
        self.assertEqual(back.groups()[:4],
                         ("standin_game.exe", str(state["pid"]), "Win32Window", "Cindergale"))
        self.assertEqual(handle(back.group(5)), state["hwnd"])

        # A window of the page's browser process in front: still in front. Only the old
        # root-owner rule, which knows nothing of the browser, says away.
        browser_window = self.standin.browser_window(show=True)
        old = self.wait_for_old_rule(1)
        self.assertEqual(old.group(1), "away")
        self.assertEqual(handle(old.group(3)), browser_window)
        self.assertEqual(DESCRIPTION.match(old.group(2)).group(2), str(self.standin.browser_pid()))
        self.assertEqual(len(self.verdicts()), 4)

        other.foreground()
        self.wait_for_verdict(5, "away (another application in front)")
        game.foreground()
        self.wait_for_verdict(6, "back in front")
        # A window of the game's own process that the game window does not own: in front,
        # and the old rule disagrees again.
        dialog = game.create("GameDialog", "Settings", rect=(200, 200, 300, 200))
        game.foreground(window=dialog["index"])
        old = self.wait_for_old_rule(2)
        self.assertEqual(old.group(1), "away")
        self.assertEqual(handle(old.group(3)), dialog["hwnd"])
        self.assertEqual(handle(old.group(4)), state["hwnd"])
        self.assertEqual(DESCRIPTION.match(old.group(2)).group(3), "GameDialog")
        self.settle()
        self.assertEqual(len(self.verdicts()), 6)
        # Each change told to the page, nothing else of the kind.
        told = ['{"type":"away"}', '{"type":"back"}'] * 3
        wait_for(lambda: self.told() == told, "the page told away and back three times")
        self.assertEqual(len(game.find_events("WM_INPUTLANGCHANGEREQUEST", since=mark)), 2)

    def told(self):
        return [c[1] for c in self.standin.calls("webview.PostWebMessageAsJson")
                if c[1] in ('{"type":"away"}', '{"type":"back"}')]

    def wait_for_old_rule(self, count):
        found = wait_for(lambda: (lambda f: f if len(f) >= count else None)(
            [OLD_RULE.match(m) for m in self.log_messages() if OLD_RULE.match(m)]),
            "old-rule line %d" % count)
        return found[count - 1]

    def test_marker_notes_the_same_and_asks_nothing(self):
        game, _, _, mark = self.play_return_with_another_layout(marker=True)
        log = self.log_messages()
        self.assertIn("keys: no_keep_layout.txt - the keyboard layout is only noted, never asked "
                      "back", log)
        notes = self.keys_file().splitlines()
        self.assertEqual(len(notes), 4, notes)
        self.assertTrue(notes[1].startswith("back from another application with the keyboard "
                                            "layout " + DE_NAME))
        self.assertTrue(notes[2].startswith("the game is still on " + DE_NAME))
        self.assertTrue(notes[3].startswith("the game kept " + DE_NAME))
        for note in notes[1:3]:
            self.assertTrue(note.endswith(NOT_ASKED), note)
        self.assertEqual(game.find_events("WM_INPUTLANGCHANGEREQUEST", since=mark), [])

if __name__ == "__main__":
    unittest.main()
