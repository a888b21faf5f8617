// The end-to-end tests' page. It asks the stand-in service for the plan the test set
// (GET /_e2e/plan), runs it against the studio's page API and posts what each call resolved
// with to /_e2e/report, where the test reads it back. Every report carries the plan's token,
// so reports of an earlier plan or an earlier load are told apart.
(function () {
  'use strict';

  var stringify = JSON.stringify;
  var api = window.__VANTIRO_DESKTOP__;
  var plan = {};

  function log(text) {
    document.getElementById('log').textContent += text + '\n';
  }

  function report(fields) {
    var body = { token: plan.token || '', at: Date.now() };
    Object.keys(fields).forEach(function (k) { body[k] = fields[k]; });
    log(stringify(body).slice(0, 300));
    return fetch('/_e2e/report', { method: 'POST', body: stringify(body) }).then(
      function () {}, function () {});
  }

  function sleep(ms) {
    return new Promise(function (resolve) { setTimeout(resolve, ms); });
  }

  function b64(text) {
    return btoa(text);
  }

  var MANIFEST = { path: 'fxmanifest.lua', base64: b64("fx_version 'cerulean'\ngame 'gta5'\n") };

  function sample(name) {
    return fetch('/api/fivem/samples/' + encodeURIComponent(name)).then(function (r) {
      if (!r.ok) throw new Error('sample ' + name + ': HTTP ' + r.status);
      return r.json();
    });
  }

  // The payloads the studio must refuse, each with the code it must answer.
  function refusals() {
    return [
      ['traversal', { resourceName: 'e2e_traversal',
        files: [MANIFEST, { path: '../x.lua', base64: b64('print(1)') }] }, 'invalid_path'],
      ['climbing', { resourceName: 'e2e_climbing',
        files: [MANIFEST, { path: 'stream/../../evil.lua', base64: b64('print(1)') }] },
        'invalid_path'],
      ['absolute', { resourceName: 'e2e_absolute',
        files: [MANIFEST, { path: '/tmp/abs.lua', base64: b64('print(1)') }] }, 'invalid_path'],
      ['drive', { resourceName: 'e2e_drive',
        files: [MANIFEST, { path: 'C:/x.lua', base64: b64('print(1)') }] }, 'invalid_path'],
      ['backslash', { resourceName: 'e2e_backslash',
        files: [MANIFEST, { path: '..\\x.lua', base64: b64('print(1)') }] }, 'invalid_path'],
      ['executable', { resourceName: 'e2e_executable',
        files: [MANIFEST, { path: 'stream/run.exe', base64: b64('MZ') }] }, 'invalid_path'],
      ['name-dotdot', { resourceName: '..', files: [MANIFEST] }, 'invalid_resource_name'],
      ['name-escape', { resourceName: '../e2e_escape', files: [MANIFEST] },
        'invalid_resource_name'],
      ['base64-short', { resourceName: 'e2e_base64_short',
        files: [MANIFEST, { path: 'a.lua', base64: 'aGk' }] }, 'bad_base64'],
      ['base64-pad-bits', { resourceName: 'e2e_base64_pad',
        files: [MANIFEST, { path: 'a.lua', base64: 'aGl=' }] }, 'bad_base64'],
      ['base64-newline', { resourceName: 'e2e_base64_newline',
        files: [MANIFEST, { path: 'a.lua', base64: 'aGk=\naGk=' }] }, 'bad_base64'],
      ['no-manifest', { resourceName: 'e2e_no_manifest',
        files: [{ path: 'client.lua', base64: b64('print(1)') }] }, 'missing_manifest'],
    ];
  }

  // A sandboxed frame (another origin) that posts back to this window whatever it is given.
  function echoFrame() {
    return new Promise(function (resolve) {
      var frame = document.createElement('iframe');
      frame.setAttribute('sandbox', 'allow-scripts');
      frame.srcdoc = '<script>addEventListener("message",function(e){' +
        'parent.postMessage(e.data,"*");});parent.postMessage("e2e-echo-ready","*");<\/script>';
      function onReady(event) {
        if (event.data !== 'e2e-echo-ready') return;
        window.removeEventListener('message', onReady);
        resolve(frame);
      }
      window.addEventListener('message', onReady);
      document.body.append(frame);
    });
  }

  // Resolves with the first reply a send gets, and whether forged replies, dispatched to this
  // window and posted to it by itself and by a frame of another origin while the request was
  // still pending, were seen by the page before the request resolved.
  function forgedReply() {
    return echoFrame().then(function (frame) {
      var seenIds = [];
      JSON.stringify = function (value) {
        if (value && typeof value.id === 'string') seenIds.push(value.id);
        return stringify.apply(JSON, arguments);
      };
      var settled = false;
      // A valid 6 MB file first keeps the host busy decoding before it reaches the bad path.
      var promise = api.sendToFiveM({ resourceName: 'e2e_forged', files: [MANIFEST,
        { path: 'stream/slow.ytd', base64: 'A'.repeat(8000000) },
        { path: '../forged.lua', base64: b64('print(1)') }] });
      JSON.stringify = stringify;
      promise.then(function () { settled = true; });
      var id = seenIds[0];
      var fake = { type: 'vantiro.fivem.result', id: id, ok: true, resourceName: 'e2e_forged',
        filesWritten: 3 };
      var arrived = 0;
      var pendingAtForgery = null;
      return new Promise(function (resolve) {
        function onMessage(event) {
          if (!event.data || event.data.id !== id) return;
          arrived += 1;
          if (arrived === 3) {
            pendingAtForgery = !settled;
            window.removeEventListener('message', onMessage);
            resolve();
          }
        }
        window.addEventListener('message', onMessage);
        window.dispatchEvent(new MessageEvent('message', { data: fake }));
        window.postMessage(fake, '*');
        frame.contentWindow.postMessage(fake, '*');
        setTimeout(resolve, 10000);
      }).then(function () {
        return promise;
      }).then(function (result) {
        frame.remove();
        return { id: id, forgedArrived: arrived, pendingAtForgery: pendingAtForgery,
          result: result };
      });
    });
  }

  // Off-origin frames that try every way a page has to reach the host: the engine's message
  // handler (WebKitGTK's main world), WebView2's channel, and the events the bridge script's
  // relay listens for on a document. Each posts a valid resource, so one that got through
  // would be written.
  function hostileFrames() {
    function frameScript(kind) {
      var request = stringify({ type: 'vantiro.fivem.send', id: 'e2e-frame-' + kind,
        resourceName: 'e2e_frame_' + kind,
        files: [{ path: 'fxmanifest.lua', base64: MANIFEST.base64 }] });
      return '<script>(function(){var text=' + stringify(request) + ';' +
        'var o={e2eFrame:"' + kind + '",origin:String(location.origin),tried:[]};' +
        'function attempt(name,f){try{if(f())o.tried.push(name);}' +
        'catch(e){o.tried.push(name+": "+e);}}' +
        'attempt("webkit-handler",function(){var h=window.webkit&&window.webkit.messageHandlers&&' +
        'window.webkit.messageHandlers.vantiroDesktop;if(!h)return false;h.postMessage(text);' +
        'return true;});' +
        'attempt("webview",function(){var w=window.chrome&&window.chrome.webview;' +
        'if(!w)return false;w.postMessage(text);return true;});' +
        'attempt("relay-event",function(){document.dispatchEvent(new CustomEvent(' +
        '"vantiro-desktop-post",{detail:text,cancelable:true}));return true;});' +
        'try{o.topApi=!!window.top.__VANTIRO_DESKTOP__;}catch(e){o.topApi="blocked";}' +
        'parent.postMessage(o,"*");})();<\/script>';
    }
    var seen = {};
    return new Promise(function (resolve) {
      function onMessage(event) {
        if (!event.data || !event.data.e2eFrame) return;
        seen[event.data.e2eFrame] = event.data;
        if (Object.keys(seen).length === 2) resolve();
      }
      window.addEventListener('message', onMessage);
      var sandboxed = document.createElement('iframe');
      sandboxed.setAttribute('sandbox', 'allow-scripts');
      sandboxed.srcdoc = frameScript('srcdoc');
      document.body.append(sandboxed);
      var data = document.createElement('iframe');
      data.src = 'data:text/html;charset=utf-8,' + encodeURIComponent(frameScript('data'));
      document.body.append(data);
      setTimeout(resolve, 8000);
    }).then(function () {
      // A reply to the top document travels the same channel in order: once it is back,
      // anything the frames posted before has been handled.
      return api.getCapabilities();
    }).then(function (caps) {
      return { frames: seen, capabilitiesAfter: caps };
    });
  }

  // A request over the host's whole-message cap that the page's own limits let through:
  // paths of control characters, six characters each once serialized, carry it past the
  // cap. The host must drop it unanswered; a capabilities request posted after it comes back
  // first, since the host answers in order.
  function oversizeMessage() {
    var body = 'A'.repeat(1398104);
    var path = '\u0001'.repeat(180);
    var files = [];
    for (var i = 0; i < 64; i++) files.push({ path: path, base64: body });
    var payload = { resourceName: 'e2e_oversize', files: files };
    var length = stringify({ type: 'vantiro.fivem.send', id: 'fivem-00-00000000',
      resourceName: payload.resourceName, files: files }).length;
    var answered = null;
    api.sendToFiveM(payload).then(function (r) { answered = r; });
    payload = files = null;
    var caps;
    return api.getCapabilities().then(function (c) {
      caps = c;
      return sleep(500);
    }).then(function () {
      return { messageLength: length, answered: answered, capabilitiesAfter: caps };
    });
  }

  function runFiveM() {
    var steps = Promise.resolve();
    // settle: the test looks for this step's notice in the studio's log, which names a
    // notice once it is painted; the next step's notice must not replace it before that.
    function step(name, run, settle) {
      steps = steps.then(function () {
        return Promise.resolve().then(run).then(function (result) {
          return report({ step: name, result: result });
        }, function (e) {
          return report({ step: name, error: String(e && e.stack || e) });
        }).then(function () { return settle ? sleep(400) : undefined; });
      });
    }
    step('capabilities', function () { return api.getCapabilities(); });
    ['vantiro_police_cruiser', 'vantiro_hud'].forEach(function (name) {
      step('send:' + name, function () {
        return sample(name).then(function (payload) { return api.sendToFiveM(payload); });
      }, true);
    });
    refusals().forEach(function (c) {
      step('refuse:' + c[0], function () {
        return api.sendToFiveM(c[1]).then(function (r) { return { expect: c[2], reply: r }; });
      }, c[0] === 'traversal');
    });
    step('refuse:over-64-MiB', function () {
      return sample('vantiro_city_textures_xl').then(function (payload) {
        return api.sendToFiveM(payload);
      }).then(function (r) { return { expect: 'too_large', reply: r }; });
    }, true);
    step('forged-reply', forgedReply);
    step('hostile-frames', hostileFrames);
    step('oversize-message', oversizeMessage);
    return steps.then(function () { return report({ step: 'done' }); });
  }

  // The largest send, timed: the payload is fetched first, then the page reports 'ready'
  // and waits until the plan names the next round, so the test can read the processes'
  // memory before each send.
  function runBench() {
    var rounds = plan.rounds || 1;
    return sample(plan.sample).then(function (payload) {
      function round(n) {
        if (n > rounds) return report({ step: 'done' });
        return report({ step: 'ready', round: n }).then(function wait() {
          return fetch('/_e2e/plan').then(function (r) { return r.json(); }).then(function (p) {
            if ((p.go || 0) >= n) return undefined;
            return sleep(50).then(wait);
          });
        }).then(function () {
          var started = performance.now();
          var calledAt = Date.now();
          return api.sendToFiveM(payload).then(function (result) {
            return report({ step: 'bench', round: n, result: result, calledAt: calledAt,
              resolvedAt: Date.now(), elapsedMs: performance.now() - started });
          });
        }).then(function () { return round(n + 1); });
      }
      return round(1);
    });
  }

  fetch('/_e2e/plan').then(function (r) { return r.json(); }).then(function (p) {
    plan = p || {};
    return report({ event: 'loaded', run: plan.run || '', api: !!api, href: location.href });
  }).then(function () {
    if (!api) return report({ step: 'done', error: 'no page API' });
    if (plan.run === 'fivem') return runFiveM();
    if (plan.run === 'bench') return runBench();
    return undefined;
  }).catch(function (e) {
    report({ step: 'done', error: String(e && e.stack || e) });
  });
})();
