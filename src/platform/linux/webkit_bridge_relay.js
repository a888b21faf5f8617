// Runs in a script world of its own in every document of a WebKitGTK view, before the page's
// scripts. The host's message handler exists in this world only, so no page script can post to
// it. The page script reaches it through events on its own document: a frame of another origin
// has a document of its own and cannot dispatch events on this one. Only documents of the
// service origin are served, messages carry the address this world sees (which no page script
// can change), and replies reach the top document only.
// The build substitutes the service host.
(function () {
  'use strict';

  var SERVICE_HOST = '@VANTIRO_SERVICE_HOST@';
  // Shared with the page script.
  var PROBE_EVENT = 'vantiro-desktop-probe';
  var POST_EVENT = 'vantiro-desktop-post';
  var REPLY_EVENT = 'vantiro-desktop-reply';
  // Shared with the engine.
  var HANDLER = 'vantiroDesktop';
  var DELIVERY = '__vantiroRelayDeliver';

  var handlers = window.webkit && window.webkit.messageHandlers;
  var handler = handlers && handlers[HANDLER];
  if (!handler || typeof handler.postMessage !== 'function') return;

  function onServiceOrigin() {
    var loc = window.location;
    if (loc.protocol !== 'https:') return false;
    var host = String(loc.hostname).toLowerCase();
    if (host !== SERVICE_HOST && host !== 'www.' + SERVICE_HOST) return false;
    // A sandboxed document has an opaque origin even at a service address.
    return window.origin === loc.origin;
  }
  if (!onServiceOrigin()) return;

  var doc = window.document;
  // Cancelling the event tells the page script that the channel took it.
  doc.addEventListener(PROBE_EVENT, function (event) {
    event.preventDefault();
  }, true);
  doc.addEventListener(POST_EVENT, function (event) {
    var message = { url: String(window.location.href) };
    if (typeof event.detail === 'string') message.text = event.detail;
    try {
      handler.postMessage(message);
    } catch (e) {
      return;
    }
    event.preventDefault();
  }, true);

  var isTop;
  try {
    isTop = window === window.top;
  } catch (e) {
    isTop = false;
  }
  if (!isTop) return;
  var CustomEventOf = window.CustomEvent;
  Object.defineProperty(window, DELIVERY, {
    value: function (text) {
      if (typeof text !== 'string' || !onServiceOrigin()) return;
      try {
        JSON.parse(text);
      } catch (e) {
        return;
      }
      doc.dispatchEvent(new CustomEventOf(REPLY_EVENT, { detail: text }));
    }
  });
})();
