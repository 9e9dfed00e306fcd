// Audio output through libsndfile, published whole (see OutputFile.h). The container follows the
// file name's extension; standard output ("-") gets WAV.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <sndfile.h>

namespace tools {

enum class SampleFormat { Int16, Int24, Float32 };

// "16", "24" or "float" (also "32f"); false for anything else.
bool parseSampleFormat(const std::string& text, SampleFormat& format);
const char* sampleFormatName(SampleFormat format);

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

private:
    void discard();

    SNDFILE* file_ = nullptr;
    std::string path_;
    std::string temporaryPath_;
    std::vector<float> interleaved_;
    int channels_ = 0;
};

}  // namespace tools
