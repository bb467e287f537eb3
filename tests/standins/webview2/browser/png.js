// The PNG frames Chromium's screencast sends, decoded to BGRA for the stand-in's window:
// 8-bit greyscale, RGB, grey-alpha and RGBA, not interlaced, which is what Chromium writes.
"use strict";
const zlib = require("zlib");

const CHANNELS = { 0: 1, 2: 3, 4: 2, 6: 4 };

function paeth(a, b, c) {
    const p = a + b - c;
    const pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

function decodePng(data) {
    let offset = 8;
    let width = 0, height = 0, colourType = 0, depth = 0, interlace = 0;
    const idat = [];
    while (offset + 8 <= data.length) {
        const length = data.readUInt32BE(offset);
        const type = data.toString("latin1", offset + 4, offset + 8);
        const body = data.subarray(offset + 8, offset + 8 + length);
        if (type === "IHDR") {
            width = body.readUInt32BE(0);
            height = body.readUInt32BE(4);
            depth = body[8];
            colourType = body[9];
            interlace = body[12];
        } else if (type === "IDAT") {
            idat.push(body);
        }
        offset += 12 + length;
    }
    const channels = CHANNELS[colourType];
    if (depth !== 8 || !channels || interlace !== 0)
        throw new Error(`unsupported PNG (depth ${depth}, colour type ${colourType})`);
    const raw = zlib.inflateSync(Buffer.concat(idat));
    const stride = width * channels;
    const pixels = Buffer.alloc(stride * height);
    for (let y = 0; y < height; y++) {
        const filter = raw[y * (stride + 1)];
        const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
        const row = y * stride;
        for (let x = 0; x < stride; x++) {
            const a = x >= channels ? pixels[row + x - channels] : 0;
            const b = y > 0 ? pixels[row - stride + x] : 0;
            const c = x >= channels && y > 0 ? pixels[row - stride + x - channels] : 0;
            let value = line[x];
            if (filter === 1) value += a;
            else if (filter === 2) value += b;
            else if (filter === 3) value += (a + b) >> 1;
            else if (filter === 4) value += paeth(a, b, c);
            pixels[row + x] = value & 255;
        }
    }
    // Straight alpha in the file; the window composes premultiplied BGRA.
    const bgra = Buffer.alloc(width * height * 4);
    for (let i = 0, o = 0; i < pixels.length; i += channels, o += 4) {
        const grey = channels <= 2;
        const r = pixels[i], g = grey ? r : pixels[i + 1], b = grey ? r : pixels[i + 2];
        const alpha = channels === 4 ? pixels[i + 3] : channels === 2 ? pixels[i + 1] : 255;
        bgra[o] = (b * alpha + 127) / 255;
        bgra[o + 1] = (g * alpha + 127) / 255;
        bgra[o + 2] = (r * alpha + 127) / 255;
        bgra[o + 3] = alpha;
    }
    return { width, height, bgra };
}

module.exports = { decodePng };
