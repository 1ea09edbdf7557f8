#include "validator/outcome.h"

namespace quorbelin::validator {

const char* statusName(Status status) {
    switch (status) {
        case Status::pass: return "PASS";
        case Status::fail: return "FAIL";
        case Status::warn: return "WARN";
        case Status::skip: return "SKIP";
        case Status::crash: return "CRASH";
        case Status::timeout: return "TIMEOUT";
    }
    return "FAIL";
}

bool isFailure(Status status) {
    return status == Status::fail || status == Status::crash || status == Status::timeout;
}

}  // namespace quorbelin::validator
