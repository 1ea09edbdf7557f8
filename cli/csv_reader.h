// Reading numbers from CSV files, one row at a time, so that long files
// stream in constant memory. Fields are separated by commas; blank lines and
// lines starting with '#' are skipped, and a first line that holds no number
// at all is taken as a header. Every other field must be one number, and all
// rows must have the same number of fields; a fault names the file and line.
#ifndef QUORBELIN_CLI_CSV_READER_H
#define QUORBELIN_CLI_CSV_READER_H

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "cli/matrix.h"

namespace quorbelin::cli {

class CsvReader {
public:
    // Throws FileError when the file cannot be opened.
    explicit CsvReader(std::string path);

    // The next row's values; false at the end of the file. Throws FileError
    // naming the line on a malformed row.
    bool nextRow(std::vector<double>& values);

    const std::string& path() const { return path_; }
    // The line of the row read last (1-based).
    int64_t line() const { return line_; }
    // Fields per row, 0 until the first row has been read.
    std::size_t columns() const { return columns_; }

private:
    std::string path_;
    std::ifstream stream_;
    std::string text_;
    int64_t line_ = 0;
    std::size_t columns_ = 0;
    bool sawContent_ = false;
};

// A whole CSV file as a matrix, rows as in the file. Throws FileError when
// the file is unreadable, malformed, empty or beyond 2^31 - 1 elements.
Matrix readCsvMatrix(const std::string& path);

}  // namespace quorbelin::cli

#endif
