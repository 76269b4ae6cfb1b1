// The shared list of one collection: the movies as the program wrote them, found with the words of
// the program's find box. Everything it shows comes from the data block and is set as text.
(function () {
  'use strict';

  // ---- Finding ----
  // The program reads what is typed into terms and asks two SQLite full-text indexes for each: one
  // of words (unicode61, accents removed) whose starts match, one of any three or more characters
  // (trigram, case-blind). A movie is found when every term matches in either index. The tables are
  // those tokenizers' own, read back from SQLite: SEPARATORS are the code points from U+0080 on that
  // end a word, NO_CASE those SQLite does not fold although JavaScript knows their case, ACCENTED
  // those whose accents the word index drops. Each holds ranges as base-36 steps from the number before;
  // tests/webpage/tokenizer_tables.js compares them with the SQLite installed and prints them anew.
  const SEPARATORS = '3k,15,2,6,3,0,2,2,3,0,4,0,o,0,w,0,cr,3,d,d,6,6,2,0,2,g,6,0,8,1,2,0,2,8,2,6,7,3,3,0,3,1p,6,0,9,0,6,1,2,0,33,0,3w,7,5t,5,16,1,5,0,2,1i,18,1,c,4,2,l,3,1,18,k,b,3,3,0,2s,0,2,e,3,6,g,1,2,d,2,0,2,0,v,q,2k,a,1n,8,3,3,t,3,2,8,2,2,2,4,3,e,r,2,3,0,3q,q,2,3,1j,2,2,h,2,6,b,3,b,0,h,2,1l,0,2,6,3,1,3,2,a,0,b,1,f,1,7,1,6,2,1l,0,2,4,5,1,3,2,4,0,v,1,4,0,c,2,1l,0,2,7,2,2,2,2,l,1,d,1,g,2,1l,0,2,6,3,1,3,2,9,1,b,1,d,0,i,0,1o,4,4,2,2,3,a,0,s,7,7,2,1n,6,2,2,2,3,8,1,c,1,s,0,3,1,1l,0,2,6,2,2,2,3,8,1,c,1,v,1,1n,6,2,2,2,3,a,0,b,1,m,0,9,1,1z,0,5,5,2,0,2,7,j,2,1p,0,3,6,5,0,8,8,b,1,2e,0,3,5,2,1,c,5,1g,u,l,b,1e,m,6,a,2,z,2,e,2,c,29,j,c,5,7,3,5,2,2,2,3,6,4,3,e,b,2,0,b,5,2k,0,gy,b,14,9,2v,0,h9,1,i,0,r,1,27,2,11,2,u,4,s,1,v,1,1t,y,2,3,2,0,z,e,4b,0,3b,b,5,b,5,0,4,1,2z,g,8,1,l,x,o,4,3,1,1i,9,2,s,3,0,x,6,2,5,2b,4,1c,g,m,y,4,2,v,c,1l,d,9,3,11,j,4,4,1r,1,1t,7,9,o,5,0,5,2,5o,12,m,3,ce,0,2,2,c,2,e,2,e,2,e,1,2,2s,6,5,b,4,c,4,i,p,n,w,g,1,2,3,2,1,b,0,2,2,6,5,2,0,2,0,2,0,5,0,c,1,5,4,6,3,2,0,1t,gz,d,12,q,a,2a,25,n,e7,2,38,v,qg,4,9,b0,5,5,2,8,3,2,1,35,0,f,0,2p,26,2,b,1x,p,2,2g,d,5x,r,b,5,4,4,o,a,6,6,1,6,2,2i,3,4,0,2j,0,45,1,5,9,x,z,t,u,c,t,9,0,g,v,b,12,g,1q,2,73,535,1r,h3l,1i,1k,1,7i,2,2o,f,x,0,29,7,9,m,a,1,2w,1,3c,0,4,0,5,0,o,8,b,3,1n,3,9,1,1f,g,a,1,h,h,7,2,18,9,o,c,c,0,x,3,1c,q,h,1,22,d,d,0,9,1,f,3,o,2,2,0,1h,0,2,2,3,1,6,1,2,0,t,1,c,6,4,1,6l,a,fn5,0,b,0,3t,f,al,1,59,1,3,p,7,6,a,y,2,i,2,3,44,0,2,e,b,6,r,5,r,a,3f,6,2,6,b,4,77,2,1h,8,1m,g,7,b,1h,19,bm,0,1d,0,w7,0,5k,0,w,0,5e,2,2,1,6,3,15,2,5,0,h,8,13,0,56,6,xt,2,1i,l,1f,2,1a,h,1r,2,11,d,c,3,1p,2,1d,d,5,3,yr,c,2pl,3,ese,19,h,3,j1q,6t,b,12,3,50,z,1x,57,2e,ob,0,q,0,w,0,q,0,w,0,q,0,w,0,q,0,w,0,q,0,4kt,1,7j,17,5,2r,d,e,3,d,3,e,2,e,1d,u,2,1n,5,16,24,s,e,16,6,8,8,1,4v,w,g,5,2,1x,4,j,d,10,2,4,m,g,g,1q,2,0,2,51,2,3,4,1p,3,3,d,n,44,1x,5,a,1d,1x,1n,37,gwi6,0,v,2n,3l,6n';
  const NO_CASE = '8h,0,ge,0,bt,0,2,0,2,0,2,0,2uq,2d,1or,9,7,16,3,2,31s,0,o6h,0,2,0,70,0,2,0,2,0,2,0,2,0,d,3,2,4,2,0,2,0,2,0,2,0,2,0,2,0,2,0,2,3,2,0,2,1,2,0,2,0,2,0,2,0,2,0,2,0,2,0,2,0,p,0,ibf,z,4d,a,2,e,2,6,2,1,1d7,1e,4e,l,27v,v,gw1,v,1t,o,o5k,x';
  const ACCENTED = '5c,5,2,8,2,5,3,4,3,5,2,8,2,5,3,4,2,g,3,j,3,8,4,3,2,5,5,5,4,5,3,h,3,m,y,1,e,1,t,f,2,1,7,7,3,0,4,1,3,3,5,r,3,1,7,d,5p,4,2,6,3,0,2,0,a,0,8,5,5,1,2,1,5an,49,2,0,5,2h,fm,0';
  const MAX_LENGTH = 200;
  const MAX_TERMS = 12;
  // The document the indexes hold for each movie, in the program's column order.
  const COLUMNS = ['Movie_Title', 'Director', 'Producer', 'Executive_Producer', 'Composer', 'Writer',
    'Screenwriter', 'Cinematographer', 'Studio', 'Genre', 'Format', 'Year_Released', 'Length', 'Grade',
    'Rating', 'Actor'];
  const FIELDS = new Map(COLUMNS.map((c, i) => [c.toLowerCase(), i]));
  [['title', 0], ['year', 11], ['screenplay', 6], ['cast', 15], ['borrower', 'borrower'], ['loaned', 'loaned'],
    ['overdue', 'overdue']].forEach(([name, field]) => FIELDS.set(name, field));

  function ranges(text) {
    let at = 0;
    return Int32Array.from(text.split(','), step => (at += parseInt(step, 36)));
  }
  const separators = ranges(SEPARATORS);
  const noCase = ranges(NO_CASE);
  const accented = ranges(ACCENTED);

  function inRanges(r, cp) {
    let lo = 0, hi = r.length - 1;
    if (cp < r[0]) return false;
    while (lo < hi) { // the last bound not above cp
      const mid = (lo + hi + 1) >> 1;
      if (r[mid] <= cp) lo = mid; else hi = mid - 1;
    }
    return lo % 2 === 0 || r[lo] === cp;
  }

  const single = s => s.length === 1 || (s.length === 2 && s.codePointAt(0) > 0xffff);
  const caseCache = new Map();
  const wordCache = new Map();

  // One character as the trigram index compares it: simple case folding, as SQLite knows it.
  function foldCase(ch) {
    let f = caseCache.get(ch);
    if (f === undefined) {
      f = ch;
      if (!inRanges(noCase, ch.codePointAt(0))) {
        const upper = ch.toUpperCase();
        const lower = (single(upper) ? upper : ch).toLowerCase();
        if (single(lower)) f = lower;
      }
      caseCache.set(ch, f);
    }
    return f;
  }

  // One character as the word index keeps it: null where it ends a word, else folded without accents.
  function foldWord(ch) {
    let f = wordCache.get(ch);
    if (f === undefined) {
      let cp = ch.codePointAt(0);
      if (cp >= 0xd800 && cp < 0xe000) cp = 0xfffd; // a lone surrogate reaches SQLite as U+FFFD
      if (cp < 0x80) f = /[0-9a-z]/i.test(ch) ? ch.toLowerCase() : null;
      else if (inRanges(separators, cp)) f = null;
      else if (cp === 0x130) f = 'i';
      else if (inRanges(accented, cp)) f = foldCase(ch).normalize('NFD').replace(/\p{M}/gu, '');
      else f = foldCase(ch);
      wordCache.set(ch, f);
    }
    return f;
  }

  const ASCII = /^[\x00-\x7f]*$/;

  // The words of a text as the word index keeps them, between single spaces: " w1 w2 ".
  function spaced(text) {
    if (ASCII.test(text)) return (' ' + text.toLowerCase() + ' ').replace(/[^0-9a-z]+/g, ' ');
    const out = [''];
    let word = '';
    for (const ch of text) {
      const f = foldWord(ch);
      if (f === null) {
        if (word) out.push(word);
        word = '';
      } else {
        word += f;
      }
    }
    if (word) out.push(word);
    out.push('');
    return out.join(' ');
  }
  const words = text => spaced(text).split(' ').filter(Boolean);

  function folded(text) {
    if (ASCII.test(text)) return text.toLowerCase();
    const out = [];
    for (const ch of text) out.push(foldCase(ch));
    return out.join('');
  }

  const BLANK = /[\p{Z}\p{Cc}]/u;
  const LETTER = /\p{L}/u;
  const WORD_CHARACTER = /[\p{L}\p{N}\p{Co}]/u;

  // The terms typed: words, "quoted phrases" (an unclosed quote runs to the end), field:value.
  function parseQuery(typed) {
    const s = typed.slice(0, MAX_LENGTH);
    const n = s.length;
    const terms = [];
    let i = 0;
    while (i < n && terms.length < MAX_TERMS) {
      while (i < n && BLANK.test(s[i])) ++i;
      if (i >= n) break;
      const t = { field: null, text: '', phrase: false };
      let j = i;
      while (j < n && (LETTER.test(s[j]) || s[j] === '_')) ++j;
      if (j < n && j > i && s[j] === ':') {
        const field = FIELDS.get(s.slice(i, j).toLowerCase());
        if (field !== undefined) {
          t.field = field;
          i = j + 1;
        }
      }
      if (i < n && s[i] === '"') {
        const close = s.indexOf('"', i + 1);
        const end = close < 0 ? n : close;
        t.text = s.slice(i + 1, end);
        t.phrase = true;
        i = end + 1;
      } else {
        for (j = i; j < n && !BLANK.test(s[j]); ++j);
        t.text = s.slice(i, j);
        i = j;
      }
      t.text = t.text.replace(/\p{Cc}/gu, ' ').replace(/\p{Z}+/gu, ' ').replace(/^ | $/g, '');
      if (t.text) terms.push(t);
    }
    return terms;
  }

  const text = v => (typeof v === 'string' ? v : v === undefined || v === null ? '' : String(v));
  const asciiLower = s => s.replace(/[A-Z]/g, c => String.fromCharCode(c.charCodeAt(0) + 32));

  function isoDate(d) {
    const two = v => String(v).padStart(2, '0');
    return d.getFullYear() + '-' + two(d.getMonth() + 1) + '-' + two(d.getDate());
  }

  // A term as what to look for: a test of a movie's loan, or the words (' w1 w2', a trailing space
  // when the last must be whole) and the folded text that one column must hold. Null when the term
  // holds nothing to look for.
  function compile(t, today) {
    if (t.field === 'borrower') {
      const part = asciiLower(t.text);
      return { loan: m => typeof m.b === 'string' && asciiLower(m.b).includes(part) };
    }
    if (typeof t.field === 'string') {
      const no = t.text.toLowerCase() === 'no';
      if (t.field === 'loaned') return { loan: m => (typeof m.b === 'string') !== no };
      return { loan: m => (typeof m.b === 'string' && typeof m.due === 'string' && m.due < today) !== no };
    }
    let hasWord = false;
    for (let i = 0; i < t.text.length && !hasWord; i++) hasWord = WORD_CHARACTER.test(t.text[i]);
    const long = [...t.text].length >= 3;
    if (!hasWord && !long) return null;
    const w = hasWord ? words(t.text) : [];
    const word = w.length ? ' ' + w.join(' ') + (t.phrase ? ' ' : '') : null;
    const inside = long ? folded(t.text) : null;
    if (word === null && inside === null) return { never: true }; // a word the index sees no word in
    // Only a term of several words, or one holding the "; " that joins names, can match across two
    // names of one column, as it does in the program's index.
    return { column: t.field, word, text: inside, across: w.length > 1 || (inside !== null && inside.includes(';')) };
  }

  const COLUMN_COUNT = 16;
  const CAST = 15;

  // The page's movies ready to be found: every distinct value folded once, and each movie's columns
  // as numbers of values. Names are numbered as the data numbers them. A column of several names
  // is a list of them, whose whole text ("name; name") is made when a term can match across two.
  function index(data) {
    const movies = data && Array.isArray(data.movies) ? data.movies : [];
    const n = movies.length;
    const names = [];
    for (const m of movies) if (Array.isArray(m.N)) for (const name of m.N) names.push(text(name));
    const nameOf = ref => (typeof ref === 'number' ? text(names[ref]) : text(ref));
    const namesOf = entry => (Array.isArray(entry) ? entry.map(nameOf) : entry === null || entry === undefined ? [] : [nameOf(entry)]);

    const wordsOf = [], textOf = [];
    const add = v => {
      wordsOf.push(spaced(v));
      textOf.push(folded(v));
      return wordsOf.length - 1;
    };
    const known = new Map();
    const value = v => {
      if (v === '') return -1;
      let id = known.get(v);
      if (id === undefined) known.set(v, (id = add(v)));
      return id;
    };
    // A name by its number, or given in place.
    const nameValue = ref => (typeof ref === 'number' && ref >= 0 && ref < names.length ? (names[ref] ? ref : -1) : value(text(ref)));
    const cells = new Int32Array(n * COLUMN_COUNT); // a value's number, -1 when empty, or -2 - a list's number
    const lists = []; // each list: numbers of values
    const joined = new Map(); // list number -> { w, t }, made when first needed
    let wholes = 0; // lists whose whole text is made ahead
    const cell = list => {
      if (list.length === 0) return -1;
      if (list.length === 1) return list[0];
      lists.push(list);
      return -1 - lists.length;
    };
    let prepared = -1;
    function prepare(limit) {
      if (prepared < 0) {
        names.forEach(add); // names keep their numbers
        prepared = 0;
      }
      for (; prepared < limit; prepared++) {
        const m = movies[prepared], at = prepared * COLUMN_COUNT;
        cells[at] = text(m.t) ? add(text(m.t)) : -1;
        for (let c = 0; c < 10; c++) {
          const e = Array.isArray(m.c) ? m.c[c] : null;
          cells[at + 1 + c] = e === null || e === undefined ? -1 : Array.isArray(e) ? cell(e.map(nameValue).filter(id => id >= 0)) : nameValue(e);
        }
        cells[at + 11] = value(text(m.y));
        cells[at + 12] = value(text(m.n));
        cells[at + 13] = value(text(m.g));
        cells[at + 14] = value(text(m.r));
        const cast = [];
        if (Array.isArray(m.a))
          for (const a of m.a) {
            const id = nameValue(Array.isArray(a) ? a[0] : a);
            if (id >= 0) cast.push(id);
          }
        cells[at + CAST] = cell(cast);
      }
    }
    function whole(k) {
      let j = joined.get(k);
      if (!j) {
        const ids = lists[k];
        const w = [''];
        for (const id of ids) if (wordsOf[id].length > 1) w.push(wordsOf[id].slice(1, -1));
        w.push('');
        j = { w: w.join(' '), t: ids.map(id => textOf[id]).join('; ') };
        joined.set(k, j);
      }
      return j;
    }

    // The movies among `candidates` (all when null) that one term finds. A value is asked about the
    // term once, when first met.
    function keep(term, candidates) {
      const count = candidates ? candidates.length : n;
      const kept = new Int32Array(count);
      let k = 0;
      if (term.loan || term.never) {
        for (let c = 0; c < count; c++) {
          const i = candidates ? candidates[c] : c;
          if (!term.never && term.loan(movies[i])) kept[k++] = i;
        }
        return kept.subarray(0, k);
      }
      const { word, text: inside, across } = term;
      const answers = new Int8Array(wordsOf.length); // 1: the value holds the term, 2: it does not
      const ask = id =>
        (answers[id] = (word !== null && wordsOf[id].includes(word)) || (inside !== null && textOf[id].includes(inside)) ? 1 : 2);
      const list = at => {
        const index = -2 - cells[at];
        if (across) {
          const j = whole(index);
          return (word !== null && j.w.includes(word)) || (inside !== null && j.t.includes(inside));
        }
        const ids = lists[index];
        for (let x = 0; x < ids.length; x++) if ((answers[ids[x]] || ask(ids[x])) === 1) return true;
        return false;
      };
      const first = term.column === null ? 0 : term.column;
      const last = term.column === null ? COLUMN_COUNT : term.column + 1;
      for (let c = 0; c < count; c++) {
        const i = candidates ? candidates[c] : c;
        for (let at = i * COLUMN_COUNT + first, end = i * COLUMN_COUNT + last; at < end; at++) {
          const id = cells[at];
          if (id >= 0 ? (answers[id] || ask(id)) === 1 : id < -1 && list(at)) {
            kept[k++] = i;
            break;
          }
        }
      }
      return kept.subarray(0, k);
    }

    // The movies every term finds, as 1s; null when what was typed finds every movie. The terms
    // typed before are not asked again: as the user types on, only the last term changes.
    let before = { keys: [], kept: [] };
    function search(typed, today) {
      const day = today || isoDate(new Date());
      const parsed = parseQuery(typed);
      const terms = parsed.map(t => compile(t, day));
      const keys = parsed.map(t => JSON.stringify([t.field, t.phrase, t.text, day])).filter((k, i) => terms[i]);
      const used = terms.filter(Boolean);
      if (!used.length) return null;
      prepare(n);
      let same = 0;
      while (same < keys.length && keys[same] === before.keys[same]) same++;
      const kept = before.kept.slice(0, same);
      for (let i = same; i < used.length; i++) kept.push(keep(used[i], i ? kept[i - 1] : null));
      before = { keys, kept };
      const found = new Uint8Array(n);
      for (const i of kept[kept.length - 1]) found[i] = 1;
      return found;
    }

    return {
      movies, nameOf, namesOf, search,
      // Prepares the movies for finding a slice at a time, and then the whole texts of their lists of
      // names; true once all are.
      prepareFor(ms) {
        const until = Date.now() + ms;
        do prepare(Math.min(n, Math.max(prepared, 0) + 500)); while (prepared < n && Date.now() < until);
        while (prepared === n && wholes < lists.length && Date.now() < until)
          for (const end = Math.min(lists.length, wholes + 1000); wholes < end; wholes++) whole(wholes);
        return prepared === n && wholes === lists.length;
      },
    };
  }

  const api = { parseQuery, index, MAX_LENGTH, MAX_TERMS };
  if (typeof module === 'object' && module && module.exports) module.exports = api;
  if (typeof document === 'undefined' || !document.getElementById('data')) return;

  // ---- The page ----
  const data = JSON.parse(document.getElementById('data').textContent);
  const catalogue = index(data);
  const movies = catalogue.movies;
  const CREDITS = ['Director', 'Producer', 'Executive Producer', 'Composer', 'Writer', 'Screenwriter',
    'Cinematographer', 'Studio', 'Genre', 'Format'];
  const $ = id => document.getElementById(id);
  const list = $('list');
  const rowHeight = () => parseFloat(getComputedStyle(list).getPropertyValue('--row')) || 64;
  const counted = (n, noun) => n + ' ' + noun + (n === 1 ? '' : 's');
  const credit = (m, i) => catalogue.namesOf(Array.isArray(m.c) ? m.c[i] : null);
  const director = m => credit(m, 0).join(', ');
  const picture = v => typeof v === 'string' && /^data:image\/(jpeg|png);base64,[A-Za-z0-9+/=]*$/.test(v);

  function element(tag, className, content) {
    const e = document.createElement(tag);
    if (className) e.className = className;
    if (content !== undefined) e.textContent = content;
    return e;
  }

  document.title = text(data.title) || 'Movies';
  $('title').textContent = text(data.title);
  if (data.written) {
    const d = new Date(data.written + 'T12:00:00');
    $('written').textContent = 'Written ' + (isNaN(d) ? text(data.written) :
      d.toLocaleDateString(undefined, { year: 'numeric', month: 'long', day: 'numeric' }));
  }

  // Sort orders are made when first asked for; each is the movie numbers in that order.
  const collator = new Intl.Collator(undefined, { numeric: true, sensitivity: 'base' });
  const KEYS = { title: m => text(m.t), year: m => text(m.y), director, grade: m => text(m.g) };
  const orders = {};
  function order(key) {
    if (!orders[key]) {
      const values = movies.map(KEYS[key]);
      const titles = key === 'title' ? values : movies.map(KEYS.title);
      const compare = (a, b) => (!values[a] - !values[b]) || collator.compare(values[a], values[b]) ||
        collator.compare(titles[a], titles[b]) || a - b;
      const o = movies.map((m, i) => i);
      // A collection is mostly written in the order of its titles, which is quicker to check than to make.
      let sorted = true;
      for (let i = 1; i < o.length && sorted; i++) sorted = compare(i - 1, i) < 0;
      if (!sorted) o.sort(compare);
      orders[key] = o;
    }
    return orders[key];
  }

  // The movies are prepared for finding a slice at a time once the list shows, or at once when a
  // search needs them.
  // A message comes back sooner than a nested timeout's few milliseconds.
  const slices = new MessageChannel();
  slices.port1.onmessage = () => {
    if (catalogue.prepareFor(12)) performance.mark('reelkeeper-prepared');
    else slices.port2.postMessage(0);
  };

  let found = null; // which movies the find box keeps; null for all
  let shown = [];
  function update() {
    const o = order($('sort').value);
    shown = found ? o.filter(i => found[i]) : o;
    $('count').textContent = shown.length + ' of ' + counted(movies.length, 'movie');
    list.style.height = shown.length * rowHeight() + 'px';
    for (const row of pool) row.index = -1;
    render();
  }

  function search() {
    found = catalogue.search($('find').value);
    update();
    window.scrollTo(0, 0);
  }

  // Only the rows in view exist: a pool of them moves over the list as it scrolls.
  const pool = [];
  function makeRow() {
    const row = element('button', 'row');
    row.type = 'button';
    row.append(element('img', 'thumb'), element('span', 'name'), element('span', 'about'));
    row.firstChild.alt = '';
    row.index = -1;
    row.addEventListener('click', () => show(movies[shown[row.index]]));
    list.append(row);
    return row;
  }
  function fill(row, i) {
    const m = movies[shown[i]];
    row.index = i;
    row.style.transform = 'translateY(' + i * rowHeight() + 'px)';
    const img = row.firstChild;
    if (picture(m.i)) {
      img.src = m.i;
      img.hidden = false;
    } else {
      img.removeAttribute('src');
      img.hidden = true;
    }
    row.children[1].textContent = text(m.t);
    row.children[2].textContent = [text(m.y), director(m)].filter(Boolean).join(' \u00b7 ');
  }
  let pending = false;
  function render() {
    pending = false;
    const h = rowHeight();
    const top = list.getBoundingClientRect().top;
    const first = Math.max(0, Math.floor(-top / h) - 4);
    const last = Math.min(shown.length, Math.ceil((innerHeight - top) / h) + 4);
    while (pool.length < last - first) pool.push(makeRow());
    let p = 0;
    for (let i = first; i < last; i++, p++) {
      const row = pool[p];
      if (row.index !== i) fill(row, i);
      row.hidden = false;
    }
    for (; p < pool.length; p++) {
      pool[p].hidden = true;
      pool[p].index = -1;
    }
  }
  const later = () => {
    if (!pending) {
      pending = true;
      requestAnimationFrame(render);
    }
  };
  addEventListener('scroll', later, { passive: true });
  addEventListener('resize', () => update());

  // A movie's whole record: whatever the data holds of it.
  function show(m) {
    const body = $('record');
    body.replaceChildren();
    if (picture(m.i)) {
      const img = element('img', 'cover');
      img.alt = '';
      img.src = m.i;
      body.append(img);
    }
    body.append(element('h2', '', text(m.t)));
    const facts = element('dl');
    const fact = (label, value) => {
      if (value) facts.append(element('dt', '', label), element('dd', '', value));
    };
    fact('Year', text(m.y));
    fact('Length', text(m.n));
    fact('Grade', text(m.g));
    fact('Rating', text(m.r));
    if (m.ws) fact('Widescreen', 'Yes');
    fact('Personal rating', text(m.pr));
    CREDITS.forEach((label, i) => fact(label, credit(m, i).join(', ')));
    if (typeof m.b === 'string') {
      const day = v => {
        const d = new Date(text(v) + 'T12:00:00');
        return isNaN(d) ? text(v) : d.toLocaleDateString('en-GB', { day: 'numeric', month: 'short', year: 'numeric' });
      };
      let loan = 'On loan to ' + m.b;
      if (m.lent) loan += ' since ' + day(m.lent);
      if (m.due) loan += ', due ' + day(m.due) + (text(m.due) < isoDate(new Date()) ? ' (overdue)' : '');
      fact('Loan', loan);
    }
    body.append(facts);
    if (Array.isArray(m.a) && m.a.length) {
      body.append(element('h3', '', 'Cast'));
      const cast = element('ul', 'cast');
      for (const member of m.a) {
        const [name, role] = Array.isArray(member) ? member : [member];
        cast.append(element('li', '', catalogue.nameOf(name) + (role ? ' as ' + text(role) : '')));
      }
      body.append(cast);
    }
    if (m.p) body.append(element('h3', '', 'Plot'), element('p', 'plot', text(m.p).replace(/[\u2028\u2029]/g, '\n')));
    $('detail').showModal();
  }
  $('close').addEventListener('click', () => $('detail').close());
  $('detail').addEventListener('click', e => {
    if (e.target === $('detail')) $('detail').close(); // a tap beside the record
  });

  $('find').maxLength = MAX_LENGTH;
  $('find').addEventListener('input', search);
  $('find').addEventListener('keydown', e => {
    if (e.key === 'Escape' && $('find').value) { // as the program's box: Escape empties it
      $('find').value = '';
      search();
    }
  });
  $('sort').addEventListener('change', () => {
    update();
    window.scrollTo(0, 0);
  });
  update();
  performance.mark('reelkeeper-ready');
  slices.port2.postMessage(0);
})();
