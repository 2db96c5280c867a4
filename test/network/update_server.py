#!/usr/bin/python3
"""Update server of the tests: serves the files below --root over HTTP(S) on 127.0.0.1.

Prints its port as the first line, then one JSON line per answered request:
  {"path": ..., "ifModifiedSince": header or null, "status": ..., "body": "sent" | "held back" | "none"}

  - Last-Modified is the file's modification time; a request whose If-Modified-Since is not older
    gets 304 without body.
  - An unknown file gets 404.
  - Query items, for tests that ask for a URL directly:
      status=N          answer N instead (200 serves the file as usual)
      lastModified=none send no Last-Modified
      delay=MS          wait before the body
  - A file "<name>.status" beside a path holds a status to answer instead, for tests whose client
    builds the URL itself.
Answers other than 200 and 304 announce a body and hold it back until the client closes the
connection or 10 s have passed: "held back" in the record shows that the client never read it.
Options: --cert FILE --key FILE serve TLS; --tls12 caps TLS at version 1.2.
"""
import argparse
import email.utils
import http.server
import json
import os
import select
import ssl
import sys
import threading
import time
import urllib.parse

HOLD_SECONDS = 10
ERROR_BODY = b"x" * 65536
OUTPUT_LOCK = threading.Lock()


def record(**entry):
    with OUTPUT_LOCK:
        print(json.dumps(entry), flush=True)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = "."

    def log_message(self, *arguments):
        pass

    def closed_by_client(self, timeout):
        readable, _, _ = select.select([self.connection], [], [], timeout)
        if not readable:
            return False
        try:
            return self.connection.recv(1) == b""
        except (OSError, ssl.SSLError):
            return True

    def answer_error(self, status, entry):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(ERROR_BODY)))
        self.end_headers()
        self.wfile.flush()
        if self.closed_by_client(HOLD_SECONDS):
            self.close_connection = True
            record(**entry, status=status, body="held back")
            return
        try:
            self.wfile.write(ERROR_BODY)
            self.wfile.flush()
            record(**entry, status=status, body="sent")
        except (OSError, ssl.SSLError):
            self.close_connection = True
            record(**entry, status=status, body="held back")

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query))
        condition = self.headers.get("If-Modified-Since")
        entry = {"path": self.path, "ifModifiedSince": condition}

        relative = urllib.parse.unquote(url.path).lstrip("/")
        path = os.path.realpath(os.path.join(self.root, relative))
        status = int(query.get("status", "200"))
        if "status" not in query and path.startswith(self.root + os.sep) and os.path.isfile(path + ".status"):
            with open(path + ".status") as file:
                status = int(file.read().strip())
        if status != 200:
            self.answer_error(status, entry)
            return

        if not path.startswith(self.root + os.sep) or not os.path.isfile(path):
            self.answer_error(404, entry)
            return

        modified = int(os.stat(path).st_mtime)
        if condition:
            since = email.utils.parsedate_to_datetime(condition)
            if modified <= since.timestamp():
                self.send_response(304)
                self.end_headers()
                record(**entry, status=304, body="none")
                return

        with open(path, "rb") as file:
            payload = file.read()
        self.send_response(200)
        if query.get("lastModified") != "none":
            self.send_header("Last-Modified", email.utils.formatdate(modified, usegmt=True))
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(payload)))
        self.end_headers()
        self.wfile.flush()
        time.sleep(int(query.get("delay", "0")) / 1000)
        try:
            self.wfile.write(payload)
            self.wfile.flush()
            record(**entry, status=200, body="sent")
        except (OSError, ssl.SSLError):
            self.close_connection = True
            record(**entry, status=200, body="held back")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--tls12", action="store_true")
    arguments = parser.parse_args()

    Handler.root = os.path.realpath(arguments.root)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    if arguments.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(arguments.cert, arguments.key)
        if arguments.tls12:
            context.maximum_version = ssl.TLSVersion.TLSv1_2
        server.socket = context.wrap_socket(server.socket, server_side=True)

    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
