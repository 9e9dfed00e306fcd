// Every factory program is complete, in range and follows the bank's conventions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

#include "plugin/FactoryBank.h"

namespace {
std::vector<ProgramRecord> factoryRecords() {
    std::vector<ProgramRecord> records(kProgramCount);
    fillFactoryBank(records.data());
    return records;
}

bool isMultipleOfOneSixth(float v, int highestSixth) {
    for (int k = 0; k <= highestSixth; ++k)
        if (v == static_cast<float>(k) / 6.0f) return true;
    return false;
}

bool isOneOf(float v, std::initializer_list<float> allowed) {
    for (float a : allowed)
        if (v == a) return true;
    return false;
}
}  // namespace

TEST(FactoryBank, EveryProgramSetsEveryParameterOnceWithinRange) {
    for (int p = 0; p < kProgramCount; ++p) {
        std::set<int> seen;
        for (const FactorySetting& s : kFactoryPrograms[p].settings) {
            EXPECT_TRUE(seen.insert(s.parameter).second) << kFactoryPrograms[p].name << " repeats " << s.parameter;
            EXPECT_GE(s.value, 0.0f);
            EXPECT_LE(s.value, 1.0f);
        }
        EXPECT_EQ(seen.size(), static_cast<size_t>(param::Count)) << kFactoryPrograms[p].name;
    }
}

TEST(FactoryBank, NamesFitTheFieldAndTwoFillItExactly) {
    const std::vector<ProgramRecord> records = factoryRecords();
    EXPECT_EQ(std::string(records[0].name), "Soft Brass");
    EXPECT_EQ(std::string(records[16].name), "Satan's Lyre");
    EXPECT_EQ(std::string(records[31].name), "A Woody on the Trail");
    for (int p : {3, 13}) EXPECT_EQ(std::strlen(kFactoryPrograms[p].name), 24u);
    EXPECT_EQ(std::memcmp(records[3].name, "Wanna play my flute baby", 24), 0);
    for (int p = 0; p < kProgramCount; ++p) EXPECT_LE(std::strlen(kFactoryPrograms[p].name), 24u);
}

TEST(FactoryBank, ProgramsZeroAndSixteenHoldTheirReferenceValues) {
    const std::vector<ProgramRecord> records = factoryRecords();
    EXPECT_EQ(records[0].values[param::LVL4], 0.7449998f);
    EXPECT_EQ(records[0].values[param::FEBm], 0.64500034f);
    EXPECT_EQ(records[0].values[param::LFO_PCH], 0.105000004f);
    EXPECT_EQ(records[0].values[param::D_FB], 0.31000003f);
    EXPECT_EQ(records[16].values[param::LVL1], 0.27999997f);
    EXPECT_EQ(records[16].values[param::LFO_SPD], 0.25000036f);
    EXPECT_EQ(records[16].values[param::D_SPD], 0.875f);
    EXPECT_EQ(records[16].values[param::AAA], 1.0f);
}

TEST(FactoryBank, EveryProgramFollowsTheBankConventions) {
    const std::vector<ProgramRecord> records = factoryRecords();
    const std::set<int> filterOn = {16, 17, 26};
    const std::set<int> chorusOff = {0, 1, 2, 11, 19, 20, 21, 22, 23, 31};
    const std::set<int> delayOff = {6, 11, 19, 20, 21, 22, 23, 31};
    for (int p = 0; p < kProgramCount; ++p) {
        const float* v = records[p].values;
        SCOPED_TRACE(kFactoryPrograms[p].name);
        EXPECT_EQ(v[param::FIN1], 0.5f);
        for (int zero : {param::A1, param::LFO1, param::VEL1, param::FEB2, param::A2, param::LFO2})
            EXPECT_EQ(v[zero], 0.0f) << zero;
        EXPECT_EQ(v[param::AAA], filterOn.count(p) ? 1.0f : 0.0f);
        EXPECT_EQ(v[param::C_LVL] == 0.0f, chorusOff.count(p) == 1);
        EXPECT_EQ(v[param::D_LVL] == 0.0f, delayOff.count(p) == 1);
        EXPECT_TRUE(isOneOf(v[param::D_SPD], {0.125f, 0.25f, 0.375f, 0.5f, 0.625f, 0.875f}));
        EXPECT_TRUE(isMultipleOfOneSixth(v[param::OCT1], 4));
        EXPECT_TRUE(isMultipleOfOneSixth(v[param::OCT2], 3));
        EXPECT_TRUE(isMultipleOfOneSixth(v[param::OCT3], 5));
        EXPECT_TRUE(isMultipleOfOneSixth(v[param::OCT4], 4));
        EXPECT_TRUE(isMultipleOfOneSixth(v[param::OCTm], 2));
        EXPECT_TRUE(isOneOf(v[param::PBR], {1.0f / 6.0f, 2.0f / 6.0f, 1.0f}));
        EXPECT_TRUE(isOneOf(v[param::RTE1], {0.0f, 1.0f}));
        EXPECT_TRUE(isOneOf(v[param::RTE2], {0.0f, 0.5f}));
        EXPECT_TRUE(isOneOf(v[param::RTE3], {0.0f, 0.5f, 1.0f}));
        EXPECT_TRUE(isOneOf(v[param::RTE4], {0.0f, 0.5f, 1.0f}));
    }
}
