#include "host/array_storage.h"

#include <limits>
#include <new>

#include "host/call_memory.h"

namespace vostrel::storage {

bool holdsData(ArrayClass arrayClass) { return arrayClass != ArrayClass::Cell; }

int64_t elementCount(std::span<const int32_t> dims) {
    int64_t count = 1;
    for (int32_t dim : dims) {
        if (dim < 0) {
            return -1;
        }
        count *= dim;
        if (count > std::numeric_limits<int32_t>::max()) {
            return -1;
        }
    }
    return count;
}

std::vector<int32_t> normaliseDimensions(std::vector<int32_t> dims) {
    while (dims.size() > 2 && dims.back() == 1) {
        dims.pop_back();
    }
    return dims;
}

kvArray* createArray(ArrayClass arrayClass, std::vector<int32_t> dims, bool complex) {
    if (dims.size() < 2) {
        return nullptr;
    }
    const int64_t count = elementCount(dims);
    if (count < 0) {
        return nullptr;
    }
    try {
        auto* array = new kvArray;
        array->arrayClass = arrayClass;
        array->dims = normaliseDimensions(std::move(dims));
        array->elements = static_cast<int32_t>(count);
        array->complex = complex;
        if (holdsData(arrayClass)) {
            array->real.assign(static_cast<std::size_t>(count), 0.0);
            if (complex) {
                array->imag.assign(static_cast<std::size_t>(count), 0.0);
            }
        }
        return array;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void destroyArray(kvArray* array) {
    if (array == nullptr) {
        return;
    }
    memory::forgetArray(array);
    delete array;
}

}  // namespace vostrel::storage
