// An independent model of the fractional delay, written from its definition
// and sharing nothing with engine/: each channel keeps its history as a list
// indexed by sample age (0 = newest); an output reads ages, never buffer
// positions. Ages are taken modulo L, the number of samples a channel holds,
// because the delay line holds exactly L samples and the one just stored
// replaces the one L samples old.
#ifndef QUORBELIN_TESTS_ENGINE_DELAY_MODEL_H
#define QUORBELIN_TESTS_ENGINE_DELAY_MODEL_H

#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace quorbelin::testing {

// One sample, real or complex: imag is ignored for real data.
struct ModelSample {
    double real = 0.0;
    double imag = 0.0;
};

struct ModelConfig {
    int channels = 1;         // K
    int frameSize = 1;        // F
    int maxDelay = 1;         // Dmax
    int halfLength = 0;       // H, from the filter matrix's rows (also when it is empty)
    bool useFilter = false;   // false: linear interpolation throughout
    int filterRows = 0;       // M
    int filterPhases = 0;     // N
    std::vector<double> filter;  // M x N, column-major
    bool perChannel = false;
    bool complex = false;

    int length() const { return maxDelay + halfLength + 1; }
};

class DelayModel {
public:
    // history[c][a] is channel c's sample of age a just before the first
    // input arrives (age 0 the newest); each channel holds L of them.
    DelayModel(ModelConfig config, std::vector<std::vector<ModelSample>> history)
        : config_(std::move(config)) {
        for (auto& channel : history) {
            history_.emplace_back(channel.begin(), channel.end());
        }
    }

    // One frame: input and output hold K * F samples, channel after channel;
    // delays F (per sample) or K (per channel) values.
    void step(std::span<const ModelSample> input, std::span<const double> delays,
              std::span<ModelSample> output) {
        const int frame = config_.frameSize;
        for (int c = 0; c < config_.channels; ++c) {
            for (int s = 0; s < frame; ++s) {
                auto& history = history_[c];
                history.push_front(input[c * frame + s]);
                history.pop_back();
                const double delay = delays[config_.perChannel ? c : s];
                output[c * frame + s] = interpolate(history, delay);
            }
        }
    }

    const ModelConfig& config() const { return config_; }
    // Channel c's sample of the given age (0 ... L - 1) after the last step.
    ModelSample sampleOfAge(int channel, int age) const { return history_[channel][age]; }

private:
    ModelSample at(const std::deque<ModelSample>& history, int age) const {
        return history[age % config_.length()];
    }

    ModelSample interpolate(const std::deque<ModelSample>& history, double delay) const {
        ModelSample y = interpolateParts(history, delay);
        if (!config_.complex) {
            y.imag = 0.0;
        }
        return y;
    }

    ModelSample interpolateParts(const std::deque<ModelSample>& history, double delay) const {
        // Delays are limited to [0, Dmax]; NaN is neither below nor above and
        // counts as whole delay 0 with a NaN fraction.
        int whole = 0;
        double fraction = std::numeric_limits<double>::quiet_NaN();
        if (!std::isnan(delay)) {
            double d = delay;
            if (d < 0.0) {
                d = 0.0;
            }
            if (d > config_.maxDelay) {
                d = config_.maxDelay;
            }
            whole = static_cast<int>(std::trunc(d));
            fraction = d - whole;
        }
        const int h = config_.halfLength;
        if (!config_.useFilter || whole < h - 1) {
            // f of the older sample, 1 - f of the younger.
            const ModelSample younger = at(history, whole);
            const ModelSample older = at(history, whole + 1);
            return {fraction * older.real + (1.0 - fraction) * younger.real,
                    fraction * older.imag + (1.0 - fraction) * younger.imag};
        }
        const int phases = config_.filterPhases;
        int phase = std::isnan(fraction)
                        ? 0
                        : static_cast<int>(std::floor(fraction * phases + 0.5));
        if (phase == phases) {
            phase = 0;
            whole += 1;
        }
        ModelSample sum{0.0, 0.0};
        for (int t = 0; t < config_.filterRows; ++t) {
            const double tap = config_.filter[t + phase * config_.filterRows];
            const ModelSample x = at(history, whole - h + 1 + t);
            sum.real = sum.real + tap * x.real;
            sum.imag = sum.imag + tap * x.imag;
        }
        return sum;
    }

    ModelConfig config_;
    std::vector<std::deque<ModelSample>> history_;
};

// Bitwise equality, so that NaN equals NaN of the same payload and 0.0 and
// -0.0 differ.
inline bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// NaN-aware exact equality: both NaN, or bitwise equal.
inline bool sameValue(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || sameBits(a, b);
}

}  // namespace quorbelin::testing

#endif
