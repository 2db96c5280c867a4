#!/usr/bin/python3
"""WebSocket client of the proxy tests: connects to the URL, sends each message and prints each
answer on a line of its own, then closes. READER messages, which the instance sends whenever a
reader changes, are no answers and are left out."""

import asyncio
import json
import sys

import websockets


async def run(url, messages):
    async with websockets.connect(url, open_timeout=60) as connection:
        for message in messages:
            await connection.send(message)
            while True:
                answer = await asyncio.wait_for(connection.recv(), 60)
                if json.loads(answer).get("msg") != "READER":
                    break
            print(answer, flush=True)


if __name__ == "__main__":
    asyncio.run(run(sys.argv[1], sys.argv[2:]))
