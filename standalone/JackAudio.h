// Audio and MIDI through a running JACK server (PipeWire desktops offer one too): two audio outputs,
// one MIDI input whose events keep their frame offsets, and the server's rate and period followed
// as they change.
#pragma once

#include <jack/jack.h>

#include <mutex>
#include <set>
#include <string>

#include "standalone/AudioBackend.h"

class JackAudio : public AudioBackend {
  public:
    // midiSource: a JACK port to take MIDI from; empty for every physical MIDI source. A name that is
    // no JACK port is left alone (the ALSA sequencer may know it).
    JackAudio(PluginDriver& driver, NoteSources sources, std::string clientName, std::string midiSource);
    ~JackAudio() override;

    static bool serverRunning();
    static void listPorts();

    bool start(std::string& error) override;
    void stop() override;
    std::string description() const override;
    bool tookMidiPort() const { return midiPortFound; }

  private:
    static int process(jack_nframes_t frames, void* self);
    static int sampleRateChanged(jack_nframes_t rate, void* self);
    static int bufferSizeChanged(jack_nframes_t frames, void* self);
    static void shutDown(jack_status_t code, const char* reason, void* self);
    static void portRegistered(jack_port_id_t port, int registered, void* self);
    static void portConnected(jack_port_id_t a, jack_port_id_t b, int connected, void* self);
    void connectPorts();

    PluginDriver& driver;
    NoteSources sources;
    std::string name;
    std::string midiSource;
    bool midiPortFound = false;
    jack_client_t* client = nullptr;
    jack_port_t* left = nullptr;
    jack_port_t* right = nullptr;
    jack_port_t* midiIn = nullptr;
    std::mutex sourcesMutex;           // notification thread and main thread only
    std::set<std::string> midiSources;  // ports that have fed our MIDI input
};
