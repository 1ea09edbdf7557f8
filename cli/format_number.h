// Numbers as text for people and for other programs.
#ifndef QUORBELIN_CLI_FORMAT_NUMBER_H
#define QUORBELIN_CLI_FORMAT_NUMBER_H

#include <string>

namespace quorbelin::cli {

// The shortest decimal text that reads back as the same double: 0.8, not
// 0.80000000000000004. Non-finite values as nan, inf, -inf.
std::string shortestText(double value);

// printf-style formatting of one number into a string.
std::string formatted(const char* format, double value);

}  // namespace quorbelin::cli

#endif
