#include "standalone/AlsaAudio.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "standalone/PluginDriver.h"
#include "standalone/ReportProblem.h"

namespace {
constexpr int kChannels = 2;
constexpr unsigned int kPeriods = 3;
constexpr float kInt16Scale = 32767.0f;
constexpr double kInt32Scale = 2147483647.0;

template <typename Sample>
Sample clipped(float value, double scale) {
    const double scaled = std::fmax(-1.0, std::fmin(1.0, double(value))) * scale;
    return Sample(std::lrint(scaled));
}
void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

void silenceAlsaLibrary() { snd_lib_error_set_handler(ignoreAlsaMessage); }

AlsaAudio::AlsaAudio(PluginDriver& driver, NoteSources sources, std::string device, int rate, int periodFrames)
    : driver(driver), sources(sources), device(std::move(device)), askedRate(rate), askedPeriod(periodFrames) {}

AlsaAudio::~AlsaAudio() { stop(); }

void AlsaAudio::listDevices() {
    void** hints = nullptr;
    std::printf("ALSA playback devices (use --device alsa:NAME):\n");
    if (snd_device_name_hint(-1, "pcm", &hints) != 0) {
        std::printf("  none found\n");
        return;
    }
    for (void** hint = hints; *hint != nullptr; ++hint) {
        char* name = snd_device_name_get_hint(*hint, "NAME");
        char* io = snd_device_name_get_hint(*hint, "IOID");
        char* text = snd_device_name_get_hint(*hint, "DESC");
        if (name != nullptr && (io == nullptr || std::strcmp(io, "Output") == 0)) {
            std::string description = text != nullptr ? text : "";
            for (char& c : description) c = c == '\n' ? ' ' : c;
            std::printf("  %-28s %s\n", name, description.c_str());
        }
        std::free(name);
        std::free(io);
        std::free(text);
    }
    snd_device_name_free_hint(hints);
}

bool AlsaAudio::configureDevice(std::string& error) {
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    snd_pcm_hw_params_any(pcm, hw);
    int failed = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_FLOAT_LE) == 0)
        format = SampleFormat::Float;
    else if (snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_S32_LE) == 0)
        format = SampleFormat::Int32;
    else if (snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_S16_LE) == 0)
        format = SampleFormat::Int16;
    else
        failed = -EINVAL;
    failed = failed < 0 ? failed : snd_pcm_hw_params_set_channels(pcm, hw, kChannels);
    rate = unsigned(askedRate);
    failed = failed < 0 ? failed : snd_pcm_hw_params_set_rate_near(pcm, hw, &rate, nullptr);
    snd_pcm_uframes_t periodFrames = snd_pcm_uframes_t(askedPeriod);
    failed = failed < 0 ? failed : snd_pcm_hw_params_set_period_size_near(pcm, hw, &periodFrames, nullptr);
    snd_pcm_uframes_t bufferFrames = periodFrames * kPeriods;
    failed = failed < 0 ? failed : snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &bufferFrames);
    failed = failed < 0 ? failed : snd_pcm_hw_params(pcm, hw);
    if (failed < 0) {
        error = "ALSA device '" + device + "' cannot play 2 channels of 16-bit, 32-bit or float samples: " +
                snd_strerror(failed);
        return false;
    }
    period = int(periodFrames);
    if (int(rate) != askedRate)
        reportProblem("ALSA device '" + device + "' runs at " + std::to_string(rate) + " Hz, not the " +
                      std::to_string(askedRate) + " Hz asked for: playing at " + std::to_string(rate) + " Hz");
    return true;
}

bool AlsaAudio::start(std::string& error) {
    const int opened = snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (opened < 0) {
        pcm = nullptr;
        error = "cannot open ALSA device '" + device + "': " + snd_strerror(opened);
        return false;
    }
    if (!configureDevice(error)) {
        snd_pcm_close(pcm);
        pcm = nullptr;
        return false;
    }
    left.assign(std::size_t(period), 0.0f);
    right.assign(std::size_t(period), 0.0f);
    interleaved.assign(std::size_t(period) * kChannels * sizeof(float), 0);
    driver.configure(float(rate), period);
    running = true;
    worker = std::thread([this] { run(); });
    return true;
}

void AlsaAudio::stop() {
    running = false;
    if (worker.joinable()) worker.join();
    if (pcm != nullptr) {
        snd_pcm_drop(pcm);
        snd_pcm_close(pcm);
        pcm = nullptr;
    }
}

std::string AlsaAudio::description() const {
    return "ALSA device '" + device + "' at " + std::to_string(rate) + " Hz, " + std::to_string(period) + " frames";
}

void AlsaAudio::convert(int frames) {
    for (int i = 0; i < frames; ++i) {
        const float pair[kChannels] = {left[std::size_t(i)], right[std::size_t(i)]};
        for (int c = 0; c < kChannels; ++c) {
            const std::size_t at = std::size_t(i * kChannels + c);
            switch (format) {
                case SampleFormat::Float: reinterpret_cast<float*>(interleaved.data())[at] = pair[c]; break;
                case SampleFormat::Int32:
                    reinterpret_cast<int32_t*>(interleaved.data())[at] = clipped<int32_t>(pair[c], kInt32Scale);
                    break;
                case SampleFormat::Int16:
                    reinterpret_cast<int16_t*>(interleaved.data())[at] = clipped<int16_t>(pair[c], kInt16Scale);
                    break;
            }
        }
    }
}

// False when the device is gone for good.
bool AlsaAudio::write(int frames) {
    const std::size_t frameBytes = interleaved.size() / std::size_t(period);
    int done = 0;
    while (done < frames && running) {
        const snd_pcm_sframes_t written =
            snd_pcm_writei(pcm, interleaved.data() + std::size_t(done) * frameBytes, snd_pcm_uframes_t(frames - done));
        if (written >= 0) {
            done += int(written);
            continue;
        }
        if (written == -EAGAIN || written == -EINTR) continue;
        // An underrun (-EPIPE) or a suspend (-ESTRPIPE) is over once the stream is prepared again.
        if ((written == -EPIPE || written == -ESTRPIPE) && snd_pcm_recover(pcm, int(written), 1) == 0) continue;
        reportProblem("ALSA device '" + device + "' stopped playing: " + snd_strerror(int(written)) +
                      ": no more sound");
        return false;
    }
    return true;
}

void AlsaAudio::run() {
    while (running) {
        driver.addQueued(*sources.keyboard);
        driver.addQueued(*sources.sequencer);
        driver.render(left.data(), right.data(), period);
        convert(period);
        if (!write(period)) {
            gone = true;
            running = false;
        }
    }
}
