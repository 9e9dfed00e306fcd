// The other end of calyx2-standalone in the tests: a JACK client that sends it MIDI with frame
// offsets and records its two outputs, cycle for cycle.
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

struct ScheduledMessage {
    int cycle;  // counted from the first cycle of play()
    int frame;
    uint8_t status, data1, data2;
};

class JackTestClient {
  public:
    explicit JackTestClient(const std::string& name = "calyx2-test");
    ~JackTestClient();
    JackTestClient(const JackTestClient&) = delete;
    JackTestClient& operator=(const JackTestClient&) = delete;

    bool opened() const { return client != nullptr; }
    int period() const;
    int setPeriod(int frames);  // the whole server's; 0 when done
    // Waits until the application has its ports, then wires them to ours.
    bool connectTo(const std::string& application, double seconds);
    // Sends the schedule and records cycles periods, starting at the next cycle; false on a timeout.
    bool play(const std::vector<ScheduledMessage>& schedule, int cycles);
    void close();

    std::vector<float> left, right;

  private:
    static int process(jack_nframes_t frames, void* self);

    jack_client_t* client = nullptr;
    jack_port_t* midiOut = nullptr;
    jack_port_t* inLeft = nullptr;
    jack_port_t* inRight = nullptr;
    std::vector<ScheduledMessage> pending;
    int cyclesWanted = 0;
    int cycle = 0;
    std::atomic<int> stage{0};  // 0 idle, 1 asked to play, 2 playing, 3 done
};

// MIDI note numbers to Hz, equal temperament with A4 = 440 Hz.
double noteFrequency(int note);
// The fundamental of a steady tone by autocorrelation, searched between 50 Hz and 2 kHz.
double estimateFrequency(const std::vector<float>& samples, std::size_t first, std::size_t count, double rate);
