#include "host/PresetFile.h"

#include <algorithm>
#include <cstring>

namespace host {
namespace {

constexpr size_t kNameFieldSize = 28;
constexpr int32_t kMaxCount = 1 << 20;  // far beyond any real plug-in; guards against absurd headers

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    bool has(size_t count) const { return position_ <= bytes_.size() && bytes_.size() - position_ >= count; }
    size_t position() const { return position_; }
    size_t remaining() const { return bytes_.size() - position_; }
    std::string tag() {
        std::string text(reinterpret_cast<const char*>(&bytes_[position_]), 4);
        position_ += 4;
        return text;
    }
    int32_t int32() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = (value << 8) | bytes_[position_++];
        return static_cast<int32_t>(value);
    }
    float float32() {
        uint32_t bits = static_cast<uint32_t>(int32());
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    std::string name() {
        const char* text = reinterpret_cast<const char*>(&bytes_[position_]);
        position_ += kNameFieldSize;
        return std::string(text, strnlen(text, kNameFieldSize));
    }
    std::vector<uint8_t> take(size_t count) {
        std::vector<uint8_t> out(bytes_.begin() + position_, bytes_.begin() + position_ + count);
        position_ += count;
        return out;
    }
    void skip(size_t count) { position_ += count; }

private:
    const std::vector<uint8_t>& bytes_;
    size_t position_ = 0;
};

class Writer {
public:
    void tag(const char* text) { bytes.insert(bytes.end(), text, text + 4); }
    void int32(int32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(uint32_t(value) >> shift));
    }
    void float32(float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        int32(static_cast<int32_t>(bits));
    }
    void name(const std::string& text) {
        size_t length = std::min(text.size(), kNameFieldSize - 1);
        bytes.insert(bytes.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
        bytes.insert(bytes.end(), kNameFieldSize - length, 0);
    }
    void zeros(size_t count) { bytes.insert(bytes.end(), count, 0); }
    void raw(const std::vector<uint8_t>& data) { bytes.insert(bytes.end(), data.begin(), data.end()); }
    // Fills in the size field at offset 4 of the chunk that starts at start.
    void closeChunk(size_t start) {
        uint32_t size = static_cast<uint32_t>(bytes.size() - start - 8);
        for (int i = 0; i < 4; ++i) bytes[start + 4 + i] = static_cast<uint8_t>(size >> (24 - 8 * i));
    }
    std::vector<uint8_t> bytes;
};

bool readOpaqueChunk(Reader& in, Preset& preset, std::string& error) {
    if (!in.has(4)) {
        error = "truncated preset file (no chunk size)";
        return false;
    }
    int32_t size = in.int32();
    if (size < 0 || !in.has(static_cast<size_t>(size))) {
        error = "truncated preset file (the chunk claims " + std::to_string(size) + " bytes, " +
                std::to_string(in.remaining()) + " follow)";
        return false;
    }
    preset.chunk = in.take(static_cast<size_t>(size));
    return true;
}

// Reads one program starting at its 'CcnK'; inBank forbids opaque programs, which banks cannot hold.
bool readProgram(Reader& in, Preset& preset, std::string& error) {
    if (!in.has(kProgramHeaderSize)) {
        error = "truncated preset file (incomplete program header)";
        return false;
    }
    if (in.tag() != "CcnK") {
        error = "not a VST preset file (no 'CcnK' header)";
        return false;
    }
    in.int32();  // size: some writers get it wrong, the contents are checked field by field instead
    std::string magic = in.tag();
    if (magic != "FxCk" && magic != "FPCh") {
        error = "not a VST program ('" + magic + "' where 'FxCk' or 'FPCh' belongs)";
        return false;
    }
    preset.kind = Preset::Kind::Program;
    preset.opaque = magic == "FPCh";
    preset.formatVersion = in.int32();
    preset.pluginId = in.int32();
    preset.pluginVersion = in.int32();
    preset.count = in.int32();
    preset.name = in.name();
    if (preset.count < 0 || preset.count > kMaxCount) {
        error = "malformed preset file (" + std::to_string(preset.count) + " parameters)";
        return false;
    }
    if (preset.opaque) return readOpaqueChunk(in, preset, error);
    if (!in.has(4 * static_cast<size_t>(preset.count))) {
        error = "truncated preset file (fewer parameter values than the header's " + std::to_string(preset.count) + ")";
        return false;
    }
    preset.parameters.resize(static_cast<size_t>(preset.count));
    for (float& value : preset.parameters) value = in.float32();
    return true;
}

bool readBank(Reader& in, Preset& preset, std::string& error) {
    if (!in.has(kBankHeaderSize)) {
        error = "truncated preset file (incomplete bank header)";
        return false;
    }
    in.tag();
    in.int32();
    std::string magic = in.tag();
    preset.kind = Preset::Kind::Bank;
    preset.opaque = magic == "FBCh";
    preset.formatVersion = in.int32();
    preset.pluginId = in.int32();
    preset.pluginVersion = in.int32();
    preset.count = in.int32();
    preset.currentProgram = preset.formatVersion >= 2 ? in.int32() : 0;
    in.skip(kBankHeaderSize - in.position());
    if (preset.count < 0 || preset.count > kMaxCount) {
        error = "malformed preset file (" + std::to_string(preset.count) + " programs)";
        return false;
    }
    if (preset.opaque) return readOpaqueChunk(in, preset, error);
    preset.programs.resize(static_cast<size_t>(preset.count));
    for (Preset& program : preset.programs) {
        if (!readProgram(in, program, error)) return false;
        if (program.opaque) {
            error = "malformed preset file (an opaque program inside a parameter bank)";
            return false;
        }
    }
    return true;
}

}  // namespace

bool parsePreset(const std::vector<uint8_t>& bytes, Preset& preset, std::string& error) {
    preset = Preset{};
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "CcnK", 4) != 0) {
        error = "not a VST preset file (no 'CcnK' header)";
        return false;
    }
    Reader in(bytes);
    std::string magic(reinterpret_cast<const char*>(&bytes[8]), 4);
    bool ok;
    if (magic == "FxBk" || magic == "FBCh") {
        ok = readBank(in, preset, error);
    } else if (magic == "FxCk" || magic == "FPCh") {
        ok = readProgram(in, preset, error);
    } else {
        error = "not a VST program or bank ('" + magic + "' after the 'CcnK' header)";
        return false;
    }
    if (ok && in.remaining() != 0) {
        error = "malformed preset file (" + std::to_string(in.remaining()) + " unexpected bytes at the end)";
        return false;
    }
    return ok;
}

namespace {
void writeProgram(Writer& out, const Preset& program) {
    size_t start = out.bytes.size();
    out.tag("CcnK");
    out.int32(0);
    out.tag(program.opaque ? "FPCh" : "FxCk");
    out.int32(program.formatVersion);
    out.int32(program.pluginId);
    out.int32(program.pluginVersion);
    out.int32(program.opaque ? program.count : static_cast<int32_t>(program.parameters.size()));
    out.name(program.name);
    if (program.opaque) {
        out.int32(static_cast<int32_t>(program.chunk.size()));
        out.raw(program.chunk);
    } else {
        for (float value : program.parameters) out.float32(value);
    }
    out.closeChunk(start);
}
}  // namespace

std::vector<uint8_t> serializePreset(const Preset& preset) {
    Writer out;
    if (!preset.isBank()) {
        writeProgram(out, preset);
        return out.bytes;
    }
    out.tag("CcnK");
    out.int32(0);
    out.tag(preset.opaque ? "FBCh" : "FxBk");
    out.int32(preset.formatVersion);
    out.int32(preset.pluginId);
    out.int32(preset.pluginVersion);
    out.int32(preset.opaque ? preset.count : static_cast<int32_t>(preset.programs.size()));
    size_t reservedStart = out.bytes.size();
    if (preset.formatVersion >= 2) out.int32(preset.currentProgram);
    out.zeros(128 - (out.bytes.size() - reservedStart));
    if (preset.opaque) {
        out.int32(static_cast<int32_t>(preset.chunk.size()));
        out.raw(preset.chunk);
    } else {
        for (const Preset& program : preset.programs) writeProgram(out, program);
    }
    out.closeChunk(0);
    return out.bytes;
}

std::string fourCharacterCode(int32_t id) {
    std::string code;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>(uint32_t(id) >> shift);
        code += (c >= 32 && c < 127) ? c : '?';
    }
    return code;
}

}  // namespace host
