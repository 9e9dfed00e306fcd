// Every factory program played the way a player first tries a sound: a chord, then a short melody,
// at velocity 100 and 44100 Hz, through the whole plug-in. Each must sound, stay finite and near full
// scale, fall silent once the keys are up, and hold a note the way its name promises.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "RecordingHost.h"
#include "plugin/Calyx2Plugin.h"
#include "plugin/FactoryBank.h"
#include "tests/support/MidiEvent.h"

namespace {
constexpr float kSampleRate = 44100.0f;
constexpr int kBlockSize = 512;
constexpr int kVelocity = 100;

int frameAt(double seconds) {
    return static_cast<int>(seconds * kSampleRate);
}

struct Note {
    int key;
    double on, off;  // seconds
};

// A C major chord from C3, held one second, then a five-note melody between C4 and C5, each note
// 0.18 s with a short gap.
const std::vector<Note> kPhrase = {
    {48, 0.0, 1.0},  {52, 0.0, 1.0},  {55, 0.0, 1.0},  {60, 0.0, 1.0},  {60, 1.1, 1.28},
    {64, 1.3, 1.48}, {67, 1.5, 1.68}, {72, 1.7, 1.88}, {71, 1.9, 2.08},
};
constexpr double kLastNoteOff = 2.08;

// One plug-in playing one program; keeps everything it renders on both channels.
class ProgramPlayer {
  public:
    explicit ProgramPlayer(int program) : plugin(new Calyx2Plugin(RecordingHost::callback)) {
        plugin->setSampleRate(kSampleRate);
        plugin->setBlockSize(kBlockSize);
        plugin->setProgram(program);
        plugin->resume();
    }

    void effectsOff() {
        plugin->setParameter(param::C_LVL, 0.0f);
        plugin->setParameter(param::D_LVL, 0.0f);
    }

    // Queues the note-ons and note-offs of `notes`; they are sent with the blocks they fall in.
    void schedule(const std::vector<Note>& notes) {
        for (const Note& n : notes) {
            pending.push_back({frameAt(n.on), 0x90, n.key, kVelocity});
            pending.push_back({frameAt(n.off), 0x80, n.key, 0});
        }
        std::stable_sort(pending.begin(), pending.end(),
                         [](const Event& a, const Event& b) { return a.frame < b.frame; });
    }

    // Renders on until `untilSeconds` from the first note.
    void renderUntil(double untilSeconds) {
        const int end = frameAt(untilSeconds);
        std::vector<float> left(kBlockSize), right(kBlockSize);
        while (static_cast<int>(left_.size()) < end) {
            const int start = static_cast<int>(left_.size());
            const int frames = std::min(kBlockSize, end - start);
            std::vector<VstMidiEvent> midi;
            while (!pending.empty() && pending.front().frame < start + frames) {
                const Event& event = pending.front();
                midi.push_back(midiEvent(event.status, event.key, event.velocity, event.frame - start));
                pending.erase(pending.begin());
            }
            if (!midi.empty()) send(midi);
            float* outputs[] = {left.data(), right.data()};
            plugin->processReplacing(nullptr, outputs, frames);
            left_.insert(left_.end(), left.begin(), left.begin() + frames);
            right_.insert(right_.end(), right.begin(), right.begin() + frames);
        }
    }

    const std::vector<float>& left() const { return left_; }
    const std::vector<float>& right() const { return right_; }

  private:
    struct Event {
        int frame, status, key, velocity;
    };

    void send(std::vector<VstMidiEvent>& midi) {
        std::vector<char> storage(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*));
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(midi.size());
        for (size_t i = 0; i < midi.size(); ++i) list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
        plugin->processEvents(list);
    }

    RecordingHost host;  // 120 beats per minute
    std::unique_ptr<Calyx2Plugin> plugin;
    std::vector<Event> pending;  // in time order
    std::vector<float> left_, right_;
};

double rms(const std::vector<float>& x, double from, double to) {
    const int a = frameAt(from), b = std::min(static_cast<int>(x.size()), frameAt(to));
    double sum = 0.0;
    for (int i = a; i < b; ++i) sum += static_cast<double>(x[i]) * x[i];
    return b > a ? std::sqrt(sum / (b - a)) : 0.0;
}

double peak(const std::vector<float>& x, double from, double to) {
    const int a = frameAt(from), b = std::min(static_cast<int>(x.size()), frameAt(to));
    double p = 0.0;
    for (int i = a; i < b; ++i) p = std::max(p, static_cast<double>(std::fabs(x[i])));
    return p;
}

double decibels(double level) {
    return 20.0 * std::log10(std::max(level, 1e-12));
}

bool allFinite(const std::vector<float>& x) {
    return std::all_of(x.begin(), x.end(), [](float v) { return std::isfinite(v); });
}
}  // namespace

TEST(FactoryProgramsRender, EveryProgramSoundsStaysFiniteAndNearFullScale) {
    for (int p = 0; p < kProgramCount; ++p) {
        SCOPED_TRACE(kFactoryPrograms[p].name);
        ProgramPlayer player(p);
        player.schedule(kPhrase);
        player.renderUntil(kLastNoteOff + 0.4);
        for (const std::vector<float>* channel : {&player.left(), &player.right()}) {
            EXPECT_TRUE(allFinite(*channel));
            EXPECT_LE(peak(*channel, 0.0, kLastNoteOff + 0.4), 1.5);
        }
        // The chord and the melody are both clearly audible, not a whisper.
        EXPECT_GT(rms(player.left(), 0.0, 1.0), 0.03);
        EXPECT_GT(rms(player.left(), 1.1, kLastNoteOff), 0.02);
    }
}

TEST(FactoryProgramsRender, EveryProgramFallsSilentAfterTheKeysAreReleased) {
    for (int p = 0; p < kProgramCount; ++p) {
        SCOPED_TRACE(kFactoryPrograms[p].name);
        ProgramPlayer player(p);
        player.schedule(kPhrase);
        player.renderUntil(kLastNoteOff);
        ASSERT_GT(peak(player.left(), kLastNoteOff - 0.1, kLastNoteOff), 1e-3);
        // From here on only the voices are heard: echoes are the delay's to end, not the voices'.
        player.effectsOff();
        player.renderUntil(kLastNoteOff + 4.0);
        EXPECT_LT(peak(player.left(), kLastNoteOff + 3.5, kLastNoteOff + 4.0), 1e-5);
    }
}

namespace {
// What a held note does: organs, brass, winds, leads and most basses keep their level; pianos,
// bells, plucks, the guitar and plucked basses die away; pads and the swelling bass grow into it.
enum Shape { Holds, Decays, Swells };

// clang-format off
const Shape kHeldNoteShape[kProgramCount] = {
    Holds,  Holds,  Holds,  Holds,  Holds,  Holds,  Holds,  Holds,   // brass, flute, organs, lead
    Holds,  Decays, Decays, Decays, Decays, Decays, Holds,  Holds,   // wah, pianos, bells, square, saw
    Holds,  Swells, Decays, Holds,  Holds,  Decays, Decays, Swells,  // lyre, choir, sequence, basses
    Decays, Decays, Swells, Decays, Decays, Decays, Decays, Holds,   // plucks, pad, guitar, keys, woodwind
};
// clang-format on
}  // namespace

TEST(FactoryProgramsRender, HeldNotesHaveTheShapeTheirNamesPromise) {
    for (int p = 0; p < kProgramCount; ++p) {
        SCOPED_TRACE(kFactoryPrograms[p].name);
        ProgramPlayer player(p);
        player.effectsOff();
        player.schedule({{57, 0.0, 2.0}});
        player.renderUntil(2.0);
        const double onset = decibels(rms(player.left(), 0.0, 0.1));
        const double early = decibels(rms(player.left(), 0.3, 0.9));
        const double late = decibels(rms(player.left(), 1.2, 1.9));
        switch (kHeldNoteShape[p]) {
            case Holds:
                EXPECT_NEAR(late, early, 3.0);
                break;
            case Decays:
                EXPECT_LT(late, onset - 3.0);
                break;
            case Swells:
                EXPECT_LT(onset, late - 10.0);
                break;
        }
    }
}
