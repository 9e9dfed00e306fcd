// A shared library that exports something, but no VST 2.4 entry point.
#if defined(_WIN32)
#define EXPORTED extern "C" __declspec(dllexport)
#else
#define EXPORTED extern "C" __attribute__((visibility("default")))
#endif

EXPORTED int notAPluginEntry(int value) { return value + 1; }
