#!/usr/bin/python3
"""An HTTP proxy on 127.0.0.1 that only tunnels CONNECT requests.

Prints its port as the first line, then one line "CONNECT <host:port>" per tunnel it opens.
Every tunnel ends on 127.0.0.1 at the requested port: clients skip proxies for loopback
addresses, so the tests ask for a made-up host name that only this proxy knows.
"""
import select
import socket
import socketserver
import sys


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        request_line = self.rfile.readline().decode("latin-1").strip()
        while self.rfile.readline() not in (b"\r\n", b"\n", b""):
            pass

        parts = request_line.split()
        if len(parts) != 3 or parts[0] != "CONNECT":
            self.wfile.write(b"HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n")
            return

        print("CONNECT " + parts[1], flush=True)
        port = parts[1].rsplit(":", 1)[1]
        with socket.create_connection(("127.0.0.1", int(port))) as upstream:
            self.wfile.write(b"HTTP/1.1 200 Connection established\r\n\r\n")
            self.wfile.flush()
            sockets = [self.connection, upstream]
            while True:
                readable, _, _ = select.select(sockets, [], [], 60)
                if not readable:
                    return
                for source in readable:
                    data = source.recv(65536)
                    if not data:
                        return
                    (upstream if source is self.connection else self.connection).sendall(data)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
