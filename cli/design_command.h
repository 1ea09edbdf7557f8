// `quorbelin design-filter`: writes a built-in polyphase design as a CSV
// matrix that --filter accepts.
#ifndef QUORBELIN_CLI_DESIGN_COMMAND_H
#define QUORBELIN_CLI_DESIGN_COMMAND_H

#include <string>

namespace quorbelin::cli {

// Writes the design to `output`, or to standard output when it is empty.
// Throws UsageError or FileError.
void writeFilterDesign(const std::string& design, const std::string& output);

}  // namespace quorbelin::cli

#endif
