#!/usr/bin/env python3
"""Stand-in for the official archive server and the official race web site.

Serves, on a free loopback port over plain HTTP, the paths the program asks
for:

    /od2/B/YYYYMM/bYYMMDD.lzh, /od2/K/YYYYMM/kYYMMDD.lzh    daily archives
    /static_extra/pc_static/download/data/kibetsu/fanYYMM.lzh  racer periods
    /owpc/pc/race/index?hd=YYYYMMDD                         meeting list
    /owpc/pc/race/beforeinfo?rno=R&jcd=JJ&hd=YYYYMMDD       before-race page
    /owpc/pc/race/odds3t?rno=R&jcd=JJ&hd=YYYYMMDD           trifecta odds
    /owpc/pc/race/odds3f, odds2tf, oddsk, oddstf (same query)  the other odds

One server plays both hosts: point WAKELORE_ARCHIVE_SERVER and
WAKELORE_RACE_SITE at the base URL it prints.

What an address answers, first match wins:
  1. a fault set for the address (see below);
  2. bytes put for the address through the control interface;
  3. a file of the tree (--root): the address path below the root, and for
     an address with a query the file name is the last path segment, '?'
     and the query as sent ("owpc/pc/race/index?hd=20201130");
  4. status 404.
The tree given by --root is used as it stands; without --root the server
builds one in a temporary folder from the shared fixtures (the official
archives of 2023-09-01 and 2023-09-21 under /od2/B and /od2/K, the
meeting list of 2020-11-30, and the race-day pages of the 12 races of
stadium 07 on 2023-09-01: the before-race sample with exhibition times,
and the five odds samples with every odds number made distinct, see
race_day_value).

Faults, set per address (path with or without its query; an exact match of
path and query wins over the bare path):
  404       status 404 with a small HTML body
  html      status 200 with an HTML notice page (what the archive server
            answers for a day it does not have)
  empty     status 200 with no body
  gzip      the normal answer, gzip-encoded with Content-Encoding: gzip,
            when the request's Accept-Encoding names gzip (else plain)
  size:N    status 200 with a body of N bytes ('x')
  slow:MS   waits MS milliseconds, then gives the normal answer

Control interface (GET, answers text/plain "ok" or the asked data; control
requests are not logged):
  /__control/reset                      forget faults, put bytes and the log
  /__control/fault?path=P&kind=K        set fault K for address P
  /__control/put?path=P&fixture=REL     serve a shared fixture file
                                        (REL below the fixtures folder)
  /__control/put?path=P&b64=DATA        serve bytes (URL-safe base64; the
                                        request line holds at most 64 KiB)
  /__control/put?path=P&text=T          serve the UTF-8 text T
  /__control/log                        the requests since the last reset,
                                        one per line, tab-separated:
                                        method, path with query,
                                        Accept-Encoding, User-Agent,
                                        "gzip" or "plain" (what was sent)
  /__control/quit                       stop the server

Start: official_server.py [--root DIR] [--fixtures DIR] [--port N]
       [--port-file FILE] [--idle-exit SECONDS]
Once listening it prints its base URL (http://127.0.0.1:PORT) on one line
and, with --port-file, writes the same line to FILE (atomically).  With
--idle-exit it stops after that many seconds without any request.
"""
import argparse
import base64
import gzip
import http.server
import os
import shutil
import signal
import socketserver
import sys
import tempfile
import threading
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_FIXTURES = os.path.join(os.path.dirname(HERE), "fixtures")

NOTICE_PAGE = ("<html><head><meta charset=\"utf-8\"><title>お知らせ</title></head>"
               "<body><p>指定されたファイルは存在しません。</p></body></html>").encode("utf-8")
NOT_FOUND_PAGE = b"<html><body><h1>404 Not Found</h1></body></html>"
MAX_FAULT_SIZE = 64 * 1024 * 1024


class State:
    def __init__(self, root, fixtures):
        self.lock = threading.Lock()
        self.root = root
        self.fixtures = fixtures
        self.faults = {}
        self.bodies = {}
        self.log = []
        self.last_activity = time.monotonic()

    def reset(self):
        with self.lock:
            self.faults.clear()
            self.bodies.clear()
            self.log.clear()


RACE_DAY = "20230901"
RACE_DAY_STADIUM = "07"
ODDS_PAGES = ("odds3t", "odds3f", "odds2tf", "oddsk", "oddstf")
PLACEHOLDER = b"9999.9"


def race_day_value(race_no, n):
    """The odds number written for the n-th placeholder (from 1) of race
    race_no's odds pages, counted over the pages in ODDS_PAGES order (both
    ends of a range count): race 1 has 1001.5, 1002.5, ... 1233.5."""
    return "%d.5" % (race_no * 1000 + n)


EMPTY_BOAT_CELL = b'<td rowspan="4">&nbsp;</td>'


def exhibition_page(sample):
    """The before-race sample with exhibition times 6.51 .. 6.56 (boats 1
    to 6) and tilt -0.5 in the empty cells of its six boat blocks."""
    blocks = sample.split(b'<tbody class="is-fs12 ')
    out = [blocks[0]]
    for boat, block in enumerate(blocks[1:], start=1):
        block = block.replace(EMPTY_BOAT_CELL, b'<td rowspan="4">6.5%d</td>' % boat, 1)
        block = block.replace(EMPTY_BOAT_CELL, b'<td rowspan="4">-0.5</td>', 1)
        out.append(block)
    return b'<tbody class="is-fs12 '.join(out)


def race_day_pages(fixtures, race_no):
    """(page name, bytes) of the six race-day pages of one race."""
    web = os.path.join(fixtures, "web")
    pages = []
    with open(os.path.join(web, "beforeinfo_sample.html"), "rb") as fh:
        pages.append(("beforeinfo", exhibition_page(fh.read())))
    n = 0
    for name in ODDS_PAGES:
        with open(os.path.join(web, name + "_sample.html"), "rb") as fh:
            parts = fh.read().split(PLACEHOLDER)
        out = [parts[0]]
        for part in parts[1:]:
            n += 1
            out.append(race_day_value(race_no, n).encode("ascii"))
            out.append(part)
        pages.append((name, b"".join(out)))
    return pages


def build_default_tree(fixtures):
    root = tempfile.mkdtemp(prefix="wakelore-official-")
    official = os.path.join(fixtures, "official")
    for name, letter, month in (("b230901.lzh", "B", "202309"), ("b230921.lzh", "B", "202309"),
                                ("k230901.lzh", "K", "202309"), ("k230921.lzh", "K", "202309")):
        source = os.path.join(official, name)
        if os.path.exists(source):
            folder = os.path.join(root, "od2", letter, month)
            os.makedirs(folder, exist_ok=True)
            shutil.copyfile(source, os.path.join(folder, name))
    page = os.path.join(fixtures, "web", "index_hd20201130.html")
    if os.path.exists(page):
        folder = os.path.join(root, "owpc", "pc", "race")
        os.makedirs(folder, exist_ok=True)
        shutil.copyfile(page, os.path.join(folder, "index?hd=20201130"))
    if os.path.exists(os.path.join(fixtures, "web", "odds3f_sample.html")):
        folder = os.path.join(root, "owpc", "pc", "race")
        os.makedirs(folder, exist_ok=True)
        for race_no in range(1, 13):
            for name, body in race_day_pages(fixtures, race_no):
                target = "%s?rno=%d&jcd=%s&hd=%s" % (name, race_no, RACE_DAY_STADIUM, RACE_DAY)
                with open(os.path.join(folder, target), "wb") as fh:
                    fh.write(body)
    return root


def tree_file(root, target):
    """The file of the tree that serves `target` (path and query), or None."""
    if not root:
        return None
    path, _, query = target.partition("?")
    path = urllib.parse.unquote(path)
    parts = [p for p in path.split("/") if p]
    if not parts or any(p in (".", "..") or "\\" in p for p in parts):
        return None
    if query:
        parts[-1] = parts[-1] + "?" + query
    candidate = os.path.join(root, *parts)
    real_root = os.path.realpath(root)
    if not os.path.realpath(candidate).startswith(real_root + os.sep):
        return None
    return candidate if os.path.isfile(candidate) else None


class Handler(http.server.BaseHTTPRequestHandler):
    server_version = "OfficialStandIn/1.0"
    protocol_version = "HTTP/1.0"

    def log_message(self, fmt, *args):
        pass

    @property
    def state(self):
        return self.server.state

    def send_body(self, status, body, content_type="text/html; charset=utf-8", encoding=None):
        try:
            self.send_response(status)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Cache-Control", "no-store")
            if encoding:
                self.send_header("Content-Encoding", encoding)
            self.end_headers()
            if body:
                self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def do_GET(self):
        self.state.last_activity = time.monotonic()
        if self.path.startswith("/__control/"):
            self.control()
        else:
            self.serve()

    # -- control ---------------------------------------------------------
    def control(self):
        parsed = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(parsed.query, keep_blank_values=True)

        def arg(name):
            values = query.get(name)
            return values[0] if values else None

        command = parsed.path[len("/__control/"):]
        state = self.state
        if command == "reset":
            state.reset()
            return self.text("ok")
        if command == "log":
            with state.lock:
                lines = list(state.log)
            return self.text("".join(line + "\n" for line in lines))
        if command == "quit":
            self.text("ok")
            threading.Thread(target=self.server.shutdown, daemon=True).start()
            return None
        path = arg("path")
        if not path or not path.startswith("/"):
            return self.text("path missing", 400)
        if command == "fault":
            kind = arg("kind") or ""
            if not valid_fault(kind):
                return self.text("unknown fault " + kind, 400)
            with state.lock:
                if kind == "none":
                    state.faults.pop(path, None)
                else:
                    state.faults[path] = kind
            return self.text("ok")
        if command == "put":
            data = None
            if arg("fixture") is not None:
                rel = arg("fixture")
                full = os.path.realpath(os.path.join(state.fixtures, rel))
                if not full.startswith(os.path.realpath(state.fixtures) + os.sep) or not os.path.isfile(full):
                    return self.text("no fixture " + rel, 400)
                with open(full, "rb") as fh:
                    data = fh.read()
            elif arg("b64") is not None:
                try:
                    data = base64.urlsafe_b64decode(arg("b64").encode("ascii"))
                except (ValueError, UnicodeEncodeError):
                    return self.text("bad base64", 400)
            elif arg("text") is not None:
                data = arg("text").encode("utf-8")
            if data is None:
                return self.text("nothing to put", 400)
            with state.lock:
                state.bodies[path] = data
            return self.text("ok")
        return self.text("unknown command", 404)

    def text(self, message, status=200):
        self.send_body(status, message.encode("utf-8"), "text/plain; charset=utf-8")

    # -- official paths --------------------------------------------------
    def serve(self):
        state = self.state
        target = self.path
        bare = target.partition("?")[0]
        accept = self.headers.get("Accept-Encoding", "")
        agent = self.headers.get("User-Agent", "")
        with state.lock:
            fault = state.faults.get(target, state.faults.get(bare))
            body = state.bodies.get(target, state.bodies.get(bare))
        if body is None:
            found = tree_file(state.root, target)
            if found is not None:
                with open(found, "rb") as fh:
                    body = fh.read()
        compress = fault == "gzip" and body is not None and "gzip" in accept.lower()
        # Logged on arrival, so a client that gave up on a slow answer
        # still finds its request in the log.
        with state.lock:
            state.log.append("\t".join(["GET", target, accept, agent, "gzip" if compress else "plain"]))

        if fault and fault.startswith("slow:"):
            time.sleep(int(fault[5:]) / 1000.0)
            fault = None
        if fault == "404":
            return self.send_body(404, NOT_FOUND_PAGE)
        if fault == "html":
            return self.send_body(200, NOTICE_PAGE)
        if fault == "empty":
            return self.send_body(200, b"")
        if fault and fault.startswith("size:"):
            return self.send_body(200, b"x" * int(fault[5:]))
        if body is None:
            return self.send_body(404, NOT_FOUND_PAGE)
        content_type = "application/octet-stream" if bare.endswith(".lzh") else "text/html; charset=utf-8"
        if compress:
            return self.send_body(200, gzip.compress(body), content_type, "gzip")
        return self.send_body(200, body, content_type)


def valid_fault(kind):
    if kind in ("404", "html", "empty", "gzip", "none"):
        return True
    for prefix, limit in (("size:", MAX_FAULT_SIZE), ("slow:", 600000)):
        if kind.startswith(prefix) and kind[len(prefix):].isdigit():
            return int(kind[len(prefix):]) <= limit
    return False


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = False


def main():
    parser = argparse.ArgumentParser(description="stand-in official servers")
    parser.add_argument("--root")
    parser.add_argument("--fixtures", default=DEFAULT_FIXTURES)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--idle-exit", type=float, default=0)
    args = parser.parse_args()

    built = None
    root = args.root
    if root is None:
        built = root = build_default_tree(args.fixtures)
    server = Server(("127.0.0.1", args.port), Handler)
    server.state = State(root, args.fixtures)
    base = "http://127.0.0.1:%d" % server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as fh:
            fh.write(base + "\n")
        os.replace(tmp, args.port_file)
    print(base, flush=True)

    # A plain kill still removes the tree built above.
    signal.signal(signal.SIGTERM,
                  lambda *_: threading.Thread(target=server.shutdown, daemon=True).start())

    if args.idle_exit > 0:
        def watch():
            while True:
                time.sleep(1)
                if time.monotonic() - server.state.last_activity > args.idle_exit:
                    server.shutdown()
                    return
        threading.Thread(target=watch, daemon=True).start()
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        server.server_close()
        if built:
            shutil.rmtree(built, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
