#!/usr/bin/python3
"""Loads the start page and the send-to-FiveM page in WebKitGTK and checks them as the studio
sees them. Run it where the service is reachable under its own name with a trusted
certificate (scripts/with-service.sh) and with a display (Xvfb): a certificate WebKit does
not trust fails the check, so this also shows that the run's CA reaches WebKitGTK.

It also signs in through the service's own form (the account EMAIL:PASSWORD must exist,
for example from the service's --account option) and out again, so the session cookie is
seen to be stored, shared with the "www." name, hidden from page scripts and cleared.

usage: webkit_page_check.py HOST EMAIL:PASSWORD
"""
import json
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("WebKit2", "4.1")
from gi.repository import GLib, Gtk, WebKit2  # noqa: E402

# The rules of the studio's page script that shape the start page: the site's own header,
# footer and prompts go, and the editor host fills the view.
STUDIO_CSS = """
:root { --vantiro-site-header-height: 0px !important; }
header[data-vantiro-header], .vantiro-public-header, .masthead, [data-cookie-bar],
[data-cookie-notice], [data-vantiro-desktop-download], .vantiro-public-footer {
  display: none !important; visibility: hidden !important; pointer-events: none !important; }
html:has(.vantiro-editor-host:not([hidden])), html:has(.vantiro-editor-host:not([hidden])) body {
  overflow: hidden !important; margin: 0 !important; padding: 0 !important;
  height: 100dvh !important; scrollbar-gutter: auto !important; }
.vantiro-editor-host { height: 100dvh !important; min-height: 100dvh !important; }
.vantiro-editor-frame { width: 100% !important; max-width: 100% !important;
  height: 100% !important; }
"""

# The visual check's editor-layout probe, reduced to what it measures.
LAYOUT_PROBE = """
(() => {
  const root = document.documentElement;
  const host = document.querySelector('.vantiro-editor-host');
  const frame = host && host.querySelector('iframe');
  const header = document.querySelector('.vantiro-public-header');
  const rect = (e) => { const r = e.getBoundingClientRect();
                        return [r.left, r.top, r.width, r.height]; };
  const before = header ? getComputedStyle(header).display : null;
  const style = document.createElement('style');
  style.textContent = %s;
  document.head.append(style);
  root.setAttribute('data-vantiro-desktop', '1');
  return JSON.stringify({
    headerShownOnTheSite: before !== null && before !== 'none',
    frameMarked: !!(frame && frame.contentDocument &&
                    frame.contentDocument.documentElement.hasAttribute('data-vantiro-editor-frame')),
    headerHidden: !!header && getComputedStyle(header).display === 'none',
    client: [root.clientWidth, root.clientHeight],
    scroll: [root.scrollWidth, root.scrollHeight],
    host: host ? rect(host) : null,
    frame: frame ? rect(frame) : null,
    framePath: frame && frame.contentWindow ? frame.contentWindow.location.pathname : null,
  });
})()
""" % json.dumps(STUDIO_CSS)

DESKTOP_PROBE = """
(() => JSON.stringify({
  state: document.querySelector('[data-api-state]').dataset.present,
  capabilities: document.getElementById('result-capabilities').textContent,
  done: document.getElementById('result-capabilities').dataset.state,
}))()
"""


class Check:
    def __init__(self):
        self.failures = []
        self.window = Gtk.Window()
        self.window.set_default_size(1280, 800)
        self.view = WebKit2.WebView()
        self.window.add(self.view)
        self.window.show_all()
        self.view.connect("load-failed-with-tls-errors", self.on_tls_error)
        self.view.connect("load-failed", self.on_failed)
        self.view.connect("load-changed", self.on_load_changed)
        self.pending = []
        self.probe = None
        self.check = None

    def fail(self, text):
        self.failures.append(text)

    def on_tls_error(self, _view, uri, _cert, errors):
        self.fail("WebKit does not trust the service's certificate for %s (%s)" % (uri, errors))
        return False

    def on_failed(self, _view, _event, uri, error):
        self.fail("loading %s failed: %s" % (uri, error.message))
        self.next()
        return True

    def on_load_changed(self, _view, event):
        if event == WebKit2.LoadEvent.FINISHED:
            # Let the page's deferred scripts and the frame settle before measuring.
            GLib.timeout_add(700, self.run_probe)

    def run_probe(self):
        self.view.evaluate_javascript(self.probe, -1, None, None, None, self.on_result)
        return False

    def on_result(self, view, result):
        try:
            value = view.evaluate_javascript_finish(result)
            self.check(json.loads(value.to_string()))
        except Exception as e:  # a probe that throws is a failed check, not a crash
            self.fail("probe on %s failed: %s" % (view.get_uri(), e))
        self.next()

    def next(self):
        if not self.pending:
            Gtk.main_quit()
            return
        url, self.probe, self.check = self.pending.pop(0)
        # A step without an address measures the page that the previous step navigated to.
        if url is not None:
            self.view.load_uri(url)


def check_layout(c, lang):
    def check(r):
        where = "/%s/editor" % lang
        if not r["headerShownOnTheSite"]:
            c.fail(where + ": the site header is not shown on the plain site")
        if not r["frameMarked"]:
            c.fail(where + ": the editor frame's document lacks data-vantiro-editor-frame")
        if not r["headerHidden"]:
            c.fail(where + ": the header still shows in the studio")
        w, h = r["client"]
        for name in ("host", "frame"):
            box = r[name]
            if box is None or abs(box[0]) > 1 or abs(box[1]) > 1 or abs(box[2] - w) > 1 or \
                    abs(box[3] - h) > 1:
                c.fail("%s: the %s %s does not cover the view %sx%s" % (where, name, box, w, h))
        if r["scroll"][0] > w or r["scroll"][1] > h:
            c.fail("%s: the page overflows: %s in %sx%s" % (where, r["scroll"], w, h))
        if r["framePath"] != "/%s/editor/frame" % lang:
            c.fail("%s: frame at %s" % (where, r["framePath"]))
    return check


def check_desktop(c):
    def check(r):
        if r["state"] != "0" or r["done"] != "done" or \
                json.loads(r["capabilities"]) != {"ok": False, "error": "unavailable"}:
            c.fail("the send-to-FiveM page outside the studio: %s" % r)
    return check


SUBMIT_FORM = """
(() => {
  const form = document.querySelector('form[action$="%s"]');
  if (!form) return JSON.stringify({ form: false });
  for (const [name, value] of Object.entries(%s)) form.elements[name].value = value;
  // Answer first, navigate a moment later, so the answer is not lost with the page.
  setTimeout(() => form.submit(), 100);
  return JSON.stringify({ form: true });
})()
"""

PAGE_STATE = """
(() => JSON.stringify({
  path: location.pathname,
  email: (document.querySelector('[data-account-email]') || {}).textContent || null,
  cookieVisible: document.cookie.includes('quorvanta.sid'),
  text: document.body ? document.body.innerText : '',
}))()
"""


def add_sign_in_steps(c, host, email, password):
    def submitted(where):
        def check(r):
            if not r["form"]:
                c.fail("%s: no form to submit" % where)
        return check

    def signed_in(r):
        if r["path"] != "/en/account" or r["email"] != email.lower():
            c.fail("after signing in: at %s as %s" % (r["path"], r["email"]))
        if r["cookieVisible"]:
            c.fail("the session cookie is readable by page scripts")

    def summary(expect_signed_in, where):
        def check(r):
            try:
                body = json.loads(r["text"])
            except ValueError:
                c.fail("%s: the summary is not JSON: %r" % (where, r["text"][:200]))
                return
            if (body.get("loginRequired") is False) != expect_signed_in:
                c.fail("%s: summary %s" % (where, body))
        return check

    c.pending += [
        ("https://%s/en/login?returnTo=%%2Fen%%2Faccount" % host,
         SUBMIT_FORM % ("/en/login", json.dumps({"email": email, "password": password})),
         submitted("sign-in")),
        (None, PAGE_STATE, signed_in),
        ("https://www.%s/api/account/summary" % host, PAGE_STATE,
         summary(True, "summary on www. after signing in")),
        ("https://%s/en/account" % host, SUBMIT_FORM % ("/en/logout", "{}"),
         submitted("sign-out")),
        (None, PAGE_STATE, lambda r: None),
        ("https://%s/api/account/summary" % host, PAGE_STATE,
         summary(False, "summary after signing out")),
    ]


def main():
    host = sys.argv[1]
    email, _, password = sys.argv[2].partition(":")
    c = Check()
    for lang in ("sv", "en"):
        c.pending.append(("https://%s/%s/editor" % (host, lang), LAYOUT_PROBE,
                          check_layout(c, lang)))
    c.pending.append(("https://www.%s/en/desktop/fivem?auto=capabilities" % host,
                      DESKTOP_PROBE, check_desktop(c)))
    add_sign_in_steps(c, host, email, password)
    GLib.timeout_add_seconds(60, lambda: (c.fail("timed out"), Gtk.main_quit()))
    c.next()
    Gtk.main()
    for f in c.failures:
        print("FAIL: " + f)
    if not c.failures:
        print("webkit page check: ok")
    return 1 if c.failures else 0


if __name__ == "__main__":
    sys.exit(main())
