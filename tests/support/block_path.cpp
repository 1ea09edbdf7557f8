#include "tests/support/block_path.h"

namespace quorbelin::testing {

const char* blockLibraryPath() { return QUORBELIN_BLOCK_PATH; }

}  // namespace quorbelin::testing
