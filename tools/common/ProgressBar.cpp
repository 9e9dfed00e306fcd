#include "tools/common/ProgressBar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace tools {

bool standardErrorIsTerminal() { return isatty(STDERR_FILENO) != 0; }

ProgressBar::ProgressBar(std::string label, bool enabled)
    : label_(std::move(label)), enabled_(enabled), start_(Clock::now()), lastDraw_(start_) {}

void ProgressBar::update(int64_t done, int64_t total) {
    if (!enabled_ || total <= 0) return;
    Clock::time_point now = Clock::now();
    if (now - start_ < std::chrono::seconds(1) || (drawn_ && now - lastDraw_ < std::chrono::milliseconds(100))) return;
    constexpr int kWidth = 40;
    double fraction = std::min(1.0, static_cast<double>(done) / static_cast<double>(total));
    int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '-');
    std::fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar.c_str(), static_cast<int>(fraction * 100));
    std::fflush(stderr);
    drawn_ = true;
    lastDraw_ = now;
}

void ProgressBar::finish() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn_ = false;
}

}  // namespace tools
