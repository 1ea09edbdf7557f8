// The compiled half of the `quorbelin` package: the streaming Delay, the
// whole-signal run and the filter designs, over the host API and the tool's
// own run code. The package's __init__.py checks and converts arguments and
// carries the documentation; what reaches this module is float64 arrays in
// the layouts below.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <exception>
#include <stdexcept>

#include "cli/delay_plan.h"
#include "cli/delay_stream.h"
#include "cli/errors.h"
#include "cli/filter_design.h"
#include "host/simulation.h"
#include "python/delay_block_library.h"
#include "python/numpy_matrix.h"
#include "python/python_run.h"
#include "python/streaming_delay.h"

namespace py = pybind11;

namespace quorbelin::python {
namespace {

using RowArray = py::array_t<double, py::array::c_style | py::array::forcecast>;

PyObject* blockErrorType = nullptr;

// Messages of the block and refusals of the host raise BlockError; values
// the run cannot take raise ValueError.
void translateErrors(std::exception_ptr error) {
    try {
        if (error) {
            std::rethrow_exception(error);
        }
    } catch (const vostrel::SimulationError& e) {
        PyErr_SetString(blockErrorType, e.what());
    } catch (const vostrel::HostError& e) {
        PyErr_SetString(blockErrorType, e.what());
    } catch (const cli::UsageError& e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const cli::FileError& e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const cli::MemoryLimitError& e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    }
}

std::span<const double> valuesOf(const RowArray& array) {
    return {array.data(), static_cast<std::size_t>(array.size())};
}

void bindStreamingDelay(py::module_& m) {
    py::class_<StreamingDelay>(m, "_Delay")
        .def(py::init([](int32_t channels, double maxDelay, const py::object& filter, const ColumnMajorArray& ic,
                         bool perChannel, bool complex, std::optional<uint64_t> memoryLimit) {
                 StreamingDelaySettings settings;
                 settings.channels = channels;
                 settings.complex = complex;
                 settings.block.maxDelay = maxDelay;
                 settings.block.filter = filterFrom(filter);
                 settings.block.initialConditions = toMatrix(ic);
                 settings.block.channels = channels;
                 settings.block.perChannel = perChannel;
                 settings.memoryLimit = memoryLimit.value_or(cli::defaultMemoryLimit());
                 const vostrel::BlockLibrary& library = delayBlockLibrary();
                 py::gil_scoped_release release;
                 return new StreamingDelay(library, std::move(settings));
             }),
             py::arg("channels"), py::arg("max_delay"), py::arg("filter"), py::arg("ic"), py::arg("per_channel"),
             py::arg("complex"), py::arg("memory_limit"))
        .def(
            "process",
            [](StreamingDelay& self, const RowArray& x, const RowArray& delays) {
                if (x.ndim() != 2 || static_cast<std::size_t>(x.shape(1)) != self.valuesPerRow()) {
                    throw std::invalid_argument("the signal block has the wrong number of channels");
                }
                const std::size_t rows = static_cast<std::size_t>(x.shape(0));
                RowArray output({x.shape(0), x.shape(1)});
                const std::span<double> out(output.mutable_data(), static_cast<std::size_t>(output.size()));
                {
                    py::gil_scoped_release release;
                    self.process(valuesOf(x), rows, valuesOf(delays), out);
                }
                return output;
            },
            py::arg("x"), py::arg("delays"))
        .def("reset", &StreamingDelay::reset, py::call_guard<py::gil_scoped_release>())
        .def("close", &StreamingDelay::close, py::call_guard<py::gil_scoped_release>())
        .def_property_readonly("closed", &StreamingDelay::closed);
}

}  // namespace
}  // namespace quorbelin::python

PYBIND11_MODULE(_quorbelin, m) {
    using namespace quorbelin;
    m.doc() = "The compiled part of the quorbelin package; use the package itself.";
    m.attr("__version__") = QUORBELIN_VERSION;
    python::blockErrorType =
        py::register_exception<cli::BlockError>(m, "BlockError", PyExc_RuntimeError).ptr();
    py::register_exception_translator(&python::translateErrors);

    python::bindStreamingDelay(m);
    python::bindRun(m);

    m.def(
        "design_filter",
        [](const std::string& design) {
            const std::optional<cli::FilterDesign> parsed = cli::parseFilterDesign(design);
            if (!parsed) {
                throw std::invalid_argument("'" + design + "' is not a filter design: expected "
                                            "lagrange:ORDER:PHASES or sinc:TAPS:PHASES[:BETA]");
            }
            return python::toArray(cli::designFilter(*parsed));
        },
        py::arg("design"));
    m.def("_live_host_allocations", &vostrel::liveCallocBlocks);
}
