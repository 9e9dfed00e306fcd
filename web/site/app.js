// The page: the panel instance on the main thread, the sound instance in an AudioWorklet, and the
// controls that play them. Every call that changes the panel instance's state (parameters from the
// panel, programs, presets) is made on the sound instance too, in the same order.
import { instantiateCalyx2 } from './calyx2-module.js';

const kStateKey = 'calyx2.state';
const kPanelRate = 48000;          // the panel instance renders nothing; any rate will do
const kKeyboardLowest = 48;        // C3, the on-screen keyboard's first key
const kKeyboardOctaves = 3;
const kWhiteKeyWidth = 560 / (kKeyboardOctaves * 7 + 1);
const kVelocity = 100;
const kSaveDelayMs = 300;
const kBendCentre = 8192;
// Computer keys as piano keys, semitones above the current octave's C.
const kComputerKeys = { a: 0, w: 1, s: 2, e: 3, d: 4, f: 5, t: 6, g: 7, y: 8, h: 9, u: 10, j: 11, k: 12, o: 13, l: 14 };
const kBlackKeys = new Set([1, 3, 6, 8, 10]);

const $ = (id) => document.getElementById(id);
const status = (text) => { $('status').textContent = text; };

const module = await WebAssembly.compileStreaming(fetch('calyx2.wasm'));
const panel = await instantiateCalyx2(module);
const e = panel.exports;
panel.open(kPanelRate);

// ---- sound ----
let audio = null;  // promise of { context, node }
const recordings = [];       // resolvers of the test hook's requests, answered in order
const parameterQueries = [];

function ensureAudio() {
  audio ??= (async () => {
    const context = new AudioContext({ latencyHint: 'interactive' });
    await context.audioWorklet.addModule('worklet.js');
    const node = new AudioWorkletNode(context, 'calyx2', {
      numberOfInputs: 0,
      outputChannelCount: [2],
      processorOptions: { module, bank: panel.chunk(false), program: e.web_get_program() },
    });
    node.port.onmessage = (event) => {
      if (event.data.type === 'recorded') recordings.shift()?.(event.data);
      if (event.data.type === 'parameters') parameterQueries.shift()?.(event.data.values);
    };
    node.connect(context.destination);
    await context.resume();
    $('start').textContent = `Sound on (${context.sampleRate} Hz)`;
    return { context, node };
  })();
  return audio;
}

// Messages reach the worklet in the order they are sent; before the sound starts there is nothing to
// tell it, since it starts from the panel instance's state.
function send(message, transfer) {
  if (audio) audio.then(({ node }) => node.port.postMessage(message, transfer ?? []));
}

function midi(bytes) {
  ensureAudio();
  send({ type: 'midi', bytes });
}

// ---- panel ----
const canvas = $('panel');
const context2d = canvas.getContext('2d');
const image = context2d.createImageData(canvas.width, canvas.height);
let drawnVersion = -1;

function drawPanel() {
  e.web_panel_idle();
  const version = e.web_panel_version();
  if (version === drawnVersion) return;
  drawnVersion = version;
  const rgb = panel.panelPixels();
  const rgba = image.data;
  for (let i = 0, j = 0; i < rgb.length; i += 3, j += 4) {
    rgba[j] = rgb[i];
    rgba[j + 1] = rgb[i + 1];
    rgba[j + 2] = rgb[i + 2];
    rgba[j + 3] = 255;
  }
  context2d.putImageData(image, 0, 0);
}

function afterPanelEvent() {
  for (const [index, value] of panel.automation()) send({ type: 'param', index, value });
  drawPanel();
  saveSoon();
}

function canvasPoint(event) {
  const box = canvas.getBoundingClientRect();
  return [Math.floor((event.clientX - box.left) * canvas.width / box.width),
          Math.floor((event.clientY - box.top) * canvas.height / box.height)];
}
const panelButton = (event) => (event.button === 2 ? 1 : 0);  // right button: fine mode

canvas.addEventListener('pointerdown', (event) => {
  if (event.button !== 0 && event.button !== 2) return;
  canvas.setPointerCapture(event.pointerId);
  e.web_panel_button_down(panelButton(event), ...canvasPoint(event));
  afterPanelEvent();
});
canvas.addEventListener('pointermove', (event) => {
  e.web_panel_mouse_move(...canvasPoint(event));
  afterPanelEvent();
});
canvas.addEventListener('pointerup', (event) => {
  if (event.button !== 0 && event.button !== 2) return;
  e.web_panel_button_up(panelButton(event), ...canvasPoint(event));
  afterPanelEvent();
});
canvas.addEventListener('contextmenu', (event) => event.preventDefault());
canvas.addEventListener('wheel', (event) => {
  event.preventDefault();
  if (event.deltaY === 0) return;
  e.web_panel_wheel(...canvasPoint(event), event.deltaY < 0 ? 1 : -1);
  afterPanelEvent();
}, { passive: false });

// ---- programs ----
const programMenu = $('program');

function fillProgramMenu() {
  programMenu.replaceChildren(...panel.programNames().map((name, i) => new Option(`${i} ${name}`, String(i))));
  programMenu.value = String(e.web_get_program());
}

function selectProgram(program) {
  e.web_set_program(program);
  send({ type: 'program', program });
  programMenu.value = String(program);
  drawPanel();
  saveSoon();
}
programMenu.addEventListener('change', () => selectProgram(Number(programMenu.value)));

// ---- state and preset files ----
function toBase64(bytes) {
  let text = '';
  for (const byte of bytes) text += String.fromCharCode(byte);
  return btoa(text);
}
const fromBase64 = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));

function restoreState() {
  try {
    const saved = JSON.parse(localStorage.getItem(kStateKey) ?? 'null');
    if (!saved) return;
    if (panel.setChunk(fromBase64(saved.bank), false)) e.web_set_program(saved.program);
  } catch (error) {
    localStorage.removeItem(kStateKey);  // a state this page cannot read is dropped, not kept failing
  }
}

let saveTimer = 0;
function saveSoon() {
  clearTimeout(saveTimer);
  saveTimer = setTimeout(() => {
    localStorage.setItem(kStateKey, JSON.stringify({ bank: toBase64(panel.chunk(false)), program: e.web_get_program() }));
  }, kSaveDelayMs);
}

$('import').addEventListener('change', async (event) => {
  const file = event.target.files[0];
  if (!file) return;
  const bytes = new Uint8Array(await file.arrayBuffer());
  const error = panel.importPreset(bytes);
  if (error) {
    status(`${file.name}: ${error}`);
  } else {
    send({ type: 'preset', bytes });
    fillProgramMenu();
    drawPanel();
    saveSoon();
    status(`${file.name} loaded`);
  }
  event.target.value = '';
});

function download(bytes, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}
$('export-program').addEventListener('click', () => {
  const name = panel.programNames()[e.web_get_program()].replace(/[^\w -]+/g, '').trim() || 'program';
  download(panel.exportPreset(false), `${name}.fxp`);
});
$('export-bank').addEventListener('click', () => download(panel.exportPreset(true), 'calyx2-bank.fxb'));

// ---- playing ----
const held = new Set();
const keyElements = new Map();

function noteOn(note) {
  if (held.has(note)) return;
  held.add(note);
  keyElements.get(note)?.classList.add('down');
  midi([0x90, note, kVelocity]);
}
function noteOff(note) {
  if (!held.delete(note)) return;
  keyElements.get(note)?.classList.remove('down');
  midi([0x80, note, 0]);
}

function buildKeyboard() {
  const keyboard = $('keyboard');
  let white = 0;
  for (let note = kKeyboardLowest; note <= kKeyboardLowest + 12 * kKeyboardOctaves; note += 1) {
    const key = document.createElement('div');
    const black = kBlackKeys.has(note % 12);
    key.className = black ? 'black' : 'white';
    key.dataset.note = String(note);
    key.style.left = `${(black ? white - 0.3 : white) * kWhiteKeyWidth}px`;
    key.style.width = `${(black ? 0.6 : 1) * kWhiteKeyWidth}px`;
    if (!black) white += 1;
    key.addEventListener('pointerdown', (event) => { key.setPointerCapture(event.pointerId); noteOn(note); });
    key.addEventListener('pointerup', () => noteOff(note));
    key.addEventListener('pointercancel', () => noteOff(note));
    keyboard.append(key);
    keyElements.set(note, key);
  }
}

let octaveC = 60;
const notesOfKeys = new Map();  // the note each computer key started, whatever the octave is now
// Keys typed into the program menu or a file field are theirs, not the piano's.
const typing = (event) => event.target instanceof HTMLSelectElement ||
  (event.target instanceof HTMLInputElement && event.target.type !== 'range');
window.addEventListener('keydown', (event) => {
  if (event.repeat || typing(event) || event.ctrlKey || event.metaKey || event.altKey) return;
  const key = event.key.toLowerCase();
  if (key === 'z') octaveC = Math.max(12, octaveC - 12);
  else if (key === 'x') octaveC = Math.min(108, octaveC + 12);
  else if (key in kComputerKeys && !notesOfKeys.has(key)) {
    notesOfKeys.set(key, octaveC + kComputerKeys[key]);
    noteOn(notesOfKeys.get(key));
  }
});
window.addEventListener('keyup', (event) => {
  const key = event.key.toLowerCase();
  if (!notesOfKeys.has(key)) return;
  noteOff(notesOfKeys.get(key));
  notesOfKeys.delete(key);
});

const bend = $('bend');
bend.addEventListener('input', () => midi([0xe0, Number(bend.value) & 0x7f, Number(bend.value) >> 7]));
bend.addEventListener('change', () => { bend.value = String(kBendCentre); midi([0xe0, 0, kBendCentre >> 7]); });
const wheel = $('wheel');
wheel.addEventListener('input', () => midi([0xb0, 1, Number(wheel.value)]));

$('start').addEventListener('click', () => ensureAudio());

// Web MIDI, where the browser offers it: channel messages from every input go to the sound.
async function connectMidiInputs() {
  if (!navigator.requestMIDIAccess) return;
  try {
    const access = await navigator.requestMIDIAccess();
    const listen = () => {
      for (const input of access.inputs.values()) {
        input.onmidimessage = (message) => {
          const bytes = Array.from(message.data);
          if (bytes[0] >= 0x80 && bytes[0] < 0xf0) midi(bytes);
        };
      }
    };
    listen();
    access.onstatechange = listen;
  } catch (error) {
    status('MIDI input not available');
  }
}

restoreState();
e.web_panel_open();
buildKeyboard();
fillProgramMenu();
drawPanel();
connectMidiInputs();

// For the browser tests: the two instances, and a copy of the worklet's next `frames` output frames.
window.calyx2 = {
  panel,
  ensureAudio,
  send,
  selectProgram,
  record: (frames) => new Promise((resolve) => {
    recordings.push(resolve);
    send({ type: 'record', frames });
  }),
  // The sound instance's parameter values, to check that it follows the panel instance.
  soundParameters: () => new Promise((resolve) => {
    parameterQueries.push(resolve);
    send({ type: 'parameters' });
  }),
};
document.body.dataset.ready = 'true';
