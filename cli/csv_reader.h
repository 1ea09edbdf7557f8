// Reading numbers from CSV files, one row at a time, so that long files
// stream in constant memory. Fields are separated by commas; blank lines and
// lines starting with '#' are skipped, and a first line that holds no number
// at all is taken as a header; a UTF-8 byte-order mark before it is skipped.
// Every other field must be one number, and all rows must have the same
// number of fields; a fault names the file and line. The path "-" reads
// standard input.
#ifndef QUORBELIN_CLI_CSV_READER_H
#define QUORBELIN_CLI_CSV_READER_H

#include <cstdint>
#include <fstream>
#include <istream>
#include <string>
#include <vector>

#include "cli/matrix.h"

namespace quorbelin::cli {

// Whether NaN and the infinities are values or faults of the file.
enum class NonFinite { Accept, Refuse };

class CsvReader {
public:
    // Throws FileError when the file cannot be opened.
    explicit CsvReader(std::string path, NonFinite nonFinite = NonFinite::Accept);

    // The next row's values; false at the end of the file. Throws FileError
    // naming the line on a malformed row.
    bool nextRow(std::vector<double>& values);

    // The file's name in messages ("standard input" for "-").
    const std::string& path() const { return path_; }
    // The line of the row read last (1-based).
    int64_t line() const { return line_; }
    // Fields per row, 0 until the first row has been read.
    std::size_t columns() const { return columns_; }

private:
    std::string path_;
    std::ifstream file_;
    std::istream* stream_ = nullptr;
    NonFinite nonFinite_;
    std::string text_;
    int64_t line_ = 0;
    std::size_t columns_ = 0;
    bool sawContent_ = false;
};

// A whole CSV file as a matrix, rows as in the file. Throws FileError when
// the file is unreadable, malformed, empty, holds a NaN or an infinity, or
// is beyond 2^31 - 1 elements.
Matrix readCsvMatrix(const std::string& path);

}  // namespace quorbelin::cli

#endif
