#include <pthread.h>

#include "editor/ThreadIdentity.h"

ThreadIdentity currentThreadIdentity() { return ThreadIdentity(pthread_self()); }
