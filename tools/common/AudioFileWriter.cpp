#include "tools/common/AudioFileWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cerrno>
#include <cstring>

#include "tools/common/OutputFile.h"

namespace tools {
namespace {

struct Container {
    const char* extension;
    int format;
    bool takesFloat;
    bool takesIntegers;
};

const Container kContainers[] = {
    {".wav", SF_FORMAT_WAV, true, true},   {".w64", SF_FORMAT_W64, true, true},  {".rf64", SF_FORMAT_RF64, true, true},
    {".aiff", SF_FORMAT_AIFF, true, true}, {".aif", SF_FORMAT_AIFF, true, true}, {".caf", SF_FORMAT_CAF, true, true},
    {".au", SF_FORMAT_AU, true, true},     {".flac", SF_FORMAT_FLAC, false, true}, {".ogg", SF_FORMAT_OGG, true, true},
};

int subformatOf(SampleFormat format) {
    switch (format) {
        case SampleFormat::Int16: return SF_FORMAT_PCM_16;
        case SampleFormat::Int24: return SF_FORMAT_PCM_24;
        case SampleFormat::Int32: return SF_FORMAT_PCM_32;
        case SampleFormat::Float32: return SF_FORMAT_FLOAT;
    }
    return 0;
}

int bitsOf(SampleFormat format) { return format == SampleFormat::Int16 ? 16 : format == SampleFormat::Int24 ? 24 : 32; }

void putLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// RIFF header of a WAV stream whose length is not known yet: the RIFF and data sizes are all ones,
// which readers take as "until the end of the stream". The samples follow as headerless data.
std::vector<uint8_t> streamingWavHeader(int channels, int sampleRate, SampleFormat format) {
    constexpr uint32_t kUnknownLength = 0xFFFFFFFFu;
    constexpr uint32_t kPcm = 1, kIeeeFloat = 3;
    const uint32_t blockAlign = static_cast<uint32_t>(channels * bitsOf(format) / 8);
    std::vector<uint8_t> header;
    auto tag = [&](const char* text) { header.insert(header.end(), text, text + 4); };
    tag("RIFF");
    putLittleEndian(header, kUnknownLength, 4);
    tag("WAVE");
    tag("fmt ");
    putLittleEndian(header, 16, 4);
    putLittleEndian(header, format == SampleFormat::Float32 ? kIeeeFloat : kPcm, 2);
    putLittleEndian(header, static_cast<uint32_t>(channels), 2);
    putLittleEndian(header, static_cast<uint32_t>(sampleRate), 4);
    putLittleEndian(header, static_cast<uint32_t>(sampleRate) * blockAlign, 4);
    putLittleEndian(header, blockAlign, 2);
    putLittleEndian(header, static_cast<uint32_t>(bitsOf(format)), 2);
    tag("data");
    putLittleEndian(header, kUnknownLength, 4);
    return header;
}

bool standardOutputIsRegularFile() {
    struct stat info {};
    return fstat(STDOUT_FILENO, &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool parseSampleFormat(const std::string& text, SampleFormat& format) {
    if (text == "16") format = SampleFormat::Int16;
    else if (text == "24") format = SampleFormat::Int24;
    else if (text == "32" || text == "s32") format = SampleFormat::Int32;
    else if (text == "float" || text == "32f") format = SampleFormat::Float32;
    else return false;
    return true;
}

const char* sampleFormatName(SampleFormat format) {
    switch (format) {
        case SampleFormat::Int16: return "16-bit";
        case SampleFormat::Int24: return "24-bit";
        case SampleFormat::Int32: return "32-bit";
        case SampleFormat::Float32: return "32-bit float";
    }
    return "";
}

void interleave(const float* const* channels, int channelCount, int32_t frames, std::vector<float>& interleaved) {
    interleaved.resize(static_cast<size_t>(frames) * channelCount);
    for (int32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channelCount; ++c) interleaved[static_cast<size_t>(i) * channelCount + c] = channels[c][i];
    }
}

AudioFileWriter::~AudioFileWriter() { discard(); }

void AudioFileWriter::discard() {
    if (file_) sf_close(file_);
    file_ = nullptr;
    if (!temporaryPath_.empty()) std::remove(temporaryPath_.c_str());
    temporaryPath_.clear();
}

bool AudioFileWriter::open(const std::string& path, int channels, int sampleRate, SampleFormat format,
                           std::string& error) {
    std::string extension = path == "-" ? ".wav" : lowercaseExtension(path);
    const Container* container = nullptr;
    for (const Container& candidate : kContainers) {
        if (extension == candidate.extension) container = &candidate;
    }
    if (!container) {
        error = "cannot write " + path + ": unknown audio file type '" + extension +
                "' (use .wav, .flac, .aiff, .caf, .w64, .rf64, .au or .ogg)";
        return false;
    }
    if (channels < 1) {
        error = "the plug-in has no audio outputs";
        return false;
    }
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    if (container->format == SF_FORMAT_OGG) {
        info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    } else if (format == SampleFormat::Float32) {
        if (!container->takesFloat) {
            error = "cannot write " + path + ": " + extension.substr(1) + " files hold no float samples (use --depth 16 or 24)";
            return false;
        }
        info.format = container->format | SF_FORMAT_FLOAT;
    } else {
        info.format = container->format | subformatOf(format);
    }
    if (!sf_format_check(&info)) {
        error = "cannot write " + path + ": libsndfile does not support this combination of format, rate and channels";
        return false;
    }
    if (path == "-") {
        if (!standardOutputIsRegularFile()) {
            std::vector<uint8_t> header = streamingWavHeader(channels, sampleRate, format);
            if (::write(STDOUT_FILENO, header.data(), header.size()) != static_cast<ssize_t>(header.size())) {
                error = std::string("cannot write to standard output: ") + std::strerror(errno);
                return false;
            }
            info.format = SF_FORMAT_RAW | subformatOf(format);
        }
        file_ = sf_open_fd(STDOUT_FILENO, SFM_WRITE, &info, SF_FALSE);
        if (!file_) {
            error = std::string("cannot write to standard output: ") + sf_strerror(nullptr);
            return false;
        }
        streaming_ = true;
    } else {
        int fd = createTemporaryFor(path, temporaryPath_, error);
        if (fd < 0) return false;
        file_ = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
        if (!file_) {
            error = "cannot write " + path + ": " + sf_strerror(nullptr);
            ::close(fd);
            discard();
            return false;
        }
    }
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);  // integer files clip instead of wrapping around
    path_ = path;
    channels_ = channels;
    return true;
}

bool AudioFileWriter::write(const float* const* channels, int channelCount, int32_t frames) {
    if (!file_ || channelCount != channels_) return false;
    interleave(channels, channels_, frames, interleaved_);
    return sf_writef_float(file_, interleaved_.data(), frames) == frames;
}

std::string AudioFileWriter::writeError() const {
    return "cannot write " + path_ + ": " + (file_ ? sf_strerror(file_) : "not open");
}

bool AudioFileWriter::finish(std::string& error) {
    if (!file_) {
        error = "cannot write " + path_ + ": not open";
        return false;
    }
    sf_write_sync(file_);
    int closed = sf_close(file_);
    file_ = nullptr;
    if (closed != 0) {
        error = "cannot write " + path_ + ": " + sf_error_number(closed);
        discard();
        return false;
    }
    if (streaming_) return true;
    std::string temporary = temporaryPath_;
    temporaryPath_.clear();
    return publishTemporary(temporary, path_, error);
}

}  // namespace tools
