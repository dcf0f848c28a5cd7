// The live preview: a panel beside the editor showing the picture the
// server draws of the scenario (`scenarioc/preview`), drawn again a moment
// after the author stops typing in either text and when another
// description text becomes the active editor. The picture can be zoomed
// (the buttons, Ctrl + wheel, "Scenario: Zoom Preview In/Out") and dragged
// or scrolled about, and limited to a stretch of the line (the settings
// scenarioc.preview.fromKm and toKm, or "Scenario: Preview a Stretch").
// The panel's one script is the page's own (its nonce is the only one the
// Content-Security-Policy allows): it places the picture and keeps the zoom
// and the place through each new drawing. The picture is an <img> of a data
// URI, so nothing in the drawing can run or load anything.
'use strict';

const crypto = require('crypto');
const path = require('path');
const vscode = require('vscode');

const method = 'scenarioc/preview';
const stretchSettings = 'scenarioc.preview';
const languageId = 'scenario';
const debounceMs = 300;
// JSON-RPC: the server has no such request (one older than the preview),
// and the client's own "not running".
const methodNotFound = -32601;
const connectionInactive = -32096;

function fileName(uri) {
  try {
    return path.basename(vscode.Uri.parse(uri).path);
  } catch (_) {
    return uri;
  }
}

// The page, set once a panel: the script shows what the extension posts
// ({files, svg} or {files, message}) and keeps the zoom and the scroll.
function page() {
  const nonce = crypto.randomBytes(16).toString('base64');
  return `<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="UTF-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; img-src data:; style-src 'nonce-${nonce}'; script-src 'nonce-${nonce}';">
<meta name="viewport" content="width=device-width, initial-scale=1.0">
<style nonce="${nonce}">
html, body { height: 100%; margin: 0; }
body { display: flex; flex-direction: column; color: var(--vscode-foreground); font-family: var(--vscode-font-family); }
.bar { display: flex; gap: 0.4em; align-items: center; padding: 0.3em 1em; font-size: 0.9em; }
.bar .files { opacity: 0.8; flex: 1; }
.bar button { color: var(--vscode-button-secondaryForeground); background: var(--vscode-button-secondaryBackground); border: none; padding: 0.1em 0.6em; cursor: pointer; }
.view { flex: 1; overflow: auto; cursor: grab; }
.view.dragging { cursor: grabbing; }
.picture { background: #fff; display: block; width: 100%; height: auto; user-select: none; max-width: none; max-height: none; }
.message { white-space: pre-wrap; border-left: 3px solid var(--vscode-editorWarning-foreground); padding: 0.3em 0.8em; margin: 0.5em 1em; }
</style>
</head>
<body>
<div class="bar"><span class="files" id="files"></span><span id="zoom">fit</span>
<button id="out" title="Zoom out (Ctrl + wheel)">&minus;</button><button id="fit" title="Fit the panel's width">Fit</button><button id="in" title="Zoom in (Ctrl + wheel)">+</button></div>
<div class="view" id="view"></div>
<script nonce="${nonce}">
${webviewScript}
</script>
</body>
</html>`;
}

// Runs in the panel. Zoom is the picture's width as a multiple of the
// panel's; 1 fits it (the page's style lifts the limits VS Code's own puts
// on an image's size, which would keep it fitted). Dragging and the scroll bars move about.
const webviewScript = `(function () {
  const vscode = acquireVsCodeApi();
  const view = document.getElementById('view');
  let state = vscode.getState() || { zoom: 1, left: 0, top: 0 };
  let picture;
  const save = () => { state.left = view.scrollLeft; state.top = view.scrollTop; vscode.setState(state); };
  function place() {
    document.getElementById('zoom').textContent = state.zoom === 1 ? 'fit' : Math.round(state.zoom * 100) + '%';
    if (picture) picture.style.width = (state.zoom * 100) + '%';
  }
  // Keeps the point at (x, y) of the view where it is on the screen.
  function zoomTo(zoom, x, y) {
    zoom = Math.min(16, Math.max(1, zoom));
    const k = zoom / state.zoom;
    const left = (view.scrollLeft + x) * k - x, top = (view.scrollTop + y) * k - y;
    state.zoom = zoom;
    place();
    view.scrollLeft = left;
    view.scrollTop = top;
    save();
  }
  const centre = () => [view.clientWidth / 2, view.clientHeight / 2];
  document.getElementById('in').onclick = () => zoomTo(state.zoom * 1.5, ...centre());
  document.getElementById('out').onclick = () => zoomTo(state.zoom / 1.5, ...centre());
  document.getElementById('fit').onclick = () => zoomTo(1, 0, 0);
  view.addEventListener('wheel', e => {
    if (!e.ctrlKey && !e.metaKey) return;
    e.preventDefault();
    const r = view.getBoundingClientRect();
    zoomTo(state.zoom * (e.deltaY < 0 ? 1.25 : 0.8), e.clientX - r.left, e.clientY - r.top);
  }, { passive: false });
  let drag;
  view.addEventListener('pointerdown', e => {
    drag = { x: e.clientX, y: e.clientY, left: view.scrollLeft, top: view.scrollTop };
    view.setPointerCapture(e.pointerId);
    view.classList.add('dragging');
  });
  view.addEventListener('pointermove', e => {
    if (!drag) return;
    view.scrollLeft = drag.left - (e.clientX - drag.x);
    view.scrollTop = drag.top - (e.clientY - drag.y);
  });
  const drop = () => { drag = undefined; view.classList.remove('dragging'); save(); };
  view.addEventListener('pointerup', drop);
  view.addEventListener('pointercancel', drop);
  view.addEventListener('scroll', () => { if (!drag) save(); });
  window.addEventListener('message', event => {
    const m = event.data;
    if (m.kind === 'zoom') return zoomTo(m.step > 0 ? state.zoom * 1.5 : state.zoom / 1.5, ...centre());
    document.getElementById('files').textContent = m.files || '';
    view.textContent = '';
    picture = undefined;
    if (m.svg) {
      picture = document.createElement('img');
      picture.className = 'picture';
      picture.alt = "the scenario's picture";
      picture.draggable = false;
      picture.src = 'data:image/svg+xml;base64,' + m.svg;
      picture.onload = () => { view.scrollLeft = state.left; view.scrollTop = state.top; };
      view.appendChild(picture);
      place();
    } else {
      const p = document.createElement('p');
      p.className = 'message';
      p.textContent = m.message;
      view.appendChild(p);
    }
  });
  place();
  vscode.postMessage({ kind: 'ready' });
})();`;

function filesLine(result) {
  const names = [result.line, result.train].filter(Boolean).map(fileName);
  return names.join(' + ');
}

// The stretch the settings ask for, in km; null ends take the line's.
function stretch() {
  const settings = vscode.workspace.getConfiguration(stretchSettings);
  const km = name => {
    const v = settings.get(name, null);
    return typeof v === 'number' && Number.isFinite(v) ? v : null;
  };
  return { fromKm: km('fromKm'), toKm: km('toKm') };
}

// "12.5-30" as {from: 12.5, to: 30}; either end may be left out (null);
// "" is the whole line. Undefined when it is no stretch.
function parseStretch(text) {
  const t = text.trim();
  if (t === '') return { from: null, to: null };
  const m = /^(\d+(?:\.\d+)?)?\s*-\s*(\d+(?:\.\d+)?)?$/.exec(t);
  if (!m) return undefined;
  const from = m[1] === undefined ? null : Number(m[1]);
  const to = m[2] === undefined ? null : Number(m[2]);
  if (from !== null && to !== null && !(from < to)) return undefined;
  return { from, to };
}

function stretchLine() {
  const { fromKm, toKm } = stretch();
  if (fromKm === null && toKm === null) return '';
  return ` · km ${fromKm === null ? 'start' : fromKm} to ${toKm === null ? 'end' : toKm}`;
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
    this.last = undefined;      // what the panel shows, posted again when it reloads
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
        { enableScripts: true, enableForms: false, localResourceRoots: [] });
      this.panel.onDidDispose(() => this.closed());
      // The page asks for its content when it loads, again after being hidden.
      this.panel.webview.onDidReceiveMessage(m => {
        if (m && m.kind === 'ready' && this.last && this.panel) this.panel.webview.postMessage(this.last);
      });
      this.panel.webview.html = page();
      this.listeners.push(
        vscode.workspace.onDidChangeConfiguration(event => {
          if (event.affectsConfiguration(stretchSettings)) this.refresh();
        }),
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

  // "Scenario: Zoom Preview In/Out": as the panel's buttons.
  zoom(step) {
    if (!this.panel) return this.open();
    this.panel.webview.postMessage({ kind: 'zoom', step });
  }

  // "Scenario: Preview a Stretch": the settings fromKm and toKm, for the
  // workspace, from "KM-KM" ("12.5-30", "-30", "40-"); empty: the whole line.
  async askStretch() {
    const { fromKm, toKm } = stretch();
    const typed = await vscode.window.showInputBox({
      prompt: 'The stretch to draw, in km from the start of the line: FROM-TO (an end left out is the ' +
              "line's); empty draws the whole line",
      placeHolder: '12.5-30',
      value: fromKm === null && toKm === null ? '' : `${fromKm === null ? '' : fromKm}-${toKm === null ? '' : toKm}`,
      validateInput: text => (parseStretch(text) ? null : 'write FROM-TO in km, such as 12.5-30, with FROM below TO'),
    });
    if (typed === undefined) return;
    const { from, to } = parseStretch(typed);
    const settings = vscode.workspace.getConfiguration(stretchSettings);
    const target = vscode.workspace.workspaceFolders ? vscode.ConfigurationTarget.Workspace
                                                     : vscode.ConfigurationTarget.Global;
    await settings.update('fromKm', from, target);
    await settings.update('toKm', to, target);
    if (!this.panel) this.open();
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
    const show = content => {
      if (!this.panel || asked !== this.asked) return;
      this.last = content;
      this.panel.webview.postMessage(content);
    };
    const messageBody = (message, result) => ({ kind: 'show', files: result ? filesLine(result) : '', message });
    const client = this.client();
    if (!client) {
      show(messageBody('The scenarioc language server is not running, so there is no picture. ' +
                       'Run "Scenario: Restart the language server" (its log is in the Output panel, "scenarioc").'));
      return;
    }
    let result;
    try {
      result = await client.sendRequest(method, { textDocument: { uri }, ...stretch() });
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
    if (typeof result.svg === 'string' && result.svg !== '') {
      show({ kind: 'show', files: filesLine(result) + stretchLine(),
             svg: Buffer.from(result.svg, 'utf8').toString('base64') });
    } else show(messageBody(result.problem || 'The server drew no picture and gave no reason.', result));
  }

  closed() {
    clearTimeout(this.timer);
    for (const listener of this.listeners) listener.dispose();
    this.listeners = [];
    this.panel = undefined;
    this.shown = new Set();
    this.last = undefined;
    ++this.asked;
  }

  dispose() {
    if (this.panel) this.panel.dispose();
  }
}

module.exports = { Preview, parseStretch };
