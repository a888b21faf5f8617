// Runs in every document of every workspace view, frames included, before the page's own
// scripts. Only on the service origin does it define the page API and shape the document.
// The build substitutes the service host and the program version.
(function () {
  'use strict';

  var SERVICE_HOST = '@VANTIRO_SERVICE_HOST@';
  var VERSION = '@VANTIRO_APP_VERSION@';
  // Under WebKitGTK the host's handler lives in a script world of its own, out of every page
  // script's reach; its relay script there listens for these events on this document.
  var RELAY_PROBE = 'vantiro-desktop-probe';
  var RELAY_POST = 'vantiro-desktop-post';
  var RELAY_REPLY = 'vantiro-desktop-reply';
  var API_NAME = '__VANTIRO_DESKTOP__';
  var RESULT_TYPE = 'vantiro.fivem.result';
  var MAX_FILES = 64;
  // Base64 of 64 MiB plus 4 characters of padding per file: the host's own cap.
  var MAX_BASE64_CHARS = Math.ceil((64 * 1024 * 1024) / 3) * 4 + MAX_FILES * 4;

  var loc;
  try {
    loc = window.location;
  } catch (e) {
    return;
  }
  if (!loc || loc.protocol !== 'https:') return;
  var hostName = String(loc.hostname || '').toLowerCase();
  if (hostName !== SERVICE_HOST && hostName !== 'www.' + SERVICE_HOST) return;
  if (API_NAME in window) return;

  var isTop;
  try {
    isTop = window === window.top;
  } catch (e) {
    isTop = false;
  }

  // One small object stands for the host's message channel, whichever engine runs the page.
  // Replies are taken from it only: a frame can post "message" events to this window, but it
  // cannot speak on the channel.
  function openChannel() {
    if (!isTop) return null;
    try {
      var webview = window.chrome && window.chrome.webview;
      if (webview && typeof webview.postMessage === 'function' &&
          typeof webview.addEventListener === 'function') {
        return {
          ready: function () { return true; },
          post: function (text) { webview.postMessage(text); },
          listen: function (deliver) {
            webview.addEventListener('message', function (event) { deliver(event && event.data); });
          }
        };
      }
      return relayChannel();
    } catch (e) {
      // No usable channel: requests report 'unavailable'.
    }
    return null;
  }

  // The relay's events stay in this document: a frame of another origin cannot dispatch or
  // hear them. The relay cancels an event it took, and hands replies over as JSON text.
  function relayChannel() {
    var doc = window.document;
    var CustomEventOf = window.CustomEvent;
    var parseJson = JSON.parse;
    function taken(type, detail) {
      return !doc.dispatchEvent(new CustomEventOf(type, { detail: detail, cancelable: true }));
    }
    return {
      ready: function () {
        try {
          return taken(RELAY_PROBE, null);
        } catch (e) {
          return false;
        }
      },
      post: function (text) {
        if (!taken(RELAY_POST, text)) throw new Error('not taken');
      },
      listen: function (deliver) {
        doc.addEventListener(RELAY_REPLY, function (event) {
          if (typeof event.detail !== 'string') return;
          var data;
          try {
            data = parseJson(event.detail);
          } catch (e) {
            return;
          }
          deliver(data);
        });
      }
    };
  }

  var channel = openChannel();
  var pending = new Map();
  var seq = 0;

  if (channel) {
    channel.listen(function (data) {
      if (!data || typeof data !== 'object') return;
      if (data.type !== RESULT_TYPE || typeof data.id !== 'string') return;
      var done = pending.get(data.id);
      if (!done) return;
      pending.delete(data.id);
      done(data);
    });
  }

  function isObject(value) {
    return value !== null && typeof value === 'object';
  }

  // Always resolves, never rejects.
  function call(type, extra, timeoutMs) {
    return new Promise(function (resolve) {
      if (!isTop) {
        try {
          var topApi = window.top[API_NAME];
          if (topApi && typeof topApi._call === 'function') {
            Promise.resolve(topApi._call(type, extra, timeoutMs)).then(resolve, function () {
              resolve({ ok: false, error: 'unavailable' });
            });
            return;
          }
        } catch (e) {
          // A cross-origin top cannot be read.
        }
        resolve({ ok: false, error: 'unavailable' });
        return;
      }
      if (!channel || !channel.ready()) {
        resolve({ ok: false, error: 'unavailable' });
        return;
      }
      var id = 'fivem-' + (++seq) + '-' + Date.now().toString(36);
      var timer = setTimeout(function () {
        if (!pending.has(id)) return;
        pending.delete(id);
        resolve({ id: id, ok: false, error: 'timeout' });
      }, timeoutMs);
      pending.set(id, function (reply) {
        clearTimeout(timer);
        resolve(reply);
      });
      var message = {};
      if (isObject(extra)) {
        Object.keys(extra).forEach(function (key) { message[key] = extra[key]; });
      }
      message.type = type;
      message.id = id;
      try {
        channel.post(JSON.stringify(message));
      } catch (e) {
        clearTimeout(timer);
        pending.delete(id);
        resolve({ id: id, ok: false, error: 'post_failed' });
      }
    });
  }

  function reply(r) {
    return isObject(r) ? r : {};
  }

  function getCapabilities() {
    return call('vantiro.fivem.capabilities', {}, 15000).then(function (raw) {
      var r = reply(raw);
      return {
        version: VERSION,
        fivemFolderConfigured: !!(r.ok && r.fivemFolderConfigured),
        fivemFolderName: r.ok && typeof r.fivemFolderName === 'string' ? r.fivemFolderName : ''
      };
    });
  }

  function hasFiveMFolder() {
    return getCapabilities().then(function (c) { return c.fivemFolderConfigured; });
  }

  function pickFiveMFolder() {
    return call('vantiro.fivem.pick', {}, 900000).then(function (raw) {
      var r = reply(raw);
      return {
        ok: !!r.ok,
        configured: !!r.configured,
        folderName: typeof r.folderName === 'string' ? r.folderName : '',
        error: r.error ? String(r.error) : undefined
      };
    });
  }

  function sendToFiveM(payload) {
    // Anything that is not an object counts as missing fields, so the promise always settles.
    var p = isObject(payload) ? payload : {};
    var files = Array.isArray(p.files) ? p.files.map(function (f) {
      var entry = isObject(f) ? f : {};
      return { path: String(entry.path || ''), base64: String(entry.base64 || '') };
    }) : [];
    var resourceName = String(p.resourceName || '');
    if (files.length > MAX_FILES) {
      return Promise.resolve(
          { ok: false, resourceName: resourceName, filesWritten: 0, error: 'too_many_files' });
    }
    var total = 0;
    for (var i = 0; i < files.length; i++) total += files[i].base64.length;
    if (total > MAX_BASE64_CHARS) {
      return Promise.resolve(
          { ok: false, resourceName: resourceName, filesWritten: 0, error: 'too_large' });
    }
    return call('vantiro.fivem.send', { resourceName: resourceName, files: files }, 300000)
        .then(function (raw) {
          var r = reply(raw);
          return {
            id: r.id,
            ok: !!r.ok,
            resourceName: typeof r.resourceName === 'string' ? r.resourceName : resourceName,
            filesWritten: Number.isInteger(r.filesWritten) ? r.filesWritten : 0,
            error: r.error ? String(r.error) : undefined
          };
        });
  }

  var api = {
    version: VERSION,
    platform: 'win32',
    shell: 'native-d2d',
    getCapabilities: getCapabilities,
    hasFiveMFolder: hasFiveMFolder,
    pickFiveMFolder: pickFiveMFolder,
    sendToFiveM: sendToFiveM
  };
  // Frames of the same origin reach the host through the top document's request function.
  if (isTop) Object.defineProperty(api, '_call', { value: call, enumerable: false });
  Object.freeze(api);
  Object.defineProperty(window, API_NAME,
                        { value: api, enumerable: false, writable: false, configurable: false });

  // The web site then treats its cookie notice as dismissed.
  try {
    window.localStorage.setItem('vantiro.cookies.v1',
                                JSON.stringify({ version: 1, hidden: true, savedAt: Date.now() }));
  } catch (e) {
    // Storage may be disabled; the notice is hidden by the style sheet anyway.
  }

  var HIDE = '{display:none!important;visibility:hidden!important;pointer-events:none!important}';
  var EDITOR_OPEN = ':has(.vantiro-editor-host:not([hidden]))';
  var TOP_CSS = [
    ':root{--vantiro-site-header-height:0px!important}',
    'img,a{-webkit-user-drag:none}',
    'html:not([data-vantiro-workspace="active"]):not(' + EDITOR_OPEN + ')' +
        '{overflow-y:scroll!important;scrollbar-gutter:stable!important}',
    [
      'header[data-vantiro-header]',
      '.vantiro-public-header',
      '.masthead',
      ':root[data-vantiro-desktop] header[data-vantiro-header]',
      ':root[data-vantiro-desktop] .vantiro-public-header',
      ':root[data-vantiro-desktop] .masthead',
      ':root[data-vantiro-desktop]:not([data-vantiro-editor-frame])[data-vantiro-workspace="active"]' +
          ' body>header.vantiro-public-header',
      ':root[data-vantiro-desktop][data-vantiro-workspace="active"]' +
          ' .vantiro-public-header .vantiro-menu-toggle',
      '[data-cookie-bar]',
      '[data-cookie-notice]',
      '[data-vantiro-desktop-download]',
      '.vantiro-public-footer'
    ].join(',') + HIDE,
    'html' + EDITOR_OPEN + ',html' + EDITOR_OPEN + ' body{overflow:hidden!important;' +
        'margin:0!important;padding:0!important;height:100dvh!important;' +
        'scrollbar-gutter:auto!important}',
    '.vantiro-editor-host{height:100dvh!important;min-height:100dvh!important}',
    '.vantiro-editor-frame{width:100%!important;max-width:100%!important;height:100%!important}'
  ].join('\n');
  var FRAME_CSS =
      'html[data-vantiro-editor-frame][data-vantiro-workspace="active"]' +
      '{--vantiro-logo-inset:16px!important}';
  var THUMB = 'rgba(241,212,177,.18)';
  var SCROLLBAR_CSS = [
    '@supports selector(::-webkit-scrollbar){',
    ':root[data-vantiro-desktop],:root[data-vantiro-desktop] *' +
        '{scrollbar-width:auto!important;scrollbar-color:auto!important}',
    ':root[data-vantiro-desktop]::-webkit-scrollbar,:root[data-vantiro-desktop] ::-webkit-scrollbar' +
        '{width:6px!important;height:6px!important}',
    ':root[data-vantiro-desktop]::-webkit-scrollbar-button,' +
        ':root[data-vantiro-desktop] ::-webkit-scrollbar-button' +
        '{display:none!important;width:0!important;height:0!important}',
    ':root[data-vantiro-desktop]::-webkit-scrollbar-track,' +
        ':root[data-vantiro-desktop] ::-webkit-scrollbar-track,' +
        ':root[data-vantiro-desktop]::-webkit-scrollbar-corner,' +
        ':root[data-vantiro-desktop] ::-webkit-scrollbar-corner' +
        '{background:transparent!important}',
    ':root[data-vantiro-desktop]::-webkit-scrollbar-thumb,' +
        ':root[data-vantiro-desktop] ::-webkit-scrollbar-thumb' +
        '{background:' + THUMB + '!important;border-radius:6px!important}',
    ':root[data-vantiro-desktop]::-webkit-scrollbar-thumb:hover,' +
        ':root[data-vantiro-desktop] ::-webkit-scrollbar-thumb:hover' +
        '{background:rgba(241,212,177,.36)!important}',
    '}',
    '@supports not selector(::-webkit-scrollbar){',
    ':root[data-vantiro-desktop],:root[data-vantiro-desktop] *' +
        '{scrollbar-width:thin;scrollbar-color:' + THUMB + ' transparent}',
    '}'
  ].join('\n');

  var doc = window.document;
  try {
    var sheet = new window.CSSStyleSheet();
    sheet.replaceSync((isTop ? TOP_CSS : FRAME_CSS) + '\n' + SCROLLBAR_CSS);
    doc.adoptedStyleSheets = Array.prototype.slice.call(doc.adoptedStyleSheets || []).concat([sheet]);
  } catch (e) {
    // Without constructable sheets the page keeps its own look.
  }

  function mark() {
    var root = doc.documentElement;
    if (!root) return false;
    root.setAttribute('data-vantiro-desktop', '1');
    return true;
  }
  if (!mark()) {
    var observer = null;
    var stop = function () {
      if (observer) observer.disconnect();
      observer = null;
    };
    try {
      observer = new window.MutationObserver(function () {
        if (mark()) stop();
      });
      observer.observe(doc, { childList: true });
    } catch (e) {
      observer = null;
    }
    doc.addEventListener('DOMContentLoaded', function () {
      mark();
      stop();
    }, { once: true });
  }
})();
