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
    void fill(int64_t, std::size_t, std::span<double> out) override { std::fill(out.begin(), out.end(), samples_); }
    bool constant() const override { return true; }
    double largest() const override { return samples_; }
    DelayCensus census(const DelayBounds& bounds) const override {
        const bool finite = std::isfinite(samples_);
        return {finite && samples_ < bounds.reach ? 1 : 0, finite && samples_ < bounds.low ? 1 : 0,
                finite && samples_ > bounds.high ? 1 : 0, 1, false};
    }

private:
    double samples_;
};

// d(t) = MEAN + DEPTH * sin(2 pi HZ t) in the given unit, t the time of the
// sample. In per-channel mode a row is a sample hit, and every channel takes
// the value at the hit's first sample.
class SineDelay final : public DelaySource {
public:
    SineDelay(double mean, double depth, double hertz, double rate, double samplesPerUnit, const DelayLayout& layout)
        : mean_(mean * samplesPerUnit), depth_(depth * samplesPerUnit), cyclesPerSample_(hertz / rate),
          layout_(layout) {}

    void fill(int64_t first, std::size_t rows, std::span<double> out) override {
        const std::size_t width = layout_.rowWidth();
        for (std::size_t r = 0; r < rows; ++r) {
            const int64_t row = first + static_cast<int64_t>(r);
            const double value = at(layout_.perChannel ? row * layout_.frame : row);
            std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(r * width), width, value);
        }
    }
    double largest() const override { return mean_ + std::fabs(depth_); }
    // The share of one period below (above) a bound: sin x < u holds for
    // 1/2 + asin(u)/pi of the period.
    DelayCensus census(const DelayBounds& bounds) const override {
        constexpr double values = 1e6;
        const auto shareBelow = [this](double bound) {
            if (depth_ == 0.0) {
                return mean_ < bound ? 1.0 : 0.0;
            }
            const double u = std::clamp((bound - mean_) / std::fabs(depth_), -1.0, 1.0);
            return 0.5 + std::asin(u) / std::numbers::pi;
        };
        const double above = depth_ == 0.0 ? (mean_ > bounds.high ? 1.0 : 0.0) : 1.0 - shareBelow(bounds.high);
        const auto count = [](double share) {
            return share > 1e-12 ? std::max<int64_t>(1, std::llround(share * values)) : int64_t{0};
        };
        return {count(shareBelow(bounds.reach)), count(shareBelow(bounds.low)), count(above),
                static_cast<int64_t>(values), true};
    }

private:
    double at(int64_t sample) const {
        // The phase is reduced to one cycle before the sine, so long signals
        // keep their precision.
        const double cycles = static_cast<double>(sample) * cyclesPerSample_;
        const double phase = cycles - std::floor(cycles);
        return mean_ + depth_ * std::sin(2.0 * std::numbers::pi * phase);
    }

    double mean_;
    double depth_;
    double cyclesPerSample_;
    DelayLayout layout_;
};

// A CSV file read in step with the signal: one row per time sample and one
// column in per-sample mode, one row per sample hit and one column per
// channel in per-channel mode.
class FileDelay final : public DelaySource {
public:
    FileDelay(const std::string& path, double samplesPerUnit, const DelayLayout& layout, NonFinite nonFinite)
        : path_(path), reader_(path, nonFinite), samplesPerUnit_(samplesPerUnit), layout_(layout),
          nonFinite_(nonFinite) {
        // A first pass checks the whole file before any output is made and
        // finds the largest delay.
        bool any = false;
        rows_ = scan([&](double value) {
            if (!std::isnan(value)) {
                largest_ = any ? std::max(largest_, value) : value;
                any = true;
            }
        });
        if (rows_ == 0) {
            throw FileError(path, "holds no delay values");
        }
    }

    void fill(int64_t, std::size_t rows, std::span<double> out) override {
        const std::size_t width = layout_.rowWidth();
        for (std::size_t r = 0; r < rows; ++r) {
            if (!reader_.nextRow(row_)) {
                throw FileError(reader_.path(), "ends after " + std::to_string(rows_) +
                                                    " rows, but the signal needs more delay values");
            }
            for (std::size_t i = 0; i < width; ++i) {
                out[r * width + i] = row_[i] * samplesPerUnit_;
            }
        }
    }
    std::optional<int64_t> rowCount() const override { return rows_; }
    double largest() const override { return largest_; }
    DelayCensus census(const DelayBounds& bounds) const override {
        DelayCensus census;
        scan([&](double value) {
            census.belowReach += value < bounds.reach ? 1 : 0;
            census.below += value < bounds.low ? 1 : 0;
            census.above += value > bounds.high ? 1 : 0;
            ++census.values;
        });
        return census;
    }

private:
    // Reads the whole file, checking its columns, and visits every value in
    // samples; returns the rows.
    template <typename Visit>
    int64_t scan(Visit visit) const {
        const std::size_t columns = layout_.rowWidth();
        CsvReader scan(path_, nonFinite_);
        std::vector<double> row;
        int64_t rows = 0;
        while (scan.nextRow(row)) {
            if (row.size() != columns) {
                throw FileError(path_, scan.line(),
                                std::to_string(row.size()) + " columns; the delay file needs " +
                                    (layout_.perChannel ? "one column per channel (" + std::to_string(columns) + ")"
                                                        : std::string("one column")));
            }
            for (const double value : row) {
                const double samples = value * samplesPerUnit_;
                if (std::isfinite(value) && !std::isfinite(samples) && nonFinite_ == NonFinite::Refuse) {
                    throw FileError(path_, scan.line(), "a delay of " + std::to_string(value) +
                                                            " is beyond every number of samples");
                }
                visit(samples);
            }
            ++rows;
        }
        return rows;
    }

    std::string path_;
    CsvReader reader_;
    double samplesPerUnit_;
    DelayLayout layout_;
    NonFinite nonFinite_;
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
                                             std::optional<double> rate, const DelayLayout& layout,
                                             bool allowNonfinite) {
    if (const auto value = parseDouble(text)) {
        const double samples = *value * samplesPerUnit(unit, rate);
        if (!std::isfinite(samples) && !allowNonfinite) {
            throw UsageError("--delay " + text + " is not a finite number of samples (--allow-nonfinite hands "
                             "such delays to the block as they are)");
        }
        return std::make_unique<ConstantDelay>(samples);
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
        const double perUnit = samplesPerUnit(unit, rate);
        if (!std::isfinite((std::fabs(numbers[0]) + std::fabs(numbers[1])) * perUnit)) {
            throw UsageError("--delay '" + text + "' reaches beyond every number of samples");
        }
        return std::make_unique<SineDelay>(numbers[0], numbers[1], numbers[2], *rate, perUnit, layout);
    }
    if (isCsvPath(text)) {
        return std::make_unique<FileDelay>(text, samplesPerUnit(unit, rate), layout,
                                           allowNonfinite ? NonFinite::Accept : NonFinite::Refuse);
    }
    throw UsageError("--delay '" + text + "': expected a number, sine:MEAN:DEPTH:HZ or a .csv file");
}

}  // namespace quorbelin::cli
