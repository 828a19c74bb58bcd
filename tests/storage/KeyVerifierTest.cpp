#include <gtest/gtest.h>

#include <QRegularExpression>
#include <algorithm>

#include "storage/KeyVerifier.h"
#include "storage/ReferenceBlowfish.h"

namespace {

Bytes Utf16LeBytes(const QString& text) {
    Bytes bytes;
    for (QChar unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit.unicode() & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit.unicode() >> 8));
    }
    return bytes;
}

// The verifier computed the other way round: OpenSSL's Blowfish on the phrase's UTF-16LE bytes.
QString ReferenceVerifier(const QString& key) {
    const Bytes keyBytes = Utf16LeBytes(key);
    const Bytes block =
        ReferenceEncrypt(keyBytes, Utf16LeBytes(QString::fromUtf16(kKeyVerifierPhrase)));
    const std::size_t shown = std::min<std::size_t>(keyBytes.size(), block.size());
    return QString::fromStdString(
        ToHex(Bytes(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(shown))));
}

TEST(KeyVerifier, HasFourDigitsPerCharacterUpToThirtyTwo) {
    const QRegularExpression upperHex(QStringLiteral("^[0-9A-F]+$"));
    const QString typed = QStringLiteral("Zetrova!2024-abcdefghijklmnopqrstuvwxyz");
    for (qsizetype n = 1; n <= typed.size(); ++n) {
        SCOPED_TRACE(n);
        const QString verifier = MakeKeyVerifier(typed.left(n));
        EXPECT_EQ(verifier.size(), std::min<qsizetype>(4 * n, 32));
        EXPECT_TRUE(upperHex.match(verifier).hasMatch()) << verifier.toStdString();
    }
    EXPECT_EQ(MakeKeyVerifier(QString(259, QChar(u'k'))).size(), 32);
}

TEST(KeyVerifier, EmptyKeyHasNoVerifier) {
    EXPECT_TRUE(MakeKeyVerifier(QString()).isEmpty());
}

// Stored verifiers must stay valid across versions and machines: the value is pinned here, and
// OpenSSL's Blowfish agrees with it.
TEST(KeyVerifier, IsFixedForAKey) {
    const QString key = QStringLiteral("password");
    const std::string pinned = "83756FF97B00799DF2B0BE879F39AD61";
    EXPECT_EQ(MakeKeyVerifier(key).toStdString(), pinned);
    EXPECT_EQ(MakeKeyVerifier(key).toStdString(), pinned);
    EXPECT_EQ(ReferenceVerifier(key).toStdString(), pinned);
}

TEST(KeyVerifier, AgreesWithIndependentComputation) {
    for (const QString& key :
         {QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("~!"), QStringLiteral("Zetrova"),
          QStringLiteral("12345678"), QString::fromUtf16(u"鍵"),
          QString::fromUtf16(u"秘密のキー𠮷"),
          QStringLiteral("a much longer key of more than thirty-six characters")}) {
        SCOPED_TRACE(key.toStdString());
        EXPECT_EQ(MakeKeyVerifier(key).toStdString(), ReferenceVerifier(key).toStdString());
    }
}

// Keys that differ only in letter case or in length never share a verifier.
TEST(KeyVerifier, DistinguishesCaseAndLength) {
    EXPECT_NE(MakeKeyVerifier(QStringLiteral("secret")), MakeKeyVerifier(QStringLiteral("Secret")));
    EXPECT_NE(MakeKeyVerifier(QStringLiteral("secret")), MakeKeyVerifier(QStringLiteral("SECRET")));
    EXPECT_NE(MakeKeyVerifier(QStringLiteral("abcdefgh")),
              MakeKeyVerifier(QStringLiteral("abcdefghi")));
}

// The cipher uses 72 key bytes, 36 UTF-16 code units: characters after the 36th do not count.
TEST(KeyVerifier, CharactersAfterTheThirtySixthDoNotCount) {
    const QString key36(36, QChar(u'x'));
    EXPECT_EQ(MakeKeyVerifier(key36 + QStringLiteral("tail")), MakeKeyVerifier(key36));
    EXPECT_NE(MakeKeyVerifier(QString(35, QChar(u'x')) + QStringLiteral("y")),
              MakeKeyVerifier(key36));
}

}  // namespace
