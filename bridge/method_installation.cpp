#include "bridge/method_installation.h"

#include "bridge/stub_methods.h"
#include "config/check_parameters.h"
#include "config/declare_sizes.h"
#include "config/dsp_cplxhs11.h"
#include "config/dsp_ctrl_ts.h"
#include "config/port_widths.h"
#include "engine/engine_methods.h"

namespace quorbelin {

void installBlockMethods(BlockRecord* record) {
    MethodTable& methods = record->methods;
    methods.mdlDeclareSizes = mdlDeclareSizes;
    methods.mdlSetInputPortWidth = mdlSetInputPortWidth;
    methods.mdlSetOutputPortWidth = mdlSetOutputPortWidth;
    methods.mdlSetInputPortSampleTime = mdlSetInputPortSampleTime;
    methods.mdlSetOutputPortSampleTime = mdlSetOutputPortSampleTime;
    methods.mdlSetInputPortComplexSignal = mdlSetInputPortComplexSignal;
    methods.mdlSetOutputPortComplexSignal = mdlSetOutputPortComplexSignal;
    methods.mdlSetWorkWidths = mdlSetWorkWidths;
    methods.mdlCheckSampleTimes = mdlCheckSampleTimes;
    methods.mdlInitializeConditions = mdlInitializeConditions;
    methods.mdlStart = mdlStart;
    methods.mdlCheckParameters = mdlCheckParameters;
    methods.mdlGetTimeOfNextVarHit = nextVariableHitStub;
    methods.mdlComputeOutputs = mdlComputeOutputs;
    methods.mdlZeroCrossings = zeroCrossingsStub;
    methods.mdlRelease = mdlRelease;

    record->sizes[portFlags] = static_cast<int32_t>(static_cast<uint32_t>(record->sizes[portFlags]) &
                                                    ~PORT_FLAGS_DIMENSION_INFO);
}

}  // namespace quorbelin
