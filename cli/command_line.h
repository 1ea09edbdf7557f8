// The tool's command line: the commands, their options and help texts, and
// the mapping of failures to messages and exit statuses (0 success, 1 a
// failed run, 2 a usage error).
#ifndef QUORBELIN_CLI_COMMAND_LINE_H
#define QUORBELIN_CLI_COMMAND_LINE_H

namespace quorbelin::cli {

// Parses the arguments, runs the chosen command and returns the exit status.
int runCommandLine(int argc, char** argv);

}  // namespace quorbelin::cli

#endif
