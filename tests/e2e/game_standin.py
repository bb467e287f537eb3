"""The stand-in game under Wine: top-level windows of a chosen class and title, each with a
child that can hold the keyboard focus, driven over loopback UDP.

    game = GameStandin(title="Cindergale")   # waits until it answers
    try:
        game.move(200, 150)
        state = game.state()                 # hwnd, pid, tid, rect, client, origin, style, ...
        mark = game.mark()
        game.minimize()
        game.wait_event("WM_SIZE", since=mark, wParam=1)   # SIZE_MINIMIZED
    finally:
        game.kill()

Requests are one datagram each: SEQ, VERB, WINDOW INDEX and the arguments, separated by tabs
(so no argument may hold a tab).
The reply is one JSON object with "seq" and "ok" (and "error" when not ok). A request whose
reply is lost is sent again with the same SEQ; the game answers it again without running it
twice. Rectangles are [left, top, width, height]; handles and layouts are integers.
"""
import json
import os
import socket
import time

import harness

EXE = os.path.join(harness.WINDOWS_BUILD, "tests", "standins", "game", "standin_game.exe")
RESEND_AFTER = 0.5
SIZE_MINIMIZED = 1
SIZE_MAXIMIZED = 2
WS_CHILD = 0x40000000
WS_POPUP = 0x80000000
WS_VISIBLE = 0x10000000
WS_OVERLAPPEDWINDOW = 0x00CF0000
KLF_ACTIVATE = 1
WM_INPUTLANGCHANGEREQUEST = 0x0050


def handle(text):
    """A window handle as wintool or a log prints it (%p), as an integer."""
    return int(text, 16)


class GameStandin:
    def __init__(self, title="Cindergale", window_class="Win32Window", hidden=False, count=1,
                 rect=None, focus_child=False, refuse_layout_requests=False, env=None,
                 dpi=None, deadline=harness.DEADLINE):
        """`env` adds to Wine's environment: under Wine a program's keyboard layout is the one
        of its locale, so {"LC_ALL": "de_DE.UTF-8"} gives a game on 0x04070407."""
        self.port = harness.free_udp_port()
        args = ["--port", str(self.port), "--class", window_class, "--title", title,
                "--count", str(count)]
        if hidden:
            args.append("--hidden")
        if rect:
            args += ["--rect", ",".join(str(v) for v in rect)]
        if focus_child:
            args.append("--focus-child")
        if refuse_layout_requests:
            args.append("--refuse-layout-requests")
        if dpi:
            args += ["--dpi", dpi]  # "unaware" or "system"
        self.socket = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.socket.bind(("127.0.0.1", 0))
        self.seq = 0
        self.process = harness.WinProcess(EXE, args, env=env)
        try:
            self.command("ping", deadline=deadline)
        except BaseException:
            self.kill()
            raise

    # -- the channel ---------------------------------------------------------------------

    def request(self, verb, *args, window=0, deadline=harness.DEADLINE):
        """Sends one request and returns its reply, resending until the deadline."""
        self.seq += 1
        seq = str(self.seq)
        fields = [seq, verb, str(window)] + [str(a) for a in args]
        if any("\t" in f for f in fields):
            raise ValueError("a tab in a request to the stand-in game: %r" % fields)
        datagram = "\t".join(fields).encode()
        end = time.monotonic() + deadline
        while True:
            if not self.process.running():
                raise AssertionError("the stand-in game ended (exit code %s) before answering %s"
                                     % (self.process.popen.returncode, verb))
            self.socket.sendto(datagram, ("127.0.0.1", self.port))
            resend = min(time.monotonic() + RESEND_AFTER, end)
            while True:
                self.socket.settimeout(max(0.01, resend - time.monotonic()))
                try:
                    reply = json.loads(self.socket.recv(65536).decode("utf-8"))
                except socket.timeout:
                    break
                if reply.get("seq") == seq:
                    return reply
            if time.monotonic() >= end:
                raise AssertionError("the stand-in game did not answer %s within %.0f s"
                                     % (verb, deadline))

    def command(self, verb, *args, window=0, deadline=harness.DEADLINE):
        """A request that must succeed."""
        reply = self.request(verb, *args, window=window, deadline=deadline)
        if not reply["ok"]:
            raise AssertionError("%s: %s" % (verb, reply.get("error")))
        return reply

    # -- queries -------------------------------------------------------------------------

    def state(self, window=0):
        """hwnd, focusChild, exists, class, title, pid, tid, rect, client, origin, style,
        exstyle, visible, iconic, zoomed, layout, foreground, active, focus, parent, owner,
        monitor, work."""
        return self.command("state", window=window)

    def windows(self):
        return self.command("windows")["windows"]

    def children(self, window=0):
        """Every descendant: hwnd, class, title, pid, tid, parent, rect (relative to the game's
        client area), screen, visible, style, exstyle."""
        return self.command("children", window=window)["children"]

    def owned(self, window=0):
        """Top-level windows owned by the game window: hwnd, class, title, pid, screen, ..."""
        return self.command("owned", window=window)["owned"]

    def layouts(self):
        """{"layouts": [...], "layout": the game thread's layout}"""
        return self.command("layouts")

    # -- actions -------------------------------------------------------------------------

    def move(self, x, y, window=0):
        return self.command("move", x, y, window=window)

    def size(self, width, height, window=0):
        return self.command("size", width, height, window=window)

    def client_size(self, width, height, window=0):
        return self.command("clientsize", width, height, window=window)

    def place(self, x, y, width, height, window=0):
        return self.command("place", x, y, width, height, window=window)

    def minimize(self, window=0):
        return self.command("minimize", window=window)

    def restore(self, window=0):
        return self.command("restore", window=window)

    def maximize(self, window=0):
        return self.command("maximize", window=window)

    def hide(self, window=0):
        return self.command("hide", window=window)

    def show(self, window=0):
        return self.command("show", window=window)

    def show_no_activate(self, window=0):
        return self.command("shownoactivate", window=window)

    def close(self, window=0):
        """Posts WM_CLOSE; the game destroys the window and, with its last one, ends with 0."""
        return self.command("close", window=window)

    def destroy(self, window=0):
        return self.command("destroy", window=window)

    def foreground(self, window=0):
        return self.command("foreground", window=window)

    def focus(self, child=True, window=0):
        return self.command("focus", "child" if child else "top", window=window)

    def set_style(self, style, window=0):
        return self.command("setstyle", style, window=window)

    def set_exstyle(self, exstyle, window=0):
        return self.command("setexstyle", exstyle, window=window)

    def set_parent(self, hwnd, window=0):
        """Makes this game's window a child of `hwnd` (0: top-level again), as the overlay
        does with its host window in child mode: lets a second game stand in for it."""
        return self.command("setparent", hwnd, window=window)

    def set_owner(self, hwnd, window=0):
        """Makes `hwnd` the owner of this game's window, as the overlay does in owned mode."""
        return self.command("setowner", hwnd, window=window)

    def load_layout(self, klid, flags=KLF_ACTIVATE):
        """LoadKeyboardLayoutW(klid, flags); reply "result", "lastError" and "layout"."""
        return self.command("loadlayout", klid, flags)

    def activate_layout(self, hkl, flags=0):
        """ActivateKeyboardLayout(hkl, flags); reply "result", "lastError" and "layout"."""
        return self.command("activatelayout", hkl, flags)

    def thread_layout(self, tid):
        """GetKeyboardLayout(tid) as this process sees it (tid of another program's thread)."""
        return self.command("threadlayout", tid)["layout"]

    def post(self, hwnd, message, wparam=0, lparam=0):
        """PostMessageW to any window, as another program would."""
        return self.command("post", hwnd, message, wparam, lparam)

    def honour_layout_requests(self, honour):
        """Whether WM_INPUTLANGCHANGEREQUEST reaches DefWindowProcW (accepted) or not."""
        return self.command("honour", "on" if honour else "off")

    def create(self, window_class, title, hidden=False, rect=None):
        """One more top-level window; returns its state (with "index")."""
        args = [window_class, title, "hidden" if hidden else "shown"]
        if rect:
            args += list(rect)
        return self.command("create", *args)

    # -- messages the game received ------------------------------------------------------

    def events(self, since=0):
        """Events from number `since` on: n, msg, window, target ("top" or "focus"), hwnd,
        wParam, lParam, tick, and "old"/"new" for WM_STYLECHANGED, "note" ("accepted" or
        "refused") for WM_INPUTLANGCHANGEREQUEST."""
        out = []
        while True:
            reply = self.command("events", since + len(out))
            out += reply["events"]
            if not reply["events"] or since + len(out) >= reply["count"]:
                return out

    def mark(self):
        """The number of the next event: pass it as `since` to see only what follows."""
        return self.command("events", 1 << 62)["count"]

    def find_events(self, msg=None, since=0, **fields):
        return [e for e in self.events(since)
                if (msg is None or e["msg"] == msg)
                and all(e.get(k) == v for k, v in fields.items())]

    def wait_event(self, msg=None, since=0, deadline=harness.DEADLINE, **fields):
        """The first event from `since` on with that message and those field values."""
        what = "%s %s" % (msg or "an event", fields or "")
        return harness.wait_for(lambda: next(iter(self.find_events(msg, since, **fields)), None),
                                what, deadline)

    # -- the process ---------------------------------------------------------------------

    def wait_exit(self, deadline=harness.DEADLINE):
        return self.process.wait(deadline)

    def kill(self):
        self.process.kill()
        self.socket.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.kill()
