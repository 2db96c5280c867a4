#!/usr/bin/python3
"""UDP peer of the datagram tests. Prints its port as the first line.

receive: listens on all IPv4 addresses and, with --group, on all IPv6 addresses joined to that group
         on --interface; prints "<sender> <data as hex>" per datagram. --port 0 takes a free port.
send:    sends one datagram per --data from 127.0.0.1 to 127.0.0.1:--port, then waits to be killed.
         --data is hex, optionally followed by "*N" to repeat it N times.
"""
import argparse
import selectors
import socket
import struct
import sys
import threading


def receive(arguments):
    sockets = []
    ipv4 = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    ipv4.bind(("0.0.0.0", arguments.port))
    port = ipv4.getsockname()[1]
    sockets.append(ipv4)

    if arguments.group:
        ipv6 = socket.socket(socket.AF_INET6, socket.SOCK_DGRAM)
        ipv6.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
        ipv6.bind(("::", port))
        index = socket.if_nametoindex(arguments.interface)
        request = socket.inet_pton(socket.AF_INET6, arguments.group) + struct.pack("@I", index)
        ipv6.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_JOIN_GROUP, request)
        sockets.append(ipv6)

    print(port, flush=True)

    selector = selectors.DefaultSelector()
    for entry in sockets:
        selector.register(entry, selectors.EVENT_READ)
    while True:
        for key, _ in selector.select():
            data, sender = key.fileobj.recvfrom(70000)
            print("%s %s" % (sender[0], data.hex()), flush=True)


def send(arguments):
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sender.bind(("127.0.0.1", 0))
    print(sender.getsockname()[1], flush=True)
    for data in arguments.data:
        text, _, count = data.partition("*")
        sender.sendto(bytes.fromhex(text) * int(count or "1"), ("127.0.0.1", arguments.port))
    threading.Event().wait(600)


def main():
    parser = argparse.ArgumentParser()
    commands = parser.add_subparsers(dest="command", required=True)
    receiver = commands.add_parser("receive")
    receiver.add_argument("--port", type=int, default=0)
    receiver.add_argument("--group")
    receiver.add_argument("--interface")
    sender = commands.add_parser("send")
    sender.add_argument("--port", type=int, required=True)
    sender.add_argument("--data", action="append", default=[])
    arguments = parser.parse_args()

    if arguments.command == "receive":
        receive(arguments)
    else:
        send(arguments)


if __name__ == "__main__":
    sys.exit(main())
