#include "storage/DataFileVersions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <set>
#include <utility>

#include "diag/SecureWipe.h"
#include "diag/XmlError.h"
#include "model/XmlNode.h"
#include "storage/DataFileCodec.h"
#include "storage/DataFileDecode.h"
#include "storage/DataFileLock.h"
#include "storage/RegularFileRead.h"
#include "storage/SafeFileWrite.h"
#include "storage/Sha256.h"

namespace {

VersionPolicy& HeldPolicy() {
    static VersionPolicy policy;
    return policy;
}

constexpr int kHashDigits = 12;
constexpr int kNameCharacters = 80;
const QString kTimeFormat = QStringLiteral("yyyyMMdd'T'HHmmss.zzz'Z'");

// A version's file name: the UTC time, "Z-", a serial number, ".dat".
const QRegularExpression& VersionName() {
    static const QRegularExpression name(
        QStringLiteral("^(\\d{8}T\\d{6}\\.\\d{3}Z)-([1-9]\\d{0,5})\\.dat$"));
    return name;
}

// The data file's full path with its links resolved, as far as it exists.
QString CanonicalDataPath(const QString& dataPath) {
    const QFileInfo info(dataPath);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// The folder at path, made with mode 0700 when missing; an existing one must be the user's own
// real folder (not a link), and is brought to 0700.
bool OwnFolder(const QByteArray& path) {
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    return (st.st_mode & 07777) == 0700 || ::chmod(path.constData(), 0700) == 0;
}

// The folder of dataPath's versions, made (with its parents up to the versions folder) when
// missing, and its index file naming the data file; empty when it cannot be.
QString MakeVersionFolder(const QString& dataPath, const VersionPolicy& policy) {
    const QString root = VersionsRoot(policy);
    const QString folder = VersionFolderOf(dataPath, policy);
    if (root.isEmpty() || folder.isEmpty()) return {};
    // The folders above are the user's state folders, shared with other programs: only the
    // versions folder and the data file's are ours to make owner-only.
    if (!QDir().mkpath(QFileInfo(root).path())) return {};
    for (const QString& own : {root, folder})
        if (!OwnFolder(QFile::encodeName(own))) return {};
    const QString index = folder + u'/' + QString::fromLatin1(kIndexFileName);
    const QByteArray named = CanonicalDataPath(dataPath).toUtf8() + '\n';
    const FileReadResult held = ReadRegularFile(index, 1 << 16);
    if (!held.ok() || held.bytes != named) WriteFileSafely(index, named.constData(), named.size());
    return folder;
}

QString FreeVersionName(const QString& folder, const QDateTime& time, int serial) {
    return folder + u'/' + time.toUTC().toString(kTimeFormat) + u'-' + QString::number(serial) +
           QStringLiteral(".dat");
}

bool SameBytes(const QString& path, const char* data, qint64 size) {
    const FileReadResult read = ReadRegularFile(path, kDataFileSizeLimit);
    return read.ok() && read.bytes.size() == size &&
           std::equal(read.bytes.begin(), read.bytes.end(), data);
}

bool SameFiles(const QString& a, const QString& b) {
    const FileReadResult first = ReadRegularFile(a, kDataFileSizeLimit);
    const FileReadResult second = ReadRegularFile(b, kDataFileSizeLimit);
    return first.ok() && second.ok() && first.bytes == second.bytes;
}

// The data file's document under verifier, or a null document.
XmlDocument OpenUnder(const QByteArray& bytes, const QString& verifier) {
    if (bytes.isEmpty() || verifier.isEmpty()) return {};
    try {
        DecodedDataFile decoded = DecodeDataFileBytes(bytes, verifier);
        if (!decoded.parsed.ok() || decoded.parsed.document.documentElement().isNull()) return {};
        return decoded.parsed.document;
    } catch (const XmlError&) {
        return {};
    }
}

// The document written as a data file under verifier; empty when it cannot be.
QByteArray EncryptDocument(const XmlDocument& document, const QString& verifier) {
    QByteArray plaintext;
    const WipeOnExit wipe(plaintext);
    std::vector<std::uint8_t> ciphertext;
    try {
        plaintext = SerializeDocument(document);
    } catch (const XmlError&) {
        return {};
    }
    if (!EncryptDataText(plaintext, verifier, ciphertext)) return {};
    return QByteArray(reinterpret_cast<const char*>(ciphertext.data()),
                      static_cast<qsizetype>(ciphertext.size()));
}

QString NotePath(const QString& dataPath, const VersionPolicy& policy) {
    const QString folder = VersionFolderOf(dataPath, policy);
    return folder.isEmpty() ? QString() : folder + u'/' + QString::fromLatin1(kKeyChangeNoteName);
}

}  // namespace

void SetVersionPolicy(const VersionPolicy& policy) {
    HeldPolicy() = policy;
}

const VersionPolicy& CurrentVersionPolicy() {
    return HeldPolicy();
}

QString VersionsRoot(const VersionPolicy& policy) {
    if (!policy.folder.isEmpty()) return QDir::cleanPath(QDir(policy.folder).absolutePath());
    // A relative XDG_STATE_HOME is invalid and ignored, as the XDG base directory rules say.
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.startsWith(u'/')) return QDir::cleanPath(state + QStringLiteral("/zetrova/versions"));
    const QString home = qEnvironmentVariable("HOME");
    if (home.startsWith(u'/'))
        return QDir::cleanPath(home + QStringLiteral("/.local/state/zetrova/versions"));
    return {};
}

QString VersionFolderOf(const QString& dataPath, const VersionPolicy& policy) {
    const QString root = VersionsRoot(policy);
    if (root.isEmpty() || dataPath.isEmpty()) return {};
    const QString canonical = CanonicalDataPath(dataPath);
    const QByteArray utf8 = canonical.toUtf8();
    const QByteArray hash = Sha256Of(utf8.constData(), utf8.size()).toHex().left(kHashDigits);
    // The file name as a person knows it, without what would make the folder's name hard to type
    // or read.
    QString name = QFileInfo(canonical).fileName().left(kNameCharacters);
    for (QChar& c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == u'/') c = u'_';
    if (name.startsWith(u'.')) name[0] = u'_';
    return root + u'/' + name + u'-' + QString::fromLatin1(hash);
}

std::vector<KeptVersion> ListVersions(const QString& dataPath, const VersionPolicy& policy) {
    std::vector<KeptVersion> versions;
    const QString folder = VersionFolderOf(dataPath, policy);
    if (folder.isEmpty()) return versions;
    const QDir dir(folder);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch match = VersionName().match(entry.fileName());
        if (!match.hasMatch() || entry.isSymLink()) continue;
        // Read as UTC from the start: read as local time, an hour that a clock change skips
        // would not exist, and the version would go unlisted.
        const QString stamp = match.captured(1);
        const QDateTime time(QDate::fromString(stamp.left(8), u"yyyyMMdd"),
                             QTime::fromString(stamp.mid(9, 10), u"HHmmss.zzz"), QTimeZone::utc());
        if (!time.isValid()) continue;
        versions.push_back({entry.filePath(), time, match.captured(2).toInt(), entry.size()});
    }
    std::sort(versions.begin(), versions.end(), [](const KeptVersion& a, const KeptVersion& b) {
        return a.time != b.time ? a.time > b.time : a.serial > b.serial;
    });
    return versions;
}

std::vector<bool> RetainedVersions(const std::vector<KeptVersion>& newestFirst,
                                   const VersionPolicy& policy, const QDateTime& now) {
    std::vector<bool> kept(newestFirst.size(), true);
    if (!policy.enabled()) return kept;
    const QDate today = now.toTimeZone(policy.zone).date();
    const int thisMonth = today.year() * 12 + today.month() - 1;
    std::set<qint64> days;
    std::set<int> months;
    for (std::size_t i = 0; i < newestFirst.size(); ++i) {
        const QDate day = newestFirst[i].time.toTimeZone(policy.zone).date();
        // A version from the future (a clock set back) counts as today's.
        const qint64 daysAgo = std::max<qint64>(0, day.daysTo(today));
        const int monthsAgo = std::max(0, thisMonth - (day.year() * 12 + day.month() - 1));
        const bool newestOfDay = daysAgo < policy.days && days.insert(daysAgo).second;
        const bool newestOfMonth = monthsAgo < policy.months && months.insert(monthsAgo).second;
        kept[i] = std::cmp_less(i, policy.keep) || newestOfDay || newestOfMonth;
    }
    const qint64 limit = policy.maxMiB * 1024 * 1024;
    qint64 total = 0;
    bool full = false;
    for (std::size_t i = 0; i < newestFirst.size(); ++i) {
        if (!kept[i]) continue;
        total += newestFirst[i].size;
        full = full || total > limit;
        if (full) kept[i] = false;
    }
    return kept;
}

KeptAs KeepVersion(const QString& dataPath, const char* data, qint64 size,
                   const VersionPolicy& policy) {
    if (!policy.enabled()) return KeptAs::Off;
    const QByteArray local = QFile::encodeName(dataPath);
    struct stat replaced {};
    if (::stat(local.constData(), &replaced) != 0 || !S_ISREG(replaced.st_mode) ||
        replaced.st_size == 0)
        return KeptAs::Nothing;
    // Nothing is lost when the file already holds what is about to be written.
    if (replaced.st_size == size && SameBytes(dataPath, data, size)) return KeptAs::Nothing;
    const QString folder = MakeVersionFolder(dataPath, policy);
    if (folder.isEmpty()) return KeptAs::Failed;
    const std::vector<KeptVersion> versions = ListVersions(dataPath, policy);
    // Kept already by a save whose replacing failed afterwards.
    struct stat newest {};
    if (!versions.empty() && ::stat(QFile::encodeName(versions.front().path), &newest) == 0 &&
        ((newest.st_dev == replaced.st_dev && newest.st_ino == replaced.st_ino) ||
         (newest.st_size == replaced.st_size && SameFiles(versions.front().path, dataPath))))
        return KeptAs::Nothing;

    const QDateTime now = policy.now().toUTC();
    int serial = 1;
    if (!versions.empty() &&
        versions.front().time.toString(kTimeFormat) == now.toString(kTimeFormat))
        serial = versions.front().serial + 1;
    QString target = FreeVersionName(folder, now, serial);
    while (QFileInfo::exists(target)) target = FreeVersionName(folder, now, ++serial);
    const QByteArray name = QFile::encodeName(target);
    if (::linkat(AT_FDCWD, local.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0) {
        // The same file as the data file until the rename: it is owner-only from now, as every
        // file the writer makes, and a file of another owner is copied instead.
        struct stat linked {};
        if (::lstat(name.constData(), &linked) == 0 && linked.st_uid == ::geteuid() &&
            linked.st_ino == replaced.st_ino &&
            ((linked.st_mode & 07777) == 0600 || ::chmod(name.constData(), 0600) == 0))
            return KeptAs::Linked;
        ::unlink(name.constData());
    }
    FileReadResult read = ReadRegularFile(dataPath, kDataFileSizeLimit);
    if (!read.ok() || read.bytes.isEmpty()) return KeptAs::Failed;
    return WriteFileSafely(target, read.bytes.constData(), read.bytes.size()) ? KeptAs::Copied
                                                                              : KeptAs::Failed;
}

KeptAs KeepEarlierVersion(const QString& dataPath, const QByteArray& bytes,
                          const VersionPolicy& policy) {
    if (!policy.enabled()) return KeptAs::Off;
    if (bytes.isEmpty()) return KeptAs::Nothing;
    const DataFileLock lock(dataPath);
    if (!lock.held()) return KeptAs::Failed;
    const QString folder = MakeVersionFolder(dataPath, policy);
    if (folder.isEmpty()) return KeptAs::Failed;
    const std::vector<KeptVersion> versions = ListVersions(dataPath, policy);
    if (!versions.empty() && versions.front().size == bytes.size() &&
        SameBytes(versions.front().path, bytes.constData(), bytes.size()))
        return KeptAs::Nothing;
    const QDateTime now = policy.now().toUTC();
    int serial = 1;
    QString target = FreeVersionName(folder, now, serial);
    while (QFileInfo::exists(target)) target = FreeVersionName(folder, now, ++serial);
    if (!WriteFileSafely(target, bytes.constData(), bytes.size())) return KeptAs::Failed;
    PruneVersions(dataPath, policy);
    return KeptAs::Copied;
}

void PruneVersions(const QString& dataPath, const VersionPolicy& policy) {
    if (!policy.enabled()) return;
    const std::vector<KeptVersion> versions = ListVersions(dataPath, policy);
    const std::vector<bool> kept = RetainedVersions(versions, policy, policy.now());
    for (std::size_t i = 0; i < versions.size(); ++i)
        if (!kept[i]) QFile::remove(versions[i].path);
}

VersionState VersionStateUnder(const KeptVersion& version, const QString& verifier) {
    const FileReadResult read = ReadRegularFile(version.path, kDataFileSizeLimit);
    if (!read.ok() || read.bytes.isEmpty()) return VersionState::Unreadable;
    return OpenUnder(read.bytes, verifier).isNull() ? VersionState::OtherKey : VersionState::Opens;
}

bool NoteKeyChange(const QString& dataPath, const QString& oldVerifier, const QString& newVerifier,
                   const VersionPolicy& policy) {
    if (ListVersions(dataPath, policy).empty() && !QFileInfo::exists(dataPath)) return true;
    const QString folder = MakeVersionFolder(dataPath, policy);
    if (folder.isEmpty()) return false;
    // A document of its own, written as a data file is, so that only the new key opens it.
    XmlDocument note = XmlDocument::createEmpty();
    XmlNode element = note.createElement(u"key-change");
    element.setAttribute(u"from", oldVerifier);
    note.appendChild(element);
    const QByteArray bytes = EncryptDocument(note, newVerifier);
    return !bytes.isEmpty() &&
           WriteFileSafely(NotePath(dataPath, policy), bytes.constData(), bytes.size());
}

VersionKeyChange ChangeVersionsKey(const QString& dataPath, const QString& oldVerifier,
                                   const QString& newVerifier, const VersionPolicy& policy) {
    VersionKeyChange result;
    if (oldVerifier == newVerifier) return result;
    for (const KeptVersion& version : ListVersions(dataPath, policy)) {
        const FileReadResult read = ReadRegularFile(version.path, kDataFileSizeLimit);
        const XmlDocument document = read.ok() ? OpenUnder(read.bytes, oldVerifier) : XmlDocument();
        if (document.isNull()) {
            // Written under the new key already (by a run that was interrupted), or under
            // another key altogether: the latter is left and named.
            if (!read.ok() || OpenUnder(read.bytes, newVerifier).isNull())
                result.leftAsTheyAre.append(version.path);
            continue;
        }
        const QByteArray bytes = EncryptDocument(document, newVerifier);
        if (bytes.isEmpty() || !WriteFileSafely(version.path, bytes.constData(), bytes.size())) {
            result.complete = false;
            continue;
        }
        ++result.rewritten;
    }
    if (result.complete) QFile::remove(NotePath(dataPath, policy));
    return result;
}

void FinishKeyChange(const QString& dataPath, const QString& verifier,
                     const VersionPolicy& policy) {
    const QString note = NotePath(dataPath, policy);
    if (note.isEmpty() || !QFileInfo::exists(note)) return;
    const FileReadResult read = ReadRegularFile(note, 1 << 20);
    const XmlDocument document = read.ok() ? OpenUnder(read.bytes, verifier) : XmlDocument();
    // A note the key does not open belongs to a key change that never replaced the data file.
    if (document.isNull()) return;
    QString from = document.documentElement().attribute(u"from").value_or(QString());
    if (!from.isEmpty()) ChangeVersionsKey(dataPath, from, verifier, policy);
    Wipe(from);
}
