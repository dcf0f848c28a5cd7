// The extension in a real VS Code: code-server, with the linux VSIX
// installed and nothing else, driven in Debian's chromium by puppeteer-core.
// A folder holds the embedded scenario's texts, the train text with its
// first signal's keyword misspelt. The test waits for the server's warning
// in the Problems panel at that row, checks the text's language mode and
// the grammar's colours, looks at a hover, the inlay hints, the outline and
// completion, opens the preview beside the text, kills the server and names
// a missing one, corrects the row and sees the problem go (and the preview
// drawn again), makes a new scenario that shows no problem ("Scenario: New
// Scenario"), sees '[' offer the section headers and the notes sheet
// open with its accents right. Each step leaves a screenshot in the output
// folder.
//
//   node run.js --vsix FILE.vsix --scenarioc PROGRAM --out SCREENSHOT_DIR
'use strict';

const { spawn, execFileSync } = require('child_process');
const fs = require('fs');
const net = require('net');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');
const { languageServer } = require('../test/language-server');

const args = {};
for (let i = 2; i + 1 < process.argv.length; i += 2) args[process.argv[i].replace(/^--/, '')] = process.argv[i + 1];
for (const name of ['vsix', 'scenarioc', 'out']) {
  if (!args[name]) {
    console.error('usage: node run.js --vsix FILE.vsix --scenarioc PROGRAM --out SCREENSHOT_DIR');
    process.exit(64);
  }
}
const chromium = args.chromium || '/usr/bin/chromium';
const codeServer = path.join(__dirname, 'node_modules', '.bin', 'code-server');
const patience = 120000;
let extensionsDir;

const train = 'Belvara_Quintosa_254-.txt';
const notes = 'Belvara_Quintosa_254_note.txt';
const misspeltRow = 47;  // the first signal
const rightRow = 'segnale,    1650,   2, 3, 0,  0, 0,    0,  0,0,0, 0';
const wrongRow = rightRow.replace('segnale', 'segnalle');

function step(what) { console.log(`-- ${what}`); }

async function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

async function waitForServer(port, child) {
  const until = Date.now() + patience;
  while (Date.now() < until) {
    if (child.exitCode !== null) throw new Error(`code-server ended with status ${child.exitCode}`);
    const up = await new Promise(resolve => {
      const socket = net.connect(port, '127.0.0.1', () => { socket.end(); resolve(true); });
      socket.on('error', () => resolve(false));
    });
    if (up) return;
    await new Promise(r => setTimeout(r, 250));
  }
  throw new Error('code-server did not listen');
}

// The embedded scenario, the train text's first signal misspelt.
function scenarioFolder(work) {
  const folder = path.join(work, 'scenario');
  execFileSync(args.scenarioc, ['texts', folder]);
  const file = path.join(folder, train);
  const lines = fs.readFileSync(file, 'latin1').split('\r\n');
  if (lines[misspeltRow - 1] !== rightRow) throw new Error(`${train}:${misspeltRow} is not '${rightRow}'`);
  lines[misspeltRow - 1] = wrongRow;
  fs.writeFileSync(file, lines.join('\r\n'), 'latin1');
  return folder;
}

async function main() {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vscode-ui-'));
  fs.mkdirSync(args.out, { recursive: true });
  for (const old of fs.readdirSync(args.out)) if (old.endsWith('.png')) fs.rmSync(path.join(args.out, old));
  const folder = scenarioFolder(work);
  const user = path.join(work, 'user');
  const extensions = path.join(work, 'extensions');
  extensionsDir = extensions;
  fs.mkdirSync(path.join(user, 'User'), { recursive: true });
  fs.mkdirSync(path.join(user, 'Machine'), { recursive: true });
  userSettings = path.join(user, 'User', 'settings.json');
  machineSettings = path.join(user, 'Machine', 'settings.json');
  writeSettings(userSettings, baseSettings);
  writeSettings(machineSettings, {});
  // code-server keeps its configuration and data in the run's own folder.
  const env = { ...process.env, XDG_CONFIG_HOME: path.join(work, 'config'), XDG_DATA_HOME: path.join(work, 'data'),
                HOME: work };
  const common = ['--user-data-dir', user, '--extensions-dir', extensions, '--disable-telemetry',
                  '--disable-update-check'];

  step(`installing ${path.basename(args.vsix)}`);
  execFileSync(codeServer, [...common, '--install-extension', path.resolve(args.vsix)], { env, stdio: 'inherit' });
  const installed = execFileSync(codeServer, [...common, '--list-extensions'], { env }).toString().trim();
  if (installed !== 'belvara-quintosa.scenarioc') throw new Error(`installed extensions: ${installed}`);

  const port = await freePort();
  step(`code-server on 127.0.0.1:${port}`);
  const log = fs.openSync(path.join(args.out, 'code-server.log'), 'w');
  const server = spawn(codeServer, [...common, '--bind-addr', `127.0.0.1:${port}`, '--auth', 'none',
                                    '--disable-workspace-trust', '--disable-getting-started-override', folder],
                       { env, stdio: ['ignore', log, log] });
  let browser;
  try {
    const drawsPreviews = await serverDrawsPreviews(folder);
    console.log(`   the server ${drawsPreviews ? 'draws previews' : 'draws no preview'}`);
    await waitForServer(port, server);
    browser = await puppeteer.launch({
      executablePath: chromium,
      headless: false,  // the flag below says it, as the browser knows it
      userDataDir: path.join(work, 'chromium'),
      defaultViewport: { width: 1400, height: 900 },
      args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync',
             '--window-size=1400,900'],
    });
    const page = await browser.newPage();
    page.setDefaultTimeout(patience);
    try {
      await drive(page, `http://127.0.0.1:${port}/?folder=${encodeURIComponent(folder)}`, drawsPreviews);
    } catch (error) {
      await shot(page, 'failed');
      fs.writeFileSync(path.join(args.out, 'failed.html'), await page.content());
      throw error;
    }
  } finally {
    if (browser) await browser.close();
    server.kill();
    fs.rmSync(work, { recursive: true, force: true });
  }
}

// code-server's window is a remote one: a machine's setting such as
// scenarioc.server.path is read from the machine's settings, not the user's.
let userSettings, machineSettings;
const baseSettings = {
  'workbench.colorTheme': 'Default Dark Modern',
  'workbench.startupEditor': 'none',
  'workbench.tips.enabled': false,
  'workbench.enableExperiments': false,
  'security.workspace.trust.enabled': false,
  'extensions.autoCheckUpdates': false,
  'extensions.autoUpdate': false,
  'update.mode': 'none',
  'telemetry.telemetryLevel': 'off',
  'chat.commandCenter.enabled': false,
  'window.restoreWindows': 'none',
  'editor.hover.delay': 100,
  // The server's semantic tokens colour the texts over the grammar: off
  // while the grammar's colours are looked at, then on (in the machine's
  // settings, which code-server reads anew while it runs).
  'editor.semanticHighlighting.enabled': false,
};

function writeSettings(file, settings) {
  const temporary = `${file}.tmp`;
  fs.writeFileSync(temporary, JSON.stringify(settings, null, 2));
  fs.renameSync(temporary, file);
}

// The process ids of the extension's own server (the one inside the
// installed extension, started with `lsp`).
function serverProcesses() {
  return execFileSync('ps', ['-eo', 'pid=,args=']).toString().split('\n')
    .map(l => /^\s*(\d+)\s+(.*)$/.exec(l)).filter(Boolean)
    .filter(([, , command]) => command.startsWith(extensionsDir) && command.endsWith('/server/scenarioc lsp'))
    .map(([, pid]) => Number(pid));
}

async function waitFor(what, test) {
  const until = Date.now() + patience;
  for (;;) {
    const result = test();
    if (result) return result;
    if (Date.now() > until) throw new Error(`waited in vain for ${what}`);
    await new Promise(r => setTimeout(r, 200));
  }
}

async function waitForAsync(what, test) {
  const until = Date.now() + patience;
  for (;;) {
    const result = await test();
    if (result) return result;
    if (Date.now() > until) throw new Error(`waited in vain for ${what}`);
    await new Promise(r => setTimeout(r, 200));
  }
}

function toastSaying(page, text) {
  return page.waitForFunction(t => [...document.querySelectorAll('.notifications-toasts .notification-toast')]
    .some(n => n.textContent.includes(t)), {}, text);
}

function warningListed(page) {
  return page.waitForFunction(row => [...document.querySelectorAll('.markers-panel .monaco-list-row')]
    .some(r => r.textContent.includes('segnalle') && r.textContent.includes(`Ln ${row},`)), {}, misspeltRow);
}

async function shot(page, name) {
  await new Promise(r => setTimeout(r, 300));  // for the last paint
  await page.screenshot({ path: path.join(args.out, `${name}.png`) });
  console.log(`   screenshot ${name}.png`);
}

// Types `text` into the open quick-input box and takes the row that shows it.
async function pickInQuickInput(page, text) {
  await page.waitForSelector('.quick-input-widget input', { visible: true });
  await page.keyboard.type(text);
  // The row Enter picks is the focused one: a list of recent entries may
  // hold the text before the typed filter has taken effect.
  await page.waitForFunction(t => {
    const row = document.querySelector('.quick-input-list .monaco-list-row.focused');
    return row !== null && row.textContent.includes(t);
  }, {}, text);
  await page.keyboard.press('Enter');
}

async function command(page, title) {
  await page.keyboard.press('F1');
  await pickInQuickInput(page, title);
}

async function goToLine(page, line) {
  await page.keyboard.down('Control');
  await page.keyboard.press('g');
  await page.keyboard.up('Control');
  await page.waitForSelector('.quick-input-widget input', { visible: true });
  await page.keyboard.type(String(line));
  await page.keyboard.press('Enter');
  await page.waitForSelector('.quick-input-widget', { hidden: true });
}

// Text of the Problems panel's rows.
function problems(page) {
  return page.$$eval('.markers-panel .monaco-list-row', rows => rows.map(r => r.textContent));
}

// The spans of the editor's visible lines that begin with `text` (the
// editor joins neighbours of one colour into one span), with their colours
// and places.
function spans(page, text) {
  return page.$$eval('.monaco-editor .view-lines .view-line span span', (all, t) => all
    .filter(s => s.textContent.trim() === t || s.textContent.trim().startsWith(t + ','))
    .map(s => {
      const r = s.getBoundingClientRect();
      return { color: getComputedStyle(s).color, x: r.x + r.width / 2, y: r.y + r.height / 2 };
    }), text);
}

// Whether the server draws previews (one older than them answers
// `scenarioc/preview` with "no method"): the panel must show the picture,
// or else say that this server draws none.
async function serverDrawsPreviews(folder) {
  const server = languageServer(args.scenarioc);
  try {
    await server.request('initialize', { processId: null, rootUri: null, capabilities: {} });
    server.notify('initialized', {});
    const file = path.join(folder, train);
    const uri = `file://${file}`;
    server.notify('textDocument/didOpen',
      { textDocument: { uri, languageId: 'scenario', version: 1, text: fs.readFileSync(file, 'latin1') } });
    const response = await server.call('scenarioc/preview', { textDocument: { uri } });
    if (response.error && response.error.code === -32601) return false;
    if (response.error || !response.result.svg) throw new Error(`the preview request: ${JSON.stringify(response)}`);
    return true;
  } finally {
    await server.close();
  }
}

// What the preview panel shows, once `test` holds for it: its picture's
// data URI and drawn width, or its message. The panel is a webview, a frame
// in a frame, and each new content comes in a new frame: every frame is
// asked, again and again.
async function previewShowing(page, what, test) {
  for (const until = Date.now() + patience; Date.now() < until;) {
    for (const frame of page.frames()) {
      let shows;
      try {
        shows = await frame.evaluate(() => {
          const img = document.querySelector('img.picture');
          if (img) return { src: img.getAttribute('src'), width: img.complete ? img.naturalWidth : 0 };
          const message = document.querySelector('p.message');
          return message && { message: message.textContent };
        });
      } catch (_) {
        continue;  // a frame that went away meanwhile
      }
      if (shows && test(shows)) return shows;
    }
    await new Promise(r => setTimeout(r, 250));
  }
  throw new Error(`the preview panel never showed ${what}`);
}

async function drive(page, url, drawsPreviews) {
  step('opening the folder');
  await page.goto(url);
  await page.waitForSelector('.monaco-workbench .part.editor', { visible: true });

  step(`opening ${train}`);
  await page.keyboard.down('Control');
  await page.keyboard.press('p');
  await page.keyboard.up('Control');
  await pickInQuickInput(page, train);
  await page.waitForSelector('.monaco-editor .view-lines .view-line', { visible: true });

  step('the language mode is the extension\'s');
  await page.waitForFunction(() => {
    const mode = document.querySelector('#status\\.editor\\.mode');
    return mode && mode.textContent.includes('Scenario description');
  });

  step(`the server's warning on row ${misspeltRow} in the Problems panel`);
  await page.keyboard.down('Control');
  await page.keyboard.down('Shift');
  await page.keyboard.press('m');
  await page.keyboard.up('Shift');
  await page.keyboard.up('Control');
  await warningListed(page);
  const listed = await problems(page);
  console.log(`   ${listed.join('\n   ')}`);
  if (!listed.some(r => r.includes('scenarioc'))) throw new Error('the problem does not name scenarioc as its source');
  await goToLine(page, misspeltRow);

  step('the grammar colours the keywords');
  await page.waitForFunction(() => [...document.querySelectorAll('.monaco-editor .view-lines span span')]
    .some(s => s.textContent.trim().startsWith('segnalle')));
  const right = await spans(page, 'segnale');
  const wrong = await spans(page, 'segnalle');
  if (right.length === 0 || wrong.length !== 1) throw new Error('the signal rows are not on the screen');
  if (right.some(s => s.color === wrong[0].color) || new Set(right.map(s => s.color)).size !== 1) {
    throw new Error(`keywords ${right.map(s => s.color).join(', ')}, the misspelt one ${wrong[0].color}`);
  }
  console.log(`   keyword colour ${right[0].color}, the misspelt one ${wrong[0].color}`);

  step('the server\'s semantic tokens colour them too');
  const machine = { 'editor.semanticHighlighting.enabled': true };
  writeSettings(machineSettings, machine);
  const semantic = await waitForAsync('the semantic colours', async () => {
    const r = await spans(page, 'segnale');
    const w = await spans(page, 'segnalle');
    const colours = new Set(r.map(s => s.color));
    // A span drawn anew meanwhile has no colour.
    return colours.size === 1 && w.length === 1 && !colours.has('') && w[0].color !== '' &&
      !colours.has(right[0].color) && !colours.has(w[0].color) &&
      { keyword: r[0].color, misspelt: w[0].color };
  });
  console.log(`   keyword colour ${semantic.keyword}, the misspelt one ${semantic.misspelt}`);

  step('inlay hints at the rows\' ends');
  // The editor draws a hint as a decoration's text or as generated content.
  await page.waitForFunction(() => [...document.querySelectorAll('.monaco-editor .view-lines span')]
    .some(s => [s.textContent, getComputedStyle(s, '::before').content, getComputedStyle(s, '::after').content]
      .some(t => /→\s*cell/.test(t))));
  await shot(page, '1-diagnostic-and-inlay-hints');

  step('a hover on a station row');
  await goToLine(page, 26);
  const station = await spans(page, 'VALDORA');
  if (station.length !== 1) throw new Error('the first station is not on the screen');
  await page.mouse.move(station[0].x, station[0].y);
  await page.waitForFunction(() => {
    const hover = document.querySelector('.monaco-hover:not(.hidden)');
    return hover && /cell/.test(hover.textContent);
  });
  await shot(page, '2-hover');
  await page.mouse.move(5, 5);
  await page.keyboard.press('Escape');

  step('the outline');
  await command(page, 'Explorer: Focus on Outline View');
  await page.waitForFunction(() => [...document.querySelectorAll('.outline-pane .monaco-list-row, .pane-body .monaco-list-row')]
    .some(r => r.textContent.includes('VALDORA')));
  await shot(page, '3-outline');

  step('completion of a keyword');
  await goToLine(page, misspeltRow - 1);  // [segnali]
  await page.keyboard.press('End');
  await page.keyboard.press('Enter');
  await page.keyboard.type('seg');
  await page.keyboard.down('Control');
  await page.keyboard.press('Space');
  await page.keyboard.up('Control');
  await page.waitForFunction(() => [...document.querySelectorAll('.suggest-widget .monaco-list-row')]
    .some(r => r.textContent.includes('segnale')));
  // Once more for the suggestion's details: the record's fields.
  await page.keyboard.down('Control');
  await page.keyboard.press('Space');
  await page.keyboard.up('Control');
  await page.waitForFunction(() => /position/.test(document.querySelector('.suggest-details-container')?.textContent || ''));
  await shot(page, '4-completion');
  await page.keyboard.press('Escape');
  for (let i = 0; i < 3; ++i) {  // the typing and the new line, undone
    await page.keyboard.down('Control');
    await page.keyboard.press('z');
    await page.keyboard.up('Control');
  }

  step('the preview beside the text');
  await command(page, 'Scenario: Open Preview');
  let before;
  if (drawsPreviews) {
    before = await previewShowing(page, 'a picture', shows => shows.width > 0);
    if (!before.src.startsWith('data:image/svg+xml;base64,')) throw new Error(`the picture is ${before.src.slice(0, 40)}`);
    console.log(`   a picture ${before.width} px wide`);
  } else {
    const shows = await previewShowing(page, 'that this server draws no preview',
                                       shows => /draws no preview/.test(shows.message || ''));
    console.log(`   ${shows.message}`);
  }
  await shot(page, '5-preview');

  step('the server killed: started again, with a message');
  const [first] = await waitFor('the server process', () => { const p = serverProcesses(); return p.length === 1 && p; });
  process.kill(first, 'SIGKILL');
  await toastSaying(page, 'stopped unexpectedly');
  await waitFor('a new server process', () => { const p = serverProcesses(); return p.length === 1 && p[0] !== first; });
  await warningListed(page);
  await shot(page, '6-restarted-after-a-crash');

  step('a server that cannot be started: a message that says why');
  const missing = path.join(path.dirname(machineSettings), 'no-such-scenarioc');
  writeSettings(machineSettings, { ...machine, 'scenarioc.server.path': missing });
  await toastSaying(page, `the program ${missing} named in the setting scenarioc.server.path does not exist`);
  await waitFor('no server process', () => serverProcesses().length === 0);
  await previewShowing(page, 'that the server is not running', shows => /not running/.test(shows.message || ''));
  await shot(page, '7-cannot-start');
  writeSettings(machineSettings, machine);
  await waitFor('the server started again', () => serverProcesses().length === 1);
  await warningListed(page);

  step(`correcting row ${misspeltRow}`);
  await goToLine(page, misspeltRow);
  await page.keyboard.press('Home');
  await page.keyboard.down('Shift');
  await page.keyboard.press('End');
  await page.keyboard.up('Shift');
  await page.keyboard.type(rightRow);
  const content = await page.$$eval('.monaco-editor .view-lines .view-line', ls => ls.map(l => l.textContent));
  if (!content.some(l => l.replace(/\s+/g, ' ').startsWith(rightRow.replace(/\s+/g, ' ')))) {
    throw new Error('the row was not corrected');
  }
  // The embedded texts are sound: once the row is right, nothing is left.
  await page.waitForFunction(() => document.querySelectorAll('.markers-panel .monaco-list-row').length === 0 &&
    document.querySelector('.markers-panel').textContent.includes('No problems'));
  console.log('   no problems left');
  if (drawsPreviews) {
    // The signal the misspelling hid is drawn now: another picture.
    await previewShowing(page, 'another picture', shows => shows.width > 0 && shows.src !== before.src);
    console.log('   the preview drawn again');
  }
  await shot(page, '8-corrected');

  step('Scenario: New Scenario, which shows no problem');
  await command(page, 'Scenario: New Scenario');
  await page.waitForFunction(() => /Name of the new scenario/.test(document.querySelector('.quick-input-widget')?.textContent || ''));
  await page.keyboard.type('Ponte');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => /Number of its train/.test(document.querySelector('.quick-input-widget')?.textContent || ''));
  await page.keyboard.type('48');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => [...document.querySelectorAll('.monaco-editor .view-lines .view-line')]
    .some(l => l.textContent.replace(/\s+/g, ' ').includes('lunghezza percorso, 10000')));
  // Once the server has placed its rows, nothing is wrong in it.
  await page.waitForFunction(() => [...document.querySelectorAll('.monaco-editor .view-lines span')]
    .some(s => [s.textContent, getComputedStyle(s, '::before').content, getComputedStyle(s, '::after').content]
      .some(t => /→\s*cell/.test(t))));
  await page.waitForFunction(() => document.querySelector('.markers-panel').textContent.includes('No problems'));
  await shot(page, '9-new-scenario');
  await page.keyboard.down('Control');
  await page.keyboard.press('p');
  await page.keyboard.up('Control');
  await pickInQuickInput(page, train);

  step('[ offers the section headers');
  await goToLine(page, misspeltRow - 1);  // [segnali]
  await page.keyboard.press('End');
  await page.keyboard.press('Enter');
  await page.keyboard.type('[');
  await page.waitForFunction(() => [...document.querySelectorAll('.suggest-widget .monaco-list-row')]
    .some(r => r.textContent.includes('[rallentamenti]')));
  await shot(page, '10-section-headers');
  await page.keyboard.press('Escape');

  step('a sheet opens as Windows-1252: its accents right');
  await page.keyboard.down('Control');
  await page.keyboard.press('p');
  await page.keyboard.up('Control');
  await pickInQuickInput(page, notes);
  await page.waitForFunction(() => [...document.querySelectorAll('.monaco-editor .view-lines .view-line')]
    .some(l => l.textContent.includes('realt\u00e0')));
  await shot(page, '11-sheet');
}

main().then(() => console.log('the extension works in code-server'), error => {
  console.error(error.stack || String(error));
  process.exitCode = 1;
});
