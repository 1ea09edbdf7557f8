// The dynamic symbols a shared library defines, read from its ELF file, so
// the validator can tell what a block library exports without a loader.
#ifndef QUORBELIN_VALIDATOR_ELF_SYMBOLS_H
#define QUORBELIN_VALIDATOR_ELF_SYMBOLS_H

#include <set>
#include <string>

namespace quorbelin::validator {

struct DynamicSymbols {
    std::set<std::string> defined;    // global or weak, visible to the loader
    std::set<std::string> undefined;  // left for the loading process
};

// Reads the dynamic symbol table of a 64-bit little-endian ELF file; throws
// std::runtime_error naming the file and the problem when it is not one or
// its tables point outside it.
DynamicSymbols readDynamicSymbols(const std::string& path);

}  // namespace quorbelin::validator

#endif
