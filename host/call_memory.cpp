#include "host/call_memory.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_map>

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

// What one call made, so that its end visits only that. An entry may have
// been freed, made persistent or kept since; the registry says which.
struct FrameRecord {
    uint64_t id;
    std::vector<void*> blocks;
    std::vector<kvArray*> arrays;
};

// Calls may nest (a host method running another call); the innermost owns
// what is made.
thread_local std::vector<FrameRecord> frameStack;

uint64_t currentFrame() { return frameStack.empty() ? noFrame : frameStack.back().id; }

}  // namespace

CallFrame::CallFrame() : id_(nextFrameId.fetch_add(1)) { frameStack.push_back(FrameRecord{id_, {}, {}}); }

CallFrame::~CallFrame() {
    // Frames end in reverse order of their start, also when unwinding.
    if (frameStack.empty() || frameStack.back().id != id_) {
        return;
    }
    FrameRecord frame = std::move(frameStack.back());
    frameStack.pop_back();
    std::vector<void*> blocks;
    std::vector<kvArray*> arrays;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        for (void* block : frame.blocks) {
            auto it = r.blocks.find(block);
            if (it != r.blocks.end() && it->second == id_) {
                blocks.push_back(block);
                r.blocks.erase(it);
            }
        }
        for (kvArray* array : frame.arrays) {
            auto it = r.arrays.find(array);
            if (it != r.arrays.end() && it->second == id_) {
                arrays.push_back(array);
                r.arrays.erase(it);
            }
        }
    }
    for (void* block : blocks) {
        std::free(block);
    }
    for (kvArray* array : arrays) {
        delete array;
    }
}

std::vector<kvArray*> CallFrame::keepArrays(const std::vector<kvArray*>& candidates) {
    std::vector<kvArray*> kept(candidates.size(), nullptr);
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        auto it = r.arrays.find(candidates[i]);
        if (it != r.arrays.end() && it->second == id_) {
            kept[i] = candidates[i];
            r.arrays.erase(it);
        }
    }
    return kept;
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
            frameStack.back().blocks.push_back(block);
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
        frameStack.back().arrays.push_back(array);
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
