// Audio input through libsndfile, read a block at a time (never whole). "-" is standard input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <sndfile.h>

namespace tools {

class AudioFileReader {
public:
    AudioFileReader() = default;
    ~AudioFileReader();
    AudioFileReader(const AudioFileReader&) = delete;
    AudioFileReader& operator=(const AudioFileReader&) = delete;

    bool open(const std::string& path, std::string& error);
    int channels() const { return info_.channels; }
    int sampleRate() const { return info_.samplerate; }
    // Frames in the file; unknown (a very large number) for a stream.
    int64_t frames() const { return info_.frames; }
    // Fills count output channels with the next frames; output c gets file channel c modulo the file's
    // channel count. Returns the frames read (fewer at the end, 0 after it).
    int32_t read(float* const* outputs, int count, int32_t frames);

private:
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
    std::vector<float> interleaved_;
};

}  // namespace tools
