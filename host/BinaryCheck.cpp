#include "host/BinaryCheck.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <fstream>
#include <vector>

namespace host {
namespace {

// Little-endian fields at any offset, bounds-checked: a read past the end yields false.
class Bytes {
public:
    explicit Bytes(std::vector<uint8_t> data) : data_(std::move(data)) {}
    uint64_t size() const { return data_.size(); }
    bool read(uint64_t offset, int width, uint64_t& value) const {
        if (offset > data_.size() || data_.size() - offset < static_cast<uint64_t>(width)) return false;
        value = 0;
        for (int i = width - 1; i >= 0; --i) value = (value << 8) | data_[offset + i];
        return true;
    }

private:
    std::vector<uint8_t> data_;
};

std::string truncatedAt(const std::string& what, uint64_t end, uint64_t size) {
    return "truncated: " + what + " ends at byte " + std::to_string(end) + " of " + std::to_string(size);
}

std::string numbered(const char* what, uint64_t index) { return what + std::string(" ") + std::to_string(index); }

constexpr uint32_t kElfSectionNoBits = 8;  // SHT_NOBITS: .bss and the like occupy no file bytes

bool checkElf(const Bytes& file, std::string& reason) {
    uint64_t elfClass = 0, bigEndian = 0;
    file.read(4, 1, elfClass);
    file.read(5, 1, bigEndian);
    if (bigEndian == 2) return true;  // not a binary for this machine; the loader says so
    const bool wide = elfClass == 2;
    // Offsets of e_phoff, e_shoff, e_phentsize, e_phnum, e_shentsize, e_shnum for 32- and 64-bit files.
    const uint64_t phoffAt = wide ? 32 : 28, shoffAt = wide ? 40 : 32, phentAt = wide ? 54 : 42;
    const int addressWidth = wide ? 8 : 4;
    uint64_t phoff, shoff, phentsize, phnum, shentsize, shnum;
    if (!file.read(phoffAt, addressWidth, phoff) || !file.read(shoffAt, addressWidth, shoff) ||
        !file.read(phentAt, 2, phentsize) || !file.read(phentAt + 2, 2, phnum) ||
        !file.read(phentAt + 4, 2, shentsize) || !file.read(phentAt + 6, 2, shnum)) {
        reason = "truncated: the ELF header is incomplete";
        return false;
    }
    if (phoff + phnum * phentsize > file.size()) {
        reason = truncatedAt("the program header table", phoff + phnum * phentsize, file.size());
        return false;
    }
    if (shoff + shnum * shentsize > file.size()) {
        reason = truncatedAt("the section header table", shoff + shnum * shentsize, file.size());
        return false;
    }
    for (uint64_t i = 0; i < phnum; ++i) {
        uint64_t entry = phoff + i * phentsize, offset, fileSize;
        // p_offset and p_filesz: 64-bit at +8 and +32, 32-bit at +4 and +16.
        if (!file.read(entry + (wide ? 8 : 4), addressWidth, offset) ||
            !file.read(entry + (wide ? 32 : 16), addressWidth, fileSize)) {
            reason = truncatedAt(numbered("program header", i), entry + phentsize, file.size());
            return false;
        }
        if (offset + fileSize > file.size() || offset + fileSize < offset) {
            reason = truncatedAt(numbered("segment", i), offset + fileSize, file.size());
            return false;
        }
    }
    for (uint64_t i = 0; i < shnum; ++i) {
        uint64_t entry = shoff + i * shentsize, type, offset, fileSize;
        // sh_type at +4; sh_offset and sh_size: 64-bit at +24 and +32, 32-bit at +16 and +20.
        if (!file.read(entry + 4, 4, type) || !file.read(entry + (wide ? 24 : 16), addressWidth, offset) ||
            !file.read(entry + (wide ? 32 : 20), addressWidth, fileSize)) {
            reason = truncatedAt(numbered("section header", i), entry + shentsize, file.size());
            return false;
        }
        if (type != kElfSectionNoBits && (offset + fileSize > file.size() || offset + fileSize < offset)) {
            reason = truncatedAt(numbered("section", i), offset + fileSize, file.size());
            return false;
        }
    }
    return true;
}

bool checkPe(const Bytes& file, std::string& reason) {
    uint64_t header, signature, sections, optionalSize;
    if (!file.read(0x3C, 4, header) || !file.read(header, 4, signature) || signature != 0x00004550 ||
        !file.read(header + 6, 2, sections) || !file.read(header + 20, 2, optionalSize)) {
        reason = "truncated: the PE header is incomplete";
        return false;
    }
    // Unstripped DLLs (as MinGW links them) end with a COFF symbol table and its string table.
    constexpr uint64_t kSymbolSize = 18;
    uint64_t symbols = 0, symbolCount = 0, stringsLength = 0;
    if (file.read(header + 12, 4, symbols) && file.read(header + 16, 4, symbolCount) && symbols > 0) {
        uint64_t strings = symbols + symbolCount * kSymbolSize;
        if (!file.read(strings, 4, stringsLength) || strings + stringsLength > file.size()) {
            reason = truncatedAt("the symbol table", strings + std::max<uint64_t>(stringsLength, 4), file.size());
            return false;
        }
    }
    constexpr uint64_t kSectionHeaderSize = 40;
    uint64_t table = header + 24 + optionalSize;
    if (table + sections * kSectionHeaderSize > file.size()) {
        reason = truncatedAt("the section table", table + sections * kSectionHeaderSize, file.size());
        return false;
    }
    for (uint64_t i = 0; i < sections; ++i) {
        uint64_t entry = table + i * kSectionHeaderSize, rawSize, rawOffset;
        if (!file.read(entry + 16, 4, rawSize) || !file.read(entry + 20, 4, rawOffset)) {
            reason = truncatedAt(numbered("section header", i), entry + kSectionHeaderSize, file.size());
            return false;
        }
        if (rawSize > 0 && rawOffset + rawSize > file.size()) {
            reason = truncatedAt(numbered("section", i), rawOffset + rawSize, file.size());
            return false;
        }
    }
    return true;
}

}  // namespace

bool binaryLooksWhole(const std::string& path, std::string& reason) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return true;  // the loader reports what is wrong with opening it
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Bytes file(std::move(data));
    uint64_t magic = 0;
    if (file.read(0, 4, magic) && magic == 0x464C457F) return checkElf(file, reason);  // "\x7F" "ELF"
    if (file.read(0, 2, magic) && magic == 0x5A4D) return checkPe(file, reason);       // "MZ"
    return true;
}

}  // namespace host
