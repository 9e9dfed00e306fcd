// What a sound designer checks when judging a factory program, measured on renders of the plug-in
// object in-process: loudness of a single note, the peak of a chord, DC offset across the keyboard,
// aliasing, and how the mod wheel and velocity change a note. Shared by the bank's sound tests and
// the factory_bank_report program used to voice the bank.
#pragma once

#include <utility>
#include <vector>

namespace bank {

// Parameter values set over a factory program's own, for trying a change before writing it down.
using Overrides = std::vector<std::pair<int, float>>;

constexpr float kBaseRate = 44100.0f;
// Four times the base rate: the engine then runs at 352.8 kHz, and only partials above 154 kHz could
// fold back into the audible band, so this render stands for the note without aliasing.
constexpr float kReferenceRate = 176400.0f;

// Notes played the same way for every program, from a fresh plug-in.
struct Performance {
    int program = 0;
    std::vector<int> keys;  // MIDI note numbers, all struck on the first frame
    int velocity = 100;
    float wheel = 0.0f;  // 0..1, sent before the notes
    double seconds = 0.5;
    float sampleRate = kBaseRate;
    bool effects = true;    // chorus and delay as the program sets them
    bool lfoStill = false;  // LFO depth forced to the wheel, which is 0: no modulation at all
    Overrides overrides = {};
};

struct Stereo {
    std::vector<float> left, right;
};

Stereo render(const Performance& performance);

double decibels(double ratio);
// Largest RMS over consecutive 100 ms windows: the level a listener hears at the note's loudest.
double loudestRms(const std::vector<float>& x, float sampleRate);
double peak(const Stereo& take);
// Hann-weighted mean over [from, to) seconds relative to the RMS there, in dB: a window that tapers
// keeps the fundamental of a low note (16 Hz for a bass at C1) from posing as offset.
double dcRelativeDb(const std::vector<float>& x, float sampleRate, double from, double to);
// Spectral centroid of `count` samples (a power of two) from `start`.
double centroidHz(const std::vector<float>& x, float sampleRate, int start, int count);

// Energy of a base-rate render that the reference-rate render of the same note does not hold,
// relative to the base-rate render's total, in dB. Effects off and LFO still: the LFO's increment is
// so coarse that it cannot run at the same speed at both rates.
double aliasDb(int program, int key, const Overrides& overrides = {});

// Loudest 100 ms RMS of a C4 at velocity 100, effects on, in dBFS.
double c4LoudnessDb(int program, const Overrides& overrides = {});
// Peak of C3 and C4 major chords at velocity 100, effects on.
double chordPeak(int program, const Overrides& overrides = {});

struct DcOffset {
    double db;  // worst DC relative to RMS over single notes C1 to C7, effects off
    int key;
};
DcOffset worstDc(int program, const Overrides& overrides = {});

struct WheelResponse {
    double changeDb;  // RMS of (wheel up - wheel down) relative to wheel down, C4, effects off
    double levelDb;   // level with the wheel up minus level with it down
};
WheelResponse wheelResponse(int program, const Overrides& overrides = {});

struct VelocityResponse {
    double levelDb;     // level at velocity 127 minus level at velocity 40, C4, effects off
    double brightness;  // spectral centroid at velocity 127 over that at velocity 40
};
VelocityResponse velocityResponse(int program, const Overrides& overrides = {});

}  // namespace bank
