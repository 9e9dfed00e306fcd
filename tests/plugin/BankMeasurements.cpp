#include "BankMeasurements.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>

#include "RecordingHost.h"
#include "engine/ParameterIndex.h"
#include "plugin/Calyx2Plugin.h"
#include "tests/support/MidiEvent.h"

namespace bank {
namespace {
constexpr int kBlockSize = 512;
constexpr double kPi = 3.14159265358979323846;

void send(Calyx2Plugin& plugin, std::vector<VstMidiEvent>& midi) {
    std::vector<char> storage(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = static_cast<VstInt32>(midi.size());
    // The header declares two entries; a host's list runs on past them, written as the plug-in reads it.
    VstEvent** slots = list->events;
    for (size_t i = 0; i < midi.size(); ++i) slots[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    plugin.processEvents(list);
}

// In place, length a power of two.
void fft(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * kPi / static_cast<double>(len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1.0;
            for (size_t k = 0; k < len / 2; ++k, w *= step) {
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

double hann(int i, int count) {
    return 0.5 - 0.5 * std::cos(2.0 * kPi * (i + 0.5) / count);
}

// Power per bin, 0 to count/2, scaled so that a sine of amplitude A shows A*A/4 at its bin whatever
// the count: renders at different rates with the same bin width compare directly.
std::vector<double> powerSpectrum(const std::vector<float>& x, int start, int count) {
    std::vector<std::complex<double>> bins(count);
    double windowSum = 0.0;
    for (int i = 0; i < count; ++i) {
        const double w = hann(i, count);
        windowSum += w;
        bins[i] = start + i < static_cast<int>(x.size()) ? x[start + i] * w : 0.0;
    }
    fft(bins);
    std::vector<double> power(count / 2 + 1);
    for (int k = 0; k <= count / 2; ++k) power[k] = std::norm(bins[k]) / (windowSum * windowSum);
    return power;
}

double rmsOf(const std::vector<float>& x, int from, int to) {
    double sum = 0.0;
    for (int i = from; i < to; ++i) sum += static_cast<double>(x[i]) * x[i];
    return to > from ? std::sqrt(sum / (to - from)) : 0.0;
}
}  // namespace

Stereo render(const Performance& performance) {
    RecordingHost host;  // 120 beats per minute
    auto plugin = std::make_unique<Calyx2Plugin>(RecordingHost::callback);
    plugin->setSampleRate(performance.sampleRate);
    plugin->setBlockSize(kBlockSize);
    plugin->setProgram(performance.program);
    for (const auto& [index, value] : performance.overrides) plugin->setParameter(index, value);
    if (!performance.effects) {
        plugin->setParameter(param::C_LVL, 0.0f);
        plugin->setParameter(param::D_LVL, 0.0f);
    }
    if (performance.lfoStill) plugin->setParameter(param::LFO_MOD, 1.0f);
    plugin->resume();

    std::vector<VstMidiEvent> midi = {
        midiEvent(0xB0, 1, static_cast<int>(performance.wheel * 127.0f + 0.5f), 0)};
    for (int key : performance.keys) midi.push_back(midiEvent(0x90, key, performance.velocity, 0));
    send(*plugin, midi);

    const int total = static_cast<int>(performance.seconds * performance.sampleRate);
    Stereo take{std::vector<float>(total), std::vector<float>(total)};
    for (int done = 0; done < total; done += kBlockSize) {
        float* outputs[] = {take.left.data() + done, take.right.data() + done};
        plugin->processReplacing(nullptr, outputs, std::min(kBlockSize, total - done));
    }
    return take;
}

double decibels(double ratio) {
    return 20.0 * std::log10(std::max(ratio, 1e-12));
}

double loudestRms(const std::vector<float>& x, float sampleRate) {
    const int window = static_cast<int>(0.1f * sampleRate);
    double loudest = 0.0;
    for (int from = 0; from + window <= static_cast<int>(x.size()); from += window / 2)
        loudest = std::max(loudest, rmsOf(x, from, from + window));
    return loudest;
}

double peak(const Stereo& take) {
    double p = 0.0;
    for (const std::vector<float>* channel : {&take.left, &take.right})
        for (float v : *channel) p = std::max(p, static_cast<double>(std::fabs(v)));
    return p;
}

double dcRelativeDb(const std::vector<float>& x, float sampleRate, double from, double to) {
    const int a = static_cast<int>(from * sampleRate), b = static_cast<int>(to * sampleRate);
    double weighted = 0.0, weights = 0.0;
    for (int i = a; i < b; ++i) {
        const double w = hann(i - a, b - a);
        weighted += w * x[i];
        weights += w;
    }
    return decibels(std::fabs(weighted / weights) / std::max(rmsOf(x, a, b), 1e-12));
}

double centroidHz(const std::vector<float>& x, float sampleRate, int start, int count) {
    const std::vector<double> power = powerSpectrum(x, start, count);
    double moment = 0.0, sum = 0.0;
    for (size_t k = 1; k < power.size(); ++k) {
        moment += power[k] * k;
        sum += power[k];
    }
    return sum > 0.0 ? moment / sum * sampleRate / count : 0.0;
}

double aliasDb(int program, int key, const Overrides& overrides) {
    constexpr int kCount = 8192;    // 186 ms; both spectra then have bins 5.4 Hz wide
    constexpr double kSkip = 0.05;  // past the attack's first milliseconds
    constexpr int kLowestBin = 4;   // 21.5 Hz: offset and drift below it are judged as DC
    constexpr int kRatio = static_cast<int>(kReferenceRate / kBaseRate);
    Performance note;
    note.program = program;
    note.keys = {key};
    note.seconds = kSkip + kCount / kBaseRate + 0.01;
    note.effects = false;
    note.lfoStill = true;
    note.overrides = overrides;
    const std::vector<float> base = render(note).left;
    note.sampleRate = kReferenceRate;
    const std::vector<float> reference = render(note).left;
    const std::vector<double> heard = powerSpectrum(base, static_cast<int>(kSkip * kBaseRate), kCount);
    const std::vector<double> clean =
        powerSpectrum(reference, static_cast<int>(kSkip * kReferenceRate), kCount * kRatio);

    // The two renders play the same note a few cents apart (the phase increments truncate on different
    // grids), and partials close in frequency beat at different phases, so each base-rate bin is
    // compared with the strongest reference bin within 0.5 % of its frequency and counts only when it is
    // ten times (10 dB) stronger: a partial the clean render does not have.
    double total = 0.0, folded = 0.0;
    for (int k = 1; k <= kCount / 2; ++k) {
        const int reach = 2 + k / 200;
        double envelope = 0.0;
        for (int j = std::max(1, k - reach); j <= std::min(kCount / 2, k + reach); ++j)
            envelope = std::max(envelope, clean[j]);
        total += heard[k];
        if (heard[k] > 10.0 * envelope && k >= kLowestBin) folded += heard[k];
    }
    return 10.0 * std::log10(std::max(folded, 1e-30) / std::max(total, 1e-30));
}

namespace {
constexpr int kC4 = 60;

Stereo play(int program, const Overrides& overrides, std::vector<int> keys, int velocity, float wheel,
            double seconds, bool effects) {
    return render({program, std::move(keys), velocity, wheel, seconds, kBaseRate, effects, false, overrides});
}
}  // namespace

double c4LoudnessDb(int program, const Overrides& overrides) {
    return decibels(loudestRms(play(program, overrides, {kC4}, 100, 0.0f, 2.0, true).left, kBaseRate));
}

double chordPeak(int program, const Overrides& overrides) {
    return std::max(peak(play(program, overrides, {48, 52, 55, 60}, 100, 0.0f, 1.0, true)),
                    peak(play(program, overrides, {60, 64, 67, 72}, 100, 0.0f, 1.0, true)));
}

DcOffset worstDc(int program, const Overrides& overrides) {
    DcOffset worst{-1000.0, 0};
    for (int key = 24; key <= 96; key += 12) {
        const std::vector<float> note = play(program, overrides, {key}, 100, 0.0f, 0.6, false).left;
        const double db = dcRelativeDb(note, kBaseRate, 0.1, 0.6);
        if (db > worst.db) worst = {db, key};
    }
    return worst;
}

WheelResponse wheelResponse(int program, const Overrides& overrides) {
    const std::vector<float> still = play(program, overrides, {kC4}, 100, 0.0f, 1.2, false).left;
    const std::vector<float> moving = play(program, overrides, {kC4}, 100, 1.0f, 1.2, false).left;
    const int from = static_cast<int>(0.2f * kBaseRate), to = static_cast<int>(still.size());
    std::vector<float> difference(still.size());
    for (size_t i = 0; i < still.size(); ++i) difference[i] = moving[i] - still[i];
    return {decibels(rmsOf(difference, from, to) / std::max(rmsOf(still, from, to), 1e-12)),
            decibels(loudestRms(moving, kBaseRate) / std::max(loudestRms(still, kBaseRate), 1e-12))};
}

VelocityResponse velocityResponse(int program, const Overrides& overrides) {
    constexpr int kCount = 8192;
    const int start = static_cast<int>(0.02f * kBaseRate);
    const std::vector<float> soft = play(program, overrides, {kC4}, 40, 0.0f, 0.6, false).left;
    const std::vector<float> hard = play(program, overrides, {kC4}, 127, 0.0f, 0.6, false).left;
    return {decibels(loudestRms(hard, kBaseRate) / std::max(loudestRms(soft, kBaseRate), 1e-12)),
            centroidHz(hard, kBaseRate, start, kCount) /
                std::max(centroidHz(soft, kBaseRate, start, kCount), 1.0)};
}

}  // namespace bank
