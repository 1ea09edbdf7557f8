#include "cli/parse_number.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace quorbelin::cli {

std::string_view trimBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string_view> splitFields(std::string_view text, char separator) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

std::optional<double> parseDouble(std::string_view text) {
    text = trimBlanks(text);
    if (text.empty()) {
        return std::nullopt;
    }
    // strtod needs a terminated string; fields are short.
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size()) {
        return std::nullopt;
    }
    // Underflow to a subnormal or zero is still the nearest double; overflow
    // gives an infinity the user did not write.
    if (errno == ERANGE && (value == HUGE_VAL || value == -HUGE_VAL)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int64_t> parseInteger(std::string_view text) {
    text = trimBlanks(text);
    if (text.empty()) {
        return std::nullopt;
    }
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(copy.c_str(), &end, 10);
    if (end != copy.c_str() + copy.size() || errno == ERANGE) {
        return std::nullopt;
    }
    return static_cast<int64_t>(value);
}

}  // namespace quorbelin::cli
