"""The stand-in WebView2 runtime under Wine, driven through webview2_probe.exe (a tiny page host
built like the programs): its record of the host's calls, the page's side, failure injection,
delays, the runtime's own refusals and process failures, and that every callback comes later
on the host's own thread, one at a time."""
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
E_INVALIDARG = "0x80070057"
INVALID_STATE = "0x8007139f"  # HRESULT_FROM_WIN32(ERROR_INVALID_STATE)
WM_APP = 0x8000


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
        """A probe in a folder of its own; self.folder is the newest one."""
        self.folder = os.path.join(harness.RUNS_DIR, "wv2_%s_%d" % (self.id().split(".")[-1],
                                                                    len(self.processes)))
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
            ("webview.add_ProcessFailed", 4),
            ("controller.put_Bounds", 0, 0, 640, 480),
            ("controller.put_IsVisible", True),
            ("webview.Navigate", START_PAGE),
            ("navigation.get_Uri",),
        ])
        pid = standin.browser_pid()
        notes = standin.notes()
        self.assertEqual([n[0] for n in notes], ["listening", "browserProcess",
                                                 "environmentCompleted", "controllerCompleted",
                                                 "navigationStarting"])
        self.assertEqual(notes[1:], [("browserProcess", pid, True),
                                     ("environmentCompleted", "0x00000000"),
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
            "asked for ICoreWebView2_20 " + E_NOINTERFACE,
            "asked for ICoreWebView2Controller4 " + E_NOINTERFACE,
            "asked without an out pointer " + E_POINTER,
            "browser pid %d" % pid,
            "asked for ICoreWebView2Settings4 " + E_NOINTERFACE,
            "ready",
            "navigation %s allowed" % START_PAGE,
        ])
        # The runtime made the user data folder; the host kept the environment.
        self.assertTrue(os.path.isdir(os.path.join(harness.PREFIX, "drive_c", "Probe data",
                                                   "M\u00fcller")))
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

        # The scale starts as the monitor's (Wine's 96 DPI) and follows the monitor's changes
        # until the host asks to set its own; nobody listens for its change.
        def scale_read():
            mark = len(standin.entries())
            standin.post_json('{"cmd":"scale"}')
            calls = self.calls_since(standin, mark)
            self.assertEqual(calls[-2][0], "controller.get_RasterizationScale")
            return json.loads(calls[-1][1])["scale"]
        self.assertEqual(scale_read(), 1)
        self.assertEqual(standin.set_rasterization_scale(1.5), 0)
        self.assertEqual(scale_read(), 1.5)
        standin.post_json('{"cmd":"own-scale"}')
        standin.set_rasterization_scale(2)
        self.assertEqual(scale_read(), 1.5)

        # Only an opaque or a fully transparent background.
        mark = len(standin.entries())
        standin.post_json('{"cmd":"background"}')
        self.assertEqual(self.calls_since(standin, mark), list(read) + [
            ("controller.put_DefaultBackgroundColor", alpha, 1, 2, 3) for alpha in (128, 0, 255)])
        self.assertEqual(self.probe_log()[-3:], ["background alpha 128 " + E_INVALIDARG,
                                                 "background alpha 0 0x00000000",
                                                 "background alpha 255 0x00000000"])

        # A reload loads a new document: a navigation to the current address, after the call.
        mark = len(standin.entries())
        standin.post_json('{"cmd":"reload"}')
        standin.wait_for_note("navigationStarting", lambda n: n[1] is None and n[2] == SECOND_PAGE)
        self.assertEqual(self.calls_since(standin, mark), list(read) + [
            ("webview.Reload",), ("navigation.get_Uri",)])

        for command, call in [("hide", ("controller.put_IsVisible", False)),
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
            ("webview.remove_ProcessFailed", 4),
            ("controller.Close",)])
        self.assertEqual(process.wait(), 0)
        self.assertEqual(sorted(n[1] for n in standin.notes("released")),
                         ["controller", "environment", "settings", "webview"])
        self.assertEqual(self.probe_log()[-2:], ["closed", "exit"])
        self.assertNotIn("on another thread", "\n".join(self.probe_log()))
        wait_for(lambda: not self.browser_windows(pid), "the browser process to end")


class FailureInjection(StandInTestCase):
    def test_what_the_creating_call_itself_refuses(self):
        # A file where the user data folder should be, and a folder Linux refuses to create
        # (/sys), whose EPERM Wine reports as access denied.
        taken = os.path.join(harness.RUNS_DIR, "wv2_taken")
        os.makedirs(harness.RUNS_DIR, exist_ok=True)
        with open(taken, "w") as f:
            f.write("not a folder")
        for args, options, result in [
                ((), {"no_runtime": True}, "0x80070002"),  # ERROR_FILE_NOT_FOUND
                ((), {"create_result": 0x80004005}, "0x80004005"),
                # COM for the multi-threaded apartment: RPC_E_CHANGED_MODE. (Without COM the
                # call gives CO_E_NOTINITIALIZED, but Wine sets COM up for a thread's first
                # window.)
                (("--apartment", "mta"), {}, "0x80010106"),
                (("--data", "Z:\\sys\\vyr-webview2"), {}, "0x80070005"),  # E_ACCESSDENIED
                (("--data", harness.to_windows_path(taken)), {}, "0x80070050")]:  # FILE_EXISTS
            with self.subTest(args=args, options=options):
                standin, process = self.start_probe(args, **options)
                self.wait_for_log("create returned " + result)
                standin.ping()
                self.assertEqual([c[0] for c in standin.calls()],
                                 ["loader.CreateCoreWebView2EnvironmentWithOptions"])
                self.assertEqual([n[0] for n in standin.notes()], ["listening", "pong"])
                self.assertEqual(len(self.probe_log()), 2)
                self.assertTrue(process.running())
                process.kill()

    def test_programs_sharing_a_user_data_folder_need_the_same_options(self):
        shared = os.path.join(harness.RUNS_DIR, "wv2_shared_data")
        shutil.rmtree(shared, ignore_errors=True)
        first, _ = self.start_probe(["--data", harness.to_windows_path(shared)])
        self.wait_for_log("ready")
        self.assertTrue(os.path.isdir(shared))
        # Other browser arguments on the running folder: the environment comes, its first
        # web view does not.
        for args, result in [("--vyr-other", INVALID_STATE), ("--vyr-probe", "0x00000000")]:
            standin, process = self.start_probe(["--data", harness.to_windows_path(shared),
                                                 "--args", args])
            self.wait_for_log("controller completed " + result)
            self.assertEqual(standin.notes("environmentCompleted"),
                             [("environmentCompleted", "0x00000000")])
        # Once no program runs on it, the folder takes other options; a relative folder is
        # taken from the program's folder.
        for process in self.processes:
            process.kill()
        for args in (["--data", harness.to_windows_path(shared), "--args", "--vyr-other"],
                     ["--data", "relative data"]):
            standin, process = self.start_probe(args)
            self.wait_for_log("ready")
        self.assertTrue(os.path.isdir(os.path.join(self.folder, "relative data")))

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


class ProcessFailures(StandInTestCase):
    def test_browser_exit_closes_the_web_view_and_a_new_environment_brings_it_back(self):
        standin, process = self.start_probe()
        self.wait_for_log("ready")
        first_pid = standin.browser_pid()
        mark = len(standin.entries())
        self.assertEqual(standin.process_failed("browser-exited")[2:], ("browser-exited", 1))
        # The runtime closed the web view before the host heard: its calls fail, and the old
        # environment makes no web view any more.
        wait_for(lambda: self.probe_log().count("ready") == 2, "the probe's second page")
        log = self.probe_log()
        failed = log.index("process failed 0")
        self.assertEqual(log[failed:failed + 16], [
            "process failed 0",
            "closed put_IsVisible " + INVALID_STATE,
            "closed PostWebMessageAsJson " + INVALID_STATE,
            "controller asked 0x00000000",
            "controller completed " + INVALID_STATE,
            "create returned 0x00000000",
            "environment completed 0x00000000",
            "asked for ICoreWebView2Environment2 " + E_NOINTERFACE,
            "controller asked 0x00000000",
            "controller completed 0x00000000",
            "asked for ICoreWebView2_20 " + E_NOINTERFACE,
            "asked for ICoreWebView2Controller4 " + E_NOINTERFACE,
            "asked without an out pointer " + E_POINTER,
            "browser pid %d" % standin.notes("browserProcess")[-1][1],
            "asked for ICoreWebView2Settings4 " + E_NOINTERFACE,
            "ready"])
        calls = self.calls_since(standin, mark)
        self.assertNotIn(("controller.Close",), calls)  # the runtime closed it, not the host
        self.assertIn(("processFailed.get_ProcessFailedKind",), calls)
        # A new browser process serves the new web view; the old one is gone.
        pids = [n[1] for n in standin.notes("browserProcess")]
        self.assertEqual(len(pids), 2)
        self.assertNotEqual(pids[0], pids[1])
        wait_for(lambda: not self.browser_windows(first_pid), "the first browser to end")
        self.assertEqual(standin.post_json('{"type":"after"}'), 1)
        self.assertIn('message {"type":"after"} from ' + START_PAGE, self.probe_log())

    def test_renderer_exit_leaves_an_error_page_until_reload(self):
        standin, process = self.start_probe()
        self.wait_for_log("ready")
        self.assertEqual(standin.process_failed("render-unresponsive")[2:],
                         ("render-unresponsive", 1))
        self.assertEqual(standin.post_json('{"type":"still"}'), 1)
        self.assertEqual(standin.process_failed("render-exited")[2:], ("render-exited", 1))
        self.assertEqual(self.probe_log()[-3:], [
            "process failed 2", 'message {"type":"still"} from ' + START_PAGE, "process failed 1"])
        with self.assertRaisesRegex(AssertionError, "refused message-json: the renderer exited"):
            standin.post_json('{"type":"lost"}')
        # The web view lives: a reload loads the page again, which then talks.
        wintool("post", "%x" % self.probe_window(), WM_APP + 6)
        self.wait_for_log("reload 0x00000000")
        wait_for(lambda: len(standin.notes("navigationStarting")) == 2, "the reload's navigation")
        self.assertEqual(standin.post_json('{"type":"back"}'), 1)
        for refused in ["gpu-exited", ""]:
            with self.assertRaisesRegex(AssertionError, "process-failed takes browser-exited"):
                standin.process_failed(refused)

    def test_no_callback_starts_while_a_handler_runs_a_modal_loop(self):
        standin, process = self.start_probe()
        self.wait_for_log("ready")
        # The first message's handler runs a modal loop; the second message arrives meanwhile.
        standin.send_raw(b'message-json\nm1\n\n{"cmd":"modal"}')
        self.wait_for_log("modal begins")
        standin.send_raw(b'message-json\nm2\n\n{"type":"second"}')
        wintool("post", "%x" % self.probe_window(), WM_APP + 5)  # ends the modal loop
        standin.wait_for_note("webMessage", lambda n: n[1] == "m2")
        log = self.probe_log()
        self.assertEqual(log[log.index("modal begins"):], [
            "modal begins", "modal ends",
            'message {"type":"second"} from ' + START_PAGE])
        self.assertEqual([n[1] for n in standin.notes("webMessage")], ["m1", "m2"])


if __name__ == "__main__":
    unittest.main()
