#include "tests/standalone/AppProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <fstream>
#include <sstream>
#include <thread>

namespace {
constexpr auto kPoll = std::chrono::milliseconds(20);
constexpr double kStopTimeoutSeconds = 15.0;

int decode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// Every folder this test program made, removed with everything in it when the program ends.
struct MadeFolders {
    std::vector<std::string> paths;
    ~MadeFolders() {
        for (const std::string& path : paths) {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    }
};
MadeFolders madeFolders;
}  // namespace

std::string temporaryFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/calyx2-standalone-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return {};
    madeFolders.paths.push_back(pattern);
    return pattern;
}

AppProcess::AppProcess(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment)
    : errorFile(temporaryFolder() + "/stderr.txt") {
    child = fork();
    if (child != 0) return;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int errors = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(errors, STDERR_FILENO);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    for (const auto& [name, value] : environment) {
        if (value.empty())
            unsetenv(name.c_str());
        else
            setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

AppProcess::~AppProcess() { stop(); }

int AppProcess::wait(double seconds) {
    if (child <= 0) return exitCode;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            child = -1;
            exitCode = decode(status);
            return exitCode;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return -2;
}

int AppProcess::stop() {
    if (child <= 0) return exitCode;
    kill(child, SIGTERM);
    if (wait(kStopTimeoutSeconds) == -2) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        child = -1;
        exitCode = -1;
    }
    return exitCode;
}

std::string AppProcess::errorOutput() const {
    std::ifstream file(errorFile);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

bool AppProcess::saysWithin(const std::string& text, double seconds) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    do {
        if (errorOutput().find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(kPoll);
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}
