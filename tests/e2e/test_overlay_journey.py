"""A player's evening with the overlay: the real overlay_host under Wine with the kit's real
overlay page in Chromium (the browser-backed stand-in web view), the stand-in game, vyro as
the game side and real mouse clicks sent into the X display. Every check reads what the player
sees (a screenshot, the page's document) or what the game side and the game receive."""
import json
import os
import socket
import subprocess
import threading
import unittest

import browser_bridge
import harness
from browser_bridge import BrowserBridge
from game_standin import GameStandin
from harness import wait_for, wintool
from webview_standin import StandIn

KIT_WEB = os.path.join(harness.SOURCE_DIR, "kit", "overlay", "web")
VYRO = os.environ.get("VYR_NATIVE_VYRO",
                      os.path.join(harness.SOURCE_DIR, "build", "native", "tools", "vyro", "vyro"))
GAME_SIDE_PORT = 47630
GAME_COLOUR = (40, 60, 40)  # the stand-in game's client area
GAME_RECT = (100, 60, 900, 640)
# The opaque cards the page lays out: its interactive rectangles, in CSS pixels.
PAGE_RECTS = """[...document.querySelectorAll('[data-rect]')]
    .filter((e) => !e.hidden && e.getClientRects().length)
    .map((e) => { const r = e.getBoundingClientRect();
                  return [r.left, r.top, r.right, r.bottom]; })"""
NOTE_TEXTS = """[...document.querySelectorAll('#note-list li[data-note] [data-note-text]')]
    .map((e) => e.textContent)"""


def button_centre(name):
    return """(() => { const b = [...document.querySelectorAll('#pad-buttons button[data-cmd]')]
        .find((e) => e.dataset.cmd === %s); const r = b.getBoundingClientRect();
        return [r.left + r.width / 2, r.top + r.height / 2]; })()""" % json.dumps(name)


class GameSide:
    """vyro as a game-side script uses it: `vyro listen` on the game side's port prints what
    the overlay sends; commands go out with --from 0 while the answers stay latched there."""

    def __init__(self, overlay_port):
        self.overlay_port = overlay_port

        def free():
            probe = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            try:
                probe.bind(("127.0.0.1", GAME_SIDE_PORT))
                return True
            except OSError:
                return False
            finally:
                probe.close()
        wait_for(free, "UDP port %d to be free for vyro listen" % GAME_SIDE_PORT)
        self.listener = subprocess.Popen(
            [VYRO, "--port", str(overlay_port), "--timeout", "600", "listen", "600"],
            stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, start_new_session=True)
        self.lines = []
        threading.Thread(target=self._read, daemon=True).start()
        wait_for(lambda: any(line.startswith("state ") for line in self.lines),
                 "vyro listen to hear the overlay's state")

    def _read(self):
        for raw in self.listener.stdout:
            self.lines.append(raw.decode("utf-8").rstrip("\n"))

    def send(self, *args, check=True):
        done = subprocess.run([VYRO, "--port", str(self.overlay_port), "--from", "0"] +
                              list(args), stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=60)
        if check and done.returncode != 0:
            raise AssertionError("vyro %s: exit %d" % (" ".join(args), done.returncode))

    def wait_for_line(self, text):
        wait_for(lambda: text in self.lines, "the game side to receive %r" % text)

    def close(self):
        if self.listener.poll() is None:
            self.listener.kill()
            self.listener.wait()
        self.listener.stdout.close()


@unittest.skipUnless(browser_bridge.available(), "Chromium and playwright-core are not installed")
class OverlayJourney(harness.OverlayTestCase):
    def setUp(self):
        super().setUp()
        self.bridge = BrowserBridge()
        self.addCleanup(self.bridge.close)
        self.game = GameStandin(rect=GAME_RECT)
        self.addCleanup(self.game.kill)
        self.folder = harness.new_program_folder(self.id().split(".")[-1])
        self.docs = os.path.join(self.folder, "docs")
        os.makedirs(self.docs)
        self.port = harness.free_udp_port()

    def start(self, mode, web=KIT_WEB):
        standin = StandIn(self.folder)
        self.addCleanup(standin.close)
        standin.env.update(self.bridge.env)
        args = ["--port", str(self.port), "--web", harness.to_windows_path(web),
                "--doc", harness.to_windows_path(self.docs),
                "--data", harness.to_windows_path(os.path.join(self.folder, "data"))]
        if mode == "owned":
            args += ["--mode", "owned"]
        log = os.path.join(self.folder, "vyr_overlay.log")
        if os.path.exists(log):
            os.remove(log)  # a restart: only the new start's lines count
        self.process = self.start_overlay(args, folder=self.folder, env=standin.env)
        self.standin = standin
        if web == KIT_WEB:
            self.page_ready(1)
        else:
            self.wait_for_line(lambda m: m.startswith("WebView2 ready"), "the page host")
        side = GameSide(self.port)
        self.addCleanup(side.close)
        return side

    def page_ready(self, count):
        self.wait_for_line(lambda m: self.log_messages().count("page ready") >= count,
                           "the page's ready number %d" % count)

    def host_window(self, mode):
        windows = self.game.owned() if mode == "owned" else self.game.children()
        return next(w for w in windows if w["class"] == "VYROverlayHost")

    def page(self, expression):
        return self.bridge.evaluate(expression)

    def region_of_page(self, scale=1):
        """The page's rectangles as the window region should hold them."""
        rects = sorted(tuple(round(v) * scale for v in r) for r in self.page(PAGE_RECTS))
        return "rects=%d %s" % (len(rects), " ".join("%d,%d,%d,%d" % r for r in rects))

    def window_region(self, hwnd):
        code, out = wintool("region", "%x" % hwnd)
        parts = out.split()
        return " ".join([parts[0]] + sorted(parts[1:], key=lambda p: tuple(map(int, p.split(",")))))

    def click(self, x, y):
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"],
                       env=harness.wine_env(), check=True, timeout=30)

    def screenshot(self, name):
        path = os.path.join(self.folder, name)
        subprocess.run(["import", "-window", "root", "-display", harness.wine_env()["DISPLAY"],
                        path], check=True, timeout=60)
        raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True,
                             capture_output=True, timeout=60).stdout
        width = 1280
        return lambda x, y: tuple(raw[(y * width + x) * 3:(y * width + x) * 3 + 3])

    def shown_with_cover_off(self, side, hwnd):
        side.send("show", "Quest pad")
        side.wait_for_line("state active")
        self.wait_for_line(lambda m: any(x.startswith("cover off") for x in self.log_messages()),
                           "the cover to come off")
        wait_for(lambda: self.page("document.getElementById('pad-text').textContent")
                 == "Quest pad", "the pad text in the page")
        wait_for(lambda: self.window_region(hwnd) == self.region_of_page(),
                 "the window region to be the page's rectangles")

    def test_owned_overlay_over_the_game(self):
        side = self.start("owned")
        host = self.host_window("owned")
        origin = host["screen"][:2]
        self.shown_with_cover_off(side, host["hwnd"])

        # The pad is drawn over the game; around it the game is seen.
        pad = self.page(PAGE_RECTS)[0]
        inside = (origin[0] + int(pad[0]) + 3, origin[1] + int(pad[1]) + 3)
        outside = (origin[0] + int(pad[0]) - 40, origin[1] + int(pad[3]) + 40)
        pixel = wait_for(lambda: (lambda p: p if p(*inside) != GAME_COLOUR else None)(
            self.screenshot("shown.png")), "the pad on screen")
        self.assertEqual(pixel(*outside), GAME_COLOUR)

        # A real click on a pad button reaches the game side; one outside reaches the game.
        x, y = self.page(button_centre("open_map"))
        self.click(origin[0] + int(x), origin[1] + int(y))
        side.wait_for_line("game open_map")
        mark = self.game.mark()
        self.click(*outside)
        self.game.wait_event("WM_LBUTTONDOWN", since=mark)

        # Notes from the game side appear in the page.
        side.send("note", '"Boss in 30 s"')
        wait_for(lambda: "Boss in 30 s" in self.page(NOTE_TEXTS), "the note in the page")

        # A setting saved by the page.
        self.page("""(() => { document.getElementById('settings-open').click();
            const corner = document.getElementById('set-corner'); corner.value = 'top-left';
            corner.dispatchEvent(new Event('change', {bubbles: true}));
            document.getElementById('settings-save').click(); })()""")
        settings = os.path.join(self.docs, "vyr_overlay.json")
        def saved_corner():
            with open(settings, encoding="utf-8") as f:
                return json.load(f).get("corner")
        wait_for(lambda: os.path.exists(settings) and saved_corner() == "top-left",
                 "the setting in vyr_overlay.json")

        # Away and back: the game minimised, then restored.
        self.game.minimize()
        wait_for(lambda: self.page("document.body.classList.contains('away')"), "away")
        self.game.restore()
        wait_for(lambda: not self.page("document.body.classList.contains('away')"), "back")

        # A reload in the middle of a stream of notes: the notes after it reach the new page.
        side.send("note", '"one"')
        side.send("reload")
        for text in ("two", "three"):
            side.send("note", json.dumps(text))
        self.page_ready(2)
        wait_for(lambda: self.page(NOTE_TEXTS) == ["two", "three"], "the notes after the reload")
        self.assertEqual([n for n in self.standin.notes("dropped") if "note" in n[2]], [])

        # The browser process dies while shown: a new one serves the page, and a note sent
        # while it comes is not lost.
        for pid in self.bridge.processes():
            os.kill(pid, 9)
        self.wait_for_line(lambda m: m.startswith("WebView2 browser process exited"),
                           "the overlay to hear of the browser's end")
        side.send("note", '"after the crash"')
        self.page_ready(3)
        wait_for(lambda: "after the crash" in self.page(NOTE_TEXTS), "the note after the crash")
        self.shown_with_cover_off(side, host["hwnd"])

        side.send("bye")
        self.assertEqual(self.process.wait(), 0)
        side.close()

        # The setting is there again after a restart.
        side = self.start("owned")
        wait_for(lambda: self.page("document.getElementById('set-corner').value") == "top-left",
                 "the saved setting in the restarted page")
        side.send("bye")
        self.assertEqual(self.process.wait(), 0)

    def test_child_overlay_clicks(self):
        side = self.start("child")
        host = self.host_window("child")
        self.shown_with_cover_off(side, host["hwnd"])
        client_origin = self.game.state()["origin"]
        left, top = client_origin[0] + host["rect"][0], client_origin[1] + host["rect"][1]
        x, y = self.page(button_centre("open_inventory"))
        self.click(left + int(x), top + int(y))
        side.wait_for_line("game open_inventory")
        pad = self.page(PAGE_RECTS)[0]
        mark = self.game.mark()
        self.click(left + int(pad[0]) - 40, top + int(pad[3]) + 40)
        self.game.wait_event("WM_LBUTTONDOWN", since=mark)
        side.send("bye")
        self.assertEqual(self.process.wait(), 0)

    def test_a_players_bad_day(self):
        """No page, then a page closed with Esc, a new display scale, and a browser that keeps
        dying: the game keeps its keyboard and the overlay keeps answering the game side."""
        self.game = GameStandin(rect=GAME_RECT, focus_child=True)
        self.addCleanup(self.game.kill)
        focus = self.game.state()["focusChild"]
        game_focus = lambda: self.game.state()["focus"]
        count = lambda side, line: side.lines.count(line)
        # Top-left: the page's rectangles stay the same CSS pixels at another scale.
        with open(os.path.join(self.docs, "vyr_overlay.json"), "w") as f:
            json.dump({"corner": "top-left"}, f)

        # No page: the cover comes down at once, and show leaves the keyboard with the game.
        side = self.start("child", web=os.path.join(self.folder, "no-web"))
        self.wait_for_line(lambda m: m == "cover off (the page did not load)", "the cover down")
        self.assertIn("the page did not load (WebErrorStatus 0, unknown)", self.log_messages())
        side.send("show")
        side.wait_for_line("state active")
        self.assertEqual(game_focus(), focus)
        side.send("bye")
        self.assertEqual(self.process.wait(), 0)
        side.close()

        # The page: show takes the keyboard, Esc closes it and gives the keyboard back.
        side = self.start("child")
        hwnd = self.host_window("child")["hwnd"]
        self.shown_with_cover_off(side, hwnd)
        wait_for(lambda: game_focus() != focus, "the page to take the keyboard")
        hidden = count(side, "state hidden")
        subprocess.run(["xdotool", "key", "Escape"], env=harness.wine_env(), check=True,
                       timeout=30)
        wait_for(lambda: count(side, "state hidden") > hidden, "Esc to close the overlay")
        wait_for(lambda: game_focus() == focus, "the game's keyboard back")
        self.assertTrue(self.page("document.getElementById('panel').hidden"))

        # A new display scale while shown: the same rectangles cover twice the pixels.
        self.shown_with_cover_off(side, hwnd)
        self.standin.set_rasterization_scale(2)
        wait_for(lambda: self.window_region(hwnd) == self.region_of_page(2), "the region at 2")

        # The browser killed again and again: three recoveries, then the overlay gives up.
        for ready in (2, 3, 4, None):
            for pid in self.bridge.processes():
                os.kill(pid, 9)
            if ready:
                self.page_ready(ready)
        self.wait_for_line(lambda m: m.startswith("WebView2 failed 4 times"), "the give-up line")
        active = count(side, "state active")
        side.send("state", check=False)  # the answer goes to the latched listener
        wait_for(lambda: count(side, "state active") > active, "the state after giving up")
        wait_for(lambda: self.window_region(hwnd) == "rects=0", "no rectangle left")
        wait_for(lambda: game_focus() == focus, "the game's keyboard back at the end")
        self.assertEqual(sum(1 for m in self.log_messages() if m.startswith("WebView2 ready")), 4)
        side.send("bye")
        self.assertEqual(self.process.wait(), 0)


if __name__ == "__main__":
    unittest.main()
