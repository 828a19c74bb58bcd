#include "LogFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>

LogFile::LogFile(const QString& path) : path_(path) {
    const QByteArray native = QFile::encodeName(path);
    file_ = std::fopen(native.constData(), "wb");
}

LogFile::~LogFile() {
    if (file_) std::fclose(file_);
}

LogFile& LogFile::Instance() {
    static LogFile log(LogPathForExecutable(RunningExecutablePath()));
    return log;
}

LogFile& LogFile::SetLocation(const char* sourcePath, int line) {
    return Instance().setLocation(sourcePath, line);
}

LogFile& LogFile::setLocation(const char* sourcePath, int line) {
    QString path = QString::fromLocal8Bit(sourcePath ? sourcePath : "");
    const qsizetype cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    sourceFile_ = cut >= 0 ? path.mid(cut + 1) : path;
    sourceLine_ = line;
    return *this;
}

void LogFile::fail() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

void LogFile::writeMessage(const QString& message) {
    if (!file_) return;
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    const QString line = FormatText(u"[%4d/%02d/%02d %02d:%02d:%02d.%03d] %s:%d %s\n",
                                    {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(),
                                     t.msec(), sourceFile_, sourceLine_, message});
    if (std::ftell(file_) == 0) {
        static const unsigned char bom[2] = {0xFF, 0xFE};
        if (std::fwrite(bom, 1, 2, file_) != 2 || std::fflush(file_) != 0) return fail();
    }
    QByteArray bytes;
    bytes.resize(line.size() * 2);
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char16_t u = line[i].unicode();
        bytes[2 * i] = static_cast<char>(u & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(u >> 8);
    }
    if (std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), file_) !=
            static_cast<size_t>(bytes.size()) ||
        std::fflush(file_) != 0)
        fail();
}

QString LogPathForExecutable(const QString& executablePath) {
    if (!executablePath.contains(QStringLiteral(".exe"))) return executablePath + QStringLiteral(".log");
    QString path = executablePath;
    path.replace(QStringLiteral(".exe"), QStringLiteral(".log"), Qt::CaseSensitive);
    return path;
}

QString RunningExecutablePath() { return QFile::symLinkTarget(QStringLiteral("/proc/self/exe")); }

namespace {
// Opens the log before main() runs, so that it is emptied at every start even when nothing fails.
[[maybe_unused]] const bool logOpened = (LogFile::Instance(), true);
}  // namespace
