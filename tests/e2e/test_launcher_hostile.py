"""Hostile page input against the launcher under Wine, with the stand-in WebView2 runtime as
the page and the stand-in Windows PowerShell as the kit script: paths and keep-hashes made to
break out of the script's command line, malformed messages and look-alike origins. Each is
answered as the page rules say and starts nothing it should not; the launcher keeps answering."""
import os
import shutil
import unittest

import harness
import launcher_harness as lh
import launcher_standins
import webview_standin
from harness import wait_for
from test_launcher_actions import KEEP_SHA, SWITCHES, ScriptTestCase

HOST = "launcher.vyr.example"
NOT_FOUND = '{"type":"done","ok":false,"why":"the game folder was not found"}'
NO_KIT = '{"type":"done","ok":false,"why":"no Rookmere kit was chosen"}'
DONE_INSTALL = '{"type":"done","action":"install","exit":0,"raw":""}'
DONE_ROOKMERE = '{"type":"done","action":"rookmere","exit":0,"raw":""}'

# Folder names that mean something to cmd.exe or PowerShell, all legal in Windows file names.
SHELL_NAMES = ["a&b", "%COMSPEC%", "x^y", "s;t", "$(calc)", "`whoami`", "it's", "two  blanks"]


def quoted_json(text):
    """A text as the inside of a JSON string (backslashes and quotes escaped)."""
    return text.replace("\\", "\\\\").replace('"', '\\"')


def prefix_processes():
    """Linux pids and command lines of the Wine processes of this test prefix."""
    found = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/environ" % name, "rb") as f:
                environ = f.read().split(b"\0")
            with open("/proc/%s/cmdline" % name, "rb") as f:
                cmdline = f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()
        except OSError:
            continue
        if ("WINEPREFIX=" + harness.PREFIX).encode() in environ:
            found[int(name)] = cmdline
    return found


class HostileTestCase(ScriptTestCase):
    def start(self, name, args=(), settings=None, env=None, cwd=None):
        """As the script tests start, with extra environment and a working folder."""
        self.folder, self.kit = lh.new_kit(name, settings=settings)
        self.log = os.path.join(self.kit, "launcher", "data", "launcher.log")
        self.page = webview_standin.StandIn(self.folder)
        self.standins.append(self.page)
        process = self.start_launcher(self.folder, args, env=dict(self.page.env, **(env or {})),
                                     cwd=cwd)
        self.page.wait_for_note("navigationStarting")
        self.window = self.wait_for_window()[0]
        self.mark = len(self.page.entries())
        return process

    def game(self, name):
        """A game folder (with its patch folder) under the program folder; its Windows path."""
        game = os.path.join(self.folder, name)
        os.makedirs(os.path.join(game, "package", "patch_npk"), exist_ok=True)
        return harness.to_windows_path(game)

    def calls(self):
        return self.powershell.calls(self.kit)

    def silent(self, message):
        """Posts a message; returns what the launcher posted back at once (after a ping)."""
        self.mark = len(self.page.entries())
        self.assertEqual(self.page.post_json(message), 1)
        self.page.ping()
        return self.posted()

    def refused(self, message, reply):
        """The message gets exactly that reply at once and no script is started."""
        before = len(self.calls())
        self.assertEqual(self.silent(message), [reply], message)
        self.assertEqual(len(self.calls()), before, message)

    def ran(self, message, done, extra_argv):
        """The message starts the script once; its arguments after the script's fixed ones are
        extra_argv, each one argument."""
        before = len(self.calls())
        self.assertEqual(self.request(message), [done], message)
        calls = self.calls()[before:]
        self.assertEqual(len(calls), 1, message)
        kit = harness.to_windows_path(self.kit)
        action = done.split('"action":"')[1].split('"')[0]
        self.assertEqual(calls[0]["argv"][1:], SWITCHES.split() + [
            kit + "\\launcher\\actions.ps1", "-Action", action, "-Kit", kit] + extra_argv,
            message)

    def page_still_answers(self):
        replies = self.silent('{"cmd":"hello"}')
        return len(replies) == 1 and replies[0].startswith('{"type":"hello",')


class HostilePaths(HostileTestCase):
    def test_game_folders_that_would_break_the_command_line_are_refused_or_passed_whole(self):
        self.start("hostile_game")
        self.powershell.plan(self.kit, "install", ["exit 0"])
        game = self.game("game")
        program = harness.to_windows_path(self.folder)
        # A game at the root of C: is refused by the length rule alone.
        root_game = os.path.join(harness.PREFIX, "drive_c", "package")
        os.makedirs(os.path.join(root_game, "patch_npk"), exist_ok=True)
        self.addCleanup(shutil.rmtree, root_game, True)

        refused = [
            "C:\\",
            "C:",
            "C:/",
            game + '" -Action uninstall -Kit "C:\\',
            game + '"',
            program + "\\a|b",
            "\\\\server\\share",
            "\\\\127.0.0.1\\c$",
            "//server/share",
            "\\\\?\\" + game,
            "\\\\.\\" + game,
            "\\??\\" + game,
            "..\\x",
            "C:game",
            "Z:",
            "",
            "game\\package\\..\\..\\nothing",
            program + "\\" + "a" * 1100,
        ] + [program + "\\missing " + name for name in SHELL_NAMES]
        for path in refused:
            self.refused('{"cmd":"act","action":"install","game":"%s"}' % quoted_json(path),
                         NOT_FOUND)

        # Legal names pass to the script as one argument each, with nothing expanded.
        for name in SHELL_NAMES:
            path = self.game(name)
            run = path + "\\vyr_launcher\\run"
            self.ran('{"cmd":"act","action":"install","game":"%s"}' % quoted_json(path),
                     DONE_INSTALL, ["-RunDir", run, "-Game", path])
        # A relative folder resolves against the working folder (the program folder here), the
        # way fullPath does, and reaches the script as that full path.
        self.ran('{"cmd":"act","action":"install","game":"game"}', DONE_INSTALL,
                 ["-RunDir", game + "\\vyr_launcher\\run", "-Game", game])
        self.ran('{"cmd":"act","action":"install","game":"%s"}' % quoted_json(
            program + "\\x\\..\\game\\"), DONE_INSTALL,
            ["-RunDir", game + "\\vyr_launcher\\run", "-Game", game])
        self.assertTrue(self.page_still_answers())

    def test_rookmere_sources_with_shell_characters_are_refused_or_passed_whole(self):
        self.start("hostile_rookmere")
        self.powershell.plan(self.kit, "rookmere", ["exit 0"])
        game = self.game("game")
        run = game + "\\vyr_launcher\\run"
        kits = os.path.join(self.folder, "kits")
        os.makedirs(kits)

        def rookmere(members):
            return '{"cmd":"act","action":"rookmere","game":"%s",%s}' % (quoted_json(game),
                                                                          members)

        for source in ['"rookmereDir":"%s"', '"rookmereZip":"%s"']:
            # A drive root keeps its backslash, which would escape the closing quote; it is
            # too short to pass.
            for path in ["\\\\server\\share\\kit", "..\\kits", "C:kits",
                         harness.to_windows_path(kits) + '\\"',
                         "C:\\", "Z:\\", "C:/",
                         harness.to_windows_path(kits) + '" -Action uninstall -x "',
                         harness.to_windows_path(kits) + "\\a|b.zip"]:
                self.refused(rookmere(source % quoted_json(path)), NO_KIT)
        # A folder given as zip or a zip given as folder is no kit either.
        zip_path = os.path.join(kits, "k&t %COMSPEC%.zip")
        open(zip_path, "wb").close()
        self.refused(rookmere('"rookmereDir":"%s"' % quoted_json(
            harness.to_windows_path(zip_path))), NO_KIT)
        self.refused(rookmere('"rookmereZip":"%s"' % quoted_json(
            harness.to_windows_path(kits))), NO_KIT)

        folder = os.path.join(kits, "a&b ^ $(calc)")
        os.makedirs(folder)
        self.ran(rookmere('"rookmereDir":"%s"' % quoted_json(harness.to_windows_path(folder))),
                 DONE_ROOKMERE, ["-RunDir", run, "-RookmereDir",
                                 harness.to_windows_path(folder), "-Game", game])
        self.ran(rookmere('"rookmereZip":"%s"' % quoted_json(harness.to_windows_path(zip_path))),
                 DONE_ROOKMERE, ["-RunDir", run, "-RookmereZip",
                                 harness.to_windows_path(zip_path), "-Game", game])
        self.assertTrue(self.page_still_answers())


class FolderOpening(HostileTestCase):
    """Under Wine the shell opens a folder by starting explorer.exe with its path, so what a
    folder request started shows in the prefix's processes."""

    WINE_SERVICES = ("services.exe", "winedevice.exe", "plugplay.exe", "svchost.exe",
                     "rpcss.exe", "explorer.exe /desktop")

    def opened(self, before):
        """The processes started since `before`, but for Wine's own services."""
        return {pid: line for pid, line in prefix_processes().items()
                if pid not in before and not any(s in line for s in self.WINE_SERVICES)}

    def open_and_close(self, path, expected):
        """A folder request that opens exactly `expected` in explorer; the window's process
        is ended by its id."""
        before = set(prefix_processes())
        self.assertEqual(self.silent('{"cmd":"folder","path":"%s"}' % quoted_json(path)), [])
        line = "C:\\windows\\system32\\explorer.exe " + expected
        started = wait_for(lambda: self.opened(before) or None, "explorer for %s" % expected)
        for pid in started:
            os.kill(pid, 9)
        wait_for(lambda: not set(started) & set(prefix_processes()), "explorer ended")
        self.assertEqual(list(started.values()), [line], path)

    def test_only_local_folders_open_and_only_as_folders(self):
        self.start("hostile_folder")
        program = harness.to_windows_path(self.folder)
        shells = os.path.join(self.folder, "a&b ^ $(calc)")
        os.makedirs(shells)
        open(os.path.join(self.folder, "note.txt"), "wb").close()
        before = set(prefix_processes())
        for path in [
                harness.to_windows_path(shells) + '" /select,"C:\\windows\\system32\\cmd.exe',
                harness.to_windows_path(shells) + '"',
                "C:\\windows\\system32\\cmd.exe",
                "C:\\windows\\system32\\calc.exe",
                program + "\\launcher.exe",
                program + "\\note.txt",
                "note.txt",
                "\\\\server\\share",
                "\\\\127.0.0.1\\c$",
                "\\\\?\\" + harness.to_windows_path(shells),
                "\\\\.\\" + harness.to_windows_path(shells),
                "//server/share",
                "steam://rungameid/5204417",
                "https://evil.test/",
                "file:///C:/windows",
                "shell:startup",
                "..\\x",
                "C:nothing",
                program + "\\a|b",
                program + "\\missing %COMSPEC%",
                program + "\\missing a&b ^ $(calc)",
                "C:\\",
                "C:",
                "",
                program + "\\" + "a" * 1100,
        ]:
            self.assertEqual(self.silent('{"cmd":"folder","path":"%s"}' % quoted_json(path)),
                             [], path)
        self.assertEqual(self.opened(before), {})

        # The requests above are handled in order on one thread, so had any of them started
        # something it would show by now, beside the first of these.
        self.open_and_close(harness.to_windows_path(shells), harness.to_windows_path(shells))
        self.assertEqual(self.opened(before), {})
        # A relative folder resolves against the working folder (the program folder here).
        self.open_and_close("a&b ^ $(calc)", harness.to_windows_path(shells))
        self.assertEqual(self.calls(), [])
        self.assertTrue(self.page_still_answers())

    # The shell expands environment variables in the file it opens (under Wine it calls
    # ExpandEnvironmentStringsW on it), so a folder named "%VAR%.exe" would start the program
    # "<value>.exe" beside it instead of opening itself. Such paths are never opened. Any
    # variable of the launcher's environment would serve; this one is the test's own. The
    # planted program is the stand-in PowerShell: without -Kit it records its start in
    # \standin of its working folder's drive, here C:.
    def test_a_folder_named_like_a_variable_starts_nothing(self):
        cwd = os.path.join(harness.PREFIX, "drive_c", "hostile_cwd")
        record = os.path.join(harness.PREFIX, "drive_c", "standin")
        for folder in [cwd, record]:
            shutil.rmtree(folder, ignore_errors=True)
            self.addCleanup(shutil.rmtree, folder, True)
        os.makedirs(cwd)
        os.makedirs(record)
        self.start("hostile_folder_variable", env={"VYR_HOSTILE": "planted"}, cwd=cwd)
        odd = os.path.join(self.folder, "%VYR_HOSTILE%.exe")
        os.makedirs(odd)
        plain = os.path.join(self.folder, "plain")
        os.makedirs(plain)
        shutil.copy2(launcher_standins.STANDIN_EXE, os.path.join(self.folder, "planted.exe"))
        marker = os.path.join(record, "calls.jsonl")
        before = set(prefix_processes())
        self.assertEqual(self.silent('{"cmd":"folder","path":"%s"}' % quoted_json(
            harness.to_windows_path(odd))), [])
        # Requests are handled in order on one thread: once the next one has opened its
        # folder, anything the first had started would be running too.
        self.open_and_close(harness.to_windows_path(plain), harness.to_windows_path(plain))
        self.assertEqual(self.opened(before), {})
        self.assertFalse(os.path.exists(marker))


class HostileKeepHashes(HostileTestCase):
    # Each is 64 bytes once the JSON string is read, or is no string at all.
    HOSTILE = [
        '"%s;"' % KEEP_SHA[:63],
        '"%s&calc"' % KEEP_SHA[:59],
        '"%s\\""' % KEEP_SHA[:63],
        '"%s$(calc)"' % KEEP_SHA[:57],
        '"%s`calc`"' % KEEP_SHA[:58],
        '"%s %s"' % (KEEP_SHA[:32], KEEP_SHA[33:]),
        '" %s"' % KEEP_SHA[1:],
        '"%s|x"' % KEEP_SHA[:62],
        '"%s%%COMSPEC%%"' % KEEP_SHA[:55],
        '"%sg"' % KEEP_SHA[:63],
        '"%s\\u0000"' % KEEP_SHA[:63],
        '"%s"' % ("\\uff10" * 21 + "a"),
        '"%s -Action uninstall"' % KEEP_SHA[:44],
        "true", "123", '["%s"]' % KEEP_SHA, '{"keepSha":"%s"}' % KEEP_SHA,
    ]

    def test_status_with_a_hostile_keep_hash_runs_without_it(self):
        self.start("hostile_status")
        self.powershell.plan(self.kit, "status", ['out {"s":1}'])
        program = launcher_standins.WINDOWS_SYSTEM_POWERSHELL
        plain = '"%s" %s' % (program, self.script_arguments("status"))
        for value in self.HOSTILE:
            message = '{"cmd":"status","keepSha":%s}' % value
            before = len(self.calls())
            self.assertEqual(self.request(message), ['{"type":"status","raw":"{\\"s\\":1}"}'],
                             message)
            calls = self.calls()[before:]
            self.assertEqual([c["commandLine"] for c in calls], [plain], message)
        # Escapes are undone before the check: what passes is the plain 64 digits.
        before = len(self.calls())
        self.request('{"cmd":"status","keepSha":"%s"}' % "".join(
            "\\u%04x" % ord(c) for c in KEEP_SHA))
        self.assertEqual([c["commandLine"] for c in self.calls()[before:]],
                         [plain + " -KeepSha " + KEEP_SHA])

    def test_action_with_a_hostile_keep_hash_runs_without_it(self):
        self.start("hostile_act_keep")
        self.powershell.plan(self.kit, "install", ["exit 0"])
        game = self.game("game")
        run = game + "\\vyr_launcher\\run"
        for value in self.HOSTILE[:6]:
            self.ran('{"cmd":"act","action":"install","game":"%s","keepSha":%s}' % (
                quoted_json(game), value), DONE_INSTALL, ["-RunDir", run, "-Game", game])
        self.ran('{"cmd":"act","action":"install","game":"%s","keepSha":"%s"}' % (
            quoted_json(game), KEEP_SHA), DONE_INSTALL,
            ["-RunDir", run, "-KeepSha", KEEP_SHA, "-Game", game])


class MalformedMessages(HostileTestCase):
    def test_malformed_messages_are_ignored_or_refused_and_the_launcher_goes_on(self):
        self.start("hostile_messages")
        self.powershell.plan(self.kit, "install", ["exit 0"])
        game = self.game("game")
        hello = self.silent('{"cmd":"hello"}')
        self.assertEqual(len(hello), 1)
        self.assertTrue(hello[0].startswith('{"type":"hello",'), hello)
        huge = "h" * 60000  # about the most one command datagram of the stand-in carries

        ignored = [
            "not json", "", " ", "{", "}", "null", "42", "[]", '"hello"',
            # What the runtime gives when the page posts a string rather than an object.
            '"{\\"cmd\\":\\"hello\\"}"',
            '["cmd","hello"]', '{"cmd":"unknown"}', '{"cmd":""}', '{"cmd":null}', '{"cmd":1}',
            '{"cmd":["hello"]}', '{"cmd":{"cmd":"hello"}}', '{"cmd":"HELLO"}',
            '{"cmd"\t:"hello"}', '{"cmd":"hel', '{"cmd":"hello\\u0000"}',
            '{"cmd":"hello\\ud800"}', '{"cmd":"\\udc00hello"}', '{"cmd":"hello\\',
            '{"cmd":"%s"}' % huge, '{"cmd":"%s"}' % ("\\ud800" * 9000),
            '{"cmd":"act"}', '{"cmd":"act","action":"Install","game":"%s"}' % quoted_json(game),
            '{"cmd":"act","action":"install ","game":"%s"}' % quoted_json(game),
            '{"cmd":"folder"}', '{"cmd":"folder","path":null}',
        ]
        for message in ignored:
            self.assertEqual(self.silent(message), [], message[:200])
        self.assertEqual(self.page.post_string('{"cmd":"hello"}'), 1)
        self.page.ping()

        # The lookup takes the first member anywhere and undoes escapes, so these are hello.
        for message in ['[{"cmd":"hello"}]', '{"cmd":"\\u0068ello"}', '{"cmd":"hello',
                        '{"x":{"cmd":"hello"},"cmd":"act"}',
                        '{"cmd":"hello","pad":"%s"}' % huge]:
            replies = self.silent(message)
            self.assertEqual(len(replies), 1, message[:200])
            self.assertEqual(replies, hello, message[:200])

        for message in [
                '{"cmd":"act","action":"install"}',
                '{"cmd":"act","action":"install","game":null}',
                '{"cmd":"act","action":"install","game":123}',
                '{"cmd":"act","action":"install","game":"%s"}' % huge,
                '{"cmd":"act","action":"install","game":"%s\\ud800"}' % quoted_json(game),
                '{"cmd":"act","action":"install","game":"%s\\udc00\\ud800"}' % quoted_json(game),
                '{"cmd":"act","action":"install","game":"%s\\\\\\ufffd"}' % quoted_json(game),
                '{"cmd":"act","action":"install","game":"C:\\\\nothing","game":"%s"}'
                % quoted_json(game)]:
            self.refused(message, NOT_FOUND)
        self.refused('{"cmd":"act","action":"rookmere","game":"%s"}' % quoted_json(game), NO_KIT)
        self.assertEqual(self.calls(), [])

        self.assertTrue(self.processes[0].running())
        self.assertEqual(self.silent('{"cmd":"hello"}'), hello)
        self.ran('{"cmd":"act","action":"install","game":"%s"}' % quoted_json(game),
                 DONE_INSTALL, ["-RunDir", game + "\\vyr_launcher\\run", "-Game", game])


class LookAlikeOrigins(HostileTestCase):
    def test_navigations_to_look_alike_origins_are_cancelled(self):
        self.start("hostile_navigation")
        for uri in [
                "http://%s/" % HOST,
                "https://%s.evil.test/" % HOST,
                "https://LAUNCHER.vyr.example/",
                "https://Launcher.vyr.example/index.html",
                "https://%s@evil.test/" % HOST,
                "https://%s:pw@evil.test/" % HOST,
                "https://%s:443/" % HOST,
                "https://%s." % HOST,
                "https://%s./index.html" % HOST,
                "https://%s\\@evil.test/" % HOST,
                "https://evil.test/%s/" % HOST,
                "https://evil.test/?https://%s/" % HOST,
                "https:/%s/" % HOST,
                "https:%s/" % HOST,
                "https//%s/" % HOST,
                " https://%s/" % HOST,
                "wss://%s/" % HOST,
                "blob:https://%s/1" % HOST,
                "view-source:https://%s/" % HOST,
                "javascript:location='https://%s/'" % HOST,
                "data:text/html,https://%s/" % HOST,
                "about:blank",
                "file:///C:/windows/win.ini",
                "",
        ]:
            self.assertTrue(self.page.navigate(uri), uri)
            self.assertTrue(self.page.new_window(uri), uri)
        self.assertFalse(self.page.navigate("https://%s/index.html?x=%%COMSPEC%%&y=1" % HOST))
        self.assertFalse(self.page.navigate("https://%s/@evil.test/" % HOST))
        self.assertEqual(self.calls(), [])
        self.assertEqual(self.page.calls("webview.Navigate"),
                         [("webview.Navigate", "https://%s/index.html" % HOST)])
        self.assertTrue(self.page_still_answers())


if __name__ == "__main__":
    unittest.main()
