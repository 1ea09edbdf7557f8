#include "cli/csv_reader.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <iostream>
#include <limits>

#include "cli/errors.h"
#include "cli/parse_number.h"

namespace quorbelin::cli {

CsvReader::CsvReader(std::string path, NonFinite nonFinite) : path_(std::move(path)), nonFinite_(nonFinite) {
    if (path_ == "-") {
        path_ = "standard input";
        // The tool reads standard input only through this stream, so it
        // need not keep in step with C's stdin, which is much slower.
        std::ios::sync_with_stdio(false);
        stream_ = &std::cin;
        return;
    }
    file_.open(path_);
    if (!file_) {
        throw FileError(path_, std::string("cannot open: ") + std::strerror(errno));
    }
    stream_ = &file_;
}

bool CsvReader::nextRow(std::vector<double>& values) {
    while (std::getline(*stream_, text_)) {
        ++line_;
        std::string_view line = text_;
        if (line_ == 1 && line.starts_with("\xEF\xBB\xBF")) {
            line.remove_prefix(3);  // a UTF-8 byte-order mark
        }
        line = trimBlanks(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::vector<std::string_view> fields = splitFields(line, ',');
        values.clear();
        std::size_t numbers = 0;
        std::string_view bad;
        for (const std::string_view field : fields) {
            if (const auto value = parseDouble(field)) {
                values.push_back(*value);
                ++numbers;
            } else if (bad.data() == nullptr) {
                bad = field;
            }
        }
        const bool firstContent = !sawContent_;
        sawContent_ = true;
        if (firstContent && numbers == 0 && fields.size() > 0 && !trimBlanks(fields[0]).empty()) {
            continue;  // a header line of column names
        }
        if (numbers != fields.size()) {
            throw FileError(path_, line_,
                            "'" + std::string(trimBlanks(bad)) + "' is not a number");
        }
        if (nonFinite_ == NonFinite::Refuse) {
            for (std::size_t i = 0; i < values.size(); ++i) {
                if (!std::isfinite(values[i])) {
                    throw FileError(path_, line_,
                                    "'" + std::string(trimBlanks(fields[i])) + "' is not a finite number");
                }
            }
        }
        if (columns_ == 0) {
            columns_ = fields.size();
        } else if (fields.size() != columns_) {
            throw FileError(path_, line_,
                            std::to_string(fields.size()) + " fields, but the rows before have " +
                                std::to_string(columns_));
        }
        return true;
    }
    if (stream_->bad()) {
        throw FileError(path_, line_ + 1, "read error");
    }
    return false;
}

Matrix readCsvMatrix(const std::string& path) {
    CsvReader reader(path, NonFinite::Refuse);
    std::vector<std::vector<double>> rows;
    std::vector<double> row;
    constexpr std::size_t limit = std::numeric_limits<int32_t>::max();
    while (reader.nextRow(row)) {
        if (rows.size() >= limit || row.size() > limit ||
            (rows.size() + 1) * row.size() > limit) {
            throw FileError(path, reader.line(), "too many values for one matrix");
        }
        rows.push_back(row);
    }
    if (rows.empty()) {
        throw FileError(path, "holds no numbers");
    }
    Matrix matrix;
    matrix.rows = static_cast<int32_t>(rows.size());
    matrix.columns = static_cast<int32_t>(reader.columns());
    matrix.columnMajor.resize(rows.size() * reader.columns());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < reader.columns(); ++c) {
            matrix.columnMajor[r + c * rows.size()] = rows[r][c];
        }
    }
    return matrix;
}

}  // namespace quorbelin::cli
