// JSON text for the reports scripts read: a string quoted and escaped, a
// number written so that it reads back as the same double (null where JSON
// has no number: NaN and the infinities).
#ifndef QUORBELIN_VALIDATOR_JSON_TEXT_H
#define QUORBELIN_VALIDATOR_JSON_TEXT_H

#include <cmath>
#include <cstdio>
#include <string>

namespace quorbelin::validator {

inline std::string jsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const unsigned char c : text) {
        switch (c) {
            case '"': quoted += "\\\""; break;
            case '\\': quoted += "\\\\"; break;
            case '\n': quoted += "\\n"; break;
            case '\t': quoted += "\\t"; break;
            case '\r': quoted += "\\r"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    quoted += escaped;
                } else {
                    quoted += static_cast<char>(c);
                }
        }
    }
    return quoted + "\"";
}

inline std::string jsonNumber(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

}  // namespace quorbelin::validator

#endif
