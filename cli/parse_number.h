// Strict number parsing for command-line values and CSV fields: the whole
// text must be one number (surrounding blanks aside), so "1.5x" or "" is
// refused rather than read as a prefix.
#ifndef QUORBELIN_CLI_PARSE_NUMBER_H
#define QUORBELIN_CLI_PARSE_NUMBER_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorbelin::cli {

// A double as strtod reads it (nan and inf included), or nothing.
std::optional<double> parseDouble(std::string_view text);
// A whole number in the range of int64_t, or nothing.
std::optional<int64_t> parseInteger(std::string_view text);
// The text with leading and trailing blanks (spaces, tabs, CR) removed.
std::string_view trimBlanks(std::string_view text);
// The text cut at every separator; an empty text gives one empty field.
std::vector<std::string_view> splitFields(std::string_view text, char separator);

}  // namespace quorbelin::cli

#endif
