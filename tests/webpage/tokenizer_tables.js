// The page's tables of SQLite's tokenizers (SEPARATORS, NO_CASE, ACCENTED in page.js) against the
// tokenizers of the SQLite on this machine: each code point from U+0080 is indexed between two
// x's and read back. On a difference it prints the tables to put in the page. Exits 77 (skipped)
// without the sqlite3 command.
'use strict';
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');

const sql = `
CREATE VIRTUAL TABLE w USING fts5(a, tokenize='unicode61 remove_diacritics 2');
CREATE VIRTUAL TABLE t USING fts5(a, tokenize='trigram case_sensitive 0');
CREATE VIRTUAL TABLE wv USING fts5vocab(w, 'instance');
CREATE VIRTUAL TABLE tv USING fts5vocab(t, 'instance');
WITH RECURSIVE c(cp) AS (SELECT 128 UNION ALL SELECT cp + 1 FROM c WHERE cp < 1114111)
INSERT INTO w(rowid, a) SELECT cp, 'x' || char(cp) || 'x' FROM c WHERE cp NOT BETWEEN 55296 AND 57343;
INSERT INTO t(rowid, a) SELECT rowid, a FROM w;
SELECT w.doc, w.terms, tv.term FROM (SELECT doc, group_concat(term, ' ') AS terms
  FROM (SELECT doc, term FROM wv ORDER BY doc, offset) GROUP BY doc) AS w JOIN tv ON tv.doc = w.doc ORDER BY w.doc;`;
let out;
try {
  out = execFileSync('sqlite3', ['-batch', ':memory:'], { input: sql, encoding: 'utf8', maxBuffer: 1 << 28 });
} catch (e) {
  if (e.code !== 'ENOENT') throw e;
  console.log('skipped: the sqlite3 command is not installed');
  process.exit(77);
}

const one = s => [...s].length === 1;
const caseFold = ch => {
  const upper = ch.toUpperCase();
  const lower = (one(upper) ? upper : ch).toLowerCase();
  return one(lower) ? lower : ch;
};
const separators = [], noCase = [], accented = [];
for (const line of out.split('\n')) {
  if (!line) continue;
  const [doc, words, trigram] = line.split('|');
  const cp = Number(doc), ch = String.fromCodePoint(cp);
  if (cp === 0xfffe || cp === 0xffff) continue; // not characters
  const word = words === 'x x' ? null : words.slice(1, -1);
  const folded = trigram.slice(1, -1);
  if (word === null) separators.push(cp);
  if (folded !== caseFold(ch)) noCase.push(cp);
  if (word !== null && word !== folded) accented.push(cp);
}
// Ranges as base-36 steps from the number before, as the page reads them.
const encode = list => {
  const bounds = [];
  for (const cp of list) {
    const last = bounds.length - 1;
    if (last > 0 && (cp === bounds[last] + 1 || (bounds[last] === 0xd7ff && cp === 0xe000))) bounds[last] = cp;
    else bounds.push(cp, cp);
  }
  let before = 0;
  return bounds.map(b => {
    const step = (b - before).toString(36);
    before = b;
    return step;
  }).join(',');
};
const expected = `  const SEPARATORS = '${encode(separators)}';
  const NO_CASE = '${encode(noCase)}';
  const ACCENTED = '${encode(accented)}';
`;
const page = fs.readFileSync(process.argv[2], 'utf8');
if (!page.includes(expected)) {
  console.log('The page\'s tables differ from this SQLite\'s tokenizers; they should read:\n' + expected);
  process.exit(1);
}
console.log('1 passed, 0 failed');
