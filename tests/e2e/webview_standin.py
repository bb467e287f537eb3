"""Test side of the stand-in WebView2 runtime (tests/standins/webview2).

The stand-in replaces WebView2Loader.dll beside a program. It appends one JSON line per call
the program makes, and per thing it reports itself, to a record file that this client reads
as it grows; it takes the test's commands (act as the page) over loopback UDP. What it should
do at start (fail, delay, report a chosen browser process) travels in environment variables.

    folder = harness.new_program_folder("name")               # overlay_host.exe + real loader
    standin = StandIn(folder, controller_result=0x80004005)   # the stand-in replaces the loader
    process = self.start_overlay(args, folder=folder, env=standin.env)
    standin.wait_for_call("webview.Navigate")
    standin.post_json('{"type":"ready"}')
    self.assertTrue(standin.navigate("https://elsewhere.example/"))   # cancelled?
    ...
    standin.close()

A call is a tuple: ("controller.put_Bounds", 0, 0, 640, 480). Names are the object and the
SDK's method: loader., environment., controller., webview., settings., message.,
navigation., newWindow., processFailed.; arguments as the program passed them (BOOL as bool, RECT as four
numbers, COREWEBVIEW2_COLOR as A, R, G, B, window handles as integers).

Notes, the stand-in's own lines (ID is the command's id, None for the runtime's own events):
    ("listening", PORT)                        its command port
    ("browserProcess", PID, STARTED)           the reported browser pid; STARTED: its own helper
    ("environmentCompleted", "0x...")          just before the program's handler runs
    ("controllerCompleted", "0x...")           likewise
    ("webMessage", ID, SOURCE, JSON, HANDLERS)
    ("navigationStarting", ID, URI, CANCELLED, HANDLERS)   also after each webview.Navigate
    ("newWindowRequested", ID, URI, HANDLED, HANDLERS)
    ("rasterizationScale", ID, SCALE, HANDLERS)   the monitor's scale became SCALE; HANDLERS ran
                                               (none when the web view kept its scale)
    ("processFailed", ID, KIND, HANDLERS)      KIND: browser-exited, render-exited,
                                               render-unresponsive
    ("browserWindow", ID, "show"|"hide", HWND)
    browser-backed mode: ("contentLoading", NAVIGATION_ID, IS_ERROR_PAGE),
    ("navigationCompleted", NAVIGATION_ID, IS_SUCCESS, WEB_ERROR_STATUS) (a missing file under a
    mapped folder fails), ("acceleratorKey", KIND, VIRTUAL_KEY, HANDLED) (a handled key does not
    reach the page)
    ("pong", ID)   ("refused", ID, WHY)
    ("released", "environment"|"controller"|"webview"|"settings")   the object was destroyed
"""
import json
import os
import shutil
import socket
import threading

import harness

STANDIN_DIR = os.path.join(harness.WINDOWS_BUILD, "tests", "standins", "webview2")
STANDIN_DLL = os.path.join(STANDIN_DIR, "WebView2Loader.dll")
BROWSER_EXE = os.path.join(STANDIN_DIR, "webview2_browser.exe")
PROBE_EXE = os.path.join(STANDIN_DIR, "webview2_probe.exe")
RECORD_NAME = "webview2_record.jsonl"

# COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND values, as recorded for SetVirtualHostNameToFolderMapping.
ACCESS_DENY, ACCESS_ALLOW, ACCESS_DENY_CORS = 0, 1, 2
# COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC, as recorded for MoveFocus.
FOCUS_PROGRAMMATIC = 0
# The SDK's default target compatible browser version.
TARGET_VERSION = "154.0.4258.31"


def default_options(additional_browser_arguments=None):
    """The options object's values as recorded when a program keeps the SDK's defaults."""
    return {
        "AdditionalBrowserArguments": additional_browser_arguments,
        "Language": None,
        "TargetCompatibleBrowserVersion": TARGET_VERSION,
        "AllowSingleSignOnUsingOSPrimaryAccount": 0,
        "ExclusiveUserDataFolderAccess": 0,
        "IsCustomCrashReportingEnabled": 0,
        "EnableTrackingPrevention": 1,
        "AreBrowserExtensionsEnabled": 0,
        "ChannelSearchKind": 0,
        "ReleaseChannels": 15,
        "ScrollBarStyle": 0,
    }


def hresult(value):
    """An HRESULT as the record writes it: "0x80004005"."""
    return "0x%08x" % (value & 0xFFFFFFFF)


class Entry:
    """One record line: a call of the program or a note of the stand-in."""

    def __init__(self, data):
        self.seq = data["seq"]
        self.ms = data["ms"]
        self.kind = "call" if "call" in data else "note"
        self.name = data.get("call") or data.get("note")
        self.args = tuple(data["args"])

    def tuple(self):
        return (self.name,) + self.args

    def __repr__(self):
        return "%s %r" % (self.kind, self.tuple())


class StandIn:
    """The stand-in put into one program folder. Ask it for `env` and pass that to the program
    (start_program); end with close(). Results (HRESULTs as integers) and a chosen browser pid
    apply from the program's start."""

    def __init__(self, folder, create_result=None, environment_result=None,
                 environment_delay_ms=None, controller_result=None, controller_delay_ms=None,
                 browser_pid=None, rasterization_scale=None, no_runtime=False):
        """no_runtime: no WebView2 runtime is installed, so the creating call itself returns
        HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND). rasterization_scale stands for the monitor's
        scale (otherwise the one of Wine's DPI)."""
        self.folder = folder
        os.makedirs(folder, exist_ok=True)
        shutil.copy2(STANDIN_DLL, os.path.join(folder, "WebView2Loader.dll"))
        shutil.copy2(BROWSER_EXE, folder)
        self.record_path = os.path.join(folder, RECORD_NAME)
        if os.path.exists(self.record_path):
            os.remove(self.record_path)
        self.env = {"VYR_WV2_RECORD": harness.to_windows_path(self.record_path)}
        settings = {
            "VYR_WV2_CREATE_RESULT": create_result,
            "VYR_WV2_ENVIRONMENT_RESULT": environment_result,
            "VYR_WV2_ENVIRONMENT_DELAY_MS": environment_delay_ms,
            "VYR_WV2_CONTROLLER_RESULT": controller_result,
            "VYR_WV2_CONTROLLER_DELAY_MS": controller_delay_ms,
            "VYR_WV2_BROWSER_PID": browser_pid,
        }
        for name, value in settings.items():
            if value is not None:
                self.env[name] = "0x%x" % (value & 0xFFFFFFFF) if "RESULT" in name else str(value)
        if rasterization_scale is not None:
            self.env["VYR_WV2_RASTERIZATION_SCALE"] = repr(float(rasterization_scale))
        if no_runtime:
            self.env["VYR_WV2_NO_RUNTIME"] = "1"
        self._socket = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self._socket.bind(("127.0.0.1", 0))
        self._next_id = 0
        self._lock = threading.Lock()
        self._offset = 0
        self._entries = []

    def close(self):
        self._socket.close()

    # The record.

    def entries(self):
        """Every complete record line so far, in order."""
        with self._lock:
            try:
                with open(self.record_path, "rb") as f:
                    f.seek(self._offset)
                    data = f.read()
            except FileNotFoundError:
                data = b""
            end = data.rfind(b"\n") + 1
            for line in data[:end].splitlines():
                self._entries.append(Entry(json.loads(line.decode("utf-8"))))
            self._offset += end
            return list(self._entries)

    def calls(self, *prefixes):
        """The program's calls as tuples, optionally only those whose name starts with one of
        the prefixes."""
        return [e.tuple() for e in self.entries()
                if e.kind == "call" and (not prefixes or e.name.startswith(prefixes))]

    def notes(self, name=None):
        return [e.tuple() for e in self.entries()
                if e.kind == "note" and (name is None or e.name == name)]

    def wait_for_call(self, name, predicate=None, deadline=harness.DEADLINE):
        """The first call of that name (matching predicate(tuple) if given)."""
        return harness.wait_for(
            lambda: next((c for c in self.calls() if c[0] == name
                          and (predicate is None or predicate(c))), None),
            "the call %s" % name, deadline)

    def wait_for_note(self, name, predicate=None, deadline=harness.DEADLINE):
        return harness.wait_for(
            lambda: next((n for n in self.notes(name)
                          if predicate is None or predicate(n)), None),
            "the note %s" % name, deadline)

    def browser_pid(self):
        """The browser process id the web view reports (the stand-in's browser, or the chosen)."""
        return self.wait_for_note("browserProcess")[1]

    # Acting as the page.

    def _command(self, *fields):
        """Sends one command and returns its answering note (refusals raise)."""
        port = self.wait_for_note("listening")[1]
        self._next_id += 1
        command_id = str(self._next_id)
        text = "\n".join([fields[0], command_id] + list(fields[1:]))
        self._socket.sendto(text.encode("utf-8"), ("127.0.0.1", port))
        note = harness.wait_for(
            lambda: next((e for e in self.entries() if e.kind == "note" and len(e.args) > 0
                          and e.args[0] == command_id), None),
            "the answer to %s" % fields[0])
        if note.name == "refused":
            raise AssertionError("the stand-in refused %s: %s" % (fields[0], note.args[1]))
        return note.tuple()

    def post_json(self, json_text, source=""):
        """The page posts JSON; source "" is the page's own address. Returns the number of
        handlers that got it."""
        return self._command("message-json", source, json_text)[4]

    def post_string(self, text, source=""):
        return self._command("message-string", source, text)[4]

    def navigate(self, uri):
        """The page starts a navigation; True when the program cancelled it."""
        return self._command("navigate", uri)[3]

    def new_window(self, uri):
        """The page asks for a new window; True when the program marked it handled."""
        return self._command("new-window", uri)[3]

    def set_rasterization_scale(self, scale):
        """The monitor's scale changes: the web view takes it unless the program asked it not to
        detect such changes, and then its RasterizationScaleChanged handlers run; returns their
        number."""
        return self._command("scale", repr(float(scale)))[3]

    def process_failed(self, kind):
        """A process of the runtime fails, kind "browser-exited", "render-exited" or
        "render-unresponsive"; returns the note ("processFailed", ID, KIND, HANDLERS).

        browser-exited: the web view and controller are closed before the program's handlers
        run (most calls then fail with HRESULT_FROM_WIN32(ERROR_INVALID_STATE)), their
        environment makes no more web views and the browser process is gone: the program has to
        create a new environment. render-exited: the web view lives on with an error page that
        takes no messages (post_json raises) until Reload or Navigate starts a navigation."""
        return self._command("process-failed", kind)

    def ping(self):
        """Returns once the stand-in has serviced every earlier command."""
        self._command("ping")

    def browser_window(self, show=True, deadline=harness.DEADLINE):
        """Brings the browser process's window to the front (or hides it); waits until that
        window exists. Returns its handle."""
        def attempt():
            try:
                return self._command("browser-window", "show" if show else "hide")[3]
            except AssertionError as refused:
                if "no browser window" not in str(refused):
                    raise
                return None
        return harness.wait_for(attempt, "the browser window", deadline)

    def send_raw(self, data):
        """Sends bytes as one command datagram, for tests of bad input."""
        port = self.wait_for_note("listening")[1]
        self._socket.sendto(data, ("127.0.0.1", port))


def start_program(exe, args, env):
    """A program started under Wine with the stand-in's environment (harness.WinProcess)."""
    return harness.WinProcess(exe, args, env=env)
