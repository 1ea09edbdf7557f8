#include "bridge/size_query.h"

#include <cstring>

#include "bridge/abandon_call.h"
#include "bridge/block_identity.h"
#include "bridge/block_record.h"
#include "bridge/host_record_marker.h"
#include "bridge/int32_conversion.h"
#include "bridge/method_installation.h"
#include "bridge/stand_alone_record.h"
#include "bridge/vostrel_messages.h"
#include "config/declare_sizes.h"

namespace quorbelin {

namespace {

constexpr int32_t sizesVectorLength = SIZES_WORD_COUNT;
// Words the SizesVector carries as unsigned 32-bit integers.
constexpr int unsignedSizesWords[] = {15, 16, 17, 18, options};

// FLAG must be one real numeric element whose value is a 32-bit integer.
int32_t checkedSizeQueryFlag(const kvArray* flag) {
    if (flag == nullptr) {
        abandonCallWith(messages::flagNotInteger, entryLabel);
    }
    const int64_t elements = static_cast<int64_t>(kvGetN(flag)) * kvGetM(flag);
    if (elements != 1 || kvIsComplex(flag) || !kvIsNumeric(flag)) {
        abandonCallWith(messages::flagNotInteger, entryLabel);
    }
    const double* data = kvGetPr(flag);
    if (data == nullptr || !isInt32(data[0])) {
        abandonCallWith(messages::flagNotInteger, entryLabel);
    }
    return truncateToInt32(data[0]);
}

void checkBlockName(const BlockRecord* record) {
    const char* hostName = record->blockName != nullptr ? record->blockName : "";
    if (std::strcmp(hostName, compiledBlockName) != 0) {
        abandonCallWith(messages::nameMismatch, compiledBlockName, hostName);
    }
}

void writeSizesVector(BlockRecord* record, kvArray* leftResults[]) {
    if (leftResults == nullptr) {
        return;
    }
    kvArray* sizesVector = kvCreateDoubleMatrix(sizesVectorLength, 1, 0);
    leftResults[0] = sizesVector;
    double* elements = kvGetPr(sizesVector);
    for (int32_t i = 0; i < sizesVectorLength; ++i) {
        elements[i] = record->sizes[i];
    }
    record->sizes[options] = static_cast<int32_t>(
        static_cast<uint32_t>(record->sizes[options]) | OPTIONS_SIZE_QUERY_DONE);
    for (int index : unsignedSizesWords) {
        elements[index] = static_cast<uint32_t>(record->sizes[index]);
    }
}

}  // namespace

void handleSizeQuery(int32_t leftCount, kvArray* leftResults[], int32_t rightCount,
                     const kvArray* rightArgs[]) {
    if (rightCount < 4 || rightArgs == nullptr) {
        abandonCallWith(messages::tooFewRightArguments, entryLabel);
    }
    if (leftCount > 1) {
        abandonCallWith(messages::tooManyLeftArguments, entryLabel);
    }
    if (checkedSizeQueryFlag(rightArgs[3]) != 0) {
        abandonCallWith(messages::invalidSizeQueryFlag, entryLabel);
    }

    BlockRecord* record = hostRecordFromMarker(rightArgs[1]);
    if (record != nullptr) {
        checkBlockName(record);
        installBlockMethods(record);
    } else {
        record = createStandAloneRecord(rightCount, rightArgs);
    }
    record->sizes[recordVersion] = RECORD_VERSION;
    // A message the declaration stores stays in the record; the query still
    // answers with the sizes.
    mdlDeclareSizes(record);
    writeSizesVector(record, leftResults);
}

}  // namespace quorbelin
