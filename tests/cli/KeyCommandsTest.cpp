#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextStream>

#include "cli/CliTestSupport.h"
#include "cli/SecretOutput.h"
#include "storage/KeyVerifier.h"
#include "support/TempDir.h"

TEST(CliVerifier, PrintsVerifierOfKeyFromStandardInput) {
    const CliRun run = RunCliProcess({"verifier"}, "abc\n");
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, MakeKeyVerifier("abc") + "\n");
    EXPECT_EQ(run.out.size(), 13);
    // Only the first line is the key; a Windows line end is removed as well.
    EXPECT_EQ(RunCliProcess({"verifier"}, "abc\r\nsecond line\n").out, run.out);
    EXPECT_EQ(RunCliProcess({"verifier"}, "abc").out, run.out);
}

TEST(CliVerifier, RefusesMissingKeyAndKeyOnCommandLine) {
    const CliRun empty = RunCliProcess({"verifier"}, "");
    EXPECT_NE(empty.status, 0);
    EXPECT_TRUE(empty.out.isEmpty());
    EXPECT_TRUE(empty.err.contains(QStringLiteral("キーを入力してください")));
    const CliRun onCommandLine = RunCliWith({"verifier", "secret"}, QStringLiteral("x"));
    EXPECT_EQ(onCommandLine.status, 2);
    EXPECT_TRUE(onCommandLine.out.isEmpty());
}

TEST(CliPassgen, PrintsOnePasswordOfEachRecipe) {
    const QRegularExpression plain8(QStringLiteral("^[A-Za-z0-9]{8}\n$"));
    const QRegularExpression symbols10(QStringLiteral("^[A-Za-z0-9#$\\-=?@\\[\\]_]{10}\n$"));
    EXPECT_TRUE(plain8.match(RunCliWith({"passgen", "0"}).out).hasMatch());
    EXPECT_TRUE(symbols10.match(RunCliWith({"passgen", "3"}).out).hasMatch());
    EXPECT_EQ(RunCliWith({"passgen", "2"}).out.size(), 11);
    const QRegularExpression symbols20(QStringLiteral("^[A-Za-z0-9#$\\-=?@\\[\\]_]{20}\n$"));
    EXPECT_TRUE(symbols20.match(RunCliWith({"passgen", "5"}).out).hasMatch());
    EXPECT_EQ(RunCliWith({"passgen", "4"}).out.size(), 17);
    for (const char* bad : {"6", "-1", "x", ""}) {
        const CliRun run = RunCliWith({"passgen", bad});
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_FALSE(run.err.isEmpty());
    }
    EXPECT_EQ(RunCliWith({"passgen"}).status, 2);
}

// The key prompt on a real pseudo-terminal, under a shell's job control (the script plays the
// shell): Ctrl+C, Ctrl+\, SIGTERM and SIGHUP end the program with the terminal's echo on again;
// Ctrl+Z stops it with the echo on, and after fg the echo is off again and the key is read.
TEST(CliVerifier, SignalsAtTheKeyPromptGiveTheTerminalItsEchoBack) {
    if (QStandardPaths::findExecutable("python3").isEmpty()) GTEST_SKIP() << "needs python3";
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start("python3",
                 {ZETROVA_PROMPT_SIGNALS_SCRIPT, ZETROVA_CLI_PATH, MakeKeyVerifier("abc")});
    ASSERT_TRUE(script.waitForFinished(300000));
    const QString report = QString::fromUtf8(script.readAll());
    EXPECT_EQ(script.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(script.exitCode(), 0) << report.toStdString();
    EXPECT_EQ(report.count("ok   "), 5) << report.toStdString();
}

// Passwords come from getrandom(2) or not at all: with the call failing (strace injects the
// error), passgen refuses every recipe with a message and prints nothing; Qt's generator would
// have answered from the CPU's RDRAND, or from a seeded one, without a word.
TEST(CliPassgen, RefusesWhenTheKernelGivesNoRandomBytes) {
    if (QStandardPaths::findExecutable("strace").isEmpty()) GTEST_SKIP() << "needs strace";
    // LeakSanitizer cannot run under ptrace; the sanitizer build checks leaks everywhere else.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":detect_leaks=0");
    for (const char* error : {"ENOSYS", "EPERM", "EFAULT"}) {
        for (int recipe = 0; recipe < 6; ++recipe) {
            SCOPED_TRACE(std::string(error) + " recipe " + std::to_string(recipe));
            QProcess p;
            p.setProcessEnvironment(env);
            p.start("strace", {"-f", "-qq", "-o", "/dev/null", "-e",
                               QStringLiteral("inject=getrandom:error=%1").arg(error),
                               ZETROVA_CLI_PATH, "passgen", QString::number(recipe)});
            ASSERT_TRUE(p.waitForFinished(60000));
            EXPECT_EQ(p.exitCode(), 1);
            EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
            EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()),
                      "zetrova-cli: カーネルの乱数 (getrandom) を得られないため、パスワードを生成"
                      "できませんでした\n");
        }
    }
    // Without the injection the same run gives a password.
    QProcess p;
    p.setProcessEnvironment(env);
    p.start("strace", {"-f", "-qq", "-o", "/dev/null", "-e", "trace=getrandom", ZETROVA_CLI_PATH,
                       "passgen", "0"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardOutput().size(), 9);
}

TEST(CliUsage, HelpAndUnknownCommands) {
    const CliRun help = RunCliWith({"passgen", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("passgen N")));
    EXPECT_EQ(RunCliWith({"--help"}).status, 0);
    EXPECT_EQ(RunCliWith({}).status, 2);
    const CliRun unknown = RunCliWith({"frobnicate"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("frobnicate")));
}

// A secret written past every buffer reaches the file as the bytes the stream itself would have
// written, in order with the stream's text before and after it; a stream over a string gets the
// text as usual.
TEST(SecretOutput, WritesWhatTheStreamWouldInOrder) {
    const QStringList secrets = {QStringLiteral("s3cr'et"), QStringLiteral("パスワード①～"),
                                 QStringLiteral("\U0001F511 key"),
                                 QChar(0xD800) + QStringLiteral("x"), QString()};
    TempDir dir;
    for (const QString& secret : secrets) {
        SCOPED_TRACE(secret.toStdString());
        QByteArray expected;
        {
            QBuffer buffer(&expected);
            buffer.open(QIODevice::WriteOnly);
            QTextStream stream(&buffer);
            stream << "before\t" << secret << '\n' << "after\n";
        }
        QFile file(dir.file(QStringLiteral("out.txt")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered));
        {
            QTextStream out(&file);
            out << "before\t";
            WriteSecretLine(out, secret);
            out << "after\n";
        }
        file.close();
        EXPECT_EQ(dir.read(QStringLiteral("out.txt")), expected);

        QString text;
        {
            QTextStream out(&text);
            out << "before\t";
            WriteSecretLine(out, secret);
            out << "after\n";
        }
        EXPECT_EQ(text, QStringLiteral("before\t") + secret + QStringLiteral("\nafter\n"));
    }
}
