#include "diag/SecureWipe.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

using Address = std::uintptr_t;

// How far below its own frame the wiping loop stays: its spilled locals, and the 128 bytes below
// the stack pointer a function that calls nothing may use on x86-64, lie there.
constexpr Address kLoopReach = 1024;
// The stack just below the wiping function's frame that the loop leaves, overwritten afterwards
// as the locals of a function of its own: more than the loop's reach and frame.
constexpr std::size_t kNearBytes = 4 * kLoopReach;
// How far the main thread's stack is followed down page by page when /proc is not mounted and
// RLIMIT_STACK sets no limit.
constexpr Address kUnlimitedStackReach = Address{1} << 30;

Address PageSize() {
    const long size = sysconf(_SC_PAGESIZE);
    return size > 0 ? static_cast<Address>(size) : 4096;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The start of the mapping that holds address, from /proc/self/maps ("start-end perms ..." per
// line, hexadecimal); 0 when the file cannot be read. Read with plain system calls into a buffer
// on the stack: no allocation, whatever state the program is in when it ends.
__attribute__((noinline)) Address MappingStart(Address address) {
    int fd;
    do fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return 0;
    char buffer[1024];
    enum class Field { Start, End, Rest } field = Field::Start;
    Address start = 0;
    Address end = 0;
    Address found = 0;
    while (!found) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        for (ssize_t i = 0; i < got && !found; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                if (field == Field::Rest && start <= address && address < end) found = start;
                field = Field::Start;
                start = end = 0;
            } else if (field == Field::Start) {
                if (c == '-')
                    field = Field::End;
                else if (const int digit = HexDigit(c); digit >= 0)
                    start = start * 16 + digit;
            } else if (field == Field::End) {
                if (c == ' ')
                    field = Field::Rest;
                else if (const int digit = HexDigit(c); digit >= 0)
                    end = end * 16 + digit;
            }
        }
    }
    close(fd);
    return found;
}

// Without /proc: the lowest page from which every page up to the one holding address is mapped,
// asked of the kernel with mincore (ENOMEM for a range that is not all mapped), 64 pages at a
// time and then page by page. The stack's mapping ends below in the unmapped guard gap the kernel
// keeps there, and can never be longer than RLIMIT_STACK, which bounds the walk.
__attribute__((noinline)) Address MappedDownTo(Address address) {
    const Address page = PageSize();
    rlimit limit{};
    Address reach = kUnlimitedStackReach;
    if (getrlimit(RLIMIT_STACK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        limit.rlim_cur < reach)
        reach = static_cast<Address>(limit.rlim_cur);
    Address low = address / page * page;
    const Address floor = low > reach ? (low - reach + page - 1) / page * page : page;
    constexpr Address kChunkPages = 64;
    unsigned char resident[kChunkPages];
    while (low > floor) {
        const Address pages = std::min(kChunkPages, (low - floor) / page);
        if (mincore(reinterpret_cast<void*>(low - pages * page), pages * page, resident) == 0) {
            low -= pages * page;
            continue;
        }
        while (low > floor && mincore(reinterpret_cast<void*>(low - page), page, resident) == 0)
            low -= page;
        break;
    }
    return low;
}

// A thread's stack is mapped whole when the thread starts; the pages it ever wrote are resident
// (or swapped out, and resident again once wiped), the ones below them were never touched. The
// lowest resident page of the stack's range, its lowest address when residency is unknown.
__attribute__((noinline)) Address LowestResident(Address stackLow, Address address) {
    const Address page = PageSize();
    const Address top = address / page * page;
    constexpr Address kChunkPages = 256;
    unsigned char resident[kChunkPages];
    for (Address at = stackLow; at < top;) {
        const Address pages = std::min(kChunkPages, (top - at) / page);
        if (mincore(reinterpret_cast<void*>(at), pages * page, resident) != 0) return stackLow;
        for (Address i = 0; i < pages; ++i) {
            if (resident[i] & 1) return at + i * page;
        }
        at += pages * page;
    }
    return top;
}

// The lowest address of the calling thread's stack that any of its work may have written to.
// The process's first thread runs on a mapping of its own that grows down as it is used and never
// shrinks again: its start, from /proc/self/maps. A thread's stack is mapped whole with an
// inaccessible guard below it: the range its library recorded, from its lowest resident page
// (also for the first thread of a process forked by such a thread). Without /proc, for the
// stack the kernel made, the pages mapped below address.
Address UsedStackLow(Address address) {
    const bool firstThread = gettid() == getpid();
    if (firstThread) {
        if (const Address start = MappingStart(address)) return start;
    }
    // Fails for the first thread's own stack when /proc is missing, the only one it would look up
    // there.
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
        void* stack = nullptr;
        std::size_t size = 0;
        const bool known = pthread_attr_getstack(&attributes, &stack, &size) == 0;
        pthread_attr_destroy(&attributes);
        const auto low = reinterpret_cast<Address>(stack);
        if (known && low <= address && address < low + size) return LowestResident(low, address);
    }
    return firstThread ? MappedDownTo(address) : address;
}

#if defined(__x86_64__)
#define XMM_0_TO_15                                                                          \
    "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10", \
        "xmm11", "xmm12", "xmm13", "xmm14", "xmm15"
#define XMM_16_TO_31                                                                          \
    "xmm16", "xmm17", "xmm18", "xmm19", "xmm20", "xmm21", "xmm22", "xmm23", "xmm24", "xmm25", \
        "xmm26", "xmm27", "xmm28", "xmm29", "xmm30", "xmm31"

// vzeroall zeroes the first 16 registers whole; the other 16 only AVX-512 has.
__attribute__((noinline, target("avx512f"))) void ClearAvx512Registers() {
    asm volatile(
        "vzeroall\n\t"
        ".irp n, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31\n\t"
        "vpxord %%zmm\\n, %%zmm\\n, %%zmm\\n\n\t"
        ".endr" ::
            : XMM_0_TO_15, XMM_16_TO_31);
}

__attribute__((noinline, target("avx"))) void ClearAvxRegisters() {
    asm volatile("vzeroall" ::: XMM_0_TO_15);
}

__attribute__((noinline)) void ClearSseRegisters() {
    asm volatile(
        ".irp n, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15\n\t"
        "pxor %%xmm\\n, %%xmm\\n\n\t"
        ".endr" ::
            : XMM_0_TO_15);
}
#endif

// The vector registers keep the last bytes copied or compared through them (the C library does
// both with the widest registers the processor has: on some, registers nothing else uses) until
// something else is loaded into them. Whatever saves them later puts those bytes on the stack
// again: the dynamic linker binding a library's function on its first call (which happens while
// the libraries' destructors run at exit), a signal's frame. Zeroed after the stack is wiped.
void ClearVectorRegisters() {
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx512f"))
        ClearAvx512Registers();
    else if (__builtin_cpu_supports("avx"))
        ClearAvxRegisters();
    else
        ClearSseRegisters();
#elif defined(__aarch64__)
    asm volatile(
        ".irp n, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, "
        "23, 24, 25, 26, 27, 28, 29, 30, 31\n\t"
        "movi v\\n\\().16b, #0\n\t"
        ".endr" ::
            : "v0", "v1", "v2", "v3", "v4", "v5", "v6", "v7", "v8", "v9", "v10", "v11", "v12",
              "v13", "v14", "v15", "v16", "v17", "v18", "v19", "v20", "v21", "v22", "v23", "v24",
              "v25", "v26", "v27", "v28", "v29", "v30", "v31");
#endif
}

// Overwrites [low, this frame - kLoopReach) word by word. Volatile stores: the compiler can
// neither drop them as dead (the memory is never read again) nor turn them into a library call
// with a frame of its own. Not instrumented by AddressSanitizer, whose checks would take the
// freed frames of earlier calls for the caller's memory.
__attribute__((noinline, no_sanitize("address"))) void WipeBelowThisFrame(Address low) {
    const auto frame = reinterpret_cast<Address>(__builtin_frame_address(0));
    if (low == 0 || frame < low + kLoopReach) return;
    const Address end = (frame - kLoopReach) & ~Address{sizeof(Address) - 1};
    for (auto* word = reinterpret_cast<volatile Address*>((low + sizeof(Address) - 1) &
                                                          ~Address{sizeof(Address) - 1});
         reinterpret_cast<Address>(word) < end; ++word)
        *word = 0;
}

// The stack the loop above had to leave, just below the caller's frame, taken as this function's
// own locals and overwritten.
__attribute__((noinline, no_sanitize("address"))) void WipeNearFrames() {
    unsigned char near[kNearBytes];
    volatile unsigned char* bytes = near;
    for (std::size_t i = 0; i < kNearBytes; ++i) bytes[i] = 0;
}

// The whole allocation behind a Qt container, from its first unit to the end of its capacity;
// nothing for data Qt does not own (a literal, or an empty container).
template <class Container>
void WipeQtAllocation(Container& container) {
    auto& d = container.data_ptr();
    if (d.isMutable() && d.d_ptr()) {
        using Unit = std::remove_pointer_t<decltype(d.data())>;
        Unit* begin = d.data() - d.freeSpaceAtBegin();
        WipeMemory(begin, static_cast<std::size_t>(d.constAllocatedCapacity()) * sizeof(Unit));
    }
    container.clear();
}

}  // namespace

void WipeMemory(void* data, std::size_t size) {
    if (data && size) explicit_bzero(data, size);
}

__attribute__((noinline)) void WipeUsedStack() {
    const auto frame = reinterpret_cast<Address>(__builtin_frame_address(0));
    WipeBelowThisFrame(UsedStackLow(frame));
    WipeNearFrames();
    ClearVectorRegisters();
}

void Wipe(QString& text) {
    WipeQtAllocation(text);
}

void WipeOwnCopy(QString& text) {
    if (text.isDetached())
        Wipe(text);
    else
        text.clear();
}

void Wipe(QByteArray& bytes) {
    WipeQtAllocation(bytes);
}

void Wipe(std::string& text) {
    // The capacity, not only the size: a shorter text may sit in a buffer a longer one filled.
    text.resize(text.capacity());
    WipeMemory(text.data(), text.size());
    text.clear();
    text.shrink_to_fit();
}

void Wipe(std::vector<std::uint8_t>& bytes) {
    bytes.resize(bytes.capacity());
    WipeMemory(bytes.data(), bytes.size());
    bytes.clear();
    bytes.shrink_to_fit();
}
