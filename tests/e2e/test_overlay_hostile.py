"""overlay_host under Wine against hostile input from its two talkers: the page (the stand-in
WebView2 runtime) and any local process that can reach its UDP port. Each case gets the
overlay's own rule for it, and the overlay goes on answering afterwards."""
import os
import socket
import unittest

import harness
from harness import wait_for
from test_overlay_page import START_PAGE, PageTestCase

# The largest payload one IPv4 datagram can carry; a 65,535-byte one cannot be sent at all.
LARGEST = 65507


def bound_addresses(port):
    """The local IPv4 addresses of the UDP sockets bound to the port, from /proc."""
    found = []
    with open("/proc/net/udp") as f:
        for line in f.readlines()[1:]:
            address, hex_port = line.split()[1].split(":")
            if int(hex_port, 16) == port:
                found.append(socket.inet_ntoa(bytes.fromhex(address)[::-1]))
    return found


class PageInput(PageTestCase):
    def answers(self, kind):
        return [p for p in self.posted() if p.startswith('{"type":"%s"' % kind)]

    def test_printf_directives_in_page_log_texts_are_logged_as_written(self):
        self.start(game=False)
        self.ready_page()
        texts = ["%s%s%s%s%n", "%x %p %d %ls %S", "100%", "%%", "%*.*s %1$s %"]
        for text in texts:
            self.standin.post_json('{"type":"log","text":"%s"}' % text)
        self.standin.post_json('{"type":"log","text":"end"}')
        self.wait_for_line(lambda m: m == "page: end", "the last log line")
        self.assertEqual([m for m in self.log_messages() if m.startswith("page: ")],
                         ["page: " + t for t in texts] + ["page: end"])

    def test_file_names_beyond_the_two_settings_files_are_refused(self):
        self.start(game=False)
        outside = os.path.dirname(self.docs)
        self.ready_page()
        names = ["sub\\vyr_pad.json", "sub/vyr_pad.json", "..\\vyr_pad.json",
                 "../vyr_overlay.json", "C:vyr_pad.json", "Z:\\tmp\\vyr_pad.json",
                 "\\\\server\\share\\vyr_pad.json", "vyr_pad.json:x",
                 "vyr_pad.json::$DATA", "vyr_pad.json.", "vyr_pad.json ", "vyr_pad.json. . ",
                 " vyr_pad.json", "vyr_pad.json\\", "", "."]
        for name in names:
            escaped = name.replace("\\", "\\\\")
            self.standin.post_json('{"type":"save","file":"%s","text":"evil"}' % escaped)
            self.standin.post_json('{"type":"load","file":"%s"}' % escaped)
        self.standin.post_json('{"type":"save","file":"vyr_pad.json","text":"good"}')
        self.wait_posted('{"type":"saved","name":"vyr_pad.json","ok":true}')

        quoted = [n.replace("\\", "\\\\") for n in names]
        self.assertEqual(self.answers("saved")[:-1],
                         ['{"type":"saved","name":"%s","ok":false}' % n for n in quoted])
        self.assertEqual(self.answers("file"),
                         ['{"type":"file","name":"%s","ok":false,"text":""}' % n for n in quoted])
        self.assertEqual([m for m in self.log_messages() if m.startswith("save ")],
                         ["save %s: FAILED" % n for n in names] + ["save vyr_pad.json: ok"])
        # Nothing was written anywhere but the one allowed file, whole.
        self.assertEqual(sorted(os.listdir(self.docs)), ["vyr_keys.txt", "vyr_pad.json"])
        with open(os.path.join(self.docs, "vyr_pad.json"), "rb") as f:
            self.assertEqual(f.read(), b"good")
        for folder in (outside, os.path.dirname(outside)):
            self.assertFalse([f for f in os.listdir(folder) if "vyr_pad" in f or "vyr_overlay.json"
                              in f], folder)


    def test_messages_from_documents_of_other_origins_are_dropped(self):
        self.start(game=False)
        side = self.game_side()
        side.send("state")
        self.assertEqual(side.receive(), "VYRO state hidden")
        self.ready_page()
        hostile = ['{"type":"save","file":"vyr_pad.json","text":"stolen"}',
                   '{"type":"game","cmd":"buy","arg":"everything"}',
                   '{"type":"mode","mode":"active"}', '{"type":"log","text":"stranger"}']
        for source in ["https://vyr-overlay.example.evil.test/index.html",
                       "http://vyr-overlay.example/index.html",
                       "https://VYR-OVERLAY.example/index.html", "file:///C:/index.html"]:
            for message in hostile:
                self.assertEqual(self.standin.post_json(message, source=source), 1)
        # The page follows a link: it is no longer ours, whatever it posts.
        self.assertFalse(self.standin.navigate("https://evil.test/page.html"))
        for message in hostile:
            self.standin.post_json(message)
        self.assertFalse(self.standin.navigate(START_PAGE))
        self.standin.post_json('{"type":"log","text":"ours again"}')
        self.wait_for_line(lambda m: m == "page: ours again", "the page's own line")

        self.assertEqual(os.listdir(self.docs), ["vyr_keys.txt"])
        self.assertTrue(side.nothing_waiting())
        log = self.log_messages()
        self.assertFalse([m for m in log if m.startswith(("save ", "game: ", "mode "))
                          or m == "page: stranger"], log)


class DatagramInput(PageTestCase):
    def test_odd_sizes_zero_bytes_and_bad_utf8(self):
        self.start(game=False)
        side = self.game_side()
        self.ready_page()
        # Sizes 0, 4 and 5, junk of the largest size: ignored, and nothing after them is lost.
        for data in (b"", b"VYRO", b"VYRO ", b"\x00" * 5, b"x" * LARGEST,
                     b"VYRO " + b"\xff" * (LARGEST - 5), b"VYRO sta\x00te"):
            side.send(data)
        side.send(b"VYRO state\x00 and whatever follows the zero")
        self.assertEqual(side.receive(), "VYRO state hidden")

        # The largest datagram arrives whole.
        note = '"' + "n" * (LARGEST - len('VYRO note ""')) + '"'
        side.send(b"VYRO note " + note.encode())
        posted = wait_for(lambda: next((p for p in self.posted() if p.startswith(
            '{"type":"note"')), None), "the large note")
        self.assertEqual(posted, '{"type":"note","note":%s}' % note)
        self.assertEqual(side.receive(), "VYRO state passive")  # a note shows a hidden page

        # Bad UTF-8 in a pad or a note comes through as replacement characters.
        side.send(b"VYRO show a\xffb\xc3(c\xed\xa0\x80d")
        shown = wait_for(lambda: next((p for p in self.posted() if p.startswith(
            '{"type":"show"')), None), "the show message")
        self.assertTrue(shown.startswith('{"type":"show","pad":"a\ufffdb\ufffd(c'), shown)
        self.assertTrue(shown.endswith('d"}'), shown)
        self.assertNotIn("\udc80", shown)
        self.assertEqual(side.receive(), "VYRO state active")

        side.send("state")
        self.assertEqual(side.receive(), "VYRO state active")
        side.send("bye")
        self.assertEqual(self.process.wait(), 0)

    def test_the_port_is_reachable_on_loopback_127_0_0_1_only(self):
        self.start(game=False)
        side = self.game_side()
        self.assertEqual(bound_addresses(self.port), ["127.0.0.1"])
        # Another loopback address reaches nothing: its datagram goes unanswered while the
        # one sent after it to 127.0.0.1 is answered, and the answers arrive in order.
        side.socket.sendto(b"VYRO show elsewhere", ("127.0.0.2", self.port))
        side.send("state")
        self.assertEqual(side.receive(), "VYRO state hidden")
        self.assertTrue(side.nothing_waiting())
        self.assertNotIn("mode active", self.log_messages())


if __name__ == "__main__":
    unittest.main()
