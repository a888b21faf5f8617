#include <string_view>
#include <utility>

#include "pages.h"

namespace vantiro::devservice {
namespace {

constexpr std::string_view kSiteCss = R"(:root {
  --vantiro-site-header-height: 56px;
  --bg: #090f18;
  --panel: #101927;
  --text: #eef3fa;
  --muted: #a5b4c6;
  --accent: #f1d4b1;
  color-scheme: dark;
}
html, body { margin: 0; background: var(--bg); color: var(--text);
  font-family: 'Segoe UI', system-ui, sans-serif; font-size: 15px; }
a { color: var(--accent); }
.vantiro-public-header { display: flex; align-items: center; gap: 18px; padding: 0 20px;
  height: var(--vantiro-site-header-height); box-sizing: border-box;
  border-bottom: 1px solid rgba(241, 212, 177, .14); background: #0b131f; }
.vantiro-public-header .brand { font-weight: 700; letter-spacing: .08em; text-decoration: none; }
.vantiro-public-header nav { display: flex; gap: 14px; flex: 1; }
.vantiro-public-header nav a { color: var(--text); text-decoration: none; }
.vantiro-public-header .session { display: flex; gap: 12px; align-items: center; }
.vantiro-public-header form { margin: 0; }
.vantiro-menu-toggle { display: none; }
.vantiro-editor-host { display: block; height: calc(100dvh - var(--vantiro-site-header-height)); }
.vantiro-editor-frame { display: block; border: 0; width: 100%; height: 100%; }
main { max-width: 960px; margin: 0 auto; padding: 32px 20px 48px; }
main .group { color: var(--muted); text-transform: uppercase; font-size: 12px;
  letter-spacing: .08em; margin: 0; }
h1 { color: var(--accent); margin: 4px 0 18px; font-size: 28px; }
.tool-workspace { border: 1px dashed rgba(241, 212, 177, .35); border-radius: 14px;
  padding: 36px; text-align: center; background: var(--panel); }
button, .button { background: var(--accent); color: var(--bg); border: 0; border-radius: 10px;
  padding: 9px 18px; font: inherit; font-weight: 700; cursor: pointer; text-decoration: none;
  display: inline-block; }
button[disabled] { opacity: .5; cursor: default; }
.auth form { display: grid; gap: 14px; max-width: 360px; }
.auth label { display: grid; gap: 6px; color: var(--muted); }
input[type=email], input[type=password], input[type=text] { padding: 9px 11px;
  border-radius: 8px; border: 1px solid rgba(241, 212, 177, .3); background: #0d1524;
  color: var(--text); font: inherit; }
.notice { padding: 10px 14px; border-radius: 10px; background: rgba(220, 90, 90, .18); }
.notice.good { background: rgba(90, 200, 140, .18); }
.desktop-fivem table { width: 100%; border-collapse: collapse; }
.desktop-fivem td, .desktop-fivem th { text-align: left; padding: 8px; vertical-align: top;
  border-bottom: 1px solid rgba(241, 212, 177, .12); }
output { display: block; font-family: ui-monospace, monospace; font-size: 12px;
  white-space: pre-wrap; word-break: break-all; color: var(--muted); }
output[data-state=done] { color: var(--text); }
.vantiro-public-footer { display: flex; gap: 16px; padding: 18px 20px; color: var(--muted);
  border-top: 1px solid rgba(241, 212, 177, .14); }
.cookie-bar, .download-prompt { position: fixed; left: 16px; right: 16px; bottom: 16px;
  padding: 12px 16px; border-radius: 12px; background: var(--panel);
  border: 1px solid rgba(241, 212, 177, .22); display: flex; gap: 12px; align-items: center; }
.download-prompt { bottom: 76px; }
[hidden] { display: none !important; }
.editor-frame { height: 100vh; overflow: hidden; }
.ped-editor { display: grid; grid-template-columns: 280px 1fr; max-width: none; height: 100%;
  padding: 0; margin: 0; }
.ped-editor .panel { padding: 20px; display: grid; gap: 12px; align-content: start;
  background: var(--panel); }
.ped-editor .panel label { display: grid; gap: 4px; color: var(--muted); }
.ped-editor .viewport { width: 100%; height: 100%; }
@media (max-width: 720px) {
  .vantiro-public-header nav { display: none; }
  .vantiro-menu-toggle { display: inline-block; }
}
)";

constexpr std::string_view kSiteJs = R"((() => {
  'use strict';
  const KEY = 'vantiro.cookies.v1';
  const bar = document.querySelector('[data-cookie-bar]');
  let seen = false;
  try {
    const saved = JSON.parse(localStorage.getItem(KEY) || 'null');
    seen = !!(saved && saved.hidden === true);
  } catch (e) {
    seen = false;
  }
  if (bar && !seen) bar.hidden = false;
  const dismiss = document.querySelector('[data-cookie-dismiss]');
  if (dismiss) {
    dismiss.addEventListener('click', () => {
      try {
        localStorage.setItem(KEY, JSON.stringify({ version: 1, hidden: true, savedAt: Date.now() }));
      } catch (e) {
        // Private windows may refuse storage; the bar then just goes away for this page.
      }
      bar.hidden = true;
    });
  }
  const toggle = document.querySelector('.vantiro-menu-toggle');
  const nav = document.querySelector('.vantiro-public-header nav');
  if (toggle && nav) {
    toggle.addEventListener('click', () => {
      const open = toggle.getAttribute('aria-expanded') !== 'true';
      toggle.setAttribute('aria-expanded', String(open));
      nav.style.display = open ? 'flex' : '';
    });
  }
})();
)";

constexpr std::string_view kEditorFrameJs = R"((() => {
  'use strict';
  const canvas = document.querySelector('canvas.viewport');
  const ctx = canvas.getContext('2d');
  const value = (name) => Number(document.querySelector(`input[name=${name}]`).value);

  function draw() {
    const w = canvas.width;
    const h = canvas.height;
    ctx.fillStyle = '#0d1524';
    ctx.fillRect(0, 0, w, h);
    ctx.fillStyle = `hsl(${30 + value('face') * 2}, 45%, 70%)`;
    ctx.beginPath();
    ctx.arc(w / 2, h * 0.2, 44, 0, Math.PI * 2);
    ctx.fill();
    ctx.fillStyle = `hsl(${200 + value('torso') * 3}, 40%, 45%)`;
    ctx.fillRect(w / 2 - 70, h * 0.29, 140, 190);
    ctx.fillStyle = `hsl(${220 + value('legs') * 3}, 30%, 30%)`;
    ctx.fillRect(w / 2 - 64, h * 0.29 + 190, 56, 200);
    ctx.fillRect(w / 2 + 8, h * 0.29 + 190, 56, 200);
    ctx.fillStyle = `hsl(${value('hair') * 8}, 35%, 25%)`;
    ctx.fillRect(w / 2 - 46, h * 0.2 - 50, 92, 26);
  }
  document.querySelectorAll('input[type=range]').forEach((r) => r.addEventListener('input', draw));
  draw();

  const send = document.querySelector('[data-send-sample]');
  const out = document.querySelector('[data-frame-result]');
  send.addEventListener('click', async () => {
    const api = window.__VANTIRO_DESKTOP__;
    if (!api) {
      out.textContent = JSON.stringify({ ok: false, error: 'unavailable' });
      return;
    }
    send.disabled = true;
    try {
      const resp = await fetch('/api/fivem/samples/' + send.dataset.sendSample);
      const result = resp.ok ? await api.sendToFiveM(await resp.json())
                             : { ok: false, error: 'http_' + resp.status };
      out.textContent = JSON.stringify(result);
      out.dataset.state = 'done';
    } finally {
      send.disabled = false;
    }
  });
})();
)";

constexpr std::string_view kDesktopFivemJs = R"((() => {
  'use strict';
  const texts = JSON.parse(document.getElementById('desktop-texts').textContent);
  const api = window.__VANTIRO_DESKTOP__;
  const state = document.querySelector('[data-api-state]');
  const log = document.querySelector('[data-log]');
  // Tests read what each promise resolved with from here or from the outputs' text.
  const results = {};
  Object.defineProperty(window, '__fivemPageResults', { value: results });

  state.textContent = api ? texts.present.replace('%s', String(api.version)) : texts.absent;
  state.dataset.present = api ? '1' : '0';

  function show(id, value) {
    const out = document.getElementById(id);
    results[id] = value;
    if (out) {
      out.textContent = JSON.stringify(value);
      out.dataset.state = 'done';
    }
    const line = document.createElement('li');
    line.textContent = `${new Date().toISOString().slice(11, 19)} ${id} ${JSON.stringify(value)}`;
    log.append(line);
  }

  function busy(id, text, stateName) {
    const out = document.getElementById(id);
    if (!out) return;
    out.textContent = text;
    out.dataset.state = stateName;
  }

  async function run(action) {
    if (action === 'capabilities') {
      show('result-capabilities', api ? await api.getCapabilities() : { ok: false, error: 'unavailable' });
    } else if (action === 'pick') {
      show('result-pick', api ? await api.pickFiveMFolder() : { ok: false, error: 'unavailable' });
    } else if (action.startsWith('send:')) {
      const name = action.slice(5);
      const id = 'result-send-' + name;
      if (!document.getElementById(id)) return;
      if (!api) {
        show(id, { ok: false, error: 'unavailable' });
        return;
      }
      busy(id, texts.loading, 'loading');
      const resp = await fetch('/api/fivem/samples/' + encodeURIComponent(name));
      if (!resp.ok) {
        show(id, { ok: false, error: 'http_' + resp.status });
        return;
      }
      const payload = await resp.json();
      busy(id, texts.sending, 'sending');
      const started = performance.now();
      const result = await api.sendToFiveM(payload);
      show(id, Object.assign({}, result, { elapsedMs: Math.round(performance.now() - started) }));
    }
  }

  const buttons = Array.from(document.querySelectorAll('[data-action]'));
  async function runAll(actions) {
    buttons.forEach((b) => { b.disabled = true; });
    try {
      for (const a of actions) await run(a);
    } finally {
      buttons.forEach((b) => { b.disabled = false; });
    }
  }
  buttons.forEach((b) => b.addEventListener('click', () => runAll([b.dataset.action])));

  // "?auto=capabilities,send:vantiro_hud" runs the actions in order once the page is up.
  const auto = new URLSearchParams(location.search).get('auto');
  if (auto) runAll(auto.split(',').filter(Boolean));
})();
)";

}  // namespace

std::optional<std::pair<std::string_view, std::string_view>> asset(std::string_view name) {
  constexpr std::string_view kCss = "text/css; charset=utf-8";
  constexpr std::string_view kJs = "text/javascript; charset=utf-8";
  if (name == "site.css") return std::pair{kSiteCss, kCss};
  if (name == "site.js") return std::pair{kSiteJs, kJs};
  if (name == "editor-frame.js") return std::pair{kEditorFrameJs, kJs};
  if (name == "desktop-fivem.js") return std::pair{kDesktopFivemJs, kJs};
  return std::nullopt;
}

}  // namespace vantiro::devservice
