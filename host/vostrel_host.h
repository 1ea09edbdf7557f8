// The stand-in Vostrel host, as a C++ API: host arrays, block libraries,
// host-owned block records, the two kinds of kivFunction call, and (in
// simulation.h) a whole simulation. Tests and the command-line tool drive a
// block through this API exactly as the host would; the block cannot tell it
// from the real host.
#ifndef QUORBELIN_HOST_VOSTREL_HOST_H
#define QUORBELIN_HOST_VOSTREL_HOST_H

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bridge/block_record.h"
#include "bridge/host_services.h"

namespace vostrel {

// A refusal by the host itself (not a message of the block).
class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class ArrayClass {
    Double, Single, Int8, UInt8, Int16, UInt16, Int32, UInt32, Int64, UInt64,
    Logical, Text, Cell
};

// An owning handle of a host array. Numeric data are held as doubles for
// every numeric class; text holds its character codes, logical 0 and 1.
class Array {
public:
    Array() = default;
    ~Array();
    Array(Array&& other) noexcept;
    Array& operator=(Array&& other) noexcept;
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;

    // Double class, column-major data; an empty imag gives a real array.
    static Array matrix(int32_t rows, int32_t columns, std::vector<double> real,
                        std::vector<double> imag = {});
    static Array scalar(double value);
    static Array complexScalar(double real, double imag);
    // 0 x 0 of the given class.
    static Array empty(ArrayClass arrayClass = ArrayClass::Double);
    // Any class and any number of dimensions; data sized to the product of
    // the dimensions (or empty for a cell array or an empty array).
    static Array withClass(ArrayClass arrayClass, std::vector<int32_t> dims,
                           std::vector<double> real = {}, std::vector<double> imag = {});
    static Array text(const std::string& characters);
    static Array cell(int32_t rows, int32_t columns);

    // Takes ownership of an array the host made (a kivFunction result).
    static Array adopt(kvArray* array);

    kvArray* get() const { return array_; }
    explicit operator bool() const { return array_ != nullptr; }
    // Real parts as a vector (empty when the array has none).
    std::vector<double> real() const;
    std::vector<double> imag() const;

private:
    explicit Array(kvArray* array) : array_(array) {}
    kvArray* array_ = nullptr;
};

// Count of kvCalloc blocks currently alive (reclaimed per call unless made
// persistent); lets a host notice a block that keeps memory it never frees.
std::size_t liveCallocBlocks();

using KivFunction = void (*)(int32_t leftCount, kvArray* leftResults[], int32_t rightCount,
                             const kvArray* rightArgs[]);

// The block's name as the host names it: the file's name without directory
// and suffix.
std::string blockNameFromPath(const std::string& path);

// A loaded block library. The block's name is the file's name without
// directory and suffix, as the host names blocks.
class BlockLibrary {
public:
    // Loads with immediate binding (a bare file name means the current
    // directory); throws HostError naming the file when the library cannot
    // be loaded (a host service it needs included) or lacks kivFunction.
    explicit BlockLibrary(const std::string& path);
    ~BlockLibrary();
    BlockLibrary(const BlockLibrary&) = delete;
    BlockLibrary& operator=(const BlockLibrary&) = delete;

    const std::string& path() const { return path_; }
    const std::string& blockName() const { return blockName_; }
    KivFunction entry() const { return entry_; }

private:
    std::string path_;
    std::string blockName_;
    void* handle_ = nullptr;
    KivFunction entry_ = nullptr;
};

// One kivFunction call inside the host's call wrapper: kvCalloc memory that
// was not made persistent is reclaimed when it returns, and kivErrMsgTxt
// abandons it. leftResults has one entry per left-hand slot (at least two):
// the array the block made and left in that slot, owned now by the caller,
// or an empty Array where the slot holds no new array (a method call's slot
// 1 keeps the record passed in). Arrays the block made and did not leave in
// a slot are reclaimed. An exception other than the abandonment becomes a
// HostError, after the call's memory is reclaimed.
struct CallOutcome {
    bool abandoned = false;
    std::string message;  // the kivErrMsgTxt text when abandoned
    std::vector<Array> leftResults;
};
CallOutcome invoke(const BlockLibrary& library, int32_t leftCount,
                   std::vector<kvArray*> leftSlots, std::vector<const kvArray*> rightArgs);

// A size query's answer: the 38 SizesVector elements, or the message that
// abandoned the call.
struct SizeQueryResult {
    bool abandoned = false;
    std::string message;
    std::vector<double> sizes;
};

// A size query with the given right-hand arguments as they stand (argument 1
// is rightArgs[0]); for argument-check tests and for plain queries.
SizeQueryResult sizeQuery(const BlockLibrary& library, int32_t leftCount,
                          std::vector<const kvArray*> rightArgs);
// A plain size query: FLAG 0, no host record, the given parameter values.
SizeQueryResult plainSizeQuery(const BlockLibrary& library,
                               const std::vector<const kvArray*>& parameters);

// A work vector's element type, from its dataType (0, untouched, holds
// doubles): the type's name and the bytes of one element (of each part of a
// complex one). Nothing for a type the host does not know.
struct WorkVectorType {
    const char* name;
    int32_t bytes;
};
std::optional<WorkVectorType> workVectorType(int32_t dataType);

// A block record owned by the host, with working port-count and work-vector
// operations, a sample-time table and, once allocated, work-vector storage
// and port signals.
class HostBlock {
public:
    explicit HostBlock(std::string blockName);
    ~HostBlock();
    HostBlock(const HostBlock&) = delete;
    HostBlock& operator=(const HostBlock&) = delete;

    BlockRecord& record();
    const BlockRecord& record() const;

    // The parameter values handed to the block (owned by the host block);
    // also sets numParamsGiven, params and one zeroed attribute word each.
    void setParameters(std::vector<Array> parameters);
    const std::vector<Array>& parameters() const;

    // Whether setNumWorkVectors is offered (it is by default) and whether
    // it answers success.
    void offerWorkVectors(bool offered, bool succeeds = true);
    int32_t workVectorCount() const;

    // The 2 x 1 array [record address; RECORD_VERSION] that marks this
    // record in a size query's second right-hand argument.
    Array marker() const;

    // The sample-time table (period, offset); element 0 is the block's
    // sample period, -1.0 until the host settles it.
    void setSampleTime(double period, double offset);

    // The bytes the declared work vectors will take once allocated (every
    // vector's width x element size x 2 when complex), so that a host can
    // refuse a declaration before allocating it.
    uint64_t workVectorBytes() const;
    // Zero-filled storage for every declared work vector, from its width,
    // type (0 doubles, 6 int32, ...) and complexity (1: pairs); throws
    // HostError for a negative width, an unknown type, or storage that
    // cannot be allocated (more than the machine's memory included).
    void allocateWorkVectors();
    // Storage for every port's signal from its width and complexity, with
    // one element reference per input element; zero-filled. Throws
    // HostError for a port whose width is still unknown.
    void allocateSignals();
    // Input port p's storage (doubles; interleaved pairs when complex).
    // Throws HostError for a port without storage.
    double* inputData(int32_t port);
    // Output port p's storage; HostError for a port without storage.
    const double* outputData(int32_t port) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Registers the block on the host record: a size query whose second
// right-hand argument is the record's marker and whose parameters are the
// record's parameter values.
SizeQueryResult registerBlock(const BlockLibrary& library, HostBlock& block);

// The arguments the host fills in before a method call.
struct MethodArgs {
    int32_t port = 0;         // sizes[methodArgument]
    int32_t value = 0;        // callArgs->valueArgument
    double period = 0.0;      // callArgs->periodArgument
    double offset = 0.0;      // callArgs->offsetArgument
    const void* dims = nullptr;  // callArgs->dimsArgument
};

// A method call: sets the arguments, calls kivFunction with a negative
// left-hand count, the record in left-hand slot 1 and FLAG = code, and
// returns the text in the root's error slot afterwards ("" when empty), or
// the kivErrMsgTxt text should the block abandon the call. The slot is not
// cleared before the call; clearError does that.
std::string callMethod(const BlockLibrary& library, HostBlock& block, double code,
                       const MethodArgs& args = {});
void clearError(HostBlock& block);

}  // namespace vostrel

#endif
