// Node's ws library as a client: node node_client.js <url> <origin or ""> <command>...
// Prints {"open":true}, then each answer on a line of its own; a refused upgrade prints {"status":code}.
'use strict';

const WebSocket = require('ws');

const [url, origin, ...commands] = process.argv.slice(2);
const options = origin ? {origin} : {};
const socket = new WebSocket(url, options);

socket.on('unexpected-response', (request, response) => {
	console.log(JSON.stringify({status: response.statusCode}));
	process.exit(0);
});
socket.on('error', (error) => {
	console.log(JSON.stringify({error: String(error)}));
	process.exit(1);
});
socket.on('open', () => {
	console.log(JSON.stringify({open: true}));
	if (commands.length === 0) {
		socket.close(1000);
		return;
	}
	socket.send(commands.shift());
});
socket.on('message', (data) => {
	console.log(String(data));
	if (commands.length === 0) {
		socket.close(1000);
		return;
	}
	socket.send(commands.shift());
});
socket.on('close', () => process.exit(0));
