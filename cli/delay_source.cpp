#include "cli/delay_source.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "cli/csv_reader.h"
#include "cli/errors.h"
#include "cli/parse_number.h"
#include "cli/signal_io.h"

namespace quorbelin::cli {

namespace {

class ConstantDelay final : public DelaySource {
public:
    explicit ConstantDelay(double samples) : samples_(samples) {}
    void fill(int64_t, int32_t, std::span<double> port) override { std::fill(port.begin(), port.end(), samples_); }
    double largest() const override { return samples_; }

private:
    double samples_;
};

// d(t) = MEAN + DEPTH * sin(2 pi HZ t) in the given unit, t the time of the
// sample. In per-channel mode every channel takes the value at the hit's
// first sample.
class SineDelay final : public DelaySource {
public:
    SineDelay(double mean, double depth, double hertz, double rate, double samplesPerUnit, bool perChannel)
        : mean_(mean), depth_(depth), cyclesPerSample_(hertz / rate), samplesPerUnit_(samplesPerUnit),
          perChannel_(perChannel) {}

    void fill(int64_t first, int32_t, std::span<double> port) override {
        for (std::size_t i = 0; i < port.size(); ++i) {
            const int64_t sample = perChannel_ ? first : first + static_cast<int64_t>(i);
            port[i] = at(sample);
        }
    }
    double largest() const override { return (mean_ + std::fabs(depth_)) * samplesPerUnit_; }

private:
    double at(int64_t sample) const {
        // The phase is reduced to one cycle before the sine, so long signals
        // keep their precision.
        const double cycles = static_cast<double>(sample) * cyclesPerSample_;
        const double phase = cycles - std::floor(cycles);
        return (mean_ + depth_ * std::sin(2.0 * std::numbers::pi * phase)) * samplesPerUnit_;
    }

    double mean_;
    double depth_;
    double cyclesPerSample_;
    double samplesPerUnit_;
    bool perChannel_;
};

// A CSV file read in step with the signal: one row per time sample and one
// column in per-sample mode, one row per sample hit and one column per
// channel in per-channel mode.
class FileDelay final : public DelaySource {
public:
    FileDelay(const std::string& path, double samplesPerUnit, const DelayPortLayout& layout)
        : reader_(path), samplesPerUnit_(samplesPerUnit), layout_(layout) {
        const std::size_t columns = layout.perChannel ? static_cast<std::size_t>(layout.channels) : 1;
        // A first pass checks the whole file before any output is made and
        // finds the largest delay.
        CsvReader scan(path);
        std::vector<double> row;
        bool any = false;
        while (scan.nextRow(row)) {
            if (row.size() != columns) {
                throw FileError(path, scan.line(),
                                std::to_string(row.size()) + " columns; the delay file needs " +
                                    (layout.perChannel ? "one column per channel (" + std::to_string(columns) + ")"
                                                       : std::string("one column")));
            }
            for (const double value : row) {
                if (!std::isnan(value)) {
                    largest_ = any ? std::max(largest_, value * samplesPerUnit) : value * samplesPerUnit;
                    any = true;
                }
            }
            ++rows_;
        }
        if (rows_ == 0) {
            throw FileError(path, "holds no delay values");
        }
    }

    void fill(int64_t, int32_t valid, std::span<double> port) override {
        if (layout_.perChannel) {
            readRow(port);
            return;
        }
        for (std::size_t s = 0; s < port.size(); ++s) {
            if (s < static_cast<std::size_t>(valid)) {
                readRow(port.subspan(s, 1));
            } else {
                port[s] = port[s - 1];
            }
        }
    }
    double largest() const override { return largest_; }

private:
    void readRow(std::span<double> into) {
        if (!reader_.nextRow(row_)) {
            throw FileError(reader_.path(), "ends after " + std::to_string(rows_) +
                                                " rows, but the signal needs more delay values");
        }
        for (std::size_t i = 0; i < into.size(); ++i) {
            into[i] = row_[i] * samplesPerUnit_;
        }
    }

    CsvReader reader_;
    double samplesPerUnit_;
    DelayPortLayout layout_;
    std::vector<double> row_;
    double largest_ = 0.0;
    int64_t rows_ = 0;
};

double samplesPerUnit(DelayUnit unit, std::optional<double> rate) {
    if (unit == DelayUnit::Samples) {
        return 1.0;
    }
    if (!rate) {
        throw UsageError("--delay-unit ms or s needs a sample rate: give --rate for CSV input");
    }
    return unit == DelayUnit::Milliseconds ? *rate / 1000.0 : *rate;
}

}  // namespace

DelayUnit parseDelayUnit(const std::string& text) {
    if (text == "samples") return DelayUnit::Samples;
    if (text == "ms") return DelayUnit::Milliseconds;
    if (text == "s") return DelayUnit::Seconds;
    throw UsageError("--delay-unit must be samples, ms or s, not '" + text + "'");
}

std::unique_ptr<DelaySource> makeDelaySource(const std::string& text, DelayUnit unit,
                                             std::optional<double> rate, const DelayPortLayout& layout) {
    if (const auto value = parseDouble(text)) {
        return std::make_unique<ConstantDelay>(*value * samplesPerUnit(unit, rate));
    }
    if (text.rfind("sine:", 0) == 0) {
        const std::vector<std::string_view> fields = splitFields(text, ':');
        std::vector<double> numbers;
        for (std::size_t i = 1; i < fields.size(); ++i) {
            if (const auto value = parseDouble(fields[i]); value && std::isfinite(*value)) {
                numbers.push_back(*value);
            }
        }
        if (fields.size() != 4 || numbers.size() != 3) {
            throw UsageError("--delay '" + text + "': expected sine:MEAN:DEPTH:HZ with three finite numbers");
        }
        if (!rate) {
            throw UsageError("--delay '" + text + "': a modulated delay needs a sample rate; give --rate for CSV input");
        }
        return std::make_unique<SineDelay>(numbers[0], numbers[1], numbers[2], *rate,
                                           samplesPerUnit(unit, rate), layout.perChannel);
    }
    if (isCsvPath(text)) {
        return std::make_unique<FileDelay>(text, samplesPerUnit(unit, rate), layout);
    }
    throw UsageError("--delay '" + text + "': expected a number, sine:MEAN:DEPTH:HZ or a .csv file");
}

}  // namespace quorbelin::cli
