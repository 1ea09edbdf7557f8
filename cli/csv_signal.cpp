#include "cli/csv_signal.h"

#include <algorithm>
#include <limits>

#include "cli/errors.h"

namespace quorbelin::cli {

CsvSignalReader::CsvSignalReader(const std::string& path, bool complex, std::optional<double> rate)
    : reader_(path) {
    if (!reader_.nextRow(row_)) {
        throw FileError(path, "holds no samples");
    }
    pending_ = true;
    const std::size_t columns = reader_.columns();
    if (complex && columns % 2 != 0) {
        throw FileError(path, reader_.line(),
                        std::to_string(columns) +
                            " columns: a complex signal has two per channel (real, imaginary)");
    }
    const std::size_t channels = complex ? columns / 2 : columns;
    if (channels > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
        throw FileError(path, reader_.line(), "too many channels");
    }
    format_.channels = static_cast<int32_t>(channels);
    format_.complex = complex;
    format_.sampleRate = rate;
}

std::size_t CsvSignalReader::read(std::span<double> out, std::size_t rows) {
    const std::size_t width = format_.valuesPerRow();
    std::size_t done = 0;
    while (done < rows) {
        if (!pending_ && !reader_.nextRow(row_)) {
            break;
        }
        pending_ = false;
        std::copy(row_.begin(), row_.end(), out.begin() + static_cast<std::ptrdiff_t>(done * width));
        ++done;
    }
    return done;
}

CsvSignalWriter::CsvSignalWriter(const std::string& path, const std::string& name, const SignalFormat& format)
    : writer_(path, name), valuesPerRow_(format.valuesPerRow()) {}

CsvSignalWriter::CsvSignalWriter(std::FILE* stream, const SignalFormat& format)
    : writer_(stream, "standard output"), valuesPerRow_(format.valuesPerRow()) {}

void CsvSignalWriter::write(std::span<const double> values, std::size_t rows) {
    for (std::size_t r = 0; r < rows; ++r) {
        writer_.writeRow(values.subspan(r * valuesPerRow_, valuesPerRow_));
    }
}

}  // namespace quorbelin::cli
