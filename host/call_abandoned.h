// The exception by which kivErrMsgTxt abandons a kivFunction call. Only the
// host's call wrapper (invoke) catches it; it unwinds through the block's
// frames on the way. Its type information lives in libkiv, so the thrower and
// the catcher agree on it across the shared libraries.
#ifndef QUORBELIN_HOST_CALL_ABANDONED_H
#define QUORBELIN_HOST_CALL_ABANDONED_H

#include <exception>
#include <string>

namespace vostrel {

class __attribute__((visibility("default"))) CallAbandoned : public std::exception {
public:
    explicit CallAbandoned(std::string message);
    ~CallAbandoned() override;
    const char* what() const noexcept override;
    const std::string& message() const { return message_; }

private:
    std::string message_;
};

}  // namespace vostrel

#endif
