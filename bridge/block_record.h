/*
 * The per-block record that the Vostrel host and a block exchange everything
 * through. Plain C-compatible, standard-layout structs: a host written
 * against these field names compiles with them.
 *
 * Fields marked "host's" are kept by the host; a block neither reads nor
 * writes them. The host owns the record and everything reached from it; the
 * block owns only what it hangs from userData.
 */
#ifndef QUORBELIN_BRIDGE_BLOCK_RECORD_H
#define QUORBELIN_BRIDGE_BLOCK_RECORD_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct BlockRecord BlockRecord;

/* Indices of the 38-word sizes section. The size query returns the section
 * word for word as its SizesVector. */
enum SizesIndex {
    numOutputPorts = 2,
    numInputPorts = 3,
    /* Port index of a port method; -2 is passed on to the output computation. */
    methodArgument = 4,
    /* -1: every port carries its own sample time. */
    numSampleTimes = 6,
    numParams = 7,
    recordVersion = 19,
    /* Option bits, returned unsigned. */
    options = 23,
    /* Bit 0: ports negotiated through dimension-info methods. Bit 1: set by
     * the stand-alone port-count setters. */
    portFlags = 31,
    SIZES_WORD_COUNT = 38
};

/* Written into recordVersion by every size query; also the marker that tells
 * a host record apart in the size query's second right-hand argument. */
#define RECORD_VERSION 5200229

/* sizes[options] bits. */
#define OPTIONS_WORK_VECTORS_DECLARED 2u
#define OPTIONS_SIZE_QUERY_DONE 0x2000u
/* sizes[portFlags] bits. */
#define PORT_FLAGS_DIMENSION_INFO 1u
#define PORT_FLAGS_STAND_ALONE 2u

/* Method codes carried by FLAG in a method call; every other code is
 * invalid. */
enum MethodCode {
    checkSampleTimesCode = 101,
    initializeConditionsCode = 102,
    nextVariableHitCode = 103,
    computeOutputsCode = 104,
    releaseCode = 107,
    zeroCrossingsCode = 108,
    setWorkWidthsCode = 111,
    checkParametersCode = 112,
    inputDataTypeCode = 113,
    outputDataTypeCode = 114,
    inputWidthCode = 115,
    outputWidthCode = 116,
    startCode = 117,
    inputComplexSignalCode = 120,
    outputComplexSignalCode = 121,
    inputSampleTimeCode = 122,
    outputSampleTimeCode = 123,
    inputDimensionInfoCode = 126,
    outputDimensionInfoCode = 127,
    inputFrameDataCode = 128,
    defaultDimensionInfoCode = 131,
    defaultDataTypesCode = 132,
    defaultComplexSignalsCode = 133
};

/* Special port values. */
#define DYNAMICALLY_SIZED (-1)
#define COMPLEXITY_INHERITED (-1)
#define COMPLEXITY_REAL 0
#define COMPLEXITY_COMPLEX 1
#define PORT_BASED_SAMPLE_TIMES (-1)
/* Work-vector element type of a 32-bit signed integer; other types are the
 * host's; an untouched dataType means doubles. */
#define WORK_TYPE_INT32 6

typedef struct InputPortRecord {
    int32_t width;              /* -1 while dynamically sized */
    int32_t directFeedthrough;  /* 1: used when outputs are computed */
    int32_t dataType;           /* host's */
    int32_t complexity;         /* -1 inherited, 0 real, 1 complex */
    /* One reference per element: one double, or two adjacent doubles (real
     * part first) for a complex signal. */
    const double* const* signal;
    int32_t frameData;          /* host's */
    uint32_t attributes;        /* bit 0 a flag, bits 1-2 a two-bit field */
    int32_t sampleTimeIndex;    /* host's */
    double samplePeriod;        /* -1.0 while unknown; +inf constant */
    double sampleOffset;
    void* hostData;             /* host's */
} InputPortRecord;

typedef struct OutputPortRecord {
    int32_t width;
    int32_t dataType;           /* host's */
    int32_t complexity;
    /* Contiguous doubles, or contiguous (real, imaginary) pairs. */
    double* signal;
    int32_t frameData;          /* host's */
    uint32_t attributes;        /* bits 0-1 a two-bit field */
    double samplePeriod;
    double sampleOffset;
    void* hostData;             /* host's */
} OutputPortRecord;

typedef struct WorkVectorRecord {
    int32_t width;              /* elements */
    int32_t dataType;           /* 6: int32; left alone: doubles */
    int32_t complexity;         /* 1: (real, imaginary) pairs of doubles */
    void* data;                 /* allocated by the host once widths are known */
    void* hostData;             /* host's */
} WorkVectorRecord;

/* callArgs->callMode of a call made only to learn sizes. */
#define CALL_MODE_SIZES_ONLY 1

typedef struct CallArgs {
    int32_t callMode;           /* 1: a call made only to learn sizes */
    int32_t hostMode;           /* host's */
    const void* dimsArgument;   /* for the dimension-info methods */
    void* hostArgument;         /* host's */
    int32_t valueArgument;      /* width, data type, complexity, frame data */
    int32_t hostValue;          /* host's */
    double periodArgument;      /* sample-time methods */
    double offsetArgument;
    double hostTime;            /* host's */
} CallArgs;

typedef struct PortMethods {
    void* hostMethods[4];       /* host's */
    void (*mdlSetInputPortFrameData)(BlockRecord* record, int32_t port, int32_t value);
    void* hostMethod;           /* host's */
    void (*mdlSetDefaultPortDimensionInfo)(BlockRecord* record);
    void (*mdlSetDefaultPortDataTypes)(BlockRecord* record);
    void (*mdlSetDefaultPortComplexSignals)(BlockRecord* record);
} PortMethods;

/* The block's methods as the host calls them, 24 slots in this order. Slots
 * named host... are the host's. While sizes[portFlags] bit 0 is set the two
 * width slots hold dimension-info methods taking (record, port, dims). */
typedef struct MethodTable {
    void (*mdlDeclareSizes)(BlockRecord* record);
    void (*hostSlot1)(BlockRecord* record);
    void (*hostSlot2)(BlockRecord* record);
    void (*mdlSetInputPortWidth)(BlockRecord* record, int32_t port, int32_t width);
    void (*mdlSetOutputPortWidth)(BlockRecord* record, int32_t port, int32_t width);
    void (*mdlSetInputPortDataType)(BlockRecord* record, int32_t port, int32_t dataType);
    void (*mdlSetOutputPortDataType)(BlockRecord* record, int32_t port, int32_t dataType);
    void (*mdlCheckSampleTimes)(BlockRecord* record);
    void (*mdlSetInputPortSampleTime)(BlockRecord* record, int32_t port, double period, double offset);
    void (*mdlSetOutputPortSampleTime)(BlockRecord* record, int32_t port, double period, double offset);
    void (*mdlSetWorkWidths)(BlockRecord* record);
    void (*hostSlot11)(BlockRecord* record);
    void (*mdlInitializeConditions)(BlockRecord* record);
    void (*mdlStart)(BlockRecord* record);
    void (*mdlCheckParameters)(BlockRecord* record);
    void (*hostSlot15)(BlockRecord* record);
    void (*mdlGetTimeOfNextVarHit)(BlockRecord* record);
    void (*mdlComputeOutputs)(BlockRecord* record, int32_t task);
    void (*hostSlot18)(BlockRecord* record);
    void (*hostSlot19)(BlockRecord* record);
    void (*mdlZeroCrossings)(BlockRecord* record);
    void (*mdlRelease)(BlockRecord* record);
    void (*mdlSetInputPortComplexSignal)(BlockRecord* record, int32_t port, int32_t complexity);
    void (*mdlSetOutputPortComplexSignal)(BlockRecord* record, int32_t port, int32_t complexity);
} MethodTable;

/* The shape of a dimension-info method, which the width slots hold while
 * sizes[portFlags] bit 0 is set. */
typedef void (*DimensionInfoMethod)(BlockRecord* record, int32_t port, const void* dims);

struct kvArray;

struct BlockRecord {
    const char* blockName;      /* must equal the block's compiled-in name */
    const char* blockPath;
    void* hostData;             /* host's */
    BlockRecord* root;          /* every message goes to root->errorMessage */
    const char* errorMessage;   /* null: no error; only constant texts */
    int32_t sizes[SIZES_WORD_COUNT];
    int32_t (*setNumInputPorts)(void* context, int32_t count);
    void* setNumInputPortsContext;
    int32_t (*setNumOutputPorts)(void* context, int32_t count);
    void* setNumOutputPortsContext;
    InputPortRecord* inputPorts;
    OutputPortRecord* outputPorts;
    int32_t numParamsGiven;
    const struct kvArray* const* params;
    uint32_t* paramAttributes;  /* one word per parameter */
    void* hostParams;           /* host's */
    PortMethods* portMethods;
    void* hostModel;            /* host's */
    void* userData;             /* block-owned */
    WorkVectorRecord* workVectors;
    int32_t numWorkVectors;     /* host's */
    CallArgs* callArgs;
    void* hostCallState;        /* host's */
    /* May be null; -1 means the number is decided later. Nonzero on success. */
    int32_t (*setNumWorkVectors)(BlockRecord* record, int32_t count);
    void* hostWorkState;        /* host's */
    double* sampleTimes;        /* element 0: the sample period */
    int32_t hostSampleTimeCount; /* host's */
    MethodTable methods;
    void* hostTrailer[4];       /* host's */
};

#ifdef __cplusplus
}
#endif

#endif
