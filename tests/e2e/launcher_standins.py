"""What the launcher's action, status and server tests stand in for: Windows PowerShell
(tests/standins/powershell, placed at the system path inside the test Wine prefix and driven
by plan files in the kit's "standin" folder, or handing the kit's real script to real
PowerShell 7 on the Linux side) and the kit's server (HTTP on 127.0.0.1:80).

    powershell = PowerShell()                  # in setUpClass; restore() in tearDownClass
    powershell.plan(kit, "status", ['out WARNING: x\\r\\n', 'out {"a":1}'])
    ... the launcher runs the script ...
    powershell.calls(kit)                      # one dict per start: argv, cwd, elevated, ...
    powershell.release(kit, "go1")             # a waiting plan step goes on

    runner = PwshRunner()                      # real PowerShell 7 on Linux; close() at the end
    powershell.run_real(kit, runner)           # from now on this kit's script really runs
    runner.runs                                # one dict per run: argv, cwd, exit

    server = DocumentServer()                  # SkipTest when port 80 cannot be had
    server.routes = {"/vyr/status": (200, b"{}"), "/vyr/update/pc/manifest": "hang"}
    server.close()

Run as a script, it serves one kit by hand (until Ctrl-C):
    python3 tests/e2e/launcher_standins.py pwsh KIT_FOLDER
"""
import http.server
import json
import os
import shutil
import socket
import socketserver
import struct
import subprocess
import sys
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

    @classmethod
    def run_real(cls, kit, runner):
        """From the next start on, the stand-in hands this kit's script to `runner`."""
        with open(os.path.join(cls.control_dir(kit), "pwsh.txt"), "w") as f:
            f.write("%d\n" % runner.port)

    @classmethod
    def run_plans(cls, kit):
        """Back to plan files for this kit."""
        path = os.path.join(cls.control_dir(kit), "pwsh.txt")
        if os.path.exists(path):
            os.remove(path)


def pwsh_command():
    """PowerShell 7 as the project's set-up installs it: ["dotnet", ".../pwsh.dll"]."""
    done = subprocess.run(["bash", os.path.join(harness.SOURCE_DIR, "scripts",
                                                "setup_powershell.sh"), "--paths"],
                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, check=True)
    for line in done.stdout.decode().splitlines():
        if line.startswith("pwsh "):
            return ["dotnet", line[len("pwsh "):]]
    raise RuntimeError("scripts/setup_powershell.sh named no pwsh")


class PwshRunner:
    """The Linux side of the stand-in's real mode: a TCP server on 127.0.0.1 that runs each
    request (the working folder and the arguments after powershell.exe, with Wine's drive paths
    already mapped to Linux paths) in PowerShell 7 and streams its standard output and error
    back, then its exit code. Windows PowerShell's -WindowStyle, which PowerShell 7 has on
    Windows only, is left out; everything else is passed as it came."""

    def __init__(self, command=None):
        self.command = command or pwsh_command()
        self.runs = []
        self._processes = []
        self._lock = threading.Lock()
        self._server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._server.bind(("127.0.0.1", 0))
        self._server.listen(8)
        # A closed socket does not wake a thread blocked in accept: it looks up now and then.
        self._server.settimeout(0.2)
        self._closing = threading.Event()
        self.port = self._server.getsockname()[1]
        self._thread = threading.Thread(target=self._serve, daemon=True)
        self._thread.start()

    def _serve(self):
        while not self._closing.is_set():
            try:
                connection, _ = self._server.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            connection.settimeout(None)
            threading.Thread(target=self._run, args=(connection,), daemon=True).start()

    @staticmethod
    def _receive(connection, size):
        data = b""
        while len(data) < size:
            chunk = connection.recv(size - len(data))
            if not chunk:
                raise EOFError("the stand-in hung up")
            data += chunk
        return data

    def _request(self, connection):
        count = struct.unpack("<I", self._receive(connection, 4))[0]
        items = []
        for _ in range(count):
            length = struct.unpack("<I", self._receive(connection, 4))[0]
            items.append(os.fsdecode(self._receive(connection, length)))
        return items[0], items[1:]

    @staticmethod
    def pwsh_arguments(arguments):
        out, i = [], 0
        while i < len(arguments):
            if arguments[i].lower() == "-windowstyle" and i + 1 < len(arguments):
                i += 2
                continue
            out.append(arguments[i])
            i += 1
        return out

    def _run(self, connection):
        send_lock = threading.Lock()

        def frame(kind, data):
            with send_lock:
                connection.sendall(struct.pack("<BI", kind, len(data)) + data)

        def pump(stream, kind):
            for chunk in iter(lambda: stream.read1(65536), b""):
                frame(kind, chunk)

        try:
            cwd, arguments = self._request(connection)
            process = subprocess.Popen(self.command + self.pwsh_arguments(arguments), cwd=cwd,
                                       stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                       stderr=subprocess.PIPE, start_new_session=True)
            with self._lock:
                self._processes.append(process)
            pumps = [threading.Thread(target=pump, args=(process.stdout, 1), daemon=True),
                     threading.Thread(target=pump, args=(process.stderr, 2), daemon=True)]
            for thread in pumps:
                thread.start()
            for thread in pumps:
                thread.join()
            code = process.wait()
            with self._lock:
                self.runs.append({"cwd": cwd, "argv": arguments, "exit": code})
            frame(3, struct.pack("<I", code & 0xFFFFFFFF))
        except (OSError, EOFError, struct.error):
            pass
        finally:
            connection.close()

    def close(self):
        """Stops serving and ends every PowerShell it started that still runs."""
        self._closing.set()
        self._thread.join(harness.DEADLINE)
        self._server.close()
        with self._lock:
            processes = list(self._processes)
        for process in processes:
            if process.poll() is None:
                process.kill()
            process.wait()
            process.stdout.close()
            process.stderr.close()


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


def serve_by_hand(kit):
    """python3 tests/e2e/launcher_standins.py pwsh KIT_FOLDER: the stand-in in the Wine prefix
    of VYR_E2E_DIR hands the kit's script to real PowerShell whenever it is started, until
    Ctrl-C; then the prefix gets its own powershell.exe back."""
    runner = PwshRunner()
    powershell = PowerShell()
    powershell.run_real(kit, runner)
    print("pwsh runner on 127.0.0.1:%d for %s (Ctrl-C ends it)" % (runner.port, kit), flush=True)
    try:
        threading.Event().wait()
    except KeyboardInterrupt:
        pass
    finally:
        powershell.run_plans(kit)
        powershell.restore()
        runner.close()


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] != "pwsh":
        sys.exit(__doc__)
    serve_by_hand(os.path.abspath(sys.argv[2]))
