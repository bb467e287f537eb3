"""The kit at work under Wine on a virtual display: dist/vyr-kit.zip unpacked into a stand-in
game folder, overlay_host.exe over the stand-in game of the tests, driven by vyro.exe from
the kit as a game-side script would. The stand-in WebView2 runtime of the tests is put
beside the unpacked overlay (never into dist/); it does not render HTML, so this script plays
the page's part of the conversation through it. A screenshot shows the windows."""
import os
import shutil
import subprocess
import sys
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
os.environ.setdefault("VYR_E2E_DIR", os.path.join(ROOT, "build", "demo"))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import harness  # noqa: E402
from game_standin import GameStandin  # noqa: E402
from webview_standin import StandIn  # noqa: E402

DIST = os.environ.get("VYR_DIST_DIR", os.path.join(ROOT, "dist"))
ZIP = os.path.join(DIST, "vyr-kit.zip")
GAME_DIR = os.path.join(harness.STATE_DIR, "game")
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


def main():
    if not os.path.exists(ZIP):
        raise SystemExit("demo: %s is missing; run python3 scripts/package.py first" % ZIP)
    overlay_dir = unpack_kit()
    exe = os.path.join(overlay_dir, "overlay_host.exe")
    log = os.path.join(overlay_dir, "vyr_overlay.log")
    shot = os.path.join(harness.STATE_DIR, "screenshot.png")
    print("demo: setting up Wine and a virtual display")
    harness.setup()
    game = process = standin = None
    code = None
    lines = []
    try:
        standin = StandIn(overlay_dir)  # replaces the SDK's loader in this copy only
        game = GameStandin(rect=(120, 90, 800, 600))
        port = harness.free_udp_port()
        process = harness.WinProcess(exe, ["--port", str(port)], env=standin.env)
        standin.wait_for_call("webview.Navigate")
        harness.wait_for(lambda: any(c["class"] == "VYROverlayHost" and c["visible"]
                                     for c in game.children()), "the cover over the game")
        print("demo: overlay_host runs over the stand-in game; the game side speaks:")
        vyro(overlay_dir, port, "state")
        # What the reference page does once loaded, played through the stand-in runtime.
        standin.post_json('{"type":"ready"}')
        vyro(overlay_dir, port, "show", PAD)
        harness.wait_for(lambda: '{"type":"show","pad":"%s"}' % PAD in posted(standin),
                         "the show message at the page")
        vyro(overlay_dir, port, "note", NOTE)
        harness.wait_for(lambda: '{"type":"note","note":%s}' % NOTE in posted(standin),
                         "the note at the page")
        # Taken while the overlay's opaque cover should still lie on the game.
        subprocess.run(["import", "-window", "root", "-display", harness.wine_env()["DISPLAY"],
                        shot], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        standin.post_json('{"type":"cover","on":false}')
        standin.post_json('{"type":"region","rects":[{"x":20,"y":20,"w":360,"h":200}]}')
        harness.wait_for(lambda: any(m.startswith("cover off") for m in harness.messages(
            harness.read_log_lines(log))), "the cover to come off")
        vyro(overlay_dir, port, "state")
        vyro(overlay_dir, port, "bye")
        code = process.wait()
        lines = harness.messages(harness.read_log_lines(log))
        print("demo: the page got, through the stand-in runtime:")
        for text in posted(standin):
            print("  " + text)
    finally:
        for p in (process, game):
            if p:
                p.kill()
        if standin:
            standin.close()
        harness.cleanup()
    print()
    print("overlay_host ran under Wine over a stand-in game, ended by 'vyro bye' with exit "
          "code %d (%d log lines)." % (code, len(lines)))
    print("The stand-in WebView2 runtime does not render HTML: the screenshot shows the windows")
    print("only (the stand-in game, and the overlay's window on its client area as far as Wine")
    print("draws a layered child window), never the page.")
    print("  kit folder: %s" % os.path.join(DIST, "vyr-kit"))
    print("  kit zip:    %s" % ZIP)
    print("  program:    %s (unpacked from the zip)" % exe)
    print("  log:        %s" % log)
    print("  screenshot: %s" % shot)


def posted(standin):
    return [c[1] for c in standin.calls("webview.PostWebMessageAsJson")]


if __name__ == "__main__":
    main()
