// The lane renderer against the reference voice loop: the same engine input through both paths
// must give the same output bits and leave every voice in the same state, whatever is played and
// however the parameters are set. Runs on every instruction set this processor has.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/HalfBandFilter.h"
#include "engine/SynthEngine.h"

namespace {
using InstructionSet = LaneRenderer::InstructionSet;

uint32_t bitsOf(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

std::string nameOf(InstructionSet set) { return set == InstructionSet::Avx2 ? "AVX2" : "SSE2"; }

std::vector<InstructionSet> availableSets() {
    std::vector<InstructionSet> sets{InstructionSet::Sse2};
    if (LaneRenderer::supports(InstructionSet::Avx2)) sets.push_back(InstructionSet::Avx2);
    return sets;
}

// Two engines fed identically: one renders through the lanes, the other through the reference.
class Twins {
public:
    explicit Twins(InstructionSet set) {
        lanes.laneRenderer().use(set);
        reference.setVoicePath(SynthEngine::VoicePath::Reference);
    }

    template <class Action>
    void both(Action action) {
        action(lanes);
        action(reference);
    }
    void setSampleRate(float rate) {
        both([&](SynthEngine& e) { e.setSampleRate(rate); });
    }
    void setParameter(int index, float value) {
        both([&](SynthEngine& e) { e.setParameter(index, value); });
    }
    void midi(int status, int data1, int data2, int delta) {
        both([&](SynthEngine& e) {
            e.processMidi(static_cast<uint8_t>(status), static_cast<uint8_t>(data1), static_cast<uint8_t>(data2), delta);
        });
    }

    // Renders one block through both into outputs that start with the same contents, and checks
    // every output bit and every voice's state. Returns false (after a test failure) on the first
    // difference.
    bool renderAndCompare(int frames, const std::vector<float>& startingMix, const std::string& where) {
        const size_t n = 2 * static_cast<size_t>(frames);
        std::vector<float> laneOut(startingMix.begin(), startingMix.begin() + n), referenceOut(laneOut);
        std::vector<float> scratch(n + 1);
        lanes.render(scratch.data(), laneOut.data(), frames);
        reference.render(scratch.data(), referenceOut.data(), frames);
        for (size_t i = 0; i < n; ++i) {
            if (bitsOf(laneOut[i]) != bitsOf(referenceOut[i])) {
                ADD_FAILURE() << where << ": sample " << i << " of " << n << " is " << laneOut[i] << ", reference "
                              << referenceOut[i];
                return false;
            }
        }
        return sameVoices(where);
    }

    bool sameVoices(const std::string& where) {
        for (int v = 0; v < SynthEngine::kVoiceCount; ++v) {
            const Voice& a = lanes.voice(v);
            const Voice& b = reference.voice(v);
            bool same = a.active == b.active && a.released == b.released && a.lfoPhase == b.lfoPhase &&
                        std::memcmp(a.phase, b.phase, sizeof a.phase) == 0;
            for (int op = 0; op < Voice::kOperatorCount; ++op) {
                same = same && bitsOf(a.lastOut[op]) == bitsOf(b.lastOut[op]);
                same = same && a.env[op].state == b.env[op].state && bitsOf(a.env[op].level) == bitsOf(b.env[op].level);
            }
            if (!same) {
                ADD_FAILURE() << where << ": voice " << v << " differs from the reference";
                return false;
            }
        }
        return true;
    }

    SynthEngine lanes;
    SynthEngine reference;
};

// Parameter values that sit on the engine's decision points, or just either side of them.
std::vector<float> thresholdValues(int index) {
    std::vector<float> values = {0.0f, 1.0f, 0.5f, 0.001f, std::nextafter(0.001f, 1.0f), std::nextafter(0.001f, 0.0f),
                                 0.0003f, std::nextafter(0.5f, 1.0f)};
    const int offset = index < param::LVLm ? index % param::SectionSize : -1;
    if (offset == param::RTE) {
        for (float edge : {0.45f, 0.95f}) {  // trunc(x * 2 + 0.1) changes here
            values.push_back(std::nextafter(edge, 0.0f));
            values.push_back(edge);
            values.push_back(std::nextafter(edge, 1.0f));
        }
    }
    if (offset == param::OCT || index == param::OCTm || index == param::PBR) {
        const float steps = index == param::PBR ? 12.0f : 6.0f;
        for (int k = 1; k < static_cast<int>(steps); ++k) {
            values.push_back(k / steps);
            values.push_back(std::nextafter(k / steps, 0.0f));
        }
    }
    return values;
}

// A patch drawn at random: most values anywhere in 0..1, some on a threshold, a few outside the
// range a host should send.
void randomPatch(Twins& twins, std::mt19937& random) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int i = 0; i < param::Count; ++i) {
        const float pick = unit(random);
        float value = unit(random);
        if (pick < 0.25f) {
            const std::vector<float> edges = thresholdValues(i);
            value = edges[random() % edges.size()];
        } else if (pick < 0.28f) {
            value = unit(random) * 4.0f - 2.0f;
        }
        twins.setParameter(i, value);
    }
}

float randomSampleRate(std::mt19937& random) {
    const float common[] = {22050.0f, 32000.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 176400.0f, 192000.0f};
    if (random() % 4 == 0) return 22050.0f + static_cast<float>(random() % 169951);
    return common[random() % 8];
}

std::vector<float> randomMix(std::mt19937& random, size_t n) {
    std::uniform_real_distribution<float> level(-1.0f, 1.0f);
    std::vector<float> mix(n);
    for (float& x : mix) {
        const unsigned kind = random() % 8;
        x = kind == 0 ? 0.0f : kind == 1 ? -0.0f : level(random);
    }
    return mix;
}

// A block's events at random offsets: notes on and off (often for held notes), bends, the wheel,
// now and then an all-notes-off; usually in order, sometimes not, sometimes outside the block.
void randomEvents(Twins& twins, std::mt19937& random, int frames, std::vector<int>& held) {
    const int count = static_cast<int>(random() % 12);
    int offset = 0;
    for (int e = 0; e < count; ++e) {
        if (random() % 10 == 0)
            offset = static_cast<int>(random() % (frames + 40)) - 20;
        else
            offset = std::min(frames - 1, offset + static_cast<int>(random() % (frames / 4 + 1)));
        const unsigned kind = random() % 20;
        if (kind < 8) {
            const int note = random() % 5 == 0 ? static_cast<int>(random() % 128) : 36 + static_cast<int>(random() % 48);
            twins.midi(0x90, note, 1 + static_cast<int>(random() % 127), offset);
            held.push_back(note);
        } else if (kind < 13 && !held.empty()) {
            const size_t which = random() % held.size();
            twins.midi(random() % 2 ? 0x80 : 0x90, held[which], 0, offset);
            held.erase(held.begin() + static_cast<long>(which));
        } else if (kind < 16) {
            twins.midi(0xE0, static_cast<int>(random() % 128), static_cast<int>(random() % 128), offset);
        } else if (kind < 19) {
            twins.midi(0xB0, 1, static_cast<int>(random() % 128), offset);
        } else {
            twins.midi(0xB0, random() % 2 ? 123 : 126, 0, offset);
            held.clear();
        }
    }
}

int randomBlockSize(std::mt19937& random) {
    switch (random() % 4) {
        case 0: return 1 + static_cast<int>(random() % 8);
        case 1: return 1 + static_cast<int>(random() % 1024);
        default: return 32 + static_cast<int>(random() % 512);
    }
}
}  // namespace

TEST(FastPath, RandomScenariosMatchTheReference) {
    for (InstructionSet set : availableSets()) {
        for (uint32_t seed = 1; seed <= 120; ++seed) {
            std::mt19937 random(seed);
            Twins twins(set);
            twins.setSampleRate(randomSampleRate(random));
            randomPatch(twins, random);
            std::vector<int> held;
            for (int block = 0; block < 12; ++block) {
                const int frames = randomBlockSize(random);
                randomEvents(twins, random, frames, held);
                if (random() % 3 == 0) {  // automation between blocks
                    const int index = static_cast<int>(random() % param::Count);
                    const std::vector<float> edges = thresholdValues(index);
                    twins.setParameter(index, edges[random() % edges.size()]);
                }
                const std::string where = nameOf(set) + " seed " + std::to_string(seed) + " block " + std::to_string(block);
                if (!twins.renderAndCompare(frames, randomMix(random, 2 * static_cast<size_t>(frames)), where)) return;
            }
        }
    }
}

// Every parameter at each of its decision points, under a chord with bend and wheel that keeps
// every operator, the LFO and the routes busy.
TEST(FastPath, EveryParameterAtItsThresholdsMatchesTheReference) {
    for (InstructionSet set : availableSets()) {
        for (int index = 0; index < param::Count; ++index) {
            for (float value : thresholdValues(index)) {
                std::mt19937 random(static_cast<uint32_t>(index * 977 + 1));
                Twins twins(set);
                twins.setSampleRate(44100.0f);
                randomPatch(twins, random);
                for (int op = 0; op < 4; ++op) twins.setParameter(param::operatorBase(op) + param::LVL, 0.5f);
                twins.setParameter(param::LFO_PCH, 0.3f);
                twins.setParameter(index, value);
                for (int n = 0; n < 6; ++n) twins.midi(0x90, 40 + 5 * n, 30 + 15 * n, 7 * n);
                twins.midi(0xE0, 0x11, 0x52, 20);
                twins.midi(0xB0, 1, 90, 30);
                const std::string where = nameOf(set) + " parameter " + std::to_string(index) + " = " + std::to_string(value);
                if (!twins.renderAndCompare(300, std::vector<float>(600, 0.0f), where)) return;
                twins.midi(0x80, 45, 0, 10);
                if (!twins.renderAndCompare(200, std::vector<float>(400, 0.0f), where + ", released")) return;
            }
        }
    }
}

// Notes faster than voices: every voice is stolen, released mid-attack, restarted; the lanes fill
// and empty as voices come and go, across every short block size.
TEST(FastPath, StolenAndReleasedVoicesAcrossBlockSizesMatchTheReference) {
    for (InstructionSet set : availableSets()) {
        std::mt19937 random(2024);
        Twins twins(set);
        twins.setSampleRate(48000.0f);
        randomPatch(twins, random);
        twins.setParameter(param::LVLm, 0.8f);
        twins.setParameter(param::Am, 0.0f);
        twins.setParameter(param::Rm, 0.02f);  // short releases: voices come back free quickly
        int note = 30;
        for (int frames = 1; frames <= 64; ++frames) {
            for (int k = 0; k < 3; ++k) {
                twins.midi(0x90, note, 100, 0);
                twins.midi(0x80, note - 7, 0, frames / 2);
                note = 30 + (note + 11) % 70;
            }
            if (!twins.renderAndCompare(frames, std::vector<float>(2 * frames, 0.0f), nameOf(set) + " block " + std::to_string(frames)))
                return;
        }
        for (int frames : {1000, 1023, 1024}) {
            twins.midi(0x90, note, 100, frames - 1);
            if (!twins.renderAndCompare(frames, std::vector<float>(2 * frames, 0.0f), nameOf(set) + " block " + std::to_string(frames)))
                return;
        }
    }
}

// Seconds of held notes with the fastest LFO, so that every phase, the LFO's included, wraps
// around its cycle many times.
TEST(FastPath, LongNotesWrapEveryPhaseAndMatchTheReference) {
    for (InstructionSet set : availableSets()) {
        std::mt19937 random(31);
        Twins twins(set);
        twins.setSampleRate(22050.0f);
        randomPatch(twins, random);
        twins.setParameter(param::LFO_SPD, 1.0f);
        twins.setParameter(param::LFO_PCH, 0.9f);
        twins.setParameter(param::LVLm, 0.7f);
        twins.setParameter(param::Sm, 0.9f);
        for (int n = 0; n < 17; ++n) twins.midi(0x90, 30 + 4 * n, 20 + 6 * n, 3 * n);
        for (int block = 0; block < 48; ++block)
            if (!twins.renderAndCompare(1024, std::vector<float>(2048, 0.0f), nameOf(set) + " block " + std::to_string(block)))
                return;
    }
}

// States the parameters cannot produce but a direct write can: voices whose operators feed
// different buses, envelopes landing exactly on their targets, and envelopes in a state outside
// their enumeration.
TEST(FastPath, VoicesInUnusualStatesMatchTheReference) {
    for (InstructionSet set : availableSets()) {
        for (int voices : {1, 5, 9, 12, 17}) {  // whole vectors, part-filled ones and single lanes
            std::mt19937 random(77);
            Twins twins(set);
            twins.setSampleRate(44100.0f);
            randomPatch(twins, random);
            for (int op = 0; op < 4; ++op) twins.setParameter(param::operatorBase(op) + param::LVL, 0.6f);
            twins.setParameter(param::Rm, 1.0f);
            for (int n = 0; n < voices; ++n) twins.midi(0x90, 40 + 3 * n, 100, n);
            const std::string where = nameOf(set) + ", " + std::to_string(voices) + " voices";
            ASSERT_TRUE(twins.renderAndCompare(64, std::vector<float>(128, 0.0f), where + ", start"));
            twins.both([](SynthEngine& e) {
                for (int v = 0; v < SynthEngine::kVoiceCount; ++v)
                    for (int op = 0; op < 4; ++op) e.voice(v).dest[op] = static_cast<Route>((v + op) % 3);
            });
            ASSERT_TRUE(twins.renderAndCompare(300, std::vector<float>(600, 0.0f), where + ", mixed routes"));
            // Rates that land exactly on each segment's target, where the step that ends it shows.
            twins.both([](SynthEngine& e) {
                for (int v = 0; v < SynthEngine::kVoiceCount; ++v) {
                    for (int k = 0; k < Voice::kOperatorCount; ++k) {
                        Envelope& env = e.voice(v).env[k];
                        env.state = (v + k) % 2 ? Release : Attack;
                        env.level = env.state == Release ? 0.5f : 0.0f;
                        env.attackRate = env.decayRate = env.releaseRate = 0.25f;
                        env.sustainLevel = 0.5f;
                    }
                }
            });
            ASSERT_TRUE(twins.renderAndCompare(8, std::vector<float>(16, 0.0f), where + ", exact landings"));
            twins.both([](SynthEngine& e) { e.voice(0).env[2].state = static_cast<EnvelopeState>(9); });
            ASSERT_TRUE(twins.renderAndCompare(300, std::vector<float>(600, 0.0f), where + ", unknown state"));
        }
    }
}

// The half-band filter steps both samples of a pair through each stage together (one register per
// branch, or both branches in one AVX2 register); either way it must give what the two cascades
// give stage by stage (AllpassCascade::process, the plain form), over blocks of any length and
// with state carried between them.
TEST(FastPath, HalfBandFilterMatchesItsCascadesStageByStage) {
    for (InstructionSet set : availableSets()) {
        HalfBandFilter filter;
        filter.useAvx2(set == InstructionSet::Avx2);
        double coefficientsA[5], coefficientsB[5];
        for (int k = 0; k < 5; ++k) {
            coefficientsA[k] = filter.getBranchA().stage(k).a;
            coefficientsB[k] = filter.getBranchB().stage(k).a;
        }
        AllpassCascade branchA(5, coefficientsA), branchB(5, coefficientsB);
        double previousB = 0.0;
        std::mt19937 random(5);
        std::uniform_real_distribution<float> level(-2.0f, 2.0f);
        for (int block = 0; block < 40; ++block) {
            const int count = block % 7 == 0 ? static_cast<int>(random() % 3) : static_cast<int>(random() % 700);
            std::vector<float> signal(count), expected(count);
            for (int i = 0; i < count; ++i) signal[i] = random() % 9 == 0 ? 0.0f : level(random);
            for (int i = 0; i < count; ++i) {
                const double u = static_cast<double>(signal[i]) + 1e-15;
                expected[i] = static_cast<float>(branchA.process(u) - 1e-15 + previousB) * 0.5f;
                previousB = branchB.process(u) - 1e-15;
            }
            filter.process(signal.data(), count);
            for (int i = 0; i < count; ++i)
                ASSERT_EQ(bitsOf(signal[i]), bitsOf(expected[i])) << nameOf(set) << " block " << block << " sample " << i;
        }
        ASSERT_EQ(filter.getPreviousB(), previousB) << nameOf(set);
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(filter.getBranchA().stage(k).y1, branchA.stage(k).y1) << nameOf(set);
            EXPECT_EQ(filter.getBranchA().stage(k).x2, branchA.stage(k).x2) << nameOf(set);
            EXPECT_EQ(filter.getBranchB().stage(k).x2, branchB.stage(k).x2) << nameOf(set);
            EXPECT_EQ(filter.getBranchB().stage(k).y1, branchB.stage(k).y1) << nameOf(set);
        }
    }
}

// A voice alone after whole vectors of voices (1, 9 or 17 sounding) runs its five operators side
// by side: every combination of operators switched off, routes that send the Next bus through an
// operator that is off, envelopes that change segment inside a block, and blocks that end inside a
// pass, against the reference.
TEST(FastPath, LoneVoiceWithAnyOperatorsOffMatchesTheReference) {
    const float routePatterns[][4] = {
        {0.0f, 0.0f, 0.0f, 0.0f}, {0.5f, 1.0f, 0.0f, 0.5f}, {1.0f, 0.0f, 0.5f, 1.0f}, {0.0f, 0.5f, 1.0f, 0.0f}};
    for (InstructionSet set : availableSets()) {
        for (int voices : {1, 9, 17}) {
            for (int off = 0; off < 16; ++off) {
                for (const auto& routes : routePatterns) {
                    Twins twins(set);
                    twins.setSampleRate(44100.0f);
                    std::mt19937 random(static_cast<uint32_t>(voices * 100 + off));
                    randomPatch(twins, random);
                    for (int op = 0; op < 4; ++op) {
                        const int base = param::operatorBase(op);
                        twins.setParameter(base + param::LVL, off & (1 << op) ? 0.0f : 0.3f + 0.1f * op);
                        twins.setParameter(base + param::RTE, routes[op]);
                        twins.setParameter(base + param::FEB, 0.3f);
                        twins.setParameter(base + param::A, 0.02f * op);  // attacks end inside the blocks
                        twins.setParameter(base + param::D, 0.05f);
                    }
                    twins.setParameter(param::LVLm, 0.7f);
                    twins.setParameter(param::LFO_PCH, off % 3 == 0 ? 0.0f : 0.4f);
                    for (int n = 0; n < voices; ++n) twins.midi(0x90, 36 + 2 * n, 40 + 5 * n, n);
                    const std::string where = nameOf(set) + ", " + std::to_string(voices) + " voices, off mask " +
                                              std::to_string(off);
                    for (int frames : {45, 7, 300, 16})
                        if (!twins.renderAndCompare(frames, std::vector<float>(2 * frames, 0.0f), where)) return;
                    twins.midi(0x80, 36, 0, 3);  // the first voice releases while the others hold
                    if (!twins.renderAndCompare(200, std::vector<float>(400, 0.0f), where + ", released")) return;
                }
            }
        }
    }
}
