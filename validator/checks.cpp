#include "cli/validate_checks.h"

namespace quorbelin::cli::validate {

const std::vector<Check>& allChecks() {
    static const std::vector<Check> checks = [] {
        std::vector<Check> all;
        for (auto group : {interfaceChecks, dispatchChecks, negotiationChecks, outputChecks, memoryChecks}) {
            const std::vector<Check> members = group();
            all.insert(all.end(), members.begin(), members.end());
        }
        return all;
    }();
    return checks;
}

std::unique_ptr<vostrel::BlockLibrary> loadForCheck(const CheckContext& context) {
    try {
        return std::make_unique<vostrel::BlockLibrary>(context.libraryPath);
    } catch (const vostrel::HostError&) {
        throw CheckSkipped("the library does not load (see load.immediate-binding)");
    }
}

}  // namespace quorbelin::cli::validate
