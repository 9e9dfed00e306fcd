// What the fuzz targets share: a host that answers the plug-in like a sequencer (with a tempo that
// the input may make absurd), an instance made through the exported entry point, blocks rendered
// into buffers of exactly the block's length so that any write past them is caught, and the
// builders that turn fuzz bytes into hostile values and event lists.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "vst/vst2.h"

namespace fuzzhost {

// Longest block the targets render; longer than the plug-in's largest work buffer is not needed to
// reach the stretch loop, since the targets also shrink the block size.
constexpr int kMaxFrames = 4096;

// Host time as the plug-in will see it in the next blocks: null, or a tempo that may be anything.
void setHostTempo(bool hasTime, double tempo);

// A fresh instance as the entry point makes it, opened. With referenceVoices the engine renders
// through the plain per-voice code that the vector lanes are compared with, instead of the lanes.
AEffect* openPlugin(bool referenceVoices);
VstIntPtr dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                   void* ptr = nullptr, float opt = 0.0f);
void closePlugin(AEffect* effect);

// Renders frames (may be 0 or negative) into freshly allocated outputs of exactly that length.
// Returns the two channels so that callers can check them; empty for frames <= 0.
std::vector<float> processBlock(AEffect* effect, int frames);

// Floats a careless or hostile host sends: NaN, infinities, denormals, huge values, signed zeros,
// ordinary values in 0..1 and raw bit patterns.
float hostileFloat(FuzzedDataProvider& input);
double hostileTempo(FuzzedDataProvider& input);

// A VstEvents list whose every pointer leads to memory the host owns: events of any type and size
// field (MIDI, SysEx with a real dump buffer, unknown types), any bytes and any deltaFrames, null
// entries, and occasionally a negative count. Owns everything it points to.
class EventList {
  public:
    explicit EventList(FuzzedDataProvider& input, int maxEvents, int blockFrames);
    VstEvents* list() { return reinterpret_cast<VstEvents*>(header.get()); }

  private:
    std::unique_ptr<unsigned char[]> header;
    std::vector<std::unique_ptr<unsigned char[]>> events;
    std::vector<std::unique_ptr<char[]>> dumps;
};

// Crashes the fuzzer with a message: a contract the plug-in broke without touching bad memory.
[[noreturn]] void fail(const char* what);

}  // namespace fuzzhost
