// VYR Ferrowake launcher page. Requests go to the launcher as {"cmd":...}; every reply
// comes back as an object whose "type" names it.
(function () {
  'use strict';

  var host = window.chrome && window.chrome.webview;
  var $ = function (id) { return document.getElementById(id); };
  var ACTIONS = ['install', 'repair', 'uninstall', 'rookmere'];
  var ACTION_NAMES = {
    install: 'Install', repair: 'Repair', uninstall: 'Uninstall', rookmere: 'The Rookmere kit install'
  };
  // What the player can do about each of the launcher's reasons; the reason itself is
  // always shown as the launcher gave it.
  var ADVICE = {
    'the game folder was not found':
      'Type the folder where Cindergale is installed (the one that holds package\\patch_npk).',
    'no Rookmere kit was chosen':
      'Choose the zip you downloaded, or tick "download it instead".',
    'another action is still running':
      'Wait until it has finished.',
    'cancelled':
      'Windows asked for permission and it was not given.',
    'no server in launcher.json':
      'There is no server to check.',
    'Windows PowerShell could not be started':
      'The kit script could not run, so the installation status is unknown.'
  };

  var state = { kit: '', busy: null, zip: '', hello: null, keepSha: '' };
  var SHA256 = /^[0-9a-fA-F]{64}$/;

  function send(request) { if (host) host.postMessage(request); }

  // The status request carries the SHA-256 of the file the player keeps, so that the script
  // can mark it; Repair carries it too and leaves that file as it is.
  function askStatus() {
    send(state.keepSha ? { cmd: 'status', keepSha: state.keepSha } : { cmd: 'status' });
  }

  function setKeep(sha) {
    state.keepSha = SHA256.test(String(sha || '')) ? String(sha) : '';
    try {
      if (state.keepSha) localStorage.setItem('vyr.keepSha', state.keepSha);
      else localStorage.removeItem('vyr.keepSha');
    } catch (e) { /* storage off */ }
  }

  function advice(why) {
    return Object.prototype.hasOwnProperty.call(ADVICE, why) ? ' ' + ADVICE[why] : '';
  }

  // A reason on its own, as a sentence.
  function plain(why) {
    why = String(why || '');
    if (!why) return 'It did not work, and the launcher did not say why.';
    return why.charAt(0).toUpperCase() + why.slice(1) + '.' + advice(why);
  }

  function say(text, kind) {
    var m = $('message');
    m.textContent = text;
    m.className = 'message' + (kind ? ' ' + kind : '');
  }

  // ---- showing JSON generically -------------------------------------------------------

  // "gameVersion" / "game_version" / "game-version" -> "Game version"
  function label(key) {
    var words = String(key).replace(/([a-z0-9])([A-Z])/g, '$1 $2').replace(/[_-]+/g, ' ').trim();
    if (!words) return String(key);
    return words.charAt(0).toUpperCase() + words.slice(1).toLowerCase();
  }

  function render(value) {
    if (value === null || value === undefined) return text('span', 'none', 'empty');
    if (value === true) return text('span', 'yes', 'yes');
    if (value === false) return text('span', 'no', 'no');
    if (typeof value === 'number') return text('span', String(value));
    if (typeof value === 'string') return text('span', value === '' ? '(empty)' : value, value === '' ? 'empty' : '');
    if (Array.isArray(value)) {
      if (!value.length) return text('span', 'none', 'empty');
      var list = document.createElement('ul');
      value.forEach(function (v) {
        var li = document.createElement('li');
        li.appendChild(render(v));
        list.appendChild(li);
      });
      return list;
    }
    var dl = document.createElement('dl');
    dl.className = 'fields';
    Object.keys(value).forEach(function (k) {
      var dt = text('dt', label(k));
      dt.title = k;
      var dd = document.createElement('dd');
      dd.appendChild(render(value[k]));
      dl.appendChild(dt);
      dl.appendChild(dd);
    });
    if (!dl.childNodes.length) return text('span', 'none', 'empty');
    return dl;
  }

  function text(tag, content, cls) {
    var el = document.createElement(tag);
    el.textContent = content;
    if (cls) el.className = cls;
    return el;
  }

  // The parsed JSON, or undefined after showing the raw text as unreadable.
  function parseShown(box, raw) {
    try { return JSON.parse(raw); } catch (e) {
      box.appendChild(text('p', 'The script\u2019s answer could not be read:', 'note'));
      box.appendChild(text('pre', raw, 'raw'));
      return undefined;
    }
  }

  function showJson(box, raw) {
    box.textContent = '';
    var parsed = parseShown(box, raw);
    if (parsed === undefined) return undefined;
    box.appendChild(render(parsed));
    return parsed;
  }

  // ---- files the script reports as changed: the player may keep one ------------------

  function isChangedList(value) {
    return Array.isArray(value) && value.every(function (f) {
      return f && typeof f === 'object' && typeof f.path === 'string' && SHA256.test(String(f.sha256));
    });
  }

  function changedFiles(files) {
    var box = document.createElement('div');
    box.className = 'changed';
    box.appendChild(text('h3', 'Changed files'));
    if (!files.length) {
      box.appendChild(text('p', 'None: every file is as the kit placed it.', 'empty'));
      return box;
    }
    var list = document.createElement('ul');
    files.forEach(function (f) {
      var kept = !!state.keepSha && String(f.sha256).toLowerCase() === state.keepSha.toLowerCase();
      var li = document.createElement('li');
      li.appendChild(text('code', f.path, 'path'));
      li.appendChild(text('span', kept ? 'kept: Repair leaves it as it is' : 'changed: Repair puts the kit\u2019s back',
        kept ? 'state kept' : 'state'));
      var button = text('button', kept ? 'Let Repair put it back' : 'Keep my version', 'keep');
      button.type = 'button';
      button.title = 'SHA-256 ' + f.sha256;
      button.addEventListener('click', function () {
        setKeep(kept ? '' : f.sha256);
        $('status-note').textContent = 'Asking the kit script\u2026';
        askStatus();
      });
      li.appendChild(button);
      list.appendChild(li);
    });
    box.appendChild(list);
    box.appendChild(text('p', 'Repair puts back every changed file except the one you keep.', 'hint'));
    return box;
  }

  // ---- replies ------------------------------------------------------------------------

  function onHello(m) {
    state.hello = m;
    state.kit = String(m.kit || '');
    $('version').textContent = m.version ? String(m.version) : 'unknown';
    $('kit').textContent = state.kit || 'unknown';
    $('server-name').textContent = m.server ? String(m.server) : 'none set in launcher.json';
    $('sandbox').textContent = m.sandbox === true
      ? 'sandbox (scratch hosts file, no elevation)'
      : 'normal (actions ask Windows for permission)';
    document.body.classList.toggle('sandbox', m.sandbox === true);
  }

  function onStatus(m) {
    var note = $('status-note');
    var box = $('status');
    box.textContent = '';
    note.className = 'note';
    if (m.why) {
      note.textContent = plain(m.why);
      note.className = 'note bad';
    } else if (!m.raw) {
      note.textContent = 'The kit script gave no status.';
    } else {
      note.textContent = '';
      showStatus(box, note, parseShown(box, String(m.raw)));
    }
  }

  // The summary as the note, the changed files with their keep buttons, the rest field by field.
  function showStatus(box, note, status) {
    if (status === undefined) return;
    if (!status || typeof status !== 'object' || Array.isArray(status)) {
      box.appendChild(render(status));
      return;
    }
    var rest = {};
    Object.keys(status).forEach(function (k) {
      if (k !== 'summary' && !(k === 'changedFiles' && isChangedList(status[k]))) rest[k] = status[k];
    });
    if (typeof status.summary === 'string') {
      note.textContent = status.summary;
      note.className = 'note' + (status.ok === false ? ' bad' : '');
    }
    if (isChangedList(status.changedFiles)) {
      // A kept file that no longer differs needs keeping no more.
      if (status.installed === true && state.keepSha && !status.changedFiles.some(function (f) {
        return String(f.sha256).toLowerCase() === state.keepSha.toLowerCase();
      })) setKeep('');
      box.appendChild(changedFiles(status.changedFiles));
    }
    box.appendChild(render(rest));
  }

  function onLog(m) {
    var log = $('log');
    log.hidden = false;
    log.textContent += String(m.line) + '\n';
    log.scrollTop = log.scrollHeight;
  }

  function onDone(m) {
    var action = m.action ? String(m.action) : state.busy;
    var name = ACTION_NAMES[action] || (action ? label(action) : 'The action');
    var result = $('result');
    result.textContent = '';
    if (m.ok === false) {
      var why = m.why ? String(m.why) : 'the launcher did not say why';
      say(name + ' did not run: ' + why + '.' + advice(why), 'bad');
      // A refusal of a second action leaves the running one in place.
      if (m.why !== 'another action is still running') setBusy(null);
      return;
    }
    var exit = Number(m.exit);
    var parsed = m.raw ? showJson(result, String(m.raw)) : undefined;
    if (!m.raw) result.appendChild(text('p', 'The script left no result.', 'note'));
    var why = parsed && typeof parsed.why === 'string' ? parsed.why : '';
    if (exit === 0) say(name + ' finished successfully.', 'good');
    else if (why) say(name + ' failed: ' + why + (/[.!?]$/.test(why) ? '' : '.'), 'bad');
    else say(name + ' failed (exit code ' + m.exit + ').', 'bad');
    setBusy(null);
    askStatus();
  }

  function onServer(m) {
    var st = $('server-state');
    var docs = $('server-docs');
    docs.hidden = true;
    if (m.why) {
      st.textContent = plain(m.why);
      st.className = 'note bad';
      return;
    }
    var got = function (doc) { return doc ? 'received' : 'not received'; };
    st.textContent = (m.ok === true ? 'The server answered' : 'The server could not be reached') +
      ' in ' + Number(m.ms) + ' ms. Status: ' + got(m.status) + '; update manifest: ' + got(m.manifest) + '.';
    st.className = 'note ' + (m.ok === true ? 'good' : 'bad');
    if (m.status || m.manifest) {
      $('server-status').textContent = m.status ? String(m.status) : '(none)';
      $('server-manifest').textContent = m.manifest ? String(m.manifest) : '(none)';
      docs.hidden = false;
    }
  }

  function onPicked(m) {
    state.zip = String(m.path || '');
    $('zip').textContent = state.zip || 'no zip chosen';
    say(state.zip ? 'Chosen: ' + state.zip : 'No file was chosen.', state.zip ? '' : 'bad');
  }

  function onPlayed(m) {
    if (m.ok === true) say('The game is starting through Steam.', 'good');
    else say('The game could not be started. Is Steam installed?', 'bad');
  }

  var handlers = {
    hello: onHello, status: onStatus, log: onLog, done: onDone,
    server: onServer, picked: onPicked, played: onPlayed
  };

  function onMessage(event) {
    var m = event && event.data;
    if (typeof m === 'string') {
      try { m = JSON.parse(m); } catch (e) { return; }
    }
    if (!m || typeof m !== 'object') return;
    var handler = handlers[m.type];
    if (handler) handler(m);
  }

  // ---- requests -----------------------------------------------------------------------

  function setBusy(action) {
    state.busy = action;
    ACTIONS.forEach(function (a) { $(a).disabled = !!action; });
  }

  function act(action) {
    var game = $('game').value.trim();
    var request = { cmd: 'act', action: action, game: game };
    if (action === 'repair' && state.keepSha) request.keepSha = state.keepSha;
    if (action === 'rookmere') {
      if ($('download').checked) request.rookmereDownload = true;
      else if (state.zip) request.rookmereZip = state.zip;
    }
    try { localStorage.setItem('vyr.game', game); } catch (e) { /* storage off */ }
    $('log').textContent = '';
    $('log').hidden = false;
    $('result').textContent = '';
    say((ACTION_NAMES[action] || action) + ' is running\u2026', 'busy');
    setBusy(action);
    send(request);
  }

  function wire() {
    ACTIONS.forEach(function (a) {
      $(a).addEventListener('click', function () { act(a); });
    });
    $('refresh').addEventListener('click', function () {
      $('status-note').textContent = 'Asking the kit script\u2026';
      askStatus();
    });
    $('check').addEventListener('click', function () {
      $('server-state').textContent = 'Checking\u2026';
      $('server-state').className = 'note';
      send({ cmd: 'server' });
    });
    $('pickzip').addEventListener('click', function () { send({ cmd: 'pickzip' }); });
    $('play').addEventListener('click', function () { send({ cmd: 'play' }); });
    $('open-game').addEventListener('click', function () {
      var game = $('game').value.trim();
      if (game) send({ cmd: 'folder', path: game });
      else say('Type the game folder first.', 'bad');
    });
    $('open-kit').addEventListener('click', function () {
      if (state.kit) send({ cmd: 'folder', path: state.kit });
    });
  }

  try {
    $('game').value = localStorage.getItem('vyr.game') || '';
    setKeep(localStorage.getItem('vyr.keepSha'));
  } catch (e) { /* storage off */ }
  wire();
  if (host) host.addEventListener('message', onMessage);
  send({ cmd: 'hello' });
  askStatus();
  send({ cmd: 'server' });
})();
