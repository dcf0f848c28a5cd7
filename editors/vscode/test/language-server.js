// `scenarioc lsp` as an editor starts it, for the tests: requests resolve
// with the whole response (its result or its error).
'use strict';

const { spawn } = require('child_process');

function languageServer(program) {
  const child = spawn(program, ['lsp'], { stdio: ['pipe', 'pipe', 'inherit'] });
  let buffer = Buffer.alloc(0);
  const waiting = new Map();
  child.stdout.on('data', chunk => {
    buffer = Buffer.concat([buffer, chunk]);
    for (;;) {
      const head = buffer.indexOf('\r\n\r\n');
      if (head < 0) return;
      const length = Number(/Content-Length: (\d+)/i.exec(buffer.subarray(0, head).toString())[1]);
      if (buffer.length < head + 4 + length) return;
      const message = JSON.parse(buffer.subarray(head + 4, head + 4 + length).toString('utf8'));
      buffer = buffer.subarray(head + 4 + length);
      if (message.method === undefined && waiting.has(message.id)) {
        waiting.get(message.id)(message);
        waiting.delete(message.id);
      }
    }
  });
  let id = 0;
  const send = message => {
    const body = Buffer.from(JSON.stringify({ jsonrpc: '2.0', ...message }), 'utf8');
    child.stdin.write(`Content-Length: ${body.length}\r\n\r\n`);
    child.stdin.write(body);
  };
  const call = (method, params) => new Promise(resolve => {
    waiting.set(++id, resolve);
    send({ id, method, params });
  });
  return {
    call,
    request: async (method, params) => {
      const response = await call(method, params);
      if (response.error) throw new Error(`${method}: ${response.error.message}`);
      return response.result;
    },
    notify: (method, params) => send({ method, params }),
    // shutdown, exit, and the process's end.
    close: async () => {
      const ended = new Promise(resolve => child.on('exit', resolve));
      await call('shutdown', null);
      send({ method: 'exit', params: null });
      child.stdin.end();
      await ended;
    },
  };
}

module.exports = { languageServer };
