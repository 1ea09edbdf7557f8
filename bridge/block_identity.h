// Who this block is: the name compiled into it, which the host's name for the
// library file must match, and the label its entry-point messages carry.
#ifndef QUORBELIN_BRIDGE_BLOCK_IDENTITY_H
#define QUORBELIN_BRIDGE_BLOCK_IDENTITY_H

namespace quorbelin {

inline constexpr char compiledBlockName[] = "quorbelin";
inline constexpr char entryLabel[] = "KIV level2 S-function \"quorbelin\"";

}  // namespace quorbelin

#endif
