#!/usr/bin/env python3
"""HTTP servers for the updater's tests, on 127.0.0.1 only, for a bounded time.

    updater_servers.py --root DIR --ports FILE [--lifetime SECONDS]

Starts the stock server (python3 -m http.server) over DIR and a scripted server for the
answers the stock one cannot give, then writes "stock PORT" and "scripted PORT" to FILE.
Both stop when FILE is removed (the test's end) or when the lifetime is over.

The scripted server's paths (NAME is a file of DIR unless said otherwise):
    /nolength/NAME     NAME's bytes without Content-Length, the end marked by closing
    /status/CODE/ANY   the status CODE with a small error page
    /reset/NAME        announces NAME's size, sends a quarter of it, then resets the connection
    /short/NAME        announces NAME's size, sends half of it, then closes normally
    /slow/ANY          announces 64 MiB and sends 16 KiB every 20 ms until the client goes
    /empty/ANY         an empty body
    anything else      200 with a small text body
"""
import argparse
import http.server
import os
import re
import socket
import struct
import subprocess
import sys
import threading
import time

SLOW_SIZE = 64 << 20
SLOW_CHUNK = 16 << 10
RESET_DELAY = 1.5
SLOW_PERIOD = 0.02


class ScriptedHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = "."

    def log_message(self, *args):
        pass

    def _file(self, name):
        path = os.path.join(self.root, os.path.basename(name))
        with open(path, "rb") as f:
            return f.read()

    def _head(self, code, length=None, reason=None):
        self.send_response(code, reason)
        self.send_header("Content-Type", "application/octet-stream")
        if length is not None:
            self.send_header("Content-Length", str(length))
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        parts = path.strip("/").split("/")
        kind = parts[0] if parts else ""
        rest = "/".join(parts[1:])
        try:
            if kind == "nolength":
                body = self._file(rest)
                self._head(200)
                self.wfile.write(body)
            elif kind == "status" and len(parts) >= 2 and re.fullmatch(r"\d{3}", parts[1]):
                page = b"<html><body>error page</body></html>"
                self._head(int(parts[1]), len(page))
                self.wfile.write(page)
            elif kind == "reset":
                body = self._file(rest)
                self._head(200, len(body))
                self.wfile.write(body[: len(body) // 4])
                self.wfile.flush()
                # A reset throws away what the client has not read yet, the head included:
                # give it time to read the head, so that the reset falls into the body.
                time.sleep(RESET_DELAY)
                # SO_LINGER 0: the close sends a reset instead of the normal end.
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                self.connection.close()
            elif kind == "short":
                body = self._file(rest)
                self._head(200, len(body))
                self.wfile.write(body[: len(body) // 2])
            elif kind == "slow":
                self._head(200, SLOW_SIZE)
                chunk = b"s" * SLOW_CHUNK
                for _ in range(SLOW_SIZE // SLOW_CHUNK):
                    self.wfile.write(chunk)
                    self.wfile.flush()
                    time.sleep(SLOW_PERIOD)
            elif kind == "empty":
                self._head(200, 0)
            else:
                body = b"scripted answer\n"
                self._head(200, len(body))
                self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError, OSError):
            pass


def start_stock(root):
    proc = subprocess.Popen(
        [sys.executable, "-u", "-m", "http.server", "--bind", "127.0.0.1", "--directory", root, "0"],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, text=True)
    line = proc.stdout.readline()
    match = re.search(r"port (\d+)", line)
    if not match:
        proc.kill()
        raise SystemExit("stock server did not start: " + line)
    # Keep reading its output so that it never blocks on a full pipe.
    threading.Thread(target=lambda: [None for _ in proc.stdout], daemon=True).start()
    return proc, int(match.group(1))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--ports", required=True)
    parser.add_argument("--lifetime", type=float, default=300)
    args = parser.parse_args()

    ScriptedHandler.root = args.root
    scripted = http.server.ThreadingHTTPServer(("127.0.0.1", 0), ScriptedHandler)
    scripted.daemon_threads = True
    threading.Thread(target=scripted.serve_forever, daemon=True).start()
    stock, stock_port = start_stock(args.root)
    try:
        tmp = args.ports + ".tmp"
        with open(tmp, "w") as f:
            f.write("stock %d\nscripted %d\n" % (stock_port, scripted.server_address[1]))
        os.replace(tmp, args.ports)
        deadline = time.monotonic() + args.lifetime
        while time.monotonic() < deadline and os.path.exists(args.ports) and stock.poll() is None:
            time.sleep(0.1)
    finally:
        stock.kill()
        stock.wait()
        scripted.shutdown()


if __name__ == "__main__":
    main()
