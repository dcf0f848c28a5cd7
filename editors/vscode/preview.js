// The live preview: a panel beside the editor showing the picture the
// server draws of the scenario (`scenarioc/preview`), drawn again a moment
// after the author stops typing in either text and when another
// description text becomes the active editor. The panel runs no script:
// the picture is an <img> of a data URI, so nothing in it can run or load
// anything, and the page's Content-Security-Policy allows nothing else.
'use strict';

const crypto = require('crypto');
const path = require('path');
const vscode = require('vscode');

const method = 'scenarioc/preview';
const languageId = 'scenario';
const debounceMs = 300;
// JSON-RPC: the server has no such request (one older than the preview),
// and the client's own "not running".
const methodNotFound = -32601;
const connectionInactive = -32096;

function escapeHtml(text) {
  return String(text).replace(/[&<>"']/g, c => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', "'": '&#39;' })[c]);
}

function fileName(uri) {
  try {
    return path.basename(vscode.Uri.parse(uri).path);
  } catch (_) {
    return uri;
  }
}

// The whole page; `body` is markup already escaped.
function page(body) {
  const nonce = crypto.randomBytes(16).toString('base64');
  return `<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="UTF-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; img-src data:; style-src 'nonce-${nonce}';">
<meta name="viewport" content="width=device-width, initial-scale=1.0">
<style nonce="${nonce}">
body { padding: 0.5em 1em; color: var(--vscode-foreground); font-family: var(--vscode-font-family); }
.files { font-size: 0.9em; opacity: 0.8; margin: 0 0 0.5em; }
.picture { background: #fff; max-width: 100%; height: auto; display: block; }
.message { white-space: pre-wrap; border-left: 3px solid var(--vscode-editorWarning-foreground); padding: 0.3em 0.8em; }
</style>
</head>
<body>
${body}
</body>
</html>`;
}

function filesLine(result) {
  const names = [result.line, result.train].filter(Boolean).map(u => `<code>${escapeHtml(fileName(u))}</code>`);
  return names.length > 0 ? `<p class="files">${names.join(' + ')}</p>` : '';
}

function pictureBody(result) {
  const data = Buffer.from(result.svg, 'utf8').toString('base64');
  return `${filesLine(result)}<img class="picture" alt="the scenario's picture" src="data:image/svg+xml;base64,${data}">`;
}

function messageBody(text, result) {
  return `${result ? filesLine(result) : ''}<p class="message">${escapeHtml(text)}</p>`;
}

class Preview {
  // `client()` is the running language client, or undefined.
  constructor(client, serverName) {
    this.client = client;
    this.serverName = serverName;
    this.panel = undefined;
    this.uri = undefined;       // the text the preview was asked for
    this.shown = new Set();     // that text and its partner, as the server names them
    this.timer = undefined;
    this.asked = 0;             // the latest request; older answers are dropped
    this.listeners = [];
  }

  open() {
    const editor = vscode.window.activeTextEditor;
    if (editor && editor.document.languageId === languageId) this.uri = editor.document.uri.toString();
    if (!this.uri) {
      vscode.window.showInformationMessage(
        'Scenario: open a line or train description (NAME_linea.txt, NAME_NUMBER-.txt) to preview it.');
      return;
    }
    if (this.panel) {
      this.panel.reveal(vscode.ViewColumn.Beside, true);
    } else {
      this.panel = vscode.window.createWebviewPanel('scenarioc.preview', 'Scenario preview',
        { viewColumn: vscode.ViewColumn.Beside, preserveFocus: true },
        { enableScripts: false, enableForms: false, localResourceRoots: [] });
      this.panel.onDidDispose(() => this.closed());
      this.listeners.push(
        vscode.workspace.onDidChangeTextDocument(event => {
          const uri = event.document.uri.toString();
          if (event.contentChanges.length > 0 && (uri === this.uri || this.shown.has(uri))) this.soon();
        }),
        vscode.window.onDidChangeActiveTextEditor(active => {
          // Focus on the panel itself, or on another kind of file, keeps
          // the picture of the last description text.
          if (!active || active.document.languageId !== languageId) return;
          const uri = active.document.uri.toString();
          if (uri === this.uri) return;
          this.uri = uri;
          this.soon();
        }));
    }
    this.refresh();
  }

  // The server started, stopped or could not start: the picture (or the
  // message) shown may be out of date.
  serverChanged() {
    if (this.panel) this.refresh();
  }

  soon() {
    clearTimeout(this.timer);
    this.timer = setTimeout(() => this.refresh(), debounceMs);
  }

  async refresh() {
    clearTimeout(this.timer);
    if (!this.panel) return;
    const asked = ++this.asked;
    const uri = this.uri;
    this.panel.title = `Preview ${fileName(uri)}`;
    const show = body => { if (this.panel && asked === this.asked) this.panel.webview.html = page(body); };
    const client = this.client();
    if (!client) {
      show(messageBody('The scenarioc language server is not running, so there is no picture. ' +
                       'Run "Scenario: Restart the language server" (its log is in the Output panel, "scenarioc").'));
      return;
    }
    let result;
    try {
      result = await client.sendRequest(method, { textDocument: { uri } });
    } catch (error) {
      if (error && error.code === methodNotFound) {
        show(messageBody(`This scenarioc (${this.serverName()}) draws no preview: it is older than the ` +
                         'preview. Name a newer scenarioc in the setting scenarioc.server.path, or install ' +
                         'a newer version of this extension.'));
      } else if (error && error.code === connectionInactive) {
        show(messageBody('The scenarioc language server stopped; the picture comes back when it runs again.'));
      } else {
        show(messageBody(`No picture of ${fileName(uri)}: ${error && error.message ? error.message : error}`));
      }
      return;
    }
    if (asked !== this.asked) return;
    this.shown = new Set([result.line, result.train].filter(Boolean));
    if (typeof result.svg === 'string' && result.svg !== '') show(pictureBody(result));
    else show(messageBody(result.problem || 'The server drew no picture and gave no reason.', result));
  }

  closed() {
    clearTimeout(this.timer);
    for (const listener of this.listeners) listener.dispose();
    this.listeners = [];
    this.panel = undefined;
    this.shown = new Set();
    ++this.asked;
  }

  dispose() {
    if (this.panel) this.panel.dispose();
  }
}

module.exports = { Preview };
