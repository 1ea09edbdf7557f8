#include "bridge/vostrel.h"

#include "bridge/method_dispatch.h"
#include "bridge/size_query.h"

extern "C" void kivFunction(int32_t leftCount, kvArray* leftResults[], int32_t rightCount,
                            const kvArray* rightArgs[]) {
    if (leftCount < 0) {
        quorbelin::handleMethodCall(leftResults, rightCount, rightArgs);
    } else {
        quorbelin::handleSizeQuery(leftCount, leftResults, rightCount, rightArgs);
    }
}
