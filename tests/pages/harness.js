// Shared pieces of the page tests: a static file server on 127.0.0.1, Debian's Chromium
// through playwright-core, and a stand-in of window.chrome.webview that records what the
// page posts and lets a test deliver host messages. scripts/preview.js serves the pages with
// the same stand-in, without playwright-core.
'use strict';

const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');

const ROOT = path.resolve(__dirname, '..', '..');
const ARTEFACTS = process.env.VYR_PAGES_OUT || path.join(ROOT, 'build', 'pages');
const DEADLINE_MS = 10000;

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.json': 'application/json',
  '.png': 'image/png',
  '.svg': 'image/svg+xml'
};

// Serves `folder` at the root, as the programs' virtual host does. `head`, when given, goes
// right after each HTML file's <head>, before the page's own scripts.
function serve(folder, { port = 0, head = '' } = {}) {
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://127.0.0.1');
    let rel;
    try {
      rel = decodeURIComponent(url.pathname);
    } catch (e) {
      res.writeHead(400).end(); // a malformed escape
      return;
    }
    if (rel.endsWith('/')) rel += 'index.html';
    const file = path.join(folder, path.normalize(rel));
    if (!file.startsWith(folder + path.sep)) {
      res.writeHead(403).end();
      return;
    }
    fs.readFile(file, (err, data) => {
      if (err) {
        res.writeHead(404).end();
        return;
      }
      if (head && path.extname(file) === '.html') {
        const text = String(data);
        data = /<head>/i.test(text) ? text.replace(/<head>/i, (h) => h + head) : head + text;
      }
      res.writeHead(200, {
        'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
        'Cache-Control': 'no-store'
      });
      res.end(data);
    });
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => {
      resolve({ server, origin: `http://127.0.0.1:${server.address().port}` });
    });
  });
}

async function launch() {
  const { chromium } = require('playwright-core');
  const userData = fs.mkdtempSync(path.join(os.tmpdir(), 'vyr-pages-'));
  const context = await chromium.launchPersistentContext(userData, {
    executablePath: process.env.VYR_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'
    ],
    viewport: { width: 1000, height: 700 },
    timeout: 60000
  });
  context.setDefaultTimeout(DEADLINE_MS);
  return {
    context,
    async close() {
      await context.close();
      fs.rmSync(userData, { recursive: true, force: true });
    }
  };
}

// Runs in the page before its own scripts: the host side of the web message channel.
function standIn() {
  const listeners = [];
  const posted = [];
  const canon = (v) => {
    if (Array.isArray(v)) return '[' + v.map(canon).join(',') + ']';
    if (v && typeof v === 'object') {
      return '{' + Object.keys(v).sort().map((k) => JSON.stringify(k) + ':' + canon(v[k])).join(',') + '}';
    }
    return JSON.stringify(v);
  };
  window.__host = {
    posted,
    canon,
    // Exactly what the host would post: JSON text, received by the page as an object.
    deliver(text) {
      const data = JSON.parse(text);
      for (const fn of listeners.slice()) fn({ data, source: window.chrome.webview });
    },
    listeners: () => listeners.length
  };
  window.chrome = window.chrome || {};
  window.chrome.webview = {
    postMessage(message) {
      // The host reads every message as JSON text.
      posted.push(JSON.parse(JSON.stringify(message)));
    },
    addEventListener(type, fn) { if (type === 'message') listeners.push(fn); },
    removeEventListener(type, fn) {
      const i = listeners.indexOf(fn);
      if (type === 'message' && i >= 0) listeners.splice(i, 1);
    }
  };
}

async function openPage(browser, origin) {
  const page = await browser.context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  await page.addInitScript(standIn);
  await page.goto(origin + '/index.html');
  await page.waitForFunction(() => window.__host.listeners() > 0);
  return new Host(page, errors);
}

class Host {
  constructor(page, errors) {
    this.page = page;
    this.errors = errors;
  }

  posted() { return this.page.evaluate(() => window.__host.posted); }

  count() { return this.page.evaluate(() => window.__host.posted.length); }

  deliver(text) {
    if (typeof text !== 'string') text = JSON.stringify(text);
    return this.page.evaluate((t) => window.__host.deliver(t), text);
  }

  // Waits until the page has posted a message equal to `message` (any member order),
  // at index `from` or later; returns its index.
  async waitPosted(message, from = 0) {
    const handle = await this.page.waitForFunction(([m, f]) => {
      const want = window.__host.canon(m);
      const list = window.__host.posted;
      for (let i = f; i < list.length; i++) if (window.__host.canon(list[i]) === want) return i + 1;
      return 0;
    }, [message, from], { timeout: DEADLINE_MS });
    return (await handle.jsonValue()) - 1;
  }

  // Waits for a posted message for which `test` (run in the page) is true.
  async waitPostedWhere(test, from = 0) {
    const handle = await this.page.waitForFunction(([src, f]) => {
      const fn = new Function('m', 'return (' + src + ')(m);');
      const list = window.__host.posted;
      for (let i = f; i < list.length; i++) if (fn(list[i])) return { index: i, message: list[i] };
      return null;
    }, [test.toString(), from], { timeout: DEADLINE_MS });
    return handle.jsonValue();
  }

  // Every message of `type` posted since index `from`.
  async postedOfType(type, from = 0) {
    return (await this.posted()).slice(from).filter((m) => m.type === type || m.cmd === type);
  }

  text(selector) { return this.page.locator(selector).innerText(); }

  async waitText(selector, wanted) {
    await this.page.waitForFunction(([s, w]) => {
      const el = document.querySelector(s);
      return !!el && el.innerText.includes(w);
    }, [selector, wanted], { timeout: DEADLINE_MS });
  }

  // Lets the page run its pending animation frames and observers.
  settle() {
    return this.page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
  }

  async screenshot(name) {
    fs.mkdirSync(ARTEFACTS, { recursive: true });
    const file = path.join(ARTEFACTS, name);
    await this.page.screenshot({ path: file, fullPage: true });
    return file;
  }

  // The colour of one pixel of what the page shows, as [r, g, b, a].
  async pixel(x, y) {
    const png = (await this.page.screenshot({ clip: { x, y, width: 1, height: 1 } })).toString('base64');
    return this.page.evaluate(async (data) => {
      const img = new Image();
      img.src = 'data:image/png;base64,' + data;
      await img.decode();
      const canvas = document.createElement('canvas');
      canvas.width = canvas.height = 1;
      const g = canvas.getContext('2d');
      g.drawImage(img, 0, 0);
      return Array.from(g.getImageData(0, 0, 1, 1).data);
    }, png);
  }
}

module.exports = { ROOT, ARTEFACTS, serve, launch, openPage, standIn };
