// Renders an event script through the AudioWorklet and hands back what it output, for the browser
// tests that compare the samples with the native build's. Offline, as fast as the machine allows;
// live, in a running (muted) audio context at the speed of sound. Script lines are
// [frame, kind, a, b, c] (see calyx2-web-reference).

import { kBlockFrames as kBlock } from './calyx2-module.js';

export async function renderScript(module, events, frames, rate, { live = false } = {}) {
  const whole = Math.ceil(frames / kBlock) * kBlock;
  const context = live ? new AudioContext({ sampleRate: rate }) : new OfflineAudioContext(2, whole, rate);
  await context.audioWorklet.addModule('worklet.js');
  const node = new AudioWorkletNode(context, 'calyx2', {
    numberOfInputs: 0,
    outputChannelCount: [2],
    processorOptions: { module, script: events, record: whole },
  });
  const recorded = new Promise((resolve) => {
    node.port.onmessage = (event) => { if (event.data.type === 'recorded') resolve(event.data); };
  });
  if (live) {
    node.connect(new GainNode(context, { gain: 0 })).connect(context.destination);
    await context.resume();
  } else {
    node.connect(context.destination);
    await context.startRendering();
  }
  const { left, right } = await recorded;
  if (live) await context.close();
  return { left: left.subarray(0, frames), right: right.subarray(0, frames) };
}
