#include "tests/standalone/JackTestClient.h"

#include <jack/midiport.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <thread>

namespace {
constexpr auto kPoll = std::chrono::milliseconds(10);
constexpr double kPlayTimeoutSeconds = 60.0;
constexpr double kLowestFrequency = 50.0;
constexpr double kHighestFrequency = 2000.0;
}  // namespace

JackTestClient::JackTestClient(const std::string& name) {
    jack_status_t status{};
    client = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (client == nullptr) return;
    midiOut = jack_port_register(client, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    inLeft = jack_port_register(client, "in_left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    inRight = jack_port_register(client, "in_right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client, process, this);
    if (jack_activate(client) != 0) close();
}

JackTestClient::~JackTestClient() { close(); }

void JackTestClient::close() {
    if (client == nullptr) return;
    jack_deactivate(client);
    jack_client_close(client);
    client = nullptr;
}

int JackTestClient::period() const { return client ? int(jack_get_buffer_size(client)) : 0; }

int JackTestClient::setPeriod(int frames) { return jack_set_buffer_size(client, jack_nframes_t(frames)); }

// The application's ports exist before it is active, and JACK connects only active clients: retry.
bool JackTestClient::connectTo(const std::string& application, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    const std::string ours[] = {jack_port_name(midiOut), application + ":out_left", application + ":out_right"};
    const std::string theirs[] = {application + ":midi_in", jack_port_name(inLeft), jack_port_name(inRight)};
    for (int i = 0; i < 3; ++i) {
        int result = 0;
        while ((result = jack_connect(client, ours[i].c_str(), theirs[i].c_str())) != 0 && result != EEXIST) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(kPoll);
        }
    }
    return true;
}

bool JackTestClient::play(const std::vector<ScheduledMessage>& schedule, int cycles) {
    pending = schedule;
    cyclesWanted = cycles;
    const std::size_t samples = std::size_t(cycles) * std::size_t(period());
    left.assign(samples, 0.0f);
    right.assign(samples, 0.0f);
    cycle = 0;
    stage = 1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kPlayTimeoutSeconds);
    while (stage != 3) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(kPoll);
    }
    stage = 0;
    return true;
}

int JackTestClient::process(jack_nframes_t frames, void* self) {
    auto& test = *static_cast<JackTestClient*>(self);
    void* midi = jack_port_get_buffer(test.midiOut, frames);
    jack_midi_clear_buffer(midi);
    if (test.stage == 1) test.stage = 2;
    if (test.stage != 2) return 0;
    for (const ScheduledMessage& message : test.pending) {
        if (message.cycle != test.cycle) continue;
        const jack_midi_data_t bytes[3] = {message.status, message.data1, message.data2};
        jack_midi_event_write(midi, jack_nframes_t(message.frame), bytes, 3);
    }
    const auto* l = static_cast<const float*>(jack_port_get_buffer(test.inLeft, frames));
    const auto* r = static_cast<const float*>(jack_port_get_buffer(test.inRight, frames));
    const std::size_t at = std::size_t(test.cycle) * frames;
    for (jack_nframes_t i = 0; i < frames && at + i < test.left.size(); ++i) {
        test.left[at + i] = l[i];
        test.right[at + i] = r[i];
    }
    if (++test.cycle == test.cyclesWanted) test.stage = 3;
    return 0;
}

double noteFrequency(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

double estimateFrequency(const std::vector<float>& samples, std::size_t first, std::size_t count, double rate) {
    const std::size_t shortest = std::size_t(rate / kHighestFrequency);
    const std::size_t longest = std::size_t(rate / kLowestFrequency);
    if (first + count + longest > samples.size()) return 0.0;
    std::vector<double> correlation(longest + 2, 0.0);
    for (std::size_t lag = shortest; lag <= longest + 1; ++lag) {
        double sum = 0.0;
        for (std::size_t i = first; i < first + count; ++i) sum += double(samples[i]) * samples[i + lag];
        correlation[lag] = sum;
    }
    // The first lag whose correlation nears the best one: the period, not a multiple of it.
    double best = 0.0;
    for (std::size_t lag = shortest + 1; lag <= longest; ++lag) best = std::max(best, correlation[lag]);
    for (std::size_t lag = shortest + 1; lag <= longest; ++lag) {
        const bool peak = correlation[lag] >= correlation[lag - 1] && correlation[lag] >= correlation[lag + 1];
        if (!peak || correlation[lag] < 0.9 * best) continue;
        const double before = correlation[lag - 1], here = correlation[lag], after = correlation[lag + 1];
        const double bend = before - 2.0 * here + after;
        const double offset = bend != 0.0 ? 0.5 * (before - after) / bend : 0.0;
        return rate / (double(lag) + offset);
    }
    return 0.0;
}
