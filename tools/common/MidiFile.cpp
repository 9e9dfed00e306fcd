#include "tools/common/MidiFile.h"

#include <cstring>

namespace tools {
namespace {

class ByteReader {
public:
    ByteReader(const std::vector<uint8_t>& bytes, size_t begin, size_t end) : bytes_(bytes), position_(begin), end_(end) {}
    bool atEnd() const { return position_ >= end_; }
    bool has(size_t count) const { return end_ - position_ >= count; }
    size_t position() const { return position_; }
    uint8_t byte() { return bytes_[position_++]; }
    void skip(size_t count) { position_ += count; }
    uint32_t bigEndian(int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) value = (value << 8) | bytes_[position_++];
        return value;
    }
    // Variable-length quantity: at most four bytes of seven bits each.
    bool variableLength(uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (atEnd()) return false;
            uint8_t b = byte();
            value = (value << 7) | (b & 0x7F);
            if (!(b & 0x80)) return true;
        }
        return false;
    }

private:
    const std::vector<uint8_t>& bytes_;
    size_t position_;
    size_t end_;
};

int dataBytesOf(uint8_t status) {
    uint8_t kind = status & 0xF0;
    return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

bool parseTrack(const std::vector<uint8_t>& bytes, size_t begin, size_t end, int number,
                std::vector<MidiEvent>& events, std::string& error) {
    ByteReader in(bytes, begin, end);
    std::string where = "track " + std::to_string(number);
    auto truncated = [&]() {
        error = "truncated MIDI file (" + where + " ends inside an event)";
        return false;
    };
    auto malformed = [&](const std::string& what) {
        error = "malformed MIDI file (" + where + ", byte " + std::to_string(in.position()) + ": " + what + ")";
        return false;
    };
    uint64_t tick = 0;
    uint8_t runningStatus = 0;
    while (!in.atEnd()) {
        uint32_t delta;
        if (!in.variableLength(delta)) return in.atEnd() ? truncated() : malformed("delta time longer than four bytes");
        tick += delta;
        if (in.atEnd()) return truncated();
        uint8_t first = in.byte();

        if (first == 0xFF) {
            if (!in.has(1)) return truncated();
            uint8_t type = in.byte();
            uint32_t length;
            if (!in.variableLength(length)) return truncated();
            if (!in.has(length)) return truncated();
            runningStatus = 0;  // meta events cancel running status
            if (type == 0x51) {
                if (length != 3) return malformed("tempo event of " + std::to_string(length) + " bytes");
                MidiEvent event;
                event.tick = tick;
                event.kind = MidiEvent::Kind::Tempo;
                event.microsecondsPerQuarter = in.bigEndian(3);
                if (event.microsecondsPerQuarter == 0) return malformed("tempo of zero");
                events.push_back(event);
                continue;
            }
            in.skip(length);
            if (type == 0x2F) {
                MidiEvent event;
                event.tick = tick;
                event.kind = MidiEvent::Kind::EndOfTrack;
                events.push_back(event);
                return true;  // whatever follows the end of the track is not part of it
            }
            continue;
        }
        if (first == 0xF0 || first == 0xF7) {
            uint32_t length;
            if (!in.variableLength(length)) return truncated();
            if (!in.has(length)) return truncated();
            in.skip(length);
            runningStatus = 0;
            continue;
        }

        MidiEvent event;
        event.tick = tick;
        uint8_t status;
        int dataRead = 0;
        if (first & 0x80) {
            if (first >= 0xF0) return malformed("system message 0x" + std::string(1, "0123456789ABCDEF"[first >> 4]) +
                                                std::string(1, "0123456789ABCDEF"[first & 15]) + " in a track");
            status = first;
            runningStatus = status;
        } else {
            if (!runningStatus) return malformed("data byte without a status byte");
            status = runningStatus;
            event.bytes[1] = first;
            dataRead = 1;
        }
        int dataBytes = dataBytesOf(status);
        event.bytes[0] = status;
        event.size = static_cast<uint8_t>(1 + dataBytes);
        for (int i = dataRead; i < dataBytes; ++i) {
            if (in.atEnd()) return truncated();
            uint8_t data = in.byte();
            if (data & 0x80) return malformed("status byte where a data byte belongs");
            event.bytes[1 + i] = data;
        }
        events.push_back(event);
    }
    return true;
}

}  // namespace

bool parseMidiFile(const std::vector<uint8_t>& bytes, MidiFile& file, std::string& error) {
    file = MidiFile{};
    if (bytes.size() < 14 || std::memcmp(bytes.data(), "MThd", 4) != 0) {
        error = "not a Standard MIDI File (no 'MThd' header)";
        return false;
    }
    ByteReader header(bytes, 4, bytes.size());
    uint32_t headerLength = header.bigEndian(4);
    if (headerLength < 6 || headerLength > bytes.size() - 8) {
        error = "malformed MIDI file (header length " + std::to_string(headerLength) + ")";
        return false;
    }
    file.format = static_cast<int>(header.bigEndian(2));
    uint32_t trackCount = header.bigEndian(2);
    uint32_t division = header.bigEndian(2);
    if (file.format == 2) {
        error = "MIDI file format 2 (independent sequences) is not supported";
        return false;
    }
    if (file.format > 2) {
        error = "unknown MIDI file format " + std::to_string(file.format);
        return false;
    }
    if (division & 0x8000) {
        int frames = -static_cast<int8_t>(division >> 8);
        if (frames != 24 && frames != 25 && frames != 29 && frames != 30) {
            error = "malformed MIDI file (SMPTE rate of " + std::to_string(frames) + " frames per second)";
            return false;
        }
        file.framesPerSecond = frames;
        file.ticksPerFrame = static_cast<int>(division & 0xFF);
        file.ticksPerQuarter = 0;
        if (file.ticksPerFrame == 0) {
            error = "malformed MIDI file (zero ticks per frame)";
            return false;
        }
    } else {
        file.ticksPerQuarter = static_cast<int>(division);
        if (division == 0) {
            error = "malformed MIDI file (zero ticks per quarter note)";
            return false;
        }
    }

    size_t position = 8 + headerLength;
    while (file.tracks.size() < trackCount) {
        if (bytes.size() - position < 8) {
            error = "truncated MIDI file (the header announces " + std::to_string(trackCount) + " tracks, " +
                    std::to_string(file.tracks.size()) + " found)";
            return false;
        }
        ByteReader chunk(bytes, position, bytes.size());
        bool isTrack = std::memcmp(&bytes[position], "MTrk", 4) == 0;
        chunk.skip(4);
        uint32_t length = chunk.bigEndian(4);
        size_t begin = position + 8;
        if (length > bytes.size() - begin) {
            error = "truncated MIDI file (track " + std::to_string(file.tracks.size() + 1) + " is cut short)";
            return false;
        }
        if (isTrack) {  // chunks of other kinds are skipped, as the format asks
            file.tracks.emplace_back();
            if (!parseTrack(bytes, begin, begin + length, static_cast<int>(file.tracks.size()), file.tracks.back(),
                            error)) {
                return false;
            }
        }
        position = begin + length;
    }
    return true;
}

}  // namespace tools
