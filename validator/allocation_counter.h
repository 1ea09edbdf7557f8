// Counts heap allocations made while counting is switched on. The validator
// switches it on only around the block's own output call, so whatever it
// counts the block (or a host service it called) allocated at run time.
#ifndef QUORBELIN_CLI_VALIDATE_ALLOCATION_COUNTER_H
#define QUORBELIN_CLI_VALIDATE_ALLOCATION_COUNTER_H

#include <cstdint>

namespace quorbelin::cli::validate {

// Resets the count and starts counting on this process's heap.
void startCountingAllocations();
// Stops counting and returns the number of malloc, calloc and realloc calls
// (and thereby operator new calls) since the start.
uint64_t stopCountingAllocations();

}  // namespace quorbelin::cli::validate

#endif
