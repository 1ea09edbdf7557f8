#include "engine/kernel/path_choice.h"

#include <cpuid.h>

#include <cstring>

namespace quorbelin {
namespace {

// Intel family-6 models from Sapphire Rapids (0x8F) on gather at full speed,
// except the client cores of that numbering whose microcode slows them (Comet
// Lake 0xA5 and 0xA6, Rocket Lake 0xA7). The models below 0x8F with AVX2 are
// either that affected generation or older cores with slow gathers.
bool gathersFast(const CpuDescription& cpu) {
    if (cpu.vendor != CpuVendor::intel || cpu.family != 6 || cpu.model < 0x8F) {
        return false;
    }
    return cpu.model != 0xA5 && cpu.model != 0xA6 && cpu.model != 0xA7;
}

}  // namespace

CpuDescription describeThisCpu() {
    CpuDescription cpu;
    unsigned eax = 0;
    unsigned ebx = 0;
    unsigned ecx = 0;
    unsigned edx = 0;
    if (__get_cpuid(0, &eax, &ebx, &ecx, &edx) != 0) {
        char vendor[13] = {};
        std::memcpy(vendor, &ebx, 4);
        std::memcpy(vendor + 4, &edx, 4);
        std::memcpy(vendor + 8, &ecx, 4);
        cpu.vendor = std::strcmp(vendor, "GenuineIntel") == 0   ? CpuVendor::intel
                     : std::strcmp(vendor, "AuthenticAMD") == 0 ? CpuVendor::amd
                                                                 : CpuVendor::other;
    }
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0) {
        const int32_t baseFamily = static_cast<int32_t>((eax >> 8) & 0xF);
        const int32_t baseModel = static_cast<int32_t>((eax >> 4) & 0xF);
        cpu.family = baseFamily == 0xF ? baseFamily + static_cast<int32_t>((eax >> 20) & 0xFF)
                                       : baseFamily;
        cpu.model = baseFamily == 6 || baseFamily == 0xF
                        ? baseModel + (static_cast<int32_t>((eax >> 16) & 0xF) << 4)
                        : baseModel;
    }
    // These also check that the system saves the wider registers.
    __builtin_cpu_init();
    cpu.avx2 = __builtin_cpu_supports("avx2");
    cpu.avx512 = __builtin_cpu_supports("avx512f");
    return cpu;
}

KernelChoice chooseKernel(const CpuDescription& cpu) {
    KernelChoice choice;
    choice.path = cpu.avx512 ? KernelPath::avx512
                  : cpu.avx2 ? KernelPath::avx2
                             : KernelPath::portable;
    choice.gathers = choice.path != KernelPath::portable && gathersFast(cpu);
    return choice;
}

}  // namespace quorbelin
