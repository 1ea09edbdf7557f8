// The texts every block of this host answers with, as the host's binary
// interface fixes them: the entry point's argument checks (labelled with the
// block's name) and the dispatch's refusals.
#ifndef QUORBELIN_VALIDATOR_INTERFACE_TEXTS_H
#define QUORBELIN_VALIDATOR_INTERFACE_TEXTS_H

#include <string>

namespace quorbelin::validator::texts {

inline std::string label(const std::string& blockName) {
    return "KIV level2 S-function \"" + blockName + "\"";
}
inline std::string tooFewRightArguments(const std::string& blockName) {
    return label(blockName) + " must be called with at least 4 right hand arguments";
}
inline std::string tooManyLeftArguments(const std::string& blockName) {
    return label(blockName) + " called with too many left hand arguments";
}
inline std::string flagNotInteger(const std::string& blockName) {
    return "The 4th right hand argument, FLAG, passed to " + label(blockName) + " must be an integer";
}
inline std::string invalidFlag(const std::string& blockName) {
    return "Invalid flag passed to " + label(blockName);
}
inline std::string nameMismatch(const std::string& compiledName, const std::string& fileName) {
    return "S-function name mismatch. Name in source is \"#define S_FUNCTION_NAME " + compiledName +
           "\", whereas name of the S-function KIV file is \"" + fileName + "\". The source needs to be updated";
}

inline constexpr const char* invalidMethodCode = "Invalid flag encountered in vostrel";
inline constexpr const char* nextVariableHit =
    "To have a variable sample time, you must define MDL_GET_TIME_OF_NEXT_VAR_HIT and add a "
    "mdlGetTimeOfNextVarHit routine";
inline constexpr const char* zeroCrossings =
    "To have nonsampled zero crossings, you must define MDL_ZERO_CROSSINGS and have a mdlZeroCrossings routine";
inline std::string unexpectedCall(const std::string& method) { return "Unexpected call to " + method; }

}  // namespace quorbelin::validator::texts

#endif
