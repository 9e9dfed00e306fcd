// calyx2-standalone: the Calyx2 plug-in object played without a sequencer. JACK carries audio and
// MIDI when a server runs, ALSA otherwise; the ALSA sequencer brings hardware keyboards in either
// case; the window holds the plug-in's own panel.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "standalone/AlsaAudio.h"
#include "standalone/AlsaMidiInput.h"
#include "standalone/BankFile.h"
#include "standalone/CpuBench.h"
#include "standalone/JackAudio.h"
#include "standalone/MainWindow.h"
#include "standalone/MidiMessageQueue.h"
#include "standalone/PluginDriver.h"
#include "standalone/ReportProblem.h"
#include "standalone/PresetImport.h"
#include "standalone/StandaloneHost.h"
#include "standalone/StandaloneOptions.h"

namespace {
constexpr int kExitUsage = 2;
constexpr int kExitNoAudio = 3;
constexpr int kExitNoWindow = 4;
constexpr int kExitAudioLost = 5;
constexpr auto kAutosaveInterval = std::chrono::seconds(2);
constexpr int kHeadlessWaitMilliseconds = 50;
constexpr int kWindowWaitMilliseconds = 15;
constexpr const char* kProgramName = "calyx2-standalone";

volatile sig_atomic_t stopRequested = 0;
std::function<void()> saveBeforeDying;  // what the X connection's loss must not take with it

// Xlib ends the process when the display goes away (the handler may not return): the bank is saved first.
int displayLost(Display*) {
    reportProblem("the X display went away: the bank is saved, the application ends");
    if (saveBeforeDying) saveBeforeDying();
    _exit(kExitNoWindow);
}

void requestStop(int) { stopRequested = 1; }

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

// The bank file as it was at start; a file that cannot be read is moved aside, never overwritten.
void loadRememberedBank(const std::string& path, PluginDriver& driver) {
    std::string error;
    if (path.empty()) {
        reportProblem("neither XDG_CONFIG_HOME nor HOME is set: edits will not be kept");
        return;
    }
    if (loadBankFile(path, driver, error) != BankLoad::Unreadable) return;
    const std::string aside = path + ".unreadable";
    if (rename(path.c_str(), aside.c_str()) == 0)
        reportProblem(error + "; kept as " + aside + ", starting from the factory bank");
    else
        reportProblem(error + "; starting from the factory bank");
}

std::unique_ptr<AudioBackend> startAudio(const StandaloneOptions& options, PluginDriver& driver, NoteSources sources,
                                         bool& jackTookMidiPort) {
    std::string jackError;
    if (options.audio != AudioChoice::Alsa) {
        auto jack = std::make_unique<JackAudio>(driver, sources, options.clientName, options.midiPort);
        if (jack->start(jackError)) {
            jackTookMidiPort = jack->tookMidiPort();
            return jack;
        }
        if (options.audio == AudioChoice::Jack) {
            reportProblem("no sound: " + jackError);
            return nullptr;
        }
    }
    auto alsa = std::make_unique<AlsaAudio>(driver, sources, options.alsaDevice, options.sampleRate,
                                            options.bufferFrames);
    std::string alsaError;
    if (alsa->start(alsaError)) return alsa;
    reportProblem("no sound: " + (jackError.empty() ? "" : jackError + ", and ") + alsaError);
    return nullptr;
}

void listDevices() {
    JackAudio::listPorts();
    AlsaAudio::listDevices();
    AlsaMidiInput::listPorts();
}
}  // namespace

int main(int argc, char** argv) {
    silenceAlsaLibrary();
    StandaloneOptions options;
    std::string error;
    if (!parseStandaloneOptions(argc, argv, options, error)) {
        reportProblem(error + " (see --help)");
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(standaloneUsage(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s\n", kProgramName, CALYX2_VERSION);
        return 0;
    }
    if (options.listDevices) {
        listDevices();
        return 0;
    }
    if (options.benchSeconds > 0.0) return runCpuBench(options.benchSeconds);

    catchStopSignals();
    setStandaloneTempo(options.tempo);
    PluginDriver driver;
    const std::string bankPath = defaultBankPath();
    loadRememberedBank(bankPath, driver);
    BankKeeper bank(bankPath, driver);
    bank.markSaved();
    for (const std::string& file : options.presetFiles) {
        if (!importPresetFile(file, driver, error)) reportProblem(error + ": not loaded");
    }

    std::unique_ptr<AudioBackend> audio;
    // The JACK client leaves the server properly, so that it does not wait on a dead one.
    saveBeforeDying = [&bank, &audio] {
        if (audio) audio->stop();
        bank.save();
    };
    XSetIOErrorHandler(displayLost);

    MidiMessageQueue keyboardNotes;
    MidiMessageQueue sequencerNotes;
    std::unique_ptr<MainWindow> window;
    if (options.gui) {
        window = std::make_unique<MainWindow>(driver, keyboardNotes);
        if (!window->open(error)) {
            reportProblem(error);
            return kExitNoWindow;
        }
    }
    bool jackTookMidiPort = false;
    audio = startAudio(options, driver, {&keyboardNotes, &sequencerNotes}, jackTookMidiPort);
    if (!audio) {
        bank.save();
        return kExitNoAudio;
    }
    AlsaMidiInput sequencer(sequencerNotes, options.clientName);
    if (!jackTookMidiPort && !sequencer.start(options.midiPort, error)) {
        if (!options.midiPort.empty())
            reportProblem("no MIDI port '" + options.midiPort + "' in JACK or the ALSA sequencer");
        else if (dynamic_cast<JackAudio*>(audio.get()) != nullptr)
            reportProblem(error + ": MIDI keyboards only through JACK");
        else
            reportProblem(error + ": no MIDI input" + (options.gui ? " but the computer keyboard" : ""));
    }
    std::fprintf(stderr, "%s: playing through %s; bank %s\n", kProgramName, audio->description().c_str(),
                 bankPath.c_str());

    auto lastSave = std::chrono::steady_clock::now();
    while (!stopRequested && !audio->lost() && !(window && window->closeRequested())) {
        if (window)
            window->pump(kWindowWaitMilliseconds);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(kHeadlessWaitMilliseconds));
        if (std::chrono::steady_clock::now() - lastSave >= kAutosaveInterval) {
            bank.save();
            lastSave = std::chrono::steady_clock::now();
        }
    }
    const bool lost = audio->lost();
    window.reset();
    sequencer.stop();
    audio->stop();
    bank.save();
    return lost ? kExitAudioLost : 0;
}
