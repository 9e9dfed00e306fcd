// Renders an event script through the AudioWorklet in an OfflineAudioContext, as fast as the
// machine allows: the benchmark page times it, the browser tests compare its samples with the
// native build's. Script lines are [frame, kind, a, b, c] (see calyx2-web-reference).

const kBlock = 128;

export async function renderOffline(module, events, frames, rate) {
  const whole = Math.ceil(frames / kBlock) * kBlock;
  const context = new OfflineAudioContext(2, whole, rate);
  await context.audioWorklet.addModule('worklet.js');
  const node = new AudioWorkletNode(context, 'calyx2', {
    numberOfInputs: 0,
    outputChannelCount: [2],
    processorOptions: { module, script: events, record: whole },
  });
  node.connect(context.destination);
  const recorded = new Promise((resolve) => {
    node.port.onmessage = (event) => { if (event.data.type === 'recorded') resolve(event.data); };
  });
  const started = performance.now();
  await context.startRendering();
  const { left, right } = await recorded;
  const seconds = (performance.now() - started) / 1000;
  return { left: left.subarray(0, frames), right: right.subarray(0, frames), seconds };
}
