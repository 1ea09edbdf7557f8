// The host's call wrapper around kivFunction, and the size queries built on
// it.
#include <exception>

#include "host/call_abandoned.h"
#include "host/call_memory.h"
#include "host/vostrel_host.h"

namespace vostrel {

std::size_t liveCallocBlocks() { return memory::liveBlockCount(); }

CallOutcome invoke(const BlockLibrary& library, int32_t leftCount, std::vector<kvArray*> leftSlots,
                   std::vector<const kvArray*> rightArgs) {
    // The block writes slot 0 in a size query even for a left-hand count of
    // 0 and reads slot 1 in a method call: both always exist.
    const std::size_t slotCount = leftCount > 2 ? static_cast<std::size_t>(leftCount) : 2;
    if (leftSlots.size() < slotCount) {
        leftSlots.resize(slotCount, nullptr);
    }
    const std::vector<kvArray*> passedIn = leftSlots;
    CallOutcome outcome;
    memory::CallFrame frame;
    try {
        library.entry()(leftCount, leftSlots.data(), static_cast<int32_t>(rightArgs.size()),
                        rightArgs.data());
    } catch (const CallAbandoned& abandoned) {
        outcome.abandoned = true;
        outcome.message = abandoned.message();
        return outcome;  // the frame reclaims everything the call made
    } catch (const std::exception& error) {
        throw HostError("block \"" + library.blockName() + "\" raised an exception: " + error.what());
    } catch (...) {
        throw HostError("block \"" + library.blockName() + "\" raised an unknown exception");
    }
    // Only arrays the call made and left in a slot are results; a slot may
    // also hold what the host put there (the record of a method call).
    std::vector<kvArray*> candidates(leftSlots.size(), nullptr);
    for (std::size_t i = 0; i < leftSlots.size(); ++i) {
        if (leftSlots[i] != passedIn[i]) {
            candidates[i] = leftSlots[i];
        }
    }
    for (kvArray* kept : frame.keepArrays(candidates)) {
        outcome.leftResults.push_back(Array::adopt(kept));
    }
    return outcome;
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
