#include "diag/WipingFree.h"

#include <malloc.h>
#include <stdlib.h>
#include <string.h>

#if defined(__SANITIZE_ADDRESS__)
#define ZETROVA_WIPING_FREE 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZETROVA_WIPING_FREE 0
#endif
#endif
#ifndef ZETROVA_WIPING_FREE
#define ZETROVA_WIPING_FREE 1
#endif

#if ZETROVA_WIPING_FREE

// The C library's own allocator, which these definitions stand in front of.
extern "C" {
void __libc_free(void* block);
void* __libc_malloc(size_t size);

void free(void* block) noexcept {
    if (block) explicit_bzero(block, malloc_usable_size(block));
    __libc_free(block);
}

void* realloc(void* block, size_t size) noexcept {
    if (!block) return __libc_malloc(size);
    if (size == 0) {
        free(block);
        return nullptr;
    }
    const size_t usable = malloc_usable_size(block);
    // Shrinking, or growing within the block's spare room: the block stays where it is.
    if (size <= usable) return block;
    void* moved = __libc_malloc(size);
    if (!moved) return nullptr;
    memcpy(moved, block, usable);
    free(block);
    return moved;
}
}

bool FreedMemoryIsWiped() {
    return true;
}

#else

bool FreedMemoryIsWiped() {
    return false;
}

#endif
