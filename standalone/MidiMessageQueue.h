// Notes from the computer keyboard, the window and the ALSA sequencer on their way to the audio
// thread. One producer thread and one consumer thread per queue, no lock: the audio thread must never
// wait on the window's thread. A full queue drops the message and counts it rather than block.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

// The status bytes and controllers the application itself makes or looks at (channel 1; the low
// nibble carries the channel).
namespace midi {
constexpr uint8_t noteOff = 0x80;
constexpr uint8_t noteOn = 0x90;
constexpr uint8_t controller = 0xB0;
constexpr uint8_t pitchBend = 0xE0;
constexpr uint8_t firstChannelStatus = 0x80;  // channel messages run from here up to the system ones
constexpr uint8_t firstSystemStatus = 0xF0;
constexpr uint8_t allSoundOff = 120;
constexpr uint8_t allNotesOff = 123;
}  // namespace midi

struct MidiMessage {
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

class MidiMessageQueue {
  public:
    static constexpr uint32_t capacity = 1024;  // a power of two: indices wrap with a mask
    static_assert((capacity & (capacity - 1)) == 0, "capacity must be a power of two");

    // Producer side.
    bool push(const MidiMessage& message) {
        const uint32_t tail = writeIndex.load(std::memory_order_relaxed);
        if (tail - readIndex.load(std::memory_order_acquire) == capacity) {
            dropped.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        slots[tail & (capacity - 1)] = message;
        writeIndex.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer side.
    bool pop(MidiMessage& message) {
        const uint32_t head = readIndex.load(std::memory_order_relaxed);
        if (head == writeIndex.load(std::memory_order_acquire)) return false;
        message = slots[head & (capacity - 1)];
        readIndex.store(head + 1, std::memory_order_release);
        return true;
    }

    uint32_t droppedCount() const { return dropped.load(std::memory_order_relaxed); }

  private:
    std::array<MidiMessage, capacity> slots{};
    alignas(64) std::atomic<uint32_t> writeIndex{0};
    alignas(64) std::atomic<uint32_t> readIndex{0};
    std::atomic<uint32_t> dropped{0};
};
