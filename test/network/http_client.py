#!/usr/bin/python3
"""Client for the local server tests, independent of Qt.

raw: sends stdin as it is to the server and writes everything received until the server closes.
get: one GET with http.client; writes "<status> <reason>", the headers, an empty line and the body.
"""

import argparse
import http.client
import socket
import sys


def raw(arguments):
    data = sys.stdin.buffer.read()
    received = b''
    with socket.create_connection((arguments.host, arguments.port), timeout=60) as connection:
        try:
            connection.sendall(data)
            while True:
                chunk = connection.recv(65536)
                if not chunk:
                    break
                received += chunk
        except (ConnectionResetError, BrokenPipeError):
            pass
    sys.stdout.buffer.write(received)


def get(arguments):
    connection = http.client.HTTPConnection(arguments.host, arguments.port, timeout=60)
    headers = dict(header.split(': ', 1) for header in arguments.header)
    connection.request('GET', arguments.path, headers=headers)
    response = connection.getresponse()
    body = response.read()
    text = '%d %s\n' % (response.status, response.reason)
    text += ''.join('%s: %s\n' % (name, value) for name, value in response.getheaders())
    sys.stdout.buffer.write(text.encode('latin-1') + b'\n' + body)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('mode', choices=['raw', 'get'])
    parser.add_argument('port', type=int)
    parser.add_argument('--host', default='127.0.0.1')
    parser.add_argument('--path', default='/')
    parser.add_argument('--header', action='append', default=[])
    arguments = parser.parse_args()
    raw(arguments) if arguments.mode == 'raw' else get(arguments)


if __name__ == '__main__':
    main()
