// Two ways to see every allocation: under AddressSanitizer its allocator
// hooks, otherwise a thin interposer on glibc's malloc family that forwards
// to the real allocator. The interposer sits in the executable, so the block
// library and libstdc++ bind to it as well; only the allocation-check
// helper links this file.
#include "validator/allocation_counter.h"

#include <atomic>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define QUORBELIN_COUNT_WITH_SANITIZER_HOOKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORBELIN_COUNT_WITH_SANITIZER_HOOKS 1
#endif
#endif

#ifdef QUORBELIN_COUNT_WITH_SANITIZER_HOOKS
// The sanitizer runtime's hook service (GCC ships no header for it).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, std::size_t),
                                                         void (*onFree)(const volatile void*));
#endif

using quorbelin::validator::noteAllocation;

#ifdef QUORBELIN_COUNT_WITH_SANITIZER_HOOKS

namespace {

void onMalloc(const volatile void*, std::size_t) { noteAllocation(); }
void onFree(const volatile void*) {}

void installHooks() { __sanitizer_install_malloc_and_free_hooks(&onMalloc, &onFree); }

}  // namespace

#else

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);

void* malloc(std::size_t size) {
    noteAllocation();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
    noteAllocation();
    return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) {
    noteAllocation();
    return __libc_realloc(block, size);
}
}

namespace {
void installHooks() {}  // the interposer counts from the start
}  // namespace

#endif

namespace {

// Announced before main: the counter knows it is present from the start.
[[maybe_unused]] const bool announced = [] {
    quorbelin::validator::announceAllocationCounter(&installHooks);
    return true;
}();

}  // namespace
