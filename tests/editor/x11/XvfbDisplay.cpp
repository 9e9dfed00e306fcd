#include "tests/editor/x11/XvfbDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

bool XvfbDisplay::installed() {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (!folder.empty() && access((folder + "/Xvfb").c_str(), X_OK) == 0) return true;
    }
    return false;
}

// Xvfb writes the number it chose to the descriptor given with -displayfd once it accepts connections.
XvfbDisplay::XvfbDisplay(int depth) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        whyNot = "no pipe";
        return;
    }
    fcntl(pipeEnds[0], F_SETFD, FD_CLOEXEC);
    server = fork();
    if (server == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // a test program that crashes takes its display with it
        int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        std::string fd = std::to_string(pipeEnds[1]);
        std::string screen = "1024x768x" + std::to_string(depth);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    std::string number;
    pollfd waiting{pipeEnds[0], POLLIN, 0};
    char c = 0;
    while (server > 0 && poll(&waiting, 1, 15000) == 1 && read(pipeEnds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(pipeEnds[0]);
    if (number.empty()) {
        whyNot = server > 0 ? "Xvfb did not report a display number" : "cannot start Xvfb";
        return;
    }
    displayName = ":" + number;
}

XvfbDisplay::~XvfbDisplay() {
    if (server <= 0) return;
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
}
