// Every heap block is overwritten when it is freed. A key passes through ordinary strings on its
// way in (the text of a key box, a typed line, the state of a hash); a freed copy would otherwise
// stay readable in the heap until the block happens to be reused. glibc's M_PERTURB does not serve:
// it leaves alone the blocks of the per-thread cache, which is where every block up to about
// 1 KiB goes, strings of key size among them. So the programs that link this file replace free()
// for everything in the process: the block's usable size is wiped, then glibc takes it back.
// realloc() is replaced too, since glibc frees a moved block internally, out of free()'s reach.
//
// Under a sanitizer the sanitizer owns the heap, and this file stands aside; so does it when
// another allocator has been preloaded, whose blocks glibc must not be handed.

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                         \
    __has_feature(memory_sanitizer)
#define ZR7_HEAP_SANITIZED
#endif
#endif

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && !defined(ZR7_HEAP_SANITIZED)

#include <cstring>
#include <dlfcn.h>
#include <malloc.h>
#include <stdlib.h>

extern "C" {
void* __libc_malloc(std::size_t size);
void __libc_free(void* block);
}

namespace {

// glibc's malloc is the one the process calls.
bool GlibcHeap()
{
    static const bool glibc =
        reinterpret_cast<void*>(&::malloc) == reinterpret_cast<void*>(&__libc_malloc);
    return glibc;
}

// A large block has pages of its own, which glibc hands back to the kernel when it is freed: the
// kernel gives them to the next user zeroed, so there is nothing left to wipe. glibc marks such a
// block in the size word just before it.
bool Mapped(const void* block)
{
    constexpr std::size_t isMapped = 0x2;
    return (static_cast<const std::size_t*>(block)[-1] & isMapped) != 0;
}

template <typename Function> Function Next(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

void free(void* block) noexcept
{
    if (!GlibcHeap()) {
        static const auto next = Next<void (*)(void*)>("free");
        return next(block);
    }
    if (block != nullptr && !Mapped(block))
        explicit_bzero(block, malloc_usable_size(block));
    __libc_free(block);
}

void* realloc(void* block, std::size_t size) noexcept
{
    if (!GlibcHeap()) {
        static const auto next = Next<void* (*)(void*, std::size_t)>("realloc");
        return next(block, size);
    }
    if (block == nullptr)
        return __libc_malloc(size);
    if (size == 0) {
        free(block);
        return nullptr;
    }
    const std::size_t usable = malloc_usable_size(block);
    if (size <= usable)
        return block; // the block already holds it: nothing moves, nothing is left behind
    void* moved = __libc_malloc(size);
    if (moved == nullptr)
        return nullptr; // the old block stays valid, as realloc promises
    std::memcpy(moved, block, usable);
    free(block);
    return moved;
}

} // extern "C"

#endif
