// Counts heap allocations made while counting is switched on. The validator
// switches it on only around the block's own output call, so whatever it
// counts the block (or a host service it called) allocated at run time.
// Allocations are seen only in a program that links the interposer
// (allocation_interposer.cpp): the allocation-check helper and nothing else.
#ifndef QUORBELIN_VALIDATOR_ALLOCATION_COUNTER_H
#define QUORBELIN_VALIDATOR_ALLOCATION_COUNTER_H

#include <cstdint>

namespace quorbelin::validator {

// Whether this process sees its allocations at all.
bool allocationCounterPresent();
// Resets the count and starts counting on this process's heap.
void startCountingAllocations();
// Stops counting and returns the number of malloc, calloc and realloc calls
// (and thereby operator new calls) since the start.
uint64_t stopCountingAllocations();

// For the interposer: it announces itself (with what installs its hooks,
// run once before the first count) and reports every allocation.
void announceAllocationCounter(void (*install)());
void noteAllocation();

}  // namespace quorbelin::validator

#endif
