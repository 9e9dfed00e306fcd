// Counts what the calling thread asks of the C library between start and stop: heap blocks, lock
// acquisitions, and calls that enter the kernel. The test program defines the C library's functions
// itself (CallCounter.c), so every library in the process reaches them first, the plug-in loaded at
// run time and the Xlib it uses included; each one counts and forwards to the C library's own.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CallCounts {
    long allocations;
    long locks;
    long systemCalls;
    const char* lastSystemCall;  // the name of the last one counted, for the failure message
} CallCounts;

void callCounterStart(void);
CallCounts callCounterStop(void);

#ifdef __cplusplus
}
#endif
