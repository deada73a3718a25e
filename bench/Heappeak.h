#pragma once
// The heap a benchmark holds at its peak. Including this header (in one
// source file of a program) puts counting wrappers in front of the C
// library's allocator: every malloc, calloc, realloc, aligned allocation and
// free of the program and of the libraries it loads (Qt, SQLite, the C++
// operator new) passes through them, so that the bytes held at any moment
// (the allocator's usable sizes) and their highest value are known. Unlike
// the process's peak resident size, which only grows, the peak can be
// started afresh before each variant of a measurement, so that two variants
// run in one process are compared alike. Without counting (a sanitizer owns
// the allocator) HeapPeak::Counting() is false.
#include <atomic>
#include <cstddef>

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && defined(__GLIBC__)
#include <malloc.h>
#include <unistd.h>

namespace HeapPeak {
inline std::atomic<long long> held{0}, peak{0};
inline void Add(void* p) {
    if (!p) return;
    const long long size = static_cast<long long>(malloc_usable_size(p));
    const long long now = held.fetch_add(size, std::memory_order_relaxed) + size;
    long long top = peak.load(std::memory_order_relaxed);
    while (now > top && !peak.compare_exchange_weak(top, now, std::memory_order_relaxed)) {
    }
}
inline void Remove(void* p) {
    if (p) held.fetch_sub(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
}
inline bool Counting() { return true; }
// Bytes held now.
inline long long Held() { return held.load(std::memory_order_relaxed); }
// Starts the peak afresh from what is held now.
inline void Restart() { peak.store(Held(), std::memory_order_relaxed); }
// The highest number of bytes held since Restart().
inline long long Peak() { return peak.load(std::memory_order_relaxed); }
} // namespace HeapPeak

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t n) {
    void* p = __libc_malloc(n);
    HeapPeak::Add(p);
    return p;
}
void* calloc(size_t n, size_t size) {
    void* p = __libc_calloc(n, size);
    HeapPeak::Add(p);
    return p;
}
void* realloc(void* old, size_t n) {
    // The old block counts as freed, the new one as allocated (they may be the same).
    const long long before = old ? static_cast<long long>(malloc_usable_size(old)) : 0;
    void* p = __libc_realloc(old, n);
    if (!p && n) return p;  // the old block stays
    HeapPeak::held.fetch_sub(before, std::memory_order_relaxed);
    HeapPeak::Add(p);
    return p;
}
void free(void* p) {
    HeapPeak::Remove(p);
    __libc_free(p);
}
void* memalign(size_t alignment, size_t n) {
    void* p = __libc_memalign(alignment, n);
    HeapPeak::Add(p);
    return p;
}
void* aligned_alloc(size_t alignment, size_t n) { return memalign(alignment, n); }
int posix_memalign(void** out, size_t alignment, size_t n) {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return 22;  // EINVAL
    void* p = memalign(alignment, n);
    if (!p) return 12;  // ENOMEM
    *out = p;
    return 0;
}
void* valloc(size_t n) { return memalign(size_t(sysconf(_SC_PAGESIZE)), n); }
void* pvalloc(size_t n) {
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    return memalign(page, (n + page - 1) / page * page);
}
}
#else
namespace HeapPeak {
inline bool Counting() { return false; }
inline long long Held() { return 0; }
inline void Restart() {}
inline long long Peak() { return 0; }
} // namespace HeapPeak
#endif
