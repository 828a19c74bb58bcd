#include "diag/LogFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "diag/ProcessHardening.h"

namespace {

// Opens the fallback folder, made with mode 0700 where it is missing (with every missing parent):
// a folder only the user can open. An existing one of the user's with a wider mode is made 0700
// again; one that is not the user's is not used. -1 when there is none to use.
int OpenPrivateFolder(const QByteArray& path) {
    for (qsizetype slash = path.indexOf('/', 1); slash != -1; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0700);
    ::mkdir(path.constData(), 0700);
    const int folder = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return -1;
    struct stat info {};
    if (::fstat(folder, &info) == 0 && info.st_uid == ::geteuid() &&
        ((info.st_mode & 07777) == 0700 || ::fchmod(folder, 0700) == 0))
        return folder;
    ::close(folder);
    return -1;
}

// Creates or empties the file (name, in folder) readable and writable by the user alone. A
// symbolic link in its place is not followed (one planted in a shared folder would have another
// file emptied), and nothing but a regular file is taken: a pipe is opened without waiting for a
// reader, and neither it nor a device is ever written.
std::FILE* OpenPrivateFile(int folder, const QByteArray& name) {
    const int fd =
        ::openat(folder, name.constData(),
                 O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0) return nullptr;
    struct stat info {};
    std::FILE* file = nullptr;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::ftruncate(fd, 0) == 0 &&
        ::fchmod(fd, 0600) == 0 && ::fcntl(fd, F_SETFL, 0) == 0)
        file = ::fdopen(fd, "wb");
    if (!file) ::close(fd);
    return file;
}

// The log's name where the executable's path is not known: the name the program was started by.
QString ProgramLogName() {
    const QString name = QFile::decodeName(program_invocation_short_name);
    return (name.isEmpty() ? QStringLiteral("zetrova") : name) + QStringLiteral(".log");
}

}  // namespace

LogFile::LogFile(const QString& path, const QString& fallbackFolder) : path_(path) {
    // Close-on-exec: programs started by this one (wl-copy) must not hold the log open.
    if (!path.isEmpty()) file_ = OpenPrivateFile(AT_FDCWD, QFile::encodeName(path));
    if (file_ || fallbackFolder.isEmpty()) return;
    const int folder = OpenPrivateFolder(QFile::encodeName(QDir::cleanPath(fallbackFolder)));
    if (folder < 0) return;
    const QString name = path.isEmpty() ? ProgramLogName() : QFileInfo(path).fileName();
    file_ = OpenPrivateFile(folder, QFile::encodeName(name));
    ::close(folder);
    if (file_) path_ = QDir::cleanPath(fallbackFolder) + u'/' + name;
}

LogFile::~LogFile() {
    if (file_) std::fclose(file_);
}

LogFile& LogFile::Instance() {
    static LogFile log(
        LogPathForExecutable(RunningExecutablePath()),
        LogFallbackFolder(qEnvironmentVariable("XDG_STATE_HOME"), qEnvironmentVariable("HOME")));
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
    if (executablePath.isEmpty()) return QString();
    if (!executablePath.contains(QStringLiteral(".exe")))
        return executablePath + QStringLiteral(".log");
    QString path = executablePath;
    path.replace(QStringLiteral(".exe"), QStringLiteral(".log"), Qt::CaseSensitive);
    return path;
}

QString LogFallbackFolder(const QString& xdgStateHome, const QString& home) {
    // A relative XDG_STATE_HOME is invalid and ignored, as the XDG base directory rules say.
    if (xdgStateHome.startsWith(u'/')) return xdgStateHome + QStringLiteral("/zetrova");
    if (home.startsWith(u'/')) return home + QStringLiteral("/.local/state/zetrova");
    return QString();
}

QString RunningExecutablePath() {
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

namespace {
// Opens the log before main() runs, so that it is emptied at every start even when nothing fails;
// a closed standard descriptor is taken first, so that the log never becomes the standard output.
[[maybe_unused]] const bool logOpened = (KeepStandardDescriptorsTaken(), LogFile::Instance(), true);
}  // namespace
