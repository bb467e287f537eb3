// The kit's launcher page. Requests go to the launcher as {"cmd":...}; every reply comes back
// as an object whose "type" names it. The page shows the state in one sentence and a badge,
// offers the next thing to do as its one primary button, and keeps paths and versions behind
// "Details".
(function () {
  'use strict';

  var host = window.chrome && window.chrome.webview;
  var $ = function (id) { return document.getElementById(id); };
  var ACTIONS = ['install', 'repair', 'uninstall', 'rookmere'];
  var ACTION_NAMES = {
    install: 'Install', repair: 'Repair', uninstall: 'Uninstall', rookmere: 'The Rookmere kit install'
  };
  // What the player can do about each of the launcher's refusals; the reason itself is
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
  // What to do after a failed run, by what its reason says. A reason that already ends in
  // advice of its own gets none added.
  var NEXT = [
    [/then try again\.?$|: use Install|install it first|unzip the kit again|choose the .*(zip|folder)|download it yourself/i, ''],
    [/another action is still running/i, 'Wait until it has finished, then try again.'],
    [/no space|disk is full|not enough space/i, 'Free some space on the game\u2019s drive, then try again.'],
    [/link \(junction|symbolic link/i, 'Put a real folder or file in place of the link, then try again.'],
    [/in use/i, 'Close Cindergale, then try again.'],
    [/denied|unauthori[sz]ed|read-only/i,
      'Close programs that may hold the game\u2019s files, allow Windows\u2019 permission prompt, then try again.']
  ];
  var PLAN = /^plan: (\d+) steps?, (\d+) bytes? to write/;
  var STEP = /^step (\d+)\/(\d+): (.*)$/;
  var BUSY_POLL_MS = 3000;

  var state = {
    kit: '', busy: null, zip: '', hello: null, keepSha: '', status: null, typed: false,
    run: null, busyTimer: 0
  };
  var SHA256 = /^[0-9a-fA-F]{64}$/;

  function send(request) { if (host) host.postMessage(request); }

  // The status request carries the SHA-256 of the file the player keeps, so that the script
  // can mark it; Repair carries it too and leaves that file as it is.
  function askStatus() {
    send(state.keepSha ? { cmd: 'status', keepSha: state.keepSha } : { cmd: 'status' });
  }

  function refresh() {
    $('status-note').textContent = 'Asking the kit script\u2026';
    askStatus();
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

  function sentence(why) {
    why = String(why || '');
    return why.charAt(0).toUpperCase() + why.slice(1) + (/[.!?]$/.test(why) ? '' : '.');
  }

  // A reason on its own, as a sentence.
  function plain(why) {
    if (!why) return 'It did not work, and the launcher did not say why.';
    return sentence(why) + advice(String(why));
  }

  function say(text, kind) {
    var m = $('message');
    m.textContent = text;
    m.className = 'message' + (kind ? ' ' + kind : '');
  }

  function text(tag, content, cls) {
    var el = document.createElement(tag);
    el.textContent = content;
    if (cls) el.className = cls;
    return el;
  }

  function bytes(n) {
    n = Number(n);
    if (!isFinite(n) || n < 0) return '';
    if (n < 1024) return n + ' bytes';
    if (n < 1048576) return (n / 1024).toFixed(n < 10240 ? 1 : 0) + ' KB';
    return (n / 1048576).toFixed(1) + ' MB';
  }

  // ---- showing JSON generically (members a kit's own script adds) ----------------------

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

  function parse(raw) {
    try { return { value: JSON.parse(raw) }; } catch (e) { return null; }
  }

  // ---- the state at a glance ------------------------------------------------------------

  var BADGES = {
    checking: 'Checking', 'not-installed': 'Not installed', installed: 'Installed', update: 'Update ready',
    changed: 'Changed files', interrupted: 'Interrupted run', 'no-game': 'Game not found',
    busy: 'Busy', working: 'Working', unknown: 'Unknown'
  };

  function badge(kind) {
    var b = $('badge');
    b.textContent = BADGES[kind];
    b.className = 'badge ' + kind;
  }

  function isObject(v) { return !!v && typeof v === 'object' && !Array.isArray(v); }

  function isChangedList(value) {
    return Array.isArray(value) && value.every(function (f) {
      return isObject(f) && typeof f.path === 'string' && SHA256.test(String(f.sha256));
    });
  }

  function toRepair(s) {
    var changed = isChangedList(s.changedFiles) ? s.changedFiles.filter(function (f) { return !f.kept; }) : [];
    return changed.length + (Array.isArray(s.missingFiles) ? s.missingFiles.length : 0) +
      (s.installed === true && s.hostsRedirected === false ? 1 : 0);
  }

  // The kind of state and the next thing to do in it.
  function judge(s) {
    if (!isObject(s) || s.ok === false) return { kind: 'unknown', next: 'install' };
    var next = s.installed === true ? 'repair' : 'install';
    if (s.busy === true) return { kind: 'busy', next: next };
    if (s.interrupted === true) return { kind: 'interrupted', next: next };
    if (s.gameFound === false) return { kind: 'no-game', next: 'install' };
    if (s.installed !== true) return { kind: 'not-installed', next: 'install' };
    if (toRepair(s) > 0) return { kind: 'changed', next: 'repair' };
    if (s.kitVersion && s.installedVersion && s.kitVersion !== s.installedVersion) return { kind: 'update', next: 'install' };
    return { kind: 'installed', next: 'play' };
  }

  // The next thing to do becomes the one primary button; the others stay where they were.
  function setPrimary(id) {
    var slot = $('primary-slot');
    var current = slot.firstElementChild;
    if (current && current.id === id) return;
    // Moving a button takes the keyboard focus from it; it goes back.
    var focused = document.activeElement;
    if (current) {
      current.classList.remove('primary', 'play');
      $('secondary').insertBefore(current, $('secondary').children[['install', 'repair', 'play', 'uninstall'].indexOf(current.id)] || null);
    }
    var button = $(id);
    button.classList.add('primary');
    if (id === 'play') button.classList.add('play');
    slot.appendChild(button);
    if (focused && focused !== document.activeElement) focused.focus();
  }

  function fact(id, value) {
    $(id).textContent = value === undefined || value === null || value === '' ? 'none' : String(value);
  }

  var SHOWN = ['ok', 'summary', 'why', 'installed', 'kitName', 'kitTitle', 'kitVersion', 'installedVersion',
    'rookmereVersion', 'game', 'gameFound', 'changedFiles', 'missingFiles', 'hostsRedirected', 'hostsFile',
    'sandbox', 'kit', 'interrupted', 'busy', 'script', 'powershell'];

  function showStatus(s) {
    state.status = s;
    var verdict = judge(s);
    if (!state.busy) badge(verdict.kind);
    setPrimary(verdict.next);
    $('status-note').className = 'summary' + (s.ok === false ? ' bad' : '');
    $('status-note').textContent = typeof s.summary === 'string' && s.summary
      ? s.summary : s.ok === false && s.why ? plain(s.why) : 'The kit script gave no summary.';
    var title = String(s.kitTitle || s.kitName || '');
    if (title) {
      $('kit-title').textContent = title;
      document.title = title;
    }
    fact('kit-name', s.kitName ? s.kitName + (s.kitTitle && s.kitTitle !== s.kitName ? ' (' + s.kitTitle + ')' : '') : s.kitTitle);
    fact('kit-version', s.kitVersion);
    fact('installed-version', s.installed === true ? s.installedVersion : 'not installed');
    fact('rookmere-version', s.rookmereVersion);
    fact('game-path', s.game);
    fact('script-version', s.script);
    fact('powershell', s.powershell);
    fact('hosts-file', s.hostsFile ? s.hostsFile + (s.hostsRedirected === true ? ' (points at the kit\u2019s server)' : '') : '');
    // Without a game of its own the status looks at the kit's folder; a player who unzipped
    // the kit into the game has nothing to type.
    if (s.gameFound === true && typeof s.game === 'string' && !state.typed && !$('game').value) $('game').value = s.game;
    $('game-hint').className = 'hint' + (s.gameFound === false ? ' ask' : '');
    var more = {};
    Object.keys(s).forEach(function (k) { if (SHOWN.indexOf(k) < 0) more[k] = s[k]; });
    $('status-more').textContent = '';
    if (Object.keys(more).length) $('status-more').appendChild(render(more));
    showChanged(s);
    clearTimeout(state.busyTimer);
    if (s.busy === true) state.busyTimer = setTimeout(askStatus, BUSY_POLL_MS);
  }

  // ---- files the script reports as changed: the player may keep one ------------------

  function showChanged(s) {
    var box = $('status');
    box.textContent = '';
    var files = isChangedList(s.changedFiles) ? s.changedFiles : [];
    var missing = Array.isArray(s.missingFiles) ? s.missingFiles : [];
    box.hidden = (!files.length && !missing.length) || !!state.busy;
    if (box.hidden) return;
    // A kept file that no longer differs needs keeping no more.
    if (s.installed === true && state.keepSha && !files.some(function (f) {
      return String(f.sha256).toLowerCase() === state.keepSha.toLowerCase();
    })) setKeep('');
    var total = 0;
    var sized = files.every(function (f) { return typeof f.size === 'number'; });
    files.forEach(function (f) { total += Number(f.size) || 0; });
    box.appendChild(text('h2', 'Changed files' + (sized && files.length ? ' (' + bytes(total) + ')' : '')));
    var list = document.createElement('ul');
    files.forEach(function (f) {
      var kept = !!state.keepSha && String(f.sha256).toLowerCase() === state.keepSha.toLowerCase();
      var li = document.createElement('li');
      var what = text('span', '', 'what');
      what.appendChild(text('code', f.path, 'path'));
      if (typeof f.size === 'number') what.appendChild(text('span', bytes(f.size), 'size'));
      what.appendChild(text('span', kept ? 'kept: Repair leaves it as it is' : 'changed: Repair puts the kit\u2019s back',
        kept ? 'state kept' : 'state'));
      li.appendChild(what);
      var button = text('button', kept ? 'Let Repair put it back' : 'Keep my version', 'keep');
      button.type = 'button';
      button.title = 'SHA-256 ' + f.sha256;
      button.addEventListener('click', function () {
        setKeep(kept ? '' : f.sha256);
        refresh();
      });
      li.appendChild(button);
      list.appendChild(li);
    });
    missing.forEach(function (p) {
      var li = document.createElement('li');
      var what = text('span', '', 'what');
      what.appendChild(text('code', String(isObject(p) ? p.path : p), 'path'));
      what.appendChild(text('span', 'missing: Repair puts it back', 'state'));
      li.appendChild(what);
      list.appendChild(li);
    });
    box.appendChild(list);
    if (files.length) box.appendChild(text('p', 'Repair puts back every changed file except the one you keep.', 'hint'));
    // The list takes room from the log: keep the log's last line in view.
    $('log').scrollTop = $('log').scrollHeight;
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
    if (m.why) {
      if (!state.busy) badge('unknown');
      $('status-note').textContent = plain(m.why);
      $('status-note').className = 'summary bad';
      return;
    }
    var parsed = m.raw ? parse(String(m.raw)) : null;
    if (!parsed || !isObject(parsed.value)) {
      if (!state.busy) badge('unknown');
      $('status-note').className = 'summary bad';
      $('status-note').textContent = !m.raw ? 'The kit script gave no status.'
        : 'The kit script\u2019s answer could not be read: ' + String(m.raw).slice(0, 200);
      $('status').hidden = true;
      return;
    }
    showStatus(parsed.value);
  }

  // The bar counts the planned steps; without a plan it only shows that work goes on.
  function showProgress() {
    var run = state.run;
    var bar = $('bar');
    var determinate = run.steps > 0 || run.end !== '';
    var share = run.end === 'done' ? 1 : run.steps > 0 ? Math.min(run.step / run.steps, 1) : run.end ? 1 : 0;
    bar.className = 'bar' + (determinate ? '' : ' indeterminate') + (run.end ? ' ' + run.end : '');
    $('bar-fill').style.width = determinate ? Math.round(share * 100) + '%' : '';
    if (determinate) bar.setAttribute('aria-valuenow', String(Math.round(share * 100)));
    else bar.removeAttribute('aria-valuenow');
    $('step').textContent = run.words;
    $('bytes').textContent = !run.bytes || run.end === 'failed' ? '' : bytes(run.bytes) + (run.end ? ' written' : ' to write');
  }

  function onLog(m) {
    var line = String(m.line);
    var log = $('log');
    log.textContent += line + '\n';
    log.scrollTop = log.scrollHeight;
    var run = state.run;
    if (!run) return;
    var plan = PLAN.exec(line);
    var step = STEP.exec(line);
    if (plan) {
      run.steps = Number(plan[1]);
      run.bytes = Number(plan[2]);
      if (!run.steps) run.words = 'Nothing to change.';
    } else if (step) {
      run.step = Number(step[1]);
      run.steps = Number(step[2]) || run.steps;
      run.words = 'Step ' + run.step + ' of ' + run.steps + ': ' + step[3];
    } else if (/^interrupted run: /.test(line)) {
      run.words = 'An interrupted earlier run was undone first.';
    } else if (!run.steps && !/^\w+: (kit |done$|failed - )/.test(line)) {
      run.words = sentence(line);
    }
    showProgress();
  }

  function nextStep(why) {
    for (var i = 0; i < NEXT.length; i++) if (NEXT[i][0].test(why)) return NEXT[i][1];
    return 'Try again. If it fails the same way, the full log is under Details.';
  }

  function onDone(m) {
    var action = m.action ? String(m.action) : state.busy;
    var name = ACTION_NAMES[action] || (action ? label(action) : 'The action');
    var result = $('result');
    result.textContent = '';
    if (m.ok === false) {
      var reason = m.why ? String(m.why) : 'the launcher did not say why';
      say(name + ' did not run: ' + reason + '.' + advice(reason), 'bad');
      // A refusal of a second action leaves the running one in place.
      if (m.why === 'another action is still running') return;
      if (state.run && !$('log').textContent) $('progress').hidden = true;
      finish('failed');
      return;
    }
    var exit = Number(m.exit);
    var parsed = m.raw ? parse(String(m.raw)) : null;
    var r = parsed && isObject(parsed.value) ? parsed.value : {};
    $('result-raw').textContent = '';
    if (parsed) $('result-raw').appendChild(render(parsed.value));
    else $('result-raw').appendChild(text('p', m.raw ? 'The script\u2019s result could not be read.' : 'The script left no result.', 'hint'));
    var why = typeof r.why === 'string' ? r.why : '';
    if (exit === 0) {
      say(name + ' finished successfully.', 'good');
      if (typeof r.message === 'string' && r.message) result.appendChild(text('p', r.message));
      if (action === 'repair' && Array.isArray(r.restored)) {
        if (!r.restored.length) result.appendChild(text('p', 'Nothing needed putting back.'));
        else {
          result.appendChild(text('p', 'Put back:'));
          var list = document.createElement('ul');
          r.restored.forEach(function (p) { list.appendChild(text('li', String(p), 'path')); });
          result.appendChild(list);
        }
      }
      if (state.run) state.run.words = state.run.steps ? 'All ' + state.run.steps + ' steps done.' : 'Done.';
      finish('done');
    } else {
      say(why ? name + ' failed: ' + why + (/[.!?]$/.test(why) ? '' : '.')
        : name + ' failed (exit code ' + m.exit + ').', 'bad');
      if (!m.raw) result.appendChild(text('p', 'The script left no result.'));
      if (r.rolledBack === true) {
        result.appendChild(text('p', Array.isArray(r.warnings) && r.warnings.length
          ? 'Not every change of this run could be undone: the warnings are under Details.'
          : 'Nothing was changed: the kit undid this run\u2019s steps.'));
      }
      if (state.run && state.run.steps) state.run.words = 'Stopped after step ' + state.run.step + ' of ' + state.run.steps + '.';
      var next = why ? nextStep(why) : 'The full log is under Details.';
      if (next) result.appendChild(text('p', 'What to do: ' + next, 'next'));
      finish('failed');
    }
    askStatus();
  }

  function finish(end) {
    if (state.run) {
      state.run.end = end;
      showProgress();
    }
    setBusy(null);
    if (state.status) badge(judge(state.status).kind);
  }

  function onServer(m) {
    var card = $('server-card');
    var st = $('server-state');
    var docs = $('server-docs');
    docs.hidden = true;
    if (m.why) {
      st.textContent = m.why === 'no server in launcher.json'
        ? 'Server: none set: you can still install and play' : 'Server: ' + plain(m.why);
      card.className = 'server';
      $('server-answer').textContent = plain(m.why);
      return;
    }
    var up = m.ok === true;
    st.textContent = up ? 'Server: reachable' : 'Server: not reachable: you can still install and play';
    card.className = 'server ' + (up ? 'up' : 'down');
    var got = function (doc) { return doc ? 'received' : 'not received'; };
    $('server-answer').textContent = (up ? 'answered' : 'no answer') + ' in ' + Number(m.ms) + ' ms; status ' +
      got(m.status) + ', update manifest ' + got(m.manifest);
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
    var handler = Object.prototype.hasOwnProperty.call(handlers, m.type) ? handlers[m.type] : null;
    if (handler) handler(m);
  }

  // ---- requests -----------------------------------------------------------------------

  function setBusy(action) {
    state.busy = action;
    ACTIONS.forEach(function (a) { $(a).disabled = !!action; });
    if (action) badge('working');
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
    state.run = { steps: 0, step: 0, bytes: 0, words: 'Starting\u2026', end: '' };
    $('log').textContent = '';
    $('result').textContent = '';
    $('result-raw').textContent = '';
    $('progress').hidden = false;
    $('status').hidden = true;
    showProgress();
    say((ACTION_NAMES[action] || action) + ' is running\u2026', 'busy');
    setBusy(action);
    send(request);
  }

  function toggle(button, panel, open) {
    $(panel).hidden = !open;
    $(button).setAttribute('aria-expanded', String(open));
  }

  function wire() {
    ACTIONS.forEach(function (a) {
      $(a).addEventListener('click', function () { act(a); });
    });
    $('refresh').addEventListener('click', refresh);
    $('check').addEventListener('click', function () {
      $('server-state').textContent = 'Server: checking\u2026';
      $('server-card').className = 'server';
      send({ cmd: 'server' });
    });
    $('pickzip').addEventListener('click', function () { send({ cmd: 'pickzip' }); });
    $('play').addEventListener('click', function () { send({ cmd: 'play' }); });
    $('game').addEventListener('input', function () { state.typed = true; });
    $('open-game').addEventListener('click', function () {
      var game = $('game').value.trim();
      if (game) send({ cmd: 'folder', path: game });
      else say('Type the game folder first.', 'bad');
    });
    $('open-kit').addEventListener('click', function () {
      if (state.kit) send({ cmd: 'folder', path: state.kit });
    });
    $('log-toggle').addEventListener('click', function () {
      toggle('log-toggle', 'log-box', $('log-box').hidden);
    });
    $('details-toggle').addEventListener('click', function () {
      toggle('details-toggle', 'details', $('details').hidden);
      if (!$('details').hidden) $('details-close').focus();
    });
    $('details-close').addEventListener('click', function () {
      toggle('details-toggle', 'details', false);
      $('details-toggle').focus();
    });
    document.addEventListener('keydown', function (e) {
      if (e.key === 'Escape' && !$('details').hidden) {
        toggle('details-toggle', 'details', false);
        $('details-toggle').focus();
      }
    });
  }

  try {
    $('game').value = localStorage.getItem('vyr.game') || '';
    setKeep(localStorage.getItem('vyr.keepSha'));
  } catch (e) { /* storage off */ }
  wire();
  setPrimary('install');
  if (host) host.addEventListener('message', onMessage);
  send({ cmd: 'hello' });
  askStatus();
  send({ cmd: 'server' });
})();
