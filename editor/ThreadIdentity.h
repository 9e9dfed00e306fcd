// Which thread is running, found without a system call, a lock or an allocation, so that the audio
// thread can ask it on every parameter change. Never 0, which stands for no thread.
#pragma once

#include <cstdint>

using ThreadIdentity = std::uintptr_t;

ThreadIdentity currentThreadIdentity();
