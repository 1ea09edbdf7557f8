// quorbelin.analyze(): the accuracy figures of an interpolator, built by the
// tool's own analysis and JSON code, so the result is what
// `quorbelin analyze FILTER --json` prints.
#ifndef QUORBELIN_PYTHON_PYTHON_ANALYZE_H
#define QUORBELIN_PYTHON_PYTHON_ANALYZE_H

#include <pybind11/pybind11.h>

namespace quorbelin::python {

// Binds _analyze_json on the module.
void bindAnalyze(pybind11::module_& m);

}  // namespace quorbelin::python

#endif
