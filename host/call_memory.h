// Per-call memory book-keeping of libkv. Every kivFunction call runs inside a
// CallFrame: kvCalloc blocks and kvCreateDoubleMatrix arrays made during the
// call belong to it and are reclaimed when it ends, normally or abandoned,
// except blocks made persistent and arrays the caller keeps. Memory made
// outside any call is never reclaimed automatically.
#ifndef QUORBELIN_HOST_CALL_MEMORY_H
#define QUORBELIN_HOST_CALL_MEMORY_H

#include <cstddef>
#include <cstdint>
#include <span>

struct kvArray;

namespace vostrel::memory {

class CallFrame {
public:
    CallFrame();
    // Reclaims every non-persistent kvCalloc block and every array made in
    // the call and not taken by keepArrays. A call that made neither costs
    // no lock and no allocation, start and end included.
    ~CallFrame();
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;

    // Each candidate stays when this call made it (the caller owns it from
    // now on) and becomes null otherwise.
    void keepArrays(std::span<kvArray*> candidates);

private:
    uint64_t id_;
};

// Zero-filled memory owned by the current call (or by nobody outside one);
// null on failure or when count * size overflows.
void* allocateBlock(std::size_t count, std::size_t size);
// Frees a block of either kind; ignores null and pointers it never gave out.
void releaseBlock(void* block);
// The block survives the current call; ignores unknown pointers.
void makeBlockPersistent(void* block);
std::size_t liveBlockCount();

// An array made by the block in the current call; false when the
// book-keeping itself runs out of memory.
bool trackArray(kvArray* array);
void forgetArray(kvArray* array);

}  // namespace vostrel::memory

#endif
