// A module with one export, so that loading it can be told apart from failure.
extern "C" __attribute__((visibility("default"))) int fixtureModuleAnswer() {
    return 42;
}
