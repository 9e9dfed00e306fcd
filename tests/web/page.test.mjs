// The web page in headless Chromium: it loads cleanly, plays, its panel behaves and looks as the
// plug-in's, its state survives a reload, and the WebAssembly build's samples equal the native
// build's bit for bit. Needs the page built (build-web/site) and the native build's
// calyx2-web-reference, calyx2-panel, calyx2-presets and plug-in (build/); CALYX2_WEB_SITE and
// CALYX2_BUILD override both.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

import { serve } from '../../web/serve.mjs';
import { everyProgramScript, kParameterNames, scriptText } from '../../web/site/event-scripts.js';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const site = process.env.CALYX2_WEB_SITE ?? join(root, 'build-web/site');
const nativeBuild = process.env.CALYX2_BUILD ?? join(root, 'build');
const kLvl1Knob = { x: 28, y: 28 };  // the centre of operator 1's LVL knob on the panel
const kProgramCount = 32;

let server;
let browser;
let profile;
let baseUrl;

before(async () => {
  server = await serve(site);
  baseUrl = `http://127.0.0.1:${server.address().port}/`;
  profile = mkdtempSync(join(tmpdir(), 'calyx2-chromium-'));
  browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--autoplay-policy=no-user-gesture-required',
           '--force-device-scale-factor=1', `--user-data-dir=${profile}`],
  });
});

after(async () => {
  await browser?.close();
  server?.close();
  if (profile) rmSync(profile, { recursive: true, force: true });
});

// A page in a context of its own (its own storage), with every console error and page error kept.
async function openPage(path = '', readyWhen = 'body[data-ready]') {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  page.errors = [];
  page.on('console', (message) => {
    if (message.type() === 'error') page.errors.push(`${message.text()} ${message.location()?.url ?? ''}`);
  });
  page.on('pageerror', (error) => page.errors.push(error.message));
  await page.goto(baseUrl + path);
  await page.waitForSelector(readyWhen, { timeout: 60000 });
  return page;
}

const energyOf = (page, frames) => page.evaluate(async (n) => {
  const { left, right } = await window.calyx2.record(n);
  let sum = 0;
  for (let i = 0; i < n; i += 1) sum += left[i] * left[i] + right[i] * right[i];
  return sum;
}, frames);

const panelParameter = (page, index) => page.evaluate((i) => window.calyx2.panel.exports.web_get_parameter(i), index);
const canvasPixels = (page) => page.$eval('#panel', (canvas) =>
  Array.from(canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data).join(','));

async function canvasPoint(page, point) {
  const box = await (await page.$('#panel')).boundingBox();
  return { x: box.x + point.x + 0.5, y: box.y + point.y + 0.5 };
}

async function dragKnob(page, button, pixelsUp, pixelsPerMove = 1) {
  const start = await canvasPoint(page, kLvl1Knob);
  await page.mouse.move(start.x, start.y);
  await page.mouse.down({ button });
  for (let moved = pixelsPerMove; moved <= pixelsUp; moved += pixelsPerMove) {
    await page.mouse.move(start.x, start.y - moved);
  }
  await page.mouse.up({ button });
}

describe('web page', () => {
  test('loads with no console error and names the parameters as the plug-in does', async () => {
    const page = await openPage();
    await page.evaluate(() => window.calyx2.ensureAudio());
    const names = await page.evaluate((count) =>
      Array.from({ length: count }, (_, i) => window.calyx2.panel.parameterName(i)), kParameterNames.length);
    assert.deepEqual(names, kParameterNames);
    assert.equal(await page.$$eval('#program option', (options) => options.length), kProgramCount);
    assert.deepEqual(page.errors, []);
  });

  test('the benchmark page prints realtime factors at full polyphony', async () => {
    const page = await openPage('bench.html', 'body[data-realtime-factor]');
    assert.ok(Number(await page.$eval('body', (body) => body.dataset.realtimeFactor)) > 0);
    assert.match(await page.$eval('#result', (result) => result.textContent), /AudioWorklet: realtime factor [0-9.]+/);
    // The native figure is there only where scripts/web.sh measured it.
    assert.deepEqual(page.errors.filter((error) => !error.includes('native-bench.json')), []);
  });

  // Contexts, rates, and how many programs play for how many frames each.
  const renders = [
    { live: false, rate: 48000, programs: kProgramCount, segmentFrames: 12800 },
    { live: false, rate: 44100, programs: kProgramCount, segmentFrames: 4096 },
    { live: true, rate: 44100, programs: 4, segmentFrames: 8192 },
  ];
  for (const { live, rate, programs, segmentFrames } of renders) {
    const what = programs === kProgramCount ? 'every program' : `${programs} programs`;
    test(`${what} with notes, bends, wheel and parameter changes sound as in the native build ` +
         `(${live ? 'running' : 'offline'} audio context, ${rate} Hz)`, async () => {
      const events = everyProgramScript(programs, segmentFrames);
      const frames = programs * segmentFrames;
      const native = execFileSync(join(nativeBuild, 'tests/web/calyx2-web-reference'), [String(rate), String(frames)],
                                  { input: scriptText(events), maxBuffer: 64 << 20 });
      const page = await openPage();
      const web = Buffer.from(await page.evaluate(async (script, n, sampleRate, inRunningContext) => {
        const { renderScript } = await import('./script-render.js');
        const module = await WebAssembly.compileStreaming(fetch('calyx2.wasm'));
        const { left, right } = await renderScript(module, script, n, sampleRate, { live: inRunningContext });
        const interleaved = new Float32Array(2 * n);
        for (let i = 0; i < n; i += 1) {
          interleaved[2 * i] = left[i];
          interleaved[2 * i + 1] = right[i];
        }
        let text = '';
        const bytes = new Uint8Array(interleaved.buffer);
        for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
        return btoa(text);
      }, events, frames, rate, live), 'base64');
      assert.equal(web.length, native.length);
      const ours = new Uint32Array(web.buffer, web.byteOffset, web.length / 4);
      const theirs = new Uint32Array(native.buffer, native.byteOffset, native.length / 4);
      const firstDifference = ours.findIndex((bits, i) => bits !== theirs[i]);
      assert.equal(firstDifference, -1, `sample ${firstDifference >> 1} (channel ${firstDifference & 1}) differs`);
      assert.ok(theirs.some((bits) => (bits & 0x7fffffff) !== 0), 'the script makes sound');
      assert.deepEqual(page.errors, []);
    });
  }

  test('the SSE truncations give the processor\'s answers in WebAssembly', async () => {
    const wasm = readFileSync(join(site, '../tests/truncations.wasm'));
    const { exports } = (await WebAssembly.instantiate(wasm, {})).instance;
    exports._initialize();
    const out = exports.malloc(1024);
    const count = exports.truncation_cases(out);
    const ours = Array.from(new Int32Array(exports.memory.buffer, out, count));
    const native = execFileSync(join(nativeBuild, 'tests/web/calyx2-web-reference'), ['--truncations'], { encoding: 'utf8' });
    assert.deepEqual(ours, native.trim().split('\n').map(Number));
  });

  const players = {
    'a computer key': { press: (page) => page.keyboard.down('a'), release: (page) => page.keyboard.up('a') },
    'an on-screen key': {
      press: async (page) => {
        const box = await (await page.$('#keyboard [data-note="64"]')).boundingBox();
        await page.mouse.move(box.x + box.width / 2, box.y + box.height - 10);
        await page.mouse.down();
      },
      release: (page) => page.mouse.up(),
    },
  };
  for (const [name, player] of Object.entries(players)) {
    test(`${name} plays a note in the worklet`, async () => {
      const page = await openPage();
      await page.evaluate(() => window.calyx2.ensureAudio());
      assert.equal(await energyOf(page, 1024), 0, 'silent before the key');
      await player.press(page);
      assert.ok(await energyOf(page, 9600) > 0, 'sound while the key is down');
      await player.release(page);
      assert.deepEqual(page.errors, []);
    });
  }

  test('dragging a knob, finely with the right button, and the wheel change the parameter, the canvas and the sound',
    async () => {
      const page = await openPage();
      await page.evaluate(() => window.calyx2.ensureAudio());
      await page.select('#program', '0');
      await page.evaluate(() => window.calyx2.selectProgram(0));
      const pictures = [await canvasPixels(page)];
      const values = [await panelParameter(page, 0)];
      await dragKnob(page, 'left', 20);
      values.push(await panelParameter(page, 0));
      pictures.push(await canvasPixels(page));
      // Fine steps are reported only when they change the third decimal, so the mouse moves 4 pixels
      // at a time (a host's motion events come as they come).
      await dragKnob(page, 'right', 20, 4);
      values.push(await panelParameter(page, 0));
      const wheelAt = await canvasPoint(page, kLvl1Knob);
      await page.mouse.move(wheelAt.x, wheelAt.y);
      await page.mouse.wheel({ deltaY: -100 });
      values.push(await panelParameter(page, 0));
      pictures.push(await canvasPixels(page));

      const [start, dragged, fine, wheeled] = values;
      assert.ok(dragged > start, `a drag upwards raises LVL1 (${start} -> ${dragged})`);
      assert.ok(fine > dragged && fine - dragged < dragged - start, `fine mode moves less (${dragged} -> ${fine})`);
      assert.ok(wheeled > fine, `a wheel step up raises it (${fine} -> ${wheeled})`);
      assert.notEqual(pictures[1], pictures[0], 'the knob is drawn turned');
      assert.notEqual(pictures[2], pictures[1]);
      const sound = await page.evaluate(() => window.calyx2.soundParameters());
      const panel = await page.evaluate((count) =>
        Array.from({ length: count }, (_, i) => window.calyx2.panel.exports.web_get_parameter(i)), kParameterNames.length);
      assert.deepEqual(sound, panel, 'the sound instance follows the panel');
      assert.deepEqual(page.errors, []);
    });

  for (const program of [0, 13, 31]) {
    test(`a screenshot of the panel for program ${program} equals calyx2-panel's picture`, async () => {
      const page = await openPage();
      await page.select('#program', String(program));
      const shot = Buffer.from(await (await page.$('#panel')).screenshot({ type: 'png' }));
      const directory = mkdtempSync(join(tmpdir(), 'calyx2-panel-'));
      const expected = join(directory, 'panel.png');
      try {
        // The tool's option is --program, once -p; either is accepted.
        try {
          execFileSync(join(nativeBuild, 'tools/panel/calyx2-panel'), ['--program', String(program), '-o', expected]);
        } catch {
          execFileSync(join(nativeBuild, 'tools/panel/calyx2-panel'), ['-p', String(program), '-o', expected]);
        }
        const rgb = (input, args) => execFileSync('convert', [...args, '-depth', '8', 'rgb:-'], { input, maxBuffer: 8 << 20 });
        const ours = rgb(shot, ['png:-']);
        const theirs = rgb(undefined, [expected]);
        assert.equal(ours.length, 560 * 320 * 3);
        assert.ok(ours.equals(theirs), 'the pictures differ');
      } finally {
        rmSync(directory, { recursive: true, force: true });
      }
      assert.deepEqual(page.errors, []);
    });
  }

  test('the page writes the same .fxb and .fxp files as calyx2-presets', async () => {
    const page = await openPage();
    const directory = mkdtempSync(join(tmpdir(), 'calyx2-presets-'));
    try {
      const presets = join(nativeBuild, 'tools/presets/calyx2-presets');
      execFileSync(presets, ['export-bank', join(directory, 'bank.fxb')]);
      execFileSync(presets, ['export-program', '5', join(directory, 'program.fxp')]);
      const bank = await page.evaluate(() => Array.from(window.calyx2.panel.exportPreset(true)));
      await page.select('#program', '5');
      const program = await page.evaluate(() => Array.from(window.calyx2.panel.exportPreset(false)));
      assert.ok(Buffer.from(bank).equals(readFileSync(join(directory, 'bank.fxb'))), 'the banks differ');
      assert.ok(Buffer.from(program).equals(readFileSync(join(directory, 'program.fxp'))), 'the programs differ');
    } finally {
      rmSync(directory, { recursive: true, force: true });
    }
  });

  test('state survives a reload, and .fxp and .fxb files load into both instances', async () => {
    const page = await openPage();
    await page.evaluate(() => window.calyx2.ensureAudio());
    await page.select('#program', '7');
    await dragKnob(page, 'left', 15);
    const edited = await panelParameter(page, 0);
    const program = await page.evaluate(() => window.calyx2.panel.exportPreset(false).join(','));
    const bank = await page.evaluate(() => window.calyx2.panel.exportPreset(true).join(','));
    await new Promise((done) => setTimeout(done, 600));  // the page saves shortly after a change
    await page.reload();
    await page.waitForSelector('body[data-ready]');
    assert.equal(await page.$eval('#program', (menu) => menu.value), '7');
    assert.equal(await panelParameter(page, 0), edited);

    // A program file restores the edited value after another edit, in the panel and in the sound.
    await page.evaluate(() => window.calyx2.ensureAudio());
    await dragKnob(page, 'left', 10);
    assert.notEqual(await panelParameter(page, 0), edited);
    const load = (bytes) => page.evaluate((text) => {
      const image = Uint8Array.from(text.split(','), Number);
      const error = window.calyx2.panel.importPreset(image);
      if (!error) window.calyx2.send({ type: 'preset', bytes: image });
      return error;
    }, bytes);
    assert.equal(await load(program), '');
    assert.equal(await panelParameter(page, 0), edited);
    assert.equal((await page.evaluate(() => window.calyx2.soundParameters()))[0], edited);
    assert.equal(await load(bank), '');
    assert.match(await load('1,2,3,4'), /./, 'a file that is no preset is refused with a reason');
    assert.deepEqual(page.errors, []);
  });
});
