"""The kit at play, for kit makers: the kit's zip from dist/ unpacked over the stand-in game under
Wine, overlay_host.exe on its default port with the kit's own page in Chromium behind the tests'
stand-in WebView2 runtime, as in the demo (scripts/demo.py), left running to be driven by hand.

    python3 scripts/playground.py                    runs it until Ctrl+C or `quit`
    python3 scripts/playground.py shot [FILE]        a screenshot of the display
    python3 scripts/playground.py click TEXT|SELECTOR   a real mouse click on a page element
    python3 scripts/playground.py quit               ends it
    python3 scripts/playground.py check              exit 1 when something it runs is missing

The commands reach the running playground over a Unix socket in its folder (VYR_E2E_DIR, by
default build/playground); typed into the playground's own terminal they work too.
"""
import json
import os
import select
import signal
import socket
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
os.environ.setdefault("VYR_E2E_DIR", os.path.join(ROOT, "build", "playground"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo  # noqa: E402  (puts tests/e2e on the path)
import harness  # noqa: E402
import browser_bridge  # noqa: E402
import game_standin  # noqa: E402
import webview_standin  # noqa: E402

CONTROL = os.path.join(harness.STATE_DIR, "control.sock")
SHOTS = os.path.join(harness.STATE_DIR, "shots")
OVERLAY_PORT = 47632  # the default, so vyro and game-side scripts reach it as they are
NATIVE_VYRO = os.path.join(ROOT, "build", "native", "tools", "vyro", "vyro")
# The element a click means: a CSS selector that matches, else the innermost visible element
# whose text is the given text (or, failing that, holds it).
FIND = """((what) => {
    let found = null;
    try { found = document.querySelector(what); } catch (e) { /* not a selector */ }
    if (found) return found;
    const norm = (s) => s.replace(/\\s+/g, ' ').trim();
    const shown = [...document.querySelectorAll('body *')].filter(
        (e) => e.getClientRects().length && !e.closest('[hidden]'));
    for (const test of [(t) => t === norm(what), (t) => t.includes(norm(what))]) {
        const hits = shown.filter((e) => test(norm(e.textContent)));
        const inner = hits.find((e) => !hits.some((o) => o !== e && e.contains(o)));
        if (inner) return inner;
    }
    return null;
})(%s)"""


def missing():
    """What the playground needs and does not find: the kit's zip, the stand-ins, vyro."""
    needed = [demo.ZIP, game_standin.EXE, webview_standin.STANDIN_DLL,
              webview_standin.BROWSER_EXE, NATIVE_VYRO]
    return [p for p in needed if not os.path.exists(p)] + \
        ([] if browser_bridge.available() else ["Chromium and playwright-core"])


def shown(path):
    """A path as the kit maker typed it: relative inside the checkout."""
    inside = os.path.abspath(path).startswith(ROOT + os.sep)
    return os.path.relpath(path, ROOT) if inside else path


def stale_hint():
    """A word when kit/ changed after the zip was made: the playground runs the zip."""
    newest = max(os.path.getmtime(os.path.join(folder, name))
                 for folder, _, names in os.walk(os.path.join(ROOT, "kit")) for name in names)
    if newest > os.path.getmtime(demo.ZIP):
        print("playground: kit/ changed after %s was made; `python3 scripts/package.py` "
              "takes the changes in" % shown(demo.ZIP))


def ask(words):
    """Sends one command to the running playground and prints its answer."""
    if words[0] == "shot" and len(words) > 1:
        words = ["shot", os.path.abspath(words[1])]
    client = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        client.connect(CONTROL)
    except OSError:
        raise SystemExit("playground: none is running (no %s)" % CONTROL)
    client.sendall((" ".join(words) + "\n").encode("utf-8"))
    client.shutdown(socket.SHUT_WR)
    answer = b""
    while True:
        chunk = client.recv(4096)
        if not chunk:
            break
        answer += chunk
    client.close()
    text = answer.decode("utf-8").strip()
    print(text)
    return 0 if text.startswith("ok") else 1


class Playground:
    def __init__(self, run):
        self.run = run
        self.shots = 0
        self.ending = False

    def command(self, line):
        """One command's answer: "ok ..." or "error: ..."."""
        word, _, argument = line.strip().partition(" ")
        try:
            if word == "shot":
                return self.shot(argument.strip())
            if word == "click" and argument.strip():
                return self.click(argument.strip())
            if word == "quit":
                self.ending = True
                return "ok the playground ends"
        except (AssertionError, OSError, subprocess.SubprocessError) as failure:
            return "error: %s" % failure
        return "error: commands are shot [FILE], click TEXT|SELECTOR and quit"

    def shot(self, path):
        if not path:
            os.makedirs(SHOTS, exist_ok=True)
            self.shots += 1
            path = os.path.join(SHOTS, "shot-%s-%d.png" % (time.strftime("%H%M%S"), self.shots))
        demo.screenshot(path)
        return "ok " + path

    def click(self, what):
        box = self.run.screen_box(FIND % json.dumps(what))
        if box is None:
            return "error: no element with the CSS selector or text %r in the page" % what
        x, y = box[0] + box[2] // 2, box[1] + box[3] // 2
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"],
                       env=harness.wine_env(), check=True, timeout=30)
        return "ok clicked %r at %d,%d on the screen" % (what, x, y)

    def serve(self, server):
        """Answers commands from the socket and from a terminal until `quit` or the overlay's
        end (a `vyro bye`)."""
        typed = [sys.stdin] if sys.stdin.isatty() else []
        while not self.ending and self.run.process.running():
            for source in select.select([server] + typed, [], [], 0.5)[0]:
                if source is server:
                    connection, _ = server.accept()
                    with connection:
                        connection.settimeout(5)
                        line = connection.makefile("rb").readline().decode("utf-8", "replace")
                        connection.sendall((self.command(line) + "\n").encode("utf-8"))
                else:
                    line = sys.stdin.readline()
                    if not line:
                        typed = []  # the end of typed input; the socket still serves
                    elif line.strip():
                        print(self.command(line))
        if not self.run.process.running():
            print("playground: overlay_host ended (exit code %d)" % self.run.process.popen.poll())


def instructions(overlay_dir):
    vyro = shown(NATIVE_VYRO)
    log = os.path.join(overlay_dir, "vyr_overlay.log")
    print("""
playground: the kit from %(zip)s runs under Wine over the stand-in game, display %(display)s.
  overlay log:  %(log)s
  page files:   %(docs)s
From another terminal, as the game side: vyro sends from UDP port 47630, where the overlay's
answers go; while `listen` holds that port, send with --from 0.
  %(vyro)s listen                  # every datagram the overlay sends
  %(vyro)s --from 0 show "Quest pad"
  %(vyro)s --from 0 note '"Boss in 30 s"'
  %(vyro)s --from 0 hide           # or state, reload, window borderless, bye
The playground's own commands (typed here, they work too):
  bash scripts/playground.sh shot [FILE.png]         # a screenshot of the whole display
  bash scripts/playground.sh click Map               # a real click on the element with that text
  bash scripts/playground.sh click '#settings-open'  # ... or matching that CSS selector
  bash scripts/playground.sh quit                    # ends it all, as Ctrl+C here does
""" % {"zip": shown(demo.ZIP), "display": harness.wine_env()["DISPLAY"],
       "log": log, "docs": os.path.join(demo.GAME_DIR, "package", "Documents"), "vyro": vyro})


def main():
    sys.stdout.reconfigure(line_buffering=True)  # its lines as they come, into a file too
    lacking = missing()
    if lacking:
        raise SystemExit("playground: missing %s; `bash scripts/playground.sh` builds and "
                         "packages first" % ", ".join(lacking))
    probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    if probe.connect_ex(CONTROL) == 0:
        raise SystemExit("playground: one runs already (`bash scripts/playground.sh quit`)")
    probe.close()
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as port:
        try:
            port.bind(("127.0.0.1", OVERLAY_PORT))
        except OSError:
            raise SystemExit("playground: UDP port %d is taken (another overlay?)" % OVERLAY_PORT)
    stale_hint()
    # Ctrl+C and a plain kill end it the same way, through the clean-up below, even when a
    # shell started it in the background with interrupts ignored.
    signal.signal(signal.SIGINT, signal.default_int_handler)
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    server = run = None
    try:
        overlay_dir = demo.unpack_kit()
        print("playground: setting up Wine and a virtual display")
        harness.setup()
        run = demo.OverlayOverGame(overlay_dir, OVERLAY_PORT)
        if os.path.exists(CONTROL):
            os.remove(CONTROL)
        server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        server.bind(CONTROL)
        server.listen()
        instructions(overlay_dir)
        Playground(run).serve(server)
    except KeyboardInterrupt:
        print()
    finally:
        signal.signal(signal.SIGINT, signal.SIG_IGN)  # a second Ctrl+C must not cut this short
        print("playground: ending overlay_host, the stand-in game, the browser, Wine and Xvfb")
        if server:
            server.close()
            os.remove(CONTROL)
        if run:
            run.close()
        harness.cleanup()


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "check":
        lacking = missing()
        if lacking:
            print("playground: building and packaging first, as these are missing: " +
                  ", ".join(lacking))
        sys.exit(1 if lacking else 0)
    if len(sys.argv) > 1:
        sys.exit(ask(sys.argv[1:]))
    main()
