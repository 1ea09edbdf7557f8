// vostrel::Array: host arrays as the host builds them for a block.
#include <cmath>
#include <limits>
#include <utility>

#include "host/array_storage.h"
#include "host/vostrel_host.h"

namespace vostrel {
namespace {

// What a value becomes once stored in the class: integer classes round half
// away from zero and saturate, single rounds to float precision, logical
// keeps 0 and 1.
double storedValue(ArrayClass arrayClass, double value) {
    auto integer = [value](double low, double high) {
        if (std::isnan(value)) {
            return 0.0;
        }
        const double rounded = std::round(value);
        return rounded < low ? low : (rounded > high ? high : rounded);
    };
    switch (arrayClass) {
        case ArrayClass::Single:
            return static_cast<double>(static_cast<float>(value));
        case ArrayClass::Int8: return integer(-128.0, 127.0);
        case ArrayClass::UInt8: return integer(0.0, 255.0);
        case ArrayClass::Int16: return integer(-32768.0, 32767.0);
        case ArrayClass::UInt16: return integer(0.0, 65535.0);
        case ArrayClass::Int32: return integer(-2147483648.0, 2147483647.0);
        case ArrayClass::UInt32: return integer(0.0, 4294967295.0);
        case ArrayClass::Int64: return integer(-9223372036854775808.0, 9223372036854775807.0);
        case ArrayClass::UInt64: return integer(0.0, 18446744073709551615.0);
        case ArrayClass::Logical: return value != 0.0 ? 1.0 : 0.0;
        default: return value;
    }
}

void storeValues(ArrayClass arrayClass, std::vector<double>& target, std::vector<double>&& values,
                 const char* part) {
    if (values.empty()) {
        return;  // zero-filled
    }
    if (values.size() != target.size()) {
        throw HostError(std::string("array ") + part + " data hold " + std::to_string(values.size()) +
                        " values for " + std::to_string(target.size()) + " elements");
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        target[i] = storedValue(arrayClass, values[i]);
    }
}

}  // namespace

Array::~Array() { storage::destroyArray(array_); }

Array::Array(Array&& other) noexcept : array_(std::exchange(other.array_, nullptr)) {}

Array& Array::operator=(Array&& other) noexcept {
    if (this != &other) {
        storage::destroyArray(array_);
        array_ = std::exchange(other.array_, nullptr);
    }
    return *this;
}

Array Array::matrix(int32_t rows, int32_t columns, std::vector<double> real, std::vector<double> imag) {
    if (rows < 0 || columns < 0) {
        throw HostError("array dimensions must not be negative");
    }
    const int64_t count = static_cast<int64_t>(rows) * columns;
    if (static_cast<int64_t>(real.size()) != count) {
        throw HostError("a " + std::to_string(rows) + " x " + std::to_string(columns) +
                        " matrix needs " + std::to_string(count) + " real values, not " +
                        std::to_string(real.size()));
    }
    return withClass(ArrayClass::Double, {rows, columns}, std::move(real), std::move(imag));
}

Array Array::scalar(double value) { return matrix(1, 1, {value}); }

Array Array::complexScalar(double real, double imag) { return matrix(1, 1, {real}, {imag}); }

Array Array::empty(ArrayClass arrayClass) { return withClass(arrayClass, {0, 0}); }

Array Array::withClass(ArrayClass arrayClass, std::vector<int32_t> dims, std::vector<double> real,
                       std::vector<double> imag) {
    if (dims.size() < 2) {
        throw HostError("an array has at least two dimensions");
    }
    if (storage::elementCount(dims) < 0) {
        throw HostError("array dimensions must not be negative and must hold at most 2^31 - 1 elements");
    }
    if (!storage::holdsData(arrayClass) && (!real.empty() || !imag.empty())) {
        throw HostError("a cell array holds no numeric data");
    }
    const bool complex = !imag.empty();
    if (complex && (arrayClass == ArrayClass::Text || arrayClass == ArrayClass::Logical)) {
        throw HostError("text and logical arrays cannot be complex");
    }
    kvArray* array = storage::createArray(arrayClass, std::move(dims), complex);
    if (array == nullptr) {
        throw HostError("out of memory for a host array");
    }
    Array result(array);
    storeValues(arrayClass, array->real, std::move(real), "real");
    storeValues(arrayClass, array->imag, std::move(imag), "imaginary");
    return result;
}

Array Array::text(const std::string& characters) {
    if (characters.empty()) {
        return empty(ArrayClass::Text);
    }
    if (characters.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
        throw HostError("text too long for a host array");
    }
    std::vector<double> codes;
    codes.reserve(characters.size());
    for (unsigned char c : characters) {
        codes.push_back(static_cast<double>(c));
    }
    return withClass(ArrayClass::Text, {1, static_cast<int32_t>(characters.size())}, std::move(codes));
}

Array Array::cell(int32_t rows, int32_t columns) { return withClass(ArrayClass::Cell, {rows, columns}); }

Array Array::adopt(kvArray* array) { return Array(array); }

std::vector<double> Array::real() const { return array_ ? array_->real : std::vector<double>{}; }

std::vector<double> Array::imag() const { return array_ ? array_->imag : std::vector<double>{}; }

}  // namespace vostrel
