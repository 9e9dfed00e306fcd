#include "tools/common/AudioFileReader.h"

#include <unistd.h>

namespace tools {

AudioFileReader::~AudioFileReader() {
    if (file_) sf_close(file_);
}

bool AudioFileReader::open(const std::string& path, std::string& error) {
    info_ = SF_INFO{};
    file_ = path == "-" ? sf_open_fd(STDIN_FILENO, SFM_READ, &info_, SF_FALSE) : sf_open(path.c_str(), SFM_READ, &info_);
    if (!file_) {
        error = "cannot read " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    if (info_.channels < 1) {
        error = "cannot read " + path + ": it holds no audio channels";
        return false;
    }
    return true;
}

int32_t AudioFileReader::read(float* const* outputs, int count, int32_t frames) {
    if (!file_) return 0;
    interleaved_.resize(static_cast<size_t>(frames) * info_.channels);
    sf_count_t got = sf_readf_float(file_, interleaved_.data(), frames);
    for (int c = 0; c < count; ++c) {
        const int from = c % info_.channels;
        for (sf_count_t i = 0; i < got; ++i) outputs[c][i] = interleaved_[static_cast<size_t>(i) * info_.channels + from];
    }
    return static_cast<int32_t>(got);
}

}  // namespace tools
