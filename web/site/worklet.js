// The sound: one plug-in object in the AudioWorklet, rendering each 128-frame quantum at the
// context's rate. Messages from the page arrive between quanta; parameter, program and preset
// changes apply before the next block, MIDI lands at the block's first frame (or, for scripted
// events, at its own frame). The page's main thread holds a second instance for the panel and
// sends this one every call it makes to its own, so the two never disagree.
//
// processorOptions: module (the compiled calyx2.wasm), and optionally bank and program (the state
// to start from), script (an event list to play from the first block), record (frames of output
// to copy back to the page) and measure (blocks of the script to render at once in the first
// quantum, timed, for the benchmark page).
import { instantiateCalyx2Now, kBlockFrames as kBlock } from './calyx2-module.js';

class Calyx2Processor extends AudioWorkletProcessor {
  constructor(options) {
    super();
    const { module, bank, program, script, record, measure } = options.processorOptions;
    this.synth = instantiateCalyx2Now(module);
    this.synth.open(sampleRate);
    if (bank) this.synth.setChunk(bank, false);
    if (program !== undefined) this.synth.exports.web_set_program(program);
    this.pending = [];     // messages that arrived since the last block
    this.script = null;    // { events, next, frame }: a fixed event list played by frame
    this.recording = null; // { left, right, filled }: the test hook's copy of what we output
    if (script) this.apply({ type: 'script', events: script });
    if (record) this.apply({ type: 'record', frames: record });
    this.blocksToTime = measure ?? 0;
    this.port.onmessage = (event) => this.pending.push(event.data);
  }

  apply(message) {
    const e = this.synth.exports;
    switch (message.type) {
      case 'midi': e.web_midi(0, message.bytes[0], message.bytes[1] ?? 0, message.bytes[2] ?? 0); break;
      case 'param': e.web_set_parameter(message.index, message.value); break;
      case 'program': e.web_set_program(message.program); break;
      case 'preset': this.synth.importPreset(message.bytes); break;
      case 'script': this.script = { events: message.events, next: 0, frame: 0 }; break;
      case 'record':
        this.recording = { left: new Float32Array(message.frames), right: new Float32Array(message.frames), filled: 0 };
        break;
      case 'parameters': {
        const values = Array.from({ length: e.web_parameter_count() }, (_, i) => e.web_get_parameter(i));
        this.port.postMessage({ type: 'parameters', values });
        break;
      }
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

  // The worklet has no high-resolution clock, so the blocks are rendered in one go, long enough
  // for whole milliseconds to time them.
  timeScript() {
    const started = Date.now();
    for (let block = 0; block < this.blocksToTime; block += 1) {
      this.playScript();
      this.synth.exports.web_render(kBlock);
    }
    const milliseconds = Date.now() - started;
    this.port.postMessage({ type: 'measured', seconds: (this.blocksToTime * kBlock) / sampleRate, milliseconds });
    this.blocksToTime = 0;
  }

  process(inputs, outputs) {
    for (const message of this.pending) this.apply(message);
    this.pending.length = 0;
    if (this.blocksToTime) this.timeScript();
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
