// A block that needs a service no host provides: loading must fail and say
// which.
#include <cstdint>

struct kvArray;
extern "C" void kvServiceThatDoesNotExist(void);

extern "C" __attribute__((visibility("default"))) void kivFunction(int32_t, kvArray**, int32_t, const kvArray**) {
    kvServiceThatDoesNotExist();
}
