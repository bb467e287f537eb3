// The kit's pad layout and how a player's saved layout takes a newer one.
//
// KIT_PADS is what the kit gives: one pad per pad text the game side may show ('' is the pad
// for any other text), each with a title and its buttons; a button's click sends the game
// request `cmd` `arg`. Raise `version` whenever the pads change, so that players who already
// have a saved layout get the change.
//
// vyr_pad.json (package\Documents) holds the layout the page shows, in `pads`, which a player
// may edit, and beside it `kitVersion` and `kit`: the kit's pads the layout was last based on.
// When the kit's version is newer, mergePads compares the player's layout with that base: what
// the player left as the kit gave it follows the new kit (changed, moved out, added), what the
// player changed, added or removed stays so. A button is known by its `cmd` and `arg`.
(function (root) {
  'use strict';

  var KIT_PADS = {
    version: 1,
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

  function isObject(v) { return !!v && typeof v === 'object' && !Array.isArray(v); }

  function has(o, k) { return Object.prototype.hasOwnProperty.call(o, k); }

  function same(a, b) { return JSON.stringify(a) === JSON.stringify(b); }

  function copy(v) { return JSON.parse(JSON.stringify(v)); }

  function buttonKey(b) { return isObject(b) ? String(b.cmd || '') + '\n' + String(b.arg || '') : ''; }

  function buttonsOf(pad) {
    return isObject(pad) && Array.isArray(pad.buttons) ? pad.buttons.filter(isObject) : [];
  }

  function byKey(buttons) {
    var map = {};
    buttons.forEach(function (b) { map[buttonKey(b)] = b; });
    return map;
  }

  // One pad: the player's `mine`, based on `base`, brought to the kit's `kit` (each may be
  // absent). Returns the pad, or undefined when it is to go.
  function mergePad(mine, base, kit) {
    if (!isObject(mine)) return isObject(base) || !isObject(kit) ? undefined : copy(kit); // removed, or new
    if (!isObject(kit)) return same(mine, base) ? undefined : mine;   // gone from the kit
    var out = {};
    Object.keys(mine).forEach(function (k) { if (k !== 'title' && k !== 'buttons') out[k] = mine[k]; });
    out.title = isObject(base) && mine.title === base.title ? kit.title : mine.title;
    var was = byKey(buttonsOf(base)), now = byKey(buttonsOf(kit));
    var buttons = [];
    buttonsOf(mine).forEach(function (b) {
      var key = buttonKey(b);
      if (!has(was, key) || !same(b, was[key])) buttons.push(b); // the player's own
      else if (has(now, key)) buttons.push(copy(now[key]));       // as the kit gives it now
    });
    // Buttons new in the kit go after the kit button before them, or first.
    var kitButtons = buttonsOf(kit);
    kitButtons.forEach(function (b, i) {
      var key = buttonKey(b);
      if (has(was, key) || buttons.some(function (x) { return buttonKey(x) === key; })) return;
      var at = 0;
      for (var j = i - 1; j >= 0; j--) {
        var before = buttonKey(kitButtons[j]);
        var found = buttons.map(buttonKey).indexOf(before);
        if (found >= 0) { at = found + 1; break; }
      }
      buttons.splice(at, 0, copy(b));
    });
    out.buttons = buttons;
    return out;
  }

  // The saved file's contents (any value) and the kit's pads: the file to keep and whether it
  // differs from what was saved. A file of no kit version counts as based on no pads at all,
  // so everything in it is the player's and only the kit's missing buttons are added.
  function mergePads(saved, kitPads) {
    kitPads = kitPads || KIT_PADS;
    if (!isObject(saved) || !isObject(saved.pads)) {
      return { layout: { kitVersion: kitPads.version, kit: copy(kitPads.pads), pads: copy(kitPads.pads) }, changed: true };
    }
    var version = Number(saved.kitVersion);
    if (isFinite(version) && version >= kitPads.version) return { layout: saved, changed: false };
    var base = isFinite(version) && isObject(saved.kit) ? saved.kit : {};
    var pads = {};
    var names = Object.keys(saved.pads);
    Object.keys(kitPads.pads).forEach(function (n) { if (names.indexOf(n) < 0) names.push(n); });
    names.forEach(function (n) {
      var pad = mergePad(has(saved.pads, n) ? saved.pads[n] : undefined,
        has(base, n) ? base[n] : undefined, has(kitPads.pads, n) ? kitPads.pads[n] : undefined);
      if (pad !== undefined) pads[n] = pad;
    });
    var layout = {};
    Object.keys(saved).forEach(function (k) { layout[k] = saved[k]; });
    layout.kitVersion = kitPads.version;
    layout.kit = copy(kitPads.pads);
    layout.pads = pads;
    return { layout: layout, changed: true };
  }

  var api = { KIT_PADS: KIT_PADS, mergePads: mergePads };
  if (typeof module === 'object' && module.exports) module.exports = api;
  else root.VyrPads = api;
})(this);
