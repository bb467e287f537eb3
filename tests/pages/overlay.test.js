// The overlay page against a stand-in overlay_host: every message it sends and every
// host message it handles.
'use strict';

const assert = require('node:assert/strict');
const path = require('node:path');
const { test, before, after } = require('node:test');
const { ROOT, serve, launch, openPage } = require('./harness');

const WEB = path.join(ROOT, 'kit', 'overlay', 'web');
const PADS = {
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

// What the page's interactive elements cover right now, in page pixels.
function visibleHitRects(host) {
  return host.page.evaluate(() => Array.from(document.querySelectorAll('[data-hit]'))
    .filter((el) => el.getClientRects().length)
    .map((el) => {
      const r = el.getBoundingClientRect();
      const x = Math.floor(r.left), y = Math.floor(r.top);
      return [x, y, Math.ceil(r.right) - x, Math.ceil(r.bottom) - y];
    }));
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

test('says ready, asks for its two files and drops the cover after its first paint', async () => {
  const host = await fresh();
  const ready = await host.waitPosted({ type: 'ready' });
  assert.equal(ready, 0, 'ready is the first message');
  await host.waitPosted({ type: 'load', file: 'vyr_overlay.json' });
  await host.waitPosted({ type: 'load', file: 'vyr_pad.json' });
  const cover = await host.waitPosted({ type: 'cover', on: false });
  const region = await host.waitPostedWhere((m) => m.type === 'region');
  assert.ok(region.index < cover, 'the rectangles are known before the cover goes');
  assert.deepEqual(region.message.rects, [], 'nothing interactive while hidden');
  const logs = await host.postedOfType('log');
  assert.ok(logs.length >= 1 && logs.every((m) => typeof m.text === 'string' && m.text.length > 0));
  const bg = await host.page.evaluate(() => [document.documentElement, document.body]
    .map((el) => getComputedStyle(el).backgroundColor));
  assert.deepEqual(bg, ['rgba(0, 0, 0, 0)', 'rgba(0, 0, 0, 0)'], 'the page is transparent');
  assert.deepEqual(await host.postedOfType('cover'), [{ type: 'cover', on: false }], 'one cover message');
  assert.deepEqual(host.errors, []);
});

test('shows the pad of the show message and reports its rectangles in page pixels', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'cover', on: false });
  const from = await showWithPads(host, 'map');
  assert.equal(await host.text('#pad-title'), 'Map pad');
  assert.deepEqual(await host.page.locator('#pad-buttons button').allInnerTexts(), ['North gate', 'Ping']);
  await host.waitPostedWhere((m) => m.type === 'region' && m.rects.length > 0, from);
  await host.settle();
  const rects = await lastRegion(host);
  assert.deepEqual(rects, await visibleHitRects(host));
  assert.equal(rects.length, 5, 'pin, settings, close and the two pad buttons');
  for (const r of rects) assert.ok(r.every(Number.isInteger) && r[2] > 0 && r[3] > 0);

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
  await host.waitPostedWhere((m) => m.type === 'region' && m.rects.length === 5, from);
  const before = await host.count();
  await host.page.setViewportSize({ width: 800, height: 600 });
  // Anchored top right: a narrower page moves every rectangle left by 200 pixels.
  const moved = await host.waitPostedWhere((m) => m.type === 'region', before);
  await host.settle();
  assert.deepEqual(moved.message.rects, await visibleHitRects(host));
  await host.page.setViewportSize({ width: 1000, height: 700 });
  assert.deepEqual(host.errors, []);
});

test('relays the pad buttons to the game', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'cover', on: false });
  const from = await showWithPads(host, 'map');
  await host.page.getByRole('button', { name: 'North gate' }).click();
  await host.waitPosted({ type: 'game', cmd: 'open_map', arg: 'north gate' }, from);
  await host.page.locator('#pad-buttons').getByRole('button', { name: 'Ping' }).click();
  await host.waitPosted({ type: 'game', cmd: 'ping', arg: '' }, from);
  await host.waitText('#game-echo', 'ping');
  assert.deepEqual(host.errors, []);
});

test('asks for pass-through only while nothing interactive is under the pointer', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'cover', on: false });
  await showWithPads(host, 'map');
  let from = await host.count();
  await host.page.mouse.move(100, 500);
  await host.waitPosted({ type: 'through', on: true }, from);

  from = await host.count();
  const box = await host.page.getByRole('button', { name: 'North gate' }).boundingBox();
  await host.page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  await host.waitPosted({ type: 'through', on: false }, from);

  // Another interactive element: no new request. Back to the empty area: one request.
  const close = await host.page.getByRole('button', { name: 'Close' }).boundingBox();
  await host.page.mouse.move(close.x + 3, close.y + 3);
  await host.page.mouse.move(300, 600);
  await host.waitPosted({ type: 'through', on: true }, from);
  await host.settle();
  const through = await host.postedOfType('through', from);
  assert.deepEqual(through, [{ type: 'through', on: false }, { type: 'through', on: true }]);

  // The pad's own text is not interactive.
  const title = await host.page.locator('#pad-title').boundingBox();
  from = await host.count();
  await host.page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  await host.page.mouse.move(title.x + 2, title.y + 2);
  await host.waitPosted({ type: 'through', on: true }, from);
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
  assert.equal(await host.page.locator('#note-list li').count(), 2);
  assert.doesNotMatch(await host.text('#note-list'), /\bhi\b/);
  // Each note's dismiss button takes the mouse.
  await host.waitPostedWhere((m) => m.type === 'region' && m.rects.length === 2, from);
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
  const saved = { opacity: 70, scale: 120, corner: 'top-left', notes: 3 };
  await host.deliver({ type: 'file', name: 'vyr_overlay.json', ok: true, text: JSON.stringify(saved) });
  await host.page.waitForFunction(() => document.getElementById('overlay').className === 'corner-top-left');
  await host.page.waitForFunction(() => getComputedStyle(document.getElementById('overlay')).opacity === '0.7');

  const from = await showWithPads(host, 'map');
  await host.page.getByRole('button', { name: 'Settings' }).click();
  await host.waitPosted({ type: 'modal', on: true }, from);
  assert.equal(await host.page.locator('#set-opacity').inputValue(), '70');
  await host.page.locator('#set-corner').selectOption('bottom-right');
  await host.page.locator('#set-notes').fill('4');
  await host.page.getByRole('button', { name: 'Save' }).click();
  const save = await host.waitPostedWhere((m) => m.type === 'save' && m.file === 'vyr_overlay.json', from);
  assert.deepEqual(JSON.parse(save.message.text), { opacity: 70, scale: 120, corner: 'bottom-right', notes: 4 });
  await host.deliver('{"type":"saved","name":"vyr_overlay.json","ok":true}');
  await host.waitText('#settings-state', 'Settings saved.');
  await host.deliver('{"type":"saved","name":"vyr_overlay.json","ok":false}');
  await host.waitText('#settings-state', 'The settings could not be saved.');
  await host.page.getByRole('button', { name: 'Cancel' }).click();
  await host.waitPosted({ type: 'modal', on: false }, from);
  assert.equal(await host.page.evaluate(() => document.getElementById('overlay').className), 'corner-bottom-right');

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
  assert.ok(layout.pads && layout.pads[''] && layout.pads[''].buttons.length > 0);

  // The name comes back as the page sent it or in any case.
  await host.deliver({ type: 'file', name: 'VYR_PAD.JSON', ok: true, text: JSON.stringify(PADS) });
  await host.deliver('{"type":"show","pad":"map"}');
  await host.waitText('#pad-title', 'Map pad');
  assert.equal((await host.postedOfType('save', from)).length, 1, 'an existing layout is not overwritten');
  assert.deepEqual(host.errors, []);
});

test('dims while the game is away and comes back with it', async () => {
  const host = await fresh();
  await host.waitPosted({ type: 'cover', on: false });
  await showWithPads(host, 'map');
  const opacity = () => host.page.evaluate(() => Number(getComputedStyle(document.getElementById('overlay')).opacity));
  await host.page.waitForFunction(() => getComputedStyle(document.getElementById('overlay')).opacity === '0.9');
  await host.deliver('{"type":"away"}');
  await host.page.waitForFunction(() => Number(getComputedStyle(document.getElementById('overlay')).opacity) < 0.5);
  assert.ok(await host.page.evaluate(() => document.body.classList.contains('away')));
  await host.deliver('{"type":"back"}');
  await host.page.waitForFunction(() => getComputedStyle(document.getElementById('overlay')).opacity === '0.9');
  assert.equal(await opacity(), 0.9);
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

test('screenshot of the overlay page over a game-coloured backdrop', async () => {
  const host = await fresh();
  // The host's window shows whatever lies under the transparent page; paint a stand-in.
  const cdp = await host.page.context().newCDPSession(host.page);
  await cdp.send('Emulation.setDefaultBackgroundColorOverride', { color: { r: 38, g: 64, b: 52, a: 1 } });
  await host.waitPosted({ type: 'cover', on: false });
  await showWithPads(host, 'map');
  await host.deliver('{"type":"note","note":"hi from the game side"}');
  await host.deliver('{"type":"note","note":{"title":"Raid","text":"starts in 5 minutes"}}');
  await host.page.getByRole('button', { name: 'North gate' }).click();
  await host.waitText('#game-echo', 'open_map');
  await host.page.mouse.move(10, 690);
  await host.settle();
  // Outside its cards the page lets the backdrop through untouched.
  assert.deepEqual(await host.pixel(200, 400), [38, 64, 52, 255]);
  await host.screenshot('overlay.png');
  assert.deepEqual(host.errors, []);
});
