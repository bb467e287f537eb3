"""vyro, the game side's tool, against the real overlay_host under Wine: the stand-in WebView2
runtime plays the page, the stand-in game is the game. vyro.exe runs under Wine as players'
scripts run it; the Linux build of the same code talks to the same overlay."""
import os
import shutil
import socket
import subprocess
import threading
import time
import unittest

import harness
from harness import wait_for
from test_overlay_page import PageTestCase

VYRO_EXE = os.path.join(harness.WINDOWS_BUILD, "tools", "vyro", "vyro.exe")
NATIVE_VYRO = os.environ.get("VYR_NATIVE_VYRO", "")
GAME_SIDE_PORT = 47630
TAKEN = 3  # vyro's exit code for a network error such as a taken local port
LUA = shutil.which("lua5.4")
KIT_SCRIPT = os.path.join(harness.SOURCE_DIR, "kit", "game", "package", "script",
                          "vyr_overlay.lua")
# A game of Lua 5.4 and LuaSocket as the kit's script expects one (arg: the script, the game
# folder): it presses the toggle key once the overlay has answered, waits for a game request,
# then sends a note and ends, printing what reached the game.
LUA_GAME = r"""
local socket = require("socket")
local frames, keys, exits = {}, {}, {}
local function say(...) io.write(table.concat({...}, " "), "\n"); io.flush() end
local game = {}
function game.read_file(path)
    local file = io.open(arg[2] .. "/" .. path:gsub("\\", "/"), "rb")
    if not file then return nil end
    local text = file:read("a"); file:close(); return text
end
function game.run_detached(path, args) say("run", path, table.concat(args, " ")) end
function game.udp_open(address, port)
    -- Any free port: the overlay answers whoever spoke first, and 47630 may be another run's.
    local udp = socket.udp(); assert(udp:setsockname(address, 0)); udp:settimeout(0)
    return {send_to = function(_, to, to_port, data) return udp:sendto(data, to, to_port) end,
            receive = function() return udp:receivefrom() end,
            close = function() udp:close() end}
end
function game.bind_key(key, fn) keys[key] = fn end
function game.on_frame(fn) frames[#frames + 1] = fn end
function game.on_exit(fn) exits[#exits + 1] = fn end
local asked = false
function game.command(cmd, arg) say("command", cmd, arg); asked = true end
function game.overlay_changed(what, value) say("changed", what, tostring(value)) end
function game.log(text) say("log", text) end
local function frames_until(done)
    local deadline = socket.gettime() + 30
    while not done() do
        assert(socket.gettime() < deadline, "timed out")
        for _, fn in ipairs(frames) do fn(socket.gettime()) end
        socket.sleep(0.02)
    end
end
local vyr = dofile(arg[1])
assert(vyr.start(game))
frames_until(function() return vyr.state == "hidden" end)
keys.F9()
frames_until(function() return vyr.state == "active" end)
frames_until(function() return asked end)
vyr.note("Boss in 30 s")
for _, fn in ipairs(exits) do fn() end
"""


def lua_with_sockets():
    return LUA is not None and subprocess.run([LUA, "-e", "require('socket')"],
                                              capture_output=True).returncode == 0


def vyro(*args, native=False, deadline=harness.DEADLINE):
    """Runs vyro to its end; returns (exit code, stdout lines, stderr lines)."""
    command = [NATIVE_VYRO] if native else ["wine", VYRO_EXE]
    done = subprocess.run(command + [str(a) for a in args],
                          env=None if native else harness.wine_env(), stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=deadline + 30)
    return (done.returncode, done.stdout.decode("utf-8").splitlines(),
            [l for l in done.stderr.decode("utf-8", "replace").splitlines()
             if l.startswith("vyro: ")])


def vyro_from_the_game_side_port(*args):
    """vyro from its default port 47630, which other test runs on this machine may hold for a
    moment: waits until it is free."""
    result = []

    def attempt():
        result[:] = vyro(*args)
        return result[0] != TAKEN
    wait_for(attempt, "UDP port 47630 to be free for vyro")
    return tuple(result)


class Listener:
    """`vyro listen` running under Wine; its lines are collected as they come."""

    def __init__(self, *args):
        self.process = harness.WinProcess(VYRO_EXE, [str(a) for a in args])
        self.lines = []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for raw in self.process.popen.stdout:
            self.lines.append(raw.decode("utf-8").rstrip("\r\n"))

    def wait_for_line(self, text):
        wait_for(lambda: text in self.lines, "vyro listen to print %r" % text)

    def kill(self):
        self.process.kill()
        self.reader.join(timeout=5)


class Vyro(PageTestCase):
    def test_state_from_the_game_side_port_and_bye_ends_the_overlay(self):
        self.start(game=False)
        self.standin.wait_for_call("webview.Navigate")
        self.assertEqual(vyro_from_the_game_side_port("--port", self.port, "--timeout", 10,
                                                      "state"), (0, ["hidden"], []))
        if NATIVE_VYRO:
            # The answers stay latched to 47630: the Linux build asks from there as well.
            self.assertEqual(vyro_from_the_game_side_port("--port", self.port, "state"),
                             (0, ["hidden"], []))
        self.assertEqual(vyro_from_the_game_side_port("--port", self.port, "bye"), (0, [], []))
        self.assertEqual(self.process.wait(), 0)
        self.assertEqual(self.log_messages()[-2:], ["'bye' from UDP port 47630",
                                                    "exit ('bye' from UDP port 47630)"])

    def test_commands_reach_the_page_and_listen_prints_what_the_overlay_sends(self):
        self.start()
        self.ready_page()
        port = ("--port", self.port, "--from", 0, "--timeout", 10)
        self.assertEqual(vyro(*port, "show", "ab cd"), (0, [], []))
        self.wait_posted('{"type":"show","pad":"ab cd"}')
        self.assertEqual(vyro(*port, "note", '{"n": 1}'), (0, [], []))
        self.wait_posted('{"type":"note","note":{"n": 1}}')
        self.assertEqual(vyro(*port, "page", '{"type":"custom","x":"\u00e9"}'), (0, [], []))
        self.wait_posted('{"type":"custom","x":"\u00e9"}')
        self.assertEqual(vyro(*port, "state"), (0, ["active"], []))
        self.assertEqual(vyro(*port, "hide"), (0, [], []))
        self.wait_posted('{"type":"close"}')
        self.assertEqual(vyro(*port, "reload"), (0, [], []))
        self.standin.wait_for_call("webview.Reload")

        listener = Listener(*port, "listen")
        self.addCleanup(listener.kill)
        listener.wait_for_line("state active")
        self.standin.post_json('{"type":"hide"}')
        listener.wait_for_line("state hidden")
        self.standin.post_json('{"type":"game","cmd":"open_map","arg":"north gate"}')
        listener.wait_for_line("game open_map north gate")
        self.standin.post_json('{"type":"modal","on":true}')
        listener.wait_for_line("modal on")
        self.assertTrue(listener.process.running())
        listener.kill()
        self.assertEqual(listener.lines, ["state active", "state hidden",
                                          "game open_map north gate", "modal on"])

        # A timed listen ends by itself.
        started = time.monotonic()
        self.assertEqual(vyro(*port, "listen", 1), (0, ["state hidden"], []))
        self.assertLess(time.monotonic() - started, harness.DEADLINE)

    def test_window_borderless_and_framed_with_the_game(self):
        self.start()
        self.wait_for_line(lambda m: m.startswith("game window "), "the game found")
        monitor = self.game.state()["monitor"]
        port = ("--port", self.port, "--from", 0)
        self.assertEqual(vyro(*port, "window", "borderless"), (0, [], []))
        line = "window: borderless %dx%d" % (monitor[2], monitor[3])
        self.wait_for_line(lambda m: m == line, line)
        wait_for(lambda: self.game.state()["rect"] == monitor, "the game over its monitor")
        self.assertEqual(vyro(*port, "window", "framed"), (0, [], []))
        self.wait_for_line(lambda m: m == "window: framed again", "the framed line")

    @unittest.skipUnless(lua_with_sockets(), "lua5.4 and lua-socket are not installed")
    def test_the_kits_game_script_with_a_game_of_lua(self):
        self.start()
        self.ready_page()
        game = os.path.join(self.folder, "game")
        os.makedirs(os.path.join(game, "package", "config"))
        with open(os.path.join(game, "package", "config", "vyr_overlay.ini"), "w") as f:
            f.write("[keys]\ntoggle = F9\n[overlay]\npad = Quest pad\nport = %d\n" % self.port)
        driver = subprocess.Popen([LUA, "-", KIT_SCRIPT, game], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.addCleanup(lambda: driver.poll() is None and driver.kill())
        driver.stdin.write(LUA_GAME.encode())
        driver.stdin.close()
        lines = []
        reader = threading.Thread(target=lambda: lines.extend(
            l.decode().rstrip("\n") for l in driver.stdout), daemon=True)
        reader.start()
        self.wait_posted('{"type":"show","pad":"Quest pad"}')
        self.standin.post_json('{"type":"game","cmd":"open_map","arg":"north gate"}')
        self.wait_posted('{"type":"note","note":"Boss in 30 s"}')
        self.assertEqual(self.process.wait(), 0)
        self.assertEqual(driver.wait(timeout=harness.DEADLINE), 0)
        reader.join(timeout=harness.DEADLINE)
        driver.stdout.close()
        self.assertEqual([l for i, l in enumerate(lines) if i == 0 or lines[i - 1] != l],
                         ["run overlay\\overlay_host.exe --port %d" % self.port,
                          "changed state hidden", "changed state active",
                          "command open_map north gate"])

    def test_missing_overlay_and_bad_arguments(self):
        harness.ensure_environment()
        port = harness.free_udp_port()
        for native in ([False, True] if NATIVE_VYRO else [False]):
            with self.subTest(native=native):
                code, out, err = vyro("--port", port, "--from", 0, "--timeout", 1, "state",
                                      native=native)
                self.assertEqual((code, out), (1, []))
                self.assertIn(err[0], [
                    "vyro: nothing listens on UDP port %d - is overlay_host running?" % port,
                    "vyro: no answer from an overlay on UDP port %d within 1 s - is "
                    "overlay_host running?" % port])
                self.assertEqual(vyro("--port", port, "--from", 0, "shw", native=native),
                                 (2, [], ['vyro: unknown command "shw"',
                                          "vyro: see vyro --help"]))
                self.assertEqual(vyro("note", "hi", native=native)[0], 2)
                self.assertEqual(vyro("window", "full", native=native),
                                 (2, [], ['vyro: window needs borderless or framed, not "full"',
                                          "vyro: see vyro --help"]))
        # A local port that another program holds.
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as holder:
            holder.bind(("127.0.0.1", 0))
            held = holder.getsockname()[1]
            code, out, err = vyro("--port", port, "--from", held, "state")
            self.assertEqual((code, out), (TAKEN, []))
            self.assertEqual(err, ["vyro: local UDP port %d is taken (does a game side hold "
                                   "it?); pick another with --from" % held])


if __name__ == "__main__":
    unittest.main()
