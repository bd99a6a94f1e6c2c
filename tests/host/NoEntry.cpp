// A loadable module that lacks the entry point.
extern "C" __attribute__((visibility("default"))) int NotAnEntryPoint() {
    return 1;
}
