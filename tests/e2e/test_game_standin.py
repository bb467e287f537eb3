"""The stand-in game itself: what it reports must agree with what Windows (wintool) sees,
its window must do what it is told, and the messages it reports must be the ones it got."""
import json
import unittest

import harness
from game_standin import (GameStandin, SIZE_MINIMIZED, WM_INPUTLANGCHANGEREQUEST, WS_CHILD,
                          WS_OVERLAPPEDWINDOW, WS_POPUP, handle)
from harness import wait_for, wintool


def found(window_class, title=None):
    """wintool's view of the top-level windows of a class: [{hwnd, pid, tid, visible, rect}]."""
    code, out = wintool("find", window_class, *([title] if title is not None else []))
    rows = []
    for line in out.splitlines():
        fields = dict(item.split("=", 1) for item in line.split())
        rows.append({"hwnd": handle(fields["hwnd"]), "pid": int(fields["pid"]),
                     "tid": int(fields["tid"]), "visible": fields["visible"] == "1",
                     "rect": [int(v) for v in fields["rect"].split(",")]})
    return rows


class GameTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        harness.ensure_environment()

    def start_game(self, **options):
        game = GameStandin(**options)
        self.addCleanup(game.kill)
        return game


class Identity(GameTestCase):
    def test_reports_the_window_that_windows_lists_under_its_exact_title(self):
        game = self.start_game(title="Cindergale ", window_class="Win32Window",
                               rect=(40, 50, 500, 400))
        state = game.state()
        self.assertEqual((state["class"], state["title"]), ("Win32Window", "Cindergale "))
        rows = [r for r in found("Win32Window", "Cindergale ") if r["pid"] == state["pid"]]
        self.assertEqual(rows, [{"hwnd": state["hwnd"], "pid": state["pid"], "tid": state["tid"],
                                 "visible": True, "rect": [40, 50, 500, 400]}])
        self.assertEqual(state["rect"], [40, 50, 500, 400])
        self.assertFalse([r for r in found("Win32Window", "Cindergale")
                          if r["pid"] == state["pid"]])
        self.assertTrue(state["visible"])
        self.assertFalse(state["iconic"])
        self.assertEqual(state["style"] & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW)
        self.assertNotEqual(state["layout"], 0)

    def test_odd_titles_and_classes_pass_the_command_line_unchanged(self):
        for window_class, title in [("Odd Class ", " lead"), ("Win32Window", ""),
                                    ("Win32Window", 'a "quoted" title'),
                                    ("Win32Window", "back\\slash\\")]:
            with self.subTest(window_class=window_class, title=title):
                with GameStandin(window_class=window_class, title=title) as game:
                    state = game.state()
                    self.assertEqual((state["class"], state["title"]), (window_class, title))

    def test_hidden_window_is_listed_but_not_visible(self):
        game = self.start_game(hidden=True, window_class="HiddenGameClass")
        state = game.state()
        self.assertFalse(state["visible"])
        self.assertEqual(found("HiddenGameClass", "Cindergale"),
                         [{"hwnd": state["hwnd"], "pid": state["pid"], "tid": state["tid"],
                           "visible": False, "rect": state["rect"]}])

    def test_several_windows_of_one_class_and_title(self):
        game = self.start_game(count=3, window_class="ManyGameClass", title="Many")
        windows = game.windows()
        self.assertEqual([w["index"] for w in windows], [0, 1, 2])
        self.assertEqual(len({w["hwnd"] for w in windows}), 3)
        self.assertEqual(sorted(r["hwnd"] for r in found("ManyGameClass", "Many")),
                         sorted(w["hwnd"] for w in windows))
        created = game.create("OtherGameClass", "Other title", hidden=True, rect=(5, 6, 300, 200))
        self.assertEqual(created["index"], 3)
        self.assertEqual((created["rect"], created["visible"]), ([5, 6, 300, 200], False))
        self.assertEqual([r["hwnd"] for r in found("OtherGameClass", "Other title")],
                         [created["hwnd"]])
        odd = game.create("Win32Window", "M\u00fcller \u2603 ")
        self.assertEqual((odd["class"], odd["title"], odd["visible"]),
                         ("Win32Window", "M\u00fcller \u2603 ", True))

    def test_client_area_and_focus_child(self):
        game = self.start_game(rect=(100, 100, 640, 480))
        state = game.state()
        client = state["client"]
        self.assertEqual(client[:2], [0, 0])
        self.assertLess(client[2], 640)
        self.assertLess(client[3], 480)
        # The client area lies inside the frame.
        self.assertGreater(state["origin"][0], 100)
        self.assertGreater(state["origin"][1], 100)
        children = game.children()
        self.assertEqual(len(children), 1)
        self.assertEqual(children[0]["hwnd"], state["focusChild"])
        self.assertEqual(children[0]["class"], "StandinGameFocus")
        self.assertEqual(children[0]["parent"], state["hwnd"])
        self.assertEqual(children[0]["rect"], [8, 8, 160, 24])
        self.assertEqual(children[0]["screen"][:2],
                         [state["origin"][0] + 8, state["origin"][1] + 8])


class Geometry(GameTestCase):
    def test_move_resize_and_client_size(self):
        game = self.start_game(rect=(100, 100, 640, 480))
        mark = game.mark()
        game.move(200, 150)
        self.assertEqual(game.state()["rect"], [200, 150, 640, 480])
        origin = game.state()["origin"]
        game.wait_event("WM_MOVE", since=mark, target="top", x=origin[0], y=origin[1])
        game.size(500, 300)
        self.assertEqual(game.state()["rect"], [200, 150, 500, 300])
        game.client_size(320, 200)
        state = game.state()
        self.assertEqual(state["client"], [0, 0, 320, 200])
        self.assertEqual(state["rect"][:2], [200, 150])
        game.wait_event("WM_SIZE", since=mark, target="top", wParam=0, width=320, height=200)
        game.place(10, 20, 400, 300)
        self.assertEqual(game.state()["rect"], [10, 20, 400, 300])
        rows = [r for r in found("Win32Window", "Cindergale") if r["hwnd"] == state["hwnd"]]
        self.assertEqual(rows[0]["rect"], [10, 20, 400, 300])

    def test_minimise_restore_and_maximise(self):
        game = self.start_game(rect=(100, 100, 640, 480))
        mark = game.mark()
        game.minimize()
        self.assertTrue(game.state()["iconic"])
        game.wait_event("WM_SIZE", since=mark, wParam=SIZE_MINIMIZED)
        mark = game.mark()
        game.restore()
        state = game.state()
        self.assertFalse(state["iconic"])
        self.assertEqual(state["rect"], [100, 100, 640, 480])
        game.wait_event("WM_SIZE", since=mark, wParam=0)
        game.maximize()
        self.assertTrue(game.state()["zoomed"])
        game.restore()
        self.assertEqual(game.state()["rect"], [100, 100, 640, 480])

    def test_hide_and_show(self):
        game = self.start_game()
        mark = game.mark()
        game.hide()
        self.assertFalse(game.state()["visible"])
        game.wait_event("WM_SHOWWINDOW", since=mark, wParam=0)
        game.show()
        self.assertTrue(game.state()["visible"])
        game.wait_event("WM_SHOWWINDOW", since=mark, wParam=1)

    def test_style_change_is_reported(self):
        game = self.start_game()
        before = game.state()["style"]
        borderless = (before & ~WS_OVERLAPPEDWINDOW) | WS_POPUP
        mark = game.mark()
        game.set_style(borderless)
        self.assertEqual(game.state()["style"], borderless)
        event = game.wait_event("WM_STYLECHANGED", since=mark, wParam=2**64 - 16)  # GWL_STYLE
        self.assertEqual((event["old"], event["new"]), (before, borderless))


class Ending(GameTestCase):
    def test_close_destroys_the_window_and_the_last_one_ends_the_game_with_0(self):
        game = self.start_game(count=2)
        second = game.windows()[1]["hwnd"]
        mark = game.mark()
        game.close(window=1)
        game.wait_event("WM_DESTROY", since=mark, window=1, hwnd=second)
        self.assertEqual([e["msg"] for e in game.find_events(since=mark, target="top")
                          if e["msg"] in ("WM_CLOSE", "WM_DESTROY")], ["WM_CLOSE", "WM_DESTROY"])
        self.assertFalse(game.command("windows")["windows"][1]["exists"])
        self.assertFalse(game.request("state", window=1)["ok"])
        self.assertTrue(game.process.running())
        game.close()
        self.assertEqual(game.wait_exit(), 0)

    def test_destroy_without_close(self):
        game = self.start_game()
        hwnd = game.state()["hwnd"]
        game.destroy()
        self.assertEqual(game.wait_exit(), 0)
        self.assertFalse([r for r in found("Win32Window", "Cindergale") if r["hwnd"] == hwnd])

    def test_a_child_from_another_process_is_listed_and_ends_with_its_parent(self):
        game = self.start_game(rect=(100, 100, 640, 480))
        overlay = self.start_game(window_class="VYROverlayHost", title="overlay",
                                  rect=(0, 0, 200, 100))
        parent = game.state()
        child = overlay.state()
        reply = overlay.set_parent(parent["hwnd"])
        self.assertEqual(reply["parent"], parent["hwnd"])
        overlay.move(0, 0)
        hosts = [c for c in game.children() if c["class"] == "VYROverlayHost"]
        self.assertEqual(len(hosts), 1)
        self.assertEqual((hosts[0]["hwnd"], hosts[0]["parent"], hosts[0]["pid"]),
                         (child["hwnd"], parent["hwnd"], child["pid"]))
        self.assertEqual(hosts[0]["rect"], [0, 0, 200, 100])
        self.assertTrue(hosts[0]["visible"])
        self.assertTrue(hosts[0]["style"] & WS_CHILD)
        game.close()
        self.assertEqual(game.wait_exit(), 0)
        self.assertEqual(overlay.wait_exit(), 0)

    def test_an_owned_window_from_another_process_is_listed(self):
        game = self.start_game()
        overlay = self.start_game(window_class="VYROverlayHost", title="overlay")
        game_hwnd = game.state()["hwnd"]
        self.assertEqual(overlay.set_owner(game_hwnd)["owner"], game_hwnd)
        owned = game.owned()
        self.assertEqual([(w["hwnd"], w["class"], w["owner"]) for w in owned],
                         [(overlay.state()["hwnd"], "VYROverlayHost", game_hwnd)])
        self.assertEqual(overlay.state()["owner"], game_hwnd)


class Messages(GameTestCase):
    def test_layout_requests_to_the_window_and_to_its_focus_child(self):
        game = self.start_game(focus_child=True)
        other = self.start_game(title="Other")
        state = game.state()
        mark = game.mark()
        other.post(state["hwnd"], WM_INPUTLANGCHANGEREQUEST, 0, 0x04070407)
        other.post(state["focusChild"], WM_INPUTLANGCHANGEREQUEST, 1, 0x04090409)
        top = game.wait_event("WM_INPUTLANGCHANGEREQUEST", since=mark, target="top")
        focus = game.wait_event("WM_INPUTLANGCHANGEREQUEST", since=mark, target="focus")
        self.assertEqual((top["hwnd"], top["wParam"], top["lParam"], top["note"]),
                         (state["hwnd"], 0, 0x04070407, "accepted"))
        self.assertEqual((focus["hwnd"], focus["wParam"], focus["lParam"], focus["note"]),
                         (state["focusChild"], 1, 0x04090409, "accepted"))
        self.assertLess(top["n"], focus["n"])
        game.honour_layout_requests(False)
        mark = game.mark()
        other.post(state["hwnd"], WM_INPUTLANGCHANGEREQUEST, 0, 0x04070407)
        self.assertEqual(game.wait_event("WM_INPUTLANGCHANGEREQUEST", since=mark)["note"],
                         "refused")

    def test_refusing_from_the_start(self):
        game = self.start_game(refuse_layout_requests=True)
        hwnd = game.state()["hwnd"]
        mark = game.mark()
        game.post(hwnd, WM_INPUTLANGCHANGEREQUEST, 0, game.state()["layout"])
        self.assertEqual(game.wait_event("WM_INPUTLANGCHANGEREQUEST", since=mark)["note"],
                         "refused")

    def test_the_layout_of_the_game_thread(self):
        game = self.start_game()
        state = game.state()
        layouts = game.layouts()
        self.assertEqual(layouts["layout"], state["layout"])
        self.assertIn(state["layout"], layouts["layouts"])
        self.assertEqual(game.thread_layout(state["tid"]), state["layout"])
        # Under Wine switching is refused; on Windows it succeeds. Either way the answer
        # names the thread's layout afterwards.
        reply = game.activate_layout(state["layout"])
        self.assertEqual(reply["layout"], state["layout"])

    def test_under_wine_the_layout_follows_the_locale_and_cannot_be_switched(self):
        us = self.start_game(env={"LC_ALL": "en_US.UTF-8"})
        german = self.start_game(title="German", env={"LC_ALL": "de_DE.UTF-8"})
        us_state, german_state = us.state(), german.state()
        self.assertEqual(us_state["layout"], 0x04090409)
        self.assertEqual(german_state["layout"], 0x04070407)
        self.assertEqual(german.layouts()["layouts"], [0x04070407])
        # Wine answers another thread's layout with the caller's own: an overlay under Wine
        # sees its own layout as the game's.
        self.assertEqual(us.thread_layout(german_state["tid"]), 0x04090409)
        refused = german.activate_layout(0x04090409)
        self.assertEqual((refused["result"], refused["layout"]), (0, 0x04070407))
        self.assertEqual(german.load_layout("00000409")["layout"], 0x04070407)
        # A request is delivered, accepted, and changes nothing.
        mark = german.mark()
        us.post(german_state["hwnd"], WM_INPUTLANGCHANGEREQUEST, 0, 0x04090409)
        german.wait_event("WM_INPUTLANGCHANGEREQUEST", since=mark, lParam=0x04090409)
        self.assertEqual(german.state()["layout"], 0x04070407)

    def test_focus_moves_between_window_and_child(self):
        game = self.start_game()
        game.foreground()
        state = wait_for(lambda: (lambda s: s if s["focus"] == s["hwnd"] else None)(game.state()),
                         "the game window to hold the focus")
        mark = game.mark()
        game.focus(child=True)
        self.assertEqual(game.state()["focus"], state["focusChild"])
        game.wait_event("WM_KILLFOCUS", since=mark, target="top", wParam=state["focusChild"])
        game.wait_event("WM_SETFOCUS", since=mark, target="focus", wParam=state["hwnd"])
        game.focus(child=False)
        self.assertEqual(game.state()["focus"], state["hwnd"])

    def test_another_application_in_front_and_back(self):
        game = self.start_game(focus_child=True)
        other = self.start_game(title="Other", rect=(700, 100, 300, 200))
        hwnd = game.state()["hwnd"]
        other_hwnd = other.state()["hwnd"]
        other.foreground()
        wait_for(lambda: game.state()["foreground"] == other_hwnd, "the other in front")
        mark = game.mark()
        other_mark = other.mark()
        game.foreground()
        wait_for(lambda: game.state()["foreground"] == hwnd, "the game in front")
        game.wait_event("WM_ACTIVATEAPP", since=mark, wParam=1)
        game.wait_event("WM_ACTIVATE", since=mark, target="top", wParam=1)
        other.wait_event("WM_ACTIVATEAPP", since=other_mark, wParam=0)
        # Like a dialog, the window hands its focus on to the child.
        focus_child = game.state()["focusChild"]
        wait_for(lambda: game.state()["focus"] == focus_child, "the focus on the child")
        game.wait_event("WM_SETFOCUS", since=mark, target="focus")

class Channel(GameTestCase):
    def raw_request(self, game, datagram):
        game.socket.settimeout(harness.DEADLINE)
        game.socket.sendto(datagram, ("127.0.0.1", game.port))
        seq = datagram.split(b"\t")[0].decode()
        while True:  # a late answer to an earlier, resent request may still be waiting
            reply = json.loads(game.socket.recv(65536).decode("utf-8"))
            if reply.get("seq") == seq:
                return reply

    def test_a_repeated_request_is_answered_again_without_running_twice(self):
        game = self.start_game()
        datagram = b"900\tcreate\t0\tRepeatClass\tRepeat"
        first = self.raw_request(game, datagram)
        again = self.raw_request(game, datagram)
        self.assertEqual(first, again)
        self.assertEqual((first["seq"], first["ok"], first["index"]), ("900", True, 1))
        self.assertEqual(len(game.windows()), 2)
        self.assertEqual(len(found("RepeatClass", "Repeat")), 1)

    def test_unknown_verbs_missing_arguments_and_missing_windows_are_refused(self):
        game = self.start_game()
        self.assertEqual(game.request("jump")["error"], "unknown command")
        self.assertEqual(game.request("move", 5)["error"], "too few arguments")
        self.assertEqual(game.request("state", window=7)["error"], "no such game window")
        self.assertTrue(game.request("state")["ok"])


if __name__ == "__main__":
    unittest.main()
