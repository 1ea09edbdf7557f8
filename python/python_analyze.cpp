#include "python/python_analyze.h"

#include <pybind11/stl.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/analyze_command.h"
#include "cli/design_search.h"
#include "cli/filter_design.h"
#include "python/numpy_matrix.h"

namespace py = pybind11;

namespace quorbelin::python {

namespace {

// A filter named by text: "linear", a design or an auto design. Unlike the
// tool, a text is never read as a file name; arrays come as arrays.
bool namesFilter(const std::string& text) {
    return text == "linear" || cli::parseFilterDesign(text) || cli::parseAutoDesign(text);
}

}  // namespace

void bindAnalyze(py::module_& m) {
    m.def(
        "_analyze_json",
        [](const py::object& filter, const std::vector<double>& bands) {
            cli::checkAnalysisBands(bands);
            std::optional<std::string> name;
            cli::NamedFilter resolved;
            if (py::isinstance<py::str>(filter)) {
                name = filter.cast<std::string>();
                if (!namesFilter(*name)) {
                    throw std::invalid_argument("filter '" + *name + "' is neither \"linear\" nor a design " +
                                                "(lagrange:ORDER:PHASES, sinc:TAPS:PHASES[:BETA], "
                                                "ls:TAPS:PHASES:BAND or auto:SNR_DB:BAND)");
                }
            } else {
                resolved.matrix = toMatrix(filter.cast<ColumnMajorArray>());
            }
            py::gil_scoped_release release;
            if (name) {
                resolved = cli::resolveNamedFilter(*name);  // an auto design searches here
            }
            return cli::analysisJson(cli::analysisReportFor(name.value_or("filter"), resolved, bands));
        },
        py::arg("filter"), py::arg("bands"));
}

}  // namespace quorbelin::python
