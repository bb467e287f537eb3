"""What the launcher's action, status and server tests stand in for: Windows PowerShell
(tests/standins/powershell, placed at the system path inside the test Wine prefix and driven
by plan files in the kit's "standin" folder) and the kit's server (HTTP on 127.0.0.1:80).

    powershell = PowerShell()                  # in setUpClass; restore() in tearDownClass
    powershell.plan(kit, "status", ['out WARNING: x\\r\\n', 'out {"a":1}'])
    ... the launcher runs the script ...
    powershell.calls(kit)                      # one dict per start: argv, cwd, elevated, ...
    powershell.release(kit, "go1")             # a waiting plan step goes on

    server = DocumentServer()                  # SkipTest when port 80 cannot be had
    server.routes = {"/vyr/status": (200, b"{}"), "/vyr/update/pc/manifest": "hang"}
    server.close()
"""
import http.server
import json
import os
import shutil
import socketserver
import threading
import unittest

import harness

STANDIN_EXE = os.path.join(harness.WINDOWS_BUILD, "tests", "standins", "powershell",
                           "powershell.exe")
SYSTEM_DIR = os.path.join(harness.PREFIX, "drive_c", "windows", "system32")
SYSTEM_POWERSHELL = os.path.join(SYSTEM_DIR, "WindowsPowerShell", "v1.0", "powershell.exe")
ORIGINAL_COPY = os.path.join(harness.STATE_DIR, "powershell.prefix-original.exe")
WINDOWS_SYSTEM_POWERSHELL = "C:\\windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe"


class PowerShell:
    """The stand-in in place of the prefix's own powershell.exe until restore()."""

    def __init__(self):
        if os.path.exists(SYSTEM_POWERSHELL) and not os.path.exists(ORIGINAL_COPY):
            shutil.copy2(SYSTEM_POWERSHELL, ORIGINAL_COPY)
        self.install()

    def install(self):
        os.makedirs(os.path.dirname(SYSTEM_POWERSHELL), exist_ok=True)
        shutil.copy2(STANDIN_EXE, SYSTEM_POWERSHELL)

    def remove(self):
        if os.path.exists(SYSTEM_POWERSHELL):
            os.remove(SYSTEM_POWERSHELL)

    def restore(self):
        if os.path.exists(ORIGINAL_COPY):
            shutil.copy2(ORIGINAL_COPY, SYSTEM_POWERSHELL)
        else:
            self.remove()

    @staticmethod
    def control_dir(kit):
        folder = os.path.join(kit, "standin")
        os.makedirs(folder, exist_ok=True)
        return folder

    def plan(self, kit, action, steps):
        """What the stand-in does for that -Action from its next start on."""
        with open(os.path.join(self.control_dir(kit), "plan-%s.txt" % action), "wb") as f:
            f.write(("\n".join(steps) + "\n").encode("utf-8"))

    def calls(self, kit):
        try:
            with open(os.path.join(self.control_dir(kit), "calls.jsonl"), "rb") as f:
                data = f.read()
        except FileNotFoundError:
            return []
        return [json.loads(l) for l in data.decode("utf-8").splitlines() if l.strip()]

    def release(self, kit, name):
        open(os.path.join(self.control_dir(kit), name), "wb").close()

    def marked(self, kit, name):
        return os.path.exists(os.path.join(self.control_dir(kit), name))


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        server = self.server.owner
        server.requests.append((self.path, self.headers.get("User-Agent")))
        route = server.routes.get(self.path, (404, b"not found"))
        if route == "hang":
            server.closing.wait(60)
            return
        code, body = route
        self.send_response(code)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class _Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


class DocumentServer:
    """The kit's server on 127.0.0.1 port 80. routes: path -> (status, body bytes) or "hang"
    (the connection is accepted and never answered); other paths get 404."""

    def __init__(self):
        self.routes = {}
        self.requests = []
        self.closing = threading.Event()
        try:
            self._server = _Server(("127.0.0.1", 80), _Handler)
        except OSError as e:
            raise unittest.SkipTest("the test server needs port 80 on 127.0.0.1: %s" % e)
        self._server.owner = self
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)
        self._thread.start()

    def close(self):
        self.closing.set()
        self._server.shutdown()
        self._server.server_close()
        self._thread.join(harness.DEADLINE)

