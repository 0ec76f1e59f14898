#!/usr/bin/env python3
"""Loopback HTTPS server for the transport tests.

Usage: https_test_server.py CERT KEY PORTFILE. Listens on 127.0.0.1 only, writes its port to
PORTFILE and serves until its standard input closes.
"""
import http.server
import os
import ssl
import sys
import threading
import time

cert, key, port_file = sys.argv[1:4]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def reply(self, status, body, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = self.path
        if path == "/ok":
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
