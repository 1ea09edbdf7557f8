// An output file that appears only when it is complete: everything is
// written to a temporary file beside the target, which commit() renames over
// the target. Until then the target is untouched, and a failure (or an
// exception unwinding past the object) removes the temporary file. So does
// an interrupt (SIGINT, SIGTERM, SIGHUP, SIGQUIT) at any moment of the
// object's life. A target that is a symbolic link is followed: the file it
// names is replaced and the link stays.
#ifndef QUORBELIN_CLI_ATOMIC_OUTPUT_H
#define QUORBELIN_CLI_ATOMIC_OUTPUT_H

#include <cstddef>
#include <string>

namespace quorbelin::cli {

class AtomicOutput {
public:
    // Creates the empty temporary file; throws FileError naming the target
    // when its folder cannot take it, or when it exists and is a folder or
    // a file the user may not write.
    explicit AtomicOutput(std::string target);
    ~AtomicOutput();
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    const std::string& target() const { return target_; }
    const std::string& temporaryPath() const { return temporary_; }

    // Renames the temporary file to the target; throws FileError.
    void commit();

private:
    std::string target_;
    std::string written_;  // the target with symbolic links followed
    static constexpr std::size_t pendingSlotNone = ~std::size_t{0};
    std::string temporary_;
    bool committed_ = false;
    std::size_t slot_ = pendingSlotNone;  // in the interrupt handler's list
};

}  // namespace quorbelin::cli

#endif
