// The launcher page against a stand-in launcher: every request it sends and every reply
// and refusal it must show.
'use strict';

const assert = require('node:assert/strict');
const path = require('node:path');
const { test, before, after } = require('node:test');
const { ROOT, serve, launch, openPage } = require('./harness');

const WEB = path.join(ROOT, 'kit', 'launcher', 'web');
const GAME = 'C:\\Games\\Cindergale';
const KIT = 'C:\\Games\\Cindergale\\vyr';
const HELLO = '{"type":"hello","version":"1.4.2","kit":"C:\\\\Games\\\\Cindergale\\\\vyr",' +
  '"server":"vyr.example.net","sandbox":false}';

let site;
let browser;
let current;

before(async () => {
  site = await serve(WEB);
  browser = await launch();
});

after(async () => {
  if (browser) await browser.close();
  if (site) site.server.close();
});

async function fresh() {
  if (current) await current.page.close();
  current = await openPage(browser, site.origin);
  await current.waitPosted({ cmd: 'hello' });
  return current;
}

async function startAction(host, button, game = GAME) {
  await host.page.locator('#game').fill(game);
  const from = await host.count();
  await host.page.locator('#' + button).click();
  return from;
}

test('greets, asks the status and checks the server at start', async () => {
  const host = await fresh();
  const posted = await host.posted();
  assert.deepEqual(posted.slice(0, 3), [{ cmd: 'hello' }, { cmd: 'status' }, { cmd: 'server' }]);
  assert.deepEqual(host.errors, []);
});

test('shows version, kit, server and sandbox state from hello', async () => {
  const host = await fresh();
  await host.deliver(HELLO);
  await host.waitText('#version', '1.4.2');
  assert.equal(await host.text('#kit'), KIT);
  assert.equal(await host.text('#server-name'), 'vyr.example.net');
  assert.match(await host.text('#sandbox'), /^normal/);
  await host.deliver('{"type":"hello","version":"1.4.2","kit":"C:\\\\k","server":"","sandbox":true}');
  await host.waitText('#sandbox', 'sandbox');
  assert.equal(await host.text('#server-name'), 'none set in launcher.json');
  assert.deepEqual(host.errors, []);
});

test('shows the state in a sentence and a badge, the next thing to do as the primary button', async () => {
  const host = await fresh();
  const primary = () => host.page.locator('#primary-slot button').getAttribute('id');
  const cases = [
    [{ installed: false, summary: 'The kit is not installed in this game.' }, 'Not installed', 'install'],
    [{ installed: true, summary: 'The kit is installed.' }, 'Installed', 'play'],
    [{ installed: true, missingFiles: ['package/x.lua'] }, 'Changed files', 'repair'],
    [{ installed: true, hostsRedirected: false }, 'Changed files', 'repair'],
    [{ installed: true, interrupted: true }, 'Interrupted run', 'repair'],
    [{ installed: false, gameFound: false }, 'Game not found', 'install'],
    [{ installed: true, kitVersion: '1.1', installedVersion: '1.0' }, 'Update ready', 'install'],
    [{ installed: true, busy: true }, 'Busy', 'repair']
  ];
  for (const [fields, badge, next] of cases) {
    await host.deliver({ type: 'status', raw: JSON.stringify({ ok: true, hostsRedirected: true, ...fields }) });
    await host.waitText('#badge', badge);
    assert.equal(await primary(), next, badge);
  }
  await host.waitPosted({ cmd: 'status' }, await host.count()); // asked again while another action runs
  // Members a kit's own script adds are listed under Details.
  await host.deliver({ type: 'status', raw: JSON.stringify({ ok: true, installed: true, gameVersion: '2.11.0', patches: ['hud'] }) });
  await host.waitText('#status-more', 'Game version');
  assert.match(await host.page.locator('#status-more').textContent(), /2\.11\.0.*hud/);

  await host.deliver('{"type":"status","raw":""}');
  await host.waitText('#status-note', 'The kit script gave no status.');
  await host.deliver('{"type":"status","raw":"","why":"Windows PowerShell could not be started"}');
  await host.waitText('#status-note', 'Windows PowerShell could not be started. The kit script could not run');
  await host.deliver('{"type":"status","raw":"{broken"}');
  await host.waitText('#status-note', 'could not be read: {broken');
  assert.equal(await host.text('#badge'), 'Unknown');

  const from = await host.count();
  await host.page.getByRole('button', { name: 'Refresh' }).click();
  await host.waitPosted({ cmd: 'status' }, from);
  assert.deepEqual(host.errors, []);
});

// The bar's share and whether it only sweeps (no plan yet).
const bar = (host) => host.page.evaluate(() => [document.getElementById('bar').getAttribute('aria-valuenow'),
  document.getElementById('bar').classList.contains('indeterminate')]);

test('runs install with steps counted on a bar, the log behind Details, and shows the result', async () => {
  const host = await fresh();
  const from = await startAction(host, 'install');
  await host.waitPosted({ cmd: 'act', action: 'install', game: GAME }, from);
  await host.waitText('#message', 'Install is running');
  assert.ok(await host.page.locator('#repair').isDisabled());
  // A script that writes no plan: the bar sweeps and the lines are the words.
  await host.deliver('{"type":"log","line":"copying files"}');
  await host.waitText('#step', 'Copying files.');
  assert.deepEqual(await bar(host), [null, true]);
  await host.deliver('{"type":"log","line":"plan: 4 steps, 48213 bytes to write"}');
  await host.deliver('{"type":"log","line":"step 1/4: placed package\\\\script\\\\vyr_overlay.lua"}');
  await host.waitText('#step', 'Step 1 of 4: placed package\\script\\vyr_overlay.lua');
  assert.equal(await host.text('#bytes'), '47 KB to write');
  await host.deliver('{"type":"log","line":"step 3/4: pointed the host names at the kit\\u2019s server"}');
  await host.waitText('#step', 'Step 3 of 4');
  assert.deepEqual(await bar(host), ['75', false]);
  assert.ok(!(await host.page.locator('#log').isVisible()), 'the log waits behind Details');
  await host.page.locator('#log-toggle').click();
  await host.waitText('#log', 'copying files');
  const raw = JSON.stringify({ ok: true, message: 'The kit 1.0 is installed: 4 files placed.' });
  const done = await host.count();
  await host.deliver({ type: 'done', action: 'install', exit: 0, raw });
  await host.waitText('#message', 'Install finished successfully.');
  assert.equal(await host.text('#result'), 'The kit 1.0 is installed: 4 files placed.');
  assert.deepEqual(await bar(host), ['100', false]);
  assert.ok(!(await host.page.locator('#repair').isDisabled()));
  // The installation has changed: the page asks for the status again.
  await host.waitPosted({ cmd: 'status' }, done);
  assert.deepEqual(host.errors, []);
});

test('keeps a changed file: its SHA-256 goes with the status and with Repair, and is remembered', async () => {
  const host = await fresh();
  const mine = 'ab'.repeat(32);
  const other = 'CD'.repeat(32);
  const status = (kept) => ({
    type: 'status',
    raw: JSON.stringify({
      ok: true,
      summary: 'The VYR kit 1.0 is installed. 2 of its files differ from the kit.',
      installed: true,
      changedFiles: [
        { path: 'package/config/vyr_overlay.ini', sha256: other, kept: false, from: 'the kit' },
        { path: 'package/script/vyr_overlay.lua', sha256: mine, kept: kept, from: 'the kit' }
      ],
      hostsRedirected: true
    })
  });
  await host.deliver(status(false));
  await host.waitText('#status-note', 'The VYR kit 1.0 is installed. 2 of its files differ from the kit.');
  await host.waitText('#status', 'package/script/vyr_overlay.lua');
  assert.equal(await host.text('#badge'), 'Changed files');
  const keep = host.page.locator('#status li', { hasText: 'vyr_overlay.lua' }).getByRole('button');
  assert.equal(await keep.innerText(), 'Keep my version');

  let from = await host.count();
  await keep.click();
  await host.waitPosted({ cmd: 'status', keepSha: mine }, from);
  await host.deliver(status(true));
  await host.waitText('#status', 'kept: Repair leaves it as it is');
  assert.equal(await keep.innerText(), 'Let Repair put it back');

  from = await startAction(host, 'repair');
  await host.waitPosted({ cmd: 'act', action: 'repair', game: GAME, keepSha: mine }, from);
  await host.deliver('{"type":"done","action":"repair","exit":0,"raw":"{\\"ok\\":true}"}');
  // The status after the action carries the choice too.
  await host.waitPosted({ cmd: 'status', keepSha: mine }, from);
  from = await startAction(host, 'install');
  await host.waitPosted({ cmd: 'act', action: 'install', game: GAME }, from);
  await host.deliver('{"type":"done","action":"install","exit":0,"raw":""}');

  // The next start remembers the choice; letting Repair put the file back forgets it.
  const again = await fresh();
  await again.waitPosted({ cmd: 'status', keepSha: mine });
  await again.deliver(status(true));
  const back = again.page.locator('#status li', { hasText: 'vyr_overlay.lua' }).getByRole('button');
  await again.waitText('#status', 'kept: Repair leaves it as it is');
  from = await again.count();
  await back.click();
  await again.waitPosted({ cmd: 'status' }, from);
  from = await startAction(again, 'repair');
  await again.waitPosted({ cmd: 'act', action: 'repair', game: GAME }, from);
  assert.deepEqual(host.errors, []);
  assert.deepEqual(again.errors, []);
});

test('repair says what it put back; a failing script says what happened and what to do', async () => {
  const host = await fresh();
  let from = await startAction(host, 'repair');
  await host.waitPosted({ cmd: 'act', action: 'repair', game: GAME }, from);
  await host.deliver('{"type":"done","action":"repair","exit":3,"raw":""}');
  await host.waitText('#message', 'Repair failed (exit code 3).');
  await host.waitText('#result', 'The script left no result.');

  await startAction(host, 'repair');
  await host.deliver({ type: 'done', action: 'repair', exit: 0, raw: '{"ok":true,"restored":["package/x.lua","hosts file"]}' });
  await host.waitText('#result', 'hosts file');
  assert.match(await host.text('#result'), /^Put back:\s+package\/x\.lua\s+hosts file$/);
  await startAction(host, 'repair');
  await host.deliver({ type: 'done', action: 'repair', exit: 0, raw: '{"ok":true,"restored":[]}' });
  await host.waitText('#result', 'Nothing needed putting back.');

  from = await startAction(host, 'uninstall');
  await host.waitPosted({ cmd: 'act', action: 'uninstall', game: GAME }, from);
  await host.deliver('{"type":"done","action":"uninstall","exit":0,"raw":"{\\"removed\\":true}"}');
  await host.waitText('#message', 'Uninstall finished successfully.');
  assert.match(await host.page.locator('#result-raw').textContent(), /Removedyes/);

  // A script that says why it failed: the page says it in those words, and what to do next.
  for (const [why, next] of [
    ['placing package/x failed: No space left on device.', 'What to do: Free some space'],
    ['placing package/x failed: package/x is in use: close Cindergale, then try again.', ''],
    ['the kit\'s settings cannot be read: bad JSON.', 'What to do: Try again. If it fails the same way']]) {
    await startAction(host, 'install');
    await host.deliver({ type: 'done', action: 'install', exit: 1,
      raw: JSON.stringify({ ok: false, why, steps: [], rolledBack: true, warnings: [] }) });
    await host.waitText('#message', 'Install failed: ' + why);
    await host.waitText('#result', 'Nothing was changed: the kit undid this run\u2019s steps.');
    if (next) await host.waitText('#result', next);
    else assert.doesNotMatch(await host.text('#result'), /What to do/);
  }
  assert.deepEqual(host.errors, []);
});

test('every refusal of an action is said in plain words', async () => {
  const host = await fresh();
  const cases = [
    ['the game folder was not found', 'Install did not run: the game folder was not found. Type the folder'],
    ['cancelled', 'Install did not run: cancelled. Windows asked for permission and it was not given.'],
    ['it could not be started (error 2)', 'Install did not run: it could not be started (error 2).']
  ];
  for (const [why, shown] of cases) {
    await startAction(host, 'install');
    await host.deliver({ type: 'done', ok: false, action: 'install', why });
    await host.waitText('#message', shown);
    assert.ok(!(await host.page.locator('#install').isDisabled()), 'the buttons come back');
  }
  await startAction(host, 'install');
  await host.deliver('{"type":"done","ok":false,"action":"install"}');
  await host.waitText('#message', 'Install did not run: the launcher did not say why.');

  // A second action while one runs: the first goes on, the page stays busy.
  await startAction(host, 'install');
  await host.deliver('{"type":"done","ok":false,"why":"another action is still running"}');
  await host.waitText('#message', 'did not run: another action is still running. Wait until it has finished.');
  assert.ok(await host.page.locator('#install').isDisabled(), 'still busy with the first');
  await host.deliver('{"type":"done","action":"install","exit":0,"raw":""}');
  await host.waitText('#message', 'Install finished successfully.');
  assert.deepEqual(host.errors, []);
});

test('picks the Rookmere kit zip and installs it', async () => {
  const host = await fresh();
  let from = await host.count();
  await host.page.locator('#pickzip').click();
  await host.waitPosted({ cmd: 'pickzip' }, from);
  await host.deliver('{"type":"picked","path":""}');
  await host.waitText('#message', 'No file was chosen.');

  from = await startAction(host, 'rookmere');
  await host.waitPosted({ cmd: 'act', action: 'rookmere', game: GAME }, from);
  await host.deliver('{"type":"done","ok":false,"action":"rookmere","why":"no Rookmere kit was chosen"}');
  await host.waitText('#message', 'did not run: no Rookmere kit was chosen. Choose the zip');

  const zip = 'C:\\Users\\p\\Downloads\\rookmere kit.zip';
  await host.deliver({ type: 'picked', path: zip });
  await host.waitText('#zip', zip);
  from = await startAction(host, 'rookmere');
  await host.waitPosted({ cmd: 'act', action: 'rookmere', game: GAME, rookmereZip: zip }, from);
  await host.deliver('{"type":"done","action":"rookmere","exit":0,"raw":""}');
  await host.waitText('#message', 'The Rookmere kit install finished successfully.');

  await host.page.locator('#download').check();
  from = await startAction(host, 'rookmere');
  await host.waitPosted({ cmd: 'act', action: 'rookmere', game: GAME, rookmereDownload: true }, from);
  assert.deepEqual(host.errors, []);
});

test('checks the server and says what came back', async () => {
  const host = await fresh();
  await host.deliver('{"type":"server","ok":true,"ms":87,"status":"{\\"open\\":true}","manifest":""}');
  await host.waitText('#server-state', 'Server: reachable');
  await host.page.locator('#details-toggle').click();
  assert.equal(await host.text('#server-answer'), 'answered in 87 ms; status received, update manifest not received');
  assert.ok(await host.page.locator('#server-docs').isVisible());
  await host.page.keyboard.press('Escape');
  assert.ok(!(await host.page.locator('#details').isVisible()));

  // Offline is not a failure: the kit installs and plays without its server.
  await host.deliver('{"type":"server","ok":false,"ms":12004,"status":"","manifest":""}');
  await host.waitText('#server-state', 'Server: not reachable: you can still install and play');
  assert.ok(!(await host.page.locator('#server-docs').isVisible()));

  await host.deliver('{"type":"server","ok":false,"why":"no server in launcher.json"}');
  await host.waitText('#server-state', 'Server: none set: you can still install and play');

  const from = await host.count();
  await host.page.getByRole('button', { name: 'Check' }).click();
  await host.waitPosted({ cmd: 'server' }, from);
  await host.waitText('#server-state', 'checking');
  assert.deepEqual(host.errors, []);
});

test('opens the game and kit folders', async () => {
  const host = await fresh();
  await host.deliver(HELLO);
  await host.waitText('#kit', KIT);
  await host.page.locator('#game').fill(GAME);
  let from = await host.count();
  await host.page.getByRole('button', { name: 'Open folder', exact: true }).click();
  await host.waitPosted({ cmd: 'folder', path: GAME }, from);
  from = await host.count();
  await host.page.getByRole('button', { name: 'Open kit folder' }).click();
  await host.waitPosted({ cmd: 'folder', path: KIT }, from);

  await host.page.locator('#game').fill('');
  from = await host.count();
  await host.page.getByRole('button', { name: 'Open folder', exact: true }).click();
  await host.waitText('#message', 'Type the game folder first.');
  assert.deepEqual(await host.postedOfType('folder', from), []);
  assert.deepEqual(host.errors, []);
});

test('starts the game', async () => {
  const host = await fresh();
  let from = await host.count();
  await host.page.getByRole('button', { name: 'Play' }).click();
  await host.waitPosted({ cmd: 'play' }, from);
  await host.deliver('{"type":"played","ok":true}');
  await host.waitText('#message', 'The game is starting through Steam.');
  await host.deliver('{"type":"played","ok":false}');
  await host.waitText('#message', 'The game could not be started.');
  assert.deepEqual(host.errors, []);
});

test('remembers the game folder and ignores what it does not know', async () => {
  const host = await fresh();
  await startAction(host, 'install', 'D:\\Cindergale');
  await host.deliver('{"type":"done","action":"install","exit":0,"raw":""}');
  const again = await fresh();
  assert.equal(await again.page.locator('#game').inputValue(), 'D:\\Cindergale');
  await again.deliver('{"type":"nothing"}');
  await again.deliver('"text"');
  await again.deliver('{"cmd":"hello"}');
  await again.settle();
  assert.deepEqual(again.errors, []);
});

// What the reference script reports, with `fields` over it.
const status = (fields) => ({ type: 'status', raw: JSON.stringify({ ok: true, summary: '', installed: true,
  kitName: 'VYR Ferrowake kit', kitTitle: 'VYR Ferrowake', kitVersion: '1.0', installedVersion: '1.0', game: GAME,
  gameFound: true, changedFiles: [], missingFiles: [], hostsRedirected: true, hostsFile: 'C:\\Windows\\System32\\drivers\\etc\\hosts',
  sandbox: false, kit: KIT, interrupted: false, busy: false, ...fields }) });

// The page in the launcher's window: nothing scrolls, then a screenshot.
async function shoot(host, name, width = 1280, height = 720) {
  await host.page.setViewportSize({ width, height });
  await host.settle();
  const [w, h, iw, ih] = await host.page.evaluate(() => [document.scrollingElement.scrollWidth,
    document.scrollingElement.scrollHeight, innerWidth, innerHeight]);
  assert.ok(w <= iw && h <= ih, `${name}: the page scrolls (${w} x ${h} in ${iw} x ${ih})`);
  await host.screenshot(name);
}

test('each state fits the window without scrolling: first start, installed, changed files, mid-action, failed', async () => {
  const host = await fresh();
  await host.deliver(HELLO);
  await host.deliver('{"type":"server","ok":false,"ms":8012,"status":"","manifest":""}');
  await host.deliver(status({ installed: false, installedVersion: '', hostsRedirected: false,
    summary: 'The VYR Ferrowake kit 1.0 is not installed in this game. Install places its files and points the game\'s host names at the kit\'s server.' }));
  await host.waitText('#badge', 'Not installed');
  await shoot(host, 'launcher-first-start.png');
  await host.page.setViewportSize({ width: 980, height: 600 });
  // Every control is reached with Tab, in order.
  const reached = [];
  for (let i = 0; i < 13; i++) reached.push(await host.page.keyboard.press('Tab').then(() => host.page.evaluate(() => document.activeElement.id)));
  assert.deepEqual(reached, ['check', 'details-toggle', 'refresh', 'install', 'repair', 'play', 'uninstall',
    'game', 'open-game', 'open-kit', 'pickzip', 'download', 'rookmere']);
  await host.page.keyboard.press('Shift+Tab');
  await host.page.keyboard.press('Shift+Tab');
  assert.equal(await host.page.evaluate(() => getComputedStyle(document.activeElement).outlineStyle), 'solid');
  await shoot(host, 'launcher-first-start-980.png', 980, 600);
  await host.page.evaluate(() => document.activeElement.blur());

  await host.deliver('{"type":"server","ok":true,"ms":87,"status":"{\\"open\\":true}","manifest":"{\\"files\\":[]}"}');
  await host.deliver(status({ summary: 'The VYR Ferrowake kit 1.0 is installed. Every file is as the kit placed it. The game\'s host names point at the kit\'s server.' }));
  await host.waitText('#badge', 'Installed');
  await shoot(host, 'launcher-installed.png');
  await host.page.locator('#details-toggle').click();
  await shoot(host, 'launcher-details.png');
  await host.page.locator('#details-close').click();

  const changed = (n) => Array.from({ length: n }, (_, i) => ({ path: `package\\script\\vyr_part_${i}.lua`,
    sha256: (i % 10).toString().repeat(64), kept: false, from: 'the kit', size: 1200 + 733 * i }));
  const changedStatus = status({ changedFiles: changed(14), missingFiles: ['package\\config\\vyr_overlay.ini'],
    summary: 'The VYR Ferrowake kit 1.0 is installed. 15 of its files differ from the kit or are missing: Repair puts them back. The game\'s host names point at the kit\'s server.' });
  await host.deliver(changedStatus);
  await host.waitText('#badge', 'Changed files');
  await shoot(host, 'launcher-changed.png');
  await shoot(host, 'launcher-changed-980.png', 980, 600);

  await startAction(host, 'repair');
  await host.deliver({ type: 'log', line: 'repair: kit C:\\Games\\Cindergale, game C:\\Games\\Cindergale (script 1.0, PowerShell 5.1)' });
  await host.deliver({ type: 'log', line: 'plan: 16 steps, 48213 bytes to write' });
  for (let k = 1; k <= 6; k++) await host.deliver({ type: 'log', line: `step ${k}/16: put back package\\script\\vyr_part_${k}.lua` });
  await host.page.locator('#log-toggle').click();
  await host.waitText('#step', 'Step 6 of 16');
  await shoot(host, 'launcher-mid-action.png');
  await shoot(host, 'launcher-mid-action-980.png', 980, 600);

  const why = 'placing package\\script\\vyr_part_7.lua failed: package\\script\\vyr_part_7.lua is in use: close Cindergale, then try again.';
  for (const line of ['failed: ' + why, 'rolled back: 6 of 6 changes of this run undone', 'repair: failed - ' + why])
    await host.deliver({ type: 'log', line });
  await host.deliver({ type: 'done', action: 'repair', exit: 1, raw: JSON.stringify({ ok: false, action: 'repair', why, rolledBack: true, warnings: [] }) });
  await host.waitText('#message', 'Repair failed');
  await host.deliver(changedStatus);
  await host.waitText('#status', 'vyr_part_0.lua');
  await shoot(host, 'launcher-failed.png');
  assert.deepEqual(host.errors, []);
});

test('a renamed kit shows its own title, name and versions, apart from the launcher\'s', async () => {
  const host = await fresh();
  await host.deliver(HELLO);
  await host.deliver(status({ kitName: 'Ashgrove relay kit', kitTitle: 'Ashgrove Relay', kitVersion: '3.2',
    installedVersion: '3.1', summary: 'The Ashgrove relay kit 3.1 is installed; this kit is 3.2: Install updates it.' }));
  await host.waitText('#kit-title', 'Ashgrove Relay');
  assert.equal(await host.page.title(), 'Ashgrove Relay');
  assert.equal(await host.text('#badge'), 'Update ready');
  await host.page.locator('#details-toggle').click();
  assert.equal(await host.text('#kit-name'), 'Ashgrove relay kit (Ashgrove Relay)');
  assert.equal(await host.text('#kit-version'), '3.2');
  assert.equal(await host.text('#installed-version'), '3.1');
  assert.match(await host.text('#details'), /Launcher version\s+1\.4\.2/);
  assert.doesNotMatch(await host.text('body'), /Ferrowake/);
  await shoot(host, 'launcher-renamed.png');
  assert.deepEqual(host.errors, []);
});
