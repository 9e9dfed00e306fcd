// Which notes sound, as the audio thread last saw them, for the window to show: 128 bits written
// with single atomic operations, so the audio thread neither waits nor allocates to report them.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

class HeldNotes {
  public:
    static constexpr int noteCount = 128;

    void noteOn(int note) { word(note).fetch_or(bit(note), std::memory_order_relaxed); }
    void noteOff(int note) { word(note).fetch_and(~bit(note), std::memory_order_relaxed); }
    void clear() {
        for (auto& w : words) w.store(0, std::memory_order_relaxed);
    }
    bool isHeld(int note) const { return (words[index(note)].load(std::memory_order_relaxed) & bit(note)) != 0; }

    using Snapshot = std::array<uint32_t, noteCount / 32>;
    Snapshot snapshot() const {
        Snapshot copy{};
        for (std::size_t i = 0; i < copy.size(); ++i) copy[i] = words[i].load(std::memory_order_relaxed);
        return copy;
    }

  private:
    static std::size_t index(int note) { return std::size_t(note & 127) / 32; }
    static uint32_t bit(int note) { return uint32_t{1} << (note & 31); }
    std::atomic<uint32_t>& word(int note) { return words[index(note)]; }

    std::array<std::atomic<uint32_t>, noteCount / 32> words{};
};
