// The TextMate grammar, run by the libraries VS Code itself runs it with
// (vscode-textmate on vscode-oniguruma): the embedded scenario's texts come
// out with every keyword, number, name and header scoped, every keyword the
// language server completes is one to the grammar, and the rows whose
// reading surprises (comments, near-miss keywords, quoted names) are
// coloured as the readers read them.
//
//   SCENARIOC=build/bin/scenarioc node --test editors/vscode/test/grammar.test.js
'use strict';

const assert = require('assert');
const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { test } = require('node:test');
const oniguruma = require('vscode-oniguruma');
const textmate = require('vscode-textmate');
const { languageServer } = require('./language-server');

const root = path.join(__dirname, '..');
const scenarioc = process.env.SCENARIOC || path.join(root, '..', '..', 'build', 'bin', 'scenarioc');

const KEYWORD = 'keyword.other.record.scenario';
const NUMBER = 'constant.numeric.integer.scenario';
const NAME = 'string.unquoted.name.scenario';
const QUOTED = 'string.quoted.double.scenario';
const COMMENT = 'comment.line.scenario';
const SECTION = 'entity.name.section.scenario';

let grammarPromise;
function grammar() {
  grammarPromise ??= (async () => {
    const wasm = fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm'));
    await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
    const registry = new textmate.Registry({
      onigLib: Promise.resolve({
        createOnigScanner: patterns => new oniguruma.OnigScanner(patterns),
        createOnigString: s => new oniguruma.OnigString(s),
      }),
      loadGrammar: async scopeName => {
        if (scopeName !== 'text.scenario') return null;
        const file = path.join(root, 'syntaxes', 'scenario.tmLanguage.json');
        return textmate.parseRawGrammar(fs.readFileSync(file, 'utf8'), file);
      },
    });
    return registry.loadGrammar('text.scenario');
  })();
  return grammarPromise;
}

// Each line's tokens, as VS Code gets them (lines without their CR LF).
async function tokenise(text) {
  const g = await grammar();
  let state = textmate.INITIAL;
  return text.split(/\r?\n/).map(line => {
    const r = g.tokenizeLine(line, state);
    state = r.ruleStack;
    return r.tokens.map(t => ({ text: line.slice(t.startIndex, t.endIndex), from: t.startIndex, scopes: t.scopes }));
  });
}

// The scopes at each character of a line.
function scopesAt(tokens, from, to) {
  const out = [];
  for (const t of tokens) {
    for (let i = Math.max(from, t.from); i < Math.min(to, t.from + t.text.length); ++i) out.push(t.scopes);
  }
  return out;
}

function assertScoped(tokens, line, from, to, scope, what) {
  const at = scopesAt(tokens, from, to);
  assert.strictEqual(at.length, to - from, `${what}: line not tokenised whole`);
  at.forEach((scopes, i) => assert.ok(scopes.includes(scope),
    `${what}: '${line.slice(from, to)}' at column ${from + i + 1} is ${scopes.join(' ')}, not ${scope}`));
}

function assertNotScoped(tokens, line, from, to, scope, what) {
  scopesAt(tokens, from, to).forEach((scopes, i) => assert.ok(!scopes.includes(scope),
    `${what}: '${line.slice(from, to)}' at column ${from + i + 1} is ${scope}`));
}

function embeddedTexts() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'grammar-test-'));
  execFileSync(scenarioc, ['texts', path.join(dir, 'texts')]);
  const texts = {};
  for (const name of fs.readdirSync(path.join(dir, 'texts'))) {
    if (name.endsWith('_linea.txt') || name.endsWith('-.txt')) {
      texts[name] = fs.readFileSync(path.join(dir, 'texts', name), 'latin1');
    }
  }
  fs.rmSync(dir, { recursive: true });
  return texts;
}

test('the embedded texts: every header, keyword, number and name scoped', async () => {
  const texts = embeddedTexts();
  assert.deepStrictEqual(Object.keys(texts).sort(), ['Belvara_Quintosa_254-.txt', 'Belvara_Quintosa_linea.txt']);
  const seen = { keyword: 0, number: 0, name: 0, header: 0 };
  for (const [name, text] of Object.entries(texts)) {
    const lines = text.split('\r\n');
    const tokens = await tokenise(text);
    lines.forEach((line, n) => {
      const where = `${name}:${n + 1}`;
      if (line.trim() === '') return;
      if (line.startsWith('[')) {
        assertScoped(tokens[n], line, 1, line.indexOf(']'), SECTION, where);
        seen.header++;
        return;
      }
      // Fields at commas; the first names the record, the others are
      // numbers (blanks part numbers too) or, with any other character, a
      // name.
      let from = 0;
      line.split(',').forEach((field, i) => {
        const at = from;
        from += field.length + 1;
        if (i === 0) {
          assertScoped(tokens[n], line, at + field.search(/\S/), at + field.trimEnd().length, KEYWORD, where);
          seen.keyword++;
        } else if (/[^\d\s+-]/.test(field)) {
          assertScoped(tokens[n], line, at + field.search(/\S/), at + field.trimEnd().length, NAME, where);
          seen.name++;
        } else {
          for (const m of field.matchAll(/\S+/g)) {
            assertScoped(tokens[n], line, at + m.index, at + m.index + m[0].length, NUMBER, where);
            seen.number++;
          }
        }
      });
    });
  }
  // The texts hold each kind (station names among them).
  for (const [kind, count] of Object.entries(seen)) assert.ok(count > 0, `no ${kind} in the embedded texts`);
});

test('every keyword the language server completes is a keyword to the grammar', async () => {
  const texts = embeddedTexts();
  const server = languageServer(scenarioc);
  await server.request('initialize', { processId: null, rootUri: null, capabilities: {} });
  server.notify('initialized', {});
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'grammar-lsp-'));
  const labels = new Set();
  // Where a keyword goes: the line text's general section and body, the
  // train text; each place has keywords of its own.
  const places = [
    ['Belvara_Quintosa_linea.txt', '[generale]'],
    ['Belvara_Quintosa_linea.txt', '[curve]'],
    ['Belvara_Quintosa_254-.txt', '[stazioni]'],
  ];
  for (const [name, after] of places) {
    const uri = 'file://' + path.join(dir, name);
    server.notify('textDocument/didOpen',
      { textDocument: { uri, languageId: 'scenario', version: 1, text: texts[name] } });
    const line = texts[name].split('\r\n').indexOf(after) + 1;
    const result = await server.request('textDocument/completion',
      { textDocument: { uri }, position: { line, character: 0 } });
    const items = Array.isArray(result) ? result : result.items;
    assert.ok(items.length > 0, `no completion in ${name} after ${after}`);
    for (const item of items) {
      assert.ok(!labels.has(item.label), `'${item.label}' completed in two places: the places are not told apart`);
      labels.add(item.label);
    }
  }
  await server.close();
  fs.rmSync(dir, { recursive: true });

  for (const keyword of labels) {
    const line = `${keyword},  1000,  3`;
    const [tokens] = await tokenise(line);
    assertScoped(tokens, line, 0, keyword.length, KEYWORD, 'a completed keyword');
  }
});

test('rows whose reading surprises are coloured as the readers read them', async () => {
  // [row, [text in the row, scope it has (or '!scope': lacks)]...]
  const cases = [
    ['- qui la pendenza cambia', ['- qui la pendenza cambia', COMMENT], ['pendenza', `!${KEYWORD}`]],
    // No hyphen, no comment: the reader takes it for a gradient.
    ['# qui la pendenza cambia', ['# qui la pendenza cambia', KEYWORD]],
    ['pendnza, 7100, 4', ['pendnza', `!${KEYWORD}`], ['7100', NUMBER], ['4', NUMBER]],
    // The general section's keywords are read in lower case only.
    ['Sfondo uno, 3', ['Sfondo uno', `!${KEYWORD}`], ['sfondo uno', `!${KEYWORD}`]],
    ['sfondo uno, 3', ['sfondo uno', KEYWORD]],
    ['  Pendenza , 29700,   -1', ['Pendenza', KEYWORD], ['-1', NUMBER]],
    ['curva destra 5, 100, 200', ['curva destra 5', KEYWORD]],
    ['ripetizione segnali 9 codici, 0, 76800', ['ripetizione segnali 9 codici', KEYWORD]],
    ['cartello indicatore, 5000, "BIVIO, NORD"', ['cartello indicatore', KEYWORD],
      ['"BIVIO, NORD"', QUOTED], ['5000', NUMBER]],
    ['stazione, 40700, 22, 600, 0, 0, 1, 0,0,0, 4,1,1, 0, 0, 0, 0, LOVEDRO-CORTINO',
      ['LOVEDRO-CORTINO', NAME], ['40700', NUMBER], ['22', NUMBER]],
    ['stazione, 900, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 13,57, 0, BIVIO 2',
      ['BIVIO 2', NAME], ['57', NUMBER]],
    ['orologio,    13              56            15 ', ['13', NUMBER], ['56', NUMBER], ['15', NUMBER]],
    ['indicatori_vmax,  3150,  140,  150,  160,  0,  ,  ,  ,  0', ['indicatori_vmax', KEYWORD],
      ['3150', NUMBER], ['160', NUMBER]],
    ['[segnali]', ['segnali', SECTION], ['segnali', `!${KEYWORD}`]],
  ];
  for (const [row, ...expected] of cases) {
    const [tokens] = await tokenise(row);
    for (const [text, scope] of expected) {
      const at = row.indexOf(text);
      assert.ok(at >= 0 || scope.startsWith('!'), `'${text}' not in '${row}'`);
      if (at < 0) continue;
      if (scope.startsWith('!')) assertNotScoped(tokens, row, at, at + text.length, scope.slice(1), row);
      else assertScoped(tokens, row, at, at + text.length, scope, row);
    }
  }
});
