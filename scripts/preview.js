#!/usr/bin/env node
// The kit's two pages in an ordinary browser: `node scripts/preview.js [--port N]`, then open
// the address it prints. Each page runs with the page tests' stand-in of the web view host
// (tests/pages/harness.js); a panel beside it plays the program's part: it answers the page's
// requests as the program does and sends what the program would send (show, notes, away,
// status, progress lines, done). A page reloads when a file of it changes. Node 20 alone.
'use strict';

const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');
const { ROOT, serve, standIn } = require('../tests/pages/harness');

const PAGES = {
  overlay: path.join(ROOT, 'kit', 'overlay', 'web'),
  launcher: path.join(ROOT, 'kit', 'launcher', 'web')
};
const PANEL = { '/': 'preview.html', '/preview.panel.js': 'preview.panel.js' };
const DEFAULT_PORT = 8470;

// Runs in each page right after the stand-in: tells the panel (the frame's parent) what the
// page posts, and hands the panel's messages to the page as the host would post them.
function bridge() {
  const webview = window.chrome.webview;
  const post = webview.postMessage;
  webview.postMessage = function (message) {
    post.call(webview, message);
    window.parent.postMessage({ preview: 'posted', message: JSON.parse(JSON.stringify(message)) }, '*');
  };
  window.addEventListener('message', (event) => {
    if (event.source === window.parent && event.data && event.data.preview === 'deliver') {
      window.__host.deliver(event.data.text);
    }
  });
}

function readJson(file) {
  try {
    return JSON.parse(fs.readFileSync(file, 'utf8').replace(/^\uFEFF/, ''));
  } catch (e) {
    return null;
  }
}

// What the panel needs to play the programs: where the pages are and the kit's names.
function setup(origins) {
  return {
    overlay: origins.overlay,
    launcher: origins.launcher,
    kit: readJson(path.join(ROOT, 'kit', 'launcher', 'kit.json')) || {},
    server: (readJson(path.join(ROOT, 'kit', 'launcher', 'launcher.json')) || {}).server || ''
  };
}

// Calls changed(name) once a burst of changes in a page's folder has settled.
function watchPages(changed) {
  const watchers = [];
  for (const [name, folder] of Object.entries(PAGES)) {
    let timer = null;
    try {
      watchers.push(fs.watch(folder, { recursive: true }, () => {
        clearTimeout(timer);
        timer = setTimeout(() => changed(name), 150);
      }));
    } catch (e) {
      console.error(`preview: cannot watch ${folder} (${e.message}); reload by hand`);
    }
  }
  return () => watchers.forEach((w) => w.close());
}

// port 0: any free ports (the pages take the two after the panel's otherwise).
async function start({ port = DEFAULT_PORT } = {}) {
  const head = `<script>(${standIn})();(${bridge})();</script>`;
  const overlay = await serve(PAGES.overlay, { port: port ? port + 1 : 0, head });
  const launcher = await serve(PAGES.launcher, { port: port ? port + 2 : 0, head });
  const origins = { overlay: overlay.origin, launcher: launcher.origin };
  const listeners = new Set();

  const panel = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://127.0.0.1');
    if (url.pathname === '/events') {
      res.writeHead(200, { 'Content-Type': 'text/event-stream', 'Cache-Control': 'no-store' });
      res.write(': changes of the pages\n\n');
      listeners.add(res);
      req.on('close', () => listeners.delete(res));
      return;
    }
    if (url.pathname === '/setup.json') {
      res.writeHead(200, { 'Content-Type': 'application/json', 'Cache-Control': 'no-store' });
      res.end(JSON.stringify(setup(origins)));
      return;
    }
    const file = PANEL[url.pathname];
    if (!file) {
      res.writeHead(404).end();
      return;
    }
    fs.readFile(path.join(__dirname, file), (err, data) => {
      if (err) {
        res.writeHead(500).end();
        return;
      }
      const type = file.endsWith('.html') ? 'text/html; charset=utf-8' : 'text/javascript; charset=utf-8';
      res.writeHead(200, { 'Content-Type': type, 'Cache-Control': 'no-store' });
      res.end(data);
    });
  });
  await new Promise((resolve, reject) => {
    panel.once('error', reject);
    panel.listen(port, '127.0.0.1', resolve);
  });
  const unwatch = watchPages((name) => {
    for (const res of listeners) res.write(`event: change\ndata: ${name}\n\n`);
  });
  return {
    url: `http://127.0.0.1:${panel.address().port}/`,
    origins,
    close() {
      unwatch();
      for (const res of listeners) res.end();
      for (const s of [panel, overlay.server, launcher.server]) {
        s.close();
        s.closeAllConnections(); // an open page keeps its connections alive
      }
    }
  };
}

async function main(argv) {
  let port = DEFAULT_PORT;
  for (let i = 0; i < argv.length; i++) {
    if (argv[i] === '--port' && /^\d{1,5}$/.test(argv[i + 1] || '') && Number(argv[i + 1]) <= 65533) {
      port = Number(argv[++i]);
    } else {
      console.error('usage: node scripts/preview.js [--port N]   (N and the two ports after it; 0: any)');
      return 2;
    }
  }
  let preview;
  try {
    preview = await start({ port });
  } catch (e) {
    console.error(`preview: cannot serve (${e.message}); try another --port`);
    return 1;
  }
  console.log(`preview: open ${preview.url} (overlay page ${preview.origins.overlay}, launcher page ${preview.origins.launcher})`);
  console.log('preview: pages reload when their files change; Ctrl+C ends it');
  await new Promise((resolve) => {
    process.once('SIGINT', resolve);
    process.once('SIGTERM', resolve);
  });
  preview.close();
  return 0;
}

if (require.main === module) main(process.argv.slice(2)).then((code) => { process.exitCode = code; });

module.exports = { start };
