// A one-line progress bar on standard error, drawn only when standard error is a terminal and the
// work has already taken a second; redrawn at most ten times a second; erased when done.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace tools {

class ProgressBar {
public:
    ProgressBar(std::string label, bool enabled);
    ~ProgressBar() { finish(); }
    void update(int64_t done, int64_t total);
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    std::string label_;
    bool enabled_;
    bool drawn_ = false;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
};

bool standardErrorIsTerminal();

}  // namespace tools
