#include <windows.h>

#include "editor/ThreadIdentity.h"

// std::this_thread::get_id() would go through winpthreads, which allocates on the first call from
// a thread it did not create: the host's audio thread is one.
ThreadIdentity currentThreadIdentity() { return ThreadIdentity(GetCurrentThreadId()); }
