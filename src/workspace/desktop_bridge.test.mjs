// The page script against a small fake page: run with `node --test`.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import vm from 'node:vm';

const HOST = 'vantiro.app';
const VERSION = '1.9.4';
const SOURCE = readFileSync(new URL('./desktop_bridge.js', import.meta.url), 'utf8')
  .replaceAll('@VANTIRO_SERVICE_HOST@', HOST)
  .replaceAll('@VANTIRO_APP_VERSION@', VERSION);

const MAX_BASE64 = 89478744;

// One clock for every page of a test: timers fire only when the test advances it.
class FakeClock {
  constructor(now = 1_700_000_000_000) {
    this.now = now;
    this.timers = new Map();
    this.nextId = 1;
  }
  setTimeout = (fn, ms) => {
    const id = this.nextId++;
    this.timers.set(id, { at: this.now + ms, fn });
    return id;
  };
  clearTimeout = (id) => {
    this.timers.delete(id);
  };
  advance(ms) {
    const end = this.now + ms;
    for (;;) {
      let next = null;
      for (const [id, t] of this.timers) if (t.at <= end && (!next || t.at < next[1].at)) next = [id, t];
      if (!next) break;
      this.timers.delete(next[0]);
      this.now = next[1].at;
      next[1].fn();
    }
    this.now = end;
  }
}

class FakeElement {
  constructor() {
    this.attributes = {};
  }
  setAttribute(k, v) {
    this.attributes[k] = String(v);
  }
}

class FakeDocument extends EventTarget {
  constructor({ withRoot = true } = {}) {
    super();
    this.documentElement = withRoot ? new FakeElement() : null;
    this.adoptedStyleSheets = [];
    this.observers = [];
  }
  fire(type) {
    this.dispatchEvent(new Event(type));
  }
}

// A host channel in the style of chrome.webview.
class FakeWebview {
  constructor() {
    this.posted = [];
    this.listeners = [];
    this.throwOnPost = false;
  }
  postMessage(text) {
    if (this.throwOnPost) throw new Error('channel closed');
    this.posted.push(text);
  }
  addEventListener(type, fn) {
    if (type === 'message') this.listeners.push(fn);
  }
  reply(data) {
    this.listeners.forEach((fn) => fn({ data }));
  }
  lastRequest() {
    return JSON.parse(this.posted[this.posted.length - 1]);
  }
}

// The WebKitGTK host's relay as the page sees it: it listens on the page's document in a world
// of its own, cancels the events it takes and answers with JSON text.
class FakeRelay {
  constructor(doc) {
    this.doc = doc;
    this.posted = [];
    this.refusePosts = false;
    doc.addEventListener('vantiro-desktop-probe', (e) => e.preventDefault());
    doc.addEventListener('vantiro-desktop-post', (e) => {
      if (this.refusePosts) return;
      this.posted.push(e.detail);
      e.preventDefault();
    });
  }
  replyText(text) {
    this.doc.dispatchEvent(new CustomEvent('vantiro-desktop-reply', { detail: text }));
  }
  reply(data) {
    this.replyText(JSON.stringify(data));
  }
  lastRequest() {
    return JSON.parse(this.posted[this.posted.length - 1]);
  }
}

// Builds a page whose global object is its window; top defaults to itself.
function makePage({
  protocol = 'https:',
  hostname = HOST,
  clock = new FakeClock(),
  channel = 'webview',
  top = null,
  doc = new FakeDocument(),
} = {}) {
  const storage = new Map();
  const windowListeners = {};
  const webview = new FakeWebview();
  const sandbox = {
    location: { protocol, hostname },
    document: doc,
    localStorage: {
      setItem: (k, v) => storage.set(k, String(v)),
      getItem: (k) => (storage.has(k) ? storage.get(k) : null),
    },
    CustomEvent,
    setTimeout: clock.setTimeout,
    clearTimeout: clock.clearTimeout,
    Date: class extends Date {
      static now() {
        return clock.now;
      }
    },
    CSSStyleSheet: class {
      replaceSync(text) {
        this.text = text;
      }
    },
    MutationObserver: class {
      constructor(fn) {
        this.fn = fn;
        doc.observers.push(this);
      }
      observe() {
        this.active = true;
      }
      disconnect() {
        this.active = false;
      }
    },
    addEventListener(type, fn) {
      (windowListeners[type] ||= []).push(fn);
    },
  };
  sandbox.window = sandbox;
  sandbox.top = top || sandbox;
  if (channel === 'webview') sandbox.chrome = { webview };
  vm.createContext(sandbox);
  const page = {
    window: sandbox,
    webview,
    relay: channel === 'relay' ? new FakeRelay(doc) : null,
    storage,
    doc,
    clock,
    run: () => vm.runInContext(SOURCE, sandbox),
    api: () => sandbox.__VANTIRO_DESKTOP__,
    // What any frame or script of the page could do: post a window "message" event.
    dispatchWindowMessage(data) {
      (windowListeners.message || []).forEach((fn) => fn({ data, origin: `https://${HOST}` }));
    },
  };
  return page;
}

function loadedPage(options) {
  const page = makePage(options);
  page.run();
  return page;
}

// Lets promise callbacks run.
const settle = () => new Promise((r) => setImmediate(r));

async function stateOf(promise) {
  let state = 'pending';
  promise.then(
    (v) => (state = { value: v }),
    (e) => (state = { rejected: e }),
  );
  await settle();
  return state;
}

test('the script acts only on https pages of the service host and its www variant', () => {
  const cases = [
    { protocol: 'https:', hostname: HOST, acts: true },
    { protocol: 'https:', hostname: `www.${HOST}`, acts: true },
    { protocol: 'http:', hostname: HOST, acts: false },
    { protocol: 'https:', hostname: `app.${HOST}`, acts: false },
    { protocol: 'https:', hostname: `${HOST}.example.com`, acts: false },
    { protocol: 'https:', hostname: `evil${HOST}`, acts: false },
    { protocol: 'file:', hostname: '', acts: false },
    { protocol: 'data:', hostname: '', acts: false },
  ];
  for (const c of cases) {
    const page = loadedPage(c);
    const label = `${c.protocol}//${c.hostname}`;
    assert.equal('__VANTIRO_DESKTOP__' in page.window, c.acts, label);
    assert.equal(page.doc.adoptedStyleSheets.length, c.acts ? 1 : 0, label);
    assert.equal(page.doc.documentElement.attributes['data-vantiro-desktop'], c.acts ? '1' : undefined, label);
    assert.equal(page.storage.has('vantiro.cookies.v1'), c.acts, label);
    assert.equal(page.webview.listeners.length, c.acts ? 1 : 0, label);
  }
});

test('a second injection into the same document changes nothing', () => {
  const page = loadedPage();
  const api = page.api();
  page.run();
  assert.equal(page.api(), api);
  assert.equal(page.doc.adoptedStyleSheets.length, 1);
  assert.equal(page.webview.listeners.length, 1);
});

test('the API is frozen, cannot be replaced and adds no other global', () => {
  for (const channel of ['webview', 'relay']) {
    const page = makePage({ channel });
    const before = new Set(Object.getOwnPropertyNames(page.window));
    page.run();
    const added = Object.getOwnPropertyNames(page.window).filter((k) => !before.has(k));
    assert.deepEqual(added, ['__VANTIRO_DESKTOP__'], channel);
  }
  const page = loadedPage();
  const api = page.api();
  assert.ok(Object.isFrozen(api));
  const d = Object.getOwnPropertyDescriptor(page.window, '__VANTIRO_DESKTOP__');
  assert.equal(d.writable, false);
  assert.equal(d.configurable, false);
  vm.runInContext("try { window.__VANTIRO_DESKTOP__ = {}; } catch (e) {}", page.window);
  vm.runInContext("try { window.__VANTIRO_DESKTOP__.sendToFiveM = null; } catch (e) {}", page.window);
  assert.equal(page.api(), api);
  assert.equal(typeof api.sendToFiveM, 'function');
  assert.equal(api.version, VERSION);
  assert.equal(api.platform, 'win32');
  assert.equal(api.shell, 'native-d2d');
  assert.equal(typeof api._call, 'function');
  assert.ok(!Object.keys(api).includes('_call'), '_call must not be enumerable');
});

test('requests carry the type over the caller\'s members and ids that differ in the counter', async () => {
  const page = loadedPage();
  const api = page.api();
  api.getCapabilities();
  api.pickFiveMFolder();
  assert.equal(page.webview.posted.length, 2);
  const [a, b] = page.webview.posted.map((t) => JSON.parse(t));
  const stamp = page.clock.now.toString(36);
  assert.equal(a.id, `fivem-1-${stamp}`);
  assert.equal(b.id, `fivem-2-${stamp}`);
  assert.equal(a.type, 'vantiro.fivem.capabilities');
  assert.equal(b.type, 'vantiro.fivem.pick');
  api._call('vantiro.fivem.send', { type: 'forged', id: 'forged', extra: 1 }, 1000);
  const c = page.webview.lastRequest();
  assert.equal(c.type, 'vantiro.fivem.send');
  assert.match(c.id, /^fivem-3-[0-9a-z]+$/);
  assert.equal(c.extra, 1);
  assert.equal(typeof page.webview.posted[0], 'string', 'requests are posted as JSON text');
});

test('each request kind times out after its own time and a late reply changes nothing', async () => {
  const cases = [
    { name: 'capabilities', start: (api) => api.getCapabilities(), ms: 15000,
      expect: { version: VERSION, fivemFolderConfigured: false, fivemFolderName: '' } },
    { name: 'pick', start: (api) => api.pickFiveMFolder(), ms: 900000,
      expect: { ok: false, configured: false, folderName: '', error: 'timeout' } },
    { name: 'send', start: (api) => api.sendToFiveM({ resourceName: 'r', files: [] }), ms: 300000,
      expect: { ok: false, resourceName: 'r', filesWritten: 0, error: 'timeout' } },
  ];
  for (const c of cases) {
    const page = loadedPage();
    const p = c.start(page.api());
    const id = page.webview.lastRequest().id;
    page.clock.advance(c.ms - 1);
    assert.equal(await stateOf(p), 'pending', `${c.name} settled before its time-out`);
    page.clock.advance(1);
    const s = await stateOf(p);
    assert.notEqual(s, 'pending', `${c.name} did not time out`);
    const { id: gotId, ...rest } = s.value;
    if (c.name === 'send') assert.equal(gotId, id, c.name);
    assert.deepEqual({ ...rest }, c.expect, c.name);
    page.webview.reply({ type: 'vantiro.fivem.result', id, ok: true, configured: true });
    assert.deepEqual(s.value, (await stateOf(p)).value, `${c.name}: the late reply changed the result`);
  }
});

test('replies are taken only from the native channel and only in their own shape', async () => {
  const page = loadedPage();
  const p = page.api().sendToFiveM({ resourceName: 'car', files: [{ path: 'fxmanifest.lua', base64: 'AA==' }] });
  const id = page.webview.lastRequest().id;
  page.dispatchWindowMessage({ type: 'vantiro.fivem.result', id, ok: true, filesWritten: 1 });
  page.webview.reply({ type: 'vantiro.fivem.other', id, ok: true });
  page.webview.reply({ type: 'vantiro.fivem.result', id: 7, ok: true });
  page.webview.reply(JSON.stringify({ type: 'vantiro.fivem.result', id, ok: true }));
  page.webview.reply(null);
  page.webview.reply({ type: 'vantiro.fivem.result', id: 'fivem-99-x', ok: true });
  assert.equal(await stateOf(p), 'pending', 'a reply from outside the channel or of the wrong shape settled it');
  page.webview.reply({ type: 'vantiro.fivem.result', id, ok: true, resourceName: 'car', filesWritten: 1 });
  assert.deepEqual({ ...(await stateOf(p)).value },
    { id, ok: true, resourceName: 'car', filesWritten: 1, error: undefined });
  page.clock.advance(300000);
  assert.equal(page.clock.timers.size, 0, 'the time-out was left running');
});

test('client-side limits refuse before posting and let the exact cap through', async () => {
  const page = loadedPage();
  const api = page.api();
  const files65 = Array.from({ length: 65 }, (_, i) => ({ path: `f${i}.lua`, base64: '' }));
  const r65 = await api.sendToFiveM({ resourceName: 'big', files: files65 });
  assert.deepEqual({ ...r65 }, { ok: false, resourceName: 'big', filesWritten: 0, error: 'too_many_files' });
  const over = 'A'.repeat(MAX_BASE64 - 9);
  const r2 = await api.sendToFiveM({ resourceName: 'big', files: [{ path: 'a', base64: over }, { path: 'b', base64: 'A'.repeat(10) }] });
  assert.deepEqual({ ...r2 }, { ok: false, resourceName: 'big', filesWritten: 0, error: 'too_large' });
  assert.equal(page.webview.posted.length, 0, 'a refused send reached the host');
  api.sendToFiveM({ resourceName: 'big', files: [{ path: 'a', base64: over }, { path: 'b', base64: 'A'.repeat(9) }] });
  assert.equal(page.webview.posted.length, 1, 'a send of exactly the cap was not posted');
  const files64 = Array.from({ length: 64 }, (_, i) => ({ path: `f${i}.lua`, base64: '' }));
  api.sendToFiveM({ resourceName: 'ok', files: files64 });
  assert.equal(page.webview.lastRequest().files.length, 64);
});

test('null and non-object arguments are treated as missing fields and always settle', async () => {
  const page = loadedPage();
  const api = page.api();
  for (const payload of [null, undefined, 5, 'text']) {
    api.sendToFiveM(payload);
    const req = page.webview.lastRequest();
    assert.deepEqual({ resourceName: req.resourceName, files: req.files }, { resourceName: '', files: [] }, String(payload));
  }
  const p = api.sendToFiveM({ resourceName: 'r', files: [null, 5, { path: 'a.lua' }, { base64: 'QQ==' }] });
  const req = page.webview.lastRequest();
  assert.deepEqual(req.files, [
    { path: '', base64: '' }, { path: '', base64: '' }, { path: 'a.lua', base64: '' }, { path: '', base64: 'QQ==' },
  ]);
  page.webview.reply({ type: 'vantiro.fivem.result', id: req.id, ok: false, resourceName: 'r', filesWritten: 0, error: 'invalid_path' });
  assert.deepEqual({ ...(await stateOf(p)).value }, { id: req.id, ok: false, resourceName: 'r', filesWritten: 0, error: 'invalid_path' });
});

test('replies are mapped into the documented result shapes', async () => {
  const page = loadedPage();
  const api = page.api();
  const caps = api.getCapabilities();
  let id = page.webview.lastRequest().id;
  page.webview.reply({ type: 'vantiro.fivem.result', id, ok: true, fivemFolderConfigured: true, fivemFolderName: 'resources', version: '0' });
  assert.deepEqual({ ...(await caps) }, { version: VERSION, fivemFolderConfigured: true, fivemFolderName: 'resources' });

  const has = api.hasFiveMFolder();
  id = page.webview.lastRequest().id;
  page.webview.reply({ type: 'vantiro.fivem.result', id, ok: false, fivemFolderConfigured: true });
  assert.equal(await has, false, 'a failed reply must not count as configured');

  const pick = api.pickFiveMFolder();
  id = page.webview.lastRequest().id;
  page.webview.reply({ type: 'vantiro.fivem.result', id, ok: false, configured: 1, folderName: 3, error: 'cancelled' });
  assert.deepEqual({ ...(await pick) }, { ok: false, configured: true, folderName: '', error: 'cancelled' });

  const send = api.sendToFiveM({ resourceName: 'mine', files: [{ path: 'fxmanifest.lua', base64: '' }] });
  id = page.webview.lastRequest().id;
  page.webview.reply({ type: 'vantiro.fivem.result', id, ok: true, filesWritten: 1.5 });
  assert.deepEqual({ ...(await send) }, { id, ok: true, resourceName: 'mine', filesWritten: 0, error: undefined });
});

test('without a channel, or when posting throws, requests resolve with an error word', async () => {
  const none = loadedPage({ channel: null });
  assert.deepEqual({ ...(await none.api().sendToFiveM({ resourceName: 'r', files: [] })) },
    { id: undefined, ok: false, resourceName: 'r', filesWritten: 0, error: 'unavailable' });
  const broken = loadedPage();
  broken.webview.throwOnPost = true;
  const r = await broken.api().pickFiveMFolder();
  assert.equal(r.error, 'post_failed');
  assert.equal(broken.clock.timers.size, 0, 'a failed post left its timer behind');
});

test('a same-origin frame is carried by the top document; a cross-origin frame gets unavailable', async () => {
  const clock = new FakeClock();
  const top = loadedPage({ clock });
  const frame = loadedPage({ clock, top: top.window });
  assert.equal(frame.webview.listeners.length, 0, 'a frame must not listen on the channel itself');
  assert.equal('_call' in frame.api(), false);
  const p = frame.api().sendToFiveM({ resourceName: 'r', files: [] });
  await settle();
  assert.equal(frame.webview.posted.length, 0, 'a frame posted to the host itself');
  const req = top.webview.lastRequest();
  assert.equal(req.type, 'vantiro.fivem.send');
  top.webview.reply({ type: 'vantiro.fivem.result', id: req.id, ok: true, resourceName: 'r', filesWritten: 0 });
  assert.equal((await stateOf(p)).value.ok, true);
  assert.equal(frame.doc.adoptedStyleSheets[0].text.includes('--vantiro-logo-inset:16px'), true);
  assert.equal(frame.doc.adoptedStyleSheets[0].text.includes('.vantiro-public-footer'), false);

  const crossOriginTop = new Proxy({}, { get() { throw new Error('SecurityError'); } });
  const cross = loadedPage({ clock, top: crossOriginTop });
  const r = await cross.api().getCapabilities();
  assert.deepEqual({ ...r }, { version: VERSION, fivemFolderConfigured: false, fivemFolderName: '' });
  const raw = await stateOf(cross.api().sendToFiveM({}));
  assert.equal(raw.value.error, 'unavailable');
});

test('under WebKitGTK requests go to the relay as document events and replies come back the same way', async () => {
  const clock = new FakeClock();
  const page = loadedPage({ channel: 'relay', clock });
  const p = page.api().getCapabilities();
  assert.equal(page.relay.posted.length, 1);
  assert.equal(typeof page.relay.posted[0], 'string', 'requests are posted as JSON text');
  const req = page.relay.lastRequest();
  assert.equal(req.type, 'vantiro.fivem.capabilities');
  page.dispatchWindowMessage({ type: 'vantiro.fivem.result', id: req.id, ok: true, fivemFolderConfigured: true });
  page.relay.replyText('{"type":"vantiro.fivem.result",');
  page.doc.dispatchEvent(new CustomEvent('vantiro-desktop-reply', { detail: { type: 'vantiro.fivem.result', id: req.id } }));
  page.relay.reply({ type: 'vantiro.fivem.result', id: 7, ok: true });
  assert.equal(await stateOf(p), 'pending', 'a reply from outside the relay or of the wrong shape settled it');
  page.relay.reply({ type: 'vantiro.fivem.result', id: req.id, ok: true, fivemFolderConfigured: true, fivemFolderName: 'res' });
  assert.deepEqual({ ...(await p) }, { version: VERSION, fivemFolderConfigured: true, fivemFolderName: 'res' });

  // A same-origin frame is carried by the top document's relay, never by its own.
  const frame = loadedPage({ channel: 'relay', clock, top: page.window });
  frame.api().pickFiveMFolder();
  await settle();
  assert.equal(frame.relay.posted.length, 0, 'a frame posted to the host itself');
  assert.equal(page.relay.lastRequest().type, 'vantiro.fivem.pick');
});

test('under WebKitGTK a missing relay gives unavailable and one that does not take a request post_failed', async () => {
  const none = loadedPage({ channel: null });
  assert.deepEqual({ ...(await none.api().pickFiveMFolder()) },
    { ok: false, configured: false, folderName: '', error: 'unavailable' });
  const refusing = loadedPage({ channel: 'relay' });
  refusing.relay.refusePosts = true;
  const r = await refusing.api().sendToFiveM({ resourceName: 'r', files: [] });
  assert.equal(r.error, 'post_failed');
  assert.match(r.id, /^fivem-1-[0-9a-z]+$/);
  assert.equal(refusing.clock.timers.size, 0, 'a failed post left its timer behind');
});

test('document set-up: cookie notice, one appended style sheet and the desktop mark', () => {
  const doc = new FakeDocument();
  const existing = { text: 'site' };
  doc.adoptedStyleSheets = [existing];
  const page = loadedPage({ doc });
  assert.equal(page.storage.get('vantiro.cookies.v1'), `{"version":1,"hidden":true,"savedAt":${page.clock.now}}`);
  assert.equal(doc.adoptedStyleSheets.length, 2);
  assert.equal(doc.adoptedStyleSheets[0], existing, 'the page\'s own sheets must stay first');
  const css = doc.adoptedStyleSheets[1].text;
  for (const needle of ['.vantiro-public-footer', '[data-cookie-bar]', '@supports selector(::-webkit-scrollbar)',
    'rgba(241,212,177,.36)', '--vantiro-site-header-height:0px']) {
    assert.ok(css.includes(needle), needle);
  }
  assert.ok(css.indexOf('.vantiro-public-footer') < css.indexOf('::-webkit-scrollbar'), 'scroll-bar rules come last');
  assert.equal(doc.documentElement.attributes['data-vantiro-desktop'], '1');
});

test('without a document element yet the mark waits for it, and DOMContentLoaded ends the watch', () => {
  const doc = new FakeDocument({ withRoot: false });
  loadedPage({ doc });
  assert.equal(doc.observers.length, 1);
  const observer = doc.observers[0];
  assert.equal(observer.active, true);
  observer.fn([]);
  assert.equal(observer.active, true, 'stopped watching before the element existed');
  doc.documentElement = new FakeElement();
  observer.fn([]);
  assert.equal(doc.documentElement.attributes['data-vantiro-desktop'], '1');
  assert.equal(observer.active, false);

  const late = new FakeDocument({ withRoot: false });
  loadedPage({ doc: late });
  late.documentElement = new FakeElement();
  late.fire('DOMContentLoaded');
  assert.equal(late.documentElement.attributes['data-vantiro-desktop'], '1');
  assert.equal(late.observers[0].active, false);
});
