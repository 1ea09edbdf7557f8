// The tool's CSV row and signal readers on any file content: rows are read
// or the file is refused with a file error, nothing else.
#include <cstdlib>

#include "cli/csv_reader.h"
#include "cli/csv_signal.h"
#include "cli/errors.h"
#include "fuzz/memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the reader; the rest is the file.
    const int choice = data[0] % 3;
    const quorbelin::fuzzing::MemoryFile file(data + 1, size - 1);
    try {
        if (choice == 0) {
            quorbelin::cli::CsvReader reader(file.path());
            std::vector<double> row;
            std::size_t columns = 0;
            while (reader.nextRow(row)) {
                if (columns != 0 && row.size() != columns) {
                    std::abort();  // the rows of one file have one width
                }
                columns = row.size();
            }
        } else {
            quorbelin::cli::CsvSignalReader reader(file.path(), choice == 2, 48000.0);
            constexpr std::size_t rows = 7;
            std::vector<double> block(reader.format().valuesPerRow() * rows);
            while (reader.read(block, rows) == rows) {
            }
        }
    } catch (const quorbelin::cli::FileError&) {
        // a malformed file, refused with its name and line
    }
    return 0;
}
