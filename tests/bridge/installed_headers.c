/* A block written in C against the two installed headers: it must compile
 * under -std=c11 -Wall -Wextra -Werror -pedantic. */
#include "bridge/block_record.h"
#include "bridge/host_services.h"

static void computeOutputs(BlockRecord* record, int32_t task) {
    (void)task;
    const InputPortRecord* in = &record->inputPorts[0];
    OutputPortRecord* out = &record->outputPorts[0];
    const double gain = kvGetPr(record->params[0])[0];
    for (int32_t e = 0; e < out->width; ++e) {
        out->signal[e] = gain * in->signal[e][0];
    }
}

void kivFunction(int32_t leftCount, kvArray* leftResults[], int32_t rightCount, const kvArray* rightArgs[]);

void kivFunction(int32_t leftCount, kvArray* leftResults[], int32_t rightCount, const kvArray* rightArgs[]) {
    if (rightCount < 4) {
        kivErrMsgTxt("too few right hand arguments");
    }
    if (leftCount < 0) {
        BlockRecord* record = (BlockRecord*)leftResults[1];
        if (kvGetPr(rightArgs[3])[0] == computeOutputsCode) {
            computeOutputs(record, 0);
        }
        return;
    }
    kvArray* sizes = kvCreateDoubleMatrix(SIZES_WORD_COUNT, 1, COMPLEXITY_REAL);
    kvGetPr(sizes)[recordVersion] = RECORD_VERSION;
    leftResults[0] = sizes;
}
