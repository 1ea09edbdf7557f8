// What the lane templates need from an instruction set: one vector type of
// doubles and the operations on it. Each instruction set's translation unit
// (simd/avx2.cpp, simd/avx512.cpp) defines a type of its own that satisfies
// this, so no function compiled for one instruction set is shared with
// another.
#ifndef QUORBELIN_ENGINE_KERNEL_SIMD_VECTOR_OPS_H
#define QUORBELIN_ENGINE_KERNEL_SIMD_VECTOR_OPS_H

#include <concepts>
#include <cstdint>

namespace quorbelin::kernel {

template <class Isa>
concept VectorOps = requires(typename Isa::Vec v, typename Isa::Vec* vectors, double* p,
                             const double* c, const double* const* refs,
                             const int32_t* indices32, const int64_t* indices64,
                             typename Isa::Index index, double value) {
    // width doubles per Vec; Index holds width 64-bit offsets.
    requires std::same_as<decltype(Isa::width), const int>;
    requires Isa::width >= 2 && Isa::width % 2 == 0;
    { Isa::zero() } -> std::same_as<typename Isa::Vec>;
    { Isa::broadcast(value) } -> std::same_as<typename Isa::Vec>;
    { Isa::add(v, v) } -> std::same_as<typename Isa::Vec>;
    { Isa::mul(v, v) } -> std::same_as<typename Isa::Vec>;
    // Aligned (load, store) and unaligned (loadu, storeu) moves.
    { Isa::load(c) } -> std::same_as<typename Isa::Vec>;
    { Isa::loadu(c) } -> std::same_as<typename Isa::Vec>;
    Isa::store(p, v);
    Isa::storeu(p, v);
    { Isa::loadIndex(indices64) } -> std::same_as<typename Isa::Index>;
    // base[offsets[lane]] for every lane (offsets in doubles); used only
    // where gathers are fast (see path_choice.h).
    { Isa::gather(c, index) } -> std::same_as<typename Isa::Vec>;
    // base[indices[lane]] for width 32-bit indices (aligned); used only
    // where gathers are fast.
    { Isa::gatherAt(c, indices32) } -> std::same_as<typename Isa::Vec>;
    // width doubles, each behind its own reference; likewise.
    { Isa::gatherThrough(refs) } -> std::same_as<typename Isa::Vec>;
    // For each of width / Parts samples k, the entry of Parts doubles at
    // c + indices[k * Parts] (younger) and the one before it (older).
    Isa::template neighbours<1>(c, indices32, v, v);
    Isa::template neighbours<2>(c, indices32, v, v);
    // The width doubles from place S of lo on, into hi: lo's last width - S
    // and hi's first S (0 < S < width).
    { Isa::template join<1>(v, v) } -> std::same_as<typename Isa::Vec>;
    // Transposes width / Parts vectors seen as a square matrix of
    // Parts-double units, in place; its own inverse.
    Isa::template transpose<1>(vectors);
    Isa::template transpose<2>(vectors);
};

}  // namespace quorbelin::kernel

#endif
