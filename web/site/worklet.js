// The sound: one plug-in object in the AudioWorklet, rendering each 128-frame quantum at the
// context's rate. Messages from the page arrive between quanta; parameter, program and preset
// changes apply before the next block, MIDI lands at the block's first frame (or, for scripted
// events, at its own frame). The page's main thread holds a second instance for the panel and
// sends this one every call it makes to its own, so the two never disagree.
import { instantiateCalyx2 } from './calyx2-module.js';

const kBlock = 128;

class Calyx2Processor extends AudioWorkletProcessor {
  constructor() {
    super();
    this.synth = null;
    this.pending = [];     // messages that arrived before the instance was ready, then between blocks
    this.script = null;    // { events, next, frame }: a fixed event list played by frame
    this.recording = null; // { left, right, filled }: the test hook's copy of what we output
    this.port.onmessage = (event) => this.receive(event.data);
  }

  async receive(message) {
    if (message.type === 'init') {
      const synth = await instantiateCalyx2(message.module);
      synth.open(sampleRate);
      if (message.bank) synth.setChunk(message.bank, false);
      if (message.program !== undefined) synth.exports.web_set_program(message.program);
      this.synth = synth;
      this.port.postMessage({ type: 'ready', sampleRate });
      return;
    }
    this.pending.push(message);
  }

  apply(message) {
    const e = this.synth.exports;
    switch (message.type) {
      case 'midi': e.web_midi(0, message.bytes[0], message.bytes[1] ?? 0, message.bytes[2] ?? 0); break;
      case 'param': e.web_set_parameter(message.index, message.value); break;
      case 'program': e.web_set_program(message.program); break;
      case 'tempo': e.web_set_tempo(message.bpm); break;
      case 'preset': this.synth.importPreset(message.bytes); break;
      case 'bank': this.synth.setChunk(message.bytes, false); e.web_set_program(message.program); break;
      case 'script': this.script = { events: message.events, next: 0, frame: 0 }; break;
      case 'record':
        this.recording = { left: new Float32Array(message.frames), right: new Float32Array(message.frames), filled: 0 };
        break;
      default: break;
    }
  }

  // Script lines are [frame, kind, a, b, c], as calyx2-web-reference reads them.
  playScript() {
    const s = this.script;
    const e = this.synth.exports;
    const end = s.frame + kBlock;
    for (; s.next < s.events.length && s.events[s.next][0] < end; s.next += 1) {
      const [frame, kind, a, b, c] = s.events[s.next];
      if (kind === 'midi') e.web_midi(frame - s.frame, a, b, c);
      else if (kind === 'param') e.web_set_parameter(a, b);
      else if (kind === 'program') e.web_set_program(a);
      else if (kind === 'tempo') e.web_set_tempo(a);
    }
    s.frame = end;
  }

  record(left, right) {
    const r = this.recording;
    const count = Math.min(left.length, r.left.length - r.filled);
    r.left.set(left.subarray(0, count), r.filled);
    r.right.set(right.subarray(0, count), r.filled);
    r.filled += count;
    if (r.filled === r.left.length) {
      this.port.postMessage({ type: 'recorded', left: r.left, right: r.right }, [r.left.buffer, r.right.buffer]);
      this.recording = null;
    }
  }

  process(inputs, outputs) {
    if (!this.synth) return true;
    for (const message of this.pending) this.apply(message);
    this.pending.length = 0;
    if (this.script) this.playScript();
    const [left, right] = outputs[0];
    const frames = left.length;
    this.synth.exports.web_render(frames);
    const [synthLeft, synthRight] = this.synth.outputs();
    left.set(synthLeft.subarray(0, frames));
    if (right) right.set(synthRight.subarray(0, frames));
    if (this.recording) this.record(synthLeft.subarray(0, frames), synthRight.subarray(0, frames));
    return true;
  }
}

registerProcessor('calyx2', Calyx2Processor);
