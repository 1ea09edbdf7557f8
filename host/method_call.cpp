// Registration and method calls on a host record.
#include "host/array_storage.h"
#include "host/call_wrapper.h"
#include "host/vostrel_host.h"

namespace vostrel {

SizeQueryResult registerBlock(const BlockLibrary& library, HostBlock& block) {
    const Array unused = Array::empty();
    const Array marker = block.marker();
    const Array flag = Array::scalar(0.0);
    std::vector<const kvArray*> rightArgs{unused.get(), marker.get(), unused.get(), flag.get()};
    for (const Array& parameter : block.parameters()) {
        rightArgs.push_back(parameter.get());
    }
    return sizeQuery(library, 1, std::move(rightArgs));
}

std::string callMethod(const BlockLibrary& library, HostBlock& block, double code, const MethodArgs& args) {
    // Made once per thread and reused: output calls come at every sample hit.
    struct Arguments {
        Array unused = Array::empty();
        Array flag = Array::scalar(0.0);
    };
    thread_local const Arguments arguments;
    arguments.flag.get()->real[0] = code;

    BlockRecord& record = block.record();
    record.sizes[methodArgument] = args.port;
    record.callArgs->valueArgument = args.value;
    record.callArgs->periodArgument = args.period;
    record.callArgs->offsetArgument = args.offset;
    record.callArgs->dimsArgument = args.dims;

    // On the stack: an output call comes at every sample hit and allocates
    // nothing here. Arrays the block makes are not results of a method call;
    // the call's frame reclaims them.
    kvArray* leftSlots[2] = {nullptr, reinterpret_cast<kvArray*>(&record)};
    const kvArray* unused = arguments.unused.get();
    const kvArray* rightArgs[4] = {unused, unused, unused, arguments.flag.get()};
    std::string abandonMessage;
    // A method call is not meant to end through kivErrMsgTxt; if it does,
    // its text is the failure to report.
    if (!invokeInPlace(library, -1, leftSlots, rightArgs, abandonMessage)) {
        return abandonMessage;
    }
    const BlockRecord* root = record.root != nullptr ? record.root : &record;
    return root->errorMessage != nullptr ? std::string(root->errorMessage) : std::string();
}

void clearError(HostBlock& block) {
    BlockRecord& record = block.record();
    record.errorMessage = nullptr;
    if (record.root != nullptr) {
        record.root->errorMessage = nullptr;
    }
}

}  // namespace vostrel
