// Anti-aliasing low-pass for the voice mix, which is rendered at twice the host rate: a polyphase
// IIR half-band filter H(z) = 0.5 * (A(z^2) + z^-1 * B(z^2)), where A and B are cascades of
// first-order allpasses in z^-2. Gain is 1 at DC, -3.01 dB at a quarter of the oversampled rate
// (the host's Nyquist frequency) and at least 98.5 dB down from 0.28 of it up to its Nyquist.
// The state is double precision; the buffer it filters is float32.
#pragma once

#include <vector>

// One section (a + z^-2) / (1 + a z^-2).
class AllpassStage {
  public:
    explicit AllpassStage(double coefficient) : a(coefficient) {}
    double process(double x) {
        const double y = a * (x - y2) + x2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }

    double a;
    double x1 = 0.0, x2 = 0.0;  // input one and two samples back
    double y1 = 0.0, y2 = 0.0;  // output one and two samples back
};

// Sections run in series, first coefficient first.
class AllpassCascade {
  public:
    AllpassCascade(int count, const double* coefficients);
    double process(double x) {
        for (AllpassStage& stage : stages) x = stage.process(x);
        return x;
    }
    int size() const { return static_cast<int>(stages.size()); }
    const AllpassStage& stage(int index) const { return stages[index]; }
    AllpassStage& stage(int index) { return stages[index]; }

  private:
    std::vector<AllpassStage> stages;
};

class HalfBandFilter {
  public:
    HalfBandFilter();  // uses AVX2 where the processor has it
    // Filters count samples of buffer in place; the state carries over to the next call.
    void process(float* buffer, int count);
    // Chooses the loop for pairs of samples: both branches in one 256-bit register (ignored where
    // the processor lacks AVX2), or one 128-bit register per branch. Both give the same samples.
    void useAvx2(bool use);

    const AllpassCascade& getBranchA() const { return branchA; }
    const AllpassCascade& getBranchB() const { return branchB; }
    double getPreviousB() const { return previousB; }

  private:
    AllpassCascade branchA;
    AllpassCascade branchB;
    double previousB = 0.0;  // branch B's output for the previous input: the z^-1 of the second path
    bool avx2 = false;
};

// The loops for pairs of samples: each filters the largest even number of samples up to count,
// carrying the cascades' state and previousB, and returns that number. A sample n + 1 never
// depends on the output of sample n within a stage (the sections are in z^-2), so both go through
// each stage together, with the same double operations in the same order as AllpassStage.
constexpr double kHalfBandDenormalGuard = 1e-15;
int filterPairsSse2(AllpassCascade& branchA, AllpassCascade& branchB, double& previousB, float* buffer, int count);
int filterPairsAvx2(AllpassCascade& branchA, AllpassCascade& branchB, double& previousB, float* buffer, int count);
