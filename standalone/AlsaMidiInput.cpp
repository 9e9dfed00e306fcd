#include "standalone/AlsaMidiInput.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <cstdio>
#include <vector>

#include "standalone/MidiMessageQueue.h"
#include "standalone/ReportProblem.h"

namespace {
constexpr int kPollMilliseconds = 100;
constexpr unsigned int kReadable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
constexpr int kPitchBendCentre = 8192;

int key(int client, int port) { return client * 256 + port; }

bool isHardwareSource(snd_seq_port_info_t* info) {
    return (snd_seq_port_info_get_capability(info) & kReadable) == kReadable &&
           (snd_seq_port_info_get_type(info) & SND_SEQ_PORT_TYPE_HARDWARE) != 0;
}

// The sequencer's event as a channel message the plug-in understands; false for anything else.
bool toMessage(const snd_seq_event_t& event, MidiMessage& message) {
    switch (event.type) {
        case SND_SEQ_EVENT_NOTEON:
            message = {uint8_t(midi::noteOn | event.data.note.channel), event.data.note.note, event.data.note.velocity};
            return true;
        case SND_SEQ_EVENT_NOTEOFF:
            message = {uint8_t(midi::noteOff | event.data.note.channel), event.data.note.note, event.data.note.velocity};
            return true;
        case SND_SEQ_EVENT_CONTROLLER:
            message = {uint8_t(midi::controller | event.data.control.channel), uint8_t(event.data.control.param & 0x7F),
                       uint8_t(event.data.control.value & 0x7F)};
            return true;
        case SND_SEQ_EVENT_PITCHBEND: {
            const int bend = event.data.control.value + kPitchBendCentre;
            message = {uint8_t(midi::pitchBend | event.data.control.channel), uint8_t(bend & 0x7F),
                       uint8_t((bend >> 7) & 0x7F)};
            return true;
        }
        default:
            return false;
    }
}

template <typename Visit>
void forEachPort(snd_seq_t* seq, Visit visit) {
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq, client) >= 0) {
        snd_seq_port_info_set_client(port, snd_seq_client_info_get_client(client));
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq, port) >= 0) visit(client, port);
    }
}
}  // namespace

AlsaMidiInput::AlsaMidiInput(MidiMessageQueue& queue, std::string clientName)
    : queue(queue), name(std::move(clientName)) {}

AlsaMidiInput::~AlsaMidiInput() { stop(); }

void AlsaMidiInput::listPorts() {
    snd_seq_t* seq = nullptr;
    std::printf("ALSA sequencer MIDI sources (--midi-port CLIENT:PORT):\n");
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, 0) < 0) {
        std::printf("  no sequencer\n");
        return;
    }
    forEachPort(seq, [](snd_seq_client_info_t* client, snd_seq_port_info_t* port) {
        if ((snd_seq_port_info_get_capability(port) & kReadable) != kReadable) return;
        if (snd_seq_port_info_get_client(port) == SND_SEQ_CLIENT_SYSTEM) return;
        std::printf("  %3d:%-3d %s: %s\n", snd_seq_port_info_get_client(port), snd_seq_port_info_get_port(port),
                    snd_seq_client_info_get_name(client), snd_seq_port_info_get_name(port));
    });
    snd_seq_close(seq);
}

bool AlsaMidiInput::start(const std::string& source, std::string& error) {
    wanted = source;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
        seq = nullptr;
        error = "no ALSA sequencer on this system";
        return false;
    }
    snd_seq_set_client_name(seq, name.c_str());
    ownPort = snd_seq_create_simple_port(seq, "midi_in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                         SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (ownPort < 0) {
        error = "the ALSA sequencer would not give us a port";
        stop();
        return false;
    }
    // Announcements tell us of ports that come and go.
    snd_seq_connect_from(seq, ownPort, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
    if (!source.empty()) {
        snd_seq_addr_t address{};
        if (snd_seq_parse_address(seq, &address, source.c_str()) < 0 || !subscribe(address.client, address.port)) {
            error = "no ALSA sequencer MIDI port '" + source + "'";
            stop();
            return false;
        }
    } else {
        forEachPort(seq, [this](snd_seq_client_info_t*, snd_seq_port_info_t* port) {
            if (isHardwareSource(port))
                subscribe(snd_seq_port_info_get_client(port), snd_seq_port_info_get_port(port));
        });
    }
    running = true;
    worker = std::thread([this] { run(); });
    return true;
}

void AlsaMidiInput::stop() {
    running = false;
    if (worker.joinable()) worker.join();
    if (seq != nullptr) {
        snd_seq_close(seq);
        seq = nullptr;
    }
}

std::string AlsaMidiInput::portName(int client, int port) {
    snd_seq_client_info_t* clientInfo = nullptr;
    snd_seq_port_info_t* portInfo = nullptr;
    snd_seq_client_info_alloca(&clientInfo);
    snd_seq_port_info_alloca(&portInfo);
    std::string text = std::to_string(client) + ":" + std::to_string(port);
    if (snd_seq_get_any_client_info(seq, client, clientInfo) >= 0 &&
        snd_seq_get_any_port_info(seq, client, port, portInfo) >= 0)
        text += " (" + std::string(snd_seq_client_info_get_name(clientInfo)) + ": " +
                snd_seq_port_info_get_name(portInfo) + ")";
    return text;
}

bool AlsaMidiInput::subscribe(int client, int port) {
    if (snd_seq_connect_from(seq, ownPort, client, port) < 0) return false;
    sources[key(client, port)] = portName(client, port);
    return true;
}

void AlsaMidiInput::portStarted(int client, int port) {
    snd_seq_port_info_t* info = nullptr;
    snd_seq_port_info_alloca(&info);
    if (snd_seq_get_any_port_info(seq, client, port, info) < 0) return;
    const std::string text = portName(client, port);
    const bool chosen = wanted.empty() ? isHardwareSource(info) : text.find(wanted) != std::string::npos;
    if (chosen && sources.count(key(client, port)) == 0 && subscribe(client, port))
        reportProblem("MIDI port " + text + " appeared: playing from it");
}

void AlsaMidiInput::portGone(int client, int port) {
    auto found = sources.find(key(client, port));
    if (found == sources.end()) return;
    reportProblem("MIDI port " + found->second + " vanished");
    sources.erase(found);
}

void AlsaMidiInput::run() {
    const int count = snd_seq_poll_descriptors_count(seq, POLLIN);
    std::vector<pollfd> descriptors(std::size_t(count > 0 ? count : 0));
    snd_seq_poll_descriptors(seq, descriptors.data(), unsigned(descriptors.size()), POLLIN);
    while (running) {
        if (poll(descriptors.data(), descriptors.size(), kPollMilliseconds) <= 0) continue;
        snd_seq_event_t* event = nullptr;
        while (snd_seq_event_input(seq, &event) >= 0 && event != nullptr) {
            MidiMessage message;
            if (toMessage(*event, message)) {
                queue.push(message);
            } else if (event->type == SND_SEQ_EVENT_PORT_START) {
                portStarted(event->data.addr.client, event->data.addr.port);
            } else if (event->type == SND_SEQ_EVENT_PORT_EXIT) {
                portGone(event->data.addr.client, event->data.addr.port);
            } else if (event->type == SND_SEQ_EVENT_CLIENT_EXIT) {
                for (int port = 0; port < 256; ++port) portGone(event->data.addr.client, port);
            }
        }
    }
}
