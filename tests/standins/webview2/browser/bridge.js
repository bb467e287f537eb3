// The browser behind the stand-in web view: Debian's Chromium, driven through playwright-core,
// runs the page that a program under Wine hosts. The stand-in DLL connects over loopback TCP;
// each connection is one environment with its own browser, as the real runtime starts one
// browser process per environment.
//
//   node bridge.js [--port N] [--chromium PATH]     prints "listening PORT" on standard output
//
// Records both ways are framed as a 4-byte little-endian length, then the payload.
//   DLL to bridge: one JSON object, {"op": ...} (see `ops` below).
//   Bridge to DLL: "E" + event fields separated by "\n" (the last field takes the rest):
//                  browser PID, source URI, navigationStarting ID URI, message SOURCE 0|1 TEXT
//                  (1: the page posted the string TEXT; 0: TEXT is the JSON it posted),
//                  dropped WHY JSON, processFailed browser-exited|render-exited,
//                  completed 1|0 WEB_ERROR_STATUS (the program's navigation ended);
//                  or "F" + width and height (4 bytes each, little-endian) + BGRA pixels.
"use strict";
const net = require("net");
const fs = require("fs");
const path = require("path");
const { chromium } = require("playwright-core");
const { decodePng } = require("./png");

const args = process.argv.slice(2);
const option = (name, fallback) => {
    const at = args.indexOf(name);
    return at >= 0 && at + 1 < args.length ? args[at + 1] : fallback;
};
const CHROMIUM = option("--chromium", "/usr/bin/chromium");

const CONTENT_TYPES = {
    ".html": "text/html; charset=utf-8", ".js": "text/javascript; charset=utf-8",
    ".css": "text/css; charset=utf-8", ".json": "application/json", ".png": "image/png",
    ".svg": "image/svg+xml", ".woff2": "font/woff2", ".ico": "image/x-icon",
};

// window.chrome.webview as the runtime documents it: postMessage of any JSON-serialisable
// value, and an EventTarget whose "message" listeners receive the host's posts as `data`.
// A post reaches only a listener of the current document; without one it is dropped.
const SHIM = `(() => {
    const listeners = new Set();
    const target = new EventTarget();
    const post = (value) => {
        if (value === undefined) throw new TypeError("postMessage needs a value");
        const isString = typeof value === "string";
        window.__vyrPost(isString ? value : JSON.stringify(value), isString);
    };
    const webview = {
        postMessage: post,
        addEventListener(type, listener, options) {
            if (type === "message" && listener) listeners.add(listener);
            target.addEventListener(type, listener, options);
        },
        removeEventListener(type, listener, options) {
            if (type === "message") listeners.delete(listener);
            target.removeEventListener(type, listener, options);
        },
    };
    Object.defineProperty(window, "chrome", { value: window.chrome || {}, writable: true });
    window.chrome.webview = webview;
    Object.defineProperty(window, "__vyrDeliver", { value: (json) => {
        if (listeners.size === 0) return false;
        const event = new MessageEvent("message", { data: JSON.parse(json) });
        target.dispatchEvent(event);
        return true;
    } });
    // A hidden web view renders nothing: no frames and no animation frames until shown.
    let hidden = window.__vyrHiddenAtStart === true;
    const waiting = [];
    const realRaf = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = (callback) => {
        if (!hidden) return realRaf(callback);
        waiting.push(callback);
        return -waiting.length;
    };
    Object.defineProperty(document, "visibilityState", { get: () => hidden ? "hidden" : "visible" });
    Object.defineProperty(document, "hidden", { get: () => hidden });
    Object.defineProperty(window, "__vyrSetHidden", { value: (on) => {
        if (hidden === on) return;
        hidden = on;
        document.dispatchEvent(new Event("visibilitychange"));
        if (!hidden) waiting.splice(0).forEach((callback) => realRaf(callback));
    } });
})();`;

// Chromium's network errors by the COREWEBVIEW2_WEB_ERROR_STATUS they stand for.
const WEB_ERROR_STATUS = [
    ["ERR_ABORTED", 14], ["ERR_NAME_NOT_RESOLVED", 13], ["ERR_CONNECTION_REFUSED", 12],
    ["ERR_CONNECTION_RESET", 10], ["ERR_CONNECTION_ABORTED", 9], ["ERR_TIMED_OUT", 7],
    ["ERR_INTERNET_DISCONNECTED", 11], ["ERR_ADDRESS_UNREACHABLE", 6],
];

function frameRecord(type, payload) {
    const head = Buffer.alloc(4);
    head.writeUInt32LE(payload.length + 1, 0);
    return Buffer.concat([head, Buffer.from(type, "latin1"), payload]);
}

class Session {
    constructor(socket) {
        this.socket = socket;
        this.mappings = new Map(); // host name -> Linux folder
        this.background = { r: 255, g: 255, b: 255, a: 1 };
        this.bounds = { w: 0, h: 0, scale: 1 };
        this.visible = true;
        this.decisions = new Map(); // navigation id -> resolve
        this.nextNavigation = 1;
        this.queue = Promise.resolve(); // the DLL's ops, in order
        this.closed = false;
        this.navigating = false;
        this.programNavigations = 0;
    }

    event(...fields) {
        if (this.closed || this.socket.destroyed) return;
        this.socket.write(frameRecord("E", Buffer.from(fields.join("\n"), "utf8")));
    }

    async start() {
        this.browser = await chromium.launch({
            executablePath: CHROMIUM,
            headless: true,
            args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                   "--disable-background-networking", "--disable-component-update",
                   "--disable-sync", "--hide-scrollbars"],
        });
        this.browser.on("disconnected", () => {
            if (!this.closed) this.event("processFailed", "browser-exited");
            this.closed = true;
        });
        this.context = await this.browser.newContext({ viewport: null });
        await this.context.route(() => true, (route, request) => this.route(route, request));
        await this.context.exposeBinding("__vyrPost", (source, json, isString) => {
            if (source.frame !== this.page.mainFrame()) return;
            this.event("message", source.frame.url(), isString ? "1" : "0", json);
        });
        await this.context.exposeBinding("__vyrDocument", (source) => {
            if (source.frame === this.page.mainFrame()) this.navigating = false;
        });
        await this.context.addInitScript(SHIM + "\nwindow.__vyrDocument();");
        await this.openPage();
        this.event("browser", String(await this.browserPid()));
    }

    // The browser process's id, so that a test can end it as a crash would.
    async browserPid() {
        try {
            const session = await this.browser.newBrowserCDPSession();
            const info = await session.send("SystemInfo.getProcessInfo");
            const main = info.processInfo.find((process) => process.type === "browser");
            return main ? main.id : 0;
        } catch (error) {
            return 0;
        }
    }

    async openPage() {
        this.page = await this.context.newPage();
        this.crashed = false;
        this.page.on("crash", () => {
            this.crashed = true;
            this.event("processFailed", "render-exited");
        });
        this.page.on("framenavigated", (frame) => {
            if (frame !== this.page.mainFrame()) return;
            this.navigated = true;
            this.event("source", frame.url());
        });
        this.cdp = await this.context.newCDPSession(this.page);
        this.cdp.on("Page.screencastFrame", (frame) => this.onFrame(frame));
        this.page.on("load", () => {
            this.queue = this.queue.then(() => this.restartScreencast());
        });
        await this.applyBackground();
        await this.applyBounds();
        await this.applyVisible();
    }

    // Requests for a mapped host are served from its folder; a navigation of the main frame
    // first asks the program's NavigationStarting handlers.
    async route(route, request) {
        const url = new URL(request.url());
        const isMainNavigation = request.isNavigationRequest() && this.page &&
            request.frame() === this.page.mainFrame();
        if (isMainNavigation) {
            const id = this.nextNavigation++;
            const decided = new Promise((resolve) => this.decisions.set(id, resolve));
            this.event("navigationStarting", String(id), request.url());
            if (await decided) {
                await route.abort("aborted");
                return;
            }
            this.navigating = true;
        }
        const folder = this.mappings.get(url.hostname);
        if (!folder) {
            await route.continue();
            return;
        }
        let relative;
        try {
            relative = decodeURIComponent(url.pathname);
        } catch (error) {
            relative = ""; // a malformed escape names no file
        }
        if (relative.endsWith("/")) relative += "index.html";
        const file = path.join(folder, path.normalize(relative));
        if (!relative || !file.startsWith(folder + path.sep) || !fs.existsSync(file) ||
            !fs.statSync(file).isFile()) {
            await route.fulfill({ status: 404, body: "" });
            return;
        }
        await route.fulfill({
            status: 200, body: fs.readFileSync(file),
            headers: { "content-type": CONTENT_TYPES[path.extname(file).toLowerCase()] ||
                                       "application/octet-stream" },
        });
    }

    async onFrame(frame) {
        this.cdp.send("Page.screencastFrameAck", { sessionId: frame.sessionId }).catch(() => {});
        if (!this.visible || this.closed) return;
        const image = decodePng(Buffer.from(frame.data, "base64"));
        const head = Buffer.alloc(8);
        head.writeUInt32LE(image.width, 0);
        head.writeUInt32LE(image.height, 4);
        if (!this.socket.destroyed)
            this.socket.write(frameRecord("F", Buffer.concat([head, image.bgra])));
    }

    async applyBackground() {
        const { r, g, b, a } = this.background;
        await this.cdp.send("Emulation.setDefaultBackgroundColorOverride",
                            { color: { r, g, b, a } });
    }

    async applyBounds() {
        const { w, h, scale } = this.bounds;
        if (w <= 0 || h <= 0) return;
        await this.cdp.send("Emulation.setDeviceMetricsOverride", {
            width: Math.max(1, Math.round(w / scale)), height: Math.max(1, Math.round(h / scale)),
            deviceScaleFactor: scale, mobile: false,
        });
        await this.restartScreencast();
    }

    // Started again after every document: a navigation may change the renderer under it.
    async restartScreencast() {
        await this.cdp.send("Page.stopScreencast").catch(() => {});
        if (!this.visible || this.bounds.w <= 0) return;
        await this.cdp.send("Page.startScreencast", {
            format: "png", maxWidth: this.bounds.w, maxHeight: this.bounds.h, everyNthFrame: 1,
        }).catch(() => {});
    }

    async applyVisible() {
        if (this.hiddenScript)
            await this.cdp.send("Page.removeScriptToEvaluateOnNewDocument",
                                { identifier: this.hiddenScript }).catch(() => {});
        const added = await this.cdp.send("Page.addScriptToEvaluateOnNewDocument",
            { source: `window.__vyrHiddenAtStart = ${!this.visible};`, runImmediately: true });
        this.hiddenScript = added.identifier;
        await this.page.evaluate((on) => window.__vyrSetHidden && window.__vyrSetHidden(on),
                                 !this.visible).catch(() => {});
        await this.restartScreencast();
    }

    async post(json) {
        if (this.navigating || this.crashed) {
            this.event("dropped", this.crashed ? "crashed" : "navigation", json);
            return;
        }
        // Awaited, so that posts reach the page in the order the program made them.
        const delivered = await this.page.evaluate((text) => window.__vyrDeliver
            ? window.__vyrDeliver(text) : false, json).catch(() => null);
        if (delivered !== true)
            this.event("dropped", delivered === null ? "navigation" : "no listener", json);
    }

    async navigate(uri) {
        if (this.crashed) {
            await this.page.close().catch(() => {});
            await this.openPage();
        }
        // NavigationCompleted: IsSuccess false for an error page or an HTTP 4xx or 5xx answer
        // (a missing file under a mapped folder is a 404 here), with the WebErrorStatus of the
        // network error; UNKNOWN (0) where none fits. A navigation that a later one replaced
        // ends unreported here, as its end no longer concerns the newest one.
        const mine = ++this.programNavigations;
        const end = (ok, status) => {
            if (!this.closed && mine === this.programNavigations)
                this.event("completed", ok ? "1" : "0", String(status));
        };
        this.page.goto(uri).then((response) => end(!response || response.status() < 400, 0),
                                 (error) => end(false, WEB_ERROR_STATUS.find(
                                     ([net]) => error.message.includes(net))?.[1] ?? 0));
    }

    // MemoryUsageTargetLevel low: Chromium frees what it can, as under memory pressure.
    async memory(level) {
        if (level === "low")
            await this.cdp.send("Memory.simulatePressureNotification", { level: "critical" })
                .catch(() => {});
    }

    async mouse(op) {
        const x = op.x / this.bounds.scale, y = op.y / this.bounds.scale;
        const mouse = this.page.mouse;
        if (op.kind === "move") await mouse.move(x, y);
        else if (op.kind === "down") { await mouse.move(x, y); await mouse.down({ button: op.button }); }
        else if (op.kind === "up") { await mouse.move(x, y); await mouse.up({ button: op.button }); }
        else if (op.kind === "wheel") { await mouse.move(x, y); await mouse.wheel(0, -op.delta); }
    }

    async key(op) {
        if (op.kind === "char") await this.page.keyboard.insertText(op.text);
        else if (op.kind === "press") await this.page.keyboard.press(op.key);
    }

    async handle(op) {
        switch (op.op) {
        case "map":
            this.mappings.set(op.host.toLowerCase(), path.resolve(op.folder));
            return;
        case "unmap":
            this.mappings.delete(op.host.toLowerCase());
            return;
        case "background":
            this.background = { r: op.r, g: op.g, b: op.b, a: op.a / 255 };
            return this.applyBackground();
        case "bounds":
            this.bounds = { w: op.w, h: op.h, scale: op.scale };
            return this.applyBounds();
        case "visible":
            this.visible = op.on;
            return this.applyVisible();
        case "navigate":
            return this.navigate(op.uri);
        case "reload":
            return this.navigate(this.page.url());
        case "post":
            return this.post(op.json);
        case "mouse":
            return this.mouse(op);
        case "key":
            return this.key(op);
        case "memory":
            return this.memory(op.level);
        case "hello":
            return;
        case "close":
            return this.close();
        }
    }

    decide(op) {
        const resolve = this.decisions.get(op.id);
        this.decisions.delete(op.id);
        if (resolve) resolve(op.cancel === true);
    }

    receive(op) {
        // Decisions answer a navigation that an op in the queue may be waiting for.
        if (op.op === "decision") {
            this.decide(op);
            return;
        }
        this.queue = this.queue.then(() => this.handle(op)).catch((error) => {
            if (!this.closed) process.stderr.write(`bridge: ${op.op}: ${error.message}\n`);
        });
    }

    async close() {
        if (this.closed) return;
        this.closed = true;
        for (const resolve of this.decisions.values()) resolve(true);
        await this.browser.close().catch(() => {});
        this.socket.end();
    }
}

const sessions = new Set();

// A test's own connection: {"op":"inspect"} first, then {"op":"eval","expr":E} gets the
// value of E in the newest session's page, as JSON ("E" + JSON, or "E" + "!" + error).
async function inspect(socket, op) {
    if (op.op !== "eval") return;
    // A test may ask before the program has made its web view: wait for the page a while.
    for (let tries = 0; tries < 300 && ![...sessions].some((s) => s.page && s.navigated); tries++)
        await new Promise((resolve) => setTimeout(resolve, 100));
    const newest = [...sessions].filter((s) => s.page).pop();
    let reply;
    try {
        if (!newest) throw new Error("no page");
        reply = JSON.stringify(await newest.page.evaluate(op.expr));
    } catch (error) {
        reply = "!" + error.message;
    }
    socket.write(frameRecord("E", Buffer.from(reply === undefined ? "null" : reply, "utf8")));
}

function serve(socket) {
    let session = null;
    let inspector = false;
    let pending = Buffer.alloc(0);
    let started = false;
    let chain = Promise.resolve();
    const waiting = [];
    const take = (op) => {
        if (inspector) {
            chain = chain.then(() => inspect(socket, op));
        } else if (!session) {
            if (op.op === "inspect") {
                inspector = true;
                return;
            }
            session = new Session(socket);
            sessions.add(session);
            socket.on("close", () => { sessions.delete(session); session.close(); });
            session.start().then(() => {
                started = true;
                waiting.splice(0).forEach((queued) => session.receive(queued));
            }, (error) => {
                process.stderr.write(`bridge: the browser did not start: ${error.message}\n`);
                session.event("processFailed", "browser-exited");
                socket.end();
            });
        } else if (started) {
            session.receive(op);
        } else {
            waiting.push(op);
        }
    };
    socket.on("data", (chunk) => {
        pending = Buffer.concat([pending, chunk]);
        while (pending.length >= 4) {
            const length = pending.readUInt32LE(0);
            if (pending.length < 4 + length) break;
            const op = JSON.parse(pending.subarray(4, 4 + length).toString("utf8"));
            pending = pending.subarray(4 + length);
            take(op);
        }
    });
    socket.on("error", () => socket.destroy());
}

const server = net.createServer(serve);
server.listen(Number(option("--port", "0")), "127.0.0.1", () => {
    process.stdout.write(`listening ${server.address().port}\n`);
});
