#!/usr/bin/python3
"""Python's websockets library as a client driven line by line over stdin; one JSON line out per step.

    connect <url>    -> {"open": true} or {"status": code} when the upgrade is refused
    send <text>      -> {"sent": true}
    recv [<seconds>] -> the next message as sent (one line of JSON), {"timeout": true} or
                        {"close": code}
    close            -> {"close": code} once the closing handshake is done
    drop             -> the TCP connection goes without a close frame: {"dropped": true}
"""

import asyncio
import json
import sys

import websockets


def out(value):
    print(value if isinstance(value, str) else json.dumps(value), flush=True)


async def main():
    loop = asyncio.get_running_loop()
    socket = None
    while True:
        line = await loop.run_in_executor(None, sys.stdin.readline)
        if not line:
            break
        step, _, argument = line.rstrip("\n").partition(" ")
        try:
            if step == "connect":
                try:
                    socket = await websockets.connect(argument, open_timeout=60, user_agent_header="session_client")
                    out({"open": True})
                except websockets.exceptions.InvalidStatusCode as error:
                    out({"status": error.status_code})
            elif step == "send":
                await socket.send(argument)
                out({"sent": True})
            elif step == "recv":
                seconds = float(argument) if argument else 120
                try:
                    message = await asyncio.wait_for(socket.recv(), seconds)
                    # One line per message: the program may format its JSON over several.
                    out(json.dumps(json.loads(message)))
                except asyncio.TimeoutError:
                    out({"timeout": True})
                except websockets.exceptions.ConnectionClosed as closed:
                    out({"close": closed.code})
            elif step == "close":
                await socket.close()
                out({"close": socket.close_code})
            elif step == "drop":
                socket.transport.abort()
                out({"dropped": True})
            else:
                out({"error": "unknown step " + step})
        except Exception as error:  # the test reads every failure as a line
            out({"error": repr(error), "cause": repr(error.__cause__)})
    if socket is not None:
        await socket.close()


asyncio.run(main())
