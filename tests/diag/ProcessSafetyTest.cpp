// What keeps secrets out of core files and buffers: process hardening and the wipe helper.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>
#include <csignal>

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
