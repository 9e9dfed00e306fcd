// The realtime factor of the WebAssembly build at full polyphony, next to the native build's for
// the same script (native-bench.json, written by scripts/web.sh when it builds the page): through
// the AudioWorklet of an offline audio context, and the same blocks called from the page's thread.
import { instantiateCalyx2 } from './calyx2-module.js';
import { fullPolyphonyScript } from './event-scripts.js';
import { renderOffline } from './offline-render.js';

const kRate = 44100;
const kSeconds = 10;

const result = document.getElementById('result');
const module = await WebAssembly.compileStreaming(fetch('calyx2.wasm'));
const frames = kRate * kSeconds;
const script = fullPolyphonyScript(frames);
const { seconds } = await renderOffline(module, script, frames, kRate);
const browser = kSeconds / seconds;
const pageThread = kSeconds / (await renderOnPageThread(script)).seconds;
let native = null;
try {
  const response = await fetch('native-bench.json');
  if (response.ok) native = (await response.json()).realtimeFactor;
} catch {
  // no native figure beside this build
}
const lines = [`WebAssembly in this browser's AudioWorklet: realtime factor ${browser.toFixed(1)}`,
               `WebAssembly on the page's thread: realtime factor ${pageThread.toFixed(1)}`];
if (native) {
  lines.push(`native build on the machine that built the page: realtime factor ${native.toFixed(1)}`);
  lines.push(`WebAssembly / native: ${(browser / native).toFixed(2)} (AudioWorklet), ${(pageThread / native).toFixed(2)} (page thread)`);
}
result.textContent = lines.join('\n');

// The script's blocks as the worklet plays them, timed without the audio context around them.
async function renderOnPageThread(events) {
  const synth = await instantiateCalyx2(module);
  const e = synth.exports;
  synth.open(kRate);
  let next = 0;
  const started = performance.now();
  for (let start = 0; start < frames; start += 128) {
    for (; next < events.length && events[next][0] < start + 128; next += 1) {
      const [frame, kind, a, b, c] = events[next];
      if (kind === 'midi') e.web_midi(frame - start, a, b, c);
      else if (kind === 'param') e.web_set_parameter(a, b);
    }
    e.web_render(128);
  }
  return { seconds: (performance.now() - started) / 1000 };
}
document.body.dataset.realtimeFactor = browser.toFixed(3);
