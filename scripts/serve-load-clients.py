#!/usr/bin/env python3
"""The clients of scripts/serve-load.sh, and its report.

run:    holds CLIENTS event streams of kestrum-cli serve open for SECONDS on one thread
        (selectors), each reconnecting after the stream's retry time with Last-Event-ID as a
        browser does. It notes for every event the moment its bytes reached the client's socket
        (the kernel's receive time stamp, SO_TIMESTAMPNS) and the moment this program read them;
        polls data1.txt every 10 ms; samples serve's VmRSS and thread count each minute; asks
        for the overview and a plan every 30 s, timing the answer. Writes it all as JSON.
report: reads that JSON with the feed server's announcements and serve's log and prints the
        figures.

Only the standard library: the script runs wherever the program's build does.
"""

import argparse
import datetime
import http.client
import json
import os
import re
import selectors
import socket
import statistics
import struct
import sys
import threading
import time

# Linux's value on every architecture that uses the generic socket numbers (x86-64, arm64);
# Python's socket module does not name it.
SO_TIMESTAMPNS = getattr(socket, "SO_TIMESTAMPNS", 35)
RETRY_DEFAULT = 2.0


class Stream:
    """One event-stream client: HTTP/1.1, a chunked body, Server-Sent Events."""

    def __init__(self, number, port, selector):
        self.number = number
        self.port = port
        self.selector = selector
        self.sock = None
        self.last_id = None
        self.retry = RETRY_DEFAULT
        self.reconnect_at = None
        self.events = []  # [id, data, kernel time, read time]
        self.keepalives = 0
        self.connects = 0
        self.ends = []  # [time, why]
        self.greeted_at = None

    def connect(self):
        sock = socket.create_connection(("127.0.0.1", self.port), timeout=10)
        sock.setsockopt(socket.SOL_SOCKET, SO_TIMESTAMPNS, 1)
        request = (f"GET /api/events HTTP/1.1\r\nHost: 127.0.0.1:{self.port}\r\n"
                   "Accept: text/event-stream\r\nCache-Control: no-cache\r\n")
        if self.last_id is not None:
            request += f"Last-Event-ID: {self.last_id}\r\n"
        sock.sendall((request + "\r\n").encode())
        sock.setblocking(False)
        self.sock = sock
        self.raw = b""
        self.headers_done = False
        self.text = ""
        self.connects += 1
        self.reconnect_at = None
        self.selector.register(sock, selectors.EVENT_READ, self)

    def drop(self, why, now):
        self.ends.append([now, why])
        if self.sock is not None:
            self.selector.unregister(self.sock)
            self.sock.close()
            self.sock = None
        self.reconnect_at = now + self.retry

    def readable(self):
        try:
            data, ancillary, _, _ = self.sock.recvmsg(65536, socket.CMSG_SPACE(16))
        except (BlockingIOError, InterruptedError):
            return
        except OSError as error:
            self.drop(f"error {error.errno}", time.time())
            return
        read_at = time.time()
        kernel_at = read_at
        for level, kind, value in ancillary:
            if level == socket.SOL_SOCKET and kind == SO_TIMESTAMPNS and len(value) >= 16:
                seconds, nanoseconds = struct.unpack("qq", value[:16])
                kernel_at = seconds + nanoseconds / 1e9
        if not data:
            self.drop("closed by the server", read_at)
            return
        self.raw += data
        if not self.headers_done:
            end = self.raw.find(b"\r\n\r\n")
            if end < 0:
                return
            head = self.raw[:end].decode("latin-1").split("\r\n")
            self.raw = self.raw[end + 4:]
            if not head[0].startswith("HTTP/1.1 200"):
                self.drop(f"answered {head[0]}", read_at)
                return
            if not any(h.lower() == "transfer-encoding: chunked" for h in head[1:]):
                self.drop("no chunked body", read_at)
                return
            self.headers_done = True
        # De-chunk what has arrived whole.
        while True:
            line_end = self.raw.find(b"\r\n")
            if line_end < 0:
                break
            size = int(self.raw[:line_end].split(b";")[0], 16)
            if size == 0:
                self.drop("the body ended", read_at)
                return
            if len(self.raw) < line_end + 2 + size + 2:
                break
            self.text += self.raw[line_end + 2:line_end + 2 + size].decode("utf-8")
            self.raw = self.raw[line_end + 2 + size + 2:]
        # Dispatch every whole event block.
        while "\n\n" in self.text:
            block, self.text = self.text.split("\n\n", 1)
            self.dispatch(block, kernel_at, read_at)

    def dispatch(self, block, kernel_at, read_at):
        fields = {}
        comment_only = True
        for line in block.split("\n"):
            if line.startswith(":"):
                continue
            comment_only = False
            name, _, value = line.partition(":")
            fields[name] = value[1:] if value.startswith(" ") else value
        if comment_only:
            self.keepalives += 1
            return
        if "retry" in fields:
            self.retry = int(fields["retry"]) / 1000
            if self.greeted_at is None:
                self.greeted_at = read_at
        if "id" in fields:
            self.last_id = int(fields["id"])
        if "data" in fields:
            self.events.append([self.last_id, json.loads(fields["data"]), kernel_at, read_at])


def proc_status(pid):
    values = {}
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                name, _, value = line.partition(":")
                if name in ("VmRSS", "VmHWM", "Threads"):
                    values[name] = int(value.split()[0])
    except OSError:
        pass
    return values


def probe(port, until, probes):
    """Every 30 s: the overview and a plan, timed; on its own thread, so a stalled server shows
    as a slow answer, not as a stalled client."""
    while time.time() < until:
        for path in ("/api/lotteries", "/api/lotteries/dbffc/plan"):
            started = time.time()
            try:
                connection = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
                connection.request("GET", path, headers={"Host": f"127.0.0.1:{port}"})
                answer = connection.getresponse()
                body = answer.read()
                connection.close()
                probes.append([started, path, answer.status, time.time() - started, len(body)])
            except OSError as error:
                probes.append([started, path, str(error), time.time() - started, 0])
        time.sleep(max(0.0, min(30.0, until - time.time())))


def run(args):
    selector = selectors.DefaultSelector()
    streams = [Stream(n, args.port, selector) for n in range(args.clients)]
    memory = [[time.time(), "before the clients", proc_status(args.serve_pid)]]
    for stream in streams:
        stream.connect()
    # Every client greeted (its retry line read) before the measured stretch begins.
    deadline = time.time() + 60
    while time.time() < deadline and any(s.greeted_at is None for s in streams):
        for key, _ in selector.select(timeout=0.1):
            key.data.readable()
    connected = time.time()
    if any(s.greeted_at is None for s in streams):
        print(f"only {sum(s.greeted_at is not None for s in streams)} of {args.clients} "
              "streams were answered within 60 s", file=sys.stderr)
    memory.append([connected, f"{args.clients} streams open", proc_status(args.serve_pid)])
    print(f"{args.clients} streams open at {time.strftime('%H:%M:%S')}; "
          f"measuring for {args.seconds} s ...", flush=True)

    ends = connected + args.seconds
    probes = []
    prober = threading.Thread(target=probe, args=(args.port, ends, probes), daemon=True)
    prober.start()
    data1 = []
    last_mtime = None
    next_poll = next_sample = time.time()
    while True:
        now = time.time()
        if now >= ends:
            break
        if now >= next_poll:
            next_poll = now + 0.01
            try:
                mtime = os.stat(args.data1).st_mtime_ns
                if mtime != last_mtime:
                    last_mtime = mtime
                    with open(args.data1, "rb") as f:
                        line = f.read().decode("gbk").split("\r")[0].strip()
                    data1.append([line, mtime / 1e9, now])
            except (OSError, UnicodeDecodeError):
                pass
        if now >= next_sample:
            next_sample = now + 60
            memory.append([now, "during", proc_status(args.serve_pid)])
        for stream in streams:
            if stream.sock is None and stream.reconnect_at is not None and now >= stream.reconnect_at:
                try:
                    stream.connect()
                except OSError as error:
                    stream.drop(f"reconnect failed: {error}", now)
        for key, _ in selector.select(timeout=max(0.0, min(next_poll, ends) - time.time())):
            key.data.readable()
    memory.append([time.time(), "at the end", proc_status(args.serve_pid)])
    prober.join(timeout=70)
    for stream in streams:
        if stream.sock is not None:
            stream.sock.close()
    result = {
        "clients": args.clients,
        "connected": connected,
        "ended": ends,
        "streams": [{"events": s.events, "keepalives": s.keepalives, "connects": s.connects,
                     "ends": s.ends, "greeted_at": s.greeted_at} for s in streams],
        "data1": data1,
        "memory": memory,
        "probes": probes,
    }
    with open(args.out, "w") as out:
        json.dump(result, out)


def percentile(values, share):
    """The nearest-rank percentile of sorted values."""
    return values[max(0, -(-len(values) * share // 100) - 1)]


def figures(values):
    values = sorted(values)
    if not values:
        return "none"
    return (f"median {statistics.median(values) * 1000:.1f} ms, p95 "
            f"{percentile(values, 95) * 1000:.1f} ms, max {values[-1] * 1000:.1f} ms "
            f"(n={len(values)})")


def report(args):
    result = json.load(open(args.results))
    connected, ended = result["connected"], result["ended"]
    published = {}
    for line in open(args.feedsim_log):
        m = re.match(r"feedsim: published /dbffc\.txt (\S+) at ([\d.]+)$", line.strip())
        if m:
            published[m.group(1)] = float(m.group(2))
    # serve's "new draw" lines (its clock read as UTC: the script runs it with TZ=UTC). The
    # line is logged once data1.txt and the export files are written, before the event goes out.
    logged = {}
    for line in open(args.serve_log):
        m = re.match(r"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}) dbffc \S+: new draw (\S+) ", line)
        if m:
            logged[m.group(2)] = datetime.datetime.strptime(
                m.group(1), "%Y-%m-%d %H:%M:%S.%f").replace(
                tzinfo=datetime.timezone.utc).timestamp()
    # The draws every client must have: those serve took in after every stream was open, up to
    # 10 s before the end.
    expected = sorted((at, period) for period, at in logged.items() if connected <= at <= ended - 10)
    expected_periods = [period for _, period in expected]
    in_window = [p for p, at in published.items() if connected <= at <= ended - 20]
    print(f"measured {ended - connected:.0f} s from "
          f"{datetime.datetime.fromtimestamp(connected, datetime.timezone.utc):%H:%M:%S} UTC "
          f"with {result['clients']} event-stream clients")
    print(f"draws of dbffc published by the feed server in the stretch (up to 20 s before its "
          f"end): {len(in_window)}; of them not logged as new by serve: "
          f"{len([p for p in in_window if p not in logged])}")
    print(f"new draws serve logged in the stretch (up to 10 s before its end): {len(expected)}")
    seen_after = [logged[p] - published[p] for p in expected_periods if p in published]
    print(f"from the feed server's publication to serve's \"new draw\" line: {figures(seen_after)}")

    kernel_delays, read_delays, spreads = [], [], {}
    counts, missing, duplicated, other = [], 0, 0, 0
    for number, stream in enumerate(result["streams"]):
        got = {}
        for event_id, data, kernel_at, read_at in stream["events"]:
            period = data.get("newest", "").split(" ")[0]
            if data.get("feed") != "dbffc":
                other += 1
                continue
            if period in got:
                duplicated += 1
                continue
            got[period] = (kernel_at, read_at)
        count = 0
        for period in expected_periods:
            if period not in got:
                missing += 1
                print(f"  client {number} missed {period}")
                continue
            count += 1
            kernel_at, read_at = got[period]
            kernel_delays.append(kernel_at - logged[period])
            read_delays.append(read_at - logged[period])
            spreads.setdefault(period, []).append(kernel_at)
        counts.append(count)
    print(f"events per client of those draws: min {min(counts)}, max {max(counts)} "
          f"(every client all {len(expected)}: {'yes' if min(counts) == len(expected) else 'NO'}); "
          f"missed {missing}, duplicated {duplicated}, other feeds {other}")
    reconnects = sum(s["connects"] - 1 for s in result["streams"])
    ends = [e for s in result["streams"] for e in s["ends"]]
    print(f"reconnections: {reconnects}; streams ended: {len(ends)}"
          + "".join(f"\n  {why} at {at - connected:.1f} s" for at, why in ends[:10]))
    keepalives = [s["keepalives"] for s in result["streams"]]
    print(f"keep-alive comments per client: min {min(keepalives)}, max {max(keepalives)} "
          f"(one per 15 s without an event)")
    print("delivery delay, from serve's \"new draw\" line to the client:")
    print(f"  bytes at the client's socket (kernel time stamp): {figures(kernel_delays)}")
    print(f"  read by the client program:                       {figures(read_delays)}")
    spread = [max(v) - min(v) for v in spreads.values()]
    print(f"  first to last client of one draw (kernel):        {figures(spread)}")
    data1_mtimes = {line.split(" ")[0]: mtime for line, mtime, _ in result["data1"]}
    before_log = [logged[p] - data1_mtimes[p] for p in expected_periods if p in data1_mtimes]
    print(f"data1.txt's mtime (polled every 10 ms) to serve's \"new draw\" line: "
          f"{figures(before_log)}")
    print("serve's memory and threads:")
    for at, what, status in result["memory"]:
        print(f"  {at - connected:>+8.1f} s  {what:<20} VmRSS {status.get('VmRSS', '?'):>8} kB"
              f"  VmHWM {status.get('VmHWM', '?'):>8} kB  threads {status.get('Threads', '?')}")
    print("API answers during the load (GET every 30 s):")
    for path in ("/api/lotteries", "/api/lotteries/dbffc/plan"):
        rows = [p for p in result["probes"] if p[1] == path]
        bad = [p for p in rows if p[2] != 200]
        print(f"  {path}: {len(rows)} asked, {len(bad)} not 200; time {figures([p[3] for p in rows])}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    run_parser = commands.add_parser("run")
    run_parser.add_argument("--port", type=int, required=True)
    run_parser.add_argument("--clients", type=int, default=200)
    run_parser.add_argument("--seconds", type=int, required=True)
    run_parser.add_argument("--data1", required=True)
    run_parser.add_argument("--serve-pid", type=int, required=True)
    run_parser.add_argument("--out", required=True)
    report_parser = commands.add_parser("report")
    report_parser.add_argument("--results", required=True)
    report_parser.add_argument("--feedsim-log", required=True)
    report_parser.add_argument("--serve-log", required=True)
    args = parser.parse_args()
    run(args) if args.command == "run" else report(args)


if __name__ == "__main__":
    main()
