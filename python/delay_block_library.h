// The delay block library the module runs: quorbelin.so, found beside the
// module's own file (the build tree) or in the library folder of the
// installation it was installed into. Loaded once per process and kept
// loaded, as the host keeps a block library while any of its blocks lives.
#ifndef QUORBELIN_PYTHON_DELAY_BLOCK_LIBRARY_H
#define QUORBELIN_PYTHON_DELAY_BLOCK_LIBRARY_H

#include "host/vostrel_host.h"

namespace quorbelin::python {

// The loaded library; BlockError listing the places looked at when there
// is no block library, HostError when it cannot be loaded.
const vostrel::BlockLibrary& delayBlockLibrary();

}  // namespace quorbelin::python

#endif
