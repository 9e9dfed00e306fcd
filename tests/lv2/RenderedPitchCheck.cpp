// lv2_rendered_pitch FILE WINDOW...: checks what a host rendered. A window "silent:START:END" (seconds)
// must stay below -60 dBFS (the export dithers); "note:START:END:MIDI" must sound, at the equal-tempered
// pitch of that MIDI note within 1.5 %. The pitch is the first autocorrelation peak within 10 % of the
// highest.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kSilentPeak = 1e-3;  // -60 dBFS: the export dithers
constexpr double kSoundingRms = 0.01;
constexpr double kPitchTolerance = 0.015;
constexpr double kPeakShare = 0.9;

double fundamental(const std::vector<float>& x, double rate) {
    const int shortest = static_cast<int>(rate / 2000.0), longest = static_cast<int>(rate / 40.0);
    const int n = static_cast<int>(x.size());
    std::vector<double> r(longest + 2, 0.0);
    double best = 0.0;
    for (int lag = shortest; lag <= longest + 1 && lag < n; ++lag) {
        double product = 0.0, a = 0.0, b = 0.0;
        for (int i = 0; i + lag < n; ++i) {
            product += static_cast<double>(x[i]) * x[i + lag];
            a += static_cast<double>(x[i]) * x[i];
            b += static_cast<double>(x[i + lag]) * x[i + lag];
        }
        r[lag] = a > 0.0 && b > 0.0 ? product / std::sqrt(a * b) : 0.0;
        if (lag <= longest) best = std::max(best, r[lag]);
    }
    for (int lag = shortest + 1; lag <= longest; ++lag) {
        if (r[lag] >= kPeakShare * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
            const double curve = r[lag - 1] - 2.0 * r[lag] + r[lag + 1];
            const double offset = curve != 0.0 ? 0.5 * (r[lag - 1] - r[lag + 1]) / curve : 0.0;
            return rate / (lag + offset);
        }
    }
    return 0.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: lv2_rendered_pitch FILE silent:START:END|note:START:END:MIDI...\n");
        return 2;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open(argv[1], SFM_READ, &info);
    if (!file) {
        std::printf("FAIL: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<float> frames(static_cast<size_t>(info.frames) * info.channels);
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    std::vector<float> left(info.frames);
    for (sf_count_t i = 0; i < info.frames; ++i) left[i] = frames[i * info.channels];

    int failures = 0;
    for (int i = 2; i < argc; ++i) {
        char kind[8] = {};
        double start = 0, end = 0, note = 0;
        const int fields = std::sscanf(argv[i], "%7[a-z]:%lf:%lf:%lf", kind, &start, &end, &note);
        const auto first = static_cast<size_t>(start * info.samplerate),
                   last = static_cast<size_t>(end * info.samplerate);
        if (fields < 3 || last > left.size() || first >= last) {
            std::printf("FAIL: window %s is not inside the %lld frames rendered\n", argv[i],
                        static_cast<long long>(info.frames));
            ++failures;
            continue;
        }
        const std::vector<float> window(left.begin() + first, left.begin() + last);
        double peak = 0.0, power = 0.0;
        for (float sample : window) {
            peak = std::max(peak, static_cast<double>(std::fabs(sample)));
            power += static_cast<double>(sample) * sample;
        }
        const double rms = std::sqrt(power / window.size());
        if (std::string(kind) == "silent") {
            const bool ok = peak < kSilentPeak;
            std::printf("%s: %s peak %.6f\n", ok ? "ok" : "FAIL", argv[i], peak);
            failures += !ok;
        } else {
            const double expected = 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
            const double measured = fundamental(window, info.samplerate);
            const bool ok = rms > kSoundingRms && std::fabs(measured / expected - 1.0) < kPitchTolerance;
            std::printf("%s: %s rms %.4f, %.2f Hz for %.2f Hz\n", ok ? "ok" : "FAIL", argv[i], rms, measured,
                        expected);
            failures += !ok;
        }
    }
    return failures == 0 ? 0 : 1;
}
