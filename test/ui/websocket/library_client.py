#!/usr/bin/python3
"""Python's websockets library as a client (it sends no Origin): sends each command, prints
each answer as one line; a refused upgrade prints {"status": code}."""

import asyncio
import json
import sys

import websockets


async def run(url, commands):
    try:
        async with websockets.connect(url, open_timeout=60, user_agent_header="library_client") as socket:
            print(json.dumps({"open": True}), flush=True)
            for command in commands:
                await socket.send(command)
                print(await asyncio.wait_for(socket.recv(), 60), flush=True)
    except websockets.exceptions.InvalidStatusCode as error:
        print(json.dumps({"status": error.status_code}), flush=True)


asyncio.run(run(sys.argv[1], sys.argv[2:]))
