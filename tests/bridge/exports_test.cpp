// The block library's binary interface: kivFunction is its only defined
// dynamic symbol, and the host services stay undefined for the loading
// process to provide.
#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "tests/bridge/block_fixture.h"

namespace quorbelin::testing {
namespace {

// The symbol names that `nm -D` lists with the given option.
std::set<std::string> dynamicSymbols(const std::string& option) {
    const std::string command = "nm -D " + option + " '" + std::string(blockLibraryPath()) + "'";
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr) << command;
    std::set<std::string> names;
    if (pipe == nullptr) {
        return names;
    }
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream fields(line);
        std::string field;
        std::string last;
        while (fields >> field) {
            last = field;
        }
        // Versioned names read name@VERSION.
        names.insert(last.substr(0, last.find('@')));
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    return names;
}

TEST(BinaryInterface, OnlyKivFunctionIsExported) {
    EXPECT_EQ(dynamicSymbols("--defined-only"), std::set<std::string>{"kivFunction"});
}

TEST(BinaryInterface, HostServicesAreLeftToTheLoadingProcess) {
    const std::set<std::string> undefined = dynamicSymbols("--undefined-only");
    for (const char* service : {"kvGetPr", "kvCalloc", "kvCreateDoubleMatrix", "kivErrMsgTxt",
                                "areAllInputPortsDiscreteSampleTime"}) {
        EXPECT_EQ(undefined.count(service), 1u) << service;
    }
}

}  // namespace
}  // namespace quorbelin::testing
