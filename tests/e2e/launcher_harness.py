"""What the launcher's end-to-end tests share: a kit folder laid out as players unpack it,
launcher.exe started with wine (optionally with extra environment), its log read back, and
the launcher's own Windows-side tool for its windows and dialogs."""
import glob
import os
import shutil
import signal
import subprocess
import unittest

import harness
from harness import wait_for

LAUNCHER_EXE = os.path.join(harness.WINDOWS_BUILD, "launcher", "launcher.exe")
LAUNCHER_LOADER = os.path.join(harness.WINDOWS_BUILD, "launcher", "WebView2Loader.dll")
LAUNCHER_TOOL = os.path.join(harness.WINDOWS_BUILD, "tests", "tools", "launcher",
                             "launcher_tool.exe")

WINDOW_CLASS = "VYRFerrowakeLauncher"
CAPTION = "VYR Ferrowake"
START_PREFIX = "VYR Ferrowake launcher 1.0 (2026-10-13), kit "


def tool(*args, deadline=harness.DEADLINE):
    """Runs launcher_tool inside Wine; returns (exit code, stdout text)."""
    done = subprocess.run(["wine", LAUNCHER_TOOL] + [str(a) for a in args],
                          env=harness.wine_env(), stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          timeout=deadline + 30)
    return done.returncode, done.stdout.decode("utf-8", "replace")


def parse_fields(line):
    """'a=1 b=2 title=x y' as a dict; title runs to the end of the line."""
    fields = {}
    head, _, title = line.partition(" title=")
    for part in head.split():
        key, _, value = part.partition("=")
        fields[key] = value
    fields["title"] = title
    return fields


def launcher_windows():
    code, out = tool("windows", WINDOW_CLASS)
    return [parse_fields(l) for l in out.splitlines() if l.startswith("pid=")]


def unescape(text):
    """Undoes the tool's escaping of backslashes and line breaks."""
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"n": "\n", "r": "\r"}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def dialog_texts(title=CAPTION):
    """Texts of the dialog boxes with that title, or None when there is none."""
    code, out = tool("dialog", title)
    if code != 0:
        return None
    return [unescape(l[len("text="):]) for l in out.splitlines() if l.startswith("text=")]


# The missing-runtime box begins so; the rest says where to get the runtime.
MISSING_RUNTIME_START = ("VYR Ferrowake needs the Microsoft Edge WebView2 Runtime, which "
                         "Windows 11 has.\n\n")


def new_kit(name, index=True, script=True, settings=None, files_sub=False):
    """A fresh folder with launcher.exe and its loader beside the kit's launcher files
    (or beside a "files" folder holding them). Returns (program folder, kit folder)."""
    folder = os.path.join(harness.RUNS_DIR, "launcher", name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copy2(LAUNCHER_EXE, folder)
    shutil.copy2(LAUNCHER_LOADER, folder)
    kit = os.path.join(folder, "files") if files_sub else folder
    web = os.path.join(kit, "launcher", "web")
    os.makedirs(web)
    if index:
        with open(os.path.join(web, "index.html"), "w") as f:
            f.write("<!doctype html><title>VYR</title>\n")
    if script:
        with open(os.path.join(kit, "launcher", "actions.ps1"), "w") as f:
            f.write("param([string]$Action)\n")
    if settings is not None:
        with open(os.path.join(kit, "launcher", "launcher.json"), "wb") as f:
            f.write(settings)
    return folder, kit


def log_messages(path):
    """The log's texts without their time stamps, checking the line layout on the way."""
    out = []
    for line in harness.read_log_lines(path):
        stamp = line[:12]
        if not (len(line) >= 13 and line[12] == " " and stamp[2] == ":" and stamp[5] == ":"
                and stamp[8] == "." and stamp.replace(":", "").replace(".", "").isdigit()):
            raise AssertionError("log line out of layout: %r" % line)
        out.append(line[13:])
    return out


class LauncherProcess(harness.WinProcess):
    """launcher.exe under wine, with optional extra environment for the stand-ins."""

    def __init__(self, exe, args, cwd=None, env=None):
        environment = harness.wine_env()
        environment.update(env or {})
        self.popen = subprocess.Popen(
            ["wine", exe] + list(args), env=environment, cwd=cwd or os.path.dirname(exe),
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)


def local_app_data_dirs():
    """Local application data of the prefix's users, where the data folder falls back."""
    return glob.glob(os.path.join(harness.PREFIX, "drive_c", "users", "*", "AppData", "Local"))


class LauncherTestCase(unittest.TestCase):
    """Starts launchers in their own kit folders and ends every one, whatever happens."""

    @classmethod
    def setUpClass(cls):
        harness.ensure_environment()

    def setUp(self):
        self.processes = []

    def tearDown(self):
        for process in self.processes:
            process.kill()
        # The next test must not meet a launcher of this one through the shared mutex.
        wait_for(lambda: not launcher_windows(), "no launcher window left")

    def start_launcher(self, folder, args=(), env=None, cwd=None):
        process = LauncherProcess(os.path.join(folder, "launcher.exe"), args, cwd=cwd, env=env)
        self.processes.append(process)
        return process

    def wait_for_window(self, process_count=1):
        return wait_for(lambda: (lambda w: w if len(w) >= process_count else None)(
            launcher_windows()), "%d launcher window(s)" % process_count)

    def wait_for_log(self, path, expected):
        """Waits until the log holds exactly these texts (a last chance to compare)."""
        try:
            wait_for(lambda: log_messages(path) == expected, "the log %r" % expected)
        except AssertionError:
            self.assertEqual(log_messages(path), expected)

    def dismiss_runtime_boxes(self, count=1):
        """Waits for the missing-runtime box of each of `count` launchers, checks what it tells
        the player and presses OK on each."""
        texts = wait_for(lambda: (lambda t: t if t and len(t) >= count else None)(
            dialog_texts()), "%d missing-runtime message box(es)" % count)
        self.assertEqual(len(texts), count, texts)
        for text in texts:
            self.assertTrue(text.startswith(MISSING_RUNTIME_START), text)
            self.assertIn('"WebView2 Runtime"', text)
            self.assertIn('"JOIN - double click me.bat"', text)
        code, out = tool("press-ok", CAPTION)
        self.assertEqual(code, 0, out)
        wait_for(lambda: dialog_texts() is None, "the message box(es) closed")

    def close_and_wait(self, process, pid):
        """Closes the launcher's window as the user would; returns the exit code."""
        def closed():
            if not process.running():
                return True
            code, out = tool("close", WINDOW_CLASS, pid)
            return code == 0
        wait_for(closed, "the window of %s closed (windows now: %r)" % (pid, launcher_windows()))
        return process.wait()
