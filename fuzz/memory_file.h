// Fuzzer bytes as a file that readers open by name, without touching disk.
#ifndef QUORBELIN_FUZZ_MEMORY_FILE_H
#define QUORBELIN_FUZZ_MEMORY_FILE_H

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace quorbelin::fuzzing {

class MemoryFile {
public:
    MemoryFile(const uint8_t* data, size_t size) : fd_(memfd_create("fuzz.csv", 0)) {
        if (fd_ < 0 || write(fd_, data, size) != static_cast<ssize_t>(size)) {
            std::abort();
        }
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemoryFile() { close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    const std::string& path() const { return path_; }

private:
    int fd_;
    std::string path_;
};

}  // namespace quorbelin::fuzzing

#endif
