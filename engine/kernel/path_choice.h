// Which of the kernel's paths runs on a CPU, chosen once when the library is
// loaded from what runs fast there, not only from the instruction set.
//
// No path gathers where a plain form is as fast: the linear lanes read two
// neighbouring entries with one load, and the input through its references
// with plain loads. The one gather left is the FIR lanes' fallback for tiles
// whose reads span more than their time window holds; it runs only where
// gathers are fast, and elsewhere those tiles go one channel at a time.
// Gathers are microcoded and slow on AMD's Zen cores, and slowed on the Intel
// cores whose microcode guards against gather data sampling (Skylake to Tiger
// Lake, Comet and Rocket Lake).
//
// A 512-bit unit split into two 256-bit halves (Zen 4) does the FIR lanes'
// multiplies and adds at the AVX2 rate with half the instructions, and the
// linear lanes no longer gather, so such a CPU keeps the AVX-512 path.
#ifndef QUORBELIN_ENGINE_KERNEL_PATH_CHOICE_H
#define QUORBELIN_ENGINE_KERNEL_PATH_CHOICE_H

#include <cstdint>

#include "engine/kernel/paths.h"

namespace quorbelin {

enum class CpuVendor : uint8_t { intel, amd, other };

// What the choice depends on, as the CPU reports it.
struct CpuDescription {
    CpuVendor vendor = CpuVendor::other;
    int32_t family = 0;  // display family: base, plus the extended family for 0xF
    int32_t model = 0;   // display model: base, plus the extended model for 6 and 0xF
    bool avx2 = false;    // usable: the CPU has it and the system saves its registers
    bool avx512 = false;  // AVX-512F, usable likewise
};

// This CPU, from cpuid and the compiler's feature checks.
CpuDescription describeThisCpu();

// The widest path the CPU runs, and gathers only where they are fast.
KernelChoice chooseKernel(const CpuDescription& cpu);

}  // namespace quorbelin

#endif
