#!/usr/bin/python3
"""A web page's origin on 127.0.0.1 for a browser: serves /page.html, which opens the WebSocket
given in its query, sends GET_INFO and posts the answer or the close event back to /report.
Prints its port as the first line and every report as a line of its own."""

import http.server
import sys

PAGE = b"""<!DOCTYPE html>
<html><body><script>
const report = (data) => fetch('/report', {method: 'POST', body: JSON.stringify(data)});
const socket = new WebSocket(new URLSearchParams(location.search).get('ws'));
socket.onopen = () => socket.send(JSON.stringify({cmd: 'GET_INFO', request: 'browser'}));
// The close is reported only after the answer has arrived at the origin: one order, always.
socket.onmessage = async (event) => { await report({message: JSON.parse(event.data)}); socket.close(1000); };
socket.onclose = (event) => report({close: event.code});
</script></body></html>
"""


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if not self.path.startswith("/page.html"):
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(PAGE)))
        self.end_headers()
        self.wfile.write(PAGE)

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        print(body.decode(), flush=True)
        self.send_response(204)
        self.end_headers()

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
