// A real matrix stored column by column (element (r, c) at r + c * rows), the
// layout of host arrays.
#ifndef QUORBELIN_CLI_MATRIX_H
#define QUORBELIN_CLI_MATRIX_H

#include <cstdint>
#include <vector>

namespace quorbelin::cli {

struct Matrix {
    int32_t rows = 0;
    int32_t columns = 0;
    std::vector<double> columnMajor;

    double operator()(int32_t row, int32_t column) const {
        return columnMajor[static_cast<std::size_t>(row) + static_cast<std::size_t>(column) * rows];
    }
};

}  // namespace quorbelin::cli

#endif
