// A library with a VST 2.4 entry point that always declines to create an instance.
#include "vst/vst2.h"

#if defined(_WIN32)
#define EXPORTED extern "C" __declspec(dllexport)
#else
#define EXPORTED extern "C" __attribute__((visibility("default")))
#endif

EXPORTED AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback host) {
    (void)host;
    return nullptr;
}
