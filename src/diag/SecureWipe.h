#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <string>
#include <vector>

// Overwrites memory that held a secret (a typed key, a verifier, decrypted or clear text) before
// it is released, in a way the compiler cannot drop as a dead store. Each overload wipes the whole
// allocation, also the spare capacity that earlier, longer contents may have used, and leaves the
// object empty. A Qt string shares its buffer with its copies: wiping one wipes them all, which is
// what a secret needs; text that lives in read-only storage (a literal) is only emptied.
void WipeMemory(void* data, std::size_t size);
void Wipe(QString& text);
void Wipe(QByteArray& bytes);
void Wipe(std::string& text);
void Wipe(std::vector<std::uint8_t>& bytes);

// Overwrites the calling thread's stack below its caller's frame, down to the lowest address the
// thread's work ever reached: where the functions it called left their locals (a cipher's blocks
// in flight, text being converted, a key as it was typed), whatever copy routines the C library
// chose for the processor. Never touches a page that is not mapped. For a thread about to end,
// whose stack the C library keeps for the next thread it starts, and for the main thread before
// the program exits: both main() functions call it last, and again at exit().
void WipeUsedStack();

// For a secret received through an interface (a verifier an AskKeyFn handed out): wiped like Wipe
// when this string alone holds its buffer, else only emptied, since the giver still uses it.
void WipeOwnCopy(QString& text);

// WipeOwnCopy when it goes out of scope, on every way out of a function: for a secret handed out
// through an interface that may also have been passed on.
class WipeOwnCopyOnExit {
public:
    explicit WipeOwnCopyOnExit(QString& secret) : secret_(secret) {}
    ~WipeOwnCopyOnExit() { WipeOwnCopy(secret_); }
    WipeOwnCopyOnExit(const WipeOwnCopyOnExit&) = delete;
    WipeOwnCopyOnExit& operator=(const WipeOwnCopyOnExit&) = delete;

private:
    QString& secret_;
};

// Wipes the object when it goes out of scope, on every way out of a function.
template <class T>
class WipeOnExit {
public:
    explicit WipeOnExit(T& secret) : secret_(secret) {}
    ~WipeOnExit() { Wipe(secret_); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    T& secret_;
};
