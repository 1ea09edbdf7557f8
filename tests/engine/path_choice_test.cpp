// The kernel's path from what a CPU reports: the widest unit it can use, and
// gathers only on cores known to run them at full speed. The CPUs are given
// as cpuid reports them (display family and model).
#include <gtest/gtest.h>

#include <string>

#include "engine/kernel/path_choice.h"

namespace quorbelin {
namespace {

struct ChoiceCase {
    const char* cpu;
    CpuDescription description;
    KernelPath path;
    bool gathers;
};

const ChoiceCase choiceCases[] = {
    // Intel from Sapphire Rapids on: AVX-512, fast gathers.
    {"Sapphire Rapids", {CpuVendor::intel, 6, 0x8F, true, true}, KernelPath::avx512, true},
    {"Emerald Rapids", {CpuVendor::intel, 6, 0xCF, true, true}, KernelPath::avx512, true},
    {"Alder Lake (no AVX-512)", {CpuVendor::intel, 6, 0x97, true, false}, KernelPath::avx2, true},
    // Gathers slowed by the microcode against gather data sampling.
    {"Ice Lake server", {CpuVendor::intel, 6, 0x6A, true, true}, KernelPath::avx512, false},
    {"Skylake server", {CpuVendor::intel, 6, 0x55, true, true}, KernelPath::avx512, false},
    {"Tiger Lake", {CpuVendor::intel, 6, 0x8C, true, true}, KernelPath::avx512, false},
    {"Rocket Lake", {CpuVendor::intel, 6, 0xA7, true, true}, KernelPath::avx512, false},
    {"Comet Lake", {CpuVendor::intel, 6, 0xA5, true, false}, KernelPath::avx2, false},
    // Older cores with slow gathers.
    {"Haswell", {CpuVendor::intel, 6, 0x3C, true, false}, KernelPath::avx2, false},
    // AMD: microcoded gathers; Zen 4 splits 512-bit work into halves and
    // keeps the AVX-512 path.
    {"Zen 4", {CpuVendor::amd, 0x19, 0x11, true, true}, KernelPath::avx512, false},
    {"Zen 3", {CpuVendor::amd, 0x19, 0x01, true, false}, KernelPath::avx2, false},
    {"Zen 2", {CpuVendor::amd, 0x17, 0x31, true, false}, KernelPath::avx2, false},
    {"Zen 5", {CpuVendor::amd, 0x1A, 0x02, true, true}, KernelPath::avx512, false},
    // Without the wider units, whatever the vendor.
    {"Intel without AVX2", {CpuVendor::intel, 6, 0xCF, false, false}, KernelPath::portable, false},
    {"another vendor", {CpuVendor::other, 6, 0x0F, true, false}, KernelPath::avx2, false},
    {"another vendor, no AVX2", {CpuVendor::other, 7, 0x1B, false, false}, KernelPath::portable,
     false},
};

TEST(KernelPathChoice, FromVendorFamilyModelAndUnits) {
    for (const ChoiceCase& c : choiceCases) {
        const KernelChoice choice = chooseKernel(c.description);
        EXPECT_EQ(choice.path, c.path) << c.cpu << ": got the " << kernelPathName(choice.path)
                                       << " path";
        EXPECT_EQ(choice.gathers, c.gathers) << c.cpu;
    }
}

// The choice in force is the one for this CPU, and runs here.
TEST(KernelPathChoice, TheLoadedLibraryChoseForThisCpu) {
    const KernelChoice expected = chooseKernel(describeThisCpu());
    EXPECT_EQ(chosenKernel().path, expected.path);
    EXPECT_EQ(chosenKernel().gathers, expected.gathers);
    EXPECT_TRUE(kernelPathAvailable(chosenKernel().path));
}

}  // namespace
}  // namespace quorbelin
