// Signals and delays held in memory, behind the interfaces the tool's
// streaming loop reads and writes files through, so that a run from Python
// goes through the very loop `quorbelin run` uses.
#ifndef QUORBELIN_PYTHON_MEMORY_SIGNAL_H
#define QUORBELIN_PYTHON_MEMORY_SIGNAL_H

#include <cstdint>
#include <span>
#include <vector>

#include "cli/delay_source.h"
#include "cli/signal_io.h"

namespace quorbelin::python {

// Rows of a signal in memory: one per time sample, each channel's value
// or (real, imaginary) pair. The memory must outlive the reader.
class MemorySignalReader final : public cli::SignalReader {
public:
    MemorySignalReader(std::span<const double> values, const cli::SignalFormat& format);
    const cli::SignalFormat& format() const override { return format_; }
    std::optional<int64_t> length() const override { return static_cast<int64_t>(rows_); }
    std::size_t read(std::span<double> out, std::size_t rows) override;

private:
    std::span<const double> values_;
    cli::SignalFormat format_;
    std::size_t rows_;
    std::size_t next_ = 0;
};

// Collects the output rows in a vector.
class MemorySignalWriter final : public cli::SignalWriter {
public:
    MemorySignalWriter(std::vector<double>& values, std::size_t valuesPerRow)
        : values_(values), valuesPerRow_(valuesPerRow) {}
    void write(std::span<const double> values, std::size_t rows) override;
    void finish() override {}

private:
    std::vector<double>& values_;
    std::size_t valuesPerRow_;
};

// Delays from memory: `rows` rows of `width` values, as a delay file holds
// them (one per time sample, or one per sample hit and channel), or a
// single row that holds for the whole run. The memory must outlive it.
class MemoryDelaySource final : public cli::DelaySource {
public:
    MemoryDelaySource(std::span<const double> values, std::size_t width, bool repeated);
    // Rows given (1 for a repeated row).
    std::size_t rows() const { return rows_; }

    void fill(int64_t first, std::size_t rows, std::span<double> out) override;
    bool constant() const override;
    std::optional<int64_t> rowCount() const override;
    double largest() const override;
    cli::DelayCensus census(const cli::DelayBounds& bounds) const override;

private:
    std::span<const double> values_;
    std::size_t width_;
    std::size_t rows_;
    bool repeated_;
};

}  // namespace quorbelin::python

#endif
