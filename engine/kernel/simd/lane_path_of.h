// An instruction set's lane path: its lane templates as the functions the
// dispatch calls. Included, like the lane templates, by one source file per
// instruction set after it has selected its target.
#ifndef QUORBELIN_ENGINE_KERNEL_SIMD_LANE_PATH_OF_H
#define QUORBELIN_ENGINE_KERNEL_SIMD_LANE_PATH_OF_H

#include "engine/kernel/simd/fir_lanes.h"
#include "engine/kernel/simd/lane_path.h"
#include "engine/kernel/simd/linear_lanes.h"
#include "engine/kernel/simd/vector_ops.h"

namespace quorbelin::kernel {

// RealGathers: whether the linear lanes gather for real data where gathers
// are fast. Complex data never does: its entries are two doubles, which one
// plain load reads faster.
template <VectorOps Isa, bool RealGathers>
LanePath lanePathOf(int parts) {
    if (parts == 2) {
        return {Isa::width / 2, &delayLaneTilesAnyRows<Isa, 2>,
                &delayLinearTileLanes<Isa, 2, false>, &delayLinearTileLanes<Isa, 2, false>};
    }
    return {Isa::width, &delayLaneTilesAnyRows<Isa, 1>, &delayLinearTileLanes<Isa, 1, false>,
            &delayLinearTileLanes<Isa, 1, RealGathers>};
}

}  // namespace quorbelin::kernel

#endif
