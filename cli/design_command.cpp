#include "cli/design_command.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "cli/atomic_output.h"
#include "cli/csv_writer.h"
#include "cli/errors.h"
#include "cli/filter_design.h"

namespace quorbelin::cli {

namespace {

void writeMatrix(const Matrix& matrix, CsvWriter& writer) {
    std::vector<double> row(static_cast<std::size_t>(matrix.columns));
    for (int32_t r = 0; r < matrix.rows; ++r) {
        for (int32_t c = 0; c < matrix.columns; ++c) {
            row[static_cast<std::size_t>(c)] = matrix(r, c);
        }
        writer.writeRow(row);
    }
    writer.finish();
}

}  // namespace

void writeFilterDesign(const std::string& design, const std::string& output) {
    const std::optional<FilterDesign> parsed = parseFilterDesign(design);
    if (!parsed) {
        throw UsageError("'" + design + "' is not a filter design: expected lagrange:ORDER:PHASES or "
                         "sinc:TAPS:PHASES[:BETA]");
    }
    const Matrix matrix = designFilter(*parsed);
    if (output.empty() || output == "-") {
        CsvWriter writer(stdout, "standard output");
        writeMatrix(matrix, writer);
        return;
    }
    AtomicOutput file(output);
    CsvWriter writer(file.temporaryPath(), output);
    writeMatrix(matrix, writer);
    file.commit();
}

}  // namespace quorbelin::cli
