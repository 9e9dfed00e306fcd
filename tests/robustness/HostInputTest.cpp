// What a host hands the plug-in, taken at its word only as far as the interface promises.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "plugin/Calyx2Plugin.h"
#include "tests/support/MidiEvent.h"

namespace {

VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

VstMidiEvent noteOn(int note, int deltaFrames) { return midiEvent(0x90, note, 100, deltaFrames); }

// A list laid out as hosts lay it out: the header, then as many pointers as there are events,
// running past the two that VstEvents declares.
struct HostEventList {
    explicit HostEventList(std::vector<VstMidiEvent> midi) : events(std::move(midi)) {
        storage.assign(2 + std::max<size_t>(events.size(), 2), 0);
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(events.size());
        for (size_t i = 0; i < events.size(); ++i) storage[2 + i] = reinterpret_cast<VstIntPtr>(&events[i]);
    }
    VstEvents* list() { return reinterpret_cast<VstEvents*>(storage.data()); }

    std::vector<VstMidiEvent> events;
    std::vector<VstIntPtr> storage;
};

}  // namespace

TEST(EventList, EventsPastTheTwoDeclaredPointersArePlayed) {
    std::unique_ptr<Calyx2Plugin> plugin(new Calyx2Plugin(quietHost));
    HostEventList midi({noteOn(60, 0), noteOn(64, 0), noteOn(67, 0), noteOn(72, 0)});
    plugin->dispatcher(effProcessEvents, 0, 0, midi.list(), 0.0f);

    int starts = 0;
    for (int i = 0; i < plugin->getEngine().eventCount; ++i)
        if (plugin->getEngine().queuedEvents()[i].type == NoteStart) ++starts;
    EXPECT_EQ(starts, 4);
    EXPECT_EQ(plugin->getEngine().queuedEvents()[3].note, 72 - SynthEngine::kNoteShift);
}
