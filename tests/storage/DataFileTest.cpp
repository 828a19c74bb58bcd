#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "storage/CBlowfish.h"
#include "storage/DataFileCodec.h"
#include "storage/StorageTestSupport.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

namespace {

const QString kVerifier = MakeKeyVerifier(QStringLiteral("pass"));

DocumentState StateWith(XmlDocument doc) {
    DocumentState state;
    state.root = doc.documentElement();
    state.document = std::move(doc);
    state.dataFilePath = QStringLiteral("/nowhere/Zetrova.dat");
    state.keyVerifier = kVerifier;
    return state;
}

// Saves without asking for the key; fails the test on any message.
void Save(DocumentState& state, const QString& path) {
    ScriptedPrompter prompter;
    ASSERT_TRUE(SaveDataFile(state, path, false, nullptr));
    EXPECT_TRUE(prompter.texts().isEmpty()) << prompter.texts().join('|').toStdString();
}

// Encrypts a plaintext the way a data file is encrypted, independently of the save code.
QByteArray EncryptWithCipher(const QByteArray& plain, const QString& verifier) {
    const QByteArray key = ToUtf16Le(verifier);
    std::size_t length = static_cast<std::size_t>(plain.size());
    std::vector<std::uint8_t> out;
    CBlowfish cipher;
    EXPECT_EQ(cipher.Encrypt(reinterpret_cast<const std::uint8_t*>(plain.constData()), length,
                             reinterpret_cast<const std::uint8_t*>(key.constData()),
                             static_cast<std::size_t>(key.size()), out),
              CBlowfish::kOk);
    return QByteArray(reinterpret_cast<const char*>(out.data()),
                      static_cast<qsizetype>(out.size()));
}

TEST(DataFile, RoundTripKeepsEveryNameAndValue) {
    TempDir dir;
    DocumentState saved = StateWith(AwkwardDocument());
    Save(saved, dir.file("Zetrova.dat"));

    ScriptedPrompter prompter;
    KeyAnswer key;
    DocumentState loaded;
    loaded.keyVerifier = kVerifier;
    ASSERT_TRUE(LoadDataFile(loaded, dir.file("Zetrova.dat"), key.fn()));
    EXPECT_EQ(key.calls, 1);
    EXPECT_TRUE(prompter.texts().isEmpty());
    EXPECT_EQ(Outline(loaded.document), Outline(saved.document));
    EXPECT_EQ(loaded.root, loaded.document.documentElement());
    EXPECT_EQ(loaded.dataFilePath, dir.file("Zetrova.dat"));
    EXPECT_FALSE(loaded.modified);
    // Indentation is not content: the root group's children are adjacent elements.
    EXPECT_TRUE(schema::IsGroup(loaded.root.firstChild()));
    EXPECT_TRUE(schema::IsGroup(loaded.root.firstChild().nextSibling()));
}

TEST(DataFile, FileLengthIsTextPlusEighteenRoundedToBlocksAndRepeatsExactly) {
    TempDir dir;
    DocumentState state = StateWith(AwkwardDocument());
    Save(state, dir.file("a.dat"));
    Save(state, dir.file("b.dat"));
    const qsizetype textBytes = state.document.serialize(QStringLiteral("utf-16")).size();
    EXPECT_EQ(dir.read("a.dat").size(), (textBytes + 18 + 7) / 8 * 8);
    EXPECT_EQ(dir.read("a.dat"), dir.read("b.dat"));
    // Saving leaves path, modified flag and verifier alone.
    state.modified = true;
    Save(state, dir.file("a.dat"));
    EXPECT_EQ(state.dataFilePath, QStringLiteral("/nowhere/Zetrova.dat"));
    EXPECT_TRUE(state.modified);
    EXPECT_EQ(dir.read("a.dat"), dir.read("b.dat"));
}

TEST(DataFile, LoadsFilesWrittenByTheWindowsProgram) {
    // What the Windows XML writer produces: CRLF, tab indentation, standalone="no", "UTF-16".
    const QString text = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-16\" standalone=\"no\"?>\r\n"
        "<group name=\"root\">\r\n"
        "\t<group name=\"銀行\">\r\n"
        "\t\t<item name=\"口座\">1234</item>\r\n"
        "\t\t<secret name=\"暗証\">①～\t</secret>\r\n"
        "\t\t<item name=\"blank\">  </item>\r\n"
        "\t\t<item name=\"empty\"></item>\r\n"
        "\t</group>\r\n"
        "\t<group name=\"空\"/>\r\n"
        "</group>\r\n");
    TempDir dir;
    dir.write("win.dat", EncryptWithCipher(ToUtf16Le(text) + QByteArray(18, '\0'), kVerifier));

    ScriptedPrompter prompter;
    KeyAnswer key;
    DocumentState state;
    state.keyVerifier = kVerifier;
    ASSERT_TRUE(LoadDataFile(state, dir.file("win.dat"), key.fn()));
    EXPECT_TRUE(prompter.texts().isEmpty());
    const XmlNode bank = state.root.firstChild();
    ASSERT_TRUE(schema::IsGroup(bank));
    EXPECT_EQ(schema::NameOf(bank), QStringLiteral("銀行"));
    EXPECT_EQ(schema::NameOf(bank.nextSibling()), QStringLiteral("空"));
    const XmlNode account = bank.firstChild();
    EXPECT_EQ(account.text(), QStringLiteral("1234"));
    EXPECT_EQ(account.nextSibling().name(), QStringLiteral("secret"));
    EXPECT_EQ(account.nextSibling().text(), QStringLiteral("①～\t"));
    EXPECT_EQ(account.nextSibling().nextSibling().text(), QStringLiteral("  "));
    EXPECT_EQ(account.nextSibling().nextSibling().nextSibling().text(), QString());

    // Saved again here, the file is ours (LF, spaces, "utf-16") with the same content.
    Save(state, dir.file("ours.dat"));
    DocumentState again;
    ASSERT_TRUE(LoadDataFile(again, dir.file("ours.dat"), key.fn()));
    EXPECT_EQ(Outline(again.document), Outline(state.document));
}

TEST(DataFile, BytesAfterTheTextDoNotDisturbLoading) {
    TempDir dir;
    DocumentState state = StateWith(AwkwardDocument());
    Save(state, dir.file("d.dat"));
    QByteArray bytes = dir.read("d.dat");
    // Whole blocks appended, then a length that is not a multiple of 8.
    dir.write("d.dat", bytes + QByteArray(16, '\x5A') + QByteArray(3, '\x01'));
    KeyAnswer key;
    DocumentState loaded;
    ASSERT_TRUE(LoadDataFile(loaded, dir.file("d.dat"), key.fn()));
    EXPECT_EQ(Outline(loaded.document), Outline(state.document));
}

TEST(DataFile, MissingEmptyOrUnreadableFileFailsSilentlyWithoutAskingTheKey) {
    TempDir dir;
    dir.write("empty.dat", QByteArray());
    QDir(dir.path()).mkdir("folder.dat");
    for (const char* name : {"missing.dat", "empty.dat", "folder.dat"}) {
        SCOPED_TRACE(name);
        ScriptedPrompter prompter;
        KeyAnswer key;
        DocumentState state = StateWith(AwkwardDocument());
        const XmlDocument before = state.document;
        EXPECT_FALSE(LoadDataFile(state, dir.file(QString::fromUtf8(name)), key.fn()));
        EXPECT_EQ(key.calls, 0);
        EXPECT_TRUE(prompter.texts().isEmpty());
        EXPECT_EQ(state.document, before);
        EXPECT_EQ(state.dataFilePath, QStringLiteral("/nowhere/Zetrova.dat"));
    }
}

TEST(DataFile, FailedLoadKeepsTheCurrentDocument) {
    TempDir dir;
    DocumentState other = StateWith(AwkwardDocument());
    other.keyVerifier = MakeKeyVerifier(QStringLiteral("another"));
    Save(other, dir.file("other.dat"));
    dir.write("garbage.dat", QByteArray(40, '\x7F'));

    for (const char* name : {"other.dat", "garbage.dat"}) {
        SCOPED_TRACE(name);
        ScriptedPrompter prompter;
        KeyAnswer key;
        XmlDocument mine = schema::CreateNewDocument();
        AddGroup(mine.documentElement(), QStringLiteral("mine"));
        DocumentState state = StateWith(mine);
        const XmlNode root = state.root;
        EXPECT_FALSE(LoadDataFile(state, dir.file(QString::fromUtf8(name)), key.fn()));
        EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("データを解釈できませんでした")});
        EXPECT_EQ(prompter.messages().front().caption, QStringLiteral("通知"));
        EXPECT_EQ(state.document, mine);
        EXPECT_EQ(state.root, root);
        EXPECT_EQ(state.dataFilePath, QStringLiteral("/nowhere/Zetrova.dat"));
    }

    // The key not given: nothing shown, nothing replaced.
    Save(other, dir.file("other.dat"));
    ScriptedPrompter prompter;
    KeyAnswer refuse{.give = false};
    DocumentState state = StateWith(schema::CreateNewDocument());
    const XmlDocument before = state.document;
    EXPECT_FALSE(LoadDataFile(state, dir.file("other.dat"), refuse.fn()));
    EXPECT_EQ(refuse.calls, 1);
    EXPECT_TRUE(prompter.texts().isEmpty());
    EXPECT_EQ(state.document, before);
}

TEST(DataFile, SaveChecksTheKeyBeforeWriting) {
    TempDir dir;
    const QString path = dir.file("k.dat");
    {
        // No document: nothing to write, and that is a success.
        ScriptedPrompter prompter;
        DocumentState none;
        EXPECT_TRUE(SaveDataFile(none, path, true, nullptr));
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_TRUE(prompter.texts().isEmpty());
    }
    {
        ScriptedPrompter prompter;
        DocumentState state = StateWith(AwkwardDocument());
        state.keyVerifier.clear();
        KeyAnswer key;
        EXPECT_FALSE(SaveDataFile(state, path, true, key.fn()));
        EXPECT_EQ(key.calls, 0);
        EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("暗号化キーが設定されていません")});
        EXPECT_FALSE(QFile::exists(path));
    }
    {
        ScriptedPrompter prompter;
        DocumentState state = StateWith(AwkwardDocument());
        KeyAnswer refuse{.give = false};
        EXPECT_FALSE(SaveDataFile(state, path, true, refuse.fn()));
        EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("暗号キーが違います")});
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_EQ(state.keyVerifier, kVerifier);
    }
    {
        // The verifier the key dialog gives becomes the held one and encrypts the file.
        ScriptedPrompter prompter;
        DocumentState state = StateWith(AwkwardDocument());
        KeyAnswer key{.verifier = MakeKeyVerifier(QStringLiteral("new key"))};
        ASSERT_TRUE(SaveDataFile(state, path, true, key.fn()));
        EXPECT_EQ(key.calls, 1);
        EXPECT_EQ(state.keyVerifier, key.verifier);
        DocumentState loaded;
        ASSERT_TRUE(LoadDataFile(loaded, path, key.fn()));
        EXPECT_EQ(Outline(loaded.document), Outline(state.document));
    }
}

TEST(DataFile, FailedSaveLeavesThePreviousFileIntact) {
    TempDir dir;
    const QString path = dir.file("Zetrova.dat");
    DocumentState small = StateWith(schema::CreateNewDocument());
    Save(small, path);
    const QByteArray before = dir.read("Zetrova.dat");
    ASSERT_FALSE(before.isEmpty());

    // A document far larger than the files this process may now write.
    XmlDocument bigDoc = schema::CreateNewDocument();
    for (int i = 0; i < 200; ++i)
        AddItem(bigDoc.documentElement(), QStringLiteral("item%1").arg(i), QString(40, u'値'));
    DocumentState big = StateWith(bigDoc);
    ScriptedPrompter prompter;
    bool saved = true;
    {
        FileSizeLimit limit(4096);
        saved = SaveDataFile(big, path, false, nullptr);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("書き込めませんでした")});
    EXPECT_EQ(dir.read("Zetrova.dat"), before);
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Zetrova.dat")});

    // A folder that does not exist cannot hold the file.
    prompter.clearMessages();
    EXPECT_FALSE(SaveDataFile(big, dir.file("no/such/folder.dat"), false, nullptr));
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("書き込めませんでした")});
}

TEST(DataFile, NewDocumentHoldsOnlyTheRootGroup) {
    DocumentState state;
    state.keyVerifier = kVerifier;
    ASSERT_TRUE(CreateRootDocument(state));
    EXPECT_EQ(state.root, state.document.documentElement());
    EXPECT_EQ(Outline(state.document), QStringLiteral("group [root] = {}\n"));
    EXPECT_EQ(state.keyVerifier, kVerifier);
}

}  // namespace
