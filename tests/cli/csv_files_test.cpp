// CSV reading and writing: exact round trips of every kind of double, the
// tolerated extras (header, comments, blank lines), and faults named by file
// and line.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "cli/csv_reader.h"
#include "cli/csv_writer.h"
#include "cli/errors.h"
#include "tests/cli/tool_runner.h"

namespace quorbelin::testing {
namespace {

using cli::CsvReader;
using cli::CsvWriter;
using cli::FileError;

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(CsvFiles, EveryDoubleReadsBackToTheSameBits) {
    const std::vector<double> values = {
        0.1, -0.0, 0.0, 1.0 / 3.0, M_PI, DBL_MAX, -DBL_MAX, DBL_MIN, 4.9406564584124654e-324,
        1e-310, 123456789012345678.0, std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), 0.30000000000000004, std::nextafter(1.0, 2.0)};
    ScratchFolder folder;
    const std::string path = folder / "values.csv";
    {
        CsvWriter writer(path);
        writer.writeRow(values);
        writer.writeRow(values);
        writer.finish();
    }
    CsvReader reader(path);
    std::vector<double> row;
    for (int r = 0; r < 2; ++r) {
        ASSERT_TRUE(reader.nextRow(row));
        ASSERT_EQ(row.size(), values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            EXPECT_TRUE(sameBits(row[i], values[i])) << "value " << i << ": " << row[i];
        }
    }
    EXPECT_FALSE(reader.nextRow(row));
}

TEST(CsvFiles, NotANumberSurvivesTheRoundTrip) {
    ScratchFolder folder;
    const std::string path = folder / "nan.csv";
    {
        CsvWriter writer(path);
        writer.writeRow(std::vector<double>{std::nan(""), 1.0});
        writer.finish();
    }
    CsvReader reader(path);
    std::vector<double> row;
    ASSERT_TRUE(reader.nextRow(row));
    EXPECT_TRUE(std::isnan(row[0]));
    EXPECT_EQ(row[1], 1.0);
}

TEST(CsvFiles, HeaderCommentsBlankLinesAndBlanksAroundFieldsAreSkipped) {
    ScratchFolder folder;
    const std::string path = folder / "table.csv";
    writeText(path, "left, right\r\n# a comment\n\n 1 , 2\r\n3,4\n\n");
    CsvReader reader(path);
    std::vector<double> row;
    ASSERT_TRUE(reader.nextRow(row));
    EXPECT_EQ(row, (std::vector<double>{1.0, 2.0}));
    EXPECT_EQ(reader.line(), 4);
    ASSERT_TRUE(reader.nextRow(row));
    EXPECT_EQ(row, (std::vector<double>{3.0, 4.0}));
    EXPECT_FALSE(reader.nextRow(row));
}

TEST(CsvFiles, FaultsNameTheFileAndLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"1,2\n3,x\n", ":2: 'x' is not a number"},
        {"1,2\n3\n", ":2: 1 fields, but the rows before have 2"},
        {"1,2\n\n# note\n3,4,5\n", ":4: 3 fields, but the rows before have 2"},
        {"1,2\n3,\n", ":2: '' is not a number"},
        {"1,2.5.1\n", ":1: '2.5.1' is not a number"},
        {"time,1\n", ":1: 'time' is not a number"},
        {"a,b\nc,d\n", ":2: 'c' is not a number"},  // only the first line may be a header
        {"1\n1e999\n", ":2: '1e999' is not a number"},
    };
    for (const Case& c : cases) {
        ScratchFolder folder;
        const std::string path = folder / "bad.csv";
        writeText(path, c.text);
        CsvReader reader(path);
        std::vector<double> row;
        try {
            while (reader.nextRow(row)) {
            }
            ADD_FAILURE() << "no fault found in: " << c.text;
        } catch (const FileError& error) {
            EXPECT_EQ(std::string(error.what()), path + c.message) << c.text;
        }
    }
}

TEST(CsvFiles, MatrixIsStoredColumnByColumn) {
    ScratchFolder folder;
    const std::string path = folder / "matrix.csv";
    writeText(path, "1,2,3\n4,5,6\n");
    const cli::Matrix matrix = cli::readCsvMatrix(path);
    EXPECT_EQ(matrix.rows, 2);
    EXPECT_EQ(matrix.columns, 3);
    EXPECT_EQ(matrix.columnMajor, (std::vector<double>{1, 4, 2, 5, 3, 6}));
}

TEST(CsvFiles, MatrixFileWithoutNumbersIsRefused) {
    ScratchFolder folder;
    const std::string path = folder / "empty.csv";
    writeText(path, "# nothing here\n\n");
    EXPECT_THROW(cli::readCsvMatrix(path), FileError);
    EXPECT_THROW(cli::readCsvMatrix(folder / "missing.csv"), FileError);
}

}  // namespace
}  // namespace quorbelin::testing
