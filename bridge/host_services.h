/*
 * Services of the Vostrel host that a block calls: the array library (kv...),
 * the plug-in library (kiv...) and the support library (blockaux).
 *
 * A block library leaves every one of these undefined; the process that loads
 * the block provides them. Only the low byte of a truth value is meaningful.
 * kvArray is opaque to blocks.
 */
#ifndef QUORBELIN_BRIDGE_HOST_SERVICES_H
#define QUORBELIN_BRIDGE_HOST_SERVICES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define QUORBELIN_NORETURN [[noreturn]]
extern "C" {
#else
#define QUORBELIN_NORETURN _Noreturn
#endif

typedef struct kvArray kvArray;
struct BlockRecord;

/* Array access. Data are column-major: element (r, c) at r + c * rows.
 * kvGetPr/kvGetPi give null for arrays without data (empty, cell) and kvGetPi
 * gives null for a real array. */
double* kvGetPr(const kvArray* array);
double* kvGetPi(const kvArray* array);
int32_t kvGetM(const kvArray* array);
int32_t kvGetN(const kvArray* array);
int32_t kvGetNumberOfElements(const kvArray* array);
int32_t kvGetNumberOfDimensions(const kvArray* array);
const int32_t* kvGetDimensions(const kvArray* array);
uint8_t kvIsEmpty(const kvArray* array);
uint8_t kvIsDouble(const kvArray* array);
uint8_t kvIsComplex(const kvArray* array);
uint8_t kvIsNumeric(const kvArray* array);
double kvGetInf(void);

/* Zero-filled memory, null on failure. Reclaimed by the host when the current
 * kivFunction call ends, unless kivMakeMemoryPersistent was called on it. */
void* kvCalloc(size_t count, size_t size);
/* Releases a kvCalloc block, persistent or not. */
void kvFree(void* block);
/* A new real (complexity 0) or complex array of doubles, handed to the host. */
kvArray* kvCreateDoubleMatrix(int32_t rows, int32_t columns, int32_t complexity);

/* Reports the text and abandons the whole kivFunction call: never returns.
 * The host realises this by unwinding through the block, which is built with
 * unwind tables and declares nothing on that path noexcept. */
QUORBELIN_NORETURN void kivErrMsgTxt(const char* message);
/* A kvCalloc block survives the end of the current call until kvFree. */
void kivMakeMemoryPersistent(void* block);

/* True when every input port's sample period is finite and greater than 0. */
uint8_t areAllInputPortsDiscreteSampleTime(struct BlockRecord* record);

#ifdef __cplusplus
}
#endif

#endif
