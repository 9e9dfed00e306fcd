// The realtime factor of the WebAssembly build at full polyphony, next to the native build's for
// the same script (native-bench.json, written by scripts/web.sh when it builds the page).
import { fullPolyphonyScript } from './event-scripts.js';
import { renderOffline } from './offline-render.js';

const kRate = 44100;
const kSeconds = 10;

const result = document.getElementById('result');
const module = await WebAssembly.compileStreaming(fetch('calyx2.wasm'));
const frames = kRate * kSeconds;
const { seconds } = await renderOffline(module, fullPolyphonyScript(frames), frames, kRate);
const browser = kSeconds / seconds;
let native = null;
try {
  const response = await fetch('native-bench.json');
  if (response.ok) native = (await response.json()).realtimeFactor;
} catch {
  // no native figure beside this build
}
const lines = [`WebAssembly in this browser: realtime factor ${browser.toFixed(1)}`];
if (native) {
  lines.push(`native build on the machine that built the page: realtime factor ${native.toFixed(1)}`);
  lines.push(`WebAssembly / native: ${(browser / native).toFixed(2)}`);
}
result.textContent = lines.join('\n');
document.body.dataset.realtimeFactor = browser.toFixed(3);
