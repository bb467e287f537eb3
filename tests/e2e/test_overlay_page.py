"""overlay_host's whole conversation under Wine: the stand-in WebView2 runtime plays the
page, a Linux UDP socket plays the game side, the stand-in game is the game."""
import os
import socket
import unittest

import harness
import webview_standin
from game_standin import GameStandin
from harness import wait_for, wintool
from webview_standin import StandIn

START_PAGE = "https://vyr-overlay.example/index.html"
HOST_MESSAGE = '{"type":"host","through":true,"hit":true}'
WS_EX_TRANSPARENT, WS_EX_LAYERED = 0x20, 0x80000


class GameSide:
    """The game side's end of the UDP link, on a port of its own (or the latched 47630)."""

    def __init__(self, overlay_port, port=0):
        self.overlay_port = overlay_port
        self.socket = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.socket.bind(("127.0.0.1", port))
        self.port = self.socket.getsockname()[1]

    def send(self, text):
        data = text if isinstance(text, bytes) else ("VYRO " + text).encode("utf-8")
        self.socket.sendto(data, ("127.0.0.1", self.overlay_port))

    def receive(self, deadline=harness.DEADLINE):
        self.socket.settimeout(deadline)
        try:
            return self.socket.recv(65536).decode("utf-8")
        except socket.timeout:
            raise AssertionError("nothing from the overlay within %.0f s" % deadline)

    def nothing_waiting(self):
        self.socket.settimeout(0)
        try:
            self.socket.recv(65536)
            return False
        except (BlockingIOError, socket.timeout):
            return True

    def close(self):
        self.socket.close()


class PageTestCase(harness.OverlayTestCase):
    def start(self, *args, game=True, **standin_options):
        if game:
            self.game = GameStandin()
            self.addCleanup(self.game.kill)
        folder = harness.new_program_folder(self.id().split(".")[-1])
        self.docs = os.path.join(folder, "docs")
        os.makedirs(self.docs)
        self.standin = StandIn(folder, **standin_options)
        self.addCleanup(self.standin.close)
        self.port = harness.free_udp_port()
        self.process = self.start_overlay(
            ["--port", str(self.port), "--doc", harness.to_windows_path(self.docs)] + list(args),
            folder=folder, env=self.standin.env)
        return self.process

    def game_side(self, port=0):
        # The page host starts after the port is bound: from then on nothing sent is lost.
        self.standin.wait_for_call("webview.Navigate")
        side = GameSide(self.port, port)
        self.addCleanup(side.close)
        return side

    def ready_page(self):
        self.standin.wait_for_call("webview.Navigate")
        self.standin.post_json('{"type":"ready"}')
        self.wait_for_line(lambda m: m == "page ready", "page ready")

    def posted(self):
        return [c[1] for c in self.standin.calls("webview.PostWebMessageAsJson")]

    def wait_posted(self, text):
        return wait_for(lambda: text in self.posted(), "the page to get %s" % text)

    def host_hwnd(self):
        child = wait_for(lambda: next((c for c in self.game.children()
                                       if c["class"] == "VYROverlayHost"), None), "the host")
        return child["hwnd"]

    def lines(self, text):
        return sum(1 for m in self.log_messages() if m == text)

    def region(self, hwnd):
        code, out = wintool("region", "%x" % hwnd)
        return out.strip()

    def info(self, hwnd):
        code, out = wintool("info", "%x" % hwnd)
        return dict(field.split("=", 1) for field in out.split())


class PageHost(PageTestCase):
    def test_page_host_set_up_as_a_page_sees_it(self):
        self.start("--data", "C:\\VYR data")
        self.standin.wait_for_call("webview.Navigate")
        web = harness.to_windows_path(self.folder) + "\\web"
        calls = self.standin.calls()
        self.assertEqual(calls[0], ("loader.CreateCoreWebView2EnvironmentWithOptions", None,
                                    "C:\\VYR data", webview_standin.default_options(
                                        "--autoplay-policy=no-user-gesture-required")))
        created = [c for c in calls if not c[0].startswith(("controller.put_Bounds",))]
        self.assertEqual(created[1:21], [
            ("environment.CreateCoreWebView2Controller", self.host_hwnd(), "VYROverlayHost"),
            ("controller.get_CoreWebView2",),
            ("webview.get_BrowserProcessId",),
            ("controller.put_DefaultBackgroundColor", 255, 11, 11, 24),
            ("webview.get_Settings",),
            ("settings.put_AreDefaultContextMenusEnabled", False),
            ("settings.put_IsStatusBarEnabled", False),
            ("settings.put_IsZoomControlEnabled", False),
            # No reload, print, find or developer tools over the game.
            ("settings.put_AreDevToolsEnabled", False),
            ("settings.put_AreBrowserAcceleratorKeysEnabled", False),
            ("webview.SetVirtualHostNameToFolderMapping", "vyr-overlay.example", web,
             webview_standin.ACCESS_ALLOW),
            ("webview.add_WebMessageReceived", 1),
            ("webview.add_NavigationStarting", 2),
            ("webview.add_ContentLoading", 3),
            ("webview.add_NavigationCompleted", 4),
            ("webview.add_ProcessFailed", 5),
            ("controller.add_AcceleratorKeyPressed", 6),
            ("controller.add_RasterizationScaleChanged", 7),
            # Visible under the cover: the runtime draws no hidden web view, so a hidden page
            # could never draw and take the cover off.
            ("controller.put_IsVisible", True),
            ("webview.put_MemoryUsageTargetLevel", 0),
        ])
        client = self.game.state()["client"]
        self.assertIn(("controller.put_Bounds", 0, 0, client[2], client[3]), calls)
        log = self.log_messages()
        self.assertIn("WebView2 browser process pid %d" % self.standin.browser_pid(), log)
        self.assertIn("WebView2 ready, page %s from %s" % (START_PAGE, web), log)

    def test_failure_lines(self):
        for args, options, line in [
            ((), {"no_runtime": True}, "CreateCoreWebView2EnvironmentWithOptions: 0x80070002"),
            (("--data", "Z:\\sys\\vyr-overlay"), {},  # a folder that cannot be created
             "CreateCoreWebView2EnvironmentWithOptions: 0x80070005"),
            ((), {"create_result": 0x80004005}, "CreateCoreWebView2EnvironmentWithOptions: 0x80004005"),
            ((), {"environment_result": 0x80070002},
             "WebView2 environment failed: 0x80070002 (is the runtime installed?)"),
            ((), {"controller_result": 0x8007000E}, "WebView2 controller failed: 0x8007000e"),
        ]:
            with self.subTest(line=line):
                process = self.start(*args, game=False, **options)
                self.wait_for_line(lambda m: m == line, line)
                self.assertTrue(process.running())
                process.kill()

    def test_real_loader_without_a_runtime_still_tracks_the_game(self):
        game = GameStandin()
        self.addCleanup(game.kill)
        self.start_overlay(["--port", str(harness.free_udp_port())])
        self.wait_for_line(lambda m: m == "CreateCoreWebView2EnvironmentWithOptions: 0x80070002",
                           "the loader's failure line")
        self.wait_for_line(lambda m: m.startswith("game window "), "the game found")
        self.wait_for_line(lambda m: m == "cover off (the page never said - 10 s)",
                           "the 10 s cover rule")


class Conversation(PageTestCase):
    def test_show_and_notes_kept_until_ready_then_the_ready_sequence(self):
        self.start()
        side = self.game_side()
        self.standin.wait_for_call("webview.Navigate")
        for pad in ("a", "b", ""):
            side.send("show" + (" " + pad if pad else ""))
            self.assertEqual(side.receive(), "VYRO state active")
        side.send('note "hi"')
        side.send('note {"n":2}')
        side.send("state")
        self.assertEqual(side.receive(), "VYRO state active")
        self.assertEqual(self.posted(), [])
        self.standin.post_json('{"type":"ready"}')
        wait_for(lambda: HOST_MESSAGE in self.posted(), "the host message")
        self.assertEqual(self.posted(), ['{"type":"show"}', '{"type":"note","note":"hi"}',
                                         '{"type":"note","note":{"n":2}}', HOST_MESSAGE])
        # After ready everything goes at once; a reload's second ready repeats the sequence.
        side.send("show ab cd")
        self.wait_posted('{"type":"show","pad":"ab cd"}')
        self.standin.post_json('{"type":"ready"}')
        wait_for(lambda: self.posted().count(HOST_MESSAGE) == 2, "the second host message")
        self.assertEqual(self.posted()[-2:], ['{"type":"show"}', HOST_MESSAGE])

    def test_ready_while_passive_posts_no_show_and_drops_the_kept_one(self):
        self.start()
        side = self.game_side()
        self.standin.wait_for_call("webview.Navigate")
        side.send("show kept")
        side.receive()
        self.standin.post_json('{"type":"mode","mode":"passive"}')
        self.assertEqual(side.receive(), "VYRO state passive")
        side.send('note "queued"')  # passive already: no switch, queued until ready
        self.standin.post_json('{"type":"ready"}')
        wait_for(lambda: HOST_MESSAGE in self.posted(), "the host message")
        self.assertEqual(self.posted(), ['{"type":"note","note":"queued"}', HOST_MESSAGE])
        self.standin.post_json('{"type":"mode","mode":"active"}')
        self.standin.post_json('{"type":"ready"}')
        wait_for(lambda: self.posted().count(HOST_MESSAGE) == 2, "the second host message")
        self.assertEqual(self.posted()[-2:], ['{"type":"show"}', HOST_MESSAGE])

    def test_messages_for_a_page_being_replaced_wait_for_its_ready(self):
        self.start()
        side = self.game_side()
        self.ready_page()
        side.send("show first")
        self.wait_posted('{"type":"show","pad":"first"}')
        # A reload by the game side, then a navigation of the page itself: each new document
        # hears nothing until it says ready, then gets what was kept, as at the first ready.
        # The reload counts from the call, before the runtime reports its navigation.
        for replace in (lambda: side.send("reload"),
                        lambda: self.standin.navigate(START_PAGE)):
            navigations = len(self.standin.notes("navigationStarting"))
            posted = len(self.posted())
            replace()
            side.send('note "kept"')
            side.send("show again")
            side.send('page {"type":"custom"}')
            side.send("state")
            self.assertEqual(side.receive(), "VYRO state active")  # the show
            self.assertEqual(side.receive(), "VYRO state active")  # the state: all handled
            self.assertEqual(self.posted()[posted:], [])
            wait_for(lambda: len(self.standin.notes("navigationStarting")) > navigations,
                     "the new document's navigation")
            self.standin.post_json('{"type":"ready"}')
            wait_for(lambda: HOST_MESSAGE in self.posted()[posted:], "the ready sequence")
            self.assertEqual(self.posted()[posted:], [
                '{"type":"show","pad":"again"}', '{"type":"note","note":"kept"}',
                '{"type":"custom"}', HOST_MESSAGE])
            side.send('note "now"')
            self.wait_posted('{"type":"note","note":"now"}')

    def test_game_side_commands_and_the_reply_address(self):
        self.start("--show")
        first = self.game_side()
        self.ready_page()
        # The start-up show sent nothing: there was no reply address yet.
        first.send("state")
        self.assertEqual(first.receive(), "VYRO state active")
        self.assertTrue(first.nothing_waiting())

        first.send("toggle")  # active: the page is asked to close
        self.wait_posted('{"type":"close"}')
        self.standin.post_json('{"type":"hide"}')  # the toggle itself changed no mode
        self.assertEqual(first.receive(), "VYRO state hidden")
        first.send("toggle pad")
        self.wait_posted('{"type":"show","pad":"pad"}')
        first.send('page {"type":"custom","x":[1,2]}')
        self.wait_posted('{"type":"custom","x":[1,2]}')
        first.send("reload")
        self.standin.wait_for_call("webview.Reload")
        for ignored in (b"VYRO Show", b"VYRO show\n", b"VYROshow", b"VYRO", b"hello"):
            first.send(ignored)

        # The game side's own port latches the reply address for good.
        latched = self.game_side(47630)
        latched.send("state")
        self.assertEqual(latched.receive(), "VYRO state active")
        first.send("state")
        self.assertEqual(latched.receive(), "VYRO state active")

        first.send("bye")
        self.assertEqual(self.process.wait(), 0)
        log = self.log_messages()
        self.assertEqual(log[-2:], ["'bye' from UDP port %d" % first.port,
                                    "exit ('bye' from UDP port %d)" % first.port])
        self.assertEqual(self.lines("mode active"), 2)

    def test_page_requests_for_the_game_side(self):
        self.start()
        side = self.game_side()
        side.send("state")
        side.receive()
        self.ready_page()
        self.standin.post_json('{"type":"game","cmd":"open_map","arg":"north gate"}')
        self.assertEqual(side.receive(), "VYRO game open_map north gate")
        for refused in ('"cmd":"OpenMap"', '"cmd":"map2"', '"cmd":"%s"' % ("a" * 40),
                        '"cmd":"a","arg":"x\\ny"'):
            self.standin.post_json('{"type":"game",%s}' % refused)
        self.standin.post_json('{"type":"game","cmd":"ping"}')
        self.assertEqual(side.receive(), "VYRO game ping")
        self.standin.post_json('{"type":"modal","on":true}')
        self.assertEqual(side.receive(), "VYRO modal on")
        self.standin.post_json('{"type":"modal","on":1}')
        self.assertEqual(side.receive(), "VYRO modal off")
        self.standin.post_json('{"type":"log","text":"hello \\u00e9"}')
        self.wait_for_line(lambda m: m == "page: hello \u00e9", "the page's log line")
        self.assertEqual([m for m in self.log_messages() if m.startswith("game: ")],
                         ["game: open_map north gate", "game: ping "])

    def test_ten_thousand_datagrams_are_handled_without_loss(self):
        self.start(game=False)
        side = self.game_side()
        self.ready_page()
        for i in range(10000):
            side.send("note %d" % i)
        last = '{"type":"note","note":9999}'
        wait_for(lambda: last in self.posted(), "the last note", deadline=120)
        notes = [p for p in self.posted() if p.startswith('{"type":"note"')]
        self.assertEqual(notes, ['{"type":"note","note":%d}' % i for i in range(10000)])


class Files(PageTestCase):
    def answers(self, kind):
        return [p for p in self.posted() if p.startswith('{"type":"%s"' % kind)]

    def test_load_and_save_of_the_two_files(self):
        self.start(game=False)
        self.ready_page()
        text = 'say \\"hi\\" \\\\ caf\\u00e9 \\ud83c\\udfae'
        self.standin.post_json('{"type":"save","file":"vyr_pad.json","text":"%s"}' % text)
        self.wait_posted('{"type":"saved","name":"vyr_pad.json","ok":true}')
        with open(os.path.join(self.docs, "vyr_pad.json"), "rb") as f:
            self.assertEqual(f.read(), 'say "hi" \\ caf\u00e9 \U0001F3AE'.encode("utf-8"))
        self.standin.post_json('{"type":"load","file":"VYR_PAD.JSON"}')
        self.wait_posted('{"type":"file","name":"VYR_PAD.JSON","ok":true,"text":'
                         '"say \\"hi\\" \\\\ caf\u00e9 \U0001F3AE"}')
        self.standin.post_json('{"type":"load","file":"vyr_overlay.json"}')
        self.wait_posted('{"type":"file","name":"vyr_overlay.json","ok":false,"text":""}')
        for name in ("x.json", "..\\\\vyr_pad.json"):
            self.standin.post_json('{"type":"load","file":"%s"}' % name)
            self.standin.post_json('{"type":"save","file":"%s","text":"x"}' % name)
        wait_for(lambda: len(self.answers("saved")) == 3, "the refused saves")
        self.assertEqual(self.answers("file")[-2:], [
            '{"type":"file","name":"x.json","ok":false,"text":""}',
            '{"type":"file","name":"..\\\\vyr_pad.json","ok":false,"text":""}'])
        self.assertEqual(sorted(os.listdir(self.docs)), ["vyr_keys.txt", "vyr_pad.json"])
        self.assertEqual([m for m in self.log_messages() if m.startswith("save ")],
                         ["save vyr_pad.json: ok", "save x.json: FAILED",
                          "save ..\\vyr_pad.json: FAILED"])

    def test_a_save_that_cannot_complete_keeps_the_old_file(self):
        self.start(game=False)
        self.ready_page()
        target = os.path.join(self.docs, "vyr_overlay.json")
        with open(target, "wb") as f:
            f.write(b'{"old":true}')
        os.makedirs(target + ".tmp")  # the temporary file cannot be written
        self.standin.post_json('{"type":"save","file":"vyr_overlay.json","text":"new"}')
        self.wait_posted('{"type":"saved","name":"vyr_overlay.json","ok":false}')
        self.wait_for_line(lambda m: m == "save vyr_overlay.json: FAILED", "the failure line")
        with open(target, "rb") as f:
            self.assertEqual(f.read(), b'{"old":true}')


class Display(PageTestCase):
    def test_cover_region_pass_through_and_focus(self):
        self.start(rasterization_scale=1.5)
        side = self.game_side()
        self.ready_page()
        side.send("show")
        hwnd = self.host_hwnd()
        client = self.game.state()["client"]
        wait_for(lambda: self.region(hwnd) == "rects=1 0,0,%d,%d" % (client[2], client[3]),
                 "the whole-area region under the cover")
        self.standin.wait_for_call("controller.MoveFocus",
                                   lambda c: c[1] == webview_standin.FOCUS_PROGRAMMATIC)
        self.assertIn(("controller.put_IsVisible", True), self.standin.calls())

        self.standin.post_json('{"type":"region","rects":[[10,10,101,21],[0,0,4,4]]}')
        self.standin.post_json('{"type":"cover","on":true}')
        self.standin.post_json('{"type":"cover","on":false}')
        self.standin.post_json('{"type":"cover","on":false}')
        self.wait_for_line(lambda m: m == "cover off (the page has drawn)", "cover off")
        wait_for(lambda: self.region(hwnd) == "rects=2 0,0,6,6 15,15,166,46",
                 "the region scaled by 1.5")
        self.standin.wait_for_call("controller.put_DefaultBackgroundColor",
                                   lambda c: c[1:] == (0, 0, 0, 0))

        # Pass-through only in passive mode after the cover is down.
        self.standin.post_json('{"type":"through","on":true}')
        self.standin.post_json('{"type":"through","on":true}')
        self.wait_for_line(lambda m: m == "through on", "through on")
        self.assertEqual(int(self.info(hwnd)["exstyle"], 16) & WS_EX_LAYERED, 0)
        self.standin.post_json('{"type":"mode","mode":"passive"}')
        self.wait_for_line(lambda m: m == "mouse: the game's (the window out of the hit test)",
                           "pass-through on")
        exstyle = int(self.info(hwnd)["exstyle"], 16)
        self.assertEqual(exstyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT),
                         WS_EX_LAYERED | WS_EX_TRANSPARENT)
        self.standin.post_json('{"type":"mode","mode":"Active"}')  # not a word: hidden
        self.wait_for_line(lambda m: m == "mouse: ours", "pass-through off")
        self.wait_for_line(lambda m: m == "mode hidden", "mode hidden")
        wait_for(lambda: self.info(hwnd)["visible"] == "0", "the host hidden")
        self.standin.post_json('{"type":"region","rects":[]}')
        wait_for(lambda: self.region(hwnd) == "rects=0", "an empty region")

        log = self.log_messages()
        self.assertEqual(self.lines("through on"), 1)
        self.assertEqual(sum(1 for m in log if m.startswith("cover off")), 1)
        self.assertEqual(self.standin.calls("controller.put_IsVisible")[-1],
                         ("controller.put_IsVisible", False))
        self.assertEqual(self.standin.calls("webview.put_MemoryUsageTargetLevel")[-1],
                         ("webview.put_MemoryUsageTargetLevel", 1))  # low while hidden

    def test_the_web_view_hears_whenever_the_host_moves_on_screen(self):
        # A child host moves on the screen with the game window, an owned one by itself.
        for mode in ("child", "owned"):
            with self.subTest(mode=mode):
                self.start("--mode", mode, "--show")
                self.standin.wait_for_call("webview.Navigate")
                notified = lambda: len(self.standin.calls(
                    "controller.NotifyParentWindowPositionChanged"))
                wait_for(notified, "the first notification")
                before = notified()
                self.game.move(333, 222)
                wait_for(lambda: notified() > before, "a notification after the move")
                self.process.kill()
                self.game.kill()

    def test_cover_comes_down_after_ten_seconds_and_hides_a_hidden_overlay(self):
        self.start()
        hwnd = self.host_hwnd()
        self.assertEqual(self.info(hwnd)["visible"], "1")
        self.wait_for_line(lambda m: m == "cover off (the page never said - 10 s)",
                           "the 10 s rule", deadline=40)
        wait_for(lambda: self.info(hwnd)["visible"] == "0", "the host hidden")
        self.ready_page()
        self.standin.post_json('{"type":"cover","on":false}')
        self.standin.ping()
        self.assertEqual(sum(1 for m in self.log_messages() if m.startswith("cover off")), 1)


class BrowserFailure(PageTestCase):
    def kept_until_ready(self, side, pad, note):
        """The game side goes on while the page is gone; all of it reaches the new page."""
        posted = len(self.posted())
        side.send("show " + pad)
        self.assertEqual(side.receive(), "VYRO state active")
        side.send("note " + note)
        side.send('page {"type":"custom"}')
        side.send("state")
        self.assertEqual(side.receive(), "VYRO state active")
        self.assertEqual(self.posted()[posted:], [])
        self.standin.post_json('{"type":"ready"}')
        wait_for(lambda: HOST_MESSAGE in self.posted()[posted:], "the new page's ready sequence")
        self.assertEqual(self.posted()[posted:], [
            '{"type":"show","pad":"%s"}' % pad, '{"type":"note","note":%s}' % note,
            '{"type":"custom"}', HOST_MESSAGE])

    def test_a_failed_browser_or_renderer_lifts_the_page_and_brings_it_back(self):
        self.start()
        side = self.game_side()
        self.ready_page()
        side.send("show")
        side.receive()
        hwnd = self.host_hwnd()
        self.standin.post_json('{"type":"region","rects":[[10,10,100,50]]}')
        self.standin.post_json('{"type":"cover","on":false}')
        wait_for(lambda: self.region(hwnd) == "rects=1 10,10,110,60", "the page's rectangle")
        first_pid = self.standin.browser_pid()

        # The browser exits: its dead rectangle is lifted at once, and a new environment
        # brings the start page back, visible, with what the game side sent meanwhile.
        self.assertEqual(self.standin.process_failed("browser-exited")[2:], ("browser-exited", 1))
        self.wait_for_line(lambda m: m == "WebView2 browser process exited - the page's "
                           "rectangles lifted, creating the web view again", "the failure line")
        wait_for(lambda: self.region(hwnd) == "rects=0", "the dead rectangle lifted")
        wait_for(lambda: len(self.standin.calls("webview.Navigate")) == 2, "the page again")
        calls = self.standin.calls()
        again = max(i for i, c in enumerate(calls)
                    if c[0] == "loader.CreateCoreWebView2EnvironmentWithOptions")
        self.assertGreater(again, 0)
        self.assertIn(("controller.put_IsVisible", True), calls[again:])
        pids = [n[1] for n in self.standin.notes("browserProcess")]
        self.assertEqual(pids[0], first_pid)
        self.assertEqual(len(pids), 2)
        self.assertIn("WebView2 browser process pid %d" % pids[1], self.log_messages())
        self.kept_until_ready(side, "during", '"browser gone"')

        # The renderer exits: the web view lives on, the page is reloaded.
        self.standin.post_json('{"type":"region","rects":[[0,0,20,20]]}')
        wait_for(lambda: self.region(hwnd) == "rects=1 0,0,20,20", "the new page's rectangle")
        navigations = len(self.standin.notes("navigationStarting"))
        self.assertEqual(self.standin.process_failed("render-exited")[2:], ("render-exited", 1))
        self.wait_for_line(lambda m: m == "WebView2 page renderer exited - the page's "
                           "rectangles lifted, reloading the page", "the renderer line")
        wait_for(lambda: self.region(hwnd) == "rects=0", "the rectangle lifted again")
        wait_for(lambda: len(self.standin.notes("navigationStarting")) > navigations,
                 "the reload's navigation")
        self.assertEqual(len(self.standin.calls("webview.Reload")), 1)
        self.kept_until_ready(side, "reloaded", '"renderer gone"')
        self.assertEqual(len(self.standin.calls("loader.CreateCoreWebView2EnvironmentWithOptions")), 2)

        # A renderer that hangs for a while is only logged.
        self.assertEqual(self.standin.process_failed("render-unresponsive")[2:],
                         ("render-unresponsive", 1))
        self.wait_for_line(lambda m: m == "WebView2 process failed (kind 2) - the page goes on",
                           "the unresponsive line")
        self.assertEqual(len(self.standin.calls("webview.Reload")), 1)
        self.assertTrue(self.process.running())


if __name__ == "__main__":
    unittest.main()
