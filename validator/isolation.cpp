#include "validator/isolation.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

namespace quorbelin::validator {
namespace {

// The child writes "stage\t<text>\n" lines while it runs and one final
// "result\t<status>\t<detail>\n" line; details never hold a newline.
int stageChannel = -1;

std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') {
            c = ' ';
        }
    }
    return text;
}

void writeAll(int fd, const std::string& text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t written = write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

}  // namespace

[[noreturn]] void runAndReport(const std::function<Outcome()>& check, int fd) {
    stageChannel = fd;
    Outcome outcome;
    try {
        outcome = check();
    } catch (const std::exception& error) {
        outcome = Outcome::fail(std::string("unexpected exception: ") + error.what());
    } catch (...) {
        outcome = Outcome::fail("unexpected exception of unknown type");
    }
    writeAll(fd, "result\t" + std::to_string(static_cast<int>(outcome.status)) + "\t" +
                     oneLine(outcome.detail) + "\n");
    close(fd);
    // Skip static destructors and atexit handlers: the parent owns the
    // process's buffered output and the block may have left anything behind.
    std::fflush(nullptr);
    _exit(0);
}

namespace {

// The last stage and the result, read from what the child wrote.
struct ChildReport {
    std::string lastStage;
    bool hasResult = false;
    Outcome outcome;
};

void parseReport(const std::string& text, ChildReport& report) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            break;  // a line cut short by a crash
        }
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.rfind("stage\t", 0) == 0) {
            report.lastStage = line.substr(6);
        } else if (line.rfind("result\t", 0) == 0) {
            const std::size_t tab = line.find('\t', 7);
            const int status = std::atoi(line.substr(7, tab - 7).c_str());
            report.hasResult = true;
            const bool known = status >= static_cast<int>(Status::pass) && status <= static_cast<int>(Status::timeout);
            report.outcome.status = known ? static_cast<Status>(status) : Status::fail;
            report.outcome.detail = tab == std::string::npos ? "" : line.substr(tab + 1);
        }
    }
}

std::string whereText(const ChildReport& report) {
    return report.lastStage.empty() ? "" : " during " + report.lastStage;
}

}  // namespace

void announceStage(const std::string& stage) {
    if (stageChannel >= 0) {
        writeAll(stageChannel, "stage\t" + oneLine(stage) + "\n");
    }
}

namespace {

// Starts the child with `start` (which never returns in the child) and
// reads its report until it ends or the time is up.
Outcome supervise(const std::function<void(int fd)>& start, double timeoutSeconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    const auto elapsedMs = [&] {
        return std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    };

    int fds[2];
    if (pipe(fds) != 0) {
        return Outcome::fail(std::string("cannot create a pipe for the check: ") + std::strerror(errno));
    }
    std::fflush(nullptr);  // nothing buffered may be written twice
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return Outcome::fail(std::string("cannot start the check's process: ") + std::strerror(errno));
    }
    if (child == 0) {
        close(fds[0]);
        start(fds[1]);
        _exit(127);
    }
    close(fds[1]);

    std::string received;
    bool timedOut = false;
    char buffer[4096];
    for (;;) {
        const double remainingMs = timeoutSeconds * 1000.0 - elapsedMs();
        if (remainingMs <= 0) {
            timedOut = true;
            break;
        }
        pollfd waitFor{fds[0], POLLIN, 0};
        // Waits of at most a second keep any --timeout inside poll's int.
        const int ready = poll(&waitFor, 1, static_cast<int>(std::min(remainingMs, 1000.0)) + 1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready == 0) {
            continue;  // the loop head notices the deadline
        }
        const ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;  // the child closed its end: finished or died
        }
        received.append(buffer, static_cast<std::size_t>(got));
    }
    close(fds[0]);
    if (timedOut) {
        kill(child, SIGKILL);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }

    ChildReport report;
    parseReport(received, report);
    Outcome outcome;
    if (timedOut) {
        outcome = {Status::timeout, "still running after " + std::to_string(timeoutSeconds) + " s" + whereText(report),
                   0.0};
    } else if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const char* name = sigabbrev_np(signal);
        outcome = {Status::crash,
                   "killed by SIG" + std::string(name ? name : std::to_string(signal)) + whereText(report), 0.0};
    } else if (!report.hasResult) {
        outcome = {Status::crash,
                   "the check's process exited with status " + std::to_string(WEXITSTATUS(status)) +
                       " before reporting" + whereText(report),
                   0.0};
    } else {
        outcome = report.outcome;
    }
    outcome.milliseconds = elapsedMs();
    return outcome;
}

}  // namespace

Outcome runIsolated(const std::function<Outcome()>& check, double timeoutSeconds) {
    return supervise([&](int fd) { runAndReport(check, fd); }, timeoutSeconds);
}

Outcome runProgramIsolated(const std::vector<std::string>& arguments, double timeoutSeconds) {
    // Built before the fork: the child only duplicates a descriptor and
    // replaces itself.
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const std::string failure =
        "result\t" + std::to_string(static_cast<int>(Status::fail)) + "\tcannot start " + arguments.front() + "\n";
    return supervise(
        [&](int fd) {
            if (fd != reportDescriptor) {
                dup2(fd, reportDescriptor);
                close(fd);
            }
            execv(argv[0], argv.data());
            writeAll(reportDescriptor, failure);
            _exit(127);
        },
        timeoutSeconds);
}

}  // namespace quorbelin::validator
