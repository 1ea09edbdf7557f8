#include "cli/progress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace quorbelin::cli {

namespace {
constexpr int barWidth = 30;
constexpr auto firstDrawAfter = std::chrono::milliseconds(500);
constexpr auto redrawEvery = std::chrono::milliseconds(100);
}  // namespace

Progress::Progress(bool wanted, std::optional<int64_t> total)
    : enabled_(wanted && ::isatty(STDERR_FILENO) == 1), total_(total), start_(Clock::now()),
      lastDraw_(start_) {}

Progress::~Progress() { finish(); }

void Progress::update(int64_t done) {
    if (!enabled_) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (now - start_ < firstDrawAfter || (drawn_ && now - lastDraw_ < redrawEvery)) {
        return;
    }
    lastDraw_ = now;
    drawn_ = true;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    if (total_ && *total_ > 0) {
        const double fraction = std::clamp(static_cast<double>(done) / static_cast<double>(*total_), 0.0, 1.0);
        const int filled = static_cast<int>(fraction * barWidth);
        std::fprintf(stderr, "\r[%s%s] %3d%%  %.2f M samples/s ", std::string(filled, '#').c_str(),
                     std::string(barWidth - filled, ' ').c_str(), static_cast<int>(fraction * 100.0),
                     rate / 1e6);
    } else {
        std::fprintf(stderr, "\r%lld samples  %.2f M samples/s ", static_cast<long long>(done), rate / 1e6);
    }
    std::fflush(stderr);
}

void Progress::finish() {
    if (drawn_) {
        std::fprintf(stderr, "\r%*s\r", barWidth + 40, "");
        std::fflush(stderr);
        drawn_ = false;
    }
}

}  // namespace quorbelin::cli
