// A library that loads but offers no kivFunction.
extern "C" __attribute__((visibility("default"))) int notAnEntryPoint() { return 0; }
