#include <gtest/gtest.h>

#include "CBlowfish.h"
#include "DataFileCodec.h"
#include "ReferenceBlowfish.h"
#include "StorageTestSupport.h"

namespace {

Bytes ToBytes(const QByteArray& b) {
    return Bytes(b.begin(), b.end());
}

TEST(DataFileCodec, PlaintextIsUtf16TextWithoutBomAndEighteenZeroBytes) {
    XmlDocument doc = schema::CreateNewDocument();
    AddItem(AddGroup(doc.documentElement(), QStringLiteral("Bank")), QStringLiteral("account"),
            QStringLiteral("12 34"));
    const QByteArray plain = SerializeDocument(doc);
    ASSERT_GT(plain.size(), 18);
    const QByteArray text = plain.left(plain.size() - 18);
    EXPECT_EQ(plain.right(18), QByteArray(18, '\0'));
    EXPECT_EQ(text.size() % 2, 0);
    const QString decoded = FromUtf16Le(text);
    EXPECT_TRUE(decoded.startsWith(u"<?xml version=\"1.0\" encoding=\"utf-16\"?>"))
        << decoded.toStdString();
    EXPECT_FALSE(decoded.contains(QChar(0xFEFF)));
    EXPECT_FALSE(decoded.contains(QChar(0)));
    // Indented: each element on a line of its own.
    EXPECT_TRUE(decoded.contains(u"\n  <group name=\"Bank\">\n    <item name=\"account\">12 34"))
        << decoded.toStdString();
}

TEST(DataFileCodec, CiphertextIsBlowfishEcbUnderTheVerifierTextAsUtf16) {
    const QString verifier = MakeKeyVerifier(QStringLiteral("Zetrova!"));  // 32 digits
    ASSERT_EQ(verifier.size(), 32);
    for (int extra = 0; extra < 8; ++extra) {
        SCOPED_TRACE(extra);
        XmlDocument doc = schema::CreateNewDocument();
        AddItem(doc.documentElement(), QStringLiteral("v"), QString(extra, u'x'));
        const QByteArray plain = SerializeDocument(doc);
        std::vector<std::uint8_t> cipher;
        ASSERT_TRUE(EncryptDataText(plain, verifier, cipher));
        EXPECT_EQ(cipher.size(), static_cast<std::size_t>((plain.size() + 7) / 8 * 8));
        EXPECT_EQ(cipher.size() % 8, 0u);

        // An independent cipher over the zero-padded plaintext, keyed with 2 bytes per digit.
        Bytes padded = ToBytes(plain);
        padded.resize(cipher.size(), 0);
        const Bytes key = ToBytes(ToUtf16Le(verifier));
        ASSERT_EQ(key.size(), 64u);
        EXPECT_EQ(ToHex(cipher), ToHex(ReferenceEncrypt(key, padded)));

        std::vector<std::uint8_t> back;
        const QByteArray file(reinterpret_cast<const char*>(cipher.data()),
                              static_cast<qsizetype>(cipher.size()));
        ASSERT_TRUE(DecryptDataFile(file, verifier, back));
        EXPECT_EQ(DataTextOf(back), FromUtf16Le(plain.left(plain.size() - 18)));
    }
}

TEST(DataFileCodec, TextEndsAtTheFirstZeroCodeUnit) {
    const QByteArray abc = ToUtf16Le(QStringLiteral("aé漢"));
    auto text = [](const QByteArray& b) {
        return DataTextOf(reinterpret_cast<const std::uint8_t*>(b.constData()),
                          static_cast<std::size_t>(b.size()));
    };
    EXPECT_EQ(text(abc), QStringLiteral("aé漢"));
    EXPECT_EQ(text(abc + QByteArray(2, '\0') + ToUtf16Le(QStringLiteral("junk"))),
              QStringLiteral("aé漢"));
    // A zero byte that is only half of a code unit does not end the text.
    EXPECT_EQ(text(ToUtf16Le(QStringLiteral("\u0100A"))), QStringLiteral("\u0100A"));
    // An odd last byte is ignored.
    EXPECT_EQ(text(abc + QByteArray(1, 'z')), QStringLiteral("aé漢"));
    EXPECT_EQ(text(QByteArray()), QString());
    EXPECT_EQ(text(QByteArray(1, 'z')), QString());
}

TEST(DataFileCodec, SameDocumentGivesSameBytes) {
    const QString verifier = MakeKeyVerifier(QStringLiteral("k"));
    std::vector<std::uint8_t> first, second;
    ASSERT_TRUE(EncryptDataText(SerializeDocument(AwkwardDocument()), verifier, first));
    ASSERT_TRUE(EncryptDataText(SerializeDocument(AwkwardDocument()), verifier, second));
    EXPECT_EQ(first, second);
    // A different verifier gives a different file.
    std::vector<std::uint8_t> other;
    ASSERT_TRUE(EncryptDataText(SerializeDocument(AwkwardDocument()),
                                MakeKeyVerifier(QStringLiteral("K")), other));
    EXPECT_NE(first, other);
}

}  // namespace
