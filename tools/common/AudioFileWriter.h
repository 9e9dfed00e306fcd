// Audio output through libsndfile, written as it comes and published whole (see OutputFile.h). The
// container follows the file name's extension. Standard output ("-") gets WAV, streamed as it comes:
// into a redirected file as usual, into a pipe with the length fields a stream of unknown length
// carries (all ones), since nothing can be rewritten once sent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <sndfile.h>

namespace tools {

enum class SampleFormat { Int16, Int24, Int32, Float32 };

// As sox reads bit depths: "16", "24", "32" or "s32" (integers), "float" or "32f"; false for others.
bool parseSampleFormat(const std::string& text, SampleFormat& format);
const char* sampleFormatName(SampleFormat format);

// Planar channels into frame-interleaved samples (resized to fit), as sound files hold them.
void interleave(const float* const* channels, int channelCount, int32_t frames, std::vector<float>& interleaved);

class AudioFileWriter {
public:
    AudioFileWriter() = default;
    ~AudioFileWriter();  // an unfinished file is discarded
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    bool open(const std::string& path, int channels, int sampleRate, SampleFormat format, std::string& error);
    bool write(const float* const* channels, int channelCount, int32_t frames);
    // Completes the file and moves it into place.
    bool finish(std::string& error);
    std::string writeError() const;
    // True when the output goes straight to standard output, so a failure cannot take it back.
    bool streamsToStandardOutput() const { return streaming_; }

private:
    void discard();

    SNDFILE* file_ = nullptr;
    std::string path_;
    std::string temporaryPath_;
    std::vector<float> interleaved_;
    int channels_ = 0;
    bool streaming_ = false;
};

}  // namespace tools
