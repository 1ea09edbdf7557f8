// CSV signals: one row per time sample, one column per channel, or two
// columns per channel (real, then imaginary) for a complex signal.
#ifndef QUORBELIN_CLI_CSV_SIGNAL_H
#define QUORBELIN_CLI_CSV_SIGNAL_H

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/csv_reader.h"
#include "cli/csv_writer.h"
#include "cli/signal_io.h"

namespace quorbelin::cli {

class CsvSignalReader final : public SignalReader {
public:
    // Reads the first row to learn the channel count; throws FileError when
    // the file holds no row or, for a complex signal, an odd column count.
    CsvSignalReader(const std::string& path, bool complex, std::optional<double> rate);

    const SignalFormat& format() const override { return format_; }
    std::optional<int64_t> length() const override { return std::nullopt; }
    std::size_t read(std::span<double> out, std::size_t rows) override;

private:
    CsvReader reader_;
    SignalFormat format_;
    std::vector<double> row_;
    bool pending_ = false;  // row_ holds a row not yet handed out
};

class CsvSignalWriter final : public SignalWriter {
public:
    // Writes at path; messages name the file `name`.
    CsvSignalWriter(const std::string& path, const std::string& name, const SignalFormat& format);
    // Writes to standard output.
    CsvSignalWriter(std::FILE* stream, const SignalFormat& format);
    void write(std::span<const double> values, std::size_t rows) override;
    void finish() override { writer_.finish(); }

private:
    CsvWriter writer_;
    std::size_t valuesPerRow_;
};

}  // namespace quorbelin::cli

#endif
