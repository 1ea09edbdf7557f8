#include "validator/elf_symbols.h"

#include <elf.h>

#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace quorbelin::validator {
namespace {

// Every offset and size comes from the file: each is checked against its
// length before it is used.
class ElfImage {
public:
    explicit ElfImage(const std::string& path) : path_(path) {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            throw std::runtime_error(path + ": cannot be opened");
        }
        bytes_.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    template <typename T>
    T read(uint64_t offset) const {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) {
            fail("a table lies outside the file");
        }
        T value;
        std::memcpy(&value, bytes_.data() + offset, sizeof(T));
        return value;
    }

    std::string stringAt(uint64_t tableOffset, uint64_t tableSize, uint64_t index) const {
        if (index >= tableSize || tableOffset > bytes_.size() || bytes_.size() - tableOffset < tableSize) {
            fail("a symbol name lies outside its string table");
        }
        const char* start = bytes_.data() + tableOffset + index;
        const std::size_t limit = static_cast<std::size_t>(tableSize - index);
        return std::string(start, strnlen(start, limit));
    }

    std::size_t size() const { return bytes_.size(); }
    [[noreturn]] void fail(const std::string& problem) const { throw std::runtime_error(path_ + ": " + problem); }

private:
    std::string path_;
    std::vector<char> bytes_;
};

}  // namespace

DynamicSymbols readDynamicSymbols(const std::string& path) {
    const ElfImage image(path);
    if (image.size() < SELFMAG || image.read<std::array<char, SELFMAG>>(0) != std::to_array<char>({ELFMAG0, 'E', 'L', 'F'})) {
        image.fail("not an ELF file");
    }
    const auto header = image.read<Elf64_Ehdr>(0);
    if (header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_ident[EI_DATA] != ELFDATA2LSB) {
        image.fail("not a 64-bit little-endian ELF file");
    }
    if (header.e_shentsize != sizeof(Elf64_Shdr)) {
        image.fail("unexpected section header size");
    }
    DynamicSymbols symbols;
    bool found = false;
    for (uint16_t i = 0; i < header.e_shnum; ++i) {
        const auto section = image.read<Elf64_Shdr>(header.e_shoff + uint64_t{i} * sizeof(Elf64_Shdr));
        if (section.sh_type != SHT_DYNSYM) {
            continue;
        }
        found = true;
        if (section.sh_link >= header.e_shnum) {
            image.fail("the dynamic symbol table names no string table");
        }
        const auto strings =
            image.read<Elf64_Shdr>(header.e_shoff + uint64_t{section.sh_link} * sizeof(Elf64_Shdr));
        if (section.sh_size > image.size()) {
            image.fail("the dynamic symbol table is larger than the file");
        }
        const uint64_t count = section.sh_size / sizeof(Elf64_Sym);
        for (uint64_t s = 1; s < count; ++s) {  // entry 0 is the null symbol
            const auto symbol = image.read<Elf64_Sym>(section.sh_offset + s * sizeof(Elf64_Sym));
            const unsigned binding = ELF64_ST_BIND(symbol.st_info);
            if (binding != STB_GLOBAL && binding != STB_WEAK && binding != STB_GNU_UNIQUE) {
                continue;
            }
            const unsigned visibility = ELF64_ST_VISIBILITY(symbol.st_other);
            if (visibility == STV_HIDDEN || visibility == STV_INTERNAL) {
                continue;
            }
            std::string name = image.stringAt(strings.sh_offset, strings.sh_size, symbol.st_name);
            if (symbol.st_shndx == SHN_UNDEF) {
                symbols.undefined.insert(std::move(name));
            } else {
                symbols.defined.insert(std::move(name));
            }
        }
    }
    if (!found) {
        image.fail("no dynamic symbol table");
    }
    return symbols;
}

}  // namespace quorbelin::validator
