#!/usr/bin/python3
"""HTTP(S) peer in the role of a service provider and of an eID server without pre-shared key.

Prints its ports on the first line, separated by spaces (--listeners N opens N ports that share
one TLS context, so that a session begun on one port resumes on another). Prints every request
as one JSON line (port, method, path, headers in their order, body). Answers GET and POST alike:
  /answer?status=S&location=L&body=B&file=F&type=T
              status S (default 200); a Location header L when given, even an empty one; the body
              B, or the contents of the file F of the --documents folder; content type T
              (default "text/xml")
  /hops/N?... N redirects (302) one after the other: to /hops/N-1 and so on, from /hops/1 to /answer?...
  /loop       302 to itself for ever
  /close      closes the connection without an answer
Options: --cert FILE --key FILE serve TLS (at most version 1.2); --documents DIR.
"""
import argparse
import http.server
import json
import os
import ssl
import sys
import threading
import urllib.parse


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    documents = None

    def log_message(self, *arguments):
        pass

    def handle_any(self):
        length = int(self.headers.get("Content-Length", "0") or "0")
        body = self.rfile.read(length) if length > 0 else b""
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query, keep_blank_values=True)

        print(json.dumps({
            "port": self.server.server_address[1],
            "method": self.command,
            "path": self.path,
            "headers": [[name, value] for name, value in self.headers.items()],
            "body": body.decode("latin-1"),
        }), flush=True)

        if url.path == "/close":
            self.close_connection = True
            return

        if url.path == "/loop":
            self.answer(302, [("Location", "/loop")], b"")
            return

        if url.path.startswith("/hops/"):
            hops = int(url.path[len("/hops/"):])
            target = "/hops/%d" % (hops - 1) if hops > 1 else "/answer"
            if url.query:
                target += "?" + url.query
            self.answer(302, [("Location", target)], b"")
            return

        def value(name, default=None):
            return query[name][0] if name in query else default

        headers = []
        if value("location") is not None:
            headers.append(("Location", value("location")))
        payload = value("body", "").encode()
        if value("file"):
            with open(os.path.join(self.documents, os.path.basename(value("file"))), "rb") as file:
                payload = file.read()
        self.answer(int(value("status", "200")), headers, payload, value("type", "text/xml"))

    def answer(self, status, headers, payload, content_type="text/html"):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(payload)))
        self.end_headers()
        self.wfile.write(payload)

    do_GET = do_POST = handle_any


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--documents", default=".")
    parser.add_argument("--listeners", type=int, default=1)
    arguments = parser.parse_args()
    Handler.documents = arguments.documents

    context = None
    if arguments.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(arguments.cert, arguments.key)
        context.maximum_version = ssl.TLSVersion.TLSv1_2

    servers = []
    for _ in range(arguments.listeners):
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        server.daemon_threads = True
        if context:
            server.socket = context.wrap_socket(server.socket, server_side=True)
        servers.append(server)

    print(" ".join(str(server.server_address[1]) for server in servers), flush=True)
    for server in servers[1:]:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    servers[0].serve_forever()


if __name__ == "__main__":
    sys.exit(main())
