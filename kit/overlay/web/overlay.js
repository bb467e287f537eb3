// VYR overlay page. Talks to overlay_host through window.chrome.webview: every message
// both ways is one object whose "type" names it.
(function () {
  'use strict';

  var SETTINGS_FILE = 'vyr_overlay.json';
  var PAD_FILE = 'vyr_pad.json';
  var DEFAULT_SETTINGS = { opacity: 90, scale: 100, corner: 'top-right', notes: 5 };
  var DEFAULT_PADS = {
    pads: {
      '': {
        title: 'VYR',
        buttons: [
          { label: 'Map', cmd: 'open_map', arg: '' },
          { label: 'Inventory', cmd: 'open_inventory', arg: '' },
          { label: 'Ping', cmd: 'ping', arg: '' }
        ]
      }
    }
  };
  var GAME_COMMAND = /^[a-z_]{1,39}$/;

  var host = window.chrome && window.chrome.webview;
  var $ = function (id) { return document.getElementById(id); };

  var state = {
    settings: copy(DEFAULT_SETTINGS),
    pads: copy(DEFAULT_PADS),
    pad: null,            // pad text of the last show, null while hidden
    notes: [],
    notesShown: false,
    away: false,
    lastRegion: null,
    lastThrough: null,
    pointer: null,        // last pointer position in page pixels
    hostInfo: null
  };

  function copy(value) { return JSON.parse(JSON.stringify(value)); }

  function post(message) {
    if (host) host.postMessage(message);
  }

  function log(text) { post({ type: 'log', text: String(text) }); }

  // ---- settings and pad layout ----------------------------------------------------

  function applySettings() {
    var s = state.settings;
    var root = document.documentElement;
    root.style.setProperty('--opacity', String(s.opacity / 100));
    root.style.setProperty('--scale', String(s.scale / 100));
    $('overlay').className = 'corner-' + s.corner;
    trimNotes();
  }

  function cleanSettings(raw) {
    var s = copy(DEFAULT_SETTINGS);
    if (!raw || typeof raw !== 'object') return s;
    var n = Number(raw.opacity);
    if (isFinite(n)) s.opacity = Math.min(100, Math.max(40, Math.round(n)));
    n = Number(raw.scale);
    if (isFinite(n)) s.scale = Math.min(140, Math.max(80, Math.round(n)));
    if (['top-left', 'top-right', 'bottom-left', 'bottom-right'].indexOf(raw.corner) >= 0) s.corner = raw.corner;
    n = Number(raw.notes);
    if (isFinite(n)) s.notes = Math.min(20, Math.max(1, Math.round(n)));
    return s;
  }

  function saveFile(name, value) {
    post({ type: 'save', file: name, text: JSON.stringify(value, null, 2) + '\n' });
  }

  function onFile(message) {
    var name = String(message.name || '').toLowerCase();
    var parsed = null;
    if (message.ok === true && message.text) {
      try { parsed = JSON.parse(message.text); } catch (e) {
        log(name + ' is not JSON, defaults used');
      }
    }
    if (name === SETTINGS_FILE) {
      state.settings = cleanSettings(parsed);
      applySettings();
      fillSettingsForm();
    } else if (name === PAD_FILE) {
      if (parsed && parsed.pads && typeof parsed.pads === 'object') {
        state.pads = parsed;
      } else {
        state.pads = copy(DEFAULT_PADS);
        // Leave a layout file for kit makers to edit when there is none yet.
        if (message.ok !== true) saveFile(PAD_FILE, state.pads);
      }
      if (state.pad !== null) renderPad();
    }
  }

  function onSaved(message) {
    var name = String(message.name || '').toLowerCase();
    if (name !== SETTINGS_FILE) return;
    $('settings-state').textContent = message.ok === true
      ? 'Settings saved.'
      : 'The settings could not be saved.';
  }

  // ---- pad ----------------------------------------------------------------------------

  function padFor(text) {
    var pads = state.pads.pads || {};
    if (Object.prototype.hasOwnProperty.call(pads, text) && pads[text]) return pads[text];
    return pads[''] || DEFAULT_PADS.pads[''];
  }

  function renderPad() {
    var text = state.pad || '';
    var pad = padFor(text);
    $('pad-title').textContent = pad.title || 'VYR';
    $('pad-text').textContent = text && !(state.pads.pads || {})[text] ? text : '';
    var box = $('pad-buttons');
    box.textContent = '';
    (pad.buttons || []).forEach(function (b) {
      if (!b || !GAME_COMMAND.test(String(b.cmd || ''))) return;
      var button = document.createElement('button');
      button.type = 'button';
      button.setAttribute('data-hit', '');
      button.textContent = b.label || b.cmd;
      button.addEventListener('click', function () { gameRequest(String(b.cmd), String(b.arg || '')); });
      box.appendChild(button);
    });
  }

  function gameRequest(cmd, arg) {
    post({ type: 'game', cmd: cmd, arg: arg });
    $('game-echo').textContent = 'Sent to the game: ' + cmd + (arg ? ' ' + arg : '');
  }

  function show(message) {
    state.pad = typeof message.pad === 'string' ? message.pad : '';
    renderPad();
    $('panel').hidden = false;
    if (state.notes.length) showNotes(true);
    log('show' + (state.pad ? ' pad ' + state.pad : ''));
  }

  function close() {
    state.pad = null;
    $('panel').hidden = true;
    setSettingsOpen(false);
    showNotes(false);
    post({ type: 'hide' });
  }

  // ---- notes --------------------------------------------------------------------------

  function noteText(note) {
    if (typeof note === 'string') return { title: '', text: note };
    if (note && typeof note === 'object' && !Array.isArray(note)) {
      var text = note.text !== undefined ? note.text : note.body;
      return {
        title: note.title !== undefined ? String(note.title) : '',
        text: text !== undefined ? (typeof text === 'string' ? text : JSON.stringify(text)) : JSON.stringify(note)
      };
    }
    return { title: '', text: JSON.stringify(note) };
  }

  function trimNotes() {
    while (state.notes.length > state.settings.notes) state.notes.shift();
    renderNotes();
  }

  function renderNotes() {
    var list = $('note-list');
    list.textContent = '';
    state.notes.forEach(function (n, i) {
      var item = document.createElement('li');
      item.className = 'note card';
      if (n.title) {
        var h = document.createElement('strong');
        h.textContent = n.title;
        item.appendChild(h);
      }
      var p = document.createElement('span');
      p.textContent = n.text;
      item.appendChild(p);
      var x = document.createElement('button');
      x.type = 'button';
      x.className = 'dismiss';
      x.setAttribute('data-hit', '');
      x.title = 'Dismiss';
      x.textContent = '\u00d7';
      x.addEventListener('click', function () {
        state.notes.splice(i, 1);
        renderNotes();
        if (!state.notes.length) showNotes(false);
      });
      item.appendChild(x);
      list.appendChild(item);
    });
  }

  function showNotes(on) {
    state.notesShown = on;
    $('notes').hidden = !on;
  }

  function note(message) {
    state.notes.push(noteText(message.note));
    trimNotes();
    showNotes(true);
  }

  // ---- settings panel -----------------------------------------------------------------

  function fillSettingsForm() {
    $('set-opacity').value = state.settings.opacity;
    $('set-scale').value = state.settings.scale;
    $('set-corner').value = state.settings.corner;
    $('set-notes').value = state.settings.notes;
  }

  function setSettingsOpen(on) {
    var panel = $('settings');
    if (panel.hidden === !on) return;
    panel.hidden = !on;
    if (on) {
      fillSettingsForm();
      $('settings-state').textContent = '';
    }
    // While the settings are open the game side should not act on the player's keys.
    post({ type: 'modal', on: on });
  }

  function readSettingsForm() {
    return cleanSettings({
      opacity: $('set-opacity').value,
      scale: $('set-scale').value,
      corner: $('set-corner').value,
      notes: $('set-notes').value
    });
  }

  // ---- region and pass-through --------------------------------------------------------

  function interactive(el) {
    return !!(el && el.closest && el.closest('[data-hit]'));
  }

  function hitRects() {
    var rects = [];
    var els = document.querySelectorAll('[data-hit]');
    for (var i = 0; i < els.length; i++) {
      var el = els[i];
      if (!el.getClientRects().length) continue; // not rendered
      var r = el.getBoundingClientRect();
      var x = Math.floor(r.left), y = Math.floor(r.top);
      var w = Math.ceil(r.right) - x, h = Math.ceil(r.bottom) - y;
      if (w > 0 && h > 0) rects.push([x, y, w, h]);
    }
    return rects;
  }

  function reportRegion() {
    var rects = hitRects();
    var key = JSON.stringify(rects);
    if (key !== state.lastRegion) {
      state.lastRegion = key;
      post({ type: 'region', rects: rects });
    }
    // The element under a still pointer may have changed with the layout.
    if (state.pointer) updateThrough(document.elementFromPoint(state.pointer[0], state.pointer[1]));
  }

  var regionQueued = false;
  function layoutChanged() {
    if (regionQueued) return;
    regionQueued = true;
    requestAnimationFrame(function () {
      regionQueued = false;
      reportRegion();
    });
  }

  function updateThrough(target) {
    var on = !interactive(target);
    if (on === state.lastThrough) return;
    state.lastThrough = on;
    post({ type: 'through', on: on });
  }

  // ---- host messages ------------------------------------------------------------------

  var handlers = {
    show: show,
    close: close,
    note: note,
    file: onFile,
    saved: onSaved,
    away: function () { state.away = true; document.body.classList.add('away'); },
    back: function () { state.away = false; document.body.classList.remove('away'); },
    host: function (m) { state.hostInfo = m; }
  };

  function onHostMessage(event) {
    var m = event && event.data;
    if (typeof m === 'string') {
      try { m = JSON.parse(m); } catch (e) { return; }
    }
    if (!m || typeof m !== 'object') return;
    var handler = handlers[m.type];
    if (handler) handler(m);
  }

  // ---- start --------------------------------------------------------------------------

  function wire() {
    $('close').addEventListener('click', close);
    $('pin').addEventListener('click', function () { post({ type: 'mode', mode: 'passive' }); });
    $('settings-open').addEventListener('click', function () { setSettingsOpen($('settings').hidden); });
    $('settings-cancel').addEventListener('click', function () {
      applySettings();
      setSettingsOpen(false);
    });
    $('settings-save').addEventListener('click', function () {
      state.settings = readSettingsForm();
      applySettings();
      saveFile(SETTINGS_FILE, state.settings);
      $('settings-state').textContent = 'Saving\u2026';
    });
    ['set-opacity', 'set-scale', 'set-corner'].forEach(function (id) {
      $(id).addEventListener('input', function () {
        var previous = state.settings;
        state.settings = readSettingsForm();
        applySettings();
        state.settings = previous; // a preview until saved
      });
    });

    document.addEventListener('pointermove', function (e) {
      state.pointer = [e.clientX, e.clientY];
      updateThrough(e.target);
    });
    document.documentElement.addEventListener('pointerleave', function () {
      state.pointer = null;
      updateThrough(null);
    });

    new MutationObserver(layoutChanged).observe(document.body, {
      subtree: true, childList: true, attributes: true, characterData: true
    });
    if (window.ResizeObserver) {
      var sizes = new ResizeObserver(layoutChanged);
      ['overlay', 'panel', 'notes', 'settings'].forEach(function (id) { sizes.observe($(id)); });
    }
    window.addEventListener('resize', layoutChanged);
  }

  wire();
  applySettings();
  if (host) host.addEventListener('message', onHostMessage);
  post({ type: 'ready' });
  post({ type: 'load', file: SETTINGS_FILE });
  post({ type: 'load', file: PAD_FILE });
  log('overlay page loaded');

  // The host shows its cover until the page has drawn: drop it after the first paint.
  requestAnimationFrame(function () {
    reportRegion();
    requestAnimationFrame(function () {
      post({ type: 'cover', on: false });
    });
  });
})();
