#!/usr/bin/python3
"""Client for the local server tests, independent of Qt.

raw: sends stdin as it is to the server and writes everything received until the server closes.
get: one GET with http.client; writes "<status> <reason>", the headers, an empty line and the body.
json: one GET whose body must be a JSON object of strings; writes "<key>=<value>" per member, sorted.
"""

import argparse
import http.client
import json
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


def get_json(arguments):
    connection = http.client.HTTPConnection(arguments.host, arguments.port, timeout=60)
    connection.request('GET', arguments.path)
    document = json.loads(connection.getresponse().read().decode('utf-8'))
    if not isinstance(document, dict) or not all(isinstance(value, str) for value in document.values()):
        sys.exit('not an object of strings: %r' % document)
    sys.stdout.buffer.write(''.join('%s=%s\n' % item for item in sorted(document.items())).encode('utf-8'))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('mode', choices=['raw', 'get', 'json'])
    parser.add_argument('port', type=int)
    parser.add_argument('--host', default='127.0.0.1')
    parser.add_argument('--path', default='/')
    parser.add_argument('--header', action='append', default=[])
    arguments = parser.parse_args()
    {'raw': raw, 'get': get, 'json': get_json}[arguments.mode](arguments)


if __name__ == '__main__':
    main()
