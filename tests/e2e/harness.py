"""End-to-end harness: a Wine prefix and an Xvfb display per test run, the real .exe files
started with wine, their logs read back, and every process ended by its id.

Run as a script for the CTest fixtures:
    harness.py setup | cleanup | run-exe PATH [ARGS...]
"""
import os
import shutil
import signal
import socket
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
WINDOWS_BUILD = os.environ.get("VYR_WINDOWS_BUILD_DIR", os.path.join(SOURCE_DIR, "build", "windows"))
STATE_DIR = os.environ.get("VYR_E2E_DIR", os.path.join(SOURCE_DIR, "build", "e2e"))
PREFIX = os.path.join(STATE_DIR, "wineprefix")
DISPLAY_FILE = os.path.join(STATE_DIR, "display")
XVFB_PID_FILE = os.path.join(STATE_DIR, "xvfb.pid")
RUNS_DIR = os.path.join(STATE_DIR, "runs")

OVERLAY_EXE = os.path.join(WINDOWS_BUILD, "overlay", "overlay_host.exe")
LOADER_DLL = os.path.join(WINDOWS_BUILD, "overlay", "WebView2Loader.dll")
WINTOOL_EXE = os.path.join(WINDOWS_BUILD, "tests", "tools", "wintool.exe")

# Generous: Wine can be slow on a busy two-core machine.
DEADLINE = 30.0


def wine_env():
    env = dict(os.environ)
    env["WINEPREFIX"] = PREFIX
    env["WINEDEBUG"] = "-all"
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="  # no Mono or Gecko prompts
    with open(DISPLAY_FILE) as f:
        env["DISPLAY"] = f.read().strip()
    return env


def _alive(pid):
    try:
        os.kill(pid, 0)
        return True
    except OSError:
        return False


def setup():
    """Starts Xvfb and creates a fresh Wine prefix with a persistent wineserver."""
    cleanup()
    os.makedirs(STATE_DIR, exist_ok=True)
    shutil.rmtree(PREFIX, ignore_errors=True)
    shutil.rmtree(RUNS_DIR, ignore_errors=True)
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    if not number.strip():
        xvfb.kill()
        raise SystemExit("Xvfb did not start")
    with open(XVFB_PID_FILE, "w") as f:
        f.write(str(xvfb.pid))
    with open(DISPLAY_FILE, "w") as f:
        f.write(":" + number.decode().strip())
    env = wine_env()
    subprocess.run(["wineboot", "-i"], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    # Kept alive for the whole run so each test does not pay for a new server.
    subprocess.Popen(["wineserver", "-p"], env=env, stdin=subprocess.DEVNULL,
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    print("display %s, prefix %s" % (env["DISPLAY"], PREFIX))


def cleanup():
    """Ends every Wine process of the prefix, the wineserver and Xvfb."""
    if os.path.isdir(PREFIX) and os.path.exists(DISPLAY_FILE):
        subprocess.run(["wineserver", "-k"], env=wine_env(), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    if os.path.exists(XVFB_PID_FILE):
        with open(XVFB_PID_FILE) as f:
            pid = int(f.read().strip() or 0)
        if pid and _alive(pid):
            os.kill(pid, signal.SIGTERM)
            deadline = time.monotonic() + 10
            while _alive(pid) and time.monotonic() < deadline:
                time.sleep(0.05)
        os.remove(XVFB_PID_FILE)


def ensure_environment():
    """Lets a test file run on its own, outside CTest's fixtures."""
    if os.path.exists(XVFB_PID_FILE) and os.path.isdir(PREFIX):
        with open(XVFB_PID_FILE) as f:
            if _alive(int(f.read().strip() or 0)):
                return
    setup()
    import atexit
    atexit.register(cleanup)


def to_windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wait_for(condition, what, deadline=DEADLINE):
    end = time.monotonic() + deadline
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("timed out after %.0f s waiting for %s" % (deadline, what))
        time.sleep(0.05)


class WinProcess:
    """A Windows program started with wine; the Linux pid is the program's own process."""

    def __init__(self, exe, args, cwd=None, env=None):
        environment = wine_env()
        environment.update(env or {})
        self.popen = subprocess.Popen(
            ["wine", exe] + list(args), env=environment, cwd=cwd or os.path.dirname(exe),
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
            start_new_session=True)

    def wait(self, deadline=DEADLINE):
        try:
            return self.popen.wait(timeout=deadline)
        except subprocess.TimeoutExpired:
            raise AssertionError("program did not end within %.0f s" % deadline)

    def running(self):
        return self.popen.poll() is None

    def kill(self):
        if self.popen.poll() is None:
            try:
                os.killpg(self.popen.pid, signal.SIGKILL)
            except OSError:
                pass
            self.popen.wait()
        if self.popen.stdout:
            self.popen.stdout.close()


def wintool(*args, deadline=DEADLINE):
    """Runs the Windows-side test tool; returns (exit code, stdout text)."""
    done = subprocess.run(["wine", WINTOOL_EXE] + [str(a) for a in args], env=wine_env(),
                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, timeout=deadline + 30)
    return done.returncode, done.stdout.decode("utf-8", "replace")


def new_program_folder(name):
    """A fresh folder holding overlay_host.exe and its loader, as a player unpacks it."""
    folder = os.path.join(RUNS_DIR, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copy2(OVERLAY_EXE, folder)
    shutil.copy2(LOADER_DLL, folder)
    return folder


def read_log_lines(path):
    """The log's lines without their CR LF; fails on a line end that is not CR LF."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except FileNotFoundError:
        return []
    lines = data.split(b"\r\n")
    if lines and lines[-1] == b"":
        lines.pop()
    for line in lines:
        if b"\n" in line or b"\r" in line:
            raise AssertionError("log line without CR LF: %r" % line)
    return [line.decode("utf-8") for line in lines]


def messages(lines):
    """Log lines without the tag and time, checking their layout on the way."""
    out = []
    for line in lines:
        if not (line.startswith("[vyr-overlay] ") and line[16] == ":" and line[19] == ":"
                and line[22] == " " and line[14:22].replace(":", "").isdigit()):
            raise AssertionError("log line out of layout: %r" % line)
        out.append(line[23:])
    return out


def free_udp_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class OverlayTestCase(unittest.TestCase):
    """Starts overlay_host in its own program folder and ends it, whatever happens."""

    @classmethod
    def setUpClass(cls):
        ensure_environment()

    def setUp(self):
        self.processes = []

    def tearDown(self):
        for process in self.processes:
            process.kill()

    def start_overlay(self, args=(), folder=None, env=None):
        self.folder = folder or new_program_folder(self.id().split(".")[-1])
        self.log_path = os.path.join(self.folder, "vyr_overlay.log")
        process = WinProcess(os.path.join(self.folder, "overlay_host.exe"), args, env=env)
        self.processes.append(process)
        return process

    def log_messages(self, path=None):
        return messages(read_log_lines(path or self.log_path))

    def wait_for_line(self, predicate, what, path=None, deadline=DEADLINE):
        return wait_for(lambda: next((m for m in self.log_messages(path) if predicate(m)), None),
                        what, deadline)

    def windows_pid(self):
        """The program's own pid, from its start line."""
        line = self.wait_for_line(lambda m: m.startswith("started, "), "the start line")
        return int(line.split(", pid ")[1].split(",")[0])

    def host_windows(self, pid):
        code, out = wintool("find", "VYROverlayHost")
        return [l for l in out.splitlines() if (" pid=%d " % pid) in l]


def run_exe(path, args):
    """Runs a console test program under Wine and passes on its exit code."""
    ensure_environment()
    done = subprocess.run(["wine", path] + args, env=wine_env(), stdin=subprocess.DEVNULL)
    return done.returncode


if __name__ == "__main__":
    command = sys.argv[1] if len(sys.argv) > 1 else ""
    if command == "setup":
        setup()
    elif command == "cleanup":
        cleanup()
    elif command == "run-exe":
        sys.exit(run_exe(sys.argv[2], sys.argv[3:]))
    else:
        sys.exit(__doc__)
