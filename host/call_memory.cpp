#include "host/call_memory.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
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
// Calls may nest (a host method running another call); the innermost owns
// what is made.
thread_local std::vector<uint64_t> frameStack;

uint64_t currentFrame() { return frameStack.empty() ? noFrame : frameStack.back(); }

}  // namespace

CallFrame::CallFrame() : id_(nextFrameId.fetch_add(1)) { frameStack.push_back(id_); }

CallFrame::~CallFrame() {
    std::vector<void*> blocks;
    std::vector<kvArray*> arrays;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        for (auto it = r.blocks.begin(); it != r.blocks.end();) {
            if (it->second == id_) {
                blocks.push_back(it->first);
                it = r.blocks.erase(it);
            } else {
                ++it;
            }
        }
        for (auto it = r.arrays.begin(); it != r.arrays.end();) {
            if (it->second == id_) {
                arrays.push_back(it->first);
                it = r.arrays.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (void* block : blocks) {
        std::free(block);
    }
    for (kvArray* array : arrays) {
        delete array;
    }
    // Frames end in reverse order of their start, also when unwinding.
    if (!frameStack.empty() && frameStack.back() == id_) {
        frameStack.pop_back();
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
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.blocks[block] = currentFrame();
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

void trackArray(kvArray* array) {
    const uint64_t frame = currentFrame();
    if (array == nullptr || frame == noFrame) {
        return;
    }
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.arrays[array] = frame;
}

void forgetArray(kvArray* array) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.arrays.erase(array);
}

}  // namespace vostrel::memory
