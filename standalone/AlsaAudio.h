// Audio straight to an ALSA playback device when no JACK server runs. A thread of its own renders
// one period at a time and writes it; only the write waits on the device.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "standalone/AudioBackend.h"

typedef struct _snd_pcm snd_pcm_t;

// The ALSA library prints its own lines for every device it cannot find; our messages say it once.
void silenceAlsaLibrary();

class AlsaAudio : public AudioBackend {
  public:
    AlsaAudio(PluginDriver& driver, NoteSources sources, std::string device, int rate, int periodFrames);
    ~AlsaAudio() override;

    static void listDevices();

    bool start(std::string& error) override;
    void stop() override;
    std::string description() const override;

  private:
    enum class SampleFormat { Float, Int32, Int16 };
    bool configureDevice(std::string& error);
    void run();
    void convert(int frames);
    bool write(int frames);

    PluginDriver& driver;
    NoteSources sources;
    std::string device;
    int askedRate;
    int askedPeriod;
    unsigned int rate = 0;
    int period = 0;
    SampleFormat format = SampleFormat::Float;
    snd_pcm_t* pcm = nullptr;
    std::vector<float> left, right;
    std::vector<unsigned char> interleaved;
    std::atomic<bool> running{false};
    std::thread worker;
};
