// The three ways a command fails, each with its own exit status: a usage
// error (status 2, with a hint to --help), a file that cannot be read or
// written, and a message that the block or the host stored (status 1).
#ifndef QUORBELIN_CLI_ERRORS_H
#define QUORBELIN_CLI_ERRORS_H

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quorbelin::cli {

inline constexpr int exitFailure = 1;
inline constexpr int exitUsage = 2;

// The command line asks for something that cannot be done as given.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that cannot be opened, read, parsed or written. The text names the
// file, and the line when one is to blame.
class FileError : public std::runtime_error {
public:
    FileError(const std::string& path, const std::string& problem)
        : std::runtime_error(path + ": " + problem) {}
    FileError(const std::string& path, int64_t line, const std::string& problem)
        : std::runtime_error(path + ":" + std::to_string(line) + ": " + problem) {}
};

// The block's own message (or the host's), printed as it stands.
class BlockError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace quorbelin::cli

#endif
