#include "diag/SecureWipe.h"

#include <cstring>

namespace {

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

__attribute__((noinline)) void WipeStackBelow() {
    unsigned char below[16 * 1024];
    WipeMemory(below, sizeof below);
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
