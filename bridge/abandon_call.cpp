#include "bridge/abandon_call.h"

#include <cstdarg>
#include <cstdio>

#include "bridge/host_services.h"

namespace quorbelin {

void abandonCallWith(const char* format, ...) {
    char message[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
    kivErrMsgTxt(message);
}

}  // namespace quorbelin
