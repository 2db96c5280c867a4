#!/usr/bin/python3
"""Foreign HTTP peer on 127.0.0.1 for the status query tests.

Prints its port as the first line, then "request <request line>" for each request and "closed"
when a client closes its connection. Answers every request with the given status, headers and body
and nothing else (no Server or Date header of its own), or, with --silent, never answers.
"""
import argparse
import socket
import sys
import threading


def serve(connection, arguments):
    with connection:
        received = b""
        answered = False
        while True:
            chunk = connection.recv(65536)
            if not chunk:
                break
            received += chunk
            if b"\r\n\r\n" not in received or answered:
                continue
            print("request " + received.split(b"\r\n", 1)[0].decode("latin-1"), flush=True)
            if arguments.silent:
                continue
            body = arguments.body.encode("utf-8")
            lines = ["HTTP/1.1 %d Peer" % arguments.status]
            lines += arguments.header
            lines += ["Content-Length: %d" % len(body), "Connection: close"]
            connection.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body)
            answered = True
            break
    print("closed", flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--status", type=int, default=200)
    parser.add_argument("--header", action="append", default=[], help='"Name: value", repeatable')
    parser.add_argument("--body", default="")
    parser.add_argument("--silent", action="store_true")
    arguments = parser.parse_args()

    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.bind(("127.0.0.1", 0))
    server.listen(8)
    print(server.getsockname()[1], flush=True)

    while True:
        connection, _ = server.accept()
        threading.Thread(target=serve, args=(connection, arguments), daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
