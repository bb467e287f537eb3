// The overlay page against a stand-in overlay_host: every message it sends and every
// host message it handles, and what the player would see of it over the game.
'use strict';

const assert = require('node:assert/strict');
const path = require('node:path');
const { test, before, after } = require('node:test');
const { ROOT, serve, launch, openPage } = require('./harness');
const { decodePng } = require('../standins/webview2/browser/png');

const WEB = path.join(ROOT, 'kit', 'overlay', 'web');
const { KIT_PADS } = require(path.join(WEB, 'pads.js'));
const PADS = {
  kitVersion: KIT_PADS.version,
  pads: {
    '': { title: 'VYR', buttons: [{ label: 'Ping', cmd: 'ping', arg: '' }] },
    map: {
      title: 'Map pad',
      buttons: [
        { label: 'North gate', cmd: 'open_map', arg: 'north gate' },
        { label: 'Ping', cmd: 'ping', arg: '' }
      ]
    }
  }
};

let site;
let browser;

before(async () => {
  site = await serve(WEB);
  browser = await launch();
});

after(async () => {
  if (browser) await browser.close();
  if (site) site.server.close();
});

let current;
async function fresh() {
  if (current) await current.page.close();
  current = await openPage(browser, site.origin);
  return current;
}

// The page's visible cards as the browser laid them out, unrounded: at scale 1 they are
// exactly the rectangles the page must report.
function cardBoxes(host) {
  return host.page.evaluate(() => Array.from(document.querySelectorAll('[data-rect]'))
    .filter((el) => el.getClientRects().length)
    .map((el) => {
      const r = el.getBoundingClientRect();
      return [r.left, r.top, r.width, r.height];
    }));
}

// Boxes of the elements matching `selector` that lie outside every rectangle of `rects`.
function outsideRects(host, selector, rects) {
  return host.page.evaluate(([s, list]) => Array.from(document.querySelectorAll(s))
    .filter((el) => el.getClientRects().length)
    .map((el) => el.getBoundingClientRect())
    .filter((b) => !list.some(([x, y, w, h]) =>
      b.left >= x && b.top >= y && b.right <= x + w && b.bottom <= y + h))
    .map((b) => [b.left, b.top, b.width, b.height]), [selector, rects]);
}

// A screenshot's alpha at each pixel, decoded as the browser-backed stand-in decodes frames.
function decodeAlpha(png) {
  const { width, height, bgra } = decodePng(png);
  return { width, height, alpha: (x, y) => bgra[(y * width + x) * 4 + 3] };
}

// Over the game, the host shows the page only inside its rectangles, each edge scaled by the
// rasterization scale (single precision) and truncated. Counts the pixels of a screenshot taken
// in device pixels over a transparent backdrop that would show the overlay window instead of
// the page (not opaque inside a rectangle), and the pixels the page paints outside them.
async function opacityFaults(host, cdp, rects, scale) {
  await cdp.send('Emulation.setDefaultBackgroundColorOverride', { color: { r: 0, g: 0, b: 0, a: 0 } });
  const shot = decodeAlpha(Buffer.from((await cdp.send('Page.captureScreenshot', { format: 'png' })).data, 'base64'));
  await cdp.send('Emulation.setDefaultBackgroundColorOverride', {});
  assert.equal(shot.width, await host.page.evaluate(() => Math.round(innerWidth * devicePixelRatio)),
    'a screenshot in device pixels');
  const s = Math.fround(scale);
  const edge = (v) => Math.trunc(Math.fround(v * s));
  const inside = new Uint8Array(shot.width * shot.height);
  let seeThrough = 0, painted = 0;
  for (const [x, y, w, h] of rects) {
    for (let py = edge(y); py < Math.min(edge(y + h), shot.height); py++) {
      for (let px = edge(x); px < Math.min(edge(x + w), shot.width); px++) {
        inside[py * shot.width + px] = 1;
        if (shot.alpha(px, py) !== 255) seeThrough++;
      }
    }
  }
  for (let py = 0; py < shot.height; py++) {
    for (let px = 0; px < shot.width; px++) {
      if (!inside[py * shot.width + px] && shot.alpha(px, py) !== 0) painted++;
    }
  }
  return { seeThrough, painted };
}

async function lastRegion(host) {
  const regions = await host.postedOfType('region');
  return regions.length ? regions[regions.length - 1].rects : undefined;
}

async function showWithPads(host, pad) {
  await host.deliver({ type: 'file', name: 'vyr_pad.json', ok: true, text: JSON.stringify(PADS) });
  const from = await host.count();
  await host.deliver(pad === undefined ? '{"type":"show"}' : { type: 'show', pad });
  await host.page.locator('#panel').waitFor({ state: 'visible' });
  return from;
}

test('says ready, asks for pass-through and its two files, and drops the cover after its first paint', async () => {
  const host = await fresh();
  const ready = await host.waitPosted({ type: 'ready' });
  assert.equal(ready, 0, 'ready is the first message');
  await host.waitPosted({ type: 'load', file: 'vyr_overlay.json' });
  await host.waitPosted({ type: 'load', file: 'vyr_pad.json' });
  const cover = await host.waitPosted({ type: 'cover', on: false });
  const through = await host.waitPosted({ type: 'through', on: true });
  const region = await host.waitPostedWhere((m) => m.type === 'region');
  assert.ok(through < cover && region.index < cover, 'pass-through and the rectangles are known before the cover goes');
  assert.deepEqual(region.message.rects, [], 'nothing interactive while hidden');
  const logs = await host.postedOfType('log');
  assert.ok(logs.length >= 1 && logs.every((m) => typeof m.text === 'string' && m.text.length > 0));
  const bg = await host.page.evaluate(() => [document.documentElement, document.body]
    .map((el) => getComputedStyle(el).backgroundColor));
  assert.deepEqual(bg, ['rgba(0, 0, 0, 0)', 'rgba(0, 0, 0, 0)'], 'the page is transparent');
  assert.deepEqual(await host.postedOfType('cover'), [{ type: 'cover', on: false }], 'one cover message');
  assert.deepEqual(host.errors, []);
});

test('shows the pad of the show message and reports its card as laid out, in page pixels', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'cover', on: false });
  const from = await showWithPads(host, 'map');
  assert.equal(await host.text('#pad-title'), 'Map pad');
  assert.deepEqual(await host.page.locator('#pad-buttons button').allInnerTexts(), ['North gate', 'Ping']);
  assert.deepEqual(await host.page.locator('#pad-buttons button[data-cmd]').evaluateAll(
    (list) => list.map((b) => [b.dataset.cmd, b.dataset.arg])), [['open_map', 'north gate'], ['ping', '']]);
  await host.waitPostedWhere((m) => m.type === 'region' && m.rects.length > 0, from);
  await host.settle();
  const rects = await lastRegion(host);
  assert.deepEqual(rects, await cardBoxes(host), 'the card, on whole pixels');
  assert.equal(rects.length, 1, 'one card');
  assert.deepEqual(await outsideRects(host, '#panel *', rects), [], 'everything of the pad lies in its rectangle');

  // A pad text that names no layout is shown as it is, with the default pad.
  await host.deliver('{"type":"show","pad":"ab cd"}');
  await host.waitText('#pad-text', 'ab cd');
  assert.equal(await host.text('#pad-title'), 'VYR');

  // No pad at all.
  await host.deliver('{"type":"show"}');
  await host.page.waitForFunction(() => document.getElementById('pad-text').textContent === '');
  assert.deepEqual(host.errors, []);
});

test('a layout change is reported as new rectangles', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'cover', on: false });
  const from = await showWithPads(host, 'map');
  await host.waitPostedWhere((m) => m.type === 'region' && m.rects.length === 1, from);
  const before = await host.count();
  await host.page.setViewportSize({ width: 800, height: 600 });
  // Anchored top right: a narrower page moves every rectangle left by 200 pixels.
  const moved = await host.waitPostedWhere((m) => m.type === 'region', before);
  await host.settle();
  assert.deepEqual(moved.message.rects, await cardBoxes(host));
  await host.page.setViewportSize({ width: 1000, height: 700 });

  // A longer pad text wraps onto more lines: the card grows and the region with it.
  const [, , , height] = (await lastRegion(host))[0];
  const grow = await host.count();
  await host.deliver({ type: 'show', pad: 'a pad text long enough to wrap onto a second and a third line of the card' });
  await host.page.waitForFunction(([h, f]) => window.__host.posted.slice(f)
    .some((m) => m.type === 'region' && m.rects.length === 1 && m.rects[0][3] > h), [height, grow]);
  await host.settle();
  assert.deepEqual(await lastRegion(host), await cardBoxes(host));
  assert.deepEqual(host.errors, []);
});

test('relays the pad buttons to the game', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'cover', on: false });
  const from = await showWithPads(host, 'map');
  await host.page.locator('#pad-buttons button[data-cmd="open_map"]').click();
  await host.waitPosted({ type: 'game', cmd: 'open_map', arg: 'north gate' }, from);
  await host.page.locator('#pad-buttons').getByRole('button', { name: 'Ping' }).click();
  await host.waitPosted({ type: 'game', cmd: 'ping', arg: '' }, from);
  await host.waitText('#game-echo', 'ping');
  // The echo line made the card taller: the region followed.
  await host.page.waitForFunction(() => {
    const list = window.__host.posted.filter((m) => m.type === 'region');
    const r = document.getElementById('panel').getBoundingClientRect();
    return list.length && JSON.stringify(list[list.length - 1].rects) === JSON.stringify([[r.left, r.top, r.width, r.height]]);
  });
  assert.deepEqual(host.errors, []);
});

test('keeps pass-through on wherever the pointer goes: the rectangles alone take the mouse', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'cover', on: false });
  await showWithPads(host, 'map');
  await host.deliver('{"type":"note","note":"hi"}');
  await host.page.locator('#notes').waitFor({ state: 'visible' });
  // Over a pad button, over empty space, over the pad's text, over a note, and out of the page.
  const spots = [];
  for (const selector of ['#pad-buttons button[data-cmd="open_map"]', '#pad-title', '#note-list .dismiss', '#close']) {
    const box = await host.page.locator(selector).boundingBox();
    spots.push([box.x + box.width / 2, box.y + box.height / 2]);
  }
  for (const [x, y] of [spots[0], [100, 500], spots[1], spots[2], [300, 600], spots[3]]) {
    await host.page.mouse.move(x, y, { steps: 3 });
  }
  await host.page.evaluate(() => {
    for (const type of ['pointerout', 'pointerleave', 'mouseout', 'mouseleave']) {
      document.documentElement.dispatchEvent(new PointerEvent(type, { relatedTarget: null }));
    }
  });
  await host.page.mouse.move(spots[0][0], spots[0][1]);
  await host.settle();
  assert.deepEqual(await host.postedOfType('through'), [{ type: 'through', on: true }],
    'asked once, never taken back');

  // What the pointer visited and can click lies inside the rectangles.
  const rects = await lastRegion(host);
  assert.equal(rects.length, 2, 'the pad and the note');
  assert.deepEqual(await outsideRects(host, 'button, select, input', rects), []);
  assert.deepEqual(host.errors, []);
});

test('shows notes, string or object, and keeps only as many as the settings say', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'cover', on: false });
  await host.deliver('{"type":"file","name":"vyr_overlay.json","ok":true,"text":"{\\"notes\\":2}"}');
  const from = await host.count();
  await host.deliver('{"type":"note","note":"hi"}');
  await host.page.locator('#notes').waitFor({ state: 'visible' });
  await host.waitText('#note-list', 'hi');
  await host.deliver('{"type":"note","note":{"title":"Raid","text":"starts in 5 minutes"}}');
  await host.waitText('#note-list', 'starts in 5 minutes');
  assert.match(await host.text('#note-list'), /Raid/);
  await host.deliver('{"type":"note","note":42}');
  await host.waitText('#note-list', '42');
  assert.deepEqual(await host.page.locator('#note-list li[data-note]').evaluateAll((list) => list.map((li) => [
    (li.querySelector('[data-note-title]') || { textContent: '' }).textContent,
    li.querySelector('[data-note-text]').textContent])), [['Raid', 'starts in 5 minutes'], ['', '42']]);
  // Each note is a card of its own, with its dismiss button in it.
  await host.waitPostedWhere((m) => m.type === 'region' && m.rects.length === 2, from);
  await host.settle();
  assert.deepEqual(await lastRegion(host), await cardBoxes(host));
  await host.page.locator('#note-list .dismiss').first().click();
  await host.page.waitForFunction(() => document.querySelectorAll('#note-list li').length === 1);
  await host.page.locator('#note-list .dismiss').first().click();
  await host.page.locator('#notes').waitFor({ state: 'hidden' });
  assert.deepEqual(host.errors, []);
});

test('close hides the page and says so', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'cover', on: false });
  await showWithPads(host, 'map');
  await host.deliver('{"type":"note","note":"hi"}');
  await host.page.locator('#notes').waitFor({ state: 'visible' });
  const from = await host.count();
  await host.deliver('{"type":"close"}');
  await host.waitPosted({ type: 'hide' }, from);
  await host.page.locator('#panel').waitFor({ state: 'hidden' });
  await host.page.locator('#notes').waitFor({ state: 'hidden' });
  await host.waitPosted({ type: 'region', rects: [] }, from);

  // The page's own close button does the same.
  const again = await showWithPads(host, 'map');
  await host.page.getByRole('button', { name: 'Close' }).click();
  await host.waitPosted({ type: 'hide' }, again);
  await host.waitPosted({ type: 'region', rects: [] }, again);
  assert.deepEqual(host.errors, []);
});

test('pin asks the host for passive mode', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'cover', on: false });
  const from = await showWithPads(host, 'map');
  await host.page.getByRole('button', { name: 'Pin', exact: true }).click();
  await host.waitPosted({ type: 'mode', mode: 'passive' }, from);
  assert.deepEqual(host.errors, []);
});

test('keeps its settings through load and save', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'load', file: 'vyr_overlay.json' });
  // A file from before opacity went away still loads.
  const saved = { opacity: 70, scale: 120, corner: 'top-left', notes: 3 };
  await host.deliver({ type: 'file', name: 'vyr_overlay.json', ok: true, text: JSON.stringify(saved) });
  await host.page.waitForFunction(() => document.getElementById('overlay').className === 'corner-top-left');
  await host.page.waitForFunction(() => getComputedStyle(document.getElementById('overlay')).width === '360px');

  const from = await showWithPads(host, 'map');
  await host.page.getByRole('button', { name: 'Settings' }).click();
  await host.waitPosted({ type: 'modal', on: true }, from);
  assert.equal(await host.page.locator('#set-scale').inputValue(), '120');
  await host.page.locator('#set-corner').selectOption('bottom-right');
  await host.page.locator('#set-notes').fill('4');
  await host.page.getByRole('button', { name: 'Save' }).click();
  const save = await host.waitPostedWhere((m) => m.type === 'save' && m.file === 'vyr_overlay.json', from);
  assert.deepEqual(JSON.parse(save.message.text), { scale: 120, corner: 'bottom-right', notes: 4 });
  await host.deliver('{"type":"saved","name":"vyr_overlay.json","ok":true}');
  await host.waitText('#settings-state', 'Settings saved.');
  await host.deliver('{"type":"saved","name":"vyr_overlay.json","ok":false}');
  await host.waitText('#settings-state', 'The settings could not be saved.');
  await host.page.getByRole('button', { name: 'Cancel' }).click();
  await host.waitPosted({ type: 'modal', on: false }, from);
  assert.equal(await host.page.evaluate(() => document.getElementById('overlay').className), 'corner-bottom-right');
  await host.settle();
  assert.deepEqual(await lastRegion(host), await cardBoxes(host), 'the pad in its new corner, at its size');

  // A settings file that is missing or broken gives the defaults.
  await host.deliver('{"type":"file","name":"vyr_overlay.json","ok":true,"text":"{not json"}');
  await host.page.waitForFunction(() => document.getElementById('overlay').className === 'corner-top-right');
  assert.deepEqual(host.errors, []);
});

test('leaves a pad layout file when there is none, and uses the one there is', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'load', file: 'vyr_pad.json' });
  const from = await host.count();
  await host.deliver('{"type":"file","name":"vyr_pad.json","ok":false,"text":""}');
  const save = await host.waitPostedWhere((m) => m.type === 'save' && m.file === 'vyr_pad.json', from);
  const layout = JSON.parse(save.message.text);
  assert.deepEqual(layout, { kitVersion: KIT_PADS.version, kit: KIT_PADS.pads, pads: KIT_PADS.pads });

  // The name comes back as the page sent it or in any case.
  await host.deliver({ type: 'file', name: 'VYR_PAD.JSON', ok: true, text: JSON.stringify(PADS) });
  await host.deliver('{"type":"show","pad":"map"}');
  await host.waitText('#pad-title', 'Map pad');
  assert.equal((await host.postedOfType('save', from)).length, 1, 'a layout of this kit version is not overwritten');

  // A layout saved under an older kit: the player renamed Map and added Wave; the kit has since
  // added Inventory, renamed Pong to Ping and dropped Reload.
  const map = { label: 'Map', cmd: 'open_map', arg: '' };
  const older = { title: 'VYR', buttons: [map, { label: 'Pong', cmd: 'ping', arg: '' }, { label: 'Reload', cmd: 'reload_ui', arg: '' }] };
  const mine = { title: 'VYR', buttons: [{ ...map, label: 'World map' }, older.buttons[1], older.buttons[2], { label: 'Wave', cmd: 'emote', arg: 'wave' }] };
  const again = await host.count();
  await host.deliver({ type: 'file', name: 'vyr_pad.json', ok: true, text: JSON.stringify({ kitVersion: 0, kit: { '': older }, pads: { '': mine, map: PADS.pads.map } }) });
  const upgrade = JSON.parse((await host.waitPostedWhere((m) => m.type === 'save' && m.file === 'vyr_pad.json', again)).message.text);
  assert.equal(upgrade.kitVersion, KIT_PADS.version);
  assert.deepEqual(upgrade.kit, KIT_PADS.pads);
  assert.deepEqual(upgrade.pads.map, PADS.pads.map, 'a pad of the player\'s own stays');
  await host.deliver('{"type":"show"}');
  await host.page.waitForFunction(() => document.querySelectorAll('#pad-buttons button').length === 4);
  const shown = await host.page.locator('#pad-buttons button').evaluateAll((list) => list.map((b) => [b.textContent, b.dataset.cmd]));
  assert.deepEqual(shown, [['World map', 'open_map'], ['Inventory', 'open_inventory'], ['Ping', 'ping'], ['Wave', 'emote']]);
  assert.deepEqual(upgrade.pads[''].buttons.map((b) => b.label), shown.map(([label]) => label));

  // Saved again under this version, the upgraded layout is kept as it is.
  const kept = await host.count();
  await host.deliver({ type: 'file', name: 'vyr_pad.json', ok: true, text: JSON.stringify(upgrade) });
  await host.settle();
  assert.deepEqual(await host.postedOfType('save', kept), []);
  assert.deepEqual(host.errors, []);
});

test('dims while the game is away and comes back with it, opaque all along', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'cover', on: false });
  await showWithPads(host, 'map');
  const colours = () => host.page.evaluate(() => ['#panel', '#pad-buttons button']
    .map((s) => getComputedStyle(document.querySelector(s)).backgroundColor));
  const bright = await colours();
  await host.deliver('{"type":"away"}');
  await host.page.waitForFunction(() => document.body.classList.contains('away'));
  const dim = await colours();
  assert.notDeepEqual(dim, bright);
  for (const c of [...bright, ...dim]) assert.match(c, /^rgb\(/, 'no alpha');
  await host.deliver('{"type":"back"}');
  await host.page.waitForFunction(() => !document.body.classList.contains('away'));
  assert.deepEqual(await colours(), bright);
  assert.deepEqual(host.errors, []);
});

test('takes the host message and ignores what it does not know', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'cover', on: false });
  const from = await host.count();
  await host.deliver('{"type":"host","through":true,"hit":true}');
  await host.deliver('{"type":"something else","x":1}');
  await host.deliver('"a plain string"');
  await host.deliver('[1,2]');
  await host.deliver('{"no":"type"}');
  await host.settle();
  assert.deepEqual(await host.postedOfType('hide', from), []);
  assert.deepEqual(host.errors, []);
});

test('over the game: opaque inside every rectangle, nothing outside, at scale 1 and 1.5', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'cover', on: false });
  await showWithPads(host, 'map');
  await host.deliver('{"type":"note","note":"hi from the game side"}');
  await host.deliver('{"type":"note","note":{"title":"Raid","text":"starts in 5 minutes"}}');
  await host.page.locator('#pad-buttons button[data-cmd="open_map"]').click();
  await host.waitText('#game-echo', 'open_map');
  await host.page.getByRole('button', { name: 'Settings' }).click();
  await host.page.locator('#settings').waitFor({ state: 'visible' });
  await host.page.mouse.move(10, 690);
  await host.settle();
  let rects = await lastRegion(host);
  assert.deepEqual(rects, await cardBoxes(host));
  assert.equal(rects.length, 4, 'the pad, two notes and the settings');
  const cdp = await host.page.context().newCDPSession(host.page);
  assert.deepEqual(await opacityFaults(host, cdp, rects, 1), { seeThrough: 0, painted: 0 });

  // The same window on a monitor at 150 %: fewer page pixels, half-pixel edges. The page
  // reports again, and the host's scaled, truncated edges stay on pixels it paints.
  const from = await host.count();
  await cdp.send('Emulation.setDeviceMetricsOverride', { width: 667, height: 467, deviceScaleFactor: 1.5, mobile: false });
  await host.waitPostedWhere((m) => m.type === 'region', from);
  await host.settle();
  rects = await lastRegion(host);
  assert.equal(rects.length, 4);
  assert.equal((await opacityFaults(host, cdp, rects, 1.5)).seeThrough, 0);
  await cdp.send('Emulation.clearDeviceMetricsOverride');
  await host.page.setViewportSize({ width: 1000, height: 700 });

  // For people: the page over a game-coloured backdrop.
  await cdp.send('Emulation.setDefaultBackgroundColorOverride', { color: { r: 38, g: 64, b: 52, a: 1 } });
  await host.settle();
  assert.deepEqual(await host.pixel(200, 400), [38, 64, 52, 255]);
  await host.screenshot('overlay.png');
  assert.deepEqual(host.errors, []);
});

test('the preview: its panel plays the game side and the host for the page, in an ordinary browser', async () => {
  const preview = await require('../../scripts/preview').start({ port: 0 });
  const page = await browser.context.newPage();
  try {
    const errors = [];
    page.on('pageerror', (e) => errors.push(String(e)));
    await page.setViewportSize({ width: 1660, height: 1000 });
    await page.goto(preview.url + '?page=overlay');
    await page.waitForFunction(() => /cover off/.test(document.getElementById('state').textContent));
    const frame = page.frameLocator('#page');
    await page.locator('#pad').fill('map');
    await page.getByRole('button', { name: 'show', exact: true }).click();
    await page.getByRole('button', { name: 'note', exact: true }).click();
    await frame.locator('#note-list [data-note-title]').getByText('Raid').waitFor();
    // The page wrote its layout through the panel's file store; its button reaches the game side.
    await frame.locator('#pad-buttons button[data-cmd="open_map"]').click();
    await page.locator('#messages li.game', { hasText: 'VYRO game open_map' }).waitFor();
    await page.locator('#messages li.host', { hasText: '"type":"saved","name":"vyr_pad.json","ok":true' }).waitFor();
    await page.waitForFunction(() => /mode active.*\n.*2 rectangle/.test(document.getElementById('state').textContent));
    assert.deepEqual(errors, []);
  } finally {
    await page.close();
    preview.close();
  }
});
