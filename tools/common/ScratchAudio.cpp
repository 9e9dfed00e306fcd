#include "tools/common/ScratchAudio.h"

#include <cerrno>
#include <cstring>

#include "tools/common/AudioFileWriter.h"

namespace tools {
namespace {
constexpr int32_t kReplayFrames = 8192;
}  // namespace

ScratchAudio::~ScratchAudio() {
    if (file_) std::fclose(file_);
}

bool ScratchAudio::open(int channels, std::string& error) {
    file_ = std::tmpfile();
    if (!file_) {
        error = std::string("cannot create a temporary file: ") + std::strerror(errno);
        return false;
    }
    channels_ = channels;
    return true;
}

bool ScratchAudio::append(const float* const* channels, int channelCount, int32_t frames) {
    if (!file_ || channelCount != channels_) return false;
    interleave(channels, channels_, frames, interleaved_);
    return std::fwrite(interleaved_.data(), sizeof(float), interleaved_.size(), file_) == interleaved_.size();
}

bool ScratchAudio::replay(const std::function<bool(const float* const*, int, int32_t)>& sink) {
    if (!file_ || std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0) return false;
    interleaved_.resize(static_cast<size_t>(kReplayFrames) * channels_);
    planar_.assign(static_cast<size_t>(channels_), std::vector<float>(kReplayFrames));
    std::vector<const float*> pointers;
    for (auto& channel : planar_) pointers.push_back(channel.data());
    for (;;) {
        size_t samples = std::fread(interleaved_.data(), sizeof(float), interleaved_.size(), file_);
        int32_t frames = static_cast<int32_t>(samples / channels_);
        if (frames == 0) return !std::ferror(file_);
        for (int32_t i = 0; i < frames; ++i) {
            for (int c = 0; c < channels_; ++c) planar_[c][i] = interleaved_[static_cast<size_t>(i) * channels_ + c];
        }
        if (!sink(pointers.data(), channels_, frames)) return false;
    }
}

}  // namespace tools
