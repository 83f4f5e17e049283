// A tiny run-time library for the module search tests.
extern "C" int RuvuTestModuleAnswer() {
    return 42;
}
