#include "host/call_memory.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "host/array_storage.h"

namespace vostrel::memory {
namespace {

// Frame id 0 means "owned by no call": persistent, or made outside a call.
constexpr uint64_t noFrame = 0;

struct Registry {
    std::mutex mutex;
    std::unordered_map<void*, uint64_t> blocks;
    std::unordered_map<kvArray*, uint64_t> arrays;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

std::atomic<uint64_t> nextFrameId{1};
// Each thread takes frame ids from the shared counter this many at a time,
// so that a call's start costs no atomic operation.
constexpr uint64_t frameIdBatch = 1024;

// What one call made, so that its end visits only that. An entry may have
// been freed, made persistent or kept since; the registry says which.
struct FrameRecord {
    uint64_t id = noFrame;
    std::vector<void*> blocks;
    std::vector<kvArray*> arrays;
};

// Calls may nest (a host method running another call); the innermost owns
// what is made. Records above the current depth stay, lists and capacity
// included, for the next call at that depth: once a thread has made a call,
// the book-keeping of its calls allocates nothing more.
struct FrameStack {
    std::vector<FrameRecord> records;
    std::size_t depth = 0;
    uint64_t nextId = 0;
    uint64_t idLimit = 0;

    uint64_t takeId() {
        if (nextId == idLimit) {
            nextId = nextFrameId.fetch_add(frameIdBatch, std::memory_order_relaxed);
            idLimit = nextId + frameIdBatch;
        }
        return nextId++;
    }

    FrameRecord* top() { return depth == 0 ? nullptr : &records[depth - 1]; }
};

thread_local FrameStack frames;

uint64_t currentFrame() {
    const FrameRecord* top = frames.top();
    return top != nullptr ? top->id : noFrame;
}

// Frees what the frame made and still owns, and empties its lists. What is
// to be freed is gathered at the front of each list under the lock and freed
// after it.
void reclaim(FrameRecord& frame, uint64_t id) {
    std::size_t blockCount = 0;
    std::size_t arrayCount = 0;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        for (std::size_t i = 0; i < frame.blocks.size(); ++i) {
            auto it = r.blocks.find(frame.blocks[i]);
            if (it != r.blocks.end() && it->second == id) {
                r.blocks.erase(it);
                frame.blocks[blockCount++] = frame.blocks[i];
            }
        }
        for (std::size_t i = 0; i < frame.arrays.size(); ++i) {
            auto it = r.arrays.find(frame.arrays[i]);
            if (it != r.arrays.end() && it->second == id) {
                r.arrays.erase(it);
                frame.arrays[arrayCount++] = frame.arrays[i];
            }
        }
    }
    for (std::size_t i = 0; i < blockCount; ++i) {
        std::free(frame.blocks[i]);
    }
    for (std::size_t i = 0; i < arrayCount; ++i) {
        delete frame.arrays[i];
    }
    frame.blocks.clear();
    frame.arrays.clear();
}

}  // namespace

CallFrame::CallFrame() : id_(frames.takeId()) {
    if (frames.depth == frames.records.size()) {
        frames.records.emplace_back();
    }
    frames.records[frames.depth].id = id_;
    ++frames.depth;
}

CallFrame::~CallFrame() {
    // Frames end in reverse order of their start, also when unwinding.
    FrameRecord* frame = frames.top();
    if (frame == nullptr || frame->id != id_) {
        return;
    }
    --frames.depth;
    frame->id = noFrame;
    if (!frame->blocks.empty() || !frame->arrays.empty()) {
        reclaim(*frame, id_);
    }
}

void CallFrame::keepArrays(std::span<kvArray*> candidates) {
    const FrameRecord* frame = frames.top();
    if (frame != nullptr && frame->id == id_ && frame->arrays.empty()) {
        // The call made no array, so none of the candidates is its.
        std::fill(candidates.begin(), candidates.end(), nullptr);
        return;
    }
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (kvArray*& candidate : candidates) {
        auto it = r.arrays.find(candidate);
        if (it != r.arrays.end() && it->second == id_) {
            r.arrays.erase(it);
        } else {
            candidate = nullptr;
        }
    }
}

void* allocateBlock(std::size_t count, std::size_t size) {
    if (size != 0 && count > SIZE_MAX / size) {
        return nullptr;
    }
    // A zero-byte request still yields a distinct block, so that null always
    // means failure.
    const std::size_t bytes = count * size == 0 ? 1 : count * size;
    void* block = std::calloc(1, bytes);
    if (block == nullptr) {
        return nullptr;
    }
    const uint64_t frame = currentFrame();
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        r.blocks[block] = frame;
    }
    if (frame != noFrame) {
        try {
            frames.top()->blocks.push_back(block);
        } catch (const std::bad_alloc&) {
            releaseBlock(block);
            return nullptr;
        }
    }
    return block;
}

void releaseBlock(void* block) {
    if (block == nullptr) {
        return;
    }
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        if (r.blocks.erase(block) == 0) {
            return;  // not ours: freeing it would corrupt the heap
        }
    }
    std::free(block);
}

void makeBlockPersistent(void* block) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.blocks.find(block);
    if (it != r.blocks.end()) {
        it->second = noFrame;
    }
}

std::size_t liveBlockCount() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.blocks.size();
}

bool trackArray(kvArray* array) {
    const uint64_t frame = currentFrame();
    if (array == nullptr || frame == noFrame) {
        return true;
    }
    try {
        frames.top()->arrays.push_back(array);
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        r.arrays[array] = frame;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void forgetArray(kvArray* array) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.arrays.erase(array);
}

}  // namespace vostrel::memory
