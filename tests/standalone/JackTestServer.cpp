#include "tests/standalone/JackTestServer.h"

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace {
constexpr auto kStartTimeout = std::chrono::seconds(60);
constexpr auto kRetry = std::chrono::milliseconds(50);
constexpr auto kStopTimeout = std::chrono::seconds(15);
constexpr auto kRelaunchPause = std::chrono::milliseconds(250);
}  // namespace

bool JackTestServer::installed() {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':'))
        if (!folder.empty() && access((folder + "/jackd").c_str(), X_OK) == 0) return true;
    return false;
}

JackTestServer::JackTestServer() : serverName("calyx2-test-" + std::to_string(getpid())) {
    setenv("JACK_DEFAULT_SERVER", serverName.c_str(), 1);
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
    start();
}

// JACK keeps a machine-wide table of a few running servers; while it is full (other test programs'
// servers), jackd gives up at once, so it is started again until a place frees or time runs out.
void JackTestServer::start() {
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (!ready && std::chrono::steady_clock::now() < deadline) {
        launch();
        while (server > 0 && !ready && std::chrono::steady_clock::now() < deadline) {
            jack_status_t status{};
            if (jack_client_t* probe = jack_client_open("probe", JackNoStartServer, &status)) {
                jack_client_close(probe);
                ready = true;
            } else if (waitpid(server, nullptr, WNOHANG) == server) {
                server = -1;
            } else {
                std::this_thread::sleep_for(kRetry);
            }
        }
        if (!ready) std::this_thread::sleep_for(kRelaunchPause);
    }
}

void JackTestServer::launch() {
    server = fork();
    if (server != 0) return;
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // a crashed test program takes its server with it
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    dup2(quiet, STDERR_FILENO);
    const std::string rate = std::to_string(sampleRate);
    const std::string frames = std::to_string(period);
    execlp("jackd", "jackd", "-n", serverName.c_str(), "-S", "-t", "5000", "-d", "dummy", "-r", rate.c_str(), "-p",
           frames.c_str(), static_cast<char*>(nullptr));
    _exit(127);
}

JackTestServer::~JackTestServer() { stop(); }

// A server that takes long to stop (a client died under it) is killed.
void JackTestServer::stop() {
    ready = false;
    if (server <= 0) return;
    kill(server, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
    while (waitpid(server, nullptr, WNOHANG) != server) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(server, SIGKILL);
            waitpid(server, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(kRetry);
    }
    server = -1;
}
