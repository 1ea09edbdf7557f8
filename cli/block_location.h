// Finding the block library: where --block says, else beside the tool (the
// build tree) or in the library folder of the installation the tool runs
// from.
#ifndef QUORBELIN_CLI_BLOCK_LOCATION_H
#define QUORBELIN_CLI_BLOCK_LOCATION_H

#include <string>

namespace quorbelin::cli {

// The path to load: `requested` when it is not empty, else the first
// existing candidate beside the running executable; BlockError listing the
// places looked at when there is none.
std::string locateBlockLibrary(const std::string& requested);

// The validator's allocation-check helper beside the tool or in the
// installation's libexec folder; the first place looked at when it is in
// neither (the check then fails, naming it).
std::string locateAllocationCheckProgram();

}  // namespace quorbelin::cli

#endif
