// Running the built quorbelin executable from tests, and the small file
// chores around it.
#ifndef QUORBELIN_TESTS_CLI_TOOL_RUNNER_H
#define QUORBELIN_TESTS_CLI_TOOL_RUNNER_H

#include <filesystem>
#include <string>
#include <vector>

namespace quorbelin::testing {

struct ToolResult {
    int status = -1;  // exit status; -1 when the tool did not exit normally
    std::string out;
    std::string err;
};

// Runs the tool with the arguments (no shell), in `folder` when given, its
// standard input read from `input` (else empty).
ToolResult runTool(const std::vector<std::string>& arguments, const std::filesystem::path& folder = {},
                   const std::string& input = "/dev/null");
// Runs another program, found on PATH or by its path.
ToolResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::filesystem::path& folder = {}, const std::string& input = "/dev/null");

const char* toolPath();

// A fresh folder, removed with everything in it at the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    // The names of the files in the folder, sorted.
    std::vector<std::string> files() const;

private:
    std::filesystem::path path_;
};

using Rows = std::vector<std::vector<double>>;

// Every value with 17 significant digits.
void writeCsv(const std::string& path, const Rows& rows);
// Reads back what the tool wrote (no header, no blank lines).
Rows readCsv(const std::string& path);
void writeText(const std::string& path, const std::string& text);

}  // namespace quorbelin::testing

#endif
