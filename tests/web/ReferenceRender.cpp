// calyx2-web-reference: renders an event script through the native build with the page's own glue,
// so that the browser tests can compare the WebAssembly build's samples with these, bit for bit.
//   calyx2-web-reference RATE FRAMES [--time] < script > samples.f32
//   calyx2-web-reference --truncations      (the results of TruncationCases.cpp, one a line)
// Script lines: "FRAME midi STATUS DATA1 DATA2", "FRAME param INDEX VALUE", "FRAME program N",
// "FRAME tempo BPM", in frame order. Parameter, program and tempo changes take effect between
// blocks, before the block holding FRAME; MIDI lands at FRAME's offset in its block, as the
// worklet delivers them. Output: left and right float32 interleaved, native byte order. --time
// prints the realtime factor of the rendering alone to standard error (the benchmark page's figure).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "web/WebSynth.h"

extern "C" {
int web_open(float sampleRate);
void web_midi(int frame, int status, int data1, int data2);
void web_render(int frames);
float* web_output(int channel);
void web_set_parameter(int index, float value);
void web_set_program(int program);
void web_set_tempo(double beatsPerMinute);
int truncation_cases(int32_t* out);
}

namespace {
struct ScriptEvent {
    long frame;
    std::string kind;
    double a, b, c;
};
}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--truncations") {
        int32_t results[256];
        const int count = truncation_cases(results);
        for (int i = 0; i < count; ++i) std::printf("%d\n", results[i]);
        return 0;
    }
    const bool timed = argc == 4 && std::string(argv[3]) == "--time";
    if (argc != 3 && !timed) {
        std::fprintf(stderr, "usage: calyx2-web-reference RATE FRAMES [--time] < script > samples.f32\n");
        return 2;
    }
    const float rate = std::strtof(argv[1], nullptr);
    const long frames = std::strtol(argv[2], nullptr, 10);
    std::vector<ScriptEvent> script;
    char kind[16];
    long frame;
    double a = 0, b = 0, c = 0;
    char line[256];
    while (std::fgets(line, sizeof line, stdin)) {
        a = b = c = 0;
        if (std::sscanf(line, "%ld %15s %lf %lf %lf", &frame, kind, &a, &b, &c) >= 2)
            script.push_back({frame, kind, a, b, c});
    }
    web_open(rate);
    std::size_t next = 0;
    std::vector<float> interleaved(2 * web::kBlockFrames);
    std::vector<float> all;
    all.reserve(static_cast<std::size_t>(2 * (frames + web::kBlockFrames)));
    const auto started = std::chrono::steady_clock::now();
    for (long start = 0; start < frames; start += web::kBlockFrames) {
        const long end = start + web::kBlockFrames;
        for (; next < script.size() && script[next].frame < end; ++next) {
            const ScriptEvent& e = script[next];
            if (e.kind == "midi") web_midi(int(e.frame - start), int(e.a), int(e.b), int(e.c));
            else if (e.kind == "param") web_set_parameter(int(e.a), float(e.b));
            else if (e.kind == "program") web_set_program(int(e.a));
            else if (e.kind == "tempo") web_set_tempo(e.a);
        }
        web_render(web::kBlockFrames);
        for (int i = 0; i < web::kBlockFrames; ++i) {
            interleaved[2 * i] = web_output(0)[i];
            interleaved[2 * i + 1] = web_output(1)[i];
        }
        all.insert(all.end(), interleaved.begin(), interleaved.end());
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    if (timed) std::fprintf(stderr, "realtime factor %.2f\n", double(frames) / rate / took.count());
    std::fwrite(all.data(), sizeof(float), all.size(), stdout);
    return 0;
}
