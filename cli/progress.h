// A progress bar on standard error for long runs. It appears only when
// standard error is a terminal, not before half a second has passed, and is
// redrawn at most ten times a second; finish() clears it.
#ifndef QUORBELIN_CLI_PROGRESS_H
#define QUORBELIN_CLI_PROGRESS_H

#include <chrono>
#include <cstdint>
#include <optional>

namespace quorbelin::cli {

class Progress {
public:
    // total: the samples to come, when known (else a running count shows).
    Progress(bool wanted, std::optional<int64_t> total);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void update(int64_t done);
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    std::optional<int64_t> total_;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
    bool drawn_ = false;
};

}  // namespace quorbelin::cli

#endif
