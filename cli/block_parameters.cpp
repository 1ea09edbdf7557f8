#include "cli/block_parameters.h"

#include "cli/csv_reader.h"
#include "cli/errors.h"
#include "cli/filter_design.h"
#include "cli/parse_number.h"
#include "cli/signal_io.h"

namespace quorbelin::cli {

std::optional<Matrix> resolveFilter(const std::string& text) {
    if (text == "linear") {
        return std::nullopt;
    }
    if (const auto design = parseFilterDesign(text)) {
        return designFilter(*design);
    }
    if (!isCsvPath(text)) {
        throw UsageError("--filter '" + text + "': expected linear, lagrange:ORDER:PHASES, "
                         "sinc:TAPS:PHASES[:BETA] or a .csv matrix file");
    }
    return readCsvMatrix(text);
}

Matrix resolveMatrixParameter(const std::string& text, const std::string& option) {
    if (const auto value = parseDouble(text)) {
        return Matrix{1, 1, {*value}};
    }
    if (!isCsvPath(text)) {
        throw UsageError(option + " '" + text + "': expected a number or a .csv file");
    }
    return readCsvMatrix(text);
}

Matrix resolveInitialConditions(const std::string& text) { return resolveMatrixParameter(text, "--ic"); }

std::vector<vostrel::Array> toHostArrays(const BlockParameters& parameters) {
    std::vector<vostrel::Array> arrays;
    arrays.push_back(vostrel::Array::scalar(parameters.maxDelay));
    if (parameters.filter) {
        arrays.push_back(vostrel::Array::matrix(parameters.filter->rows, parameters.filter->columns,
                                                parameters.filter->columnMajor));
    } else {
        arrays.push_back(vostrel::Array::empty());
    }
    const Matrix& ic = parameters.initialConditions;
    arrays.push_back(vostrel::Array::matrix(ic.rows, ic.columns, ic.columnMajor));
    arrays.push_back(vostrel::Array::scalar(parameters.channels));
    arrays.push_back(vostrel::Array::scalar(parameters.perChannel ? 1.0 : 0.0));
    return arrays;
}

}  // namespace quorbelin::cli
