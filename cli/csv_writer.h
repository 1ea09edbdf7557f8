// Writing numbers to CSV, one row at a time. Every value is written with 17
// significant digits, so it reads back as the same double; NaN and the
// infinities as nan, inf and -inf.
#ifndef QUORBELIN_CLI_CSV_WRITER_H
#define QUORBELIN_CLI_CSV_WRITER_H

#include <cstdio>
#include <span>
#include <string>

namespace quorbelin::cli {

class CsvWriter {
public:
    // Writes to the file at path (created or truncated); messages name the
    // file `name` (the path when empty). Throws FileError.
    explicit CsvWriter(const std::string& path, std::string name = "");
    // Writes to an open stream it does not own (standard output).
    CsvWriter(std::FILE* stream, std::string name);
    ~CsvWriter();
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;

    // Throws FileError once the stream has failed.
    void writeRow(std::span<const double> values);
    // Flushes and closes; throws FileError when anything failed to reach the
    // file (a full disk shows up here).
    void finish();

private:
    std::string name_;
    std::FILE* stream_ = nullptr;
    bool owned_ = false;
};

}  // namespace quorbelin::cli

#endif
