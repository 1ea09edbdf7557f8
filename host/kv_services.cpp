// libkv: the array services a block calls. Every one of them answers a null
// array with 0 or null instead of crashing.
#include <limits>

#include "bridge/host_services.h"
#include "host/array_storage.h"
#include "host/call_memory.h"

namespace {

// Arrays without elements, and cell arrays, have no data to point at.
double* dataOf(const kvArray* array, const std::vector<double>& part) {
    if (array == nullptr || part.empty()) {
        return nullptr;
    }
    return const_cast<double*>(part.data());
}

int32_t countAsInt32(int64_t count) { return count < 0 ? 0 : static_cast<int32_t>(count); }

}  // namespace

extern "C" {

double* kvGetPr(const kvArray* array) { return array ? dataOf(array, array->real) : nullptr; }

double* kvGetPi(const kvArray* array) { return array ? dataOf(array, array->imag) : nullptr; }

int32_t kvGetM(const kvArray* array) { return array ? array->dims[0] : 0; }

// Columns of an N-d array: the product of every dimension from the second on.
int32_t kvGetN(const kvArray* array) {
    if (array == nullptr) {
        return 0;
    }
    return countAsInt32(vostrel::storage::elementCount(std::span(array->dims).subspan(1)));
}

int32_t kvGetNumberOfElements(const kvArray* array) {
    return array ? array->elements : 0;
}

int32_t kvGetNumberOfDimensions(const kvArray* array) {
    return array ? static_cast<int32_t>(array->dims.size()) : 0;
}

const int32_t* kvGetDimensions(const kvArray* array) { return array ? array->dims.data() : nullptr; }

// A missing array has no elements, so it counts as empty.
uint8_t kvIsEmpty(const kvArray* array) { return kvGetNumberOfElements(array) == 0 ? 1 : 0; }

uint8_t kvIsDouble(const kvArray* array) {
    return array && array->arrayClass == vostrel::ArrayClass::Double ? 1 : 0;
}

uint8_t kvIsComplex(const kvArray* array) { return array && array->complex ? 1 : 0; }

uint8_t kvIsNumeric(const kvArray* array) {
    if (array == nullptr) {
        return 0;
    }
    switch (array->arrayClass) {
        case vostrel::ArrayClass::Logical:
        case vostrel::ArrayClass::Text:
        case vostrel::ArrayClass::Cell:
            return 0;
        default:
            return 1;
    }
}

double kvGetInf(void) { return std::numeric_limits<double>::infinity(); }

void* kvCalloc(size_t count, size_t size) { return vostrel::memory::allocateBlock(count, size); }

void kvFree(void* block) { vostrel::memory::releaseBlock(block); }

// Null for negative sizes or more elements than a 32-bit count holds. Made
// during a call, the array is reclaimed at its end unless it is returned in a
// left-hand slot.
kvArray* kvCreateDoubleMatrix(int32_t rows, int32_t columns, int32_t complexity) {
    kvArray* array = vostrel::storage::createArray(vostrel::ArrayClass::Double, {rows, columns},
                                                   complexity != 0);
    if (!vostrel::memory::trackArray(array)) {
        vostrel::storage::destroyArray(array);
        return nullptr;
    }
    return array;
}

}  // extern "C"
