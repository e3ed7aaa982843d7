#pragma once
// Tells the thread sanitizer about hand-overs that happen inside Qt, whose own locking it
// cannot see (the distribution's Qt is not built for it). No code in other builds.
#if defined(__SANITIZE_THREAD__)
#define OSTRELY_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define OSTRELY_TSAN 1
#endif
#endif

#ifdef OSTRELY_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace platform {

// Everything written before handOver(p) is visible after takeOver(p) on another thread.
inline void handOver([[maybe_unused]] const void* p) {
#ifdef OSTRELY_TSAN
    __tsan_release(const_cast<void*>(p));
#endif
}

inline void takeOver([[maybe_unused]] const void* p) {
#ifdef OSTRELY_TSAN
    __tsan_acquire(const_cast<void*>(p));
#endif
}

}  // namespace platform
