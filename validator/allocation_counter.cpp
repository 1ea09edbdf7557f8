#include "validator/allocation_counter.h"

#include <atomic>
#include <mutex>

namespace quorbelin::validator {
namespace {

// Constant-initialised: the interposer may report before any constructor ran.
std::atomic<bool> counting{false};
std::atomic<uint64_t> allocations{0};
std::atomic<void (*)()> installer{nullptr};

}  // namespace

void announceAllocationCounter(void (*install)()) { installer.store(install); }

bool allocationCounterPresent() { return installer.load() != nullptr; }

void noteAllocation() {
    if (counting.load(std::memory_order_relaxed)) {
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
}

void startCountingAllocations() {
    static std::once_flag installed;
    if (void (*install)() = installer.load()) {
        std::call_once(installed, install);
    }
    allocations.store(0);
    counting.store(true);
}

uint64_t stopCountingAllocations() {
    counting.store(false);
    return allocations.load();
}

}  // namespace quorbelin::validator
