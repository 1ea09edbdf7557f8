// Loading, the exported symbols and the size query's argument checks.
#include <cmath>
#include <limits>
#include <sstream>

#include "validator/checks.h"
#include "validator/elf_symbols.h"
#include "validator/interface_texts.h"
#include "validator/isolation.h"

namespace quorbelin::validator {
namespace {

using vostrel::Array;

Outcome loadsWithImmediateBinding(const CheckContext& context) {
    try {
        // The host's loader binds every symbol now: a host service the
        // library needs and the host lacks fails here, not mid-simulation.
        const vostrel::BlockLibrary library(context.libraryPath);
        return Outcome::pass("block \"" + library.blockName() + "\" loads, kivFunction found");
    } catch (const vostrel::HostError& error) {
        return Outcome::fail(error.what());
    }
}

std::string joined(const std::set<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

Outcome exportsOnlyTheEntryPoint(const CheckContext& context) {
    DynamicSymbols symbols;
    try {
        symbols = readDynamicSymbols(context.libraryPath);
    } catch (const std::runtime_error& error) {
        return Outcome::fail(error.what());
    }
    std::set<std::string> extra = symbols.defined;
    extra.erase("kivFunction");
    if (symbols.defined.count("kivFunction") == 0) {
        return Outcome::fail("kivFunction is not exported");
    }
    if (!extra.empty()) {
        return Outcome::fail("exports " + std::to_string(extra.size()) + " symbol(s) besides kivFunction: " +
                             joined(extra));
    }
    return Outcome::pass("exports kivFunction only; " + std::to_string(symbols.undefined.size()) +
                         " symbols left to the loading process");
}

struct ArgumentCase {
    std::string what;
    int32_t leftCount;
    int32_t rightCount;
    const Array* flag;  // argument 4 when rightCount reaches it
    std::string expected;  // the abandoning message; empty: a valid query
};

Outcome sizeQueryArguments(const CheckContext& context) {
    const auto library = loadForCheck(context);
    const std::string name = library->blockName();
    const Array unused = Array::empty();
    const Array zero = Array::scalar(0.0);
    const Array minusZero = Array::scalar(-0.0);
    const Array empty = Array::empty();
    const Array pair = Array::matrix(1, 2, {0.0, 0.0});
    const Array complex = Array::complexScalar(0.0, 1.0);
    const Array text = Array::text("0");
    const Array fraction = Array::scalar(2.5);
    const Array nan = Array::scalar(std::numeric_limits<double>::quiet_NaN());
    const Array infinity = Array::scalar(std::numeric_limits<double>::infinity());
    const Array huge = Array::scalar(4294967296.0);
    const Array three = Array::scalar(3.0);
    const std::vector<ArgumentCase> cases = {
        {"three right-hand arguments (and too many left)", 2, 3, &zero, texts::tooFewRightArguments(name)},
        {"no right-hand arguments", 1, 0, &zero, texts::tooFewRightArguments(name)},
        {"two left-hand results", 2, 4, &zero, texts::tooManyLeftArguments(name)},
        {"an empty FLAG", 1, 4, &empty, texts::flagNotInteger(name)},
        {"a 1x2 FLAG", 1, 4, &pair, texts::flagNotInteger(name)},
        {"a complex FLAG", 1, 4, &complex, texts::flagNotInteger(name)},
        {"a text FLAG", 1, 4, &text, texts::flagNotInteger(name)},
        {"FLAG 2.5", 1, 4, &fraction, texts::flagNotInteger(name)},
        {"FLAG NaN", 1, 4, &nan, texts::flagNotInteger(name)},
        {"FLAG +inf", 1, 4, &infinity, texts::flagNotInteger(name)},
        {"FLAG 2^32", 1, 4, &huge, texts::flagNotInteger(name)},
        {"FLAG 3", 1, 4, &three, texts::invalidFlag(name)},
        {"FLAG -0.0", 1, 4, &minusZero, ""},
        {"FLAG 0 with no left-hand result", 0, 4, &zero, ""},
    };
    for (const ArgumentCase& c : cases) {
        announceStage("size query with " + c.what);
        std::vector<const kvArray*> rightArgs{unused.get(), unused.get(), unused.get(), c.flag->get()};
        rightArgs.resize(static_cast<std::size_t>(c.rightCount));
        const vostrel::SizeQueryResult result = vostrel::sizeQuery(*library, c.leftCount, rightArgs);
        if (!c.expected.empty()) {
            if (!result.abandoned) {
                return Outcome::fail("a size query with " + c.what + " was not refused");
            }
            if (result.message != c.expected) {
                return Outcome::fail("a size query with " + c.what + " answered \"" + result.message +
                                     "\"; expected \"" + c.expected + "\"");
            }
            continue;
        }
        if (result.abandoned) {
            return Outcome::fail("a size query with " + c.what + " was refused: \"" + result.message + "\"");
        }
        if (result.sizes.size() != 38) {
            return Outcome::fail("a size query with " + c.what + " returned " + std::to_string(result.sizes.size()) +
                                 " sizes instead of 38");
        }
        if (result.sizes[recordVersion] != RECORD_VERSION ||
            (static_cast<uint32_t>(result.sizes[options]) & OPTIONS_SIZE_QUERY_DONE) == 0) {
            return Outcome::fail("a size query with " + c.what +
                                 " returned sizes without the record version or the size-query bit");
        }
    }
    return Outcome::pass(std::to_string(cases.size()) + " argument cases answered as the interface requires");
}

Outcome sizeQueryNameCheck(const CheckContext& context) {
    const auto library = loadForCheck(context);
    const std::string name = library->blockName();
    announceStage("registration on a record named " + name + "x");
    vostrel::HostBlock block(name + "x");
    const vostrel::SizeQueryResult result = vostrel::registerBlock(*library, block);
    const std::string expected = texts::nameMismatch(name, name + "x");
    if (!result.abandoned || result.message != expected) {
        return Outcome::fail("registering on a record named \"" + name + "x\" answered \"" +
                             (result.abandoned ? result.message : std::string("(accepted)")) + "\"; expected \"" +
                             expected + "\"");
    }
    const MethodTable& methods = block.record().methods;
    if (methods.mdlDeclareSizes != nullptr || methods.mdlComputeOutputs != nullptr ||
        methods.mdlRelease != nullptr) {
        return Outcome::fail("a refused name still installed methods in the host's record");
    }
    return Outcome::pass("a record of another name is refused with the mismatch message, nothing installed");
}

}  // namespace

std::vector<Check> interfaceChecks() {
    return {
        {"load.immediate-binding", "loads with every symbol bound at once and has kivFunction",
         loadsWithImmediateBinding},
        {"load.exports", "exports kivFunction and nothing else", exportsOnlyTheEntryPoint},
        {"size-query.arguments", "argument checks of the size query answer with their messages",
         sizeQueryArguments},
        {"size-query.name-check", "a host record of another name is refused, nothing installed",
         sizeQueryNameCheck},
    };
}

}  // namespace quorbelin::validator
