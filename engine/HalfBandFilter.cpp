#include "engine/HalfBandFilter.h"

namespace {
constexpr int stagesPerBranch = 5;
constexpr double branchACoefficients[stagesPerBranch] = {
    0.02366831419883467, 0.18989476227180174, 0.43157318062118555, 0.6632020224193995, 0.860015542499582,
};
constexpr double branchBCoefficients[stagesPerBranch] = {
    0.09056555904993387, 0.3078575723749043, 0.5516782402507934, 0.7652146863779808, 0.9524772837866754,
};
// Added before both branches and taken off after them: in silence the recursive state settles on
// this offset instead of decaying into the slow denormal range.
constexpr double denormalGuard = 1e-15;
}  // namespace

AllpassCascade::AllpassCascade(int count, const double* coefficients) {
    stages.reserve(count);
    for (int i = 0; i < count; ++i) stages.emplace_back(coefficients[i]);
}

HalfBandFilter::HalfBandFilter()
    : branchA(stagesPerBranch, branchACoefficients), branchB(stagesPerBranch, branchBCoefficients) {}

void HalfBandFilter::process(float* buffer, int count) {
    for (int i = 0; i < count; ++i) {
        const double u = static_cast<double>(buffer[i]) + denormalGuard;
        const double ya = branchA.process(u);
        buffer[i] = static_cast<float>(ya - denormalGuard + previousB) * 0.5f;
        previousB = branchB.process(u) - denormalGuard;
    }
}
