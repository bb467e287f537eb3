"""The launcher's actions, status query and server check under Wine, with the stand-in
WebView2 runtime as the page, the stand-in Windows PowerShell as the kit script and a local
HTTP server as the kit's server: the command lines the script gets, the page messages and
log lines, byte for byte."""
import json
import os
import re
import threading
import time
import unittest

import harness
import launcher_harness as lh
import launcher_standins
import webview_standin
from harness import wait_for

SWITCHES = "-NoProfile -NonInteractive -ExecutionPolicy Bypass -WindowStyle Hidden -File "
KEEP_SHA = "0123456789abcdefABCDEF0123456789abcdef0123456789abcdef0123456789"


def json_path(path):
    return harness.to_windows_path(path).replace("\\", "\\\\")


class ScriptTestCase(lh.LauncherTestCase):
    """One launcher with the stand-in page and the stand-in PowerShell in place."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.powershell = launcher_standins.PowerShell()

    @classmethod
    def tearDownClass(cls):
        cls.powershell.restore()

    def setUp(self):
        super().setUp()
        self.standins = []

    def tearDown(self):
        super().tearDown()
        for standin in self.standins:
            standin.close()

    def start(self, name, args=(), settings=None):
        self.folder, self.kit = lh.new_kit(name, settings=settings)
        self.log = os.path.join(self.kit, "launcher", "data", "launcher.log")
        self.page = webview_standin.StandIn(self.folder)
        self.standins.append(self.page)
        process = self.start_launcher(self.folder, args, env=self.page.env)
        self.page.wait_for_note("navigationStarting")
        self.window = self.wait_for_window()[0]
        self.mark = len(self.page.entries())
        return process

    def script_arguments(self, action, game=None, hosts=None):
        kit = harness.to_windows_path(self.kit)
        text = '%s"%s\\launcher\\actions.ps1" -Action %s -Kit "%s"' % (SWITCHES, kit, action, kit)
        if game:
            text += ' -Game "%s"' % game
        if hosts:
            text += ' -HostsFile "%s"' % hosts
        return text

    def posted(self):
        """What the launcher posted to the page since the last call."""
        entries = self.page.entries()
        out = [e.args[0] for e in entries[self.mark:]
               if e.kind == "call" and e.name == "webview.PostWebMessageAsJson"]
        return out

    def wait_for_posts(self, count, what):
        return wait_for(lambda: (lambda p: p if len(p) >= count else None)(self.posted()),
                        what, deadline=60)

    def request(self, message, replies=1):
        """Posts a request; returns the launcher's first `replies` messages after it."""
        self.mark = len(self.page.entries())
        self.assertEqual(self.page.post_json(message), 1)
        return self.wait_for_posts(replies, "%d replies to %s" % (replies, message))

    def log_texts(self):
        return lh.log_messages(self.log)[1:]


class StatusQuery(ScriptTestCase):
    def status(self, keep_sha=None):
        message = '{"cmd":"status"}' if keep_sha is None else \
            '{"cmd":"status","keepSha":"%s"}' % keep_sha
        calls = len(self.powershell.calls(self.kit))
        reply = self.request(message)
        self.assertEqual(len(reply), 1, reply)
        return reply[0], self.powershell.calls(self.kit)[calls:]

    def test_output_cut_at_the_first_brace_keep_hashes_and_long_output(self):
        self.start("status_output")
        self.powershell.plan(self.kit, "status", [
            "err WARNING: the module is old\\r\\n",
            'out {"installed":true,"path":"C:\\\\G \\xc3\\xa9","tab":"\\t"}\\r\\n'])
        reply, calls = self.status(KEEP_SHA)
        self.assertEqual(reply, '{"type":"status","raw":"{\\"installed\\":true,\\"path\\":'
                         '\\"C:\\\\G \u00e9\\",\\"tab\\":\\"\\t\\"}\\r\\n"}')
        program = launcher_standins.WINDOWS_SYSTEM_POWERSHELL
        self.assertEqual(len(calls), 1)
        self.assertEqual(calls[0]["commandLine"], '"%s" %s -KeepSha %s' % (
            program, self.script_arguments("status"), KEEP_SHA))
        self.assertEqual(calls[0]["argv"][-2:], ["-KeepSha", KEEP_SHA])
        self.assertEqual(calls[0]["cwd"].rstrip("\\"), harness.to_windows_path(self.folder))
        self.assertTrue(calls[0]["stdout"])

        for dropped in [KEEP_SHA[:63], KEEP_SHA + "0", KEEP_SHA[:63] + "g"]:
            reply, calls = self.status(dropped)
            self.assertEqual(calls[0]["commandLine"], '"%s" %s' % (
                program, self.script_arguments("status")), dropped)

        self.powershell.plan(self.kit, "status", ["out Error: no brace here\\r\\n"])
        reply, calls = self.status()
        self.assertEqual(reply, '{"type":"status","raw":""}')

        # Far more than one pipe read of 65536 bytes.
        self.powershell.plan(self.kit, "status", [
            "out noise\\r\\n", 'out {"pad":"', "outrepeat 20000 0123456789", 'out "}'])
        reply, calls = self.status()
        raw = json.loads(reply)["raw"]
        self.assertEqual(raw, '{"pad":"%s"}' % ("0123456789" * 20000))

        sizes = [re.fullmatch(r"status: (\d+) bytes in \d+ ms", t) for t in self.log_texts()
                 if t.startswith("status: ")]
        self.assertTrue(all(sizes), self.log_texts())
        self.assertEqual([int(m.group(1)) for m in sizes][-2:], [22, 7 + 8 + 200000 + 2])

    def test_the_script_is_waited_for_30_s_and_left_running(self):
        self.start("status_waits")
        self.powershell.plan(self.kit, "status", [
            'out {"early":1}', "closeout", "wait go", "mark released"])
        begin = time.monotonic()
        self.mark = len(self.page.entries())
        self.page.post_json('{"cmd":"status"}')
        reply = self.wait_for_posts(1, "the status after the wait")
        self.assertGreater(time.monotonic() - begin, 25)
        self.assertEqual(reply, ['{"type":"status","raw":"{\\"early\\":1}"}'])
        ms = int(re.fullmatch(r"status: 11 bytes in (\d+) ms", self.log_texts()[-1]).group(1))
        self.assertGreaterEqual(ms, 30000)
        self.assertFalse(self.powershell.marked(self.kit, "released"))
        self.powershell.release(self.kit, "go")
        wait_for(lambda: self.powershell.marked(self.kit, "released"), "the script going on")


class Actions(ScriptTestCase):
    def game(self, name="game"):
        game = os.path.join(self.folder, name)
        os.makedirs(os.path.join(game, "package", "patch_npk"), exist_ok=True)
        return game

    def act(self, action, game, extra=""):
        return '{"cmd":"act","action":"%s","game":"%s"%s}' % (action, json_path(game), extra)

    def test_log_lines_stream_while_the_script_runs_then_exit_and_result(self):
        self.start("action_stream")
        game = self.game("my game")
        run = harness.to_windows_path(os.path.join(game, "vyr_launcher", "run"))
        self.powershell.plan(self.kit, "install", [
            "log first line\\r\\n", "log a\\rb\\r", "wait go1",
            "log \\nthird \\\"q\\\" \\xc3\\xa9\\nunfinished", "wait go2",
            "logreset new\\n", "wait go3",
            "log last without line feed",
            'result \\xef\\xbb\\xbf{"ok":true,"note":"\\\\ \\xc3\\xa9"}', "exit 3"])
        posts = self.request(self.act("install", game))
        self.assertEqual(posts, ['{"type":"log","line":"first line"}'])
        # One action at a time; the running one goes on.
        self.assertEqual(self.request(self.act("repair", game)),
                         ['{"type":"done","ok":false,"why":"another action is still running"}'])
        self.powershell.release(self.kit, "go1")
        self.mark = len(self.page.entries())
        posts = self.wait_for_posts(2, "the next lines")
        self.assertEqual(posts[:2], ['{"type":"log","line":"a\\rb"}',
                                     '{"type":"log","line":"third \\"q\\" \u00e9"}'])
        self.powershell.release(self.kit, "go2")
        posts = self.wait_for_posts(3, "the rewritten log")
        self.assertEqual(posts[2], '{"type":"log","line":"new"}')
        self.powershell.release(self.kit, "go3")
        posts = self.wait_for_posts(4, "the end of the action")
        self.assertEqual(posts[3:], [
            '{"type":"done","action":"install","exit":3,'
            '"raw":"{\\"ok\\":true,\\"note\\":\\"\\\\ \u00e9\\"}"}'])

        arguments = self.script_arguments("install") + ' -RunDir "%s" -Game "%s"' % (
            run, harness.to_windows_path(game))
        self.assertEqual(self.log_texts()[-2:], [
            "action install: " + arguments, "action install: exit 3, result 25 bytes"])
        call = self.powershell.calls(self.kit)[-1]
        self.assertTrue(call["commandLine"].endswith(" " + arguments), call["commandLine"])
        self.assertEqual(call["cwd"].rstrip("\\"), harness.to_windows_path(self.folder))
        # The slot is free again.
        self.powershell.plan(self.kit, "repair", ["exit 0"])
        self.assertEqual(self.request(self.act("repair", game), 1),
                         ['{"type":"done","action":"repair","exit":0,"raw":""}'])

    def test_files_of_an_earlier_run_are_ignored_until_written_again(self):
        self.start("action_old_files")
        game = self.game()
        run = os.path.join(game, "vyr_launcher", "run")
        os.makedirs(run)
        log = os.path.join(run, "action.log")
        with open(log, "wb") as f:
            f.write(b"old line\n")
        os.utime(log, (1e9, 1e9))
        self.powershell.plan(self.kit, "uninstall", ["mark ran", "exit 0"])
        self.assertEqual(self.request(self.act("uninstall", game)),
                         ['{"type":"done","action":"uninstall","exit":0,"raw":""}'])
        self.assertEqual(self.log_texts()[-1], "action uninstall: exit 0, result 0 bytes")

        result = os.path.join(run, "result.json")
        with open(result, "wb") as f:
            f.write(b'{"old":true}')
        os.utime(result, (1e9, 1e9))
        self.powershell.plan(self.kit, "rookmere", ["log new line\\n", "exit 4294967295"])
        self.assertEqual(self.request(self.act(
            "rookmere", game, ',"keepSha":"%s","rookmereDownload":true' % KEEP_SHA), 3), [
            '{"type":"log","line":"old line"}', '{"type":"log","line":"new line"}',
            '{"type":"done","action":"rookmere","exit":4294967295,"raw":""}'])
        self.assertTrue(self.log_texts()[-2].endswith(
            ' -KeepSha %s -RookmereDownload -Game "%s"' % (
                KEEP_SHA, harness.to_windows_path(game))), self.log_texts()[-2])

    def test_sandbox_mode_passes_the_hosts_file_and_the_game_option_wins(self):
        hosts = os.path.join(harness.RUNS_DIR, "launcher", "actions_hosts")
        os.makedirs(os.path.dirname(hosts), exist_ok=True)
        with open(hosts, "w") as f:
            f.write("127.0.0.1 localhost\n")
        fixed = os.path.join(harness.RUNS_DIR, "launcher", "actions fixed game")
        os.makedirs(os.path.join(fixed, "package", "patch_npk"), exist_ok=True)
        self.start("action_sandbox", ["--hosts", harness.to_windows_path(hosts),
                                      "--game", harness.to_windows_path(fixed)])
        self.powershell.plan(self.kit, "repair", ["exit 0"])
        self.assertEqual(self.request(self.act("repair", self.game())),
                         ['{"type":"done","action":"repair","exit":0,"raw":""}'])
        fixed_win = harness.to_windows_path(fixed)
        run = fixed_win + "\\vyr_launcher\\run"
        self.assertEqual(self.log_texts()[-2], "action repair: " + self.script_arguments(
            "repair", fixed_win, harness.to_windows_path(hosts)) + ' -RunDir "%s"' % run)
        # Wine has no elevation prompt: "runas" and "open" both start the script at once with
        # the same administrator token, so the verb itself cannot be told apart here.
        self.assertEqual(len(self.powershell.calls(self.kit)), 1)


class MissingPowerShell(ScriptTestCase):
    def test_status_and_action_report_that_powershell_did_not_start(self):
        self.powershell.remove()
        try:
            self.start("missing_powershell")
            game = os.path.join(self.folder, "game")
            os.makedirs(os.path.join(game, "package", "patch_npk"))
            self.assertEqual(self.request('{"cmd":"status"}'), [
                '{"type":"status","raw":"","why":"Windows PowerShell could not be started"}'])
            self.assertRegex(self.log_texts()[-1], r"^status: 0 bytes in \d+ ms$")
            self.assertEqual(self.request(
                '{"cmd":"act","action":"install","game":"%s"}' % json_path(game)), [
                '{"type":"done","ok":false,"action":"install",'
                '"why":"it could not be started (error 2)"}'])
            self.assertEqual(self.log_texts()[-1], "action install: not started (2)")
        finally:
            self.powershell.install()


class ServerCheck(ScriptTestCase):
    STATUS = "/vyr/status"
    MANIFEST = "/vyr/update/pc/manifest"

    def setUp(self):
        super().setUp()
        self.server = launcher_standins.DocumentServer()

    def tearDown(self):
        try:
            super().tearDown()
        finally:
            self.server.close()

    def check(self, routes):
        self.server.routes = routes
        reply = self.request('{"cmd":"server"}')
        self.assertEqual(len(reply), 1, reply)
        return json.loads(reply[0]), reply[0], self.log_texts()[-1]

    def test_documents_codes_and_failures(self):
        self.start("server_check", settings=b'{"server":"127.0.0.1"}')
        body = '{"motd":"say \\"hi\\" \\\\ caf\u00e9\t\u0001"}'.encode("utf-8")
        reply, text, line = self.check({self.STATUS: (200, body), self.MANIFEST: (200, b"m1")})
        self.assertEqual(text[:len('{"type":"server","ok":true,"ms":')],
                         '{"type":"server","ok":true,"ms":')
        self.assertEqual(reply["status"], body.decode("utf-8"))
        self.assertEqual(reply["manifest"], "m1")
        self.assertEqual(text, '{"type":"server","ok":true,"ms":%d,"status":%s,"manifest":"m1"}' % (
            reply["ms"], '"{\\"motd\\":\\"say \\\\\\"hi\\\\\\" \\\\\\\\ caf\u00e9\\t\\u0001\\"}"'))
        self.assertRegex(line, r"^server 127\.0\.0\.1: status 200, manifest 200 \(2 bytes\), \d+ ms$")
        self.assertEqual(self.server.requests[-2:], [
            (self.STATUS, "VYR-Ferrowake-Launcher/1.0"),
            (self.MANIFEST, "VYR-Ferrowake-Launcher/1.0")])

        reply, text, line = self.check({self.MANIFEST: (200, b"only")})
        self.assertEqual((reply["ok"], reply["status"], reply["manifest"]), (True, "", "only"))
        self.assertRegex(line, r"^server 127\.0\.0\.1: status 404, manifest 200 \(4 bytes\), ")

        reply, text, line = self.check({self.STATUS: (404, b"gone"),
                                        self.MANIFEST: (500, b"broken!")})
        self.assertEqual(text, '{"type":"server","ok":false,"ms":%d,"status":"","manifest":""}'
                         % reply["ms"])
        self.assertRegex(line, r"^server 127\.0\.0\.1: status 404, manifest 500 \(7 bytes\), ")

    def test_refused_and_silent_servers(self):
        self.start("server_failures", settings=b'{"server":"127.0.0.1"}')
        self.server.close()
        reply, text, line = self.check({})
        self.assertEqual(text, '{"type":"server","ok":false,"ms":%d,"status":"","manifest":""}'
                         % reply["ms"])
        self.assertRegex(line, r"^server 127\.0\.0\.1: status 0, manifest 0 \(0 bytes\), \d+ ms$")

        self.server = launcher_standins.DocumentServer()
        self.server.routes = {self.STATUS: "hang", self.MANIFEST: "hang"}
        self.mark = len(self.page.entries())
        self.page.post_json('{"cmd":"server"}')
        reply = json.loads(self.wait_for_posts(1, "the timed-out check")[0])
        self.assertFalse(reply["ok"])
        self.assertGreaterEqual(reply["ms"], 11500)
        self.assertLess(reply["ms"], 20000)

    def test_no_server_configured(self):
        self.start("server_none")
        self.assertEqual(self.request('{"cmd":"server"}'),
                         ['{"type":"server","ok":false,"why":"no server in launcher.json"}'])
        self.assertEqual([t for t in self.log_texts() if t.startswith("server")], [])
        self.assertEqual(self.server.requests, [])


class PageBackAfterProcessFailure(ScriptTestCase):
    """The runtime's renderer or browser process fails while an action runs: the launcher
    brings its page back, and what the action said meanwhile reaches the new page after its
    hello, in order."""

    def game(self, name):
        game = os.path.join(self.folder, name)
        os.makedirs(os.path.join(game, "package", "patch_npk"), exist_ok=True)
        return game

    def fail_during(self, action, kind, recovered):
        """Starts the action, fails the process once its first line is on the page, lets the
        action end while the page is away, and returns what the page got after its hello."""
        self.powershell.plan(self.kit, action, [
            "log %s one\\n" % action, "wait go-%s" % action, "log %s two\\n" % action,
            'result {"ok":true}', "exit 0"])
        self.assertEqual(self.request('{"cmd":"act","action":"%s","game":"%s"}' % (
            action, json_path(self.game(action)))), ['{"type":"log","line":"%s one"}' % action])
        self.mark = len(self.page.entries())
        self.assertEqual(self.page.process_failed(kind)[3], 1)
        recovered()
        self.powershell.release(self.kit, "go-" + action)
        # Both messages are on their way to the page once the end is logged.
        wait_for(lambda: "action %s: exit 0, result 11 bytes" % action in self.log_texts(),
                 "the end of the %s" % action)
        self.page.ping()
        failed_at = self.mark
        self.assertEqual(self.posted(), [], "nothing goes to a page that is away")
        self.assertEqual(self.page.post_json('{"cmd":"hello"}'), 1)
        self.mark = failed_at
        return self.wait_for_posts(3, "the hello reply and what was kept")

    def hello_reply(self):
        return ('{"type":"hello","version":"1.0 (2026-10-13)","kit":"%s","server":"",'
                '"sandbox":false}' % json_path(self.kit))

    def test_renderer_and_browser_failures_bring_the_page_back_and_lose_nothing(self):
        self.start("process_failed")
        web = harness.to_windows_path(os.path.join(self.kit, "launcher", "web"))

        def reloaded():
            self.page.wait_for_call("webview.Reload")
        self.assertEqual(self.fail_during("install", "render-exited", reloaded), [
            self.hello_reply(), '{"type":"log","line":"install two"}',
            '{"type":"done","action":"install","exit":0,"raw":"{\\"ok\\":true}"}'])

        def recreated():
            wait_for(lambda: len(self.page.calls("webview.Navigate")) == 2, "a new page")
        self.assertEqual(self.fail_during("repair", "browser-exited", recreated), [
            self.hello_reply(), '{"type":"log","line":"repair two"}',
            '{"type":"done","action":"repair","exit":0,"raw":"{\\"ok\\":true}"}'])
        self.assertEqual(len(self.page.calls("loader.CreateCoreWebView2EnvironmentWithOptions")), 2)

        # An unresponsive renderer is only logged; the page keeps getting its messages.
        self.mark = len(self.page.entries())
        self.page.process_failed("render-unresponsive")
        self.assertEqual(self.request('{"cmd":"hello"}'), [self.hello_reply()])

        texts = [t for t in self.log_texts() if t.startswith("WebView2")]
        self.assertEqual(texts, [
            "WebView2 ready, page from " + web,
            "WebView2 render process exited; reloading the page",
            "WebView2 browser process exited; starting the page again",
            "WebView2 ready, page from " + web,
            "WebView2 process failed, kind 2"])
        self.assertEqual(self.close_and_wait(self.processes[-1], self.window["pid"]), 0)


class ExitWhileWorkersRun(ScriptTestCase):
    """The player closes the launcher while workers run: held open (scripts that wait, a
    server that never answers) or ending before, during or after the launcher shuts down."""

    ROUNDS = 6

    def setUp(self):
        super().setUp()
        self.server = launcher_standins.DocumentServer()

    def tearDown(self):
        try:
            super().tearDown()
        finally:
            self.server.close()

    def burst(self, message, count):
        for _ in range(count):
            self.assertEqual(self.page.post_json(message), 1)

    def started_scripts(self, count):
        wait_for(lambda: len(self.powershell.calls(self.kit)) >= count,
                 "%d scripts started" % count)

    def status_workers(self, answering):
        self.powershell.plan(self.kit, "status", ['out {"n":1}', "wait go", "out more"])
        self.burst('{"cmd":"status"}', 4)
        self.started_scripts(4)

    def server_workers(self, answering):
        requests = len(self.server.requests)
        if answering:
            self.server.routes = {"/vyr/status": (200, b"{}"),
                                  "/vyr/update/pc/manifest": (200, b"m" * 100000)}
        else:
            self.server.routes = {"/vyr/status": "hang"}
        self.burst('{"cmd":"server"}', 4)
        if not answering:
            wait_for(lambda: len(self.server.requests) >= requests + 4, "4 hanging requests")

    def action_worker(self, answering):
        game = os.path.join(self.folder, "game")
        os.makedirs(os.path.join(game, "package", "patch_npk"), exist_ok=True)
        self.powershell.plan(self.kit, "install", ["log first\\n", "wait go"] + [
            "log line %d\\n" % i for i in range(200)] + ["result {}", "exit 0"])
        self.assertEqual(self.page.post_json(
            '{"cmd":"act","action":"install","game":"%s"}' % json_path(game)), 1)
        self.started_scripts(1)
        self.wait_for_posts(1, "the first log line")

    def test_closing_during_each_kind_of_worker_exits_with_0(self):
        kinds = [self.status_workers, self.server_workers, self.action_worker]
        for round in range(self.ROUNDS * len(kinds)):
            start_workers = kinds[round % len(kinds)]
            # The held scripts go on at a different moment each round, so some end as the
            # launcher takes the close and shuts down; the server answers every other round.
            delay = (round // len(kinds)) * 0.5
            with self.subTest(round=round, kind=start_workers.__name__, delay=delay):
                process = self.start("exit_%d" % round, settings=b'{"server":"127.0.0.1"}')
                start_workers(round % 2 == 1)
                release = threading.Timer(delay, self.powershell.release, (self.kit, "go"))
                release.start()
                try:
                    self.assertEqual(self.close_and_wait(process, self.window["pid"]), 0)
                finally:
                    release.join()
                # Nothing a worker does after the close reaches the log.
                self.assertEqual(lh.log_messages(self.log)[-1], "exit")
                self.assertIn(("controller.Close",), self.page.calls("controller."))
                self.processes.remove(process)
                wait_for(lambda: not lh.launcher_windows(), "no launcher window left")


if __name__ == "__main__":
    unittest.main()
