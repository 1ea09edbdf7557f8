// The size query with any argument count, any classes, shapes and values,
// and sometimes a real host record with any name: it answers with 38 sizes
// or abandons the call with a message, and never does anything else.
#include <cstdlib>

#include "fuzz/fuzz_arrays.h"

namespace {

const vostrel::BlockLibrary& block() {
    static const vostrel::BlockLibrary library(QUORBELIN_BLOCK_PATH);
    return library;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider bytes(data, size);
    const int32_t leftCount = bytes.ConsumeIntegralInRange<int32_t>(0, 3);
    const int rightCount = bytes.ConsumeIntegralInRange<int>(0, 10);
    const bool hostRecord = bytes.ConsumeBool();
    std::string name = block().blockName();
    if (bytes.ConsumeBool()) {
        name = bytes.ConsumeRandomLengthString(300);
    }
    vostrel::HostBlock record(name);

    std::vector<vostrel::Array> arrays;
    for (int i = 0; i < rightCount; ++i) {
        if (i == 3 && bytes.ConsumeBool()) {
            arrays.push_back(vostrel::Array::scalar(0.0));  // a valid FLAG reaches the later steps
        } else if (i == 1 && hostRecord) {
            arrays.push_back(record.marker());
        } else {
            arrays.push_back(quorbelin::fuzzing::anyArray(bytes));
            quorbelin::fuzzing::neverAMarker(arrays.back());
        }
    }
    std::vector<const kvArray*> rightArgs;
    for (const vostrel::Array& array : arrays) {
        rightArgs.push_back(array.get());
    }
    const vostrel::SizeQueryResult result = vostrel::sizeQuery(block(), leftCount, rightArgs);
    if (!result.abandoned && result.sizes.size() != SIZES_WORD_COUNT) {
        std::abort();  // a completed size query always returns the SizesVector
    }
    if (result.abandoned && result.message.empty()) {
        std::abort();
    }
    return 0;
}
