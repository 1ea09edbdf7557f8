#include "cli/block_parameters.h"

#include "cli/csv_reader.h"
#include "cli/design_search.h"
#include "cli/errors.h"
#include "cli/filter_design.h"
#include "cli/format_number.h"
#include "cli/parse_number.h"
#include "cli/signal_io.h"

namespace quorbelin::cli {

namespace {

NamedFilter resolveWithFigures(const std::string& text, std::optional<BandFigures>& figures) {
    if (text == "linear") {
        return {};
    }
    if (const auto design = parseFilterDesign(text)) {
        return {designFilter(*design), {}};
    }
    if (const auto request = parseAutoDesign(text)) {
        DesignChoice choice = searchDesign(*request);
        figures = choice.figures;
        return {std::move(choice.filter), formatFilterDesign(choice.design)};
    }
    if (!isCsvPath(text)) {
        throw UsageError("--filter '" + text + "': expected linear, " + designForms +
                         ", auto:SNR_DB:BAND or a .csv matrix file");
    }
    return {readCsvMatrix(text), {}};
}

}  // namespace

NamedFilter resolveNamedFilter(const std::string& text) {
    std::optional<BandFigures> figures;
    return resolveWithFigures(text, figures);
}

std::optional<Matrix> resolveFilter(const std::string& text, std::FILE* notes) {
    std::optional<BandFigures> figures;
    NamedFilter filter = resolveWithFigures(text, figures);
    if (notes != nullptr && figures) {
        std::fprintf(notes, "quorbelin: %s: %s, worst SNR %.1f dB and mean %.1f dB over band %s\n", text.c_str(),
                     filter.chosenDesign.c_str(), figures->worstSnrDb, figures->meanSnrDb,
                     shortestText(figures->band).c_str());
    }
    return std::move(filter.matrix);
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
