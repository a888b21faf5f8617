// The WebKitGTK relay against small fake documents, and together with the page script, each in
// a context of its own that shares only the document, as script worlds do: run with `node --test`.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import vm from 'node:vm';

const HOST = 'vantiro.app';
const filled = (name) => readFileSync(new URL(name, import.meta.url), 'utf8')
  .replaceAll('@VANTIRO_SERVICE_HOST@', HOST)
  .replaceAll('@VANTIRO_APP_VERSION@', '1.9.4');
const RELAY = filled('./webkit_bridge_relay.js');
const BRIDGE = filled('../../workspace/desktop_bridge.js');
const DELIVER = '(function(t){var f=window.__vantiroRelayDeliver;if(typeof f==="function")f(t);})';

class FakeDocument extends EventTarget {
  constructor() {
    super();
    this.documentElement = { setAttribute() {} };
    this.adoptedStyleSheets = [];
  }
}

// The relay's world of one document. origin is what the document's own origin is: 'null' for a
// sandboxed document.
function relayWorld({ url = `https://${HOST}/sv/editor`, origin, top = null, doc = new FakeDocument(),
  handlerThrows = false } = {}) {
  const parsed = new URL(url);
  const posted = [];
  const world = {
    location: { protocol: parsed.protocol, hostname: parsed.hostname, href: parsed.href, origin: parsed.origin },
    origin: origin ?? parsed.origin,
    document: doc,
    CustomEvent,
    webkit: {
      messageHandlers: {
        vantiroDesktop: {
          postMessage(m) {
            if (handlerThrows) throw new Error('handler gone');
            posted.push({ ...m });
          },
        },
      },
    },
  };
  world.window = world;
  world.top = top || world;
  vm.createContext(world);
  vm.runInContext(RELAY, world);
  return {
    world,
    doc,
    posted,
    deliver: (text) => vm.runInContext(DELIVER, world)(text),
  };
}

// What a page script of that document can do: dispatch events on its own document.
function dispatch(doc, type, detail) {
  return !doc.dispatchEvent(new CustomEvent(type, { detail, cancelable: true }));
}

function listenForReplies(doc) {
  const got = [];
  doc.addEventListener('vantiro-desktop-reply', (e) => got.push(e.detail));
  return got;
}

test('the relay serves only documents of the service origin', () => {
  const cases = [
    { url: `https://${HOST}/sv/editor`, serves: true },
    { url: `https://www.${HOST}/en/editor?x=1#y`, serves: true },
    { url: `https://${HOST.toUpperCase()}/`, serves: true },
    { url: `https://${HOST}:8443/`, serves: true },
    { url: `http://${HOST}/`, serves: false },
    { url: `https://app.${HOST}/`, serves: false },
    { url: `https://${HOST}.example.com/`, serves: false },
    { url: 'https://ads.example/frame.html', serves: false },
    { url: 'about:blank', serves: false },
    { url: `https://${HOST}/sandboxed`, origin: 'null', serves: false },
  ];
  for (const c of cases) {
    const relay = relayWorld(c);
    const label = `${c.url} ${c.origin ?? ''}`;
    assert.equal(dispatch(relay.doc, 'vantiro-desktop-probe', null), c.serves, label);
    assert.equal(dispatch(relay.doc, 'vantiro-desktop-post', 'text'), c.serves, label);
    assert.equal(relay.posted.length, c.serves ? 1 : 0, label);
  }
});

test('a post carries the address of its own document, and the text only when it is a string', () => {
  const relay = relayWorld({ url: `https://www.${HOST}/en/editor?tool=stance#top` });
  assert.equal(dispatch(relay.doc, 'vantiro-desktop-post', '{"type":"x"}'), true);
  assert.equal(dispatch(relay.doc, 'vantiro-desktop-post', { type: 'x' }), true);
  assert.deepEqual(relay.posted, [
    { url: `https://www.${HOST}/en/editor?tool=stance#top`, text: '{"type":"x"}' },
    { url: `https://www.${HOST}/en/editor?tool=stance#top` },
  ]);
  // A post the handler refuses is not taken, so the page script can report it.
  const broken = relayWorld({ handlerThrows: true });
  assert.equal(dispatch(broken.doc, 'vantiro-desktop-post', 'text'), false, 'a failed post counted as taken');
});

test('replies reach the top document only, and only as JSON text', () => {
  const top = relayWorld();
  const got = listenForReplies(top.doc);
  top.deliver('{"type":"vantiro.fivem.result","id":"a"}');
  top.deliver('1);window.pwned=1;(2');
  top.deliver({ type: 'vantiro.fivem.result' });
  assert.deepEqual(got, ['{"type":"vantiro.fivem.result","id":"a"}']);

  const frame = relayWorld({ url: `https://${HOST}/frame`, top: top.world });
  const frameGot = listenForReplies(frame.doc);
  frame.deliver('{"type":"vantiro.fivem.result","id":"b"}');
  assert.deepEqual(frameGot, []);
  assert.equal(dispatch(frame.doc, 'vantiro-desktop-post', 'from the frame'), true);
  assert.equal(frame.posted[0].url, `https://${HOST}/frame`);

  const other = relayWorld({ url: 'https://other.example/' });
  const otherGot = listenForReplies(other.doc);
  other.deliver('{"type":"vantiro.fivem.result","id":"c"}');
  assert.deepEqual(otherGot, []);
});

test('the page script and the relay, each in its own world, carry a request and its reply', async () => {
  const doc = new FakeDocument();
  const relay = relayWorld({ url: `https://${HOST}/sv/editor`, doc });
  const page = {
    location: { protocol: 'https:', hostname: HOST },
    document: doc,
    CustomEvent,
    setTimeout,
    clearTimeout,
    addEventListener() {},
    localStorage: { setItem() {} },
  };
  page.window = page;
  page.top = page;
  vm.createContext(page);
  vm.runInContext(BRIDGE, page);

  const result = page.__VANTIRO_DESKTOP__.getCapabilities();
  assert.equal(relay.posted.length, 1);
  assert.equal(relay.posted[0].url, `https://${HOST}/sv/editor`);
  const request = JSON.parse(relay.posted[0].text);
  assert.equal(request.type, 'vantiro.fivem.capabilities');
  relay.deliver(JSON.stringify({ type: 'vantiro.fivem.result', id: request.id, ok: true,
    fivemFolderConfigured: true, fivemFolderName: 'server' }));
  assert.deepEqual({ ...(await result) }, { version: '1.9.4', fivemFolderConfigured: true, fivemFolderName: 'server' });
});
