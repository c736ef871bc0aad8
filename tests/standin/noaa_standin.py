#!/usr/bin/python3
"""A local stand-in for NOAA's web server, for tests.

Serves the files of a data folder on 127.0.0.1 and misbehaves on the paths it is told to. The
first line on standard output is "PORT <n>"; with --tls the second is "TLS-PORT <n>". See
README.md next to this file.
"""

import argparse
import email.utils
import gzip
import html
import http.server
import json
import os
import selectors
import signal
import socket
import ssl
import struct
import sys
import threading
import time
import urllib.parse
import zlib

# No rule holds a connection or sends a body beyond these.
# As a proxy, a CONNECT to this host is answered 407, as a proxy that wants a sign-in answers.
SIGN_IN_TUNNEL_HOST = "proxy-sign-in.invalid"
MAX_SECONDS = 60.0
MAX_BYTES = 1 << 30
MAX_DRIP_PIECES = 100
PIECE = 64 * 1024
# The body of a misbehaving path that has no file.
FILLER_LINE = b"KXYZ 141251Z 27010KT 10SM FEW050 21/09 A3002 RMK AO2\n"
FILLER = FILLER_LINE * 1000

BEHAVIOURS = {
    "serve": "the file as it is (removes a rule)",
    "plain": "the file whole and uncompressed, whatever conditions or encodings the request names",
    "uncompressed": "the file as it is, never gzip-compressed",
    "status": "CODE: that status with a short page",
    "redirect": "TARGET: 302 to TARGET, a path or a URL",
    "redirect-tls": "PATH: 301 to PATH on this server's HTTPS listener, as localhost",
    "redirect-plain": "PATH: 301 to PATH on this server's plain HTTP listener, as localhost",
    "short": "N: announces the whole file, sends N bytes, closes",
    "broken-chunked": "N: the first N bytes in chunks, closes without the last chunk",
    "cut-chunk": "N: announces a chunk of N bytes, sends half of it, closes",
    "stall": "SECONDS: headers, then nothing for SECONDS, then closes",
    "silent": "SECONDS: reads the request, answers nothing for SECONDS, closes",
    "drip": "MS: the file in up to 100 pieces, MS milliseconds apart",
    "pause": "MS: headers and half the file, nothing for MS milliseconds, then the rest",
    "huge": "N: N bytes without Content-Length, ended by closing",
    "huge-announced": "N: N bytes with Content-Length N",
    "reset": "[N]: headers and N bytes (none: nothing at all), then a TCP reset",
    "gzip-short": "N: the file gzip-compressed, announced whole, N bytes of it, closes",
    "gzip-damaged": "the file gzip-compressed, with bytes in the middle changed",
    "gzip-bomb": "N: a small gzip body that inflates to N zero bytes",
    "gzip-padded": "N: the file gzip-compressed, followed by N zero bytes",
    "proxy-sign-in": "[SCHEMES]: 407 with Proxy-Authenticate: SCHEMES (Basic when none), as a "
                     "proxy that wants a sign-in",
    "sign-in": "SCHEMES: 401 with WWW-Authenticate: SCHEMES, as a server that wants a sign-in",
    "keep-alive": "the file whole, uncompressed, the connection kept open for the next request",
    "date": "TEXT: the file with the Date header TEXT",
    "aged": "SECONDS: the file with a Date that many seconds behind the clock and an Age of as "
            "many, as a cache sends a copy it has kept",
    "no-date": "the file without a Date header",
    "zone": "MINUTES: a folder's index with its times MINUTES ahead of UTC (negative: behind)",
}


class Rules:
    """Behaviour per URL path, changed from the command line or POST /__control."""

    def __init__(self):
        self._lock = threading.Lock()
        self._rules = {}

    def set(self, path, behaviour, arg):
        if behaviour not in BEHAVIOURS:
            raise ValueError(f"unknown behaviour {behaviour!r}")
        with self._lock:
            if behaviour == "serve":
                self._rules.pop(path, None)
            else:
                self._rules[path] = (behaviour, arg)

    def get(self, path):
        with self._lock:
            return self._rules.get(path, ("serve", None))


class CompressedFiles:
    """The gzip variant of each version of a file, made once: compressing megabytes in Python
    for every request would slow the stand-in more than the compression saves its clients."""

    MAX_ENTRIES = 64

    def __init__(self):
        self._lock = threading.Lock()
        self._entries = {}

    def get(self, key, body):
        with self._lock:
            packed = self._entries.get(key)
        if packed is None:
            packed = _gzip(body)
            with self._lock:
                if len(self._entries) >= self.MAX_ENTRIES:
                    self._entries.clear()
                self._entries[key] = packed
        return packed


COMPRESSED_FILES = CompressedFiles()


class RequestLog:
    """The GET requests served, in order, for tests to check what a client asked and what it got:
    each one's path, status and the body bytes sent, and whether it came to the stand-in as a
    proxy (a GET of a full address, or a CONNECT). A benchmark places each on its own timeline:
    when it was asked, answered, and its body's first piece began and last piece ended going out,
    in seconds of CLOCK_MONOTONIC_RAW, the clock Wine's performance counter reads."""

    def __init__(self):
        self._lock = threading.Lock()
        self._entries = []

    def add(self, path, proxied=False):
        """Logs a request; returns its index for the calls below."""
        with self._lock:
            self._entries.append({"path": path, "status": None, "bytes": 0, "proxied": proxied,
                                  "asked": _now(), "answered": None, "body_start": None,
                                  "body_end": None})
            return len(self._entries) - 1

    def answered(self, index, status):
        with self._lock:
            self._entries[index]["status"] = status
            self._entries[index]["answered"] = _now()

    def sending(self, index, size):
        with self._lock:
            entry = self._entries[index]
            entry["bytes"] += size
            if entry["body_start"] is None:
                entry["body_start"] = _now()

    def sent(self, index):
        with self._lock:
            self._entries[index]["body_end"] = _now()

    def entries(self):
        with self._lock:
            return [dict(entry) for entry in self._entries]


def _now():
    return time.clock_gettime(time.CLOCK_MONOTONIC_RAW)


class BodyCounter:
    """The handler's output stream, counting the body's bytes into the request's log entry. Each
    piece is counted before it goes out, so a client that has the whole body finds it counted."""

    def __init__(self, stream, log, index):
        self._stream = stream
        self._log = log
        self._index = index

    def write(self, data):
        self._log.sending(self._index, len(data))
        written = self._stream.write(data)
        self._log.sent(self._index)
        return written

    def __getattr__(self, name):
        return getattr(self._stream, name)


def parse_rule(text):
    """PATH=BEHAVIOUR[:ARG]; the argument may hold colons (dates, URLs)."""
    path, _, action = text.partition("=")
    behaviour, _, arg = action.partition(":")
    if not path.startswith("/") or not behaviour:
        raise argparse.ArgumentTypeError(f"rule {text!r} is not PATH=BEHAVIOUR[:ARG]")
    return path, behaviour, arg or None


def bounded_seconds(arg):
    return min(float(arg), MAX_SECONDS)


def bounded_bytes(arg):
    return min(int(arg), MAX_BYTES)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    timeout = MAX_SECONDS  # for reading a request
    log_index = None  # the request's entry in the log; none for the stand-in's own endpoints

    def log_message(self, format, *args):
        if self.server.verbose:
            super().log_message(format, *args)

    def do_GET(self):
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
        self.close_connection = True
        if path == "/__requests":
            self._send(200, json.dumps(self.server.requests.entries()).encode())
            return
        self.log_index = self.server.requests.add(path, proxied="://" in self.path)
        behaviour, arg = self.server.rules.get(path)
        try:
            getattr(self, "_" + behaviour.replace("-", "_"))(path, arg)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            pass  # the client went away, as clients do when they give up

    def do_CONNECT(self):
        """As a proxy for HTTPS: a tunnel to the port named, on this machine whatever the host,
        so that a test can name a host that only the proxy reaches."""
        self.close_connection = True
        index = self.server.requests.add(f"CONNECT {self.path}", proxied=True)
        if self.path.partition(":")[0] == SIGN_IN_TUNNEL_HOST:
            self.server.requests.answered(index, 407)
            self.send_response(407, "Proxy Authentication Required")
            self.send_header("Proxy-Authenticate", 'Basic realm="standin"')
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        try:
            upstream = socket.create_connection(("127.0.0.1", int(self.path.rpartition(":")[2])),
                                                timeout=MAX_SECONDS)
        except (OSError, ValueError):
            self.server.requests.answered(index, 502)
            self._send(502, b"no tunnel\n")
            return
        self.server.requests.answered(index, 200)
        self.send_response_only(200, "Connection established")
        self.end_headers()
        self.wfile.flush()
        with upstream:
            _relay(self.connection, upstream)

    def do_POST(self):
        self.close_connection = True
        if self.path != "/__control":
            self._send(404, b"not found\n")
            return
        try:
            length = int(self.headers.get("Content-Length", "0"))
            order = json.loads(self.rfile.read(min(length, 65536)))
            if "clock" in order:
                self.server.clock.set(order["clock"])
            else:
                self.server.rules.set(order["path"], order["behaviour"], order.get("arg"))
        except (ValueError, KeyError, TypeError) as error:
            self._send(400, f"{error}\n".encode())
            return
        self._send(204, b"")

    # -- Helpers

    def _local_path(self, path):
        """Where a URL path lies under the root, or None when it points outside."""
        root = os.path.realpath(self.server.root)
        local = os.path.realpath(os.path.join(root, path.lstrip("/")))
        return local if os.path.commonpath([root, local]) == root else None

    def _file_body(self, path, zone_minutes=0):
        """The bytes a path names under the root, or None."""
        local = self._local_path(path)
        if local is None:
            return None
        if os.path.isdir(local):
            index = os.path.join(local, "index.html")
            return (_read(index) if os.path.isfile(index)
                    else _listing(path, local, zone_minutes))
        return _read(local) if os.path.isfile(local) else None

    def _validators(self, path):
        """Last-Modified and ETag of a file, in Apache's manner; None for anything else."""
        local = self._local_path(path)
        if local is None or not os.path.isfile(local):
            return None
        stat = os.stat(local)
        return (email.utils.formatdate(stat.st_mtime, usegmt=True),
                f'"{stat.st_size:x}-{stat.st_mtime_ns // 1000:x}"', int(stat.st_mtime))

    def _not_modified(self, etag, modified):
        """Whether the request's conditions still hold; If-None-Match outranks If-Modified-Since."""
        match = self.headers.get("If-None-Match")
        if match is not None:
            return match.strip() == "*" or etag in (tag.strip() for tag in match.split(","))
        since = self.headers.get("If-Modified-Since")
        try:
            return since is not None and modified <= email.utils.parsedate_to_datetime(
                since).timestamp()
        except (TypeError, ValueError):
            return False

    def _accepts_gzip(self):
        for offer in self.headers.get("Accept-Encoding", "").split(","):
            coding, _, weight = offer.partition(";")
            if coding.strip().lower() in ("gzip", "x-gzip") and weight.replace(" ", "") != "q=0":
                return True
        return False

    def _body(self, path):
        body = self._file_body(path)
        return FILLER if body is None else body

    def _headers(self, status, length=None, date=True, extra=()):
        self.send_response_only(status)
        if self.log_index is not None:
            self.server.requests.answered(self.log_index, status)
        if date:
            self.send_header("Date", email.utils.formatdate(self.server.clock.now(), usegmt=True))
        self.send_header("Content-Type", "text/plain")
        if length is not None:
            self.send_header("Content-Length", str(length))
        for name, value in extra:
            self.send_header(name, value)
        if self.close_connection:
            self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.flush()
        if self.log_index is not None:
            self.wfile = BodyCounter(self.wfile, self.server.requests, self.log_index)

    def _send(self, status, body, date=True, extra=()):
        self._headers(status, len(body), date, extra)
        self.wfile.write(body)

    # -- Behaviours, one per rule

    def _serve(self, path, _, conditions=True, compression=True):
        body = self._file_body(path)
        if body is None:
            self._send(404, b"<html><body>Not Found</body></html>\n")
            return
        compress = compression and self._accepts_gzip()
        extra = []
        validators = self._validators(path)
        if validators:
            last_modified, etag, modified = validators
            if conditions and self._not_modified(etag, modified):
                self._headers(304, extra=[("Last-Modified", last_modified), ("ETag", etag)])
                return
            if compress:
                # Apache marks the compressed variant, so its ETag never matches the file's.
                etag = etag[:-1] + '-gzip"'
            extra = [("Last-Modified", last_modified), ("ETag", etag)]
        if compress:
            body = COMPRESSED_FILES.get((path, etag), body) if validators else _gzip(body)
            extra += [("Content-Encoding", "gzip"), ("Vary", "Accept-Encoding")]
        self._send(200, body, extra=extra)

    def _plain(self, path, arg):
        self._serve(path, arg, conditions=False, compression=False)

    def _uncompressed(self, path, arg):
        self._serve(path, arg, compression=False)

    def _status(self, _, arg):
        code = int(arg)
        self._send(code, f"<html><body>{code}</body></html>\n".encode())

    def _redirect(self, _, arg):
        target = arg if "://" in arg else f"http://{self.headers.get('Host')}{arg}"
        self._send(302, b"", extra=[("Location", target)])

    def _redirect_tls(self, _, arg):
        if not self.server.tls_port:
            self._send(500, b"no TLS listener\n")
            return
        target = f"https://localhost:{self.server.tls_port}{arg}"
        self._send(301, b"", extra=[("Location", target)])

    def _redirect_plain(self, _, arg):
        target = f"http://localhost:{self.server.plain_port}{arg}"
        self._send(301, b"", extra=[("Location", target)])

    def _short(self, path, arg):
        body = self._body(path)
        self._headers(200, len(body))
        self.wfile.write(body[: min(int(arg), len(body) - 1)])

    def _broken_chunked(self, path, arg):
        body = self._body(path)[: bounded_bytes(arg)]
        self._headers(200, extra=[("Transfer-Encoding", "chunked")])
        for start in range(0, len(body), 1000):
            piece = body[start : start + 1000]
            self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))

    def _cut_chunk(self, path, arg):
        body = self._body(path)[: bounded_bytes(arg)]
        self._headers(200, extra=[("Transfer-Encoding", "chunked")])
        self.wfile.write(b"%x\r\n%s" % (len(body), body[: len(body) // 2]))

    def _stall(self, path, arg):
        self._headers(200, len(self._body(path)))
        time.sleep(bounded_seconds(arg))

    def _silent(self, _, arg):
        time.sleep(bounded_seconds(arg))

    def _drip(self, path, arg):
        body = self._body(path)
        interval = min(float(arg) / 1000, MAX_SECONDS / MAX_DRIP_PIECES)
        size = max(1, -(-len(body) // MAX_DRIP_PIECES))
        self._headers(200, len(body))
        for start in range(0, len(body), size):
            time.sleep(interval)
            self.wfile.write(body[start : start + size])
            self.wfile.flush()

    def _pause(self, path, arg):
        body = self._body(path)
        half = len(body) // 2
        self._headers(200, len(body))
        self.wfile.write(body[:half])
        self.wfile.flush()
        time.sleep(min(float(arg) / 1000, MAX_SECONDS))
        self.wfile.write(body[half:])

    def _stream(self, total):
        sent = 0
        while sent < total:
            piece = FILLER[: min(len(FILLER), total - sent)]
            self.wfile.write(piece)
            sent += len(piece)

    def _huge(self, _, arg):
        self._headers(200)
        self._stream(bounded_bytes(arg))

    def _huge_announced(self, _, arg):
        total = bounded_bytes(arg)
        self._headers(200, total)
        self._stream(total)

    def _reset(self, path, arg):
        if arg:
            body = self._body(path)
            self._headers(200, len(body))
            self.wfile.write(body[: int(arg)])
            self.wfile.flush()
        # Linger 0: closing sends RST instead of FIN.
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.connection.close()

    def _gzip_short(self, path, arg):
        body = _gzip(self._body(path))
        self._headers(200, len(body), extra=[("Content-Encoding", "gzip")])
        self.wfile.write(body[: min(int(arg), len(body) - 1)])

    def _gzip_damaged(self, path, _):
        body = bytearray(_gzip(self._body(path)))
        middle = len(body) // 2
        body[middle : middle + 16] = bytes(byte ^ 0x5A for byte in body[middle : middle + 16])
        self._send(200, bytes(body), extra=[("Content-Encoding", "gzip")])

    def _gzip_padded(self, path, arg):
        body = _gzip(self._body(path)) + bytes(bounded_bytes(arg))
        self._send(200, body, extra=[("Content-Encoding", "gzip")])

    def _gzip_bomb(self, _, arg):
        packer = zlib.compressobj(9, zlib.DEFLATED, 16 + zlib.MAX_WBITS)
        zeros = bytes(PIECE)
        left = bounded_bytes(arg)
        pieces = []
        while left > 0:
            pieces.append(packer.compress(zeros[: min(left, PIECE)]))
            left -= PIECE
        body = b"".join(pieces) + packer.flush()
        self._send(200, body, extra=[("Content-Encoding", "gzip")])

    def _keep_alive(self, path, _):
        body = self._file_body(path)
        self.close_connection = False
        self._send(200, b"" if body is None else body)

    def _proxy_sign_in(self, _, arg):
        self._send(407, b"<html><body>407</body></html>\n",
                   extra=[("Proxy-Authenticate", arg or 'Basic realm="stand-in"')])

    def _sign_in(self, _, arg):
        self._send(401, b"<html><body>401</body></html>\n", extra=[("WWW-Authenticate", arg)])

    def _date(self, path, arg):
        body = self._file_body(path)
        self._send(200, b"" if body is None else body, date=False, extra=[("Date", arg)])

    def _aged(self, path, arg):
        body = self._file_body(path)
        kept = email.utils.formatdate(self.server.clock.now() - int(arg), usegmt=True)
        self._send(200, b"" if body is None else body, date=False,
                   extra=[("Date", kept), ("Age", arg)])

    def _no_date(self, path, _):
        body = self._file_body(path)
        self._send(200, b"" if body is None else body, date=False)

    def _zone(self, path, arg):
        body = self._file_body(path, int(arg))
        if body is None:
            self._send(404, b"<html><body>Not Found</body></html>\n")
            return
        self._send(200, body)


class Clock:
    """What the Date header says: this computer's clock, or a moment set at start or at run time
    that runs on from there, so that the Date can match the data served, as NOAA's does."""

    def __init__(self):
        self._lock = threading.Lock()
        self._offset = 0.0

    def set(self, http_date):
        """Sets the clock to `http_date`, or back to this computer's when it is None."""
        offset = 0.0
        if http_date is not None:
            offset = email.utils.parsedate_to_datetime(http_date).timestamp() - time.time()
        with self._lock:
            self._offset = offset

    def now(self):
        with self._lock:
            return time.time() + self._offset


def _relay(client, upstream):
    """Copies bytes both ways until either side closes or all is quiet for MAX_SECONDS."""
    with selectors.DefaultSelector() as selector:
        selector.register(client, selectors.EVENT_READ, upstream)
        selector.register(upstream, selectors.EVENT_READ, client)
        while True:
            ready = selector.select(MAX_SECONDS)
            if not ready:
                return
            for key, _ in ready:
                try:
                    data = key.fileobj.recv(PIECE)
                    if not data:
                        return
                    key.data.sendall(data)
                except OSError:
                    return


def _gzip(data):
    """Compressed as Apache's mod_deflate does by default."""
    return gzip.compress(data, compresslevel=6, mtime=0)


def _read(path):
    with open(path, "rb") as file:
        return file.read()


def _listing(url_path, folder, zone_minutes=0):
    """A folder's files as Apache's index shows them, the way NOAA's server lists its cycle files:
    a link per file, its modification time to the minute, and its size. Apache writes the time in
    the server's zone without naming it: `zone_minutes` ahead of UTC."""
    title = html.escape(url_path.rstrip("/") or "/")
    parent = html.escape(url_path.rstrip("/").rpartition("/")[0] + "/")
    lines = ['<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 3.2 Final//EN">',
             f"<html>\n <head>\n  <title>Index of {title}</title>\n </head>\n <body>",
             f"<h1>Index of {title}</h1>",
             '<pre><img src="/icons/blank.gif" alt="Icon "> <a href="?C=N;O=D">Name</a>'
             '                    <a href="?C=M;O=A">Last modified</a>      '
             '<a href="?C=S;O=A">Size</a>  <a href="?C=D;O=A">Description</a><hr>'
             f'<img src="/icons/back.gif" alt="[PARENTDIR]"> <a href="{parent}">Parent Directory</a>'
             "                             -   "]
    for name in sorted(os.listdir(folder)):
        stat = os.stat(os.path.join(folder, name))
        stamp = time.strftime("%d-%b-%Y %H:%M", time.gmtime(stat.st_mtime + zone_minutes * 60))
        link = f'<a href="{urllib.parse.quote(name)}">{html.escape(name)}</a>'
        padding = " " * max(1, 24 - len(name))
        lines.append(f'<img src="/icons/text.gif" alt="[TXT]"> {link}{padding}{stamp}  '
                     f"{_apache_size(stat.st_size):>4}  ")
    lines.append("<hr></pre>\n</body></html>\n")
    return "\n".join(lines).encode()


def _apache_size(size):
    """A size as Apache's index writes it: bytes below 1K, then one decimal below 10, e.g. 2.3M."""
    if size < 973:
        return str(size)
    for unit in "KMGT":
        size /= 1024
        if size < 973 or unit == "T":
            return f"{size:.1f}{unit}" if size < 9.95 else f"{round(size)}{unit}"


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, rules, requests, clock, root, verbose, tls_context=None):
        super().__init__(("127.0.0.1", 0), Handler)
        self.rules = rules
        self.clock = clock
        self.requests = requests
        self.root = root
        self.verbose = verbose
        self.tls_port = None
        self.plain_port = self.server_address[1]
        self.tls_context = tls_context

    def get_request(self):
        connection, address = super().get_request()
        if self.tls_context:
            # The handshake happens in the request's thread, so a silent client stalls only itself.
            connection = self.tls_context.wrap_socket(
                connection, server_side=True, do_handshake_on_connect=False
            )
        return connection, address

    def handle_error(self, request, client_address):
        if self.verbose:
            super().handle_error(request, client_address)


def parse_arguments():
    parser = argparse.ArgumentParser(
        description="Local stand-in for NOAA's web server.",
        epilog="Behaviours: " + "; ".join(f"{name} {help}" for name, help in BEHAVIOURS.items()),
    )
    parser.add_argument("--root", required=True, help="folder whose files are served")
    parser.add_argument("--rule", action="append", type=parse_rule, default=[],
                        metavar="PATH=BEHAVIOUR[:ARG]", help="misbehave on PATH (repeatable)")
    parser.add_argument("--clock", metavar="HTTP-DATE",
                        help="the moment the Date header reads at start; it runs on from there")
    parser.add_argument("--lifetime", type=float, default=600.0,
                        help="seconds until the server stops by itself (default 600)")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"),
                        help="also serve HTTPS with this certificate chain and key")
    parser.add_argument("--verbose", action="store_true", help="log requests to standard error")
    return parser.parse_args()


def main():
    arguments = parse_arguments()
    rules = Rules()
    for path, behaviour, arg in arguments.rule:
        rules.set(path, behaviour, arg)
    requests = RequestLog()
    clock = Clock()
    clock.set(arguments.clock)
    servers = [Server(rules, requests, clock, arguments.root, arguments.verbose)]
    if arguments.tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(*arguments.tls)
        servers.append(Server(rules, requests, clock, arguments.root, arguments.verbose, context))
        servers[0].tls_port = servers[1].tls_port = servers[1].server_address[1]
        servers[1].plain_port = servers[0].server_address[1]
    print(f"PORT {servers[0].server_address[1]}")
    if arguments.tls:
        print(f"TLS-PORT {servers[1].server_address[1]}")
    sys.stdout.flush()

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    for server in servers:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    stop.wait(arguments.lifetime)
    for server in servers:
        server.shutdown()
        server.server_close()


if __name__ == "__main__":
    main()
