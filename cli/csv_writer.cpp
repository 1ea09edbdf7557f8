#include "cli/csv_writer.h"

#include <cerrno>
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
        std::fprintf(stream_, i == 0 ? "%.17g" : ",%.17g", values[i]);
    }
    std::fputc('\n', stream_);
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
