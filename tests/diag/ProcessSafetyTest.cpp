// What keeps secrets out of core files and buffers: process hardening and the wipe helper.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>

#include "diag/ProcessHardening.h"
#include "diag/SecureWipe.h"

TEST(ProcessHardening, LeavesNoCoreAndSurvivesTheFileSizeLimit) {
    // In a child, so that the test process itself stays as it was.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        HardenProcess();
        rlimit core{};
        getrlimit(RLIMIT_CORE, &core);
        struct sigaction xfsz {};
        sigaction(SIGXFSZ, nullptr, &xfsz);
        const bool hardened = prctl(PR_GET_DUMPABLE) == 0 && core.rlim_cur == 0 &&
                              core.rlim_max == 0 && xfsz.sa_handler == SIG_IGN;
        _exit(hardened ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SecureWipe, OverwritesTheWholeAllocationAndEveryCopySharingIt) {
    // A copy keeps the allocation alive, so that its bytes can be read after the wipe: all zero,
    // including the spare capacity a longer text once filled, and the wiped object is empty.
    QString key = QStringLiteral("correct horse battery staple");
    key.reserve(200);
    key += QStringLiteral("!");
    const QString keyCopy = key;
    const char16_t* keyUnits = reinterpret_cast<const char16_t*>(keyCopy.constData());
    const qsizetype keyCapacity = key.capacity();
    Wipe(key);
    EXPECT_TRUE(key.isEmpty());
    for (qsizetype i = 0; i < keyCapacity; ++i) ASSERT_EQ(keyUnits[i], 0) << i;

    QByteArray plain("<secret name=\"pin\">1234</secret>");
    const QByteArray plainCopy = plain;
    Wipe(plain);
    EXPECT_TRUE(plain.isEmpty());
    EXPECT_EQ(plainCopy, QByteArray(plainCopy.size(), '\0'));

    // Text in read-only storage is only emptied, never written to.
    QString literal = QStringLiteral("not a secret");
    Wipe(literal);
    EXPECT_TRUE(literal.isEmpty());
    EXPECT_EQ(QStringLiteral("not a secret"), QString::fromUtf16(u"not a secret"));
}

namespace {

// Bytes no other memory of the test holds, put on a stack and then looked for in the whole
// process, with a last byte of each case's own: looking for a mark leaves pieces of it in this
// process, and so in the children forked after.
constexpr std::string_view kStackMark = "\x5a\xa5zetrova-stack-mark\xa5";

// Fills 4 KiB of this thread's stack with the mark, depth bytes below the caller's frame, where a
// deep call chain would leave its locals. On the real stack, also under AddressSanitizer.
__attribute__((noinline, no_sanitize("address"))) void LeaveStackMark(std::size_t depth,
                                                                      char last) {
    auto* below = static_cast<volatile char*>(alloca(depth));
    const std::size_t size = kStackMark.size() + 1;
    for (std::size_t i = 0; i < 4096; ++i)
        below[i] = i % size < kStackMark.size() ? kStackMark[i % size] : last;
}

// The copies of the mark in the writable memory of the stopped process pid, read from outside.
int StackMarksIn(pid_t pid, char last) {
    const std::string mark = std::string(kStackMark) + last;
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    const int mem = open(("/proc/" + std::to_string(pid) + "/mem").c_str(), O_RDONLY);
    int marks = 0;
    for (std::string line; std::getline(maps, line) && mem >= 0;) {
        unsigned long start = 0, end = 0;
        char perms[5] = {};
        // Stacks only: a sanitizer's shadow memory is a writable mapping of terabytes.
        if (std::sscanf(line.c_str(), "%lx-%lx %4s", &start, &end, perms) != 3 || perms[1] != 'w' ||
            end - start > (64ul << 20))
            continue;
        std::string bytes(end - start, '\0');
        if (pread(mem, bytes.data(), bytes.size(), static_cast<off_t>(start)) < 0) continue;
        for (auto at = bytes.find(mark); at != std::string::npos; at = bytes.find(mark, at + 1))
            ++marks;
    }
    if (mem >= 0) close(mem);
    return mem >= 0 ? marks : -1;
}

}  // namespace

TEST(SecureWipe, LeavesNothingOnTheStackTheWorkUsed) {
    struct Case {
        const char* name;
        bool secondThread;
        bool withoutProc;  // /proc hidden by an empty file system mounted over it
        bool wipe;
    };
    const Case cases[] = {
        {"main thread, not wiped (the mark is seen)", false, false, false},
        {"main thread", false, false, true},
        {"main thread, without /proc", false, true, true},
        {"second thread, not wiped (the mark is seen)", true, false, false},
        {"second thread", true, false, true},
    };
    constexpr int kCannotHideProc = 77;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const char last = static_cast<char>('A' + (&c - cases));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (c.withoutProc && (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
                                  mount("none", "/proc", "tmpfs", 0, nullptr) != 0 ||
                                  access("/proc/self/maps", F_OK) == 0))
                _exit(kCannotHideProc);
            // Deep below the main thread's later frames; on a second thread, within the part of its
            // stack the C library keeps when the thread ends.
            const auto work = [&c, last](std::size_t depth) {
                LeaveStackMark(depth, last);
                if (c.wipe) WipeUsedStack();
            };
            if (c.secondThread)
                std::thread(work, 8 * 1024).join();
            else
                work(512 * 1024);
            raise(SIGSTOP);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, WUNTRACED), child);
        // No user namespace to hide /proc in.
        if (WIFEXITED(status) && WEXITSTATUS(status) == kCannotHideProc) continue;
        ASSERT_TRUE(WIFSTOPPED(status));
        const int marks = StackMarksIn(child, last);
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        ASSERT_GE(marks, 0) << "the child's memory cannot be read";
        EXPECT_EQ(marks == 0, c.wipe) << marks << " marks";
    }
}
