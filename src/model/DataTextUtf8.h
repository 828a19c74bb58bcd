#pragma once

#include <QStringEncoder>
#include <QStringView>
#include <QtGlobal>

// Turns the text of a data file, UTF-16 code units, into UTF-8 a piece at a time, so that the
// whole text never needs a second copy in another encoding. The text ends at its first zero code
// unit, a byte-order mark at its very start is dropped, and a surrogate pair split between two
// pieces is joined. A lone surrogate becomes "?", as QString::toUtf8 makes it.
class DataTextUtf8 {
public:
    // The most bytes append can write for a piece of `units` code units.
    static constexpr qsizetype requiredSpace(qsizetype units) { return 3 * (units + 1); }

    // Writes the UTF-8 form of the next piece to out, which has room for requiredSpace of its
    // size, and returns the end of what it wrote. Nothing once ended().
    char* append(QStringView piece, char* out);
    // Writes what a last piece left pending (a high surrogate waiting for its pair), which
    // then stands alone; returns the end. Room for requiredSpace(0) is enough.
    char* finish(char* out);
    // Whether the zero code unit that ends the text has been seen.
    bool ended() const { return ended_; }

private:
    QStringEncoder encoder_{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
    bool started_ = false;
    bool ended_ = false;
    char16_t pending_ = 0;  // a high surrogate held back from the end of the last piece
};
