// The preview's panel: plays overlay_host (with the game side) or the launcher (with its script)
// for the page in the frame, answering as the programs do and sending what they send. The page
// talks to it through the web view stand-in that scripts/preview.js puts into the page.
(async function () {
  'use strict';

  var $ = function (id) { return document.getElementById(id); };
  var setup = await (await fetch('/setup.json')).json();
  var which = new URLSearchParams(location.search).get('page') === 'launcher' ? 'launcher' : 'overlay';
  var frame = $('page');
  var GAME = 'C:\\Games\\Cindergale';
  var kit = setup.kit || {};
  var kitName = String(kit.name || 'VYR kit');
  var kitVersion = String(kit.version || '');

  $('tab-' + which).className = 'on';
  $('kit-name').textContent = (kit.title || kitName) + ' ' + kitVersion + ' (kit/launcher/kit.json)';
  document.title = which + ' page \u2013 VYR kit preview';
  Array.prototype.forEach.call(document.querySelectorAll('[data-for]'), function (s) {
    s.hidden = s.getAttribute('data-for') !== which;
  });
  $('box').className = which === 'overlay' ? 'game' : 'launcher';

  function record(kind, text) {
    var item = document.createElement('li');
    item.className = kind;
    item.textContent = (typeof text === 'string' ? text : JSON.stringify(text));
    var list = $('messages');
    list.appendChild(item);
    list.scrollTop = list.scrollHeight;
  }

  // The host posts JSON text; the web view refuses text that is not JSON.
  function deliver(message) {
    var text = typeof message === 'string' ? message : JSON.stringify(message);
    try { JSON.parse(text); } catch (e) {
      record('refused', 'not posted (the web view refuses what is not JSON): ' + text);
      return;
    }
    record('host', text);
    frame.contentWindow.postMessage({ preview: 'deliver', text: text }, '*');
  }

  function on(id, fn) { $(id).addEventListener('click', fn); }

  // ---- overlay_host and the game side ---------------------------------------------------

  var FILES_KEY = 'vyr-preview-files';
  var MODES = ['hidden', 'passive', 'active'];
  // again: a document that replaced a ready one is loading; what comes for it is kept.
  var host = { mode: 0, ready: false, again: false, cover: true, through: false, pendingShow: '', pending: [], rects: [], heard: false };
  var coverTimer = 0;

  function files() {
    try { return JSON.parse(localStorage.getItem(FILES_KEY)) || {}; } catch (e) { return {}; }
  }

  function toGame(text) {
    // Nothing reaches the game side before it has sent something.
    if (host.heard) record('game', 'VYRO ' + text);
  }

  function setMode(mode) {
    host.mode = mode;
    toGame('state ' + MODES[mode]);
    paint();
  }

  function showMessage(pad) { return pad ? { type: 'show', pad: pad } : { type: 'show' }; }

  // What the host posts unasked: kept while a replacing document loads.
  function post(message) {
    if (host.again) host.pending.push(message);
    else deliver(message);
  }

  function requestShow(pad) {
    setMode(2);
    if (host.ready) post(showMessage(pad));
    else host.pendingShow = pad || '-';
  }

  function requestClose() {
    if (host.ready) post({ type: 'close' });
    else setMode(0);
  }

  function gameSide(fn) {
    return function () { host.heard = true; fn(); };
  }

  function allowedFile(name) {
    var lower = String(name).toLowerCase();
    return typeof name === 'string' && (lower === 'vyr_pad.json' || lower === 'vyr_overlay.json') && !/[^\x20-\x7e]/.test(name);
  }

  function utf8Length(text) { return new TextEncoder().encode(text).length; }

  // Why the host drops a game request silently, or '' when it relays it.
  function gameRefusal(cmd, arg) {
    if (!/^[a-z_]{1,39}$/.test(cmd)) return 'cmd must be 1 to 39 of a-z and _';
    if (utf8Length(arg) >= 200) return 'arg must be under 200 bytes';
    if (/[\r\n]/.test(arg)) return 'arg must not hold CR or LF';
    return '';
  }

  // Members are read as text: a missing one is empty, a number or flag is its JSON text.
  function text(value) {
    if (value === undefined || value === null) return '';
    return typeof value === 'string' ? value : JSON.stringify(value);
  }

  var fromOverlayPage = {
    ready: function () {
      host.ready = true;
      host.again = false;
      if (host.mode === 2) deliver(showMessage(host.pendingShow === '-' ? '' : host.pendingShow));
      host.pendingShow = '';
      host.pending.splice(0).forEach(deliver);
      deliver('{"type":"host","through":true,"hit":true}');
    },
    cover: function (m) { if (m.on !== true) { host.cover = false; paint(); } },
    through: function (m) { host.through = m.on === true; paint(); },
    hide: function () { setMode(0); },
    mode: function (m) { setMode(m.mode === 'active' ? 2 : m.mode === 'passive' ? 1 : 0); },
    modal: function (m) { toGame(m.on === true ? 'modal on' : 'modal off'); },
    region: function (m) {
      var n = (JSON.stringify(m.rects === undefined ? [] : m.rects).match(/-?\d+(\.\d+)?(e[+-]?\d+)?/gi) || []).map(Number);
      host.rects = [];
      for (var i = 0; i + 3 < n.length; i += 4) host.rects.push(n.slice(i, i + 4).map(Math.trunc));
      paint();
    },
    load: function (m) {
      var name = text(m.file), stored = files();
      var ok = allowedFile(name) && Object.prototype.hasOwnProperty.call(stored, name.toLowerCase());
      deliver({ type: 'file', name: name, ok: ok, text: ok ? stored[name.toLowerCase()] : '' });
    },
    save: function (m) {
      var name = text(m.file), ok = allowedFile(name);
      if (ok) {
        var stored = files();
        stored[name.toLowerCase()] = text(m.text);
        localStorage.setItem(FILES_KEY, JSON.stringify(stored));
      }
      record(ok ? 'game' : 'refused', 'log: save ' + name + ': ' + (ok ? 'ok' : 'FAILED'));
      deliver({ type: 'saved', name: name, ok: ok });
    },
    game: function (m) {
      var cmd = text(m.cmd), arg = text(m.arg), why = gameRefusal(cmd, arg);
      if (why) record('refused', 'game request dropped: ' + why);
      else toGame('game ' + cmd + (arg ? ' ' + arg : ''));
    },
    log: function (m) { record('game', 'log: page: ' + text(m.text)); }
  };

  // The page seen only inside its rectangles. One pixel of it always stays (its transparent
  // corner): a frame clipped away entirely counts as hidden and gets no animation frames.
  function clipPath() {
    return 'path("M0 0h1v1h-1z' + host.rects.map(function (r) {
      return 'M' + r[0] + ' ' + r[1] + 'h' + r[2] + 'v' + r[3] + 'h' + -r[2] + 'z';
    }).join('') + '")';
  }

  function paint() {
    if (which !== 'overlay') return;
    $('box').className = 'game' + (host.mode === 0 ? ' off' : '');
    $('cover').hidden = !host.cover || host.mode === 0;
    frame.style.clipPath = $('clip').checked && !host.cover ? clipPath() : '';
    var box = $('rects');
    box.textContent = '';
    if ($('outline').checked) {
      host.rects.forEach(function (r) {
        var d = document.createElement('div');
        d.style.cssText = 'left:' + r[0] + 'px;top:' + r[1] + 'px;width:' + r[2] + 'px;height:' + r[3] + 'px';
        box.appendChild(d);
      });
    }
    $('state').textContent = 'mode ' + MODES[host.mode] + ', cover ' + (host.cover ? 'on' : 'off') +
      ', through ' + (host.through ? 'on' : 'off') + '\npage ' + (host.ready ? 'ready' : 'not ready') +
      ', ' + host.rects.length + ' rectangle(s)';
  }

  function startOverlay() {
    on('show', gameSide(function () { requestShow($('pad').value); }));
    on('toggle', gameSide(function () { if (host.mode !== 2) requestShow($('pad').value); else requestClose(); }));
    on('hide', gameSide(requestClose));
    on('reload', gameSide(reloadPage));
    on('send-note', gameSide(function () {
      var note = '{"type":"note","note":' + $('note').value + '}';
      if (host.mode === 0) setMode(1);
      if (host.ready) post(note);
      else host.pending.push(note);
    }));
    on('send-raw', gameSide(function () { post($('raw').value); }));
    on('away', function () { post({ type: 'away' }); });
    on('back', function () { post({ type: 'back' }); });
    on('forget', function () { localStorage.removeItem(FILES_KEY); record('game', 'the saved files are gone'); });
    $('clip').addEventListener('change', paint);
    $('outline').addEventListener('change', paint);
    // The host's cover comes off 10 s after its start, drawn or not.
    coverTimer = setTimeout(function () { host.cover = false; paint(); }, 10000);
    paint();
  }

  // ---- the launcher and its script ------------------------------------------------------

  var run = null;

  function statusObject(kind) {
    var s = {
      ok: true, summary: '', installed: false, kitName: kitName, kitTitle: String(kit.title || kitName),
      kitVersion: kitVersion, installedVersion: '', rookmereVersion: '', game: GAME, gameFound: true,
      changedFiles: [], missingFiles: [], hostsRedirected: false,
      hostsFile: 'C:\\Windows\\System32\\drivers\\etc\\hosts', sandbox: $('sandbox').checked,
      interrupted: false, busy: false, kit: GAME + '\\launcher', script: kitVersion, powershell: '5.1.19041.4648'
    };
    var installed = 'The ' + kitName + ' ' + kitVersion + ' is installed.';
    var hosts = ' The game\u2019s host names point at the kit\u2019s server.';
    switch (kind) {
      case 'notInstalled':
        s.summary = 'The ' + kitName + ' ' + kitVersion + ' is not installed in this game. Install places its files and points the game\u2019s host names at the kit\u2019s server.';
        return s;
      case 'noGame':
        s.gameFound = false;
        s.summary = 'No game was found in ' + GAME + ' (it has no package\\patch_npk folder). Choose the game folder and install the kit there.';
        return s;
      case 'failed':
        return { ok: false, summary: 'The kit script could not tell the state of the installation: the hosts file could not be read.', why: 'the hosts file could not be read', installed: null, game: GAME, changedFiles: [], missingFiles: [] };
    }
    s.installed = true;
    s.installedVersion = kitVersion;
    s.hostsRedirected = true;
    s.summary = installed + ' Every file is as the kit placed it.' + hosts;
    if (kind === 'update') {
      s.installedVersion = '0.9';
      s.summary = 'The ' + kitName + ' 0.9 is installed; this kit is ' + kitVersion + ': Install updates it. Every file is as the kit placed it.' + hosts;
    } else if (kind === 'changed') {
      s.changedFiles = [{ path: 'package\\config\\vyr_overlay.ini', sha256: '5d41402abc4b2a76b9719d911017c592' + '5d41402abc4b2a76b9719d911017c592', kept: false, from: 'the kit' }];
      s.missingFiles = ['package\\script\\vyr_overlay.lua'];
      s.summary = installed + ' 2 of its files differ from the kit or are missing: Repair puts them back.' + hosts;
    } else if (kind === 'interrupted') {
      s.interrupted = true;
      s.summary = 'An earlier run of the kit script was stopped half-way; the next action undoes what it changed first. ' + installed;
    } else if (kind === 'busy') {
      s.busy = true;
      s.summary = 'Another action of the kit script is running; ask again when it has ended. ' + installed;
    }
    return s;
  }

  function sendStatus() {
    var kind = $('status-state').value;
    if (kind === 'empty') deliver({ type: 'status', raw: '' });
    else if (kind === 'noPowerShell') deliver({ type: 'status', raw: '', why: 'Windows PowerShell could not be started' });
    else deliver({ type: 'status', raw: JSON.stringify(statusObject(kind)) });
  }

  function sendServer() {
    var kind = $('server-state').value;
    if (kind === 'none') deliver({ type: 'server', ok: false, why: 'no server in launcher.json' });
    else if (kind === 'down') deliver({ type: 'server', ok: false, ms: 2003, status: '', manifest: '' });
    else deliver({ type: 'server', ok: true, ms: 84, status: '{"state":"open"}', manifest: '{"version":"' + kitVersion + '"}' });
  }

  var STEPS = {
    install: ['placed package\\script\\vyr_overlay.lua', 'placed package\\config\\vyr_overlay.ini', 'placed package\\config\\user_scripts.ini (the game\u2019s own moved to vyr_launcher\\backup)', 'hosts file: the kit\u2019s block added'],
    repair: ['put back package\\config\\vyr_overlay.ini', 'hosts file: the kit\u2019s block put back'],
    uninstall: ['removed package\\script\\vyr_overlay.lua', 'removed package\\config\\vyr_overlay.ini', 'put back package\\config\\user_scripts.ini', 'hosts file: the kit\u2019s block removed'],
    rookmere: ['placed the Rookmere kit\u2019s files', 'recorded the Rookmere kit']
  };

  function logLine(line) { deliver({ type: 'log', line: line }); }

  function finish(ok) {
    var action = run ? run.action : 'install';
    var why = ok ? '' : 'placing package\\script\\vyr_overlay.lua failed: package\\script\\vyr_overlay.lua is in use: close Cindergale, then try again.';
    var steps = STEPS[action] || [];
    if (run) clearInterval(run.timer);
    if (!ok) { logLine('failed: ' + why); logLine('rolled back 1 change'); }
    logLine(action + ': ' + (ok ? 'done' : 'failed - ' + why));
    var result = {
      ok: ok, action: action, message: ok ? action + ' done' : action + ' failed', why: why, game: GAME,
      hostsFile: 'C:\\Windows\\System32\\drivers\\etc\\hosts', sandbox: $('sandbox').checked,
      steps: ok ? steps : [], warnings: [], rolledBack: !ok, plannedSteps: steps.length,
      plannedBytes: action === 'uninstall' ? 0 : 48213
    };
    if (action === 'repair') result.restored = ok ? ['package\\config\\vyr_overlay.ini', 'hosts file'] : [];
    deliver({ type: 'done', action: action, exit: ok ? 0 : 1, raw: JSON.stringify(result) });
    run = null;
  }

  function playSteps(action) {
    var steps = STEPS[action] || STEPS.install;
    var k = 0;
    if (run) clearInterval(run.timer);
    run = { action: action, timer: 0 };
    logLine(action + ': kit ' + GAME + '\\launcher, game ' + GAME + ' (script ' + kitVersion + ', PowerShell 5.1.19041.4648)');
    logLine('plan: ' + steps.length + ' steps, ' + (action === 'uninstall' ? 0 : 48213) + ' bytes to write');
    run.timer = setInterval(function () {
      if (k < steps.length) { k++; logLine('step ' + k + '/' + steps.length + ': ' + steps[k - 1]); return; }
      if ($('auto-run').checked) finish(true);
      else clearInterval(run.timer);
    }, 400);
  }

  function localPath(p) { return p.length >= 4 && p.length <= 1000 && p.indexOf('"') < 0 && p[1] === ':'; }

  var fromLauncherPage = {
    hello: function () {
      deliver({ type: 'hello', version: '1.0 (preview)', kit: GAME + '\\launcher', server: setup.server, sandbox: $('sandbox').checked });
    },
    status: sendStatus,
    server: sendServer,
    act: function (m) {
      var action = m.action;
      if (['install', 'repair', 'uninstall', 'rookmere'].indexOf(action) < 0) return; // no reply
      if (typeof m.game !== 'string' || !localPath(m.game)) { deliver({ type: 'done', ok: false, why: 'the game folder was not found' }); return; }
      if (action === 'rookmere' && m.rookmereDownload !== true && !m.rookmereDir && !m.rookmereZip) {
        deliver({ type: 'done', ok: false, why: 'no Rookmere kit was chosen' });
        return;
      }
      if (run) { deliver({ type: 'done', ok: false, why: 'another action is still running' }); return; }
      run = { action: action, timer: 0 };
      if ($('auto-run').checked) playSteps(action);
    },
    play: function () { deliver({ type: 'played', ok: true }); },
    pickzip: function () { deliver({ type: 'picked', path: $('picked').value }); },
    folder: function () {}
  };

  function startLauncher() {
    on('send-status', sendStatus);
    on('send-server', sendServer);
    on('send-log', function () { logLine($('log-line').value); });
    on('send-steps', function () { playSteps(run ? run.action : 'install'); });
    on('done-ok', function () { finish(true); });
    on('done-failed', function () { finish(false); });
    on('done-busy', function () { deliver({ type: 'done', ok: false, why: 'another action is still running' }); });
    on('done-cancelled', function () {
      deliver({ type: 'done', ok: false, action: run ? run.action : 'install', why: 'cancelled' });
      if (run) clearInterval(run.timer);
      run = null;
    });
    $('state').textContent = 'launcher version 1.0 (preview); kit ' + kitName + ' ' + kitVersion;
  }

  // ---- the page ---------------------------------------------------------------------------

  window.addEventListener('message', function (event) {
    if (event.source !== frame.contentWindow || !event.data || event.data.preview !== 'posted') return;
    var m = event.data.message;
    record('page', m);
    if (!m || typeof m !== 'object') return;
    var table = which === 'overlay' ? fromOverlayPage : fromLauncherPage;
    var name = which === 'overlay' ? m.type : m.cmd;
    if (typeof name === 'string' && Object.prototype.hasOwnProperty.call(table, name)) table[name](m);
  });

  function reloadPage() {
    record('game', 'reload of the ' + which + ' page');
    if (host.ready) {
      host.ready = false;
      host.again = true;
      paint();
    }
    frame.src = setup[which] + '/index.html';
  }

  new EventSource('/events').addEventListener('change', function (event) {
    if (event.data === which) reloadPage();
  });

  if (which === 'overlay') startOverlay(); else startLauncher();
  frame.src = setup[which] + '/index.html';
  window.previewReady = true;
})();
