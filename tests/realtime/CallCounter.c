#define _GNU_SOURCE
#include "tests/realtime/CallCounter.h"

#include <dlfcn.h>
#include <poll.h>
#include <pthread.h>
#include <semaphore.h>
#include <stdarg.h>
#include <stddef.h>
#include <sys/mman.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

static __thread int counting;
static __thread CallCounts counts;

void callCounterStart(void) {
    CallCounts none = {0, 0, 0, 0};
    counts = none;
    counting = 1;
}

CallCounts callCounterStop(void) {
    counting = 0;
    return counts;
}

/* Heap: glibc's own entry points, so that nothing here needs the dynamic linker. */
extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* block, size_t size);
extern void* __libc_memalign(size_t alignment, size_t size);
extern void __libc_free(void* block);

static void countAllocation(void) {
    if (counting) ++counts.allocations;
}

void* malloc(size_t size) {
    countAllocation();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    countAllocation();
    return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) {
    countAllocation();
    return __libc_realloc(block, size);
}
void* memalign(size_t alignment, size_t size) {
    countAllocation();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
    countAllocation();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** block, size_t alignment, size_t size) {
    countAllocation();
    *block = __libc_memalign(alignment, size);
    return *block ? 0 : 12; /* ENOMEM */
}
void free(void* block) {
    countAllocation();
    __libc_free(block);
}

/* The rest forward to the next definition, looked up the first time it is needed. */
#define NEXT(name) \
    static __typeof__(&name) next_##name; \
    if (!next_##name) next_##name = (__typeof__(&name))dlsym(RTLD_NEXT, #name)

#define LOCK(name, params, args)                  \
    int name params {                             \
        NEXT(name);                               \
        if (counting) ++counts.locks;             \
        return next_##name args;                  \
    }

LOCK(pthread_mutex_lock, (pthread_mutex_t * mutex), (mutex))
LOCK(pthread_mutex_trylock, (pthread_mutex_t * mutex), (mutex))
LOCK(pthread_mutex_timedlock, (pthread_mutex_t * mutex, const struct timespec* until), (mutex, until))
LOCK(pthread_rwlock_rdlock, (pthread_rwlock_t * lock), (lock))
LOCK(pthread_rwlock_wrlock, (pthread_rwlock_t * lock), (lock))
LOCK(pthread_spin_lock, (pthread_spinlock_t * lock), (lock))
LOCK(pthread_cond_wait, (pthread_cond_t * condition, pthread_mutex_t* mutex), (condition, mutex))
LOCK(pthread_cond_timedwait, (pthread_cond_t * condition, pthread_mutex_t* mutex, const struct timespec* until),
     (condition, mutex, until))
LOCK(sem_wait, (sem_t * semaphore), (semaphore))

#define KERNEL(type, name, params, args)                                  \
    type name params {                                                    \
        NEXT(name);                                                       \
        if (counting) {                                                   \
            ++counts.systemCalls;                                         \
            counts.lastSystemCall = #name;                                \
        }                                                                 \
        return next_##name args;                                          \
    }

KERNEL(ssize_t, read, (int fd, void* data, size_t size), (fd, data, size))
KERNEL(ssize_t, write, (int fd, const void* data, size_t size), (fd, data, size))
KERNEL(ssize_t, readv, (int fd, const struct iovec* parts, int count), (fd, parts, count))
KERNEL(ssize_t, writev, (int fd, const struct iovec* parts, int count), (fd, parts, count))
KERNEL(int, poll, (struct pollfd * fds, nfds_t count, int timeout), (fds, count, timeout))
KERNEL(int, ppoll, (struct pollfd * fds, nfds_t count, const struct timespec* timeout, const sigset_t* mask),
       (fds, count, timeout, mask))
KERNEL(int, select, (int count, fd_set* in, fd_set* out, fd_set* error, struct timeval* timeout),
       (count, in, out, error, timeout))
KERNEL(ssize_t, recv, (int fd, void* data, size_t size, int flags), (fd, data, size, flags))
KERNEL(ssize_t, recvmsg, (int fd, struct msghdr* message, int flags), (fd, message, flags))
KERNEL(ssize_t, send, (int fd, const void* data, size_t size, int flags), (fd, data, size, flags))
KERNEL(ssize_t, sendmsg, (int fd, const struct msghdr* message, int flags), (fd, message, flags))
KERNEL(int, nanosleep, (const struct timespec* duration, struct timespec* left), (duration, left))
KERNEL(int, clock_nanosleep, (clockid_t clock, int flags, const struct timespec* duration, struct timespec* left),
       (clock, flags, duration, left))
KERNEL(int, sched_yield, (void), ())
KERNEL(void*, mmap, (void* address, size_t size, int protection, int flags, int fd, off_t offset),
       (address, size, protection, flags, fd, offset))
KERNEL(int, munmap, (void* address, size_t size), (address, size))
KERNEL(int, mprotect, (void* address, size_t size, int protection), (address, size, protection))
KERNEL(int, madvise, (void* address, size_t size, int advice), (address, size, advice))
KERNEL(int, close, (int fd), (fd))

/* syscall() itself: futex waits and wakes, among others. */
long syscall(long number, ...) {
    NEXT(syscall);
    va_list list;
    va_start(list, number);
    long a = va_arg(list, long), b = va_arg(list, long), c = va_arg(list, long);
    long d = va_arg(list, long), e = va_arg(list, long), f = va_arg(list, long);
    va_end(list);
    if (counting) {
        ++counts.systemCalls;
        counts.lastSystemCall = "syscall";
    }
    return next_syscall(number, a, b, c, d, e, f);
}
