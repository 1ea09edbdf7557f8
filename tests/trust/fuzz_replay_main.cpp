// Replays every input in the given folders through a fuzz target's entry
// point, so the committed seeds (and every crash input added to them) run
// with the normal and the sanitized test suites, without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    int replayed = 0;
    for (int a = 1; a < argc; ++a) {
        std::error_code error;
        std::filesystem::directory_iterator folder(argv[a], error);
        if (error) {
            std::fprintf(stderr, "%s: %s\n", argv[a], error.message().c_str());
            return 1;
        }
        for (const auto& entry : folder) {
            if (!entry.is_regular_file()) {
                continue;
            }
            std::ifstream file(entry.path(), std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
            std::printf("%s\n", entry.path().filename().c_str());
            std::fflush(stdout);  // names the input a crash happened on
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
