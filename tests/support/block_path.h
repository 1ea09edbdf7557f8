#ifndef QUORBELIN_TESTS_SUPPORT_BLOCK_PATH_H
#define QUORBELIN_TESTS_SUPPORT_BLOCK_PATH_H

namespace quorbelin::testing {

// The freshly built block library under test.
const char* blockLibraryPath();

}  // namespace quorbelin::testing

#endif
