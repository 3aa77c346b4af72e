// A game module for the launcher's tests that exports no run.
extern "C" int SilentModuleLoaded() { return 1; }
