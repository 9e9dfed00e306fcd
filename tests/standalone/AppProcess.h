// calyx2-standalone run by a test: its own arguments and environment, its stderr kept in a file,
// stopped with SIGTERM as a desktop session would stop it.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

class AppProcess {
  public:
    AppProcess(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment);
    ~AppProcess();
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    // The exit code after SIGTERM (or of its own exit); -1 when it had to be killed or died of a signal.
    int stop();
    // Waits for the program to end by itself, up to seconds; -2 when it did not.
    int wait(double seconds);
    std::string errorOutput() const;
    // Waits up to seconds for text to appear on its stderr.
    bool saysWithin(const std::string& text, double seconds) const;

  private:
    pid_t child = -1;
    int exitCode = -2;
    std::string errorFile;
};

std::string temporaryFolder();  // a new empty folder under TMPDIR, removed when the test program ends
