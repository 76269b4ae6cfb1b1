// The page's find box on the cases the program's find box answers (tests/find/find_cases.json):
// the page written from those movies, its data and script read back as a browser would.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');

const [pages, casesFile] = process.argv.slice(2);
const html = fs.readFileSync(path.join(pages, 'cases.html'), 'utf8');
const data = JSON.parse(html.match(/<script type="application\/json" id="data">([^]*?)<\/script>/)[1]);
const script = html.match(/<script>([^]*?)<\/script>/)[1];
const context = { module: { exports: {} } };
vm.runInNewContext(script, context);
const find = context.module.exports;
const catalogue = find.index(data);
const movies = catalogue.movies;
const cases = JSON.parse(fs.readFileSync(casesFile, 'utf8')).cases;

const sorted = list => [...list].sort();
for (const [name, typed, expected] of cases) {
  test(name, () => {
    const found = catalogue.search(typed);
    const titles = movies.filter((m, i) => !found || found[i]).map(m => m.t);
    assert.deepStrictEqual(sorted(titles), sorted(expected === 'all' ? movies.map(m => m.t) : expected));
  });
}
