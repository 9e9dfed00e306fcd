// The application's hold on the same Calyx2Plugin object a VST 2.4 host gets from the entry point,
// driven as a host drives it: dispatcher opcodes for set-up, programs, chunks and the editor;
// processEvents then processReplacing for every audio block.
//
// The audio thread calls addEvent and render only. Those allocate nothing, take no lock and make no
// system call. Reconfiguring (rate or block size) needs the plug-in suspended; the audio thread skips
// the plug-in (and plays silence) while another thread holds it for that, instead of waiting.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "standalone/HeldNotes.h"
#include "standalone/MidiMessageQueue.h"
#include "vst/vst2.h"

class Calyx2Plugin;

class PluginDriver {
  public:
    static constexpr int maxEventsPerBlock = 512;

    PluginDriver();
    ~PluginDriver();
    PluginDriver(const PluginDriver&) = delete;
    PluginDriver& operator=(const PluginDriver&) = delete;

    AEffect* effect() { return aeffect; }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);

    // Any thread but the audio thread; safe while audio runs.
    void configure(float sampleRate, int blockSize);
    float sampleRate() const { return rate.load(); }
    int blockSize() const { return frames.load(); }

    // Audio thread. Events beyond maxEventsPerBlock in one block are dropped and counted.
    void addEvent(const MidiMessage& message, int frame);
    void addQueued(MidiMessageQueue& queue);  // all waiting messages, at the start of the block
    void render(float* left, float* right, int frameCount);
    uint32_t droppedEvents() const { return dropped.load(std::memory_order_relaxed); }

    const HeldNotes& heldNotes() const { return held; }

    // Programs and chunks, through the dispatcher.
    int program();
    void setProgram(int program);
    std::string programName(int program);
    std::vector<uint8_t> chunk(bool program);
    bool setChunk(const std::vector<uint8_t>& bytes, bool program);
    void setParameter(int index, float value);
    float parameter(int index);

  private:
    struct EventList {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[maxEventsPerBlock];
    };

    void track(const MidiMessage& message);

    Calyx2Plugin* plugin = nullptr;
    AEffect* aeffect = nullptr;
    std::atomic<bool> busy{false};  // held by the audio thread per block, or by configure
    std::atomic<float> rate{0.0f};
    std::atomic<int> frames{0};
    std::array<VstMidiEvent, maxEventsPerBlock> midi{};
    EventList list{};
    int pending = 0;
    std::atomic<uint32_t> dropped{0};
    HeldNotes held;
};
