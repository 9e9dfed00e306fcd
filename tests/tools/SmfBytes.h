// Standard MIDI File images written byte by byte for the tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace smfbytes {

using Bytes = std::vector<uint8_t>;

inline void append(Bytes& out, std::initializer_list<int> values) {
    for (int v : values) out.push_back(static_cast<uint8_t>(v));
}

inline void appendBigEndian(Bytes& out, uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline Bytes header(int format, int tracks, int division) {
    Bytes out = {'M', 'T', 'h', 'd'};
    appendBigEndian(out, 6, 4);
    appendBigEndian(out, static_cast<uint32_t>(format), 2);
    appendBigEndian(out, static_cast<uint32_t>(tracks), 2);
    appendBigEndian(out, static_cast<uint32_t>(division), 2);
    return out;
}

// A track chunk around raw event bytes (delta times included).
inline Bytes track(const Bytes& events) {
    Bytes out = {'M', 'T', 'r', 'k'};
    appendBigEndian(out, static_cast<uint32_t>(events.size()), 4);
    out.insert(out.end(), events.begin(), events.end());
    return out;
}

inline Bytes file(const Bytes& head, std::initializer_list<Bytes> tracks) {
    Bytes out = head;
    for (const Bytes& t : tracks) out.insert(out.end(), t.begin(), t.end());
    return out;
}

// Delta time as a variable-length quantity.
inline void delta(Bytes& out, uint32_t ticks) {
    uint8_t groups[4];
    int count = 0;
    do {
        groups[count++] = ticks & 0x7F;
        ticks >>= 7;
    } while (ticks && count < 4);
    for (int i = count - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(groups[i] | (i ? 0x80 : 0)));
}

inline void tempo(Bytes& out, uint32_t ticks, uint32_t microsecondsPerQuarter) {
    delta(out, ticks);
    append(out, {0xFF, 0x51, 0x03});
    appendBigEndian(out, microsecondsPerQuarter, 3);
}

inline void endOfTrack(Bytes& out, uint32_t ticks) {
    delta(out, ticks);
    append(out, {0xFF, 0x2F, 0x00});
}

}  // namespace smfbytes
