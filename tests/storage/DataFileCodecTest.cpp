#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <random>

#include "storage/CBlowfish.h"
#include "storage/DataFileCodec.h"
#include "storage/DataFileDecode.h"
#include "storage/ReferenceBlowfish.h"
#include "storage/Sha256.h"
#include "storage/StorageTestSupport.h"

namespace {

using namespace Qt::Literals::StringLiterals;

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

// A data file decoded a piece at a time gives what deciphering it whole and parsing its text
// gives, whatever the plaintext: the same document, or the same failure, and the file's SHA-256.
// The long cases put a surrogate pair, a byte-order mark's place and the zero unit on and around
// the edges of the pieces the file is deciphered in, and of the pieces its text is parsed in.
TEST(DataFileCodec, DecodedPieceByPieceAsWhole) {
    const QString verifier = MakeKeyVerifier(QStringLiteral("Zetrova!"));
    const QString awkward = FromUtf16Le(SerializeDocument(AwkwardDocument()).chopped(18));
    const QString open = u"<group name=\"root\"><item name=\"a\">"_s;
    const QString close = u"</item></group>"_s;
    const QByteArray doc = ToUtf16Le(open + u"v"_s + close);
    const QByteArray zero(2, '\0');
    const QString key = QString::fromUtf16(u"\U0001F511");
    // A document whose value puts unit `at` of the text on the given character.
    auto placed = [&](qsizetype at, const QString& there) {
        QString value(std::max<qsizetype>(at - open.size(), 0), u'x');
        return open + value + there + u"yz"_s + close;
    };
    QList<std::pair<std::string, QByteArray>> cases = {
        {"a written document and its zero tail", SerializeDocument(AwkwardDocument())},
        {"no zero tail", ToUtf16Le(awkward)},
        {"an odd last byte", doc + QByteArray(1, 'x')},
        {"junk after the first zero unit", doc + zero + ToUtf16Le(u"<junk"_s)},
        {"a byte-order mark", ToUtf16Le(u"\uFEFF"_s) + doc},
        {"an unpaired surrogate in a value",
         ToUtf16Le(open + u"x"_s + QChar(0xD800) + u"y"_s + close)},
        {"a high surrogate last", ToUtf16Le(open + u"x"_s + close + QChar(0xD800))},
        {"text that is not XML", ToUtf16Le(u"<group name=\"root\">"_s)},
        {"a zero unit first", zero + doc},
        {"nothing", QByteArray()},
        {"one byte", QByteArray(1, '<')},
    };
    for (const qsizetype edge : {16 * 1024, 128 * 1024}) {
        for (const qsizetype off : {-1, 0, 1}) {
            const std::string at = " at unit " + std::to_string(edge + off);
            cases.append({"a surrogate pair" + at, ToUtf16Le(placed(edge + off, key))});
            cases.append({"two high surrogates" + at,
                          ToUtf16Le(placed(edge + off, QString(2, QChar(0xD801)) + key))});
            QByteArray cut = ToUtf16Le(placed(edge + off, QString()));
            cut.insert(2 * (edge + off), zero);
            cases.append({"a zero unit" + at, cut});
        }
    }
    for (const auto& [name, plain] : cases) {
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> cipher;
        ASSERT_TRUE(EncryptDataText(plain, verifier, cipher));
        const QByteArray file(reinterpret_cast<const char*>(cipher.data()),
                              static_cast<qsizetype>(cipher.size()));
        std::vector<std::uint8_t> whole;
        ASSERT_TRUE(DecryptDataFile(file, verifier, whole));
        const QString text = DataTextOf(whole);
        const XmlParseResult viaText = ParseDataText(text);
        const DecodedDataFile decoded = DecodeDataFileBytes(file, verifier);
        ASSERT_TRUE(decoded.deciphered);
        ASSERT_EQ(decoded.parsed.ok(), viaText.ok());
        EXPECT_EQ(decoded.parsed.errorMessage, viaText.errorMessage);
        if (!viaText.ok()) continue;
        EXPECT_EQ(decoded.sha256, Sha256Of(file.constData(), file.size()));
        QString where;
        EXPECT_TRUE(decoded.parsed.document.sameContent(viaText.document, &where))
            << where.toStdString();
        EXPECT_EQ(decoded.parsed.document.serialize(u"utf-16"_s),
                  viaText.document.serialize(u"utf-16"_s));
        // The value is the text's own, also where a pair of surrogates is split between pieces.
        const qsizetype from = text.indexOf(u"\"a\">"_s) + 4;
        const XmlNode item = decoded.parsed.document.documentElement().firstChild();
        if (from >= 4 && text.indexOf(u"</item>"_s) > from && !text.contains(QChar(0xD800)) &&
            !text.contains(QChar(0xD801))) {
            EXPECT_EQ(item.text(), text.mid(from, text.indexOf(u"</item>"_s) - from));
        }
    }
}

// The data file's stamp: the published SHA-256 values, and Qt's own implementation over lengths
// around every block boundary and a large, odd one.
TEST(DataFileCodec, Sha256IsTheStandardDigest) {
    const QList<std::pair<QByteArray, const char*>> published = {
        {QByteArray(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {QByteArray(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [data, digest] : published)
        EXPECT_EQ(Sha256Of(data.constData(), data.size()).toHex(), QByteArray(digest));

    std::mt19937 rng(7);
    QByteArray data(3 * 1024 * 1024 + 13, Qt::Uninitialized);
    for (char& c : data) c = static_cast<char>(rng());
    QList<qsizetype> lengths = {data.size()};
    for (qsizetype n = 0; n <= 130; ++n) lengths << n;
    for (const qsizetype n : lengths) {
        SCOPED_TRACE(n);
        EXPECT_EQ(Sha256Of(data.constData(), n),
                  QCryptographicHash::hash(QByteArrayView(data.constData(), n),
                                           QCryptographicHash::Sha256));
    }
}

// A file large enough to be deciphered by two threads gives what the cipher alone gives, for
// every length of a last, partial block.
TEST(DataFileCodec, LargeFilesDecryptAsTheCipherDoes) {
    const QString verifier = MakeKeyVerifier(QStringLiteral("Zetrova!"));
    const QByteArray key = DataFileKey(verifier);
    std::mt19937 rng(11);
    QByteArray file(3 * 1024 * 1024 + 8, Qt::Uninitialized);
    for (char& c : file) c = static_cast<char>(rng());
    for (qsizetype cut = 0; cut <= 8; ++cut) {
        SCOPED_TRACE(cut);
        const QByteArray bytes = file.chopped(cut);
        std::vector<std::uint8_t> plain;
        ASSERT_TRUE(DecryptDataFile(bytes, verifier, plain));
        std::vector<std::uint8_t> expected;
        std::size_t length = static_cast<std::size_t>(bytes.size());
        CBlowfish cipher;
        ASSERT_EQ(cipher.Decrypt(reinterpret_cast<const std::uint8_t*>(bytes.constData()), length,
                                 reinterpret_cast<const std::uint8_t*>(key.constData()),
                                 static_cast<std::size_t>(key.size()), expected),
                  CBlowfish::kOk);
        EXPECT_EQ(plain.size(), length);
        EXPECT_TRUE(plain == expected);
    }
}

}  // namespace
