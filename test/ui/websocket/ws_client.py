#!/usr/bin/python3
"""A WebSocket client of its own (RFC 6455), driven line by line over stdin; one JSON line out per step.

    connect <port> <path> [<header>: <value>|...]  -> {"status": 101} or {"status": 4xx}
                                                      (a header replaces the default of its name;
                                                      one without value removes it)
    send <text>                                    -> text frame (masked, as a client must)
    send_fragments <text>                          -> the text in three fragments
    recv                                           -> {"text": ...} or {"close": code} or {"eof": true}
    ping                                           -> {"pong": ...}
    close [<code>]                                 -> close frame, then {"close": code} of the answer
    drop                                           -> the TCP connection goes without a close frame
"""

import base64
import hashlib
import json
import os
import socket
import struct
import sys

GUID = b"258EAFA5-E914-47DA-95CA-C5AB0DC85B11"


class Client:
    def __init__(self):
        self.sock = None
        self.buffer = b""

    def read_exact(self, count):
        while len(self.buffer) < count:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise EOFError()
            self.buffer += chunk
        data, self.buffer = self.buffer[:count], self.buffer[count:]
        return data

    def read_head(self):
        while b"\r\n\r\n" not in self.buffer:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise EOFError()
            self.buffer += chunk
        head, self.buffer = self.buffer.split(b"\r\n\r\n", 1)
        return head.decode("latin-1")

    def connect(self, port, path, headers):
        self.sock = socket.create_connection(("127.0.0.1", int(port)), timeout=60)
        self.buffer = b""
        key = base64.b64encode(os.urandom(16)).decode()
        fields = {"Host": f"127.0.0.1:{port}", "Upgrade": "websocket", "Connection": "Upgrade",
                  "Sec-WebSocket-Key": key, "Sec-WebSocket-Version": "13"}
        # A header given replaces the default of that name; an empty value leaves it out.
        for header in headers:
            name, _, value = header.partition(":")
            fields.pop(next((known for known in fields if known.lower() == name.strip().lower()), name), None)
            if value.strip() or name.strip().lower() == "origin":
                fields[name.strip()] = value.strip()
        request = f"GET {path} HTTP/1.1\r\n"
        for name, value in fields.items():
            request += f"{name}: {value}\r\n"
        self.sock.sendall((request + "\r\n").encode("latin-1"))
        try:
            head = self.read_head()
        except EOFError:
            return {"status": 0}
        lines = head.split("\r\n")
        status = int(lines[0].split(" ")[1])
        fields = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            fields[name.strip().lower()] = value.strip()
        result = {"status": status}
        if status == 101:
            expected = base64.b64encode(hashlib.sha1(key.encode() + GUID).digest()).decode()
            result["acceptValid"] = fields.get("sec-websocket-accept") == expected
        return result

    def send(self, opcode, payload, fin=True):
        self.sock.sendall(frame(opcode, payload, fin))

    def read_frame(self):
        first, second = self.read_exact(2)
        opcode = first & 0x0F
        fin = bool(first & 0x80)
        length = second & 0x7F
        if length == 126:
            length = struct.unpack("!H", self.read_exact(2))[0]
        elif length == 127:
            length = struct.unpack("!Q", self.read_exact(8))[0]
        if second & 0x80:
            raise ValueError("server frames must not be masked")
        return fin, opcode, self.read_exact(length)

    def recv(self):
        message = b""
        message_opcode = None
        while True:
            try:
                fin, opcode, payload = self.read_frame()
            except (EOFError, ConnectionResetError):
                return {"eof": True}
            if opcode == 0x9:
                self.send(0xA, payload)
                continue
            if opcode == 0xA:
                return {"pong": payload.decode()}
            if opcode == 0x8:
                code = struct.unpack("!H", payload[:2])[0] if len(payload) >= 2 else None
                return {"close": code, "reason": payload[2:].decode()}
            if opcode != 0x0:
                message_opcode = opcode
            message += payload
            if fin:
                if message_opcode == 0x1:
                    return {"text": message.decode()}
                return {"binary": base64.b64encode(message).decode()}


def frame(opcode, payload, fin=True):
    mask = os.urandom(4)
    head = bytes([(0x80 if fin else 0) | opcode])
    length = len(payload)
    if length < 126:
        head += bytes([0x80 | length])
    elif length < 65536:
        head += bytes([0x80 | 126]) + struct.pack("!H", length)
    else:
        head += bytes([0x80 | 127]) + struct.pack("!Q", length)
    masked = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
    return head + mask + masked


def main():
    client = Client()
    for line in sys.stdin:
        parts = line.rstrip("\n").split(" ", 3)
        step = parts[0]
        try:
            if step == "connect":
                headers = parts[3].split("|") if len(parts) > 3 else []
                result = client.connect(parts[1], parts[2], [h for h in headers if h])
            elif step == "send":
                client.send(0x1, line.rstrip("\n")[5:].encode())
                result = {"sent": True}
            elif step == "send_fragments":
                text = line.rstrip("\n")[len("send_fragments "):].encode()
                third = max(1, len(text) // 3)
                client.send(0x1, text[:third], False)
                client.send(0x0, text[third:2 * third], False)
                client.send(0x0, text[2 * third:], True)
                result = {"sent": True}
            elif step == "recv":
                result = client.recv()
            elif step == "ping":
                client.send(0x9, b"hello")
                result = client.recv()
            elif step == "close":
                code = int(parts[1]) if len(parts) > 1 else 1000
                client.send(0x8, struct.pack("!H", code))
                result = client.recv()
            elif step == "drop":
                client.sock.close()
                result = {"dropped": True}
            else:
                result = {"error": "unknown step " + step}
        except Exception as error:  # the test reads every failure as a line
            result = {"error": repr(error)}
        print(json.dumps(result), flush=True)


if __name__ == "__main__":
    main()
