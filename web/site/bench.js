// The realtime factor of the WebAssembly build at full polyphony, next to the native build's for
// the same script (native-bench.json, written by scripts/web.sh when it builds the page): rendered
// in the AudioWorklet of a running (muted) audio context, and on the page's thread.
import { instantiateCalyx2, kBlockFrames as kBlock } from './calyx2-module.js';
import { fullPolyphonyScript } from './event-scripts.js';

const kRate = 44100;
const kSeconds = 8;
const frames = kRate * kSeconds;

const result = document.getElementById('result');
const module = await WebAssembly.compileStreaming(fetch('calyx2.wasm'));
const script = fullPolyphonyScript(frames);

async function timeInWorklet() {
  const context = new AudioContext({ sampleRate: kRate });
  await context.resume();
  if (context.state !== 'running') {
    // Browsers start audio only after a gesture.
    result.textContent = 'click anywhere to start';
    await new Promise((resolve) => window.addEventListener('click', resolve, { once: true }));
    await context.resume();
  }
  result.textContent = `rendering ${kSeconds} seconds...`;
  await context.audioWorklet.addModule('worklet.js');
  const node = new AudioWorkletNode(context, 'calyx2', {
    numberOfInputs: 0,
    outputChannelCount: [2],
    processorOptions: { module, script, measure: Math.floor(frames / kBlock) },
  });
  const measured = new Promise((resolve) => {
    node.port.onmessage = (event) => { if (event.data.type === 'measured') resolve(event.data); };
  });
  node.connect(new GainNode(context, { gain: 0 })).connect(context.destination);
  const { seconds, milliseconds } = await measured;
  await context.close();
  return seconds / (milliseconds / 1000);
}

// The script's blocks as the worklet plays them, without the audio context around them.
async function timeOnPageThread() {
  const synth = await instantiateCalyx2(module);
  const e = synth.exports;
  synth.open(kRate);
  let next = 0;
  const started = performance.now();
  for (let start = 0; start < frames; start += kBlock) {
    for (; next < script.length && script[next][0] < start + kBlock; next += 1) {
      const [frame, kind, a, b, c] = script[next];
      if (kind === 'midi') e.web_midi(frame - start, a, b, c);
      else if (kind === 'param') e.web_set_parameter(a, b);
    }
    e.web_render(kBlock);
  }
  return kSeconds / ((performance.now() - started) / 1000);
}

async function nativeFigure() {
  try {
    const response = await fetch('native-bench.json');
    return response.ok ? (await response.json()).realtimeFactor : null;
  } catch {
    return null;  // no native figure beside this build
  }
}

const worklet = await timeInWorklet();
const pageThread = await timeOnPageThread();
const native = await nativeFigure();
const lines = [`WebAssembly in the AudioWorklet: realtime factor ${worklet.toFixed(1)}`,
               `WebAssembly on the page's thread: realtime factor ${pageThread.toFixed(1)}`];
if (native) {
  lines.push(`native build (measured when the page was built): realtime factor ${native.toFixed(1)}`);
  lines.push(`WebAssembly / native: ${(worklet / native).toFixed(2)} (AudioWorklet), ${(pageThread / native).toFixed(2)} (page thread)`);
}
result.textContent = lines.join('\n');
document.body.dataset.realtimeFactor = worklet.toFixed(3);
