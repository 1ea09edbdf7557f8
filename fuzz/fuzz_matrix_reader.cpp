// The tool's matrix reader (filter and initial-condition files) on any file
// content: a matrix whose size matches its values, or a file error.
#include <cstdlib>

#include "cli/csv_reader.h"
#include "cli/errors.h"
#include "fuzz/memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const quorbelin::fuzzing::MemoryFile file(data, size);
    try {
        const quorbelin::cli::Matrix matrix = quorbelin::cli::readCsvMatrix(file.path());
        if (matrix.rows < 0 || matrix.columns < 0 ||
            static_cast<std::size_t>(matrix.rows) * static_cast<std::size_t>(matrix.columns) !=
                matrix.columnMajor.size()) {
            std::abort();
        }
    } catch (const quorbelin::cli::FileError&) {
        // unreadable, malformed, empty or too large: refused by name
    }
    return 0;
}
