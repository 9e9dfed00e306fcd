// Audio parked on disk until it can be finished: normalising needs the whole render's peak before the
// first sample is written, and holding a long render in memory would grow without bound. The file is
// anonymous (gone when this closes or the process ends) and holds interleaved 32-bit floats.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace tools {

class ScratchAudio {
public:
    ScratchAudio() = default;
    ~ScratchAudio();
    ScratchAudio(const ScratchAudio&) = delete;
    ScratchAudio& operator=(const ScratchAudio&) = delete;

    bool open(int channels, std::string& error);
    bool append(const float* const* channels, int channelCount, int32_t frames);
    // Hands everything back in order, a piece at a time; stops when sink returns false.
    bool replay(const std::function<bool(const float* const* channels, int channelCount, int32_t frames)>& sink);

private:
    std::FILE* file_ = nullptr;
    int channels_ = 0;
    std::vector<float> interleaved_;
    std::vector<std::vector<float>> planar_;
};

}  // namespace tools
