// The page in headless Chromium, driven over its DevTools pipe: the shared cases' page with hostile
// values shows them as text, runs no alert and asks for nothing outside the file; the page of
// 50,000 movies is usable quickly and answers each keystroke quickly. Exits 77 (skipped) when
// Chromium is not installed.
'use strict';
const { spawn, execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const assert = require('node:assert');

const [pages] = process.argv.slice(2);
let browserPath;
try {
  browserPath = execFileSync('sh', ['-c', 'command -v chromium'], { encoding: 'utf8' }).trim();
} catch {
  console.log('skipped: chromium is not installed');
  process.exit(77);
}

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'reelkeeper-chromium-'));
const browser = spawn(browserPath, ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync', '--user-data-dir=' + profile,
  '--remote-debugging-pipe', '--window-size=360,740'], { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });

// One DevTools message per NUL-ended JSON text, each way.
let nextId = 1, received = '';
const waiting = new Map(), listeners = [];
browser.stdio[4].on('data', chunk => {
  received += chunk.toString('utf8');
  let end;
  while ((end = received.indexOf('\0')) >= 0) {
    const message = JSON.parse(received.slice(0, end));
    received = received.slice(end + 1);
    if (message.id && waiting.has(message.id)) {
      const { resolve, reject } = waiting.get(message.id);
      waiting.delete(message.id);
      if (message.error) reject(new Error(JSON.stringify(message.error)));
      else resolve(message.result);
    } else if (message.method) {
      for (const l of listeners) l(message);
    }
  }
});
function send(method, params = {}, sessionId) {
  const id = nextId++;
  browser.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + '\0');
  return new Promise((resolve, reject) => waiting.set(id, { resolve, reject }));
}
function event(method, sessionId) {
  return new Promise(resolve => listeners.push(m => m.method === method && m.sessionId === sessionId && resolve(m)));
}

async function openTab() {
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  const tab = {
    requests: [], dialogs: [], problems: [],
    send: (method, params) => send(method, params, sessionId),
    async eval(expression) {
      const r = await tab.send('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true });
      if (r.exceptionDetails) throw new Error(r.exceptionDetails.exception?.description || expression);
      return r.result.value;
    },
    async open(file) {
      const loaded = event('Page.loadEventFired', sessionId);
      await tab.send('Page.navigate', { url: 'file://' + file });
      await loaded;
    },
  };
  listeners.push(m => {
    if (m.sessionId !== sessionId) return;
    if (m.method === 'Network.requestWillBeSent') tab.requests.push(m.params.request.url);
    if (m.method === 'Page.javascriptDialogOpening') {
      tab.dialogs.push(m.params.message);
      tab.send('Page.handleJavaScriptDialog', { accept: true });
    }
    if (m.method === 'Runtime.exceptionThrown') tab.problems.push(m.params.exceptionDetails.exception?.description);
    if (m.method === 'Log.entryAdded' && m.params.entry.level === 'error') tab.problems.push(m.params.entry.text);
  });
  for (const domain of ['Page', 'Runtime', 'Network', 'Log']) await tab.send(domain + '.enable');
  return tab;
}

// Types into the find box as a keystroke does and says how long the page took to answer.
const TYPE = text => `(() => {
  const box = document.getElementById('find');
  const start = performance.now();
  box.value = ${JSON.stringify(text)};
  box.dispatchEvent(new Event('input'));
  document.body.offsetHeight;
  return performance.now() - start;
})()`;

// How many pixels of the picture differ from its top left corner's colour, below the header.
const INKED = png => `new Promise(done => {
  const img = new Image();
  img.onload = () => {
    const c = document.createElement('canvas');
    c.width = img.width;
    c.height = img.height;
    const g = c.getContext('2d');
    g.drawImage(img, 0, 0);
    const px = g.getImageData(0, 0, c.width, c.height).data;
    const top = Math.floor(c.height / 3) * c.width * 4;
    let inked = 0;
    for (let i = top; i < px.length; i += 4)
      if (Math.abs(px[i] - px[0]) + Math.abs(px[i + 1] - px[1]) + Math.abs(px[i + 2] - px[2]) > 60) inked++;
    done(inked);
  };
  img.src = 'data:image/png;base64,${png}';
})`;

async function main() {
  const tab = await openTab();
  const casesPage = path.join(pages, 'cases.html');
  await tab.open(casesPage);
  const text = await tab.eval('document.body.innerText');
  assert.match(text, /Shared <img src=x onerror=alert\(3\)> & "friends"/);
  assert.match(text, /26 of 26 movies/);
  assert.match(text, /Written .*2026/);
  assert.strictEqual(await tab.eval(`document.querySelectorAll('img[src="x"], b, i').length + document.scripts.length`), 2);

  // The hostile movie found, opened and shown as text.
  await tab.eval(TYPE('onerror'));
  assert.match(await tab.eval(`document.getElementById('count').textContent`), /^1 of 26 movies$/);
  await tab.eval(`document.querySelector('.row:not([hidden])').click()`);
  const record = await tab.eval(`document.getElementById('record').innerText`);
  for (const shown of ['</script><img src=x onerror=alert(1)>', '<b>bold</b> <script>alert(2)</script>',
    'Robert "Bobby" O\'Neil', 'Line\u2028Separator, Lena', '"Quoted" <i>role</i>'])
    assert.ok(record.includes(shown), record);
  assert.strictEqual(await tab.eval(`document.querySelectorAll('#record *:not(h2, h3, dl, dt, dd, ul, li, p)').length`), 0);
  await tab.eval(`document.getElementById('close').click()`);

  // The whole list, with the one cover, on a phone's screen.
  await tab.eval(TYPE(''));
  const shot = (await tab.send('Page.captureScreenshot', { format: 'png' })).data;
  fs.writeFileSync(path.join(pages, 'cases.png'), Buffer.from(shot, 'base64'));
  const blank = await openTab();
  const inked = await blank.eval(INKED(shot));
  assert.ok(inked > 2000, 'the list looks empty: ' + inked + ' pixels drawn');
  assert.strictEqual(await tab.eval(`[...document.querySelectorAll('.thumb')].filter(i => i.naturalHeight === 120).length`), 1);

  // 50,000 movies.
  const manyPage = path.join(pages, '50000.html');
  await tab.open(manyPage);
  const mark = name => tab.eval(`performance.getEntriesByName('${name}')[0]?.startTime ?? null`);
  const ready = await mark('reelkeeper-ready');
  assert.match(await tab.eval(`document.getElementById('count').textContent`), /^50000 of 50000 movies$/);
  const firstKey = await tab.eval(TYPE('s'));
  let prepared = null;
  for (let waited = 0; prepared === null && waited < 30000; waited += 100) {
    await new Promise(r => setTimeout(r, 100));
    prepared = await mark('reelkeeper-prepared');
  }
  const keys = [];
  for (const typed of ['sm', 'smi', 'smit', 'smith', 'smith ', 'smith n', 'smith ni', 'smith nig', 'smith nigh',
    'smith night', 'year:19', 'year:199', 'year:1999', 'director:"mary', 'director:"mary smith', "o'neill", ''])
    keys.push(await tab.eval(TYPE(typed)));
  await tab.eval(`window.scrollTo(0, 2000000)`);
  await new Promise(r => setTimeout(r, 200));
  const rows = await tab.eval(`document.querySelectorAll('.row').length`);
  const bottom = await tab.eval(`document.querySelector('.row:not([hidden])') !== null`);
  const middle = [...keys].sort((a, b) => a - b)[keys.length >> 1];
  console.log(`50,000 movies: usable after ${ready.toFixed(0)} ms (target 1500), ready to find after ` +
    `${prepared?.toFixed(0)} ms; a keystroke before that ${firstKey.toFixed(0)} ms; keystrokes after it ` +
    `${keys.map(v => v.toFixed(1)).join(', ')} ms (target 50); ${rows} rows built; load average ` +
    os.loadavg().map(v => v.toFixed(1)).join(' '));
  // Timing means little on a machine busier than its cores: then the figures are only reported.
  // Otherwise a keystroke may still wait for the collector now and then, so the middle one is held
  // to the target and only a page far slower than its targets fails.
  assert.ok(prepared !== null, 'the page never became ready to find');
  if (os.loadavg()[0] < os.cpus().length) {
    assert.ok(ready < 3000, 'not usable within 3 s');
    assert.ok(middle < 50 && Math.max(...keys) < 200, 'keystrokes took too long');
  } else {
    console.log('timing not judged: the machine is busy');
  }
  assert.ok(rows < 100 && bottom, 'the rows in view are not the only ones built');

  for (const t of [tab, blank]) {
    assert.deepStrictEqual(t.dialogs, [], 'a dialog opened');
    assert.deepStrictEqual(t.problems, [], 'the page reported problems');
  }
  const outside = tab.requests.filter(url => url !== 'file://' + casesPage && url !== 'file://' + manyPage &&
    !url.startsWith('data:'));
  assert.deepStrictEqual(outside, [], 'the page asked for something outside itself');
  console.log('1 passed, 0 failed');
}

const deadline = setTimeout(() => {
  console.log('Chromium did not answer in time');
  browser.kill();
  process.exit(1);
}, 240000);
main().then(() => 0, e => {
  console.log(e.stack || String(e));
  return 1;
}).then(code => {
  clearTimeout(deadline);
  browser.kill();
  browser.on('exit', () => {
    // Chromium's helper processes may still be writing into the profile for a moment.
    try {
      fs.rmSync(profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 200 });
    } catch (e) {
      console.log('the profile ' + profile + ' was left behind: ' + e.message);
    }
    process.exit(code);
  });
});
