"""Tests for testserver.py.

Run with:  cd tools && python3 -m unittest -v test_testserver

Most tests run the server in this process on a free port with a fresh
temporary root and log, and talk to it with http.client or, where the exact
bytes on the wire matter (a body cut short, a connection closed or kept),
with a raw socket. One class runs the script as a subprocess to check the
command line, the port file and the clean exit on SIGTERM/SIGINT.
Every test checks in tearDown that no server thread is left running.
"""

import http.client
import json
import os
import random
import resource
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from unittest import mock
from urllib.parse import quote, urlsplit

import testserver

HERE = os.path.dirname(os.path.abspath(__file__))

# File content where every offset holds a different-looking byte sequence,
# so a wrong slice cannot pass for the right one.
DATA = random.Random(7).randbytes(3000)
SIZE = len(DATA)
SECRET = b"outside the root\n"


def parse_response(raw: bytes):
    """Split one raw HTTP response into (status, headers, body); headers is
    a dict keyed by lower-case name."""
    head, separator, body = raw.partition(b"\r\n\r\n")
    if not separator:
        raise AssertionError(f"no end of headers in {raw[:200]!r}")
    lines = head.decode("latin-1").split("\r\n")
    status = int(lines[0].split()[1])
    headers = {}
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers[name.strip().lower()] = value.strip()
    return status, headers, body


class ServerTestCase(unittest.TestCase):
    """Starts an in-process server on a temporary root:

        root/a.bin           DATA
        root/page.html       root/notes.txt     root/noext
        root/sub/inner.txt
        secret.txt           next to the root, must never be served
    """

    def setUp(self):
        self.threads_before = set(threading.enumerate())
        temp = tempfile.TemporaryDirectory()
        self.addCleanup(temp.cleanup)
        self.temp = temp.name
        self.root = os.path.join(self.temp, "root")
        os.makedirs(os.path.join(self.root, "sub"))
        self.files = {
            "/a.bin": DATA,
            "/page.html": b"<html><body>page</body></html>\n",
            "/notes.txt": b"some notes\n",
            "/noext": b"no extension\n",
            "/sub/inner.txt": b"inner\n",
        }
        for path, content in self.files.items():
            with open(os.path.join(self.root, path.lstrip("/")), "wb") as f:
                f.write(content)
        with open(os.path.join(self.temp, "secret.txt"), "wb") as f:
            f.write(SECRET)
        self.log_path = os.path.join(self.temp, "requests.log")
        self.server = testserver.LocalTestServer(self.root, 0, self.log_path).start()

    def tearDown(self):
        started = time.monotonic()
        self.server.stop()
        self.assertLess(time.monotonic() - started, 3, "stop() took too long")
        leftover = [t for t in threading.enumerate() if t not in self.threads_before]
        self.assertEqual(leftover, [], "server threads still running after stop()")

    # -- helpers ----------------------------------------------------------

    def fetch(self, path, headers=None, method="GET"):
        """One request on a new connection: (status, headers, body)."""
        conn = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=5)
        try:
            conn.request(method, path, headers=headers or {})
            response = conn.getresponse()
            return response.status, response.headers, response.read()
        finally:
            conn.close()

    def get(self, path, headers=None):
        """(status, body) of a GET."""
        status, _, body = self.fetch(path, headers)
        return status, body

    def raw_exchange(self, data: bytes) -> bytes:
        """Send raw bytes on a new connection and return everything the
        server sends until it closes the connection. A server that keeps
        the connection open makes this fail with a timeout."""
        with socket.create_connection(("127.0.0.1", self.server.port), timeout=5) as sock:
            sock.sendall(data)
            chunks = []
            while True:
                chunk = sock.recv(65536)
                if not chunk:
                    return b"".join(chunks)
                chunks.append(chunk)

    def raw_get(self, target, extra_headers="", method="GET"):
        """A GET (or other method) for `target` sent byte for byte, asking
        the server to close afterwards: parsed (status, headers, body)."""
        request = (f"{method} {target} HTTP/1.1\r\nHost: test\r\n{extra_headers}"
                   "Connection: close\r\n\r\n")
        return parse_response(self.raw_exchange(request.encode("latin-1")))

    def control(self, command, expect_status=200):
        status, _, body = self.fetch("/_control/" + command)
        self.assertEqual(status, expect_status, body)
        return body

    def set_rule(self, path, **options):
        query = "&".join(f"{name}={quote(str(value), safe='')}"
                         for name, value in [("path", path)] + list(options.items()))
        self.control("set?" + query)

    def read_log_file(self):
        with open(self.log_path, "rb") as f:
            return f.read().decode("latin-1")


class FileServingTest(ServerTestCase):

    def test_get_serves_file_with_headers(self):
        cases = [  # path, Content-Type
            ("/a.bin", "application/octet-stream"),
            ("/page.html", "text/html"),
            ("/notes.txt", "text/plain"),
            ("/noext", "application/octet-stream"),
            ("/sub/inner.txt", "text/plain"),
        ]
        for path, content_type in cases:
            with self.subTest(path=path):
                status, headers, body = self.fetch(path)
                self.assertEqual(status, 200)
                self.assertEqual(body, self.files[path])
                self.assertEqual(headers["Content-Length"], str(len(self.files[path])))
                self.assertEqual(headers["Content-Type"], content_type)
                self.assertEqual(headers["Accept-Ranges"], "bytes")

    def test_query_string_is_ignored_for_the_file(self):
        status, _, body = self.fetch("/a.bin?attempt=2&x=%2F")
        self.assertEqual((status, body), (200, DATA))

    def test_percent_encoded_path(self):
        status, _, body = self.fetch("/sub%2Finner%2Etxt")
        self.assertEqual((status, body), (200, self.files["/sub/inner.txt"]))

    def test_head_sends_headers_only(self):
        status, headers, body = self.fetch("/a.bin", method="HEAD")
        self.assertEqual(status, 200)
        self.assertEqual(headers["Content-Length"], str(SIZE))
        self.assertEqual(headers["Accept-Ranges"], "bytes")
        self.assertEqual(body, b"")
        # On the wire: a HEAD then a GET on one connection. If the HEAD sent
        # any body bytes, the second response would not start right after
        # the first one's headers.
        raw = self.raw_exchange(b"HEAD /notes.txt HTTP/1.1\r\nHost: test\r\n\r\n"
                                b"GET /page.html HTTP/1.1\r\nHost: test\r\nConnection: close\r\n\r\n")
        first_head, _, rest = raw.partition(b"\r\n\r\n")
        self.assertIn(b"Content-Length: %d" % len(self.files["/notes.txt"]), first_head)
        self.assertTrue(rest.startswith(b"HTTP/1.1 200 "), rest[:40])
        self.assertEqual(parse_response(rest)[2], self.files["/page.html"])

    def test_keep_alive_reuses_the_connection(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=5)
        try:
            conn.request("GET", "/a.bin")
            response = conn.getresponse()
            self.assertEqual(response.headers["Connection"], "keep-alive")
            self.assertEqual(response.read(), DATA)
            sock = conn.sock
            self.assertIsNotNone(sock)  # http.client drops it when told to close
            for path in ("/notes.txt", "/missing", "/a.bin"):
                conn.request("GET", path, headers={"Range": "bytes=10-"})
                response = conn.getresponse()
                response.read()
                self.assertIs(conn.sock, sock, f"connection not reused after {path}")
        finally:
            conn.close()

    def test_connection_closed_when_client_asks(self):
        # raw_exchange only returns if the server closes the connection.
        cases = [
            b"GET /noext HTTP/1.1\r\nHost: test\r\nConnection: close\r\n\r\n",
            b"GET /noext HTTP/1.0\r\n\r\n",
        ]
        for request in cases:
            with self.subTest(request=request):
                status, headers, body = parse_response(self.raw_exchange(request))
                self.assertEqual((status, body), (200, self.files["/noext"]))
                self.assertEqual(headers["connection"], "close")

    def test_ranges(self):
        cases = [  # Range header, expected status, (first, last) served for 206
            ("bytes=100-", 206, (100, SIZE - 1)),
            ("bytes=0-0", 206, (0, 0)),
            ("bytes=100-199", 206, (100, 199)),
            ("bytes=2990-5000", 206, (2990, SIZE - 1)),   # end clipped to the file
            (f"bytes={SIZE - 1}-", 206, (SIZE - 1, SIZE - 1)),
            ("bytes=-10", 206, (SIZE - 10, SIZE - 1)),
            (f"bytes={SIZE}-", 416, None),
            (f"bytes={SIZE + 5}-", 416, None),
            (f"bytes={SIZE}-{SIZE + 10}", 416, None),
            ("bytes=200-100", 200, None),                 # malformed: whole file
            ("bytes=0-1,5-6", 200, None),                 # several ranges: whole file
            ("items=0-5", 200, None),
        ]
        for range_header, expected_status, span in cases:
            with self.subTest(range=range_header):
                status, headers, body = self.fetch("/a.bin", {"Range": range_header})
                self.assertEqual(status, expected_status)
                self.assertEqual(headers["Accept-Ranges"], "bytes")
                self.assertEqual(headers["Content-Length"], str(len(body)))
                if status == 206:
                    first, last = span
                    self.assertEqual(body, DATA[first:last + 1])
                    self.assertEqual(headers["Content-Range"], f"bytes {first}-{last}/{SIZE}")
                elif status == 416:
                    self.assertEqual(headers["Content-Range"], f"bytes */{SIZE}")
                    self.assertNotEqual(body, DATA)
                else:
                    self.assertEqual(body, DATA)
                    self.assertIsNone(headers["Content-Range"])

    def test_missing_file_and_folder_give_404(self):
        for path in ("/missing.bin", "/sub", "/sub/", "/", "/a.bin/x"):
            with self.subTest(path=path):
                status, headers, body = self.fetch(path)
                self.assertEqual(status, 404)
                self.assertEqual(headers["Content-Length"], str(len(body)))

    def test_paths_leaving_the_root_give_404(self):
        os.symlink(os.path.join(self.temp, "secret.txt"), os.path.join(self.root, "link.txt"))
        targets = ["/../secret.txt", "/sub/../../secret.txt", "/%2e%2e/secret.txt",
                   "/..%2fsecret.txt", "/sub/%2E%2E/%2E%2E/secret.txt", "/link.txt",
                   "//" + os.path.join(self.temp, "secret.txt").lstrip("/")]
        for target in targets:
            with self.subTest(target=target):
                status, _, body = self.raw_get(target)
                self.assertEqual(status, 404)
                self.assertNotIn(SECRET, body)
        # ".." that stays inside the root is fine: the refusal is about
        # leaving the root, not about the dots.
        status, _, body = self.raw_get("/sub/../a.bin")
        self.assertEqual((status, body), (200, DATA))

    def test_other_methods_refused(self):
        status, headers, _ = self.raw_get("/a.bin", method="DELETE")
        self.assertEqual(status, 405)
        self.assertEqual(headers["allow"], "GET, HEAD")
        self.assertTrue(os.path.exists(os.path.join(self.root, "a.bin")))


class RequestLogTest(ServerTestCase):

    def test_log_block_holds_request_line_and_headers_as_received(self):
        request = (b"GET /a.bin?attempt=2&from=%20x HTTP/1.1\r\n"
                   b"Host: 127.0.0.1\r\n"
                   b"x-lower-case: Value  With  Spaces\r\n"
                   b"Range:bytes=5-\r\n"
                   b"Connection: close\r\n\r\n")
        self.raw_exchange(request)
        self.control("set?path=/notes.txt&status=500")     # control requests ...
        self.control("reset")                              # ... are not logged
        self.fetch("/missing.txt", {"X-Test": "2"})
        expected = ("\n".join([">>> GET /a.bin?attempt=2&from=%20x HTTP/1.1",
                               "Host: 127.0.0.1",
                               "x-lower-case: Value  With  Spaces",
                               "Range:bytes=5-",
                               "Connection: close"]) + "\n\n"
                    ">>> GET /missing.txt HTTP/1.1\n"
                    f"Host: 127.0.0.1:{self.server.port}\n"
                    "Accept-Encoding: identity\n"
                    "X-Test: 2\n\n")
        # The file is read while the server runs: blocks must be flushed.
        self.assertEqual(self.read_log_file(), expected)
        self.assertEqual(self.control("log").decode("latin-1"), expected)
        # Reading the log was not logged either.
        self.assertEqual(self.control("log").decode("latin-1"), expected)

    def test_clearlog_empties_memory_and_file(self):
        self.fetch("/a.bin")
        self.fetch("/notes.txt")
        self.control("clearlog")
        self.assertEqual(self.control("log"), b"")
        self.assertEqual(self.read_log_file(), "")
        self.fetch("/page.html")
        for text in (self.control("log").decode("latin-1"), self.read_log_file()):
            self.assertTrue(text.startswith(">>> GET /page.html HTTP/1.1\n"), text)
            self.assertEqual(text.count(">>> "), 1)

    def test_request_is_logged_before_it_is_answered(self):
        self.set_rule("/a.bin", delay=30)
        with socket.create_connection(("127.0.0.1", self.server.port), timeout=5) as sock:
            sock.sendall(b"GET /a.bin HTTP/1.1\r\nHost: test\r\n\r\n")
            deadline = time.monotonic() + 3
            while ">>> GET /a.bin" not in self.read_log_file():
                self.assertLess(time.monotonic(), deadline, "request not logged while delayed")
                time.sleep(0.02)
        # tearDown's stop() must also cut the delayed handler short.


class RuleTest(ServerTestCase):

    def test_drop_after_sends_full_length_then_part_of_body(self):
        cases = [  # drop_after, Range header, expected status, expected body
            (100, "", 200, DATA[:100]),
            (0, "", 200, b""),
            (100, "Range: bytes=1000-\r\n", 206, DATA[1000:1100]),
            (SIZE + 50, "", 200, DATA),    # more than the body: all of it, then close
        ]
        for drop_after, range_header, expected_status, expected_body in cases:
            with self.subTest(drop_after=drop_after, range=range_header):
                self.set_rule("/a.bin", drop_after=drop_after)
                # Not asking for close: raw_get's read only ends if the server
                # closes the connection itself.
                raw = self.raw_exchange(f"GET /a.bin HTTP/1.1\r\nHost: t\r\n{range_header}\r\n"
                                        .encode())
                status, headers, body = parse_response(raw)
                self.assertEqual(status, expected_status)
                full = SIZE - 1000 if range_header else SIZE
                self.assertEqual(headers["content-length"], str(full))
                self.assertEqual(body, expected_body)

    def test_drop_after_cuts_every_answer_the_rule_serves(self):
        big = random.Random(3).randbytes(200_000)
        with open(os.path.join(self.root, "big.bin"), "wb") as f:
            f.write(big)
        self.set_rule("/big.bin", drop_after=65536)            # no times: stays
        cases = [  # Range header, status, full length announced, first byte
            ("", 200, len(big), 0),
            ("Range: bytes=1000-\r\n", 206, len(big) - 1000, 1000),
            ("Range: bytes=-100000\r\n", 206, 100000, len(big) - 100000),
            ("", 200, len(big), 0),
        ]
        for range_header, expected_status, full, first in cases:
            with self.subTest(range=range_header):
                status, headers, body = parse_response(self.raw_exchange(
                    f"GET /big.bin HTTP/1.1\r\nHost: t\r\n{range_header}\r\n".encode()))
                self.assertEqual(status, expected_status)
                self.assertEqual(headers["content-length"], str(full))
                self.assertEqual(body, big[first:first + 65536])

    def test_drop_after_seen_by_http_client_as_incomplete(self):
        self.set_rule("/a.bin", drop_after=10)
        with self.assertRaises(http.client.IncompleteRead) as caught:
            self.fetch("/a.bin")
        self.assertEqual(caught.exception.partial, DATA[:10])

    def test_range_refusals_send_the_whole_file(self):
        cases = [  # option, Accept-Ranges header sent
            ("no_accept_ranges", None),
            ("ignore_range", "bytes"),
        ]
        ranges = ["bytes=100-", "bytes=0-0", "bytes=-10", f"bytes={SIZE + 1}-"]  # last: no 416
        for option, accept_ranges in cases:
            self.set_rule("/a.bin", **{option: 1})
            for range_header in ranges:
                with self.subTest(option=option, range=range_header):
                    status, headers, body = self.fetch("/a.bin", {"Range": range_header})
                    self.assertEqual((status, body), (200, DATA))
                    self.assertEqual(headers["Content-Length"], str(SIZE))
                    self.assertEqual(headers["Accept-Ranges"], accept_ranges)
                    self.assertIsNone(headers["Content-Range"])

    def test_no_content_length_ends_body_by_closing(self):
        self.set_rule("/a.bin", no_content_length="true")
        # A keep-alive request: the read below only ends because the server closes.
        status, headers, body = parse_response(
            self.raw_exchange(b"GET /a.bin HTTP/1.1\r\nHost: t\r\n\r\n"))
        self.assertEqual((status, body), (200, DATA))
        self.assertNotIn("content-length", headers)
        self.assertEqual(headers["connection"], "close")

    def test_content_type(self):
        self.set_rule("/a.bin", content_type="text/html; charset=utf-8")
        status, headers, body = self.fetch("/a.bin")
        self.assertEqual((status, body), (200, DATA))
        self.assertEqual(headers["Content-Type"], "text/html; charset=utf-8")

    def test_status(self):
        cases = [  # path, status; the file exists or not
            ("/a.bin", 404),
            ("/a.bin", 500),
            ("/missing.bin", 503),
            ("/missing.bin", 200),
        ]
        for path, code in cases:
            with self.subTest(path=path, status=code):
                self.set_rule(path, status=code)
                status, headers, body = self.fetch(path, {"Range": "bytes=5-"})
                self.assertEqual(status, code)
                self.assertEqual(headers["Content-Length"], str(len(body)))
                self.assertIn(str(code).encode(), body)   # the short text body
                self.assertNotEqual(body, DATA)
                self.assertLess(len(body), 100)

    def test_status_with_body_and_content_type(self):
        cases = [  # path, status, content_type option, body option, expected body
            ("/a.bin", 403, None, "go away", b"go away"),
            ("/a.bin", 404, "application/octet-stream", None, b"404 Not Found\n"),
            ("/missing.bin", 416, "application/octet-stream", "\x00\x01\xff\u20ac",
             b"\x00\x01\xc3\xbf\xe2\x82\xac"),            # 4 characters, 7 bytes
            ("/a.bin", 500, "application/json", '{"error": "caf\u00e9"}',
             '{"error": "caf\u00e9"}'.encode()),
        ]
        for path, code, content_type, text, expected in cases:
            with self.subTest(status=code, content_type=content_type):
                options = {"status": code}
                if content_type is not None:
                    options["content_type"] = content_type
                if text is not None:
                    options["body"] = text
                self.set_rule(path, **options)
                # A second request on the same connection: its answer starts
                # right after the first body only if Content-Length was right.
                raw = self.raw_exchange(f"GET {path} HTTP/1.1\r\nHost: t\r\n\r\n"
                                        "GET /notes.txt HTTP/1.1\r\nHost: t\r\n"
                                        "Connection: close\r\n\r\n".encode())
                status, headers, rest = parse_response(raw)
                self.assertEqual(status, code)
                self.assertEqual(headers["content-type"],
                                 content_type or "text/plain; charset=utf-8")
                self.assertEqual(headers["content-length"], str(len(expected)))
                self.assertEqual(rest[:len(expected)], expected)
                second = parse_response(rest[len(expected):])
                self.assertEqual((second[0], second[2]), (200, self.files["/notes.txt"]))

    def test_hangup_closes_without_a_byte(self):
        self.set_rule("/a.bin", hangup=1, delay=0.3, times=2)
        started = time.monotonic()
        # A keep-alive request: the read only ends because the server closes.
        self.assertEqual(self.raw_exchange(b"GET /a.bin HTTP/1.1\r\nHost: t\r\n\r\n"), b"")
        self.assertGreaterEqual(time.monotonic() - started, 0.3)    # delay holds it back
        with self.assertRaises(http.client.RemoteDisconnected):
            self.fetch("/a.bin")
        self.assertEqual(self.get("/a.bin"), (200, DATA))            # times used up
        self.assertEqual(self.read_log_file().count(">>> GET /a.bin HTTP/1.1\n"), 3)

    def test_down_closes_every_request_until_up(self):
        self.set_rule("/notes.txt", status=500, times=1)
        idle = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=5)
        self.addCleanup(idle.close)
        idle.request("GET", "/page.html")
        idle.getresponse().read()                  # kept alive, from before "down"
        self.control("down")
        for path in ("/a.bin", "/missing.bin", "/notes.txt"):
            with self.subTest(path=path):
                self.assertEqual(self.raw_exchange(
                    f"GET {path} HTTP/1.1\r\nHost: t\r\n\r\n".encode()), b"")
        idle.request("GET", "/page.html")
        with self.assertRaises(http.client.RemoteDisconnected):
            idle.getresponse()
        # The attempts are logged; reset leaves the server down.
        self.assertEqual(self.control("log").decode("latin-1").count(">>> GET "), 5)
        self.control("reset")
        self.assertEqual(self.raw_exchange(b"GET /a.bin HTTP/1.1\r\nHost: t\r\n\r\n"), b"")

        self.set_rule("/notes.txt", status=500, times=1)
        self.control("down")                       # twice is the same as once
        self.assertEqual(self.raw_exchange(b"GET /notes.txt HTTP/1.1\r\nHost: t\r\n\r\n"), b"")
        self.control("up")
        self.assertEqual(self.get("/a.bin"), (200, DATA))
        # The rule's one use was not spent while the server was down.
        self.assertEqual(self.fetch("/notes.txt")[0], 500)
        self.assertEqual(self.get("/notes.txt"), (200, self.files["/notes.txt"]))

    def test_delay_holds_back_the_headers(self):
        self.set_rule("/a.bin", delay=0.4)
        started = time.monotonic()
        status, _, body = self.fetch("/a.bin")
        elapsed = time.monotonic() - started
        self.assertEqual((status, body), (200, DATA))
        self.assertGreaterEqual(elapsed, 0.4)
        self.assertLess(elapsed, 2)
        # Another path is not delayed.
        started = time.monotonic()
        self.fetch("/notes.txt")
        self.assertLess(time.monotonic() - started, 0.3)

    def test_rate_paces_the_body_at_low_and_high_rates(self):
        big = random.Random(5).randbytes(24_000_000)
        with open(os.path.join(self.root, "big.bin"), "wb") as f:
            f.write(big)
        cases = [  # path, rate, Range, expected body
            ("/a.bin", 4000, "bytes=0-1199", DATA[:1200]),            # 0.3 s
            ("/big.bin", 40_000_000, "bytes=1000-", big[1000:]),      # 0.6 s
        ]
        for path, rate, range_header, expected in cases:
            with self.subTest(rate=rate):
                self.set_rule(path, rate=rate)
                # Leeway for the headers and one piece sent as it falls due.
                leeway = 1000 + rate * 0.01
                cpu_before = resource.getrusage(resource.RUSAGE_SELF)
                with socket.create_connection(("127.0.0.1", self.server.port),
                                              timeout=5) as sock:
                    started = time.monotonic()
                    sock.sendall(f"GET {path} HTTP/1.1\r\nHost: t\r\nRange: {range_header}\r\n"
                                 "Connection: close\r\n\r\n".encode())
                    chunks, received = [], 0
                    while True:
                        chunk = sock.recv(1 << 20)
                        if not chunk:
                            break
                        chunks.append(chunk)
                        received += len(chunk)
                        # Never ahead of the rate at any moment, not just on average.
                        self.assertLessEqual(received, rate * (time.monotonic() - started) + leeway)
                    elapsed = time.monotonic() - started
                cpu_after = resource.getrusage(resource.RUSAGE_SELF)
                status, _, body = parse_response(b"".join(chunks))
                self.assertEqual(status, 206)
                self.assertEqual(body, expected)
                due = len(expected) / rate
                self.assertGreaterEqual(elapsed, due * 0.98)
                self.assertLess(elapsed, due * 1.05 + 0.1)
                # Sleeping, not spinning: this process (server and client)
                # used the processor for a fraction of the time.
                cpu = (cpu_after.ru_utime + cpu_after.ru_stime
                       - cpu_before.ru_utime - cpu_before.ru_stime)
                self.assertLess(cpu, elapsed * 0.5)

    def test_body_serves_text_for_a_missing_file(self):
        text = "hello world & a+b=c, caf\u00e9 100%"
        self.set_rule("/virtual.txt", body=text)      # set_rule URL-encodes it
        status, headers, body = self.fetch("/virtual.txt")
        self.assertEqual((status, body), (200, text.encode("utf-8")))
        self.assertEqual(headers["Content-Type"], "text/plain")
        self.assertEqual(headers["Content-Length"], str(len(text.encode("utf-8"))))
        # Ranges apply to it like to a file.
        status, headers, body = self.fetch("/virtual.txt", {"Range": "bytes=6-10"})
        self.assertEqual((status, body), (206, b"world"))
        self.assertEqual(headers["Content-Range"],
                         f"bytes 6-10/{len(text.encode('utf-8'))}")

    def test_body_replaces_an_existing_file(self):
        self.set_rule("/a.bin", body="")
        status, headers, body = self.fetch("/a.bin")
        self.assertEqual((status, body), (200, b""))
        self.assertEqual(headers["Content-Length"], "0")

    def test_times_limits_the_rule(self):
        self.set_rule("/a.bin", status=500, times=1)
        self.assertEqual(self.fetch("/a.bin")[0], 500)
        self.assertEqual(self.get("/a.bin"), (200, DATA))

        # Fails twice (HEAD counts too), then a resumed download works.
        self.set_rule("/a.bin", drop_after=10, times=2)
        self.assertEqual(parse_response(self.raw_exchange(
            b"GET /a.bin HTTP/1.1\r\nHost: t\r\n\r\n"))[2], DATA[:10])
        self.assertEqual(self.fetch("/a.bin", method="HEAD")[0], 200)
        status, _, body = self.fetch("/a.bin", {"Range": "bytes=10-"})
        self.assertEqual((status, body), (206, DATA[10:]))

    def test_rule_ignores_query_string_and_other_paths(self):
        self.set_rule("/a.bin", status=410)
        self.assertEqual(self.fetch("/a.bin?try=1")[0], 410)
        self.assertEqual(self.fetch("/a.bin?")[0], 410)
        self.assertEqual(self.fetch("/notes.txt")[0], 200)
        self.assertEqual(self.fetch("/sub/a.bin")[0], 404)

    def test_options_combine(self):
        self.set_rule("/a.bin", delay=0.2, drop_after=50, content_type="text/html",
                      no_accept_ranges=1)
        started = time.monotonic()
        status, headers, body = parse_response(self.raw_exchange(
            b"GET /a.bin HTTP/1.1\r\nHost: t\r\nRange: bytes=100-\r\n\r\n"))
        self.assertGreaterEqual(time.monotonic() - started, 0.2)
        self.assertEqual((status, body), (200, DATA[:50]))
        self.assertEqual(headers["content-type"], "text/html")
        self.assertEqual(headers["content-length"], str(SIZE))
        self.assertNotIn("accept-ranges", headers)

    def test_set_replaces_and_reset_removes(self):
        self.set_rule("/a.bin", status=500)
        self.set_rule("/a.bin", content_type="text/html")   # replaces: no more 500
        status, headers, _ = self.fetch("/a.bin")
        self.assertEqual((status, headers["Content-Type"]), (200, "text/html"))

        self.set_rule("/a.bin", status=500)
        self.set_rule("/notes.txt", drop_after=1)
        self.control("reset")
        self.assertEqual(self.get("/a.bin"), (200, DATA))
        self.assertEqual(self.get("/notes.txt"), (200, self.files["/notes.txt"]))

    def test_bad_control_requests_are_refused(self):
        cases = [  # control request, status
            ("set?path=/a.bin&bogus=1", 400),
            ("set?status=500", 400),                     # no path
            ("set?path=a.bin&status=500", 400),          # path not absolute
            ("set?path=/a.bin&drop_after=-1", 400),
            ("set?path=/a.bin&drop_after=1.5", 400),
            ("set?path=/a.bin&status=99", 400),
            ("set?path=/a.bin&status=abc", 400),
            ("set?path=/a.bin&times=0", 400),
            ("set?path=/a.bin&rate=0", 400),
            ("set?path=/a.bin&delay=nan", 400),
            ("set?path=/a.bin&no_content_length=maybe", 400),
            ("no-such-command", 404),
        ]
        for command, expected in cases:
            with self.subTest(command=command):
                body = self.control(command, expect_status=expected)
                self.assertTrue(body.strip())                   # says why
                self.assertEqual(self.get("/a.bin"), (200, DATA))   # no rule left

    def test_stop_ends_open_and_stalled_connections(self):
        self.set_rule("/notes.txt", rate=1)        # a 11-byte body over 11 s
        self.set_rule("/a.bin", delay=30)
        idle = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=5)
        idle.request("GET", "/page.html")
        idle.getresponse().read()                  # now idle, kept alive
        slow = socket.create_connection(("127.0.0.1", self.server.port), timeout=5)
        slow.sendall(b"GET /notes.txt HTTP/1.1\r\nHost: t\r\n\r\n")
        delayed = socket.create_connection(("127.0.0.1", self.server.port), timeout=5)
        delayed.sendall(b"GET /a.bin HTTP/1.1\r\nHost: t\r\n\r\n")
        try:
            time.sleep(0.2)                        # let the handlers reach their waits
            started = time.monotonic()
            self.server.stop()
            self.assertLess(time.monotonic() - started, 2)
            self.assertEqual(delayed.recv(100), b"")   # closed without an answer
        finally:
            idle.close()
            slow.close()
            delayed.close()


class TlsTest(ServerTestCase):
    """The TLS side, started with the control request as the Win32 tests do."""

    def start_tls(self):
        """(port, authority PEM) from /_control/tls."""
        base, _, pem = self.control("tls").decode("ascii").partition("\n")
        url = urlsplit(base)
        self.assertEqual((url.scheme, url.hostname), ("https", "127.0.0.1"))
        self.assertTrue(pem.startswith("-----BEGIN CERTIFICATE-----"), pem)
        return url.port, pem

    def https(self, port, context):
        return http.client.HTTPSConnection("127.0.0.1", port, context=context, timeout=5)

    def test_same_files_rules_log_and_down_state_over_tls(self):
        port, pem = self.start_tls()
        self.assertEqual(self.start_tls(), (port, pem), "started once")
        self.set_rule("/notes.txt", status=503)
        conn = self.https(port, ssl.create_default_context(cadata=pem))  # checks the name 127.0.0.1 too
        try:
            results = []
            for path, headers in [("/a.bin", {}), ("/a.bin", {"Range": "bytes=100-"}), ("/notes.txt", {})]:
                conn.request("GET", path, headers=headers)
                response = conn.getresponse()
                results.append((response.status, response.read()))
        finally:
            conn.close()
        self.assertEqual(results, [(200, DATA), (206, DATA[100:]), (503, b"503 Service Unavailable\n")])
        log = self.control("log").decode("latin-1")
        self.assertEqual(log.count(f"Host: 127.0.0.1:{port}\n"), 3, log)
        self.assertEqual(self.control("tlsconnections"), b"1\n", "one kept-alive connection")

        self.control("down")
        with self.assertRaises((http.client.HTTPException, OSError)):
            conn = self.https(port, ssl.create_default_context(cadata=pem))
            try:
                conn.request("GET", "/a.bin")
                conn.getresponse()
            finally:
                conn.close()

    def test_only_its_own_authority_vouches_for_it(self):
        port, _ = self.start_tls()
        conn = self.https(port, ssl.create_default_context())      # the host's authorities
        with self.assertRaises(ssl.SSLCertVerificationError):
            conn.request("GET", "/a.bin")
        conn.close()
        self.assertNotIn(">>> ", self.control("log").decode("latin-1"))
        self.assertEqual(self.control("tlsconnections"), b"1\n", "failed handshakes count")

    def test_stop_ends_tls_connections_and_removes_the_certificates(self):
        port, pem = self.start_tls()
        folder = self.server._tls_folder
        self.assertEqual(sorted(os.listdir(folder)), ["ca.pem", "server.ext", "server.key", "server.pem"],
                         "the authority's key is gone once it has signed")
        idle = self.https(port, ssl.create_default_context(cadata=pem))
        idle.request("GET", "/page.html")
        idle.getresponse().read()                  # now idle, kept alive
        silent = socket.create_connection(("127.0.0.1", port), timeout=5)  # never says hello
        try:
            time.sleep(0.2)
            started = time.monotonic()
            self.server.stop()
            self.assertLess(time.monotonic() - started, 2)
            self.assertEqual(silent.recv(100), b"")
        finally:
            idle.close()
            silent.close()
        self.assertFalse(os.path.exists(folder))

    def test_without_openssl_it_says_why_and_leaves_nothing_behind(self):
        def folders():
            return {name for name in os.listdir(tempfile.gettempdir()) if name.startswith("testserver-tls-")}
        before = folders()
        with mock.patch.dict(os.environ, {"PATH": os.path.join(self.temp, "nothing")}):
            body = self.control("tls", expect_status=503)
        self.assertIn(b"openssl", body)
        self.assertEqual(folders(), before)
        self.assertEqual(self.control("tlsconnections"), b"0\n")
        self.start_tls()                           # it can still start later


class CommandLineTest(unittest.TestCase):
    """The script as test scripts run it."""

    def setUp(self):
        temp = tempfile.TemporaryDirectory()
        self.addCleanup(temp.cleanup)
        self.temp = temp.name
        self.root = os.path.join(self.temp, "root")
        os.mkdir(self.root)
        with open(os.path.join(self.root, "a.bin"), "wb") as f:
            f.write(DATA)

    def start(self, *extra):
        process = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "testserver.py"), "--root", self.root, *extra],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.addCleanup(self._finish, process)
        return process

    @staticmethod
    def _finish(process):
        if process.poll() is None:
            process.kill()
        process.communicate()

    def write_rules(self, rules):
        path = os.path.join(self.temp, "rules.json")
        with open(path, "w") as f:
            json.dump(rules, f)
        return path

    def test_port_file_rules_log_and_clean_exit_on_signal(self):
        for signum in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=signum.name):
                port_file = os.path.join(self.temp, f"port-{signum.name}")
                log_file = os.path.join(self.temp, f"log-{signum.name}")
                rules = self.write_rules([{"path": "/a.bin", "status": 503, "times": 1},
                                          {"path": "/b.txt", "body": "from rules"}])
                process = self.start("--port", "0", "--port-file", port_file,
                                     "--log", log_file, "--rules", rules)
                deadline = time.monotonic() + 10
                while not os.path.exists(port_file):
                    self.assertIsNone(process.poll(), "server exited early")
                    self.assertLess(time.monotonic(), deadline, "no port file")
                    time.sleep(0.02)
                with open(port_file) as f:
                    port = int(f.read())

                conn = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
                try:
                    results = []
                    for path in ("/a.bin", "/a.bin", "/b.txt"):
                        conn.request("GET", path)
                        response = conn.getresponse()
                        results.append((response.status, response.read()))
                finally:
                    conn.close()
                self.assertEqual(results[0][0], 503)
                self.assertEqual(results[1:], [(200, DATA), (200, b"from rules")])
                with open(log_file) as f:
                    self.assertEqual(f.read().count(">>> GET "), 3)

                process.send_signal(signum)
                self.assertEqual(process.wait(timeout=5), 0)

    def test_bad_rules_file_is_refused(self):
        rules = self.write_rules([{"path": "/a.bin", "drop_afterr": 5}])
        process = self.start("--rules", rules)
        _, stderr = process.communicate(timeout=10)
        self.assertEqual(process.returncode, 2)
        self.assertIn(b"drop_afterr", stderr)


if __name__ == "__main__":
    unittest.main()
