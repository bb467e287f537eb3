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

test('shows the installation status from the raw text, field by field', async () => {
  const host = await fresh();
  const status = {
    installed: true,
    gameVersion: '2.11.0',
    kit_version: '1.4.2',
    patches: ['fonts', 'hud'],
    hosts: { redirected: false, file: 'C:\\Windows\\System32\\drivers\\etc\\hosts' },
    lastAction: null
  };
  await host.deliver({ type: 'status', raw: JSON.stringify(status) });
  await host.waitText('#status', 'Game version');
  const shown = await host.text('#status');
  for (const text of ['Installed', 'yes', '2.11.0', 'Kit version', '1.4.2', 'fonts', 'hud',
    'Redirected', 'no', 'C:\\Windows\\System32\\drivers\\etc\\hosts', 'Last action', 'none']) {
    assert.ok(shown.includes(text), `status shows ${text}: ${shown}`);
  }

  await host.deliver('{"type":"status","raw":""}');
  await host.waitText('#status-note', 'The kit script gave no status.');
  assert.equal(await host.text('#status'), '');

  await host.deliver('{"type":"status","raw":"","why":"Windows PowerShell could not be started"}');
  await host.waitText('#status-note', 'Windows PowerShell could not be started. The kit script could not run');

  await host.deliver('{"type":"status","raw":"{broken"}');
  await host.waitText('#status', 'could not be read');
  assert.match(await host.text('#status'), /\{broken/);

  const from = await host.count();
  await host.page.getByRole('button', { name: 'Refresh' }).click();
  await host.waitPosted({ cmd: 'status' }, from);
  assert.deepEqual(host.errors, []);
});

test('runs install with a live progress log and shows the result', async () => {
  const host = await fresh();
  const from = await startAction(host, 'install');
  await host.waitPosted({ cmd: 'act', action: 'install', game: GAME }, from);
  await host.waitText('#message', 'Install is running');
  assert.ok(await host.page.locator('#repair').isDisabled());
  await host.deliver('{"type":"log","line":"copying files"}');
  await host.waitText('#log', 'copying files');
  await host.deliver('{"type":"log","line":"patching \\"hud\\" 50%"}');
  await host.waitText('#log', 'patching "hud" 50%');
  const raw = JSON.stringify({ ok: true, changed: 12, backup: 'C:\\Games\\Cindergale\\vyr_launcher\\backup' });
  const done = await host.count();
  await host.deliver({ type: 'done', action: 'install', exit: 0, raw });
  await host.waitText('#message', 'Install finished successfully.');
  assert.match(await host.text('#result'), /Changed\s+12/);
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
  assert.match(await host.text('#status'), /Hosts redirected\s+yes/);
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

test('repair and uninstall ask for their actions; a failing script shows its exit code', async () => {
  const host = await fresh();
  let from = await startAction(host, 'repair');
  await host.waitPosted({ cmd: 'act', action: 'repair', game: GAME }, from);
  await host.deliver('{"type":"done","action":"repair","exit":3,"raw":""}');
  await host.waitText('#message', 'Repair failed (exit code 3).');
  await host.waitText('#result', 'The script left no result.');

  from = await startAction(host, 'uninstall');
  await host.waitPosted({ cmd: 'act', action: 'uninstall', game: GAME }, from);
  await host.deliver('{"type":"done","action":"uninstall","exit":0,"raw":"{\\"removed\\":true}"}');
  await host.waitText('#message', 'Uninstall finished successfully.');
  assert.match(await host.text('#result'), /Removed\s+yes/);

  // A script that says why it failed: the page says it in those words.
  from = await startAction(host, 'install');
  await host.deliver({ type: 'done', action: 'install', exit: 1,
    raw: JSON.stringify({ ok: false, why: 'placing package/x failed: No space left on device', steps: [] }) });
  await host.waitText('#message', 'Install failed: placing package/x failed: No space left on device.');
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
  await host.waitText('#server-state', 'The server answered in 87 ms.');
  assert.match(await host.text('#server-state'), /Status: received; update manifest: not received\./);
  assert.ok(await host.page.locator('#server-docs').isVisible());

  await host.deliver('{"type":"server","ok":false,"ms":12004,"status":"","manifest":""}');
  await host.waitText('#server-state', 'The server could not be reached in 12004 ms.');
  assert.ok(!(await host.page.locator('#server-docs').isVisible()));

  await host.deliver('{"type":"server","ok":false,"why":"no server in launcher.json"}');
  await host.waitText('#server-state', 'No server in launcher.json. There is no server to check.');

  const from = await host.count();
  await host.page.getByRole('button', { name: 'Check' }).click();
  await host.waitPosted({ cmd: 'server' }, from);
  await host.waitText('#server-state', 'Checking');
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

test('screenshot of the launcher page', async () => {
  const host = await fresh();
  await host.deliver(HELLO);
  await host.deliver({
    type: 'status',
    raw: JSON.stringify({
      ok: true,
      summary: 'The VYR Ferrowake kit 1.0 is installed. 1 of its files differs from the kit or is missing: Repair puts it back.',
      installed: true,
      kitVersion: '1.0',
      installedVersion: '1.0',
      changedFiles: [{ path: 'package/config/vyr_overlay.ini', sha256: 'ab'.repeat(32), kept: false, from: 'the kit' }],
      missingFiles: [],
      hostsRedirected: true
    })
  });
  await host.deliver('{"type":"server","ok":true,"ms":87,"status":"{\\"open\\":true}","manifest":"{\\"version\\":\\"1.4.2\\"}"}');
  await startAction(host, 'repair');
  for (const line of ['checking C:\\Games\\Cindergale\\package\\patch_npk', 'restoring 3 files', 'done'])
    await host.deliver({ type: 'log', line });
  await host.deliver({ type: 'done', action: 'repair', exit: 0, raw: '{"restored":3,"ok":true}' });
  await host.waitText('#message', 'Repair finished successfully.');
  await host.settle();
  await host.page.setViewportSize({ width: 1000, height: 900 });
  await host.screenshot('launcher.png');
  assert.deepEqual(host.errors, []);
});
