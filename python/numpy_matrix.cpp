#include "python/numpy_matrix.h"

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include "cli/block_parameters.h"
#include "cli/design_search.h"
#include "cli/filter_design.h"

namespace py = pybind11;

namespace quorbelin::python {

cli::Matrix toMatrix(const ColumnMajorArray& array) {
    if (array.ndim() != 2) {
        throw std::invalid_argument("expected a 2-D array, got " + std::to_string(array.ndim()) + " dimension(s)");
    }
    constexpr py::ssize_t limit = std::numeric_limits<int32_t>::max();
    if (array.shape(0) > limit || array.shape(1) > limit || array.shape(0) * array.shape(1) > limit) {
        throw std::invalid_argument("a matrix of " + std::to_string(array.shape(0)) + " x " +
                                    std::to_string(array.shape(1)) + " is more than the block takes");
    }
    cli::Matrix matrix{static_cast<int32_t>(array.shape(0)), static_cast<int32_t>(array.shape(1)), {}};
    matrix.columnMajor.assign(array.data(), array.data() + array.size());
    return matrix;
}

py::array_t<double> toArray(const cli::Matrix& matrix) {
    py::array_t<double, py::array::f_style> array({static_cast<py::ssize_t>(matrix.rows),
                                                   static_cast<py::ssize_t>(matrix.columns)});
    std::copy(matrix.columnMajor.begin(), matrix.columnMajor.end(), array.mutable_data());
    return array;
}

std::optional<cli::Matrix> filterFrom(const py::object& filter) {
    if (filter.is_none()) {
        return std::nullopt;
    }
    if (py::isinstance<py::str>(filter)) {
        const std::string text = filter.cast<std::string>();
        if (text == "linear") {
            return std::nullopt;
        }
        if (const std::optional<cli::FilterDesign> design = cli::parseFilterDesign(text)) {
            return cli::designFilter(*design);
        }
        if (cli::parseAutoDesign(text)) {
            return cli::resolveNamedFilter(text).matrix;  // the tool's search for the cheapest design
        }
        throw std::invalid_argument("filter '" + text + "' is neither \"linear\" nor a design "
                                    "(lagrange:ORDER:PHASES, sinc:TAPS:PHASES[:BETA], ls:TAPS:PHASES:BAND "
                                    "or auto:SNR_DB:BAND)");
    }
    return toMatrix(filter.cast<ColumnMajorArray>());
}

}  // namespace quorbelin::python
