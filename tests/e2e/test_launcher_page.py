"""The launcher's page host and page bridge under Wine, with the stand-in WebView2 runtime as
the page: how the web view is set up for players and in dev mode, where the page may go,
the replies to its requests, and what each WebView2 failure leaves behind."""
import os
import unittest

import harness
import launcher_harness as lh
import webview_standin
from harness import wait_for
from webview_standin import ACCESS_DENY_CORS, default_options

HOST = "launcher.vyr.example"
START_PAGE = "https://%s/index.html" % HOST
E_FAIL = 0x80004005
NOT_FOUND = '{"type":"done","ok":false,"why":"the game folder was not found"}'
NO_KIT = '{"type":"done","ok":false,"why":"no Rookmere kit was chosen"}'


def settings_calls(on):
    return [
        ("settings.put_AreDefaultContextMenusEnabled", on),
        ("settings.put_IsStatusBarEnabled", False),
        ("settings.put_IsZoomControlEnabled", False),
        ("settings.put_AreDevToolsEnabled", on),
        ("settings.put_AreBrowserAcceleratorKeysEnabled", on),
    ]


class PageTestCase(lh.LauncherTestCase):
    def setUp(self):
        super().setUp()
        self.standins = []

    def tearDown(self):
        super().tearDown()
        for standin in self.standins:
            standin.close()

    def start_with_page(self, name, args=(), **standin_options):
        self.folder, self.kit = lh.new_kit(name)
        self.log = os.path.join(self.kit, "launcher", "data", "launcher.log")
        standin = webview_standin.StandIn(self.folder, **standin_options)
        self.standins.append(standin)
        process = self.start_launcher(self.folder, args, env=standin.env)
        return standin, process

    def ready(self, standin):
        """Waits for the start page's navigation; returns the launcher window."""
        standin.wait_for_note("navigationStarting")
        return self.wait_for_window()[0]

    def replies_to(self, standin, message):
        """What the launcher posts to the page in answer to one message (after a ping, so
        replies posted at once have arrived)."""
        mark = len(standin.entries())
        self.assertEqual(standin.post_json(message), 1)
        standin.ping()
        return [e.args[0] for e in standin.entries()[mark:]
                if e.kind == "call" and e.name == "webview.PostWebMessageAsJson"]

    def wait_for_reply(self, standin, message, reply):
        mark = len(standin.entries())
        self.assertEqual(standin.post_json(message), 1)
        wait_for(lambda: [e for e in standin.entries()[mark:] if e.kind == "call"
                          and e.tuple() == ("webview.PostWebMessageAsJson", reply)],
                 "the reply %s" % reply)


class PageHost(PageTestCase):
    def test_player_start_record_and_the_query_dropped_without_dev(self):
        standin, process = self.start_with_page("page_player", ["--query", "x=1"])
        window = self.ready(standin)
        web = harness.to_windows_path(os.path.join(self.kit, "launcher", "web"))
        data = harness.to_windows_path(os.path.join(self.kit, "launcher", "data"))
        client = [int(v) for v in window["client"].split(",")]
        calls = standin.calls()
        self.assertEqual(calls[0], ("loader.CreateCoreWebView2EnvironmentWithOptions", None, data,
                                    default_options()))
        self.assertEqual(calls[1][0], "environment.CreateCoreWebView2Controller")
        self.assertEqual(calls[1][2], lh.WINDOW_CLASS)
        self.assertEqual(calls[2:], [
            ("controller.get_CoreWebView2",),
            ("controller.put_DefaultBackgroundColor", 255, 14, 12, 42),
            ("webview.get_Settings",),
        ] + settings_calls(False) + [
            ("webview.SetVirtualHostNameToFolderMapping", HOST, web, ACCESS_DENY_CORS),
            ("webview.add_NavigationStarting", 1),
            ("webview.add_NewWindowRequested", 2),
            ("webview.add_WebMessageReceived", 3),
            ("webview.add_ProcessFailed", 4),
            ("controller.put_Bounds", 0, 0, client[0], client[1]),
            ("webview.Navigate", START_PAGE),
            ("navigation.get_Uri",),
        ])
        self.wait_for_log(self.log, [
            lh.START_PREFIX + harness.to_windows_path(self.kit) + ", server ",
            "WebView2 ready, page from " + web])
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)
        self.assertEqual(standin.calls()[-1], ("controller.Close",))
        self.assertEqual(lh.log_messages(self.log)[-1], "exit")

    def test_dev_mode_turns_tools_on_and_keeps_the_query(self):
        standin, process = self.start_with_page("page_dev", ["--dev", "--query", "x=1"])
        window = self.ready(standin)
        calls = standin.calls("settings.put_")
        self.assertEqual(calls, settings_calls(True))
        self.assertEqual(standin.calls("webview.Navigate"), [("webview.Navigate",
                                                              START_PAGE + "?x=1")])
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)

    def test_navigation_stays_on_the_page_origin_and_new_windows_open_nothing(self):
        standin, process = self.start_with_page("page_navigation")
        window = self.ready(standin)
        for uri in ["https://www.example.com/", "http://%s/index.html" % HOST,
                    "https://%s.evil.example/" % HOST, "https://%s" % HOST,
                    "file:///C:/Windows/win.ini", "HTTPS://%s/index.html" % HOST]:
            self.assertTrue(standin.navigate(uri), uri)
        self.assertFalse(standin.navigate("https://%s/second.html?a=b" % HOST))
        mark = len(standin.entries())
        self.assertTrue(standin.new_window("https://popup.example/"))
        self.assertTrue(standin.new_window("https://%s/index.html" % HOST))
        self.assertEqual(standin.calls()[-1], ("newWindow.put_Handled", True))
        self.assertTrue(all(e.name != "webview.Navigate" for e in standin.entries()[mark:]))
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)


    def test_page_bounds_follow_the_window_size(self):
        standin, process = self.start_with_page("page_resize")
        window = self.ready(standin)
        code, out = lh.tool("resize", lh.WINDOW_CLASS, 1100, 700)
        self.assertEqual(code, 0, out)
        resized = wait_for(lambda: (lambda w: w if w and w[0]["rect"].endswith(",1100,700")
                                    else None)(lh.launcher_windows()), "the resized window")
        width, height = (int(v) for v in resized[0]["client"].split(","))
        standin.wait_for_call("controller.put_Bounds",
                              lambda c: c == ("controller.put_Bounds", 0, 0, width, height))
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)


class Failures(PageTestCase):
    def test_controller_failure_leaves_a_line_and_an_empty_window(self):
        standin, process = self.start_with_page("page_fail_controller", controller_result=E_FAIL)
        window = self.wait_for_window()[0]
        self.wait_for_log(self.log, [
            lh.START_PREFIX + harness.to_windows_path(self.kit) + ", server ",
            "WebView2 controller failed: 0x80004005"])
        self.assertIsNone(lh.dialog_texts())
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)
        self.assertEqual(lh.log_messages(self.log)[-1], "exit")

    def test_no_runtime_shows_the_missing_runtime_box_from_the_call_or_its_handler(self):
        cases = [
            # The real loader without a runtime fails the call itself, with the file not found.
            ("no_runtime", dict(no_runtime=True),
             "CreateCoreWebView2EnvironmentWithOptions: 0x80070002"),
            ("create_other", dict(create_result=0x80070002),
             "CreateCoreWebView2EnvironmentWithOptions: 0x80070002"),
            ("environment", dict(environment_result=0x80070002),
             "WebView2 environment failed: 0x80070002"),
        ]
        for name, options, line in cases:
            with self.subTest(name):
                standin, process = self.start_with_page("page_fail_" + name, **options)
                window = self.wait_for_window()[0]
                self.dismiss_runtime_boxes()
                self.assertEqual(lh.log_messages(self.log)[1:], [line])
                self.assertTrue(process.running())
                self.assertEqual(self.close_and_wait(process, window["pid"]), 0)
                self.assertEqual(lh.log_messages(self.log)[-1], "exit")


class PageBridge(PageTestCase):
    def test_hello_in_sandbox_mode(self):
        hosts = os.path.join(harness.RUNS_DIR, "launcher", "page_hosts_file")
        os.makedirs(os.path.dirname(hosts), exist_ok=True)
        with open(hosts, "w") as f:
            f.write("127.0.0.1 localhost\n")
        standin, process = self.start_with_page(
            "page_hello", ["--hosts", harness.to_windows_path(hosts)])
        window = self.ready(standin)
        kit = harness.to_windows_path(self.kit).replace("\\", "\\\\")
        self.wait_for_reply(standin, '{"cmd":"hello"}',
                            '{"type":"hello","version":"1.0 (2026-10-13)","kit":"%s",'
                            '"server":"","sandbox":true}' % kit)
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)

    def test_act_refusals_and_requests_that_get_no_reply(self):
        standin, process = self.start_with_page("page_act")
        window = self.ready(standin)
        game = os.path.join(self.folder, "game")
        os.makedirs(os.path.join(game, "package", "patch_npk"))
        os.makedirs(os.path.join(self.folder, "half game", "package"))
        game_json = harness.to_windows_path(game).replace("\\", "\\\\")
        half_json = harness.to_windows_path(
            os.path.join(self.folder, "half game")).replace("\\", "\\\\")

        self.assertEqual(self.replies_to(standin, '{"cmd":"hello"}'), [
            '{"type":"hello","version":"1.0 (2026-10-13)","kit":"%s","server":"",'
            '"sandbox":false}' % harness.to_windows_path(self.kit).replace("\\", "\\\\")])
        for game_member in ['"game":"%s"' % half_json, '"game":"C:\\\\no such game"',
                            '"game":"\\\\\\\\server\\\\share"', '"game":"relative"', '"x":1']:
            self.assertEqual(self.replies_to(
                standin, '{"cmd":"act","action":"install",%s}' % game_member), [NOT_FOUND],
                game_member)
        self.assertEqual(self.replies_to(
            standin, '{"cmd":"act","action":"rookmere","game":"%s","rookmereDir":"C:\\\\none",'
            '"rookmereZip":"C:\\\\none.zip"}' % game_json), [NO_KIT])
        for silent in ['{"cmd":"act","action":"format","game":"%s"}' % game_json,
                       '{"cmd":"act","game":"%s"}' % game_json,
                       '{"cmd":"Hello"}', '{"type":"hello"}', '"hello"', '{"cmd":"unknown"}',
                       '{"cmd":"folder","path":"\\\\\\\\server\\\\share"}',
                       '{"cmd":"folder","path":"relative"}']:
            self.assertEqual(self.replies_to(standin, silent), [], silent)
        self.assertTrue(process.running())
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)

    def test_page_messages_posted_by_strangers_are_ignored(self):
        standin, process = self.start_with_page("page_strangers")
        window = self.ready(standin)
        # Another process can post the launcher's own hand-over message with any pointer.
        for value in ["0", "1234", "7ffe0000", "ffffffffffffffff"]:
            code, out = lh.tool("post", lh.WINDOW_CLASS, "8001", value)
            self.assertEqual(code, 0, out)
        standin.ping()
        self.assertTrue(process.running())
        self.assertEqual(standin.calls("webview.PostWebMessageAsJson"), [])
        replies = self.replies_to(standin, '{"cmd":"hello"}')
        self.assertEqual(len(replies), 1)
        self.assertTrue(replies[0].startswith('{"type":"hello",'), replies[0])
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)

    def test_web_messages_from_other_origins_are_dropped(self):
        standin, process = self.start_with_page("page_origins")
        window = self.ready(standin)
        for source in ["https://%s.evil.test/index.html" % HOST, "http://%s/index.html" % HOST,
                       "https://LAUNCHER.vyr.example/index.html", "https://evil.test/",
                       "about:blank"]:
            mark = len(standin.entries())
            self.assertEqual(standin.post_json('{"cmd":"hello"}', source=source), 1)
            standin.ping()
            self.assertEqual([e for e in standin.entries()[mark:] if e.kind == "call"
                              and e.name == "webview.PostWebMessageAsJson"], [], source)
        self.assertEqual(standin.calls("webview.PostWebMessageAsJson"), [])
        self.assertTrue(self.replies_to(standin, '{"cmd":"hello"}')[0].startswith(
            '{"type":"hello",'))
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)

    def test_zip_picker_opens_after_the_message_handler_returned_and_answers(self):
        standin, process = self.start_with_page("page_pickzip")
        window = self.ready(standin)
        mark = len(standin.entries())
        # The runtime's message handler cannot be re-entered: the post must come back (its
        # handler has returned) before the modal picker shows. A second request while the
        # picker is open opens no second one.
        self.assertEqual(standin.post_json('{"cmd":"pickzip"}'), 1)
        title = "Choose the Rookmere kit zip you downloaded"
        wait_for(lambda: lh.dialog_texts(title) is not None, "the zip picker")
        self.assertEqual(standin.post_json('{"cmd":"pickzip"}'), 1)
        # The page is still served while the picker is open.
        self.assertTrue(self.replies_to(standin, '{"cmd":"hello"}')[0].startswith(
            '{"type":"hello",'))
        code, out = lh.tool("press-cancel", title)
        self.assertEqual(code, 0, out)
        wait_for(lambda: lh.dialog_texts(title) is None, "the zip picker closed")
        standin.wait_for_call("webview.PostWebMessageAsJson",
                              lambda c: c[1].startswith('{"type":"picked"'))
        standin.ping()
        self.assertEqual([e.args[0] for e in standin.entries()[mark:] if e.kind == "call"
                          and e.name == "webview.PostWebMessageAsJson"
                          and not e.args[0].startswith('{"type":"hello"')],
                         ['{"type":"picked","path":""}'])
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)


if __name__ == "__main__":
    unittest.main()
