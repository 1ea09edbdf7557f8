// The host's call wrapper around kivFunction, and the size queries built on
// it.
#include <exception>
#include <span>
#include <string>

#include "host/call_abandoned.h"
#include "host/call_memory.h"
#include "host/call_wrapper.h"
#include "host/vostrel_host.h"

namespace vostrel {

std::size_t liveCallocBlocks() { return memory::liveBlockCount(); }

namespace {

// The block writes slot 0 in a size query even for a left-hand count of 0
// and reads slot 1 in a method call: both always exist.
std::size_t slotCountFor(int32_t leftCount) { return leftCount > 2 ? static_cast<std::size_t>(leftCount) : 2; }

// Calls the entry point inside the caller's frame; false when the call was
// abandoned, with its text in abandonMessage.
bool callEntry(const BlockLibrary& library, int32_t leftCount, kvArray** leftSlots,
               std::span<const kvArray*> rightArgs, std::string& abandonMessage) {
    try {
        library.entry()(leftCount, leftSlots, static_cast<int32_t>(rightArgs.size()), rightArgs.data());
    } catch (const CallAbandoned& abandoned) {
        abandonMessage = abandoned.message();
        return false;
    } catch (const std::exception& error) {
        throw HostError("block \"" + library.blockName() + "\" raised an exception: " + error.what());
    } catch (...) {
        throw HostError("block \"" + library.blockName() + "\" raised an unknown exception");
    }
    return true;
}

}  // namespace

CallOutcome invoke(const BlockLibrary& library, int32_t leftCount, std::vector<kvArray*> leftSlots,
                   std::vector<const kvArray*> rightArgs) {
    const std::size_t slotCount = slotCountFor(leftCount);
    if (leftSlots.size() < slotCount) {
        leftSlots.resize(slotCount, nullptr);
    }
    const std::vector<kvArray*> passedIn = leftSlots;
    CallOutcome outcome;
    memory::CallFrame frame;
    if (!callEntry(library, leftCount, leftSlots.data(), rightArgs, outcome.message)) {
        outcome.abandoned = true;
        return outcome;  // the frame reclaims everything the call made
    }
    // Only arrays the call made and left in a slot are results; a slot may
    // also hold what the host put there (the record of a method call).
    for (std::size_t i = 0; i < leftSlots.size(); ++i) {
        if (leftSlots[i] == passedIn[i]) {
            leftSlots[i] = nullptr;
        }
    }
    frame.keepArrays(leftSlots);
    for (kvArray* kept : leftSlots) {
        outcome.leftResults.push_back(Array::adopt(kept));
    }
    return outcome;
}

bool invokeInPlace(const BlockLibrary& library, int32_t leftCount, std::span<kvArray*> leftSlots,
                   std::span<const kvArray*> rightArgs, std::string& abandonMessage) {
    if (leftSlots.size() < slotCountFor(leftCount)) {
        throw HostError("a call with " + std::to_string(leftCount) + " left-hand results needs " +
                        std::to_string(slotCountFor(leftCount)) + " slots, not " +
                        std::to_string(leftSlots.size()));
    }
    memory::CallFrame frame;
    return callEntry(library, leftCount, leftSlots.data(), rightArgs, abandonMessage);
}

SizeQueryResult sizeQuery(const BlockLibrary& library, int32_t leftCount,
                          std::vector<const kvArray*> rightArgs) {
    CallOutcome outcome = invoke(library, leftCount, {}, std::move(rightArgs));
    SizeQueryResult result;
    result.abandoned = outcome.abandoned;
    result.message = std::move(outcome.message);
    if (!outcome.abandoned && !outcome.leftResults.empty()) {
        result.sizes = outcome.leftResults[0].real();
    }
    return result;
}

SizeQueryResult plainSizeQuery(const BlockLibrary& library, const std::vector<const kvArray*>& parameters) {
    const Array unused = Array::empty();
    const Array flag = Array::scalar(0.0);
    std::vector<const kvArray*> rightArgs{unused.get(), unused.get(), unused.get(), flag.get()};
    rightArgs.insert(rightArgs.end(), parameters.begin(), parameters.end());
    return sizeQuery(library, 1, std::move(rightArgs));
}

}  // namespace vostrel
