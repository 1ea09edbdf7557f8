#include "python/memory_signal.h"

#include <algorithm>
#include <cmath>

#include "cli/errors.h"

namespace quorbelin::python {

MemorySignalReader::MemorySignalReader(std::span<const double> values, const cli::SignalFormat& format)
    : values_(values), format_(format), rows_(values.size() / std::max<std::size_t>(1, format.valuesPerRow())) {}

std::size_t MemorySignalReader::read(std::span<double> out, std::size_t rows) {
    const std::size_t count = std::min(rows, rows_ - next_);
    const std::size_t width = format_.valuesPerRow();
    std::copy_n(values_.begin() + static_cast<std::ptrdiff_t>(next_ * width), count * width, out.begin());
    next_ += count;
    return count;
}

void MemorySignalWriter::write(std::span<const double> values, std::size_t rows) {
    const std::size_t count = rows * valuesPerRow_;
    values_.insert(values_.end(), values.begin(), values.begin() + static_cast<std::ptrdiff_t>(count));
}

MemoryDelaySource::MemoryDelaySource(std::span<const double> values, std::size_t width, bool repeated)
    : values_(values), width_(width), rows_(width == 0 ? 0 : values.size() / width), repeated_(repeated) {}

void MemoryDelaySource::fill(int64_t first, std::size_t rows, std::span<double> out) {
    for (std::size_t r = 0; r < rows; ++r) {
        const std::size_t row = repeated_ ? 0 : static_cast<std::size_t>(first) + r;
        if (row >= rows_) {
            throw cli::UsageError("the delays end after " + std::to_string(rows_) +
                                  " rows, but the signal needs more");
        }
        std::copy_n(values_.begin() + static_cast<std::ptrdiff_t>(row * width_), width_,
                    out.begin() + static_cast<std::ptrdiff_t>(r * width_));
    }
}

bool MemoryDelaySource::constant() const {
    return repeated_ && std::all_of(values_.begin(), values_.end(), [&](double v) { return v == values_.front(); });
}

std::optional<int64_t> MemoryDelaySource::rowCount() const {
    return repeated_ ? std::nullopt : std::optional<int64_t>(static_cast<int64_t>(rows_));
}

// As for a delay file: NaN values are left out, and no value at all gives 0.
double MemoryDelaySource::largest() const {
    double largest = 0.0;
    bool any = false;
    for (const double value : values_) {
        if (!std::isnan(value)) {
            largest = any ? std::max(largest, value) : value;
            any = true;
        }
    }
    return largest;
}

cli::DelayCensus MemoryDelaySource::census(const cli::DelayBounds& bounds) const {
    cli::DelayCensus census;
    for (const double value : values_) {
        census.belowReach += value < bounds.reach ? 1 : 0;
        census.below += value < bounds.low ? 1 : 0;
        census.above += value > bounds.high ? 1 : 0;
        ++census.values;
    }
    return census;
}

}  // namespace quorbelin::python
