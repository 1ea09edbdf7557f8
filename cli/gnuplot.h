// Drawing with gnuplot into a PNG or SVG file: the scratch files a drawing
// needs, the terminal line for the target's format, and running gnuplot on
// a script with its messages kept for the error it may raise.
#ifndef QUORBELIN_CLI_GNUPLOT_H
#define QUORBELIN_CLI_GNUPLOT_H

#include <string>

namespace quorbelin::cli {

// A scratch file in the temporary folder, removed when it goes.
class ScratchFile {
public:
    explicit ScratchFile(const char* stem);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// "png" or "svg" from the file name; UsageError for anything else.
std::string plotTerminalFor(const std::string& target);

// A gnuplot string literal: single quotes, a quote doubled.
std::string gnuplotQuoted(const std::string& text);

// The lines that direct a drawing of the given size in pixels into
// writePath, in target's format.
std::string gnuplotOutput(const std::string& target, const std::string& writePath, int width, int height);

// Runs gnuplot on the script. Throws FileError naming the target when
// gnuplot is missing or fails (with its messages).
void runGnuplot(const std::string& script, const std::string& target);

}  // namespace quorbelin::cli

#endif
