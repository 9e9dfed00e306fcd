// Linear ADSR envelope stepped once per oversampled sample. Levels run 0..1; the rates are level
// per step, derived from squared time parameters so the knobs feel even across their range.
#pragma once

#include <cstdint>

enum EnvelopeState : int32_t { Idle = 0, Attack = 1, Decay = 2, Sustain = 3, Release = 4, StealRelease = 5 };

class Envelope {
public:
    // a2, d2 and r2 are the squared A, D and R values (squared in float32 by the caller); s is S.
    // Floors keep the shortest attack at 1.2 ms and the shortest release at 3.2 ms.
    void setTimes(float sampleRate, double a2, double d2, double s, double r2);

    // One step; returns the level after it.
    float next() {
        switch (state) {
            case Idle: level = 0.0f; break;
            case Attack:
                level += attackRate;
                if (level >= 1.0f) {
                    level = 1.0f;
                    state = Decay;
                }
                break;
            case Decay:
                level -= decayRate;
                if (sustainLevel >= level) {
                    level = sustainLevel;
                    state = Sustain;
                }
                break;
            case Sustain: level = sustainLevel; break;
            case Release:
            case StealRelease:
                level -= releaseRate;
                if (level <= 0.0f) {
                    level = 0.0f;
                    state = Idle;
                }
                break;
            default: return 0.0f;
        }
        return level;
    }

    // buffer[i] = buffer[i] * level * gain, stepping once per sample.
    void applyToBlock(float* buffer, int count, float gain) {
        for (int i = 0; i < count; ++i) {
            next();
            buffer[i] = buffer[i] * level * gain;
        }
    }

    void start() {
        state = Attack;
        level = 0.0f;
    }

    EnvelopeState state = Idle;
    float attackRate = 0.0f;
    float decayRate = 0.0f;
    float sustainLevel = 0.0f;
    float releaseRate = 0.0f;
    float level = 0.0f;
};
