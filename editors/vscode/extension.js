// Starts scenarioc's language server for the line and train description
// texts: the program that comes with the extension, or the one named in the
// setting scenarioc.server.path. A server that stops is started again with a
// message saying so; one that stops over and over, or cannot be started at
// all, is left stopped with a message that says what to do. "Scenario: Open
// Preview" shows the server's picture of the scenario beside the text
// (preview.js).
'use strict';

const { execFile } = require('child_process');
const fs = require('fs');
const path = require('path');
const vscode = require('vscode');
const { LanguageClient, CloseAction, ErrorAction, RevealOutputChannelOn, State } =
  require('vscode-languageclient/node');
const { Preview } = require('./preview');

const settingName = 'scenarioc.server.path';
// More stops than this within the window is a server that cannot run here.
const restartLimit = 4;
const restartWindowMs = 3 * 60 * 1000;

let client;
let output;
let preview;
let serverName = '';

function bundledServer(context) {
  const name = process.platform === 'win32' ? 'scenarioc.exe' : 'scenarioc';
  return context.asAbsolutePath(path.join('server', name));
}

function serverProgram(context) {
  const configured = vscode.workspace.getConfiguration().get(settingName, '').trim();
  return configured !== '' ? { program: configured, configured: true }
                           : { program: bundledServer(context), configured: false };
}

// Why the program cannot be started, in words for the user; null when it can.
function cannotStart(server) {
  // A bare name is looked up on the PATH when it is started.
  if (server.configured && !server.program.includes('/') && !server.program.includes('\\')) return null;
  let stat;
  try {
    stat = fs.statSync(server.program);
  } catch (error) {
    return server.configured
      ? `the program ${server.program} named in the setting ${settingName} does not exist`
      : `the extension's own server ${server.program} is missing: install the extension's file ` +
        `for this system again, or name a scenarioc program in the setting ${settingName}`;
  }
  if (!stat.isFile()) return `${server.program} is not a program file`;
  return null;
}

function restartingErrorHandler() {
  const stops = [];
  return {
    // A broken message is logged; the connection stays as long as it can.
    error: () => ({ action: ErrorAction.Continue }),
    closed: () => {
      const now = Date.now();
      stops.push(now);
      while (stops.length > 0 && now - stops[0] > restartWindowMs) stops.shift();
      if (stops.length > restartLimit) {
        return {
          action: CloseAction.DoNotRestart,
          message: `The scenarioc language server stopped ${stops.length} times in ` +
                   `${restartWindowMs / 60000} minutes and is not started again. Its log is ` +
                   `in the Output panel ("scenarioc"); run "Scenario: Restart the language ` +
                   `server" to try again.`,
        };
      }
      vscode.window.showWarningMessage(
        'The scenarioc language server stopped unexpectedly; it has been started again.');
      return { action: CloseAction.Restart, handled: true };
    },
  };
}

async function start(context) {
  const server = serverProgram(context);
  const problem = cannotStart(server);
  if (problem) {
    output.appendLine(`Cannot start the language server: ${problem}.`);
    vscode.window.showErrorMessage(`Scenario descriptions: cannot start the language server: ${problem}.`);
    preview.serverChanged();
    return;
  }
  const executable = { command: server.program, args: ['lsp'] };
  serverName = server.program;
  client = new LanguageClient('scenarioc', 'scenarioc', { run: executable, debug: executable }, {
    documentSelector: [{ language: 'scenario' }],
    // A quick fix with tab stops for the missing values comes as this
    // command, which the protocol's edits cannot carry.
    initializationOptions: { snippetCommand: 'scenarioc.insertSnippet' },
    outputChannel: output,
    revealOutputChannelOn: RevealOutputChannelOn.Never,
    errorHandler: restartingErrorHandler(),
  });
  client.onDidChangeState(event => {
    if (event.newState === State.Running || event.newState === State.Stopped) preview.serverChanged();
  });
  try {
    await client.start();
    output.appendLine(`Started ${server.program} lsp.`);
  } catch (error) {
    const reason = error && error.message ? error.message : String(error);
    output.appendLine(`Cannot start ${server.program} lsp: ${reason}`);
    vscode.window.showErrorMessage(
      `Scenario descriptions: cannot start the language server ${server.program} (${reason}). ` +
      `Check the setting ${settingName}; \`${server.program} lsp --help\` must run.`);
    const failed = client;
    client = undefined;
    try { await failed.dispose(); } catch (_) { /* it never ran */ }
    preview.serverChanged();
  }
}

async function stop() {
  if (!client) return;
  const running = client;
  client = undefined;
  try {
    await running.stop();
  } catch (_) {
    // A server that already died has nothing left to stop.
  }
}

// The server's fix with tab stops: the snippet at the range, in the
// editor that shows the document (opened when none does).
async function insertSnippet(uri, range, snippet) {
  const document = await vscode.workspace.openTextDocument(vscode.Uri.parse(uri));
  const editor = await vscode.window.showTextDocument(document);
  const at = new vscode.Range(range.start.line, range.start.character, range.end.line, range.end.character);
  await editor.insertSnippet(new vscode.SnippetString(snippet), at);
}

// "Scenario: New Scenario": scenarioc new NAME TRAIN in the open folder,
// run by the same program as the server, then the line text opened.
async function newScenario(context) {
  const folder = vscode.workspace.workspaceFolders && vscode.workspace.workspaceFolders[0];
  if (!folder) {
    vscode.window.showErrorMessage('Scenario descriptions: open a folder first; the new scenario goes into it.');
    return;
  }
  const name = await vscode.window.showInputBox({ prompt: 'Name of the new scenario', placeHolder: 'Ponte' });
  if (!name) return;
  const train = await vscode.window.showInputBox({ prompt: 'Number of its train', placeHolder: '48' });
  if (!train) return;
  const server = serverProgram(context);
  execFile(server.program, ['new', name, train, folder.uri.fsPath], (error, stdout, stderr) => {
    if (error) {
      const reason = (stderr || error.message).trim();
      output.appendLine(`scenarioc new: ${reason}`);
      vscode.window.showErrorMessage(`Scenario descriptions: no new scenario: ${reason}`);
      return;
    }
    const line = stdout.split(/\r?\n/).find(p => p.endsWith('_linea.txt'));
    if (line) vscode.window.showTextDocument(vscode.Uri.file(line));
  });
}

async function activate(context) {
  output = vscode.window.createOutputChannel('scenarioc');
  context.subscriptions.push(output);
  preview = new Preview(() => client, () => serverName);
  context.subscriptions.push(preview);
  context.subscriptions.push(vscode.commands.registerCommand('scenarioc.openPreview', () => preview.open()));
  context.subscriptions.push(vscode.commands.registerCommand('scenarioc.insertSnippet', insertSnippet));
  context.subscriptions.push(vscode.commands.registerCommand('scenarioc.newScenario', () => newScenario(context)));
  context.subscriptions.push(vscode.commands.registerCommand('scenarioc.restartServer', async () => {
    await stop();
    await start(context);
  }));
  context.subscriptions.push(vscode.workspace.onDidChangeConfiguration(async event => {
    if (!event.affectsConfiguration(settingName)) return;
    await stop();
    await start(context);
  }));
  await start(context);
}

function deactivate() {
  return stop();
}

module.exports = { activate, deactivate };
