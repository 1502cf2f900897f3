// Drives `qjintp --dap` with the client VS Code's own debug adapters are tested with: a
// breakpoint, the variables, a step into a procedure and out, a script error, terminate.
// Arguments: the qjintp program. Its scripts live in a temporary folder of its own.
'use strict';
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { DebugClient } = require('@vscode/debugadapter-testsupport');

const qjintp = process.argv[2];
const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'qjdap-'));
const program = path.join(dir, 'steps.scr');
// Main is lines 5 to 11: line 7 calls Bump, line 10 is a script error; Bump's body starts at 14.
fs.writeFileSync(program, [
  'Declare', 'Number n = 0', 'String s = "start"', 'EndDeclare',
  'Main', 'n = 7', 'Bump', 's = Itoa(n)', 'DebugPrintStr(s)', 'NoSuchName', 'EndMain', '',
  'Proc Bump', 'n += 1', 'n += 0', 'EndProc', ''].join('\n'));

// A started client that gathers the program's output in dc.output.
function client() {
  const dc = new DebugClient(qjintp, '--dap', 'qjintp');
  dc.defaultTimeout = 30000;  // the machine may be busy
  dc.output = '';
  dc.on('output', (e) => { dc.output += e.body.output; });
  return dc.start().then(() => dc);
}

// name -> "type value" of every value in the scopes of the innermost frame.
async function values(dc) {
  const frames = (await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames;
  const scopes = (await dc.scopesRequest({ frameId: frames[0].id })).body.scopes;
  const shown = {};
  for (const scope of scopes) {
    const vars = (await dc.variablesRequest({ variablesReference: scope.variablesReference })).body.variables;
    for (const v of vars) shown[v.name] = `${v.type} ${v.value}`;
  }
  return shown;
}

async function step(dc, request, line, depth) {
  await Promise.all([request.call(dc, { threadId: 1 }), dc.assertStoppedLocation('step', { path: program, line })]);
  const frames = (await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames;
  assert.deepStrictEqual(frames.map((f) => f.name), depth === 2 ? ['Bump', 'Main'] : ['Main']);
}

async function stepsAndError() {
  const dc = await client();
  await dc.hitBreakpoint({ program, args: ['first'] }, { path: program, line: 7 });
  assert.deepStrictEqual(await values(dc), { n: 'Number 7', s: 'String "start"', Param1: 'String "first"' });
  await step(dc, dc.stepInRequest, 14, 2);
  await step(dc, dc.stepOutRequest, 8, 1);
  await step(dc, dc.nextRequest, 9, 1);
  assert.strictEqual((await values(dc)).Itoa, 'String "8"');
  const [, stopped] = await Promise.all([dc.continueRequest({ threadId: 1 }), dc.waitForEvent('stopped')]);
  assert.strictEqual(stopped.body.reason, 'exception');
  assert.match(stopped.body.text, /'NoSuchName'/);
  assert.strictEqual((await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames[0].line, 10);
  const [, exited] = await Promise.all([
    dc.continueRequest({ threadId: 1 }), dc.waitForEvent('exited'), dc.waitForEvent('terminated')]);
  assert.strictEqual(exited.body.exitCode, 1);
  assert.match(dc.output, /s = "8"/);
  await dc.stop();
}

async function terminate() {
  const dc = await client();
  await dc.hitBreakpoint({ program }, { path: program, line: 6 });
  await Promise.all([dc.terminateRequest({}), dc.waitForEvent('terminated')]);
  assert.doesNotMatch(dc.output, /s = /);  // the run ended before the print
  await dc.stop();
}

(async () => {
  try {
    await stepsAndError();
    await terminate();
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
})().catch((err) => { console.error(err); process.exit(1); });
