// What the main loop needs of an audio back end (JACK or ALSA): start, stop, a line saying what runs,
// and word when the device or server is gone. Back ends report trouble on stderr themselves, from
// their own non-realtime threads, never from the audio callback.
#pragma once

#include <atomic>
#include <string>

class PluginDriver;
class MidiMessageQueue;

// Where messages to the audio thread come from: the window's keyboard, the ALSA sequencer.
struct NoteSources {
    MidiMessageQueue* keyboard = nullptr;
    MidiMessageQueue* sequencer = nullptr;
};

class AudioBackend {
  public:
    virtual ~AudioBackend() = default;
    // False with error set to one sentence when no sound can be made this way.
    virtual bool start(std::string& error) = 0;
    virtual void stop() = 0;
    virtual std::string description() const = 0;
    bool lost() const { return gone.load(); }

  protected:
    std::atomic<bool> gone{false};
};
