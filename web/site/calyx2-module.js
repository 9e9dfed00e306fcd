// Instantiates calyx2.wasm (compiled once by the page) and wraps its exports. Used by the page's
// main thread, where the panel lives, and by the AudioWorklet, where the sound is made: the module
// carries no JavaScript runtime, so the same few lines serve both.

// Frames per block: an AudioWorklet render quantum, and what the module renders per call.
export const kBlockFrames = 128;

const kImports = {
  env: { emscripten_notify_memory_growth: () => {} },
  wasi_snapshot_preview1: {
    proc_exit: (code) => { throw new Error(`calyx2.wasm exited with code ${code}`); },
  },
};

// The main thread may not instantiate a module this size synchronously.
export async function instantiateCalyx2(module) {
  return wrap(await WebAssembly.instantiate(module, kImports));
}

// The worklet instantiates in its constructor, so that it renders from the very first block.
export function instantiateCalyx2Now(module) {
  return wrap(new WebAssembly.Instance(module, kImports));
}

function wrap(instance) {
  const e = instance.exports;
  const memory = e.memory;
  let outputViews = null;
  if (e._initialize) e._initialize();

  const bytesAt = (pointer, length) => new Uint8Array(memory.buffer, pointer, length);
  const text = (pointer) => {
    const all = new Uint8Array(memory.buffer);
    let end = pointer;
    while (all[end] !== 0) end += 1;
    let s = '';
    for (let i = pointer; i < end; i += 1) s += String.fromCharCode(all[i]);
    return s;
  };
  const putBytes = (bytes) => {
    const pointer = e.web_bytes(bytes.length);
    bytesAt(pointer, bytes.length).set(bytes);
    return pointer;
  };

  return {
    exports: e,
    open: (sampleRate) => e.web_open(sampleRate),
    // Views of the two output blocks, made again only when the memory grew (the old ones are then empty).
    outputs: () => {
      if (!outputViews || outputViews[0].length === 0) {
        outputViews = [0, 1].map((c) => new Float32Array(memory.buffer, e.web_output(c), kBlockFrames));
      }
      return outputViews;
    },
    programNames: () => Array.from({ length: e.web_program_count() }, (_, i) => text(e.web_program_name(i))),
    parameterName: (i) => text(e.web_parameter_name(i)),
    parameterDisplay: (i) => text(e.web_parameter_display(i)),
    // The plug-in's bank (or program) chunk, copied out.
    chunk: (isPreset) => {
      const size = e.web_get_chunk(isPreset ? 1 : 0);
      return bytesAt(e.web_bytes_data(), size).slice();
    },
    setChunk: (bytes, isPreset) => { putBytes(bytes); return e.web_set_chunk(isPreset ? 1 : 0) !== 0; },
    exportPreset: (wholeBank) => {
      const size = e.web_export_preset(wholeBank ? 1 : 0);
      return bytesAt(e.web_bytes_data(), size).slice();
    },
    // '' when loaded, otherwise why not.
    importPreset: (bytes) => {
      const pointer = putBytes(bytes);
      return text(e.web_import_preset(pointer, bytes.length));
    },
    automation: () => {
      const changes = [];
      for (let i = 0; i < e.web_automation_count(); i += 1) {
        changes.push([e.web_automation_index(i), e.web_automation_value(i)]);
      }
      e.web_automation_clear();
      return changes;
    },
    panelPixels: () => bytesAt(e.web_panel_pixels(), e.web_panel_width() * e.web_panel_height() * 3),
  };
}
