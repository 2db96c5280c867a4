#!/usr/bin/python3
"""HTTP(S) peer of the network client tests on 127.0.0.1.

Prints its port as the first line. Answers every method with a JSON echo of the request
(method, path, headers in their order, body), except:
  /redirect  302 to the relative target "/target?from=redirect"
  /hang      never answers
  /pragma    200 with the header "Pragma" set to the query text
Options: --cert FILE --key FILE serve TLS; --tls12 caps TLS at version 1.2.
"""
import argparse
import http.server
import json
import ssl
import sys
import threading
import urllib.parse


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *arguments):
        pass

    def handle_any(self):
        length = int(self.headers.get("Content-Length", "0") or "0")
        body = self.rfile.read(length) if length > 0 else b""
        url = urllib.parse.urlsplit(self.path)

        if url.path == "/hang":
            threading.Event().wait(600)
            return

        status = 200
        extra = []
        payload = b""
        if url.path == "/redirect":
            status = 302
            extra.append(("Location", "/target?from=redirect"))
        else:
            if url.path == "/pragma":
                extra.append(("Pragma", urllib.parse.unquote(url.query)))
            payload = json.dumps({
                "method": self.command,
                "path": self.path,
                "headers": [[name, value] for name, value in self.headers.items()],
                "body": body.decode("latin-1"),
            }).encode()

        self.send_response(status)
        for name, value in extra:
            self.send_header(name, value)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(payload)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(payload)

    do_GET = do_POST = do_HEAD = do_DELETE = do_OPTIONS = do_PUT = handle_any


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--tls12", action="store_true")
    arguments = parser.parse_args()

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
