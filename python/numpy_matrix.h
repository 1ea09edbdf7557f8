// Matrices between NumPy and the block's parameters: the block takes
// matrices column by column, NumPy hands them over in any layout.
#ifndef QUORBELIN_PYTHON_NUMPY_MATRIX_H
#define QUORBELIN_PYTHON_NUMPY_MATRIX_H

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <optional>

#include "cli/matrix.h"

namespace quorbelin::python {

using ColumnMajorArray = pybind11::array_t<double, pybind11::array::f_style | pybind11::array::forcecast>;

// A 2-D array as a matrix; ValueError for any other number of dimensions
// or more elements than the block's 32-bit sizes hold.
cli::Matrix toMatrix(const ColumnMajorArray& array);

// A matrix as a new (rows, columns) float64 array.
pybind11::array_t<double> toArray(const cli::Matrix& matrix);

// The interpolation filter: None or "linear" for linear interpolation, a
// design string ("sinc:32:64", "lagrange:3:32", ...), or a 2-D array of
// taps x phases. ValueError for any other text or a malformed design.
std::optional<cli::Matrix> filterFrom(const pybind11::object& filter);

}  // namespace quorbelin::python

#endif
