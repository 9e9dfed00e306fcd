// The engine's shared lookup tables, built once and read by every voice.
// Oscillator tables have 4096 entries indexed by the top 12 bits of a 16-bit phase.
#pragma once

constexpr int kWaveTableSize = 4096;
constexpr int kNoteTableSize = 128;

struct WaveTables {
    float harmonic[kWaveTableSize];  // odd harmonics 1, 3, 5, 7 at 1, 1/5, 1/9, 1/13, peak 1
    float sine[kWaveTableSize];
    float noteFrequency[kNoteTableSize];  // Hz per note number, entry 69 = 440 Hz

    WaveTables();
};
