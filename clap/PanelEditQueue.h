// Panel edits on their way from the editor's thread to the host: a fixed ring that one thread fills
// and one drains (process or params.flush, which the host never runs at the same time), without a
// lock or an allocation, so the audio thread can drain it.
#pragma once

#include <atomic>
#include <cstdint>

#include "clap/clap_abi.h"

namespace calyx2clap {

struct PanelEdit {
    uint16_t type;  // CLAP_EVENT_PARAM_GESTURE_BEGIN, CLAP_EVENT_PARAM_VALUE or CLAP_EVENT_PARAM_GESTURE_END
    clap_id param;
    double value;
};

class PanelEditQueue {
public:
    static constexpr uint32_t kCapacity = 1024;  // a power of two

    // False when full: the edit is dropped (the value itself is already live in the plug-in).
    bool push(const PanelEdit& edit) {
        const uint32_t tail = written.load(std::memory_order_relaxed);
        if (tail - taken.load(std::memory_order_acquire) >= kCapacity) return false;
        slots[tail % kCapacity] = edit;
        written.store(tail + 1, std::memory_order_release);
        return true;
    }

    bool pop(PanelEdit& edit) {
        const uint32_t head = taken.load(std::memory_order_relaxed);
        if (head == written.load(std::memory_order_acquire)) return false;
        edit = slots[head % kCapacity];
        taken.store(head + 1, std::memory_order_release);
        return true;
    }

private:
    PanelEdit slots[kCapacity] = {};
    std::atomic<uint32_t> written{0};
    std::atomic<uint32_t> taken{0};
};

}  // namespace calyx2clap
