#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringView>

#include "storage/SafeFileWrite.h"

// A private-profile ("ini") file with the semantics the settings rely on:
//
// - "[SECTION]" header lines and "KEY=value" lines. Section and key names compare without regard
//   to case. Only the first section of a name is searched, and in it the first line of a key
//   counts; later duplicates are ignored.
// - Blanks (space, tab, CR, LF, VT, FF and the end-of-file mark 0x1A) around a whole line, around a
//   key name and around a value are ignored; so are blanks just inside the brackets of a section
//   header. A value enclosed in a pair of single or double quotes loses that one pair. A value
//   stops at a zero character and is cut to 1023 characters (a read buffer of 1024 with its
//   terminating zero); a cut never leaves half a surrogate pair.
// - Lines starting with ";" are comments; lines without "=" carry no value. Both, blank lines and
//   lines before the first section are kept as they are when the file is written.
// - Reading: a file starting with a UTF-16LE or UTF-16BE byte-order mark is UTF-16; otherwise it
//   is UTF-8 (a UTF-8 byte-order mark is skipped), or code page 932 when its bytes are not valid
//   UTF-8 (files written on Windows). LF and CRLF line ends are both accepted.
// - Writing: a key's first line in its section is replaced (keeping how the key was spelled), a
//   missing key is added after the last line of its section, a missing section is added at the
//   end. Everything else stays as it was. The file is written as UTF-8 without a byte-order mark,
//   new lines get the line end the file already uses (CRLF when its first line ends so, LF for a
//   new file), and the old file is replaced only once the new one is completely written.
class ProfileFile {
public:
    ProfileFile(const ProfileFile&) = default;
    ProfileFile(ProfileFile&&) = default;
    ProfileFile& operator=(const ProfileFile&) = default;
    ProfileFile& operator=(ProfileFile&&) = default;
    // The lines hold the key verifier: the last copy of the file wipes them.
    ~ProfileFile();

    enum class State {
        Missing,      // no file: reads give defaults, a save creates it
        Loaded,       // read and decoded exactly
        Unreadable,   // exists but cannot be read (no permission, an I/O error, not a regular
                      // file, past kSettingsFileSizeLimit, a planted link): reads give defaults
        Undecodable,  // read, but its bytes are not valid in the encoding chosen for it
    };

    // Length of the longest value a read returns, in UTF-16 code units.
    static constexpr int kMaxValueLength = 1023;

    // Reads the file at path. Never fails: the state tells what was found. An unreadable file is
    // never saved over, and neither is an undecodable one (rewriting it would damage the lines
    // that could not be decoded); their save() returns false.
    static ProfileFile Load(const QString& path);

    const QString& path() const { return path_; }
    State state() const { return state_; }
    // Unreadable: why, as a phrase for a message (ReadProblemText).
    const QString& readProblem() const { return readProblem_; }

    // The value of key in section, read the way the settings are read: empty when missing.
    QString value(QStringView section, QStringView key) const;
    // Whether the key has a line in the section.
    bool contains(QStringView section, QStringView key) const;

    // Sets key in section in memory; names are taken without surrounding blanks. Returns false
    // and changes nothing when the names or the value cannot be written so that they read back:
    // an empty name, a line break or zero character anywhere, "=" in the key name, a key name
    // starting with "[" or ";", text that is not valid UTF-16, or a value longer than
    // kMaxValueLength (reading would cut it). A value that would otherwise lose blanks or quotes
    // on reading is written enclosed in double quotes, so that it reads back unchanged.
    bool setValue(QStringView section, QStringView key, QStringView value);

    // Writes the file safely (temporary file, then rename, then the folder flushed). True only
    // when the new file is in place and the disk confirmed it; result, when given, says how the
    // write went (Failed also when nothing could be written: an unreadable or undecodable file).
    bool save(SafeWriteResult* result = nullptr) const;

    // The bytes save() writes. They hold the key verifier: the caller wipes them.
    QByteArray toBytes() const;

private:
    struct Line {
        QString text;  // without its line end
        QString end;   // "\r\n", "\n" or empty for a last line without one
    };

    explicit ProfileFile(const QString& path) : path_(path) {}

    void splitLines(const QString& text);
    QString newLineEnd() const { return crlf_ ? QStringLiteral("\r\n") : QStringLiteral("\n"); }
    // Index of the first header line of section, or -1.
    qsizetype findSection(QStringView section) const;
    // Index of the first line of key in the section starting at header, or -1.
    qsizetype findKey(qsizetype header, QStringView key) const;
    void insertLine(qsizetype at, const QString& text);

    QString path_;
    State state_ = State::Missing;
    QString readProblem_;
    bool crlf_ = false;
    QList<Line> lines_;
};

// Reads one value, as ProfileFile::value; a missing or unreadable file gives the empty string.
QString ReadProfileString(const QString& path, QStringView section, QStringView key);

// Writes several keys of one section in one safe save. Returns false, leaving the file as it was,
// when the file cannot be read or written or one of the keys or values cannot be written; and
// false when the new file is in place but the disk did not confirm it (result: NotFlushed).
bool WriteProfileStrings(const QString& path, QStringView section,
                         const QList<QPair<QString, QString>>& keyValues,
                         SafeWriteResult* result = nullptr);
