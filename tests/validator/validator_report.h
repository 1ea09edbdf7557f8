// The validator's report as the tests read it: each check's status and
// detail by name, and the summary line.
#ifndef QUORBELIN_TESTS_VALIDATOR_VALIDATOR_REPORT_H
#define QUORBELIN_TESTS_VALIDATOR_VALIDATOR_REPORT_H

#include <map>
#include <regex>
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

inline ValidatorReport parseReport(const std::string& out) {
    static const std::regex checkLine(R"(^(PASS|FAIL|WARN|SKIP|CRASH|TIMEOUT) (\S+) \((\d+) ms\): (.*)$)");
    static const std::regex summaryLine(R"(^\d+ passed, \d+ failed.*$)");
    ValidatorReport report;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::smatch match;
        if (std::regex_match(line, match, checkLine)) {
            report.checks[match[2]] = {match[1], match[4]};
        } else if (std::regex_match(line, summaryLine)) {
            report.summary = line;
        } else if (line.rfind("validating ", 0) == 0) {
            report.seedLine = line;
        }
    }
    return report;
}

}  // namespace quorbelin::testing

#endif
