// A private JACK server on the dummy back end for one test program: a name of its own (so test
// programs run side by side never meet), synchronous mode (every client runs in every cycle, however
// busy the machine), exported through JACK_DEFAULT_SERVER to this process and its children.
#pragma once

#include <sys/types.h>

#include <string>

class JackTestServer {
  public:
    static constexpr int sampleRate = 48000;
    static constexpr int period = 256;

    JackTestServer();
    ~JackTestServer();
    JackTestServer(const JackTestServer&) = delete;
    JackTestServer& operator=(const JackTestServer&) = delete;

    static bool installed();  // jackd is on PATH
    void stop();
    void start();
    bool running() const { return ready; }
    const std::string& name() const { return serverName; }

  private:
    void launch();

    pid_t server = -1;
    std::string serverName;
    bool ready = false;
};
