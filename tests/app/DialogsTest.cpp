#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

#include "app/ProgramIcons.h"
#include "items/KeyCharacters.h"
#include "items/PasswordGenerator.h"
#include "items/ui/CConfigDlg.h"
#include "items/ui/CEditDialog.h"
#include "model/ui/CEditGroupDlg.h"
#include "model/ui/CFindGroupDlg.h"
#include "storage/ui/CInKeyDlg.h"
#include "support/ScriptedPrompter.h"

namespace {

template <class W>
W* Child(const QWidget& dialog, const char* name) {
    W* w = dialog.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

QPushButton* Button(const QWidget& dialog, const char* name) {
    return Child<QPushButton>(dialog, name);
}

}  // namespace

TEST(CInKeyDlg, MaskedEditLimitedTo259AndBothButtonsKeepTheText) {
    ScriptedPrompter prompter;
    CInKeyDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("認証"));
    EXPECT_TRUE(dlg.key.isEmpty());
    auto* edit = Child<QLineEdit>(dlg, "keyEdit");
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(edit->maxLength(), 259);
    EXPECT_TRUE(Button(dlg, "okButton")->isDefault());

    dlg.show();
    EXPECT_TRUE(edit->text().isEmpty());
    QTest::keyClicks(edit, QStringLiteral("s3cret"));
    QTest::keyClick(edit, Qt::Key_Return);  // Enter: the default button, OK
    EXPECT_EQ(dlg.result(), 1);
    EXPECT_EQ(dlg.key, QStringLiteral("s3cret"));

    dlg.key.clear();
    dlg.show();
    EXPECT_TRUE(edit->text().isEmpty());
    QTest::keyClicks(edit, QStringLiteral("typo"));
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(dlg.result(), 2);
    EXPECT_EQ(dlg.key, QStringLiteral("typo"));
}

TEST(CEditGroupDlg, FieldsInAndOutCaptionOnlyWhenGiven) {
    ScriptedPrompter prompter;
    CEditGroupDlg dlg;
    dlg.name = QStringLiteral("メール");
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("編集"));
    auto* edit = Child<QLineEdit>(dlg, "nameEdit");
    EXPECT_EQ(edit->text(), QStringLiteral("メール"));
    edit->setText(QStringLiteral("  100% "));
    Button(dlg, "cancelButton")->click();
    EXPECT_EQ(dlg.result(), 2);
    EXPECT_EQ(dlg.name, QStringLiteral("  100% "));

    dlg.caption = QStringLiteral("名前の変更");
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("名前の変更"));
    EXPECT_EQ(edit->text(), QStringLiteral("  100% "));
    Button(dlg, "okButton")->click();
    EXPECT_EQ(dlg.result(), 1);
}

TEST(CFindGroupDlg, TextAndCaseFlagInAndOut) {
    ScriptedPrompter prompter;
    CFindGroupDlg dlg;
    dlg.text = QStringLiteral("Mail");
    dlg.caseSensitive = true;
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("検索"));
    auto* edit = Child<QLineEdit>(dlg, "textEdit");
    auto* box = Child<QCheckBox>(dlg, "caseCheck");
    EXPECT_EQ(box->text(), QStringLiteral("大文字・小文字を区別する"));
    EXPECT_EQ(edit->text(), QStringLiteral("Mail"));
    EXPECT_TRUE(box->isChecked());
    edit->setText(QStringLiteral("box"));
    box->setChecked(false);
    Button(dlg, "cancelButton")->click();
    EXPECT_EQ(dlg.result(), 2);
    EXPECT_EQ(dlg.text, QStringLiteral("box"));
    EXPECT_FALSE(dlg.caseSensitive);
}

TEST(CEditDialog, ShowsFieldsAndWritesThemBackOnEitherButton) {
    ScriptedPrompter prompter;
    CEditDialog dlg(QStringLiteral("銀行"), QStringLiteral("pa ss"), true);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("編集"));
    auto* name = Child<QLineEdit>(dlg, "nameEdit");
    auto* value = Child<QLineEdit>(dlg, "valueEdit");
    EXPECT_EQ(name->text(), QStringLiteral("銀行"));
    EXPECT_EQ(value->text(), QStringLiteral("pa ss"));
    EXPECT_EQ(value->echoMode(), QLineEdit::Normal);  // a secret value shows in plain text
    EXPECT_TRUE(Child<QRadioButton>(dlg, "secretRadio")->isChecked());
    EXPECT_TRUE(Button(dlg, "okButton")->isDefault());

    name->setText(QStringLiteral("   "));
    Child<QRadioButton>(dlg, "plainRadio")->click();
    Button(dlg, "cancelButton")->click();
    EXPECT_EQ(dlg.result(), 2);
    EXPECT_EQ(dlg.name, QStringLiteral("   "));
    EXPECT_FALSE(dlg.secret);

    // A long value from the document is shown and returned whole.
    CEditDialog fresh(QString(), QString(40000, u'x'));
    fresh.show();
    EXPECT_TRUE(Child<QRadioButton>(fresh, "plainRadio")->isChecked());
    EXPECT_TRUE(Child<QLineEdit>(fresh, "nameEdit")->text().isEmpty());
    Button(fresh, "okButton")->click();
    EXPECT_EQ(fresh.result(), 1);
    EXPECT_EQ(fresh.value.size(), 40000);
}

TEST(CEditDialog, GenerateFillsTheValueFromTheSelectedRecipe) {
    ScriptedPrompter prompter;
    CEditDialog dlg(QStringLiteral("n"), QStringLiteral("old"), false);
    dlg.show();
    auto* recipes = Child<QComboBox>(dlg, "recipeList");
    auto* value = Child<QLineEdit>(dlg, "valueEdit");
    QStringList texts;
    for (int i = 0; i < recipes->count(); ++i) texts.append(recipes->itemText(i));
    EXPECT_EQ(texts, QStringList({"英数字 8文字", "英数字記号 8文字", "英数字 10文字",
                                  "英数字記号 10文字", "英数字記号 16文字", "英数字記号 20文字"}));
    EXPECT_EQ(recipes->currentIndex(), 0);

    Button(dlg, "generateButton")->click();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^[A-Za-z0-9]{8}$")).match(value->text()).hasMatch())
        << value->text().toStdString();
    recipes->setCurrentIndex(5);
    Button(dlg, "generateButton")->click();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Za-z0-9#$\\-=?@\\[\\]_]{20}$"))
                    .match(value->text())
                    .hasMatch())
        << value->text().toStdString();
    EXPECT_EQ(Child<QLineEdit>(dlg, "nameEdit")->text(), QStringLiteral("n"));
    EXPECT_TRUE(Child<QRadioButton>(dlg, "plainRadio")->isChecked());

    Button(dlg, "okButton")->click();
    EXPECT_EQ(dlg.value.size(), 20);
    // Shown again, the list starts at the first recipe.
    dlg.show();
    EXPECT_EQ(recipes->currentIndex(), 0);
    EXPECT_EQ(recipes->count(), 6);
}

// A random source that fails, at the first draw or in the middle of a password: "生成" leaves
// the value as it was (no part of a password) and says why.
TEST(CEditDialog, GenerateRefusesWhenTheRandomSourceFails) {
    for (int failAt : {0, 1, 7, 39}) {
        SCOPED_TRACE(failAt);
        ScriptedPrompter prompter;
        CEditDialog dlg(QStringLiteral("n"), QStringLiteral("old"), true);
        int draws = 0;
        dlg.passwordDraw = [&](std::uint32_t) -> std::optional<std::uint32_t> {
            if (draws++ >= failAt) return std::nullopt;
            return 0;
        };
        dlg.show();
        Child<QComboBox>(dlg, "recipeList")->setCurrentIndex(5);
        Child<QLineEdit>(dlg, "valueEdit")->setText(QStringLiteral("typed"));
        Button(dlg, "generateButton")->click();
        EXPECT_EQ(draws, failAt + 1);
        EXPECT_EQ(Child<QLineEdit>(dlg, "valueEdit")->text(), QStringLiteral("typed"));
        ASSERT_EQ(prompter.messages().size(), 1);
        EXPECT_EQ(prompter.messages().front().caption, QStringLiteral("通知"));
        EXPECT_EQ(prompter.messages().front().text,
                  QStringLiteral("カーネルの乱数 (getrandom) を得られないため、パスワードを生成"
                                 "できませんでした"));
        Button(dlg, "okButton")->click();
        EXPECT_EQ(dlg.value, QStringLiteral("typed"));
        EXPECT_TRUE(dlg.secret);
    }
}

TEST(KeyCharacters, OnlyPrintableAsciiWithoutTheSpace) {
    EXPECT_TRUE(IsAllowedKeyText(u""));
    EXPECT_TRUE(IsAllowedKeyText(u"!~AZaz09#$-=?@[]_"));
    EXPECT_EQ(FirstDisallowedKeyCharacter(u"ab c"), 2);
    EXPECT_EQ(FirstDisallowedKeyCharacter(u"\tx"), 0);
    EXPECT_EQ(FirstDisallowedKeyCharacter(u"abＡ"), 2);     // full-width letter
    EXPECT_EQ(FirstDisallowedKeyCharacter(u"a\u007F"), 1);  // DEL
    EXPECT_EQ(FirstDisallowedKeyCharacter(u"é"), 0);
    EXPECT_EQ(FirstDisallowedKeyCharacter(u"k\U0001F511"), 1);  // a surrogate pair
}

TEST(CConfigDlg, InitialStateAndEnterCancels) {
    ScriptedPrompter prompter;
    CConfigDlg dlg;
    EXPECT_EQ(dlg.dataFileName, QStringLiteral("Zetrova.dat"));
    EXPECT_TRUE(dlg.key.isEmpty());
    EXPECT_FALSE(dlg.startMinimised);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("設定"));
    EXPECT_TRUE(dlg.windowFlags() & Qt::CustomizeWindowHint);
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(Button(dlg, "cancelButton")->isDefault());
    EXPECT_FALSE(Button(dlg, "updateButton")->isDefault());

    dlg.dataFileName = QStringLiteral("/data/z.dat");
    dlg.key = QStringLiteral("earlier");
    dlg.startMinimised = true;
    dlg.show();
    auto* name = Child<QLineEdit>(dlg, "dataFileEdit");
    auto* key = Child<QLineEdit>(dlg, "keyEdit");
    auto* hide = Child<QCheckBox>(dlg, "hideKeyCheck");
    EXPECT_EQ(name->text(), QStringLiteral("/data/z.dat"));
    EXPECT_TRUE(key->text().isEmpty());
    EXPECT_TRUE(hide->isChecked());
    EXPECT_EQ(key->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(Child<QCheckBox>(dlg, "startMinimisedCheck")->isChecked());

    hide->click();
    EXPECT_EQ(key->echoMode(), QLineEdit::Normal);
    hide->click();
    EXPECT_EQ(key->echoMode(), QLineEdit::Password);

    name->setText(QStringLiteral("other.dat"));
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(dlg.result(), 2);
    // Cancel reads nothing back.
    EXPECT_EQ(dlg.dataFileName, QStringLiteral("/data/z.dat"));
    EXPECT_EQ(dlg.key, QStringLiteral("earlier"));
}

TEST(CConfigDlg, UpdateRefusesKeysOutsidePrintableAscii) {
    ScriptedPrompter prompter;
    CConfigDlg dlg;
    dlg.show();
    auto* key = Child<QLineEdit>(dlg, "keyEdit");
    key->setText(QStringLiteral("my key"));
    Button(dlg, "updateButton")->click();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), 0);
    EXPECT_EQ(prompter.texts(),
              QStringList({QStringLiteral("キーにできるのは半角の英数字と記号のみです")}));
    EXPECT_EQ(key->text(), QStringLiteral("my key"));
    key->setText(QString(37, u'k'));  // past the 36 characters the cipher uses
    Button(dlg, "updateButton")->click();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(prompter.texts().last(), QString::fromUtf16(kKeyTooLong));

    key->setText(QStringLiteral("my!key~"));
    Child<QCheckBox>(dlg, "startMinimisedCheck")->setChecked(true);
    Child<QLineEdit>(dlg, "dataFileEdit")->clear();
    Button(dlg, "updateButton")->click();
    EXPECT_EQ(dlg.result(), 1);
    EXPECT_EQ(dlg.key, QStringLiteral("my!key~"));
    EXPECT_TRUE(dlg.dataFileName.isEmpty());  // the settings command deals with it
    EXPECT_TRUE(dlg.startMinimised);
}

TEST(CConfigDlg, BrowseStartsInTheCurrentFolderAndTakesTheChosenPath) {
    InitProgramResources();
    ScriptedPrompter prompter;
    CConfigDlg dlg;
    dlg.dataFileName.clear();
    dlg.show();
    auto* browse = Child<QToolButton>(dlg, "browseButton");
    EXPECT_FALSE(browse->icon().isNull());
    auto* name = Child<QLineEdit>(dlg, "dataFileEdit");

    prompter.answerOpenFile(std::nullopt);
    browse->click();
    EXPECT_TRUE(name->text().isEmpty());
    ASSERT_EQ(prompter.fileRequests().size(), 1);
    const FileDialogRequest& r = prompter.fileRequests()[0];
    EXPECT_EQ(r.initialName, QDir::currentPath());
    EXPECT_EQ(r.defaultExtension, QStringLiteral("dat"));
    ASSERT_EQ(r.filters.size(), 2);
    EXPECT_EQ(r.filters[0].description, QStringLiteral("DATファイル (*.dat)"));
    EXPECT_EQ(r.filters[0].pattern, QStringLiteral("*.dat"));
    EXPECT_EQ(r.filters[1].description, QStringLiteral("すべてのファイル (*.*)"));
    EXPECT_EQ(r.filters[1].pattern, QStringLiteral("*.*"));

    prompter.answerOpenFile(QStringLiteral("/srv/keep/mine.dat"));
    name->setText(QStringLiteral("typed.dat"));
    browse->click();
    EXPECT_EQ(prompter.fileRequests()[1].initialName, QStringLiteral("typed.dat"));
    EXPECT_EQ(name->text(), QStringLiteral("/srv/keep/mine.dat"));
}

// A key typed into the key dialog or the settings dialog is overwritten when the dialog goes: the
// buffer its edit and its key field shared holds only zeros then (a copy kept here keeps that
// buffer alive to look at).
TEST(KeyDialogs, WipeTheTypedKeyWhenDestroyed) {
    ScriptedPrompter prompter;
    struct Case {
        QDialog* dialog;
        QString* key;
        const char* confirm;
    };
    auto* keyDialog = new CInKeyDlg;
    auto* settings = new CConfigDlg;
    for (const Case& c : {Case{keyDialog, &keyDialog->key, "okButton"},
                          Case{settings, &settings->key, "updateButton"}}) {
        SCOPED_TRACE(c.confirm);
        c.dialog->show();
        QTest::keyClicks(Child<QLineEdit>(*c.dialog, "keyEdit"), QStringLiteral("Tr0ub4dor&3"));
        Button(*c.dialog, c.confirm)->click();
        ASSERT_EQ(*c.key, QStringLiteral("Tr0ub4dor&3"));
        const QString kept = *c.key;
        delete c.dialog;
        ASSERT_EQ(kept.size(), 11);
        EXPECT_EQ(kept, QString(11, QChar(0)));
    }
}
