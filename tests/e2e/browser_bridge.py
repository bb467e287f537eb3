"""The browser behind the stand-in web view (tests/standins/webview2/browser/bridge.js): Debian's
Chromium runs the program's real page, its frames are painted into a child window of the
program's window, and real input on that window reaches the page.

    bridge = BrowserBridge()
    standin = StandIn(folder)
    standin.env.update(bridge.env)        # the stand-in's web views now run in Chromium
    ...
    bridge.evaluate("document.title")     # read the page as the player would see it
    os.kill(bridge.processes()[0], 9)     # the browser process dies, as a crash would end it
    bridge.close()

Each environment the program creates gets a browser of its own; the stand-in records its
process id as the note ("chromium", PID).
"""
import json
import os
import re
import signal
import socket
import struct
import subprocess

import harness

BRIDGE_JS = os.path.join(harness.SOURCE_DIR, "tests", "standins", "webview2", "browser",
                         "bridge.js")
NODE_MODULES = os.path.join(harness.SOURCE_DIR, "build", "pages", "node_modules")


def available():
    """Whether Chromium and playwright-core are installed (scripts/setup.sh installs them)."""
    return os.path.exists("/usr/bin/chromium") and os.path.isdir(
        os.path.join(NODE_MODULES, "playwright-core"))


class BrowserBridge:
    def __init__(self):
        env = dict(os.environ, NODE_PATH=NODE_MODULES)
        env.pop("DISPLAY", None)  # headless: nothing of the browser's own reaches the display
        self.process = subprocess.Popen(["node", BRIDGE_JS], stdout=subprocess.PIPE,
                                        stdin=subprocess.DEVNULL, env=env,
                                        start_new_session=True)
        line = self.process.stdout.readline().decode().split()
        if len(line) != 2 or line[0] != "listening":
            self.close()
            raise AssertionError("the browser bridge did not start")
        self.port = int(line[1])
        self.env = {"VYR_WV2_BROWSER": str(self.port)}
        self._inspector = None

    def evaluate(self, expression):
        """The JSON value of a JavaScript expression in the newest page (an error raises)."""
        if self._inspector is None:
            self._inspector = socket.create_connection(("127.0.0.1", self.port))
            self._inspector.settimeout(harness.DEADLINE)
            self._send({"op": "inspect"})
        self._send({"op": "eval", "expr": expression})
        length = struct.unpack("<I", self._receive(4))[0]
        reply = self._receive(length)[1:].decode("utf-8")
        if reply.startswith("!"):
            raise AssertionError("the page could not evaluate %r: %s" % (expression, reply[1:]))
        return json.loads(reply)

    def _send(self, op):
        data = json.dumps(op).encode("utf-8")
        self._inspector.sendall(struct.pack("<I", len(data)) + data)

    def _receive(self, size):
        data = b""
        while len(data) < size:
            chunk = self._inspector.recv(size - len(data))
            if not chunk:
                raise AssertionError("the browser bridge closed the connection")
            data += chunk
        return data

    def processes(self, kind=None):
        """Pids of this bridge's Chromium processes, of one --type (None: the browsers,
        "any": all of them)."""
        parents = {}
        for name in os.listdir("/proc"):
            try:
                with open("/proc/%s/stat" % name) as f:
                    parents[int(name)] = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, ValueError, IndexError):
                continue

        def ours(pid):
            # Chromium starts in a session of its own: its descent shows it is ours.
            while pid > 1:
                pid = parents.get(pid, 0)
                if pid == self.process.pid:
                    return True
            return False
        found = []
        for pid in parents:
            if not ours(pid):
                continue
            try:
                with open("/proc/%d/cmdline" % pid, "rb") as f:
                    command = f.read()
            except OSError:
                continue
            if b"chrom" not in os.path.basename(command.split(b"\0")[0].split(b" ")[0]):
                continue
            # Chromium's helpers may rewrite their command line into one string.
            types = re.findall(rb"--type=([a-z-]+)", command)
            if kind == "any" or (kind is None and not types) or \
                    (kind and kind.encode() in types):
                found.append(pid)
        return found

    def close(self):
        if self._inspector is not None:
            self._inspector.close()
        browsers = self.processes("any")
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except OSError:
            pass
        self.process.wait()
        for pid in browsers:
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
