// The one plug-in object of a WebAssembly instance (or of the native reference renderer), driven
// as a host drives it: opened, told the rate and the 128-frame block of an AudioWorklet, resumed,
// then given MIDI events with frame offsets and asked for one block at a time.
#pragma once

#include "plugin/Calyx2Plugin.h"

namespace web {

constexpr int kBlockFrames = 128;  // an AudioWorklet render quantum

Calyx2Plugin* synth();  // null before web_open
VstIntPtr dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
// The buffer bytes pass through between the page and the module, resized to size bytes.
uint8_t* byteBuffer(int size);

}  // namespace web
