"""The stand-in WebView2 runtime under Wine, driven through webview2_probe.exe (a tiny page host
built like the programs): its record of the host's calls, the page's side, failure injection,
delays, and that every callback comes later on the host's own thread."""
import json
import os
import shutil
import unittest

import harness
import webview_standin
from harness import wait_for, wintool
from webview_standin import ACCESS_DENY_CORS, FOCUS_PROGRAMMATIC, default_options

START_PAGE = "https://vyr-probe.example/index.html"
SECOND_PAGE = "https://vyr-probe.example/second.html"
E_NOINTERFACE = "0x80004002"
E_POINTER = "0x80004003"


class StandInTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        harness.ensure_environment()

    def setUp(self):
        self.processes = []
        self.standins = []

    def tearDown(self):
        for process in self.processes:
            process.kill()
        for standin in self.standins:
            standin.close()

    def start_probe(self, args=(), **standin_options):
        self.folder = os.path.join(harness.RUNS_DIR, "wv2_" + self.id().split(".")[-1])
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        shutil.copy2(webview_standin.PROBE_EXE, self.folder)
        standin = webview_standin.StandIn(self.folder, **standin_options)
        self.standins.append(standin)
        process = webview_standin.start_program(
            os.path.join(self.folder, "webview2_probe.exe"), args, standin.env)
        self.processes.append(process)
        return standin, process

    def probe_log(self):
        try:
            with open(os.path.join(self.folder, "webview2_probe.log"), encoding="utf-8") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def wait_for_log(self, line):
        wait_for(lambda: line in self.probe_log(), "the probe's line %r" % line)

    def probe_window(self):
        line = wait_for(lambda: next((l for l in self.probe_log() if l.startswith("window ")),
                                     None), "the probe's window line")
        return int(line.split()[1])

    def browser_windows(self, pid):
        code, out = wintool("find", "VYRStandinBrowser")
        return [l for l in out.splitlines() if (" pid=%d " % pid) in l]

    def calls_since(self, standin, mark):
        return [e.tuple() for e in standin.entries()[mark:] if e.kind == "call"]


class StartUp(StandInTestCase):
    def test_record_of_a_page_host_start_and_callbacks_after_the_call_on_its_thread(self):
        standin, process = self.start_probe(["--data", "C:\\Probe data\\M\u00fcller"])
        standin.wait_for_note("navigationStarting")
        window = self.probe_window()
        web = harness.to_windows_path(self.folder) + "\\web"
        self.assertEqual(standin.calls(), [
            ("loader.CreateCoreWebView2EnvironmentWithOptions", None, "C:\\Probe data\\M\u00fcller",
             default_options("--vyr-probe")),
            ("environment.CreateCoreWebView2Controller", window, "VYRWebView2Probe"),
            ("controller.get_CoreWebView2",),
            ("webview.get_BrowserProcessId",),
            ("controller.put_DefaultBackgroundColor", 255, 11, 11, 24),
            ("webview.get_Settings",),
            ("settings.put_AreDefaultContextMenusEnabled", False),
            ("settings.put_IsStatusBarEnabled", False),
            ("settings.put_IsZoomControlEnabled", False),
            ("settings.put_AreDevToolsEnabled", True),
            ("settings.put_AreBrowserAcceleratorKeysEnabled", False),
            ("webview.SetVirtualHostNameToFolderMapping", "vyr-probe.example", web,
             ACCESS_DENY_CORS),
            ("webview.add_NavigationStarting", 1),
            ("webview.add_NewWindowRequested", 2),
            ("webview.add_WebMessageReceived", 3),
            ("controller.put_Bounds", 0, 0, 640, 480),
            ("controller.put_IsVisible", True),
            ("webview.Navigate", START_PAGE),
            ("navigation.get_Uri",),
        ])
        pid = standin.browser_pid()
        notes = standin.notes()
        self.assertEqual([n[0] for n in notes], ["listening", "browserProcess",
                                                 "environmentCompleted", "released",
                                                 "controllerCompleted", "navigationStarting"])
        self.assertEqual(notes[1:], [("browserProcess", pid, True),
                                     ("environmentCompleted", "0x00000000"),
                                     ("released", "environment"),
                                     ("controllerCompleted", "0x00000000"),
                                     ("navigationStarting", None, START_PAGE, False, 1)])
        # Completions come after the creating calls return, never inside them, and on the
        # thread that asked (the probe logs any other thread).
        self.wait_for_log("navigation %s allowed" % START_PAGE)
        self.assertEqual(self.probe_log(), [
            "window %d" % window,
            "create returned 0x00000000",
            "environment completed 0x00000000",
            "asked for ICoreWebView2Environment2 " + E_NOINTERFACE,
            "controller asked 0x00000000",
            "controller completed 0x00000000",
            "asked for ICoreWebView2_4 " + E_NOINTERFACE,
            "asked for ICoreWebView2Controller4 " + E_NOINTERFACE,
            "asked without an out pointer " + E_POINTER,
            "browser pid %d" % pid,
            "asked for ICoreWebView2Settings4 " + E_NOINTERFACE,
            "ready",
            "navigation %s allowed" % START_PAGE,
        ])
        # The browser process is real: its window exists, hidden until a test shows it.
        browser = wait_for(lambda: self.browser_windows(pid), "the browser window")
        self.assertIn(" visible=0 ", browser[0])
        self.assertTrue(process.running())


class ThePage(StandInTestCase):
    def test_messages_navigations_new_windows_scale_and_close_as_the_page_sees_them(self):
        standin, process = self.start_probe()
        standin.wait_for_note("navigationStarting")
        read = ("message.get_Source",), ("message.get_WebMessageAsJson",), \
            ("message.TryGetWebMessageAsString",)

        # JSON from the page's own address, echoed back as JSON.
        mark = len(standin.entries())
        self.assertEqual(standin.post_json('{"type":"hello","n":[1,2]}'), 1)
        self.assertEqual(self.calls_since(standin, mark), list(read) + [
            ("webview.PostWebMessageAsJson", '{"echo":{"type":"hello","n":[1,2]}}')])
        self.assertEqual(standin.notes("webMessage")[-1],
                         ("webMessage", "1", START_PAGE, '{"type":"hello","n":[1,2]}', 1))
        self.wait_for_log('message {"type":"hello","n":[1,2]} from ' + START_PAGE)

        # A plain string reads as a JSON string literal and as the string itself.
        text = 'plain "quoted"\\ \u2603 \U0001F600\ttab'
        mark = len(standin.entries())
        standin.post_string(text)
        self.assertEqual(self.calls_since(standin, mark),
                         list(read) + [("webview.PostWebMessageAsString", text)])
        self.assertEqual(json.loads(standin.notes("webMessage")[-1][3]), text)

        # A message of any size arrives whole; a given source is what the host reads.
        big = json.dumps({"type": "big", "text": "x" * 40000})
        mark = len(standin.entries())
        standin.post_json(big, source="https://other.example/frame.html")
        self.assertEqual(self.calls_since(standin, mark)[-1],
                         ("webview.PostWebMessageAsJson", '{"echo":%s}' % big))
        self.assertEqual(standin.notes("webMessage")[-1][2], "https://other.example/frame.html")

        # Navigations: the host cancels other origins; an allowed one becomes the page's address.
        mark = len(standin.entries())
        self.assertTrue(standin.navigate("https://elsewhere.example/"))
        self.assertEqual(self.calls_since(standin, mark),
                         [("navigation.get_Uri",), ("navigation.put_Cancel", True)])
        self.assertFalse(standin.navigate(SECOND_PAGE))
        mark = len(standin.entries())
        standin.post_json('{"cmd":"focus"}')
        self.assertEqual(standin.notes("webMessage")[-1][2], SECOND_PAGE)
        self.assertEqual(self.calls_since(standin, mark)[-1],
                         ("controller.MoveFocus", FOCUS_PROGRAMMATIC))

        mark = len(standin.entries())
        self.assertTrue(standin.new_window("https://popup.example/"))
        self.assertEqual(self.calls_since(standin, mark), [("newWindow.put_Handled", True)])

        # The scale a test sets is what the host reads; nobody listens for its change.
        self.assertEqual(standin.set_rasterization_scale(1.5), 0)
        mark = len(standin.entries())
        standin.post_json('{"cmd":"scale"}')
        self.assertEqual(self.calls_since(standin, mark)[-2:], [
            ("controller.get_RasterizationScale",), ("webview.PostWebMessageAsJson",
                                                      '{"scale":1.5}')])

        for command, call in [("reload", ("webview.Reload",)),
                              ("hide", ("controller.put_IsVisible", False)),
                              ("resize", ("controller.put_Bounds", 0, 0, 500, 300))]:
            mark = len(standin.entries())
            standin.post_json('{"cmd":"%s"}' % command)
            self.assertEqual(self.calls_since(standin, mark), list(read) + [call], command)

        # Bad commands are refused by note and change nothing.
        refused = len(standin.notes("refused"))
        for data in [b"", b"\xff\xfe\n", b"navigate", b"navigate\nbad1", b"scale\nbad2\nabc",
                     b"scale\nbad3\n-1", b"message-json\nbad4\nonly source", b"fly\nbad5\nx",
                     b"browser-window\nbad6\nsideways"]:
            standin.send_raw(data)
        standin.ping()
        self.assertEqual(standin.notes("refused")[refused:], [
            ("refused", None, "no command id"),
            ("refused", "", "unknown command"),
            ("refused", None, "no command id"),
            ("refused", "bad1", "missing fields"),
            ("refused", "bad2", "scale takes a positive number"),
            ("refused", "bad3", "scale takes a positive number"),
            ("refused", "bad4", "missing fields"),
            ("refused", "bad5", "unknown command"),
            ("refused", "bad6", "browser-window takes show or hide"),
        ])

        # The browser's window comes to the front on request.
        pid = standin.browser_pid()
        standin.browser_window(show=True)
        wait_for(lambda: " visible=1 " in "".join(self.browser_windows(pid)),
                 "the browser window shown")

        # Closing: handlers removed by their tokens, Close, every object released at exit.
        mark = len(standin.entries())
        standin.post_json('{"cmd":"quit"}')
        self.assertEqual(self.calls_since(standin, mark), list(read) + [
            ("webview.remove_NavigationStarting", 1),
            ("webview.remove_NewWindowRequested", 2),
            ("webview.remove_WebMessageReceived", 3),
            ("controller.Close",)])
        self.assertEqual(process.wait(), 0)
        self.assertEqual(sorted(n[1] for n in standin.notes("released")),
                         ["controller", "environment", "settings", "webview"])
        self.assertEqual(self.probe_log()[-2:], ["closed", "exit"])
        self.assertNotIn("on another thread", "\n".join(self.probe_log()))
        wait_for(lambda: not self.browser_windows(pid), "the browser process to end")


class FailureInjection(StandInTestCase):
    def test_the_create_call_itself_fails(self):
        standin, process = self.start_probe(create_result=0x80070002)
        self.wait_for_log("create returned 0x80070002")
        standin.ping()
        self.assertEqual([c[0] for c in standin.calls()],
                         ["loader.CreateCoreWebView2EnvironmentWithOptions"])
        self.assertEqual([n[0] for n in standin.notes()], ["listening", "pong"])
        self.assertEqual(len(self.probe_log()), 2)
        self.assertTrue(process.running())

    def test_the_environment_fails_and_the_page_cannot_act(self):
        standin, process = self.start_probe(environment_result=0x80004005)
        self.wait_for_log("environment completed 0x80004005")
        self.assertEqual([c[0] for c in standin.calls()],
                         ["loader.CreateCoreWebView2EnvironmentWithOptions"])
        self.assertEqual(standin.notes("environmentCompleted"),
                         [("environmentCompleted", "0x80004005")])
        with self.assertRaisesRegex(AssertionError, "refused navigate: no web view"):
            standin.navigate(START_PAGE)
        with self.assertRaisesRegex(AssertionError, "refused scale: no controller"):
            standin.set_rasterization_scale(2)
        self.assertEqual(self.probe_log()[-1], "environment completed 0x80004005")

    def test_the_controller_fails(self):
        standin, process = self.start_probe(controller_result=0x8007139F)
        self.wait_for_log("controller completed 0x8007139f")
        window = self.probe_window()
        self.assertEqual(standin.calls()[1:],
                         [("environment.CreateCoreWebView2Controller", window, "VYRWebView2Probe")])
        self.assertEqual(standin.notes("controllerCompleted"),
                         [("controllerCompleted", "0x8007139f")])
        with self.assertRaisesRegex(AssertionError, "refused message-json: no web view"):
            standin.post_json("{}")

    def test_delays_a_chosen_browser_pid_and_a_starting_scale(self):
        standin, process = self.start_probe(environment_delay_ms=700, controller_delay_ms=900,
                                            browser_pid=4242, rasterization_scale=1.25)
        self.wait_for_log("ready")
        entries = {e.name: e for e in standin.entries()}
        created = entries["loader.CreateCoreWebView2EnvironmentWithOptions"].ms
        self.assertGreaterEqual(entries["environmentCompleted"].ms - created, 700)
        asked = entries["environment.CreateCoreWebView2Controller"].ms
        self.assertGreaterEqual(entries["controllerCompleted"].ms - asked, 900)
        self.assertEqual(standin.notes("browserProcess"), [("browserProcess", 4242, False)])
        self.assertIn("browser pid 4242", self.probe_log())
        mark = len(standin.entries())
        standin.post_json('{"cmd":"scale"}')
        self.assertEqual(self.calls_since(standin, mark)[-1],
                         ("webview.PostWebMessageAsJson", '{"scale":1.25}'))


if __name__ == "__main__":
    unittest.main()
