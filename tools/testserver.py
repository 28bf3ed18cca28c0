#!/usr/bin/env python3
"""Local HTTP server for the download tests (WinInet clients under Wine).

It serves the files of one folder on 127.0.0.1, records every request it
receives, and can be told to misbehave for chosen paths (cut a transfer
short, stall, refuse ranges, answer with an error status ...), so the
download code can be tested against the faults it meets in the wild.
Python 3 standard library only; the TLS side also runs the openssl program.

Command line
------------
    python3 testserver.py --root DIR [--port N] [--port-file FILE]
                          [--log FILE] [--rules FILE]

    --root DIR        folder to serve (required). Paths that would leave it
                      ("..", symbolic links pointing outside) answer 404.
    --port N          TCP port on 127.0.0.1; 0 (the default) picks a free one.
    --port-file FILE  once listening, write the port number (decimal text,
                      no newline) to FILE. The file is written under a
                      temporary name and renamed, so a script polling for it
                      never reads it half-written.
    --log FILE        append the request log (format below) to FILE. Each
                      block is flushed as soon as it is written.
    --rules FILE      misbehaviour rules active from the start: a JSON list
                      of objects, each with a "path" key and the options
                      below, e.g. [{"path": "/a.bin", "drop_after": 100}].

The server runs until SIGTERM or SIGINT, then closes every connection and
exits with code 0.

Protocol
--------
GET and HEAD only (anything else: 405). HTTP/1.1 with keep-alive: the
connection stays open after a response that carries a Content-Length, unless
the client asked for "Connection: close" (or spoke HTTP/1.0 without asking
for keep-alive). Responses without a Content-Length, and responses cut short
by drop_after, close the connection and say "Connection: close".

A file response has Content-Length, Content-Type by file extension
(application/octet-stream when unknown), "Accept-Ranges: bytes" and
"Cache-Control: no-store" (so WinInet's cache never answers in the server's
place). One byte range is honoured: "Range: bytes=N-", "bytes=N-M" and the
suffix form "bytes=-K" give 206 with "Content-Range: bytes FIRST-LAST/SIZE";
a start at or past the end of the file gives 416 with
"Content-Range: bytes */SIZE". Malformed or multi-part ranges are ignored
(200 with the whole file). The query string plays no part in finding the file
or matching a rule, but it is kept in the log. A missing file gives 404.
Files go out with sendfile, so even a transfer of hundreds of megabytes costs
the server little time.

Request log
-----------
Every request except the control requests below is logged on arrival, before
any answer, as one block:

    >>> GET /file.bin?attempt=2 HTTP/1.1
    Host: 127.0.0.1:40123
    Range: bytes=100-

that is, ">>> " and the request line exactly as received, then each header
line exactly as received (no reordering, case kept), then one empty line.
Lines end with "\\n"; bytes are written as ISO-8859-1 so nothing is altered.

Control requests (never logged)
-------------------------------
    GET /_control/set?path=/some/file.bin&OPTION=VALUE&...
        Install a rule for that path (replacing any rule it had). "ok".
        An unknown option or bad value answers 400 with the reason.
    GET /_control/reset       remove every rule. "ok".
    GET /_control/log         the request log since start or the last
                              clearlog, as text/plain.
    GET /_control/clearlog    empty the log (the --log file is truncated
                              too). "ok".
    GET /_control/down        from now on, close every other request's
                              connection without answering, as hangup=1
                              does (the requests are still logged; rules are
                              left alone and their "times" not counted):
                              the server stands for one that cannot be
                              reached. "ok".
    GET /_control/up          answer requests again. "ok". reset does not
                              change whether the server is down.
    GET /_control/tls         start the TLS side (see below) unless it runs
                              already; its base address
                              "https://127.0.0.1:<port>", a line break, and
                              the certificate of its authority as PEM text.
                              503 with the reason when it cannot start.
    GET /_control/tlsconnections
                              how many connections the TLS side has
                              accepted so far (decimal text), whether or
                              not their handshake succeeded.

TLS
---
On request the server also listens on a second free port of 127.0.0.1 with
TLS: the same files, rules, log and down state, only the transport differs.
Its certificate is made at that moment with the openssl program, in a
temporary folder that stop() removes: a certificate authority of its own
(valid two days, its key deleted as soon as it has signed) and a server
certificate for 127.0.0.1 (subject CN and subjectAltName DNS and IP) with
the serverAuth usage. A client trusts the server by trusting that authority.
Each connection's handshake runs in its own thread, so a client that
connects and stalls holds up no one else. Responses cut short or without a
Content-Length end with a plain TCP close, without a TLS close_notify.

Rules
-----
A rule matches a request whose URL path, percent-decoded and without the
query string, equals the rule's "path". Options, in any combination:

    drop_after=N         send the headers (full Content-Length as usual),
                         then only N bytes of the body, then close the
                         connection: the client sees end-of-stream early.
                         Applies to every answer the rule serves, 206
                         included (N bytes of the range).
    no_accept_ranges=1   no Accept-Ranges header, Range is ignored: always
                         200 with the whole file.
    ignore_range=1       "Accept-Ranges: bytes" as usual, but Range is
                         ignored all the same: always 200 with the whole
                         file and its full Content-Length (a server that
                         claims ranges and sends everything again).
    no_content_length=1  no Content-Length; the body ends when the server
                         closes the connection.
    content_type=TYPE    use this Content-Type (e.g. text/html), also
                         with status=, whose own body is text/plain
                         otherwise.
    status=CODE          answer with this status (200-599) and a short text
                         body (or the body= text), whether or not the file
                         exists. Ranges are not honoured. Content-Length
                         counts the body's bytes (UTF-8).
    delay=SECONDS        wait this long (float) before sending the headers
                         (or before hanging up).
    rate=BYTES_PER_SEC   send the body no faster than this: in pieces of
                         about 10 ms worth (1 byte to 1 MiB), each sent
                         when its last byte is due, sleeping in between.
                         Accurate from a few bytes a second to well over
                         100 MB/s.
    hangup=1             read and log the request, then close the
                         connection without sending a single byte (the
                         client sees a failed request).
    body=TEXT            serve TEXT (UTF-8; URL-encoded in the query, so
                         write "+" as %2B) as the file's content, whether or
                         not a file exists. Ranges work on it as on a file.
    times=N              the rule serves the next N matching requests (GET or
                         HEAD) and is then removed; without it the rule stays
                         until reset. For "fails once, then works".

Flags accept 1/0, true/false, yes/no. In a --rules file, values may be JSON
numbers, booleans or strings.

Use from Python
---------------
    from testserver import LocalTestServer, make_rule
    with LocalTestServer(root) as server:        # listening on server.port
        server.set_rule(make_rule({"path": "/a.bin", "drop_after": 10}))
        server.down.set()                        # as /_control/down; clear() is up
        tls_port = server.start_tls()            # as /_control/tls; server.tls_ca_pem
        ...
"""

from __future__ import annotations

import argparse
import email.utils
import http
import io
import json
import os
import re
import secrets
import shutil
import signal
import socket
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time
from dataclasses import dataclass, field
from typing import Optional
from urllib.parse import parse_qs, unquote, urlsplit

CONTROL_PREFIX = "/_control/"

# Limits on what a client may send; the tests never come near them, they only
# keep a confused client from making a handler thread read forever.
MAX_LINE = 65536
MAX_HEADERS = 200

# Seconds an idle keep-alive connection (or a stalled client) may hold a
# handler thread before it gives up.
IDLE_TIMEOUT = 60

# A paced body goes out in pieces of about this many seconds' worth: small
# enough to keep the rate smooth, large enough that high rates cost few
# wake-ups.
PACE_INTERVAL = 0.01
# The largest single write. Large writes keep unpaced bodies from memory and
# fast paced ones cheap.
MAX_CHUNK = 1 << 20

# Content types by file extension. A fixed table rather than the mimetypes
# module, whose answers depend on the host's /etc/mime.types.
CONTENT_TYPES = {
    ".htm": "text/html",
    ".html": "text/html",
    ".txt": "text/plain",
    ".ini": "text/plain",
    ".css": "text/css",
    ".js": "application/javascript",
    ".json": "application/json",
    ".xml": "application/xml",
    ".png": "image/png",
    ".jpg": "image/jpeg",
    ".jpeg": "image/jpeg",
    ".gif": "image/gif",
    ".ico": "image/x-icon",
    ".bmp": "image/bmp",
    ".zip": "application/zip",
    ".exe": "application/octet-stream",
}
DEFAULT_CONTENT_TYPE = "application/octet-stream"


def content_type_for(path: str) -> str:
    return CONTENT_TYPES.get(os.path.splitext(path)[1].lower(), DEFAULT_CONTENT_TYPE)


# --------------------------------------------------------------------------
# Misbehaviour rules
# --------------------------------------------------------------------------

@dataclass
class Rule:
    """How to answer requests for one path. The defaults mean "behave"."""
    path: str
    drop_after: Optional[int] = None
    no_accept_ranges: bool = False
    ignore_range: bool = False
    no_content_length: bool = False
    content_type: Optional[str] = None
    status: Optional[int] = None
    delay: float = 0.0
    rate: Optional[float] = None
    body: Optional[bytes] = None
    hangup: bool = False
    times: Optional[int] = None  # None: the rule never runs out


def _flag(value) -> bool:
    if isinstance(value, bool):
        return value
    text = str(value).strip().lower()
    if text in ("1", "true", "yes", "on"):
        return True
    if text in ("0", "false", "no", "off"):
        return False
    raise ValueError("expected 1 or 0")


def _whole_number(value) -> int:
    # int() alone would also take "1_000", " 7" or 2.9 (from JSON).
    if isinstance(value, bool) or not re.fullmatch(r"\d+", str(value)):
        raise ValueError("expected a whole number")
    return int(value)


def _number(value) -> float:
    number = float(value)
    if not 0 <= number < float("inf"):  # also rejects NaN
        raise ValueError("expected a non-negative number")
    return number


# Option name -> function turning the given value (query text or JSON value)
# into the Rule attribute; each raises ValueError on a bad value.
_OPTIONS = {
    "drop_after": _whole_number,
    "no_accept_ranges": _flag,
    "ignore_range": _flag,
    "no_content_length": _flag,
    "content_type": str,
    "status": _whole_number,
    "delay": _number,
    "rate": _number,
    "body": lambda value: str(value).encode("utf-8"),
    "hangup": _flag,
    "times": _whole_number,
}


def make_rule(options: dict) -> Rule:
    """Build a Rule from {"path": ..., option: value, ...}; ValueError says
    what is wrong, for the 400 answer or the start-up error."""
    options = dict(options)
    path = options.pop("path", None)
    if not isinstance(path, str) or not path.startswith("/"):
        raise ValueError("a rule needs a 'path' starting with '/'")
    rule = Rule(path=path)
    for name, value in options.items():
        if name not in _OPTIONS:
            raise ValueError(f"unknown option {name!r}")
        try:
            setattr(rule, name, _OPTIONS[name](value))
        except (TypeError, ValueError) as error:
            raise ValueError(f"bad value {value!r} for {name}: {error}") from None
    if rule.status is not None and not 200 <= rule.status <= 599:
        raise ValueError("status must be between 200 and 599")
    if rule.rate is not None and rule.rate <= 0:
        raise ValueError("rate must be above 0")
    if rule.times is not None and rule.times < 1:
        raise ValueError("times must be at least 1")
    return rule


NORMAL = Rule(path="")  # what requests without a rule get


# --------------------------------------------------------------------------
# Ranges
# --------------------------------------------------------------------------

UNSATISFIABLE = "unsatisfiable"
_RANGE = re.compile(r"\s*bytes\s*=\s*(\d*)\s*-\s*(\d*)\s*", re.IGNORECASE)


def parse_range(value: Optional[str], size: int):
    """Interpret a Range header against a body of `size` bytes.

    Returns None to send the whole body (no header, or one this server does
    not handle: ignoring it is what HTTP allows), (first, last) with both
    inclusive, or UNSATISFIABLE for a 416."""
    match = _RANGE.fullmatch(value or "")
    if not match:
        return None
    first, last = match.groups()
    if first == "" and last == "":
        return None
    if first == "":                      # "bytes=-K": the last K bytes
        count = int(last)
        if count == 0 or size == 0:
            return UNSATISFIABLE
        return max(0, size - count), size - 1
    start = int(first)
    if last and int(last) < start:
        return None                      # malformed: ignore it
    if start >= size:
        return UNSATISFIABLE
    end = int(last) if last else size - 1
    return start, min(end, size - 1)


# --------------------------------------------------------------------------
# The server
# --------------------------------------------------------------------------

class _Stopping(Exception):
    """Raised inside a handler when the server stops during a delay or a
    paced transfer, to drop the connection at once."""


@dataclass
class _Reply:
    """A response before it is sent: the body is `length` bytes from
    `source`, which is positioned at the first byte to send."""
    status: int
    source: io.IOBase
    length: int
    content_type: str
    headers: list = field(default_factory=list)  # extra (name, value) pairs


def _phrase(status: int) -> str:
    try:
        return http.HTTPStatus(status).phrase
    except ValueError:
        return "Unknown"


def _text_reply(status: int, text: Optional[str] = None, content_type="text/plain; charset=utf-8"):
    """A short reply such as "404 Not Found\\n"; 204 and 304 stay empty
    because those statuses cannot carry a body."""
    if text is None:
        text = "" if status in (204, 304) else f"{status} {_phrase(status)}\n"
    data = text.encode("utf-8")
    return _Reply(status, io.BytesIO(data), len(data), content_type)


class _Handler(socketserver.StreamRequestHandler):
    """One client connection: reads requests one after another (keep-alive)
    until the client closes, a response has to end the connection, or the
    server stops."""

    timeout = IDLE_TIMEOUT  # applied to the socket by StreamRequestHandler

    def handle(self):
        try:
            while self._handle_one_request():
                pass
        except (OSError, _Stopping):
            # Client went away, idle timeout, or stop() shut the socket.
            pass

    def _handle_one_request(self) -> bool:
        """Read and answer one request; True to wait for another on the
        same connection."""
        owner: LocalTestServer = self.server.owner
        line = self.rfile.readline(MAX_LINE + 1)
        if not line:
            return False                   # client closed the connection
        if line in (b"\r\n", b"\n"):
            return True                    # stray empty line between requests
        request_line = line.rstrip(b"\r\n").decode("latin-1")

        # Keep the header lines as received, for the log.
        header_lines = []
        while True:
            raw = self.rfile.readline(MAX_LINE + 1)
            if not raw:
                return False               # connection closed mid-request
            if raw in (b"\r\n", b"\n"):
                break
            header_lines.append(raw.rstrip(b"\r\n").decode("latin-1"))
            if len(header_lines) > MAX_HEADERS:
                break

        parts = request_line.split()
        if len(line) > MAX_LINE or len(header_lines) > MAX_HEADERS or len(parts) != 3:
            owner.log_request(request_line, header_lines)
            return self._send(_text_reply(400), NORMAL, "GET", keep_alive=False)
        method, target, version = parts

        # Header lookup by lower-case name; a repeated header keeps its last value.
        fields = {}
        for header in header_lines:
            name, _, value = header.partition(":")
            fields[name.strip().lower()] = value.strip()

        if target.startswith("/"):         # the usual form: /path?query
            raw_path, _, query = target.partition("?")
            raw_path = raw_path.partition("#")[0]
        else:                              # absolute form: http://host/path?query
            url = urlsplit(target)
            raw_path, query = url.path, url.query
        path = unquote(raw_path)
        if path.startswith(CONTROL_PREFIX):
            return self._control(method, path[len(CONTROL_PREFIX):], query)
        owner.log_request(request_line, header_lines)
        if owner.down.is_set():
            return False                   # "unreachable": close, answer nothing

        tokens = {token.strip().lower() for token in fields.get("connection", "").split(",")}
        keep_alive = "close" not in tokens and (version == "HTTP/1.1" or "keep-alive" in tokens)

        if method not in ("GET", "HEAD"):
            reply = _text_reply(405)
            reply.headers.append(("Allow", "GET, HEAD"))
            return self._send(reply, NORMAL, method, keep_alive=False)
        # A GET should carry no body; if one is announced, read past it so the
        # next request on the connection starts at the right place.
        if "transfer-encoding" in fields:
            keep_alive = False
        elif fields.get("content-length", "0").isdigit():
            self.rfile.read(int(fields.get("content-length", "0")))

        rule = owner.take_rule(path) or NORMAL
        if rule.hangup:
            self._pause(rule.delay)
            return False                   # the handler closes without a byte sent
        reply = self._build_reply(path, fields, rule)
        return self._send(reply, rule, method, keep_alive)

    def _build_reply(self, path: str, fields: dict, rule: Rule) -> _Reply:
        """Decide what to answer: status, body and headers. The options that
        change how the answer is sent (delay, rate, drop_after,
        no_content_length) are left to _send."""
        if rule.status is not None:
            text = None if rule.body is None else rule.body.decode("utf-8")
            reply = _text_reply(rule.status, text)
        elif rule.body is not None:
            reply = self._file_reply(io.BytesIO(rule.body), len(rule.body), path, fields, rule)
        else:
            file_path = self.server.owner.resolve(path)
            if file_path is None:
                reply = _text_reply(404)
            else:
                source = open(file_path, "rb")
                size = os.fstat(source.fileno()).st_size
                reply = self._file_reply(source, size, path, fields, rule)
        if rule.content_type is not None:
            reply.content_type = rule.content_type
        return reply

    @staticmethod
    def _file_reply(source, size: int, path: str, fields: dict, rule: Rule) -> _Reply:
        """200, 206 or 416 for a body of `size` bytes read from `source`."""
        reply = _Reply(200, source, size, content_type_for(path))
        if rule.no_accept_ranges:
            return reply
        if rule.ignore_range:
            reply.headers.append(("Accept-Ranges", "bytes"))
            return reply
        span = parse_range(fields.get("range"), size)
        if span == UNSATISFIABLE:
            source.close()
            reply = _text_reply(416)
            reply.headers.append(("Content-Range", f"bytes */{size}"))
        elif span is not None:
            first, last = span
            source.seek(first)
            reply.status, reply.length = 206, last - first + 1
            reply.headers.append(("Content-Range", f"bytes {first}-{last}/{size}"))
        reply.headers.append(("Accept-Ranges", "bytes"))
        return reply

    def _control(self, method: str, name: str, query: str) -> bool:
        """Answer a /_control/ request; see the module docstring."""
        owner: LocalTestServer = self.server.owner
        reply = _text_reply(200, "ok\n")
        if name == "set":
            options = {key: values[-1] for key, values in
                       parse_qs(query, keep_blank_values=True).items()}
            try:
                owner.set_rule(make_rule(options))
            except ValueError as error:
                reply = _text_reply(400, f"{error}\n")
        elif name == "reset":
            owner.reset_rules()
        elif name == "log":
            data = owner.log_text().encode("latin-1")
            reply = _Reply(200, io.BytesIO(data), len(data), "text/plain; charset=iso-8859-1")
        elif name == "clearlog":
            owner.clear_log()
        elif name == "down":
            owner.down.set()
        elif name == "up":
            owner.down.clear()
        elif name == "tls":
            try:
                port = owner.start_tls()
                reply = _text_reply(200, f"https://127.0.0.1:{port}\n{owner.tls_ca_pem}")
            except (OSError, RuntimeError) as error:
                reply = _text_reply(503, f"no TLS: {error}\n")
        elif name == "tlsconnections":
            reply = _text_reply(200, f"{owner.tls_connections()}\n")
        else:
            reply = _text_reply(404, "unknown control request\n")
        return self._send(reply, NORMAL, method, keep_alive=True)

    def _send(self, reply: _Reply, rule: Rule, method: str, keep_alive: bool) -> bool:
        """Send the reply as the rule says; True if the connection stays open."""
        try:
            self._pause(rule.delay)
            # Without a Content-Length the client can only find the end of
            # the body by the connection closing; after drop_after the
            # connection must close for the client to notice anything.
            send_length = not rule.no_content_length
            keep_alive = keep_alive and send_length and rule.drop_after is None

            lines = [f"HTTP/1.1 {reply.status} {_phrase(reply.status)}",
                     f"Date: {email.utils.formatdate(usegmt=True)}",
                     "Server: testserver",
                     f"Content-Type: {reply.content_type}"]
            if send_length:
                lines.append(f"Content-Length: {reply.length}")
            lines += [f"{name}: {value}" for name, value in reply.headers]
            lines.append("Cache-Control: no-store")
            lines.append("Connection: " + ("keep-alive" if keep_alive else "close"))
            self.request.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))

            if method != "HEAD":
                count = reply.length
                if rule.drop_after is not None:
                    count = min(count, rule.drop_after)
                self._send_body(reply.source, count, rule.rate)
        finally:
            reply.source.close()
        # Returning False ends the handler; socketserver then shuts the socket
        # down for writing and closes it, which the client sees as the end of
        # the stream (after the body is complete, or short for drop_after).
        return keep_alive

    def _pause(self, seconds: float):
        """Sleep, unless the server stops first."""
        if seconds and self.server.owner.stopping.wait(seconds):
            raise _Stopping()

    def _send_body(self, source, count: int, rate: Optional[float]):
        """Send `count` bytes from `source`, at most `rate` bytes a second."""
        if rate is None:
            self._write(source, count)
            return
        stopping = self.server.owner.stopping
        chunk = max(1, min(MAX_CHUNK, int(rate * PACE_INTERVAL)))
        started = time.monotonic()
        sent = 0
        while sent < count:
            piece = min(chunk, count - sent)
            # Each piece waits for the moment its last byte is due, measured
            # from the start, so no byte leaves early and the average holds
            # however long each write or sleep took.
            wait = started + (sent + piece) / rate - time.monotonic()
            if wait > 0 and stopping.wait(wait):
                raise _Stopping()
            written = self._write(source, piece)
            if written == 0:
                break                      # the file shrank while being sent
            sent += written

    def _write(self, source, count: int) -> int:
        """Send up to `count` bytes from the current position of `source`;
        the number sent, less than `count` only at the end of the source."""
        if count <= 0:
            return 0
        if isinstance(source, io.BufferedReader):
            # A file on disk: the kernel copies it. sendfile starts at the
            # given offset (not the file position) and leaves the position
            # after what it sent.
            return self.request.sendfile(source, offset=source.tell(), count=count)
        sent = 0
        while sent < count:
            data = source.read(min(MAX_CHUNK, count - sent))
            if not data:
                break
            self.request.sendall(data)
            sent += len(data)
        return sent


class _TCPServer(socketserver.ThreadingTCPServer):
    """Thread-per-connection server that remembers its open connections, so
    stop() can wake the handler threads waiting on them."""

    allow_reuse_address = True   # a fixed --port can be reused at once
    daemon_threads = False       # server_close() joins the handler threads

    def __init__(self, owner: "LocalTestServer", port: int):
        self.owner = owner
        self._connections = set()
        self._connections_lock = threading.Lock()
        super().__init__(("127.0.0.1", port), _Handler)

    def process_request(self, request, client_address):
        with self._connections_lock:
            self._connections.add(request)
        super().process_request(request, client_address)

    def shutdown_request(self, request):
        with self._connections_lock:
            self._connections.discard(request)
        super().shutdown_request(request)

    def shut_connections(self):
        """Make every pending read or write on open connections fail, so
        their handler threads end."""
        with self._connections_lock:
            connections = list(self._connections)
        for connection in connections:
            try:
                connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


class _TLSServer(_TCPServer):
    """The same server behind TLS. The listening socket stays plain: each
    connection is wrapped, and its handshake made, in the connection's own
    thread. The TLS socket takes the place of the plain one among the open
    connections, so stop() reaches it."""

    def __init__(self, owner: "LocalTestServer", port: int, context: ssl.SSLContext):
        self._context = context
        self._wrapped = {}   # plain socket -> the TLS socket that took it over
        self.accepted = 0
        super().__init__(owner, port)

    def process_request(self, request, client_address):
        with self._connections_lock:
            self.accepted += 1
        super().process_request(request, client_address)

    def finish_request(self, request, client_address):
        request.settimeout(IDLE_TIMEOUT)   # a stalled handshake gives up too
        # The TLS socket takes the plain one's descriptor at once: it is put
        # in its place before the handshake, which stop() must be able to end.
        try:
            tls = self._context.wrap_socket(request, server_side=True, do_handshake_on_connect=False)
        except (OSError, ValueError):      # ssl.SSLError is an OSError
            return
        with self._connections_lock:
            self._connections.discard(request)
            self._connections.add(tls)
            self._wrapped[request] = tls
        if self.owner.stopping.is_set():
            return                         # stop() may have missed the TLS socket
        try:
            tls.do_handshake()
        except (OSError, ValueError):
            return
        super().finish_request(tls, client_address)

    def shutdown_request(self, request):
        with self._connections_lock:
            request = self._wrapped.pop(request, request)
        super().shutdown_request(request)


def make_test_certificates(folder: str) -> str:
    """Makes, with openssl, a certificate authority for this run and a
    certificate for 127.0.0.1 that it signs: server.pem and server.key in
    `folder`. Returns the authority's certificate as PEM text; its key is
    deleted once it has signed. RuntimeError when openssl fails, OSError when
    it cannot be run."""
    def openssl(*arguments):
        result = subprocess.run(["openssl", *arguments], cwd=folder, capture_output=True, text=True)
        if result.returncode != 0:
            raise RuntimeError(f"openssl {arguments[0]}: {result.stderr.strip()}")

    with open(os.path.join(folder, "server.ext"), "w", encoding="ascii") as f:
        f.write("basicConstraints=critical,CA:FALSE\n"
                "keyUsage=critical,digitalSignature,keyEncipherment\n"
                "extendedKeyUsage=serverAuth\n"
                "subjectAltName=DNS:127.0.0.1,IP:127.0.0.1\n"
                "subjectKeyIdentifier=hash\n"
                "authorityKeyIdentifier=keyid\n")
    try:
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
                "-days", "2", "-subj", "/CN=testserver test authority (made for one run)",
                "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign,cRLSign")
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out", "server.csr",
                "-subj", "/CN=127.0.0.1")
        openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                "-set_serial", "0x" + secrets.token_hex(8), "-days", "2",
                "-extfile", "server.ext", "-out", "server.pem")
    finally:
        for name in ("ca.key", "server.csr"):
            if os.path.exists(os.path.join(folder, name)):
                os.remove(os.path.join(folder, name))
    with open(os.path.join(folder, "ca.pem"), encoding="ascii") as f:
        return f.read()


class LocalTestServer:
    """The test server: listens on 127.0.0.1 from construction, serves once
    start() is called, and holds the rules and the request log.

    Usable as a context manager (start on enter, stop on exit)."""

    def __init__(self, root: str, port: int = 0, log_path: Optional[str] = None, rules=()):
        self.root = os.path.realpath(root)
        if not os.path.isdir(self.root):
            raise ValueError(f"not a folder: {root}")
        self.stopping = threading.Event()   # set by stop(); wakes sleeping handlers
        self.down = threading.Event()       # set while /_control/down is in force
        self._lock = threading.Lock()       # guards the rules and the log
        self._rules = {}
        self._log_blocks = []
        for rule in rules:
            self.set_rule(rule)
        self._log_file = open(log_path, "ab") if log_path else None
        self._server = _TCPServer(self, port)
        self.port = self._server.server_address[1]
        self._thread = None
        self._stopped = False
        self._tls_lock = threading.Lock()   # guards starting and stopping the TLS side
        self._tls_server = None
        self._tls_thread = None
        self._tls_folder = None
        self.tls_ca_pem = None              # the TLS side's authority, once it runs

    def url(self, path: str = "/") -> str:
        return f"http://127.0.0.1:{self.port}{path}"

    def start(self):
        # A short poll interval lets stop() return quickly.
        self._thread = threading.Thread(target=self._server.serve_forever,
                                        kwargs={"poll_interval": 0.05},
                                        name=f"testserver:{self.port}")
        self._thread.start()
        return self

    def start_tls(self) -> int:
        """Serve over TLS on a second port too (see the module docstring);
        the port. Later calls return the same port. RuntimeError or OSError
        when the certificates cannot be made."""
        with self._tls_lock:
            if self._stopped:
                raise RuntimeError("the server has stopped")
            if self._tls_server is None:
                folder = tempfile.mkdtemp(prefix="testserver-tls-")
                try:
                    ca_pem = make_test_certificates(folder)
                    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
                    context.load_cert_chain(os.path.join(folder, "server.pem"),
                                            os.path.join(folder, "server.key"))
                    server = _TLSServer(self, 0, context)
                except BaseException:
                    shutil.rmtree(folder, ignore_errors=True)
                    raise
                self._tls_folder, self.tls_ca_pem, self._tls_server = folder, ca_pem, server
                self._tls_thread = threading.Thread(
                    target=server.serve_forever, kwargs={"poll_interval": 0.05},
                    name=f"testserver-tls:{server.server_address[1]}")
                self._tls_thread.start()
            return self._tls_server.server_address[1]

    def tls_connections(self) -> int:
        """Connections the TLS side has accepted (0 while it does not run)."""
        server = self._tls_server
        if server is None:
            return 0
        with server._connections_lock:
            return server.accepted

    def stop(self):
        """Stop accepting, end every connection and join every thread."""
        with self._tls_lock:
            if self._stopped:
                return
            self._stopped = True
        self.stopping.set()
        servers = [(self._server, self._thread)]
        if self._tls_server is not None:
            servers.append((self._tls_server, self._tls_thread))
        for server, thread in servers:
            if thread is not None:
                server.shutdown()          # serve_forever returns: no new connections
                thread.join()
        for server, _ in servers:
            server.shut_connections()      # wake handlers blocked on their sockets
            server.server_close()          # close the listener, join handler threads
        if self._tls_folder is not None:
            shutil.rmtree(self._tls_folder, ignore_errors=True)
        if self._log_file is not None:
            self._log_file.close()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc_info):
        self.stop()

    # -- files ------------------------------------------------------------

    def resolve(self, url_path: str) -> Optional[str]:
        """The regular file under the root for a decoded URL path, or None.
        Symbolic links are resolved first, so neither ".." nor a link can
        reach outside the root."""
        if "\0" in url_path:
            return None
        candidate = os.path.realpath(os.path.join(self.root, url_path.lstrip("/")))
        if os.path.commonpath([self.root, candidate]) != self.root:
            return None
        return candidate if os.path.isfile(candidate) else None

    # -- rules ------------------------------------------------------------

    def set_rule(self, rule: Rule):
        with self._lock:
            self._rules[rule.path] = rule

    def reset_rules(self):
        with self._lock:
            self._rules.clear()

    def take_rule(self, path: str) -> Optional[Rule]:
        """The rule for a request to `path`, counting one use against its
        `times` and removing it when they are used up."""
        with self._lock:
            rule = self._rules.get(path)
            if rule is not None and rule.times is not None:
                rule.times -= 1
                if rule.times <= 0:
                    del self._rules[path]
            return rule

    # -- log --------------------------------------------------------------

    def log_request(self, request_line: str, header_lines: list):
        block = ">>> " + request_line + "\n" + "".join(h + "\n" for h in header_lines) + "\n"
        with self._lock:
            self._log_blocks.append(block)
            if self._log_file is not None:
                self._log_file.write(block.encode("latin-1"))
                self._log_file.flush()     # tests read the file while we run

    def log_text(self) -> str:
        with self._lock:
            return "".join(self._log_blocks)

    def clear_log(self):
        with self._lock:
            self._log_blocks.clear()
            if self._log_file is not None:
                self._log_file.truncate(0)  # "ab" mode: later writes still append


# --------------------------------------------------------------------------
# Command line
# --------------------------------------------------------------------------

def load_rules(path: str) -> list:
    with open(path, encoding="utf-8") as f:
        entries = json.load(f)
    if not isinstance(entries, list) or not all(isinstance(e, dict) for e in entries):
        raise ValueError("the rules file must hold a JSON list of objects")
    return [make_rule(entry) for entry in entries]


def write_port_file(path: str, port: int):
    # Write-then-rename: a reader polling for the file sees all or nothing.
    temporary = path + ".tmp"
    with open(temporary, "w", encoding="ascii") as f:
        f.write(str(port))
    os.replace(temporary, path)


def main(argv=None) -> int:
    parser = argparse.ArgumentParser(description="Local HTTP server for the download tests.")
    parser.add_argument("--root", required=True, help="folder to serve")
    parser.add_argument("--port", type=int, default=0, help="port on 127.0.0.1 (0: any free port)")
    parser.add_argument("--port-file", help="write the chosen port to this file once listening")
    parser.add_argument("--log", help="append the request log to this file")
    parser.add_argument("--rules", help="JSON list of misbehaviour rules active from the start")
    args = parser.parse_args(argv)

    try:
        rules = load_rules(args.rules) if args.rules else []
        server = LocalTestServer(args.root, args.port, args.log, rules)
    except (OSError, ValueError) as error:
        parser.error(str(error))           # exits with code 2

    # The handlers only set a flag: doing real work inside a signal handler
    # could deadlock on a lock the interrupted code holds.
    stop_requested = []
    for signum in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signum, lambda *_: stop_requested.append(True))

    server.start()
    if args.port_file:
        write_port_file(args.port_file, server.port)
    print(f"testserver: serving {server.root} at {server.url()}", file=sys.stderr, flush=True)
    while not stop_requested:
        time.sleep(0.1)
    server.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
