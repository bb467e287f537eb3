"""A player installs, repairs and removes the kit: the real launcher.exe under Wine with the
kit's real launcher page in Chromium (the browser-backed stand-in web view), the kit's real
script in real PowerShell 7 (the stand-in powershell.exe's real mode), over a stand-in game
folder in sandbox mode, worked with real clicks and typing into the X display."""
import hashlib
import json
import os
import subprocess
import unittest

import browser_bridge
import harness
import launcher_harness as lh
import launcher_standins
import test_launcher_script
import webview_standin
from browser_bridge import BrowserBridge
from harness import wait_for

KIT_WEB = os.path.join(harness.SOURCE_DIR, "kit", "launcher", "web")
HOSTS = test_launcher_script.HOSTS
PLACED = os.path.join("package", "config", "user_scripts.ini")


@unittest.skipUnless(browser_bridge.available(), "Chromium and playwright-core are not installed")
class LauncherJourney(test_launcher_script.RealScriptTestCase):
    def setUp(self):
        super().setUp()
        self.bridge = BrowserBridge()
        self.addCleanup(self.bridge.close)
        self.server = launcher_standins.DocumentServer()
        self.addCleanup(self.server.close)
        self.server.routes = {"/vyr/status": (200, b'{"state":"up"}'),
                              "/vyr/update/pc/manifest": (200, b'{"files":[]}')}

    def text(self, selector):
        return self.bridge.evaluate("document.querySelector(%s).textContent" % json.dumps(selector))

    def click(self, selector):
        """A real click in the middle of the element, once it can be clicked."""
        box = wait_for(lambda: self.bridge.evaluate("""(() => {
            const e = document.querySelector(%s);
            if (!e || e.disabled || !e.getClientRects().length) return null;
            e.scrollIntoView({block: 'center'});
            const r = e.getBoundingClientRect();
            return [r.left + r.width / 2, r.top + r.height / 2]; })()""" % json.dumps(selector)),
            "%s to be clickable" % selector)
        self.page.wait_for_note("pageWindow")
        left, top = self.page.notes("pageWindow")[-1][1:3]
        subprocess.run(["xdotool", "mousemove", "--sync", str(left + int(box[0])),
                        str(top + int(box[1])), "click", "1"],
                       env=harness.wine_env(), check=True, timeout=30)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "20", text], env=harness.wine_env(),
                       check=True, timeout=60)

    def act(self, button, action):
        """Clicks the action's button; returns the page's progress lines once it says done."""
        posts_before = len(self.page.calls("webview.PostWebMessageAsJson"))
        self.click(button)
        wait_for(lambda: any(json.loads(c[1]).get("type") == "done" for c in
                             self.page.calls("webview.PostWebMessageAsJson")[posts_before:]),
                 "the done of %s" % action, deadline=120)
        replies = [json.loads(c[1]) for c in
                   self.page.calls("webview.PostWebMessageAsJson")[posts_before:]]
        kinds = [r["type"] for r in replies if r["type"] in ("log", "done")]
        # Progress came as it went: log messages before the done, which is the last of them.
        self.assertGreater(kinds.index("done"), 0, kinds)
        wait_for(lambda: self.text("#log").strip().endswith("%s: done" % action),
                 "the page's progress to end with %s: done" % action)
        # The bar counted the script's planned steps to the end.
        wait_for(lambda: self.bridge.evaluate(
            "document.getElementById('bar').getAttribute('aria-valuenow')") == "100", "a full bar")
        lines = self.text("#log").strip().splitlines()
        steps = [int(line.split()[1]) for line in lines if line.startswith("plan: ")]
        self.assertEqual(self.text("#step"), "All %d steps done." % steps[0] if steps[0] else "Done.")
        return lines

    def status_text(self):
        return self.text("#status-note") + " " + self.text("#status")

    def test_install_repair_keep_and_uninstall(self):
        hosts = os.path.join(harness.RUNS_DIR, "launcher", "journey hosts")
        os.makedirs(os.path.dirname(hosts), exist_ok=True)
        with open(hosts, "wb") as f:
            f.write(HOSTS.encode())
        self.folder, self.kit = lh.new_kit("journey [1]", settings=b'{"server":"127.0.0.1"}')
        self.log = os.path.join(self.kit, "launcher", "data", "launcher.log")
        self.unpack_kit()
        before = test_launcher_script.snapshot(self.kit)
        self.powershell.run_real(self.kit, self.runner)
        self.page = webview_standin.StandIn(self.folder)
        self.standins.append(self.page)
        self.page.env.update(self.bridge.env)
        self.start_launcher(self.folder, ["--hosts", harness.to_windows_path(hosts),
                                          "--web", harness.to_windows_path(KIT_WEB)],
                            env=self.page.env)

        # The page opens and shows the status: not installed; the server check answers.
        wait_for(lambda: "not installed" in self.status_text().lower(), "the status: not installed",
                 deadline=120)
        wait_for(lambda: self.text("#server-state") == "Server: reachable", "the server's answer")
        self.assertEqual(self.text("#badge"), "Not installed")
        self.assertEqual(self.bridge.evaluate(
            "document.querySelector('#primary-slot button').id"), "install")

        # The page offers the folder the script looked at (here as Linux names it); the player
        # types over it.
        self.click("#game")
        offered = len(self.bridge.evaluate("document.getElementById('game').value"))
        subprocess.run(["xdotool", "key", "End", "key", "--repeat", str(offered), "BackSpace"],
                       env=harness.wine_env(), check=True, timeout=60)
        self.type(harness.to_windows_path(self.kit))
        typed = lambda: self.bridge.evaluate("document.getElementById('game').value")
        wait_for(lambda: typed() == harness.to_windows_path(self.kit),
                 "the typed game folder (so far %r)" % typed())
        lines = self.act("#install", "install")
        self.assertIn("install: done", lines)
        self.assertGreater(len(lines), 2, lines)
        wait_for(lambda: self.text("#badge") == "Installed", "the status: installed")
        self.assertEqual(self.bridge.evaluate(
            "document.querySelector('#primary-slot button').id"), "play")
        with open(hosts, "rb") as f:
            self.assertIn(b"news.cindergale.example", f.read())

        # A placed file changed on disk: Repair puts it back.
        placed = os.path.join(self.kit, PLACED)
        with open(placed, "rb") as f:
            good = f.read()
        with open(placed, "ab") as f:
            f.write(b"changed by hand\r\n")
        self.click("#refresh")
        wait_for(lambda: "user_scripts.ini" in self.text("#status"), "the changed file listed")
        self.assertEqual(self.text("#badge"), "Changed files")
        self.act("#repair", "repair")
        wait_for(lambda: "Put back:" in self.text("#result"), "what Repair put back")
        self.assertIn("user_scripts.ini", self.text("#result"))
        with open(placed, "rb") as f:
            self.assertEqual(f.read(), good)

        # The player keeps a changed file: Repair leaves it as it is.
        with open(placed, "ab") as f:
            f.write(b"mine\r\n")
        with open(placed, "rb") as f:
            mine = f.read()
        self.click("#refresh")
        keep = '#status button.keep[title="SHA-256 %s"]' % hashlib.sha256(mine).hexdigest()
        self.click(keep)
        wait_for(lambda: self.text(keep) == "Let Repair put it back", "the file marked as kept")
        self.act("#repair", "repair")
        with open(placed, "rb") as f:
            self.assertEqual(f.read(), mine)

        # Uninstall: the game folder and the hosts file are as before.
        self.act("#uninstall", "uninstall")
        self.assertEqual(test_launcher_script.snapshot(self.kit), before)
        with open(hosts, "rb") as f:
            self.assertEqual(f.read(), HOSTS.encode())


if __name__ == "__main__":
    unittest.main()
