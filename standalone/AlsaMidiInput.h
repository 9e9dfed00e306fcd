// MIDI from the ALSA sequencer (hardware keyboards, software that speaks ALSA MIDI): a port of our
// own, subscribed to the chosen source or to every hardware source, read by a thread that hands the
// messages to the audio thread through a queue. Sources that come and go are reported, and hardware
// that is plugged in (again) is subscribed to.
#pragma once

#include <atomic>
#include <map>
#include <string>
#include <thread>

typedef struct _snd_seq snd_seq_t;
class MidiMessageQueue;

class AlsaMidiInput {
  public:
    AlsaMidiInput(MidiMessageQueue& queue, std::string clientName);
    ~AlsaMidiInput();

    static void listPorts();

    // source: "client:port" or a client name; empty for every hardware source. False with error set
    // when there is no sequencer, or no such source.
    bool start(const std::string& source, std::string& error);
    void stop();

  private:
    void run();
    bool subscribe(int client, int port);
    void portStarted(int client, int port);
    void portGone(int client, int port);
    std::string portName(int client, int port);

    MidiMessageQueue& queue;
    std::string name;
    std::string wanted;  // the --midi-port text, or empty
    snd_seq_t* seq = nullptr;
    int ownPort = -1;
    std::map<int, std::string> sources;  // client * 256 + port -> name, subscribed
    std::atomic<bool> running{false};
    std::thread worker;
};
