// VYR overlay page. Talks to overlay_host through window.chrome.webview: every message
// both ways is one object whose "type" names it.
//
// Over the game the page is seen, and takes the mouse, only inside the rectangles it reports
// in "region": one per visible element marked data-rect, in page (CSS) pixels as laid out,
// sent again after every layout change. Pass-through is asked for once at start and kept, so
// the rectangles alone decide where the mouse belongs. (Switching it by where the pointer is
// cannot work: once the window lets the mouse through, the page sees no pointer events that
// could switch it back.)
//
// Stable hooks for tests and tools:
//   #panel                            the pad card (hidden until "show"); #pad-title, #pad-text
//   #pad-buttons button[data-cmd]     one per pad button, in layout order, built from the
//                                     layout (pads.js, vyr_pad.json); data-cmd and data-arg
//                                     are the "game" request its click sends
//   #game-echo                        the last request sent to the game
//   #note-list li[data-note]          one per note shown, oldest first; title and text in
//                                     [data-note-title] and [data-note-text]
//   #settings, #set-scale, #set-corner, #set-notes, #settings-save, #settings-cancel
//   [data-rect]                       the opaque cards whose rectangles are the region
(function () {
  'use strict';

  var SETTINGS_FILE = 'vyr_overlay.json';
  var PAD_FILE = 'vyr_pad.json';
  var DEFAULT_SETTINGS = { scale: 100, corner: 'top-right', notes: 5 };
  var KIT_PADS = window.VyrPads.KIT_PADS; // pads.js: the kit's pads and their version
  var GAME_COMMAND = /^[a-z_]{1,39}$/;

  var host = window.chrome && window.chrome.webview;
  var $ = function (id) { return document.getElementById(id); };

  var state = {
    settings: copy(DEFAULT_SETTINGS),
    pads: { pads: copy(KIT_PADS.pads) },
    pad: null,            // pad text of the last show, null while hidden
    notes: [],
    notesShown: false,
    away: false,
    lastRegion: null,
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
    // Whole pixels, so that the cards' edges do not fall between pixels.
    var k = s.scale / 100;
    var line = Math.round(19 * k);
    root.style.setProperty('--width', Math.round(300 * k) + 'px');
    root.style.setProperty('--font', Math.round(14 * k) + 'px');
    root.style.setProperty('--line', line + 'px');
    root.style.setProperty('--control', line + 8 + 'px');
    $('overlay').className = 'corner-' + s.corner;
    trimNotes();
  }

  function cleanSettings(raw) {
    var s = copy(DEFAULT_SETTINGS);
    if (!raw || typeof raw !== 'object') return s;
    var n = Number(raw.scale); // an older file may also hold an opacity, no longer used
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
      if (message.ok === true && !(parsed && parsed.pads && typeof parsed.pads === 'object' && !Array.isArray(parsed.pads))) {
        // A file being edited by hand may be broken for a while: show the kit's pads, keep it.
        state.pads = { pads: copy(KIT_PADS.pads) };
      } else {
        // None yet: leave one to edit. An older kit's: take the newer pads, keep the player's.
        var merged = window.VyrPads.mergePads(message.ok === true ? parsed : null);
        state.pads = merged.layout;
        if (merged.changed) {
          saveFile(PAD_FILE, merged.layout);
          log('pad layout ' + (message.ok === true ? 'brought to' : 'written for') + ' kit pads version ' + KIT_PADS.version);
        }
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
    return pads[''] || KIT_PADS.pads[''] || { title: 'VYR', buttons: [] };
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
      var cmd = String(b.cmd), arg = String(b.arg || '');
      var button = document.createElement('button');
      button.type = 'button';
      button.setAttribute('data-cmd', cmd);
      button.setAttribute('data-arg', arg);
      button.textContent = b.label || cmd;
      button.addEventListener('click', function () { gameRequest(cmd, arg); });
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
      item.setAttribute('data-note', '');
      item.setAttribute('data-rect', '');
      if (n.title) {
        var h = document.createElement('strong');
        h.className = 'note-title';
        h.setAttribute('data-note-title', '');
        h.textContent = n.title;
        item.appendChild(h);
      }
      var p = document.createElement('span');
      p.className = 'note-text';
      p.setAttribute('data-note-text', '');
      p.textContent = n.text;
      item.appendChild(p);
      var x = document.createElement('button');
      x.type = 'button';
      x.className = 'dismiss';
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
      scale: $('set-scale').value,
      corner: $('set-corner').value,
      notes: $('set-notes').value
    });
  }

  // ---- region -----------------------------------------------------------------------

  // The host scales each edge by its rasterization scale (single precision) and truncates.
  function hostEdge(v, scale) { return Math.trunc(Math.fround(v * scale)); }

  // One card's rectangle in whole page pixels: the host's scaled edges must land on pixels the
  // browser paints for the card (it snaps box edges to the nearest device pixel). At scale 1 with
  // whole-pixel layout this is exactly the card's box.
  function pageRect(box, dpr) {
    var scale = Math.fround(dpr);
    var left = Math.round(Math.max(0, box.left) * dpr);
    var top = Math.round(Math.max(0, box.top) * dpr);
    var right = Math.round(Math.min(window.innerWidth, box.right) * dpr);
    var bottom = Math.round(Math.min(window.innerHeight, box.bottom) * dpr);
    var x = Math.floor(left / dpr), y = Math.floor(top / dpr);
    var r = Math.ceil(right / dpr), b = Math.ceil(bottom / dpr);
    while (hostEdge(x, scale) < left) x++;
    while (hostEdge(y, scale) < top) y++;
    while (r > x && hostEdge(r, scale) > right) r--;
    while (b > y && hostEdge(b, scale) > bottom) b--;
    return [x, y, r - x, b - y];
  }

  var observed = [];
  function regionRects() {
    var dpr = window.devicePixelRatio || 1;
    var rects = [];
    var cards = document.querySelectorAll('[data-rect]');
    for (var i = 0; i < cards.length; i++) {
      if (!cards[i].getClientRects().length) continue; // not rendered
      var r = pageRect(cards[i].getBoundingClientRect(), dpr);
      if (r[2] > 0 && r[3] > 0) rects.push(r);
    }
    if (sizes) {
      // Follow every card's size; let go of cards that left the document.
      observed = observed.filter(function (el) {
        if (el.isConnected) return true;
        sizes.unobserve(el);
        return false;
      });
      for (i = 0; i < cards.length; i++) {
        if (observed.indexOf(cards[i]) < 0) {
          observed.push(cards[i]);
          sizes.observe(cards[i]);
        }
      }
    }
    return rects;
  }

  function reportRegion() {
    var rects = regionRects();
    var key = JSON.stringify(rects);
    if (key === state.lastRegion) return;
    state.lastRegion = key;
    post({ type: 'region', rects: rects });
  }

  // Layout settles before the next frame; one report per frame at most.
  var regionQueued = false;
  function layoutChanged() {
    if (regionQueued) return;
    regionQueued = true;
    requestAnimationFrame(function () {
      regionQueued = false;
      reportRegion();
    });
  }

  var sizes = window.ResizeObserver ? new ResizeObserver(layoutChanged) : null;

  // A new device scale (another monitor, a new display setting) moves the host's pixels under
  // the same layout: report again.
  function watchScale() {
    if (!window.matchMedia) return;
    var query = window.matchMedia('(resolution: ' + (window.devicePixelRatio || 1) + 'dppx)');
    query.addEventListener('change', function () {
      layoutChanged();
      watchScale();
    }, { once: true });
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
    ['set-scale', 'set-corner'].forEach(function (id) {
      $(id).addEventListener('input', function () {
        var previous = state.settings;
        state.settings = readSettingsForm();
        applySettings();
        state.settings = previous; // a preview until saved
      });
    });

    new MutationObserver(layoutChanged).observe(document.documentElement, {
      subtree: true, childList: true, attributes: true, characterData: true
    });
    if (sizes) sizes.observe($('overlay'));
    window.addEventListener('resize', layoutChanged);
    if (document.fonts) document.fonts.addEventListener('loadingdone', layoutChanged);
    watchScale();
  }

  wire();
  applySettings();
  if (host) host.addEventListener('message', onHostMessage);
  post({ type: 'ready' });
  post({ type: 'through', on: true });
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
