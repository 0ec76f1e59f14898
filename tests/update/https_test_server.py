#!/usr/bin/env python3
"""Loopback HTTPS server for the transport tests.

Usage: https_test_server.py CERT KEY PORTFILE [FILES]. Listens on 127.0.0.1 only, writes its
port to PORTFILE and serves until its standard input closes. "/file/NAME" serves FILES/NAME.
"""
import http.server
import os
import ssl
import sys
import threading
import time

cert, key, port_file = sys.argv[1:4]
files = sys.argv[4] if len(sys.argv) > 4 else None
MIB = 1024 * 1024


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def reply(self, status, body, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def stream(self, headers, pieces):
        """Headers, then the pieces one by one; a client that hangs up ends it quietly."""
        self.close_connection = True
        self.send_response(200)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Connection", "close")
        self.end_headers()
        try:
            for piece in pieces:
                self.wfile.write(piece)
                self.wfile.flush()
        except OSError:
            pass

    def do_GET(self):
        path = self.path
        if path.startswith("/file/") and files:
            name = os.path.basename(path[len("/file/"):])
            try:
                with open(os.path.join(files, name), "rb") as f:
                    body = f.read()
            except OSError:
                self.reply(404, b"")
                return
            self.reply(200, body)
        elif path == "/announce-300m":
            self.stream([("Content-Length", str(300 * MIB))], [])
        elif path == "/stream-over":
            # 200 MiB and one byte with no length announced.
            block = b"s" * MIB
            self.stream([], [block] * 200 + [b"!"])
        elif path == "/stall":
            # One piece, then nothing until the client gives up.
            def pieces():
                yield b"p" * 65536
                time.sleep(60)
            self.stream([("Content-Length", str(MIB))], pieces())
        elif path == "/ok":
            self.reply(200, b"manifest-body")
        elif path == "/agent":
            self.reply(200, self.headers.get("User-Agent", "").encode())
        elif path == "/max":
            self.reply(200, b"m" * 16384)
        elif path == "/over":
            self.reply(200, b"o" * 16385)
        elif path == "/missing":
            self.reply(404, b"not here")
        elif path == "/empty":
            self.reply(200, b"")
        elif path == "/slow":
            time.sleep(3)
            self.reply(200, b"late")
        elif path == "/to-http":
            port = self.server.server_address[1]
            self.reply(302, b"", [("Location", "http://127.0.0.1:%d/ok" % port)])
        elif path == "/to-https":
            port = self.server.server_address[1]
            self.reply(302, b"", [("Location", "https://127.0.0.1:%d/ok" % port)])
        else:
            self.reply(500, b"unknown")

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
with open(port_file + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.replace(port_file + ".tmp", port_file)
sys.stdin.read()
server.shutdown()
