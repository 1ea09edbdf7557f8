// quorbelin-allocation-check: runs one allocation-counting check of the
// validator in a process of its own. The allocation counter is linked into
// this program alone, so that no other process (the tool's `run` above
// all) has its allocator replaced. The validator starts it with
//   CHECK LIBRARY SEED [--params ROWSxCOLUMNS:v,v,... ...]
// and reads the check's stages and outcome on descriptor 3.
#include <cstdio>
#include <string>
#include <vector>

#include "validator/checks.h"
#include "validator/isolation.h"
#include "validator/validation.h"

int main(int argc, char** argv) {
    using namespace quorbelin::validator;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::optional<CheckContext> context = contextFromHelperArguments(arguments);
    const Check* check = context ? findCheck(arguments.front()) : nullptr;
    if (check == nullptr || !check->countsAllocations) {
        std::fprintf(stderr,
                     "usage: quorbelin-allocation-check CHECK LIBRARY SEED [--params VALUE...]\n"
                     "Started by 'quorbelin validate'; reports on descriptor 3.\n");
        return 2;
    }
    runAndReport([&] { return runCheck(*check, *context); }, reportDescriptor);
}
