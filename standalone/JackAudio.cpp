#include "standalone/JackAudio.h"

#include <jack/midiport.h>

#include <cstdio>

#include "standalone/MidiMessageQueue.h"
#include "standalone/PluginDriver.h"
#include "standalone/ReportProblem.h"

namespace {
constexpr const char* kLeftPort = "out_left";
constexpr const char* kRightPort = "out_right";
constexpr const char* kMidiPort = "midi_in";
constexpr std::size_t kChannelMessageSize = 3;

// Every physical port of a type and direction, as full names.
template <typename Visit>
void forEachPort(jack_client_t* client, const char* type, unsigned long flags, Visit visit) {
    const char** ports = jack_get_ports(client, nullptr, type, flags);
    if (ports == nullptr) return;
    for (const char** port = ports; *port != nullptr; ++port) visit(*port);
    jack_free(ports);
}

void quietJack(const char*) {}
}  // namespace

JackAudio::JackAudio(PluginDriver& driver, NoteSources sources, std::string clientName, std::string midiSource)
    : driver(driver), sources(sources), name(std::move(clientName)), midiSource(std::move(midiSource)) {}

JackAudio::~JackAudio() { stop(); }

bool JackAudio::serverRunning() {
    jack_set_error_function(quietJack);
    jack_status_t status{};
    jack_client_t* probe = jack_client_open("calyx2-probe", JackNoStartServer, &status);
    if (probe == nullptr) return false;
    jack_client_close(probe);
    return true;
}

void JackAudio::listPorts() {
    jack_set_error_function(quietJack);
    jack_status_t status{};
    jack_client_t* probe = jack_client_open("calyx2-list", JackNoStartServer, &status);
    if (probe == nullptr) {
        std::printf("JACK: no server running\n");
        return;
    }
    std::printf("JACK server at %u Hz, %u frames (use --device jack)\n", jack_get_sample_rate(probe),
                jack_get_buffer_size(probe));
    std::printf("  audio outputs go to:\n");
    forEachPort(probe, JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput | JackPortIsPhysical,
                [](const char* port) { std::printf("    %s\n", port); });
    std::printf("  MIDI sources (--midi-port):\n");
    forEachPort(probe, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput,
                [](const char* port) { std::printf("    %s\n", port); });
    jack_client_close(probe);
}

bool JackAudio::start(std::string& error) {
    jack_set_error_function(quietJack);
    jack_status_t status{};
    client = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (client == nullptr) {
        error = (status & JackServerFailed) ? "no JACK server is running"
                                            : "the JACK server refused a client (status " + std::to_string(status) + ")";
        return false;
    }
    left = jack_port_register(client, kLeftPort, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    right = jack_port_register(client, kRightPort, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    midiIn = jack_port_register(client, kMidiPort, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (left == nullptr || right == nullptr || midiIn == nullptr) {
        error = "JACK would not give us our ports";
        stop();
        return false;
    }
    driver.configure(float(jack_get_sample_rate(client)), int(jack_get_buffer_size(client)));
    jack_set_process_callback(client, process, this);
    jack_set_sample_rate_callback(client, sampleRateChanged, this);
    jack_set_buffer_size_callback(client, bufferSizeChanged, this);
    jack_on_info_shutdown(client, shutDown, this);
    jack_set_port_registration_callback(client, portRegistered, this);
    jack_set_port_connect_callback(client, portConnected, this);
    if (jack_activate(client) != 0) {
        error = "JACK would not start our client";
        stop();
        return false;
    }
    connectPorts();
    return true;
}

void JackAudio::connectPorts() {
    int output = 0;
    const char* ours[] = {jack_port_name(left), jack_port_name(right)};
    forEachPort(client, JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput | JackPortIsPhysical, [&](const char* port) {
        if (output < 2) jack_connect(client, ours[output++], port);
    });
    if (!midiSource.empty()) {
        jack_port_t* source = jack_port_by_name(client, midiSource.c_str());
        midiPortFound = source != nullptr && (jack_port_flags(source) & JackPortIsOutput) != 0 &&
                        std::string(jack_port_type(source)) == JACK_DEFAULT_MIDI_TYPE;
        if (midiPortFound) jack_connect(client, midiSource.c_str(), jack_port_name(midiIn));
        return;
    }
    forEachPort(client, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput | JackPortIsPhysical,
                [&](const char* port) { jack_connect(client, port, jack_port_name(midiIn)); });
}

void JackAudio::stop() {
    if (client == nullptr) return;
    jack_deactivate(client);
    jack_client_close(client);
    client = nullptr;
}

std::string JackAudio::description() const {
    if (client == nullptr) return "JACK (not running)";
    return "JACK client '" + std::string(jack_get_client_name(client)) + "' at " +
           std::to_string(jack_get_sample_rate(client)) + " Hz, " + std::to_string(jack_get_buffer_size(client)) +
           " frames";
}

// The realtime callback: JACK buffers, the queues and the plug-in only.
int JackAudio::process(jack_nframes_t frames, void* self) {
    auto& audio = *static_cast<JackAudio*>(self);
    PluginDriver& driver = audio.driver;
    driver.addQueued(*audio.sources.keyboard);
    driver.addQueued(*audio.sources.sequencer);
    void* midi = jack_port_get_buffer(audio.midiIn, frames);
    const uint32_t count = jack_midi_get_event_count(midi);
    for (uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, midi, i) != 0 || event.size != kChannelMessageSize) continue;
        if (event.buffer[0] < midi::firstChannelStatus || event.buffer[0] >= midi::firstSystemStatus) continue;
        driver.addEvent({event.buffer[0], event.buffer[1], event.buffer[2]}, int(event.time));
    }
    auto* leftOut = static_cast<float*>(jack_port_get_buffer(audio.left, frames));
    auto* rightOut = static_cast<float*>(jack_port_get_buffer(audio.right, frames));
    driver.render(leftOut, rightOut, int(frames));
    return 0;
}

// JACK calls these outside the process callback, so the plug-in may be reconfigured here.
int JackAudio::sampleRateChanged(jack_nframes_t rate, void* self) {
    auto& audio = *static_cast<JackAudio*>(self);
    if (float(rate) == audio.driver.sampleRate()) return 0;
    reportProblem("the JACK server's sample rate changed from " + std::to_string(int(audio.driver.sampleRate())) +
                  " to " + std::to_string(rate) + " Hz: following it");
    audio.driver.configure(float(rate), audio.driver.blockSize());
    return 0;
}

int JackAudio::bufferSizeChanged(jack_nframes_t frames, void* self) {
    auto& audio = *static_cast<JackAudio*>(self);
    if (int(frames) != audio.driver.blockSize()) audio.driver.configure(audio.driver.sampleRate(), int(frames));
    return 0;
}

void JackAudio::shutDown(jack_status_t, const char* reason, void* self) {
    auto& audio = *static_cast<JackAudio*>(self);
    reportProblem(std::string("the JACK server went away (") + (reason ? reason : "no reason given") +
                  "): no more sound");
    audio.gone = true;
}

void JackAudio::portRegistered(jack_port_id_t id, int registered, void* self) {
    auto& audio = *static_cast<JackAudio*>(self);
    if (registered || audio.client == nullptr) return;
    jack_port_t* port = jack_port_by_id(audio.client, id);
    if (port == nullptr) return;
    const std::string portName = jack_port_name(port);
    std::lock_guard<std::mutex> hold(audio.sourcesMutex);
    if (audio.midiSources.erase(portName) != 0) reportProblem("MIDI port " + portName + " vanished");
}

void JackAudio::portConnected(jack_port_id_t a, jack_port_id_t b, int connected, void* self) {
    auto& audio = *static_cast<JackAudio*>(self);
    if (!connected || audio.client == nullptr) return;
    jack_port_t* source = jack_port_by_id(audio.client, a);
    jack_port_t* target = jack_port_by_id(audio.client, b);
    if (source == nullptr || target != audio.midiIn) return;
    std::lock_guard<std::mutex> hold(audio.sourcesMutex);
    audio.midiSources.insert(jack_port_name(source));
}
