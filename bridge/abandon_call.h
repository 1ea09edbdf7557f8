// How the entry point ends a call of its own accord: a message formatted into
// a 256-byte buffer, handed to kivErrMsgTxt, which never returns.
#ifndef QUORBELIN_BRIDGE_ABANDON_CALL_H
#define QUORBELIN_BRIDGE_ABANDON_CALL_H

namespace quorbelin {

// [size query] The bounded format cuts an over-long inserted text (a host's
// block name of any length) instead of overrunning the buffer.
[[noreturn]] __attribute__((format(printf, 1, 2))) void abandonCallWith(const char* format, ...);

}  // namespace quorbelin

#endif
