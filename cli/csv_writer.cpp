#include "cli/csv_writer.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "cli/errors.h"

namespace quorbelin::cli {

CsvWriter::CsvWriter(const std::string& path, std::string name)
    : name_(name.empty() ? path : std::move(name)), owned_(true) {
    stream_ = std::fopen(path.c_str(), "w");
    if (stream_ == nullptr) {
        throw FileError(name_, std::string("cannot create: ") + std::strerror(errno));
    }
}

CsvWriter::CsvWriter(std::FILE* stream, std::string name) : name_(std::move(name)), stream_(stream) {}

CsvWriter::~CsvWriter() {
    if (owned_ && stream_ != nullptr) {
        std::fclose(stream_);
    }
}

void CsvWriter::writeRow(std::span<const double> values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            std::fputc(',', stream_);
        }
        // printf shows a NaN's sign bit ("-nan"); a NaN has no sign worth
        // keeping, and readers expect "nan".
        if (std::isnan(values[i])) {
            std::fputs("nan", stream_);
        } else {
            std::fprintf(stream_, "%.17g", values[i]);
        }
    }
    std::fputc('\n', stream_);
    // A closed pipe or a full disk stops the run at once, not at the end.
    if (std::ferror(stream_) != 0) {
        throw FileError(name_, std::string("write failed: ") + std::strerror(errno));
    }
}

void CsvWriter::finish() {
    const bool failed = std::fflush(stream_) != 0 || std::ferror(stream_) != 0;
    const int error = errno;
    if (owned_) {
        const bool closeFailed = std::fclose(stream_) != 0;
        stream_ = nullptr;
        if (failed || closeFailed) {
            throw FileError(name_, std::string("write failed: ") + std::strerror(error));
        }
    } else if (failed) {
        throw FileError(name_, std::string("write failed: ") + std::strerror(error));
    }
}

}  // namespace quorbelin::cli
