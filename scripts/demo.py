"""The kit at work under Wine on a virtual display: the kit zip in dist/ unpacked into a stand-in
game folder, overlay_host.exe over the stand-in game of the tests, driven by vyro.exe from
the kit as a game-side script would. The kit's own overlay page runs in Debian's Chromium
behind the tests' stand-in WebView2 runtime, which is put beside the unpacked overlay (never
into dist/). A screenshot shows the page over the game."""
import json
import os
import shutil
import subprocess
import sys
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
os.environ.setdefault("VYR_E2E_DIR", os.path.join(ROOT, "build", "demo"))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import package  # noqa: E402
import harness  # noqa: E402
from browser_bridge import BrowserBridge  # noqa: E402
from game_standin import GameStandin  # noqa: E402
from launcher_standins import PowerShell, PwshRunner  # noqa: E402
from webview_standin import StandIn  # noqa: E402

DIST = os.environ.get("VYR_DIST_DIR", os.path.join(ROOT, "dist"))
ZIP = package.zip_path(ROOT, DIST)
GAME_DIR = os.path.join(harness.STATE_DIR, "game")
GAME_RECT = (120, 90, 800, 600)
NEWEST_NOTE_TEXT = "[...document.querySelectorAll('#note-list li[data-note] [data-note-text]')].pop()"
PAD = "Demo pad"
NOTE = '"Hello from vyro"'


def unpack_kit():
    """The zip unpacked into a fresh stand-in game folder, as a player does it."""
    shutil.rmtree(GAME_DIR, ignore_errors=True)
    os.makedirs(os.path.join(GAME_DIR, "package", "patch_npk"))
    with zipfile.ZipFile(ZIP) as archive:
        archive.extractall(GAME_DIR)
    return os.path.join(GAME_DIR, "overlay")


def vyro(overlay_dir, port, *args):
    exe = os.path.join(overlay_dir, "vyro.exe")
    done = subprocess.run(["wine", exe, "--port", str(port)] + list(args),
                          env=harness.wine_env(), stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    out = done.stdout.decode("utf-8", "replace").strip()
    print("  vyro %-34s -> exit %d%s" % (" ".join(args), done.returncode,
                                         (", " + out) if out else ""))
    if done.returncode != 0:
        raise SystemExit("demo: vyro failed: " + done.stderr.decode("utf-8", "replace"))
    return out


class OverlayOverGame:
    """overlay_host.exe of an unpacked kit over the stand-in game in owned mode, its page in
    Chromium behind the stand-in runtime (put beside this copy only); close() ends them all."""

    def __init__(self, overlay_dir, port):
        self.bridge = self.standin = self.game = self.process = None
        self.log = os.path.join(overlay_dir, "vyr_overlay.log")
        try:
            self.bridge = BrowserBridge()
            self.standin = StandIn(overlay_dir)  # replaces the SDK's loader in this copy only
            self.standin.env.update(self.bridge.env)
            self.game = GameStandin(rect=GAME_RECT)
            # Owned mode: Wine 8 draws no window of one process inside another's, so only an
            # owned overlay can be seen in a screenshot; the clicks work in both modes.
            self.process = harness.WinProcess(os.path.join(overlay_dir, "overlay_host.exe"),
                                              ["--port", str(port), "--mode", "owned"],
                                              env=self.standin.env)
            harness.wait_for(lambda: "page ready" in log_messages(self.log), "the page to load")
        except BaseException:
            self.close()
            raise

    def screen_box(self, element):
        """[left, top, width, height] on the screen of the element that the JavaScript
        expression `element` finds in the page, or None: its box as the browser lays it out,
        moved to where the stand-in placed the page window."""
        box = self.bridge.evaluate("""(() => { const e = %s; if (!e) return null;
            e.scrollIntoView({block: 'nearest'}); const r = e.getBoundingClientRect();
            return [r.left, r.top, r.width, r.height]; })()""" % element)
        if box is None:
            return None
        self.standin.wait_for_note("pageWindow")
        left, top = self.standin.notes("pageWindow")[-1][1:3]
        return [left + int(box[0]), top + int(box[1]), int(box[2]), int(box[3])]

    def close(self):
        for p in (self.process, self.game):
            if p:
                p.kill()
        if self.standin:
            self.standin.close()
        if self.bridge:
            self.bridge.close()


def main():
    if not os.path.exists(ZIP):
        raise SystemExit("demo: %s is missing; run python3 scripts/package.py first" % ZIP)
    overlay_dir = unpack_kit()
    exe = os.path.join(overlay_dir, "overlay_host.exe")
    log = os.path.join(overlay_dir, "vyr_overlay.log")
    shot = os.path.join(harness.STATE_DIR, "screenshot.png")
    print("demo: setting up Wine and a virtual display")
    harness.setup()
    run = None
    code = None
    lines = []
    try:
        port = harness.free_udp_port()
        run = OverlayOverGame(overlay_dir, port)
        print("demo: overlay_host runs over the stand-in game with its page; the game side speaks:")
        vyro(overlay_dir, port, "state")
        vyro(overlay_dir, port, "show", PAD)
        vyro(overlay_dir, port, "note", NOTE)
        harness.wait_for(lambda: any(m.startswith("cover off") for m in log_messages(log)),
                         "the cover to come off")
        harness.wait_for(lambda: "Hello from vyro" in run.bridge.evaluate(
            "document.getElementById('note-list').textContent"), "the note in the page")
        shoot_note(run, shot)
        vyro(overlay_dir, port, "state")
        vyro(overlay_dir, port, "bye")
        code = run.process.wait()
        lines = log_messages(log)
    finally:
        if run:
            run.close()
        harness.cleanup()
    launcher_shot = os.path.join(harness.STATE_DIR, "launcher.png")
    launcher_demo(launcher_shot)
    print()
    print("overlay_host ran under Wine over a stand-in game, ended by 'vyro bye' with exit "
          "code %d (%d log lines)." % (code, len(lines)))
    print("Stand-ins: the game (a plain window) and the WebView2 runtime (the kit's page runs in "
          "Debian's Chromium); the overlay, its page, the zip and vyro are the kit's own.")
    print("  kit folder: %s" % os.path.join(DIST, "vyr-kit"))
    print("  kit zip:    %s" % ZIP)
    print("  program:    %s (unpacked from the zip)" % exe)
    print("  log:        %s" % log)
    print("  screenshot: %s (the page over the game; owned mode, as Wine draws no child window "
          "of another process)" % shot)
    print("  launcher:   %s (its page in the middle of Install)" % launcher_shot)
    print("Launcher stand-ins: the WebView2 runtime (the kit's launcher page runs in Chromium) and "
          "Windows PowerShell: the status came from the kit's script in real PowerShell 7, the "
          "Install in the screenshot is played by the stand-in, held half-way.")


def launcher_demo(shot):
    """launcher.exe from the unpacked kit in sandbox mode: its page asks the kit's real script
    for the status, then the player clicks Install, shown whole while the action is half done:
    two of its four planned steps on the bar."""
    kit = GAME_DIR
    hosts = os.path.join(harness.STATE_DIR, "hosts")
    with open(hosts, "wb") as f:
        f.write(b"127.0.0.1 localhost\r\n")
    print("demo: the launcher from the kit, in sandbox mode")
    harness.setup()
    bridge = standin = process = runner = powershell = None
    try:
        bridge = BrowserBridge()
        runner = PwshRunner()
        powershell = PowerShell()
        powershell.run_real(kit, runner)
        standin = StandIn(kit)
        standin.env.update(bridge.env)
        process = harness.WinProcess(os.path.join(kit, "launcher.exe"),
                                     ["--hosts", harness.to_windows_path(hosts),
                                      "--game", harness.to_windows_path(kit)], env=standin.env)
        page_text = "document.getElementById('status-note').textContent"
        harness.wait_for(lambda: "Asking" not in bridge.evaluate(page_text), "the status",
                         deadline=120)
        print("  status from the kit's script: " + bridge.evaluate(page_text))
        powershell.run_plans(kit)
        game = harness.to_windows_path(kit)
        powershell.plan(kit, "install", [
            plan_log("install: kit %s, game %s (script 1.0, PowerShell 5.1)" % (game, game)),
            plan_log("plan: 4 steps, 9214 bytes to write"),
            plan_log("step 1/4: backed up package\\config\\user_scripts.ini to vyr_launcher\\backup"),
            plan_log("step 2/4: placed package\\config\\user_scripts.ini"),
            "wait go",
            plan_log("step 3/4: placed package\\script\\vyr_overlay.lua"),
            plan_log("step 4/4: pointed the game's host names at the kit's server"),
            plan_log("install: done"),
            'result {"ok":true,"action":"install","steps":[]}', "exit 0"])
        bridge.evaluate("document.getElementById('game').value = %s" %
                        json.dumps(harness.to_windows_path(kit)))
        x, y = bridge.evaluate("""(() => { const b = document.getElementById('install');
            b.scrollIntoView({block: 'center'}); const r = b.getBoundingClientRect();
            return [r.left + r.width / 2, r.top + r.height / 2]; })()""")
        left, top = standin.notes("pageWindow")[-1][1:3]
        subprocess.run(["xdotool", "mousemove", "--sync", str(left + int(x)), str(top + int(y)),
                        "click", "1"], env=harness.wine_env(), check=True)
        harness.wait_for(lambda: "Step 2 of 4" in bridge.evaluate(
            "document.getElementById('step').textContent"), "the progress in the page")
        shoot_bar(bridge, standin, shot)
        powershell.release(kit, "go")
        harness.wait_for(lambda: "done" in bridge.evaluate(
            "document.getElementById('log').textContent"), "the end of the action")
    finally:
        if process:
            process.kill()
        if standin:
            standin.close()
        if powershell:
            powershell.restore()
        for closing in (runner, bridge):
            if closing:
                closing.close()
        harness.cleanup()


def shoot_bar(bridge, standin, path):
    """The screen once the bar's fill, half the bar, has reached the window."""
    near_half = bridge.evaluate("""(() => { const r = document.getElementById('bar')
        .getBoundingClientRect(); return [r.left + r.width * 0.48, r.top + r.height / 2]; })()""")
    left, top = standin.notes("pageWindow")[-1][1:3]
    at = "%d,%d" % (left + int(near_half[0]), top + int(near_half[1]))

    def drawn():
        subprocess.run(["import", "-window", "root", "-display", harness.wine_env()["DISPLAY"],
                        path], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        pixel = subprocess.run(["convert", path, "-format", "%%[pixel:p{%s}]" % at, "info:"],
                               capture_output=True, text=True).stdout
        return "125,140,255" in pixel.replace(" ", "")  # the bar's accent colour
    harness.wait_for(drawn, "the bar on the screen")


def plan_log(text):
    """A stand-in PowerShell step that appends one line to action.log."""
    return "log " + text.replace("\\", "\\\\") + "\\r\\n"


def log_messages(log):
    return harness.messages(harness.read_log_lines(log)) if os.path.exists(log) else []


def screenshot(path):
    """The whole virtual display as a PNG."""
    subprocess.run(["import", "-window", "root", "-display", harness.wine_env()["DISPLAY"], path],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


def shoot_note(run, path):
    """The screen once the newest note's text is painted: the note exists in the document
    before its frame reaches the window, so its box must hold more than a flat colour."""
    box = harness.wait_for(lambda: run.screen_box(NEWEST_NOTE_TEXT), "the note's box")

    def painted():
        screenshot(path)
        colours = subprocess.run(["convert", path, "-crop", "%dx%d+%d+%d" % (box[2], box[3],
                                  box[0], box[1]), "-unique-colors", "-format", "%k", "info:"],
                                 capture_output=True, text=True, timeout=60).stdout.strip()
        return colours.isdigit() and int(colours) > 4
    harness.wait_for(painted, "the note's text on the screen")


if __name__ == "__main__":
    main()
