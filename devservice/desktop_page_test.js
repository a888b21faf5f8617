// Runs the send-to-FiveM page's script against a small stand-in for the DOM and the studio's
// page API, and checks that each action calls the API once, in order, and shows what its
// promise resolved with. Usage: node desktop_page_test.js PAGE.html SCRIPT.js PAYLOAD.json NAME
'use strict';
const assert = require('assert');
const fs = require('fs');
const vm = require('vm');

const [pageFile, scriptFile, payloadFile, sendName] = process.argv.slice(2);
const page = fs.readFileSync(pageFile, 'utf8');
const script = fs.readFileSync(scriptFile, 'utf8');
const payloadText = fs.readFileSync(payloadFile, 'utf8');

function element(attrs) {
  return {
    ...attrs,
    dataset: { ...(attrs.dataset || {}) },
    textContent: attrs.textContent || '',
    disabled: false,
    children: [],
    listeners: {},
    addEventListener(type, fn) { (this.listeners[type] = this.listeners[type] || []).push(fn); },
    append(child) { this.children.push(child); },
  };
}

// The page's own elements, read from the served HTML so page and script are tested together.
function pageElements() {
  const byId = {};
  for (const m of page.matchAll(/<output id="([^"]+)" data-state="idle">/g)) {
    byId[m[1]] = element({ id: m[1], dataset: { state: 'idle' } });
  }
  const texts = page.match(/<script type="application\/json" id="desktop-texts">([^<]*)<\/script>/);
  assert.ok(texts, 'the page carries its texts');
  byId['desktop-texts'] = element({ id: 'desktop-texts', textContent: texts[1] });
  const buttons = [...page.matchAll(/data-action="([^"]+)"/g)].map(
    (m) => element({ dataset: { action: m[1] } }));
  return { byId, buttons, state: element({}), log: element({}) };
}

async function run(search, api) {
  const els = pageElements();
  const fetched = [];
  const context = {
    document: {
      getElementById: (id) => els.byId[id] || null,
      querySelector: (sel) => (sel === '[data-api-state]' ? els.state
                               : sel === '[data-log]' ? els.log : null),
      querySelectorAll: (sel) => (sel === '[data-action]' ? els.buttons : []),
      createElement: () => element({}),
    },
    location: { search },
    fetch: async (url) => {
      fetched.push(url);
      const known = url === '/api/fivem/samples/' + sendName;
      return { ok: known, status: known ? 200 : 404, json: async () => JSON.parse(payloadText) };
    },
    performance: { now: () => 0 },
    URLSearchParams, JSON, Object, Promise, Date, String, Math, Array, setTimeout,
  };
  if (api) context.__VANTIRO_DESKTOP__ = api;
  context.window = context;
  vm.runInNewContext(script, context, { filename: scriptFile });
  const wanted = Object.values(els.byId).filter((e) => e.id.startsWith('result-') &&
    search.includes(e.id.replace('result-', '').replace(/^send-/, 'send:')));
  for (let i = 0; i < 200 && wanted.some((e) => e.dataset.state !== 'done'); ++i) {
    await new Promise((r) => setTimeout(r, 10));
  }
  return { els, fetched, context };
}

(async () => {
  const calls = [];
  const api = {
    version: '1.9.4',
    getCapabilities: async () => {
      calls.push('capabilities');
      return { version: '1.9.4', fivemFolderConfigured: true, fivemFolderName: 'resources' };
    },
    pickFiveMFolder: async () => {
      calls.push('pick');
      return { ok: false, configured: false, folderName: '', error: 'cancelled' };
    },
    sendToFiveM: async (payload) => {
      calls.push('send');
      api.sent = payload;
      return { id: 'fivem-1-abc', ok: true, resourceName: payload.resourceName,
               filesWritten: payload.files.length, error: undefined };
    },
  };
  const search = `?auto=capabilities,pick,send:${sendName}`;
  const { els, fetched, context } = await run(search, api);
  const shown = (id) => JSON.parse(els.byId[id].textContent);

  assert.deepStrictEqual(calls, ['capabilities', 'pick', 'send'], 'actions run once, in order');
  assert.deepStrictEqual(shown('result-capabilities'),
    { version: '1.9.4', fivemFolderConfigured: true, fivemFolderName: 'resources' });
  assert.deepStrictEqual(shown('result-pick'),
    { ok: false, configured: false, folderName: '', error: 'cancelled' });
  const payload = JSON.parse(payloadText);
  assert.deepStrictEqual(api.sent, payload, 'the payload is handed over as the service sent it');
  assert.deepStrictEqual(shown('result-send-' + sendName),
    { id: 'fivem-1-abc', ok: true, resourceName: payload.resourceName,
      filesWritten: payload.files.length, elapsedMs: 0 });
  assert.deepStrictEqual(fetched, ['/api/fivem/samples/' + sendName]);
  assert.strictEqual(els.log.children.length, 3, 'one log line per action');
  assert.ok(els.state.textContent.includes('1.9.4'), 'the state line names the version');
  assert.ok(els.buttons.every((b) => !b.disabled), 'buttons are enabled again');
  assert.strictEqual(context.__fivemPageResults['result-pick'].error, 'cancelled');

  // Outside the studio nothing is called and every action says so.
  const bare = await run(search, null);
  for (const id of ['result-capabilities', 'result-pick', 'result-send-' + sendName]) {
    assert.deepStrictEqual(JSON.parse(bare.els.byId[id].textContent),
      { ok: false, error: 'unavailable' }, id);
  }
  assert.deepStrictEqual(bare.fetched, [], 'no resource is fetched without the studio');
  assert.strictEqual(bare.els.state.dataset.present, '0');

  // A click runs that one action.
  const clicked = await run('', api);
  calls.length = 0;
  const button = clicked.els.buttons.find((b) => b.dataset.action === 'capabilities');
  button.listeners.click[0]();
  for (let i = 0; i < 100 && calls.length === 0; ++i) await new Promise((r) => setTimeout(r, 10));
  assert.deepStrictEqual(calls, ['capabilities']);
  console.log('desktop page script: ok');
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
