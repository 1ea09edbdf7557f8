// The validator's report as the tests read it: each check's status and
// detail by name, and the summary line.
#ifndef QUORBELIN_TESTS_VALIDATOR_VALIDATOR_REPORT_H
#define QUORBELIN_TESTS_VALIDATOR_VALIDATOR_REPORT_H

#include <map>
#include <set>
#include <sstream>
#include <string>

namespace quorbelin::testing {

struct CheckLine {
    std::string status;
    std::string detail;
};

struct ValidatorReport {
    std::map<std::string, CheckLine> checks;
    std::string summary;
    std::string seedLine;
};

// A check line reads "STATUS name (ms): detail".
inline bool parseCheckLine(const std::string& line, std::string& name, CheckLine& check) {
    static const std::set<std::string> statuses = {"PASS", "FAIL", "WARN", "SKIP", "CRASH", "TIMEOUT"};
    const std::size_t space = line.find(' ');
    const std::size_t open = line.find(" (", space == std::string::npos ? 0 : space + 1);
    const std::size_t close = line.find(" ms): ", open == std::string::npos ? 0 : open);
    if (space == std::string::npos || open == std::string::npos || close == std::string::npos ||
        statuses.count(line.substr(0, space)) == 0) {
        return false;
    }
    const std::string milliseconds = line.substr(open + 2, close - open - 2);
    if (milliseconds.empty() || milliseconds.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    name = line.substr(space + 1, open - space - 1);
    check = {line.substr(0, space), line.substr(close + 6)};
    return true;
}

inline ValidatorReport parseReport(const std::string& out) {
    ValidatorReport report;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::string name;
        CheckLine check;
        if (parseCheckLine(line, name, check)) {
            report.checks[name] = check;
        } else if (line.find(" passed, ") != std::string::npos && line.find(" failed") != std::string::npos) {
            report.summary = line;
        } else if (line.rfind("validating ", 0) == 0) {
            report.seedLine = line;
        }
    }
    return report;
}

}  // namespace quorbelin::testing

#endif
