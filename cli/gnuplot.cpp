#include "cli/gnuplot.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "cli/errors.h"

extern char** environ;

namespace quorbelin::cli {

namespace {

std::string readAll(const std::string& path) {
    std::ifstream stream(path);
    std::stringstream text;
    text << stream.rdbuf();
    return text.str();
}

}  // namespace

ScratchFile::ScratchFile(const char* stem) {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern =
        std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/" + stem + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int descriptor = ::mkstemp(buffer.data());
    if (descriptor < 0) {
        throw FileError(pattern, std::string("cannot create: ") + std::strerror(errno));
    }
    ::close(descriptor);
    path_ = buffer.data();
}

ScratchFile::~ScratchFile() { std::remove(path_.c_str()); }

std::string plotTerminalFor(const std::string& target) {
    const std::size_t dot = target.rfind('.');
    std::string extension = dot == std::string::npos ? "" : target.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "png" || extension == "svg") {
        return extension;
    }
    throw UsageError("--plot " + target + ": the plot file must end in .png or .svg");
}

std::string gnuplotQuoted(const std::string& text) {
    std::string result = "'";
    for (const char c : text) {
        result += c;
        if (c == '\'') {
            result += '\'';
        }
    }
    return result + "'";
}

std::string gnuplotOutput(const std::string& target, const std::string& writePath, int width, int height) {
    std::ostringstream lines;
    lines << "set terminal " << (plotTerminalFor(target) == "png" ? "pngcairo" : "svg") << " noenhanced size "
          << width << "," << height << "\n"
          << "set output " << gnuplotQuoted(writePath) << "\n";
    return lines.str();
}

void runGnuplot(const std::string& script, const std::string& target) {
    ScratchFile scriptFile("quorbelin-plot-script");
    ScratchFile log("quorbelin-plot-log");
    {
        std::ofstream stream(scriptFile.path());
        stream << script;
        if (!stream) {
            throw FileError(scriptFile.path(), "cannot write");
        }
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.path().c_str(), O_WRONLY | O_TRUNC, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::string program = "gnuplot";
    std::string scriptPath = scriptFile.path();
    char* arguments[] = {program.data(), scriptPath.data(), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, "gnuplot", &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw FileError(target, std::string("cannot run gnuplot (") + std::strerror(spawned) +
                                    "); install it, e.g. with 'make deps' or apt-get install gnuplot-nox");
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string output = readAll(log.path());
        while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) {
            output.pop_back();
        }
        throw FileError(target, "gnuplot failed" + (output.empty() ? std::string() : ": " + output));
    }
}

}  // namespace quorbelin::cli
