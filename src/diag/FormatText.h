#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <initializer_list>
#include <variant>

// One argument of a printf-style message. Texts typed by the user only ever enter here, never as
// the format itself, so a name such as "100%" or "%s" is shown literally.
class FormatArg {
public:
    FormatArg(const QString& text) : value_(text) {}
    FormatArg(QStringView text) : value_(text.toString()) {}
    FormatArg(const char16_t* text) : value_(QString::fromUtf16(text)) {}
    FormatArg(const char* utf8) : value_(QString::fromUtf8(utf8)) {}
    FormatArg(int number) : value_(static_cast<std::int64_t>(number)) {}
    FormatArg(long number) : value_(static_cast<std::int64_t>(number)) {}
    FormatArg(long long number) : value_(static_cast<std::int64_t>(number)) {}
    FormatArg(unsigned number) : value_(static_cast<std::uint64_t>(number)) {}
    FormatArg(unsigned long number) : value_(static_cast<std::uint64_t>(number)) {}
    FormatArg(unsigned long long number) : value_(static_cast<std::uint64_t>(number)) {}

    QString text() const;
    std::int64_t signedNumber() const;
    std::uint64_t unsignedNumber() const;

private:
    std::variant<QString, std::int64_t, std::uint64_t> value_;
};

// Formats like printf for the conversions the program uses: %s, %d, %u, %X, %x, %c and %%, with
// the flags '-' and '0' and a field width. A conversion without a matching argument prints
// nothing. The result is never truncated.
QString FormatText(QStringView format, std::initializer_list<FormatArg> args);
