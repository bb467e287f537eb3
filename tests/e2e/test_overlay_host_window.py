"""overlay_host's host window under Wine with the stand-in game: finding the game window,
binding to it as a child or owned window, following its client area, and the exit rules."""
import re
import unittest

import harness
import test_overlay_page as page_tests
from game_standin import GameStandin, handle
from harness import wait_for, wintool

FOUND = re.compile(r"^game window ([0-9A-Fa-f]+) found \((child|owned)\), process (.+) pid (\d+)$")
RATE = r"(\d+\.\d)/(\d+)"
RATES = re.compile(
    r"^rates (?P<seconds>\d+)s \(avg/s, busiest 1 s\): page->host %s host->page %s "
    r"game->host %s host->game %s \| SetWindowRgn %s, mode changes (?P<modes>\d+), "
    r"mouse-owner switches \d+ \| fit_to_game (?P<fitAverage>\d+\.\d)/(?P<fitBusiest>\d+) "
    r"\(rect changed (?P<changed>\d+), same (?P<same>\d+)\) \| SetFocus \d+, MoveFocus \d+ "
    r"\| WM_SETCURSOR %s$" % ((RATE,) * 6))
WM_CLOSE = 0x0010
DPI_WHY = (r" \(a child window of another DPI awareness than its parent misbehaves, and "
           r"SetParent across processes resets the child's process\)$")


class HostWindow(harness.OverlayTestCase):
    def start_game(self, **options):
        game = GameStandin(**options)
        self.addCleanup(game.kill)
        return game

    def start(self, *args):
        return self.start_overlay(["--port", str(harness.free_udp_port())] + list(args))

    def found_line(self):
        line = self.wait_for_line(FOUND.match, "the game-found line")
        return FOUND.match(line)

    def host_child(self, game):
        return next((c for c in game.children() if c["class"] == "VYROverlayHost"), None)

    def host_info(self, hwnd):
        code, out = wintool("info", "%x" % hwnd)
        self.assertEqual(code, 0, out)
        return dict(field.split("=", 1) for field in out.split())

    def test_child_mode_binds_and_follows_the_client_area(self):
        game = self.start_game(rect=(100, 80, 800, 600))
        process = self.start()
        found = self.found_line()
        state = game.state()
        self.assertEqual(handle(found.group(1)), state["hwnd"])
        self.assertEqual(found.group(2), "child")
        self.assertEqual(found.group(3), "standin_game.exe")
        self.assertEqual(int(found.group(4)), state["pid"])

        # Under the cover the host is shown at once, exactly over the client area.
        child = wait_for(lambda: self.host_child(game), "the host as a child of the game")
        self.assertEqual(child["parent"], state["hwnd"])
        self.assertTrue(child["visible"])
        self.assertEqual(child["rect"], [0, 0] + state["client"][2:])
        style = int(self.host_info(child["hwnd"])["style"], 16)
        self.assertEqual(style & 0xFFFF0000 & ~0x10000000, 0x46000000)  # WS_POPUP gone

        game.client_size(640, 360)
        wait_for(lambda: self.host_child(game)["rect"] == [0, 0, 640, 360], "the host resized")
        game.move(300, 200)
        game.place(10, 20, 1000, 700)
        wait_for(lambda: self.host_child(game)["rect"] == [0, 0] + game.state()["client"][2:],
                 "the host fitted after a move and resize")

        # Closing the game destroys the host with it and ends the program.
        game.close()
        self.assertEqual(process.wait(), 0)
        log = self.log_messages()
        destroyed = next(m for m in log if m.startswith("host window destroyed"))
        self.assertRegex(destroyed,
                         r"^host window destroyed \(WM_DESTROY - with its parent, the game window; "
                         r"game window %s (still valid \(it may be mid-destroy\)|gone), game process "
                         r"(running|ended)\)$" % found.group(1))
        self.assertEqual(log[-1], "exit (%s)" % destroyed)

    def test_owned_mode_follows_in_screen_coordinates_and_wm_close(self):
        game = self.start_game(rect=(150, 100, 700, 500))
        process = self.start("--mode", "owned")
        found = self.found_line()
        self.assertEqual(found.group(2), "owned")
        host = wait_for(lambda: next((w for w in game.owned() if w["class"] == "VYROverlayHost"),
                                     None), "the host owned by the game")

        def fitted():
            info = self.host_info(host["hwnd"])
            state = game.state()
            return (info["rect"] == "%d,%d,%d,%d" % tuple(state["origin"] + state["client"][2:])
                    and int(info["owner"], 16) == state["hwnd"] and info["visible"] == "1")
        wait_for(fitted, "the owned host over the client area")
        game.move(400, 300)
        wait_for(fitted, "the owned host after the game moved")

        code, out = wintool("post", "%x" % host["hwnd"], WM_CLOSE)
        self.assertEqual(code, 0, out)
        self.assertEqual(process.wait(), 0)
        log = self.log_messages()
        self.assertRegex(log[-2], r"^host window destroyed \(WM_DESTROY after WM_CLOSE; game window "
                         r"%s still valid \(it may be mid-destroy\), game process running\)$"
                         % found.group(1))
        self.assertEqual(log[-1], "exit (%s)" % log[-2])
        self.assertTrue(game.state()["exists"])

    def test_a_game_window_that_refuses_to_be_the_parent_gets_an_owned_host(self):
        # As a game running elevated refuses SetParent; Wine knows no elevation, so the
        # program's test hook plays the refusal.
        game = self.start_game(rect=(120, 90, 640, 480))
        process = self.start_overlay(["--port", str(harness.free_udp_port())],
                                     env={"VYR_TEST_SETPARENT_REFUSED": "1"})
        found = self.found_line()
        self.assertEqual(found.group(2), "owned")
        log = self.log_messages()
        self.assertEqual(log[log.index(found.group(0)) - 1],
                         "SetParent refused (5) - the overlay is an owned window of the game "
                         "instead")
        host = wait_for(lambda: next((w for w in game.owned() if w["class"] == "VYROverlayHost"),
                                     None), "the host owned by the game")
        self.assertIsNone(self.host_child(game))

        def fitted():
            info = self.host_info(host["hwnd"])
            state = game.state()
            return (info["rect"] == "%d,%d,%d,%d" % tuple(state["origin"] + state["client"][2:])
                    and info["visible"] == "1")
        wait_for(fitted, "the owned host over the client area, under the cover")
        info = self.host_info(host["hwnd"])
        self.assertEqual(int(info["style"], 16) & 0xC0000000, 0x80000000)  # WS_POPUP, no WS_CHILD
        self.assertEqual(int(info["exstyle"], 16) & 0x08000080, 0x08000080)  # no activate, tool
        game.move(400, 300)
        wait_for(fitted, "the owned host after the game moved")
        self.assertTrue(process.running())

    def test_a_game_of_another_dpi_awareness_gets_a_child_of_its_own_or_an_owned_host(self):
        # Already there at start: the host is made with the game's awareness, then its child.
        game = self.start_game(dpi="unaware")
        self.start()
        self.assertEqual(self.found_line().group(2), "child")
        self.assertTrue(any(re.match(r"^dpi: the game window is DPI unaware, the overlay "
                                     r"per-monitor DPI aware( v2)? - the host window is made DPI "
                                     r"unaware to be its child" + DPI_WHY, m)
                            for m in self.log_messages()), self.log_messages())
        self.assertEqual(wait_for(lambda: self.host_child(game), "the host child")["dpi"], 0)

        # Found after the host was made: owned, never a child of another awareness.
        self.start_overlay(["--game", "Late", "--port", str(harness.free_udp_port())],
                           folder=harness.new_program_folder("dpi_late"))
        wait_for(lambda: self.host_windows(self.windows_pid()), "the host searching")
        late = self.start_game(title="Late", dpi="system")
        found = self.found_line()
        self.assertEqual(found.group(2), "owned")
        log = self.log_messages()
        self.assertRegex(log[log.index(found.group(0)) - 1],
                         r"^dpi: the game window is system DPI aware, the host window per-monitor "
                         r"DPI aware( v2)? - the overlay is an owned window of the game instead"
                         + DPI_WHY)
        self.assertTrue(wait_for(lambda: late.owned(), "the host owned by the late game"))

    def test_wm_close_in_child_mode_and_lookalikes_are_not_taken(self):
        # A trailing blank in the title, and the exact title hidden: neither is the game.
        blank = self.start_game(title="Cindergale ")
        hidden = self.start_game(hidden=True)
        process = self.start()
        pid = self.windows_pid()
        # The host window exists once start-up has run its first search.
        wait_for(lambda: self.host_windows(pid), "the host window searching")
        real = self.start_game()
        found = self.found_line()
        self.assertEqual(handle(found.group(1)), real.state()["hwnd"])
        self.assertNotIn(handle(found.group(1)), (blank.state()["hwnd"], hidden.state()["hwnd"]))
        self.assertEqual(sum(1 for m in self.log_messages() if FOUND.match(m)), 1)

        child = wait_for(lambda: self.host_child(real), "the host as a child")
        code, out = wintool("post", "%x" % child["hwnd"], WM_CLOSE)
        self.assertEqual(code, 0, out)
        self.assertEqual(process.wait(), 0)
        self.assertRegex(self.log_messages()[-2],
                         r"^host window destroyed \(WM_DESTROY after WM_CLOSE; game window %s "
                         r"still valid \(it may be mid-destroy\), game process running\)$"
                         % found.group(1))

    def test_rates_line_while_shown_and_exit_without_a_game(self):
        # Two overlays side by side: one shown over a game for a rates window (it fits on
        # every tick), one that never finds its game and gives up after 60 s.
        game = self.start_game()
        shown = self.start("--show")
        self.found_line()
        lonely_folder = harness.new_program_folder("lonely")
        lonely_log = lonely_folder + "/vyr_overlay.log"
        lonely = harness.WinProcess(lonely_folder + "/overlay_host.exe",
                                    ["--game", "No such game", "--port",
                                     str(harness.free_udp_port())])
        self.processes.append(lonely)

        rates = self.wait_for_line(RATES.match, "a rates line", deadline=60)
        m = RATES.match(rates)
        seconds = int(m.group("seconds"))
        self.assertIn(seconds, range(30, 33))
        # Shown, the host is fitted on each of ten ticks a second.
        average, busiest = float(m.group("fitAverage")), int(m.group("fitBusiest"))
        self.assertGreaterEqual(average, 7.0)
        self.assertLessEqual(average, 11.0)
        self.assertIn(busiest, range(9, 15))
        changed, same = int(m.group("changed")), int(m.group("same"))
        self.assertGreaterEqual(changed, 1)  # the first fit
        self.assertAlmostEqual((changed + same) / seconds, average, delta=0.6)
        self.assertEqual(m.group("modes"), "1")
        self.assertTrue(shown.running())

        self.assertEqual(lonely.wait(deadline=90), 0)
        log = harness.messages(harness.read_log_lines(lonely_log))
        self.assertEqual(log[-2:], ["no game window for 60 s - exiting",
                                    "exit (no game window for 60 s)"])
        started, ended = harness.read_log_lines(lonely_log)[0], harness.read_log_lines(lonely_log)[-1]
        seconds = lambda line: (int(line[14:16]) * 3600 + int(line[17:19]) * 60 + int(line[20:22]))
        self.assertGreaterEqual((seconds(ended) - seconds(started)) % 86400, 60)
        game.kill()


class Following(page_tests.PageTestCase):
    host_child = HostWindow.host_child

    def test_a_passive_host_follows_the_game_as_it_moves_and_changes_size(self):
        for mode in ("owned", "child"):
            with self.subTest(mode=mode):
                self.start("--mode", mode)
                self.game_side().send('note "passive"')
                self.ready_page()
                self.standin.post_json('{"type":"cover","on":false}')

                def fitted():
                    state = self.game.state()
                    if mode == "child":
                        return self.host_child(self.game)["rect"] == [0, 0] + state["client"][2:]
                    host = next(w for w in self.game.owned() if w["class"] == "VYROverlayHost")
                    return self.info(host["hwnd"])["rect"] == "%d,%d,%d,%d" % tuple(
                        state["origin"] + state["client"][2:])
                self.wait_for_line(lambda m: m.startswith("cover off"), "the cover off")
                self.game.place(260, 140, 720, 430)
                wait_for(fitted, "the passive host after the game moved and changed size")
                self.assertIn("mode passive", self.log_messages())
                self.process.kill()
                self.game.kill()


if __name__ == "__main__":
    unittest.main()
