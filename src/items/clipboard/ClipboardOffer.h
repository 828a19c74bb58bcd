#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The MIME type by which password managers mark a secret on the clipboard; its data is "secret".
// Klipper (KDE) keeps no copy of such an offer in its history; not every history tool honours it.
inline constexpr char kPasswordManagerHint[] = "x-kde-passwordManagerHint";

// What one copy puts on the clipboard: the value as text, and for a secret also the
// password-manager hint. The value is held as text and as UTF-8 (the bytes a pasting program is
// sent), both wiped when the offer is destroyed: once the clipboard lets go of it.
class ClipboardOffer {
public:
    ClipboardOffer(const QString& text, bool secret);
    ~ClipboardOffer();
    Q_DISABLE_COPY_MOVE(ClipboardOffer)

    bool secret() const { return secret_; }
    const QString& text() const { return text_; }
    const QByteArray& utf8() const { return utf8_; }

    // Whether the type is the hint, which a secret offers beside its text.
    static bool IsHint(const char* mimeType);

    // The data of a type the offer has: "secret" for a secret's hint, the value as UTF-8 for any
    // text type. The value is handed out from the offer's own buffer (shared, not copied), so
    // that sending it to a pasting program leaves no copy of it that nobody wipes.
    QByteArray data(const char* mimeType) const;

private:
    bool secret_;
    QString text_;
    QByteArray utf8_;
};
