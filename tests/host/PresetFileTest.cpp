// The .fxp/.fxb byte layout: exact headers, round trips, and damaged files.
#include <gtest/gtest.h>

#include <random>

#include "host/PresetFile.h"

namespace {

using host::Preset;

constexpr int32_t kId = 0x4B5A4332;  // 'KZC2'

std::vector<uint8_t> bytesOf(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) out.push_back(static_cast<uint8_t>(v));
    return out;
}

std::vector<uint8_t> slice(const std::vector<uint8_t>& bytes, size_t offset, size_t length) {
    return std::vector<uint8_t>(bytes.begin() + offset, bytes.begin() + offset + length);
}

std::vector<uint8_t> tag(const char* text) { return std::vector<uint8_t>(text, text + 4); }

Preset opaqueProgram() {
    Preset program;
    program.opaque = true;
    program.pluginId = kId;
    program.pluginVersion = 1;
    program.count = 69;
    program.name = "Glass Bells";
    for (int i = 0; i < 276; ++i) program.chunk.push_back(static_cast<uint8_t>(i * 7));
    return program;
}

Preset opaqueBank() {
    Preset bank;
    bank.kind = Preset::Kind::Bank;
    bank.formatVersion = 2;
    bank.pluginId = kId;
    bank.pluginVersion = 1;
    bank.count = 32;
    bank.currentProgram = 5;
    bank.chunk.assign(9600, 0xAB);
    return bank;
}

Preset parameterBank() {
    Preset bank;
    bank.kind = Preset::Kind::Bank;
    bank.opaque = false;
    bank.pluginId = kId;
    bank.pluginVersion = 3;
    for (int p = 0; p < 3; ++p) {
        Preset program;
        program.opaque = false;
        program.pluginId = kId;
        program.pluginVersion = 3;
        program.name = "P" + std::to_string(p);
        program.parameters = {0.5f, 1.0f / 3.0f, static_cast<float>(p)};
        program.count = 3;
        bank.programs.push_back(program);
    }
    bank.count = 3;
    return bank;
}

void expectSame(const Preset& a, const Preset& b) {
    EXPECT_EQ(a.kind, b.kind);
    EXPECT_EQ(a.opaque, b.opaque);
    EXPECT_EQ(a.formatVersion, b.formatVersion);
    EXPECT_EQ(a.pluginId, b.pluginId);
    EXPECT_EQ(a.pluginVersion, b.pluginVersion);
    EXPECT_EQ(a.count, b.count);
    EXPECT_EQ(a.currentProgram, b.currentProgram);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.parameters, b.parameters);
    EXPECT_EQ(a.chunk, b.chunk);
    ASSERT_EQ(a.programs.size(), b.programs.size());
    for (size_t i = 0; i < a.programs.size(); ++i) expectSame(a.programs[i], b.programs[i]);
}

TEST(PresetFile, ProgramChunkHeaderIsByteExact) {
    auto bytes = host::serializePreset(opaqueProgram());
    ASSERT_EQ(bytes.size(), 60u + 276u);
    EXPECT_EQ(slice(bytes, 0, 4), tag("CcnK"));
    EXPECT_EQ(slice(bytes, 4, 4), bytesOf({0, 0, 0x01, 0x48})) << "size after the size field: 328";
    EXPECT_EQ(slice(bytes, 8, 4), tag("FPCh"));
    EXPECT_EQ(slice(bytes, 12, 4), bytesOf({0, 0, 0, 1})) << "format version";
    EXPECT_EQ(slice(bytes, 16, 4), tag("KZC2"));
    EXPECT_EQ(slice(bytes, 20, 4), bytesOf({0, 0, 0, 1})) << "plug-in version";
    EXPECT_EQ(slice(bytes, 24, 4), bytesOf({0, 0, 0, 69}));
    std::vector<uint8_t> name(28, 0);
    std::string text = "Glass Bells";
    std::copy(text.begin(), text.end(), name.begin());
    EXPECT_EQ(slice(bytes, 28, 28), name);
    EXPECT_EQ(slice(bytes, 56, 4), bytesOf({0, 0, 0x01, 0x14})) << "chunk size 276";
    EXPECT_EQ(slice(bytes, 60, 276), opaqueProgram().chunk);
}

TEST(PresetFile, BankChunkHeaderIsByteExact) {
    auto bytes = host::serializePreset(opaqueBank());
    ASSERT_EQ(bytes.size(), 160u + 9600u);
    EXPECT_EQ(slice(bytes, 0, 4), tag("CcnK"));
    EXPECT_EQ(slice(bytes, 4, 4), bytesOf({0, 0, 0x26, 0x18})) << "9752";
    EXPECT_EQ(slice(bytes, 8, 4), tag("FBCh"));
    EXPECT_EQ(slice(bytes, 12, 4), bytesOf({0, 0, 0, 2}));
    EXPECT_EQ(slice(bytes, 16, 4), tag("KZC2"));
    EXPECT_EQ(slice(bytes, 24, 4), bytesOf({0, 0, 0, 32}));
    EXPECT_EQ(slice(bytes, 28, 4), bytesOf({0, 0, 0, 5})) << "current program";
    EXPECT_EQ(slice(bytes, 32, 124), std::vector<uint8_t>(124, 0));
    EXPECT_EQ(slice(bytes, 156, 4), bytesOf({0, 0, 0x25, 0x80})) << "chunk size 9600";
}

TEST(PresetFile, ParameterFilesStoreBigEndianFloats) {
    auto bytes = host::serializePreset(parameterBank());
    ASSERT_EQ(bytes.size(), 156u + 3 * (56u + 12u));
    EXPECT_EQ(slice(bytes, 8, 4), tag("FxBk"));
    EXPECT_EQ(slice(bytes, 156 + 8, 4), tag("FxCk"));
    EXPECT_EQ(slice(bytes, 156 + 4, 4), bytesOf({0, 0, 0, 60})) << "program size after the size field";
    EXPECT_EQ(slice(bytes, 156 + 56, 4), bytesOf({0x3F, 0, 0, 0})) << "0.5";
}

TEST(PresetFile, EveryKindRoundTrips) {
    Preset bankVersion1 = opaqueBank();
    bankVersion1.formatVersion = 1;
    bankVersion1.currentProgram = 0;
    Preset parameterProgram = parameterBank().programs[1];
    for (const Preset& original : {opaqueProgram(), opaqueBank(), bankVersion1, parameterBank(), parameterProgram}) {
        Preset parsed;
        std::string error;
        auto bytes = host::serializePreset(original);
        ASSERT_TRUE(host::parsePreset(bytes, parsed, error)) << error;
        expectSame(parsed, original);
        EXPECT_EQ(host::serializePreset(parsed), bytes);
    }
}

TEST(PresetFile, LongNamesAreCutToTheField) {
    Preset program = opaqueProgram();
    program.name = std::string(40, 'x');
    Preset parsed;
    std::string error;
    ASSERT_TRUE(host::parsePreset(host::serializePreset(program), parsed, error)) << error;
    EXPECT_EQ(parsed.name, std::string(27, 'x'));
}

TEST(PresetFile, DamagedFilesAreRefusedWithAReason) {
    for (const Preset& original : {opaqueProgram(), opaqueBank(), parameterBank()}) {
        auto bytes = host::serializePreset(original);
        for (size_t length = 0; length < bytes.size(); length += (length < 200 ? 1 : 97)) {
            Preset parsed;
            std::string error;
            std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + length);
            EXPECT_FALSE(host::parsePreset(cut, parsed, error)) << "prefix of " << length;
            EXPECT_FALSE(error.empty());
        }
        bytes.push_back(0);
        Preset parsed;
        std::string error;
        EXPECT_FALSE(host::parsePreset(bytes, parsed, error)) << "trailing byte";
    }

    auto bytes = host::serializePreset(opaqueProgram());
    bytes[56] = 0xFF;  // chunk size negative
    Preset parsed;
    std::string error;
    EXPECT_FALSE(host::parsePreset(bytes, parsed, error));

    bytes = host::serializePreset(opaqueProgram());
    bytes[8] = 'X';
    EXPECT_FALSE(host::parsePreset(bytes, parsed, error));
    EXPECT_NE(error.find("XPCh"), std::string::npos) << error;

    std::mt19937 random(7);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<uint8_t> garbage(random() % 400);
        for (auto& b : garbage) b = static_cast<uint8_t>(random());
        if (trial % 2) std::copy(bytes.begin(), bytes.begin() + std::min<size_t>(12, garbage.size()), garbage.begin());
        host::parsePreset(garbage, parsed, error);  // must not crash or over-read (run under the sanitizers)
    }
}

TEST(PresetFile, FourCharacterCodes) {
    EXPECT_EQ(host::fourCharacterCode(kId), "KZC2");
    EXPECT_EQ(host::fourCharacterCode(0x00414243), "?ABC");
}

}  // namespace
