// Event scripts shared by the benchmark page, the browser tests and scripts/web.sh (which hands the
// same scripts to the native build): lines [frame, kind, a, b, c] in frame order.
import { kBlockFrames } from './calyx2-module.js';

// The plug-in's parameters in index order (the tests check this against the module).
export const kParameterNames = [
  ...[1, 2, 3, 4].flatMap((op) => ['LVL', 'OCT', 'FIN', 'WAV', 'FEB', 'A', 'D', 'S', 'R', 'LFO', 'VEL', 'RTE']
    .map((name) => `${name}${op}`)),
  'LVLm', 'OCTm', 'WAVm', 'FEBm', 'Am', 'Dm', 'Sm', 'Rm', 'LFOm', 'VELm',
  'LFO_SPD', 'LFO_MOD', 'LFO_PCH', 'PBR', 'AAA', 'C_LVL', 'C_SPD', 'C_DPH', 'D_LVL', 'D_SPD', 'D_FB',
];
const indexOf = (name) => kParameterNames.indexOf(name);

export const kBenchVoices = 17;
const kRenewalFrames = 64 * kBlockFrames;

// The heaviest patch: every operator on with feedback, LFO on pitch and levels, filter, chorus and
// delay on; 17 notes, and every kRenewalFrames one more, so that 16 voices keep sounding and one
// keeps releasing however long the render runs.
export function fullPolyphonyScript(frames) {
  const operator = { LVL: 0.6, OCT: 1 / 6, FIN: 0.52, WAV: 0.3, FEB: 0.4, A: 0.05, D: 0.5, S: 0.7, R: 1, LFO: 0.2,
                     VEL: 0.5, RTE: 0 };
  const rest = { LVLm: 0.5, OCTm: 1 / 6, WAVm: 0.2, FEBm: 0.3, Am: 0.05, Dm: 0.5, Sm: 0.8, Rm: 1, LFOm: 0.1,
                 VELm: 0.3, LFO_SPD: 0.6, LFO_MOD: 0, LFO_PCH: 0.2, PBR: 2 / 6, AAA: 1, C_LVL: 0.7, C_SPD: 0.3,
                 C_DPH: 0.6, D_LVL: 0.5, D_SPD: 0.375, D_FB: 0.5 };
  const events = [];
  for (const op of [1, 2, 3, 4]) {
    for (const [name, value] of Object.entries(operator)) events.push([0, 'param', indexOf(`${name}${op}`), Math.fround(value)]);
  }
  for (const [name, value] of Object.entries(rest)) events.push([0, 'param', indexOf(name), Math.fround(value)]);
  for (let n = 0; n < kBenchVoices; n += 1) events.push([8 * n, 'midi', 0x90, 40 + 2 * n, 100]);
  for (let frame = kRenewalFrames, renewal = 0; frame < frames; frame += kRenewalFrames, renewal += 1) {
    events.push([frame, 'midi', 0x90, 40 + 2 * (renewal % kBenchVoices), 100]);
  }
  return events.sort((x, y) => x[0] - y[0]);
}

// A fixed pseudo-random performance through every program: a tempo, chords, bends, wheel, parameter
// changes and releases, segmentFrames per program.
export function everyProgramScript(programs, segmentFrames) {
  let seed = 12345;
  const next = (n) => { seed = (seed * 1103515245 + 12345) % 2147483648; return Math.floor(seed / 65536) % n; };
  const events = [];
  for (let program = 0; program < programs; program += 1) {
    const start = program * segmentFrames;
    events.push([start, 'program', program]);
    events.push([start, 'tempo', 60 + next(121)]);
    const notes = [];
    for (let i = 0; i < 1 + next(5); i += 1) {
      const note = 36 + next(48);
      notes.push(note);
      events.push([start + next(segmentFrames / 4), 'midi', 0x90, note, 1 + next(127)]);
    }
    for (let i = 0; i < 6; i += 1) {
      const at = start + next(segmentFrames);
      switch (next(3)) {
        case 0: { const bend = next(16384); events.push([at, 'midi', 0xe0, bend & 0x7f, bend >> 7]); break; }
        case 1: events.push([at, 'midi', 0xb0, 1, next(128)]); break;
        default: events.push([at, 'param', next(kParameterNames.length), next(257) / 256]); break;
      }
    }
    for (const note of notes) events.push([start + segmentFrames / 2 + next(segmentFrames / 2), 'midi', 0x80, note, 0]);
    events.push([start + segmentFrames - 1, 'midi', 0xe0, 0, 64]);
    events.push([start + segmentFrames - 1, 'midi', 0xb0, 1, 0]);
  }
  return events.sort((x, y) => x[0] - y[0]);
}

// The text calyx2-web-reference reads.
export const scriptText = (events) => events.map((line) => line.join(' ')).join('\n') + '\n';
