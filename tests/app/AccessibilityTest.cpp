// What assistive technology learns from the program, seen through Qt's accessibility updates and
// interfaces (the bus itself is tested by accessibility_bus).
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <initializer_list>

#include "app/AppTestSupport.h"
#include "app/GroupPane.h"
#include "items/ui/CZetrovaView.h"
#include "model/ui/DialogParts.h"
#include "model/ui/GroupTreeView.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/KeyEditAccessibility.h"
#include "model/ui/Workspace.h"
#include "support/ScriptedPrompter.h"

namespace {

// The text updates Qt reports, as "+text" (inserted) and "-text" (removed), per object.
struct TextUpdate {
    const QObject* object;
    int position;
    QString change;
};
std::vector<TextUpdate>& Recorded() {
    static std::vector<TextUpdate> updates;
    return updates;
}

void Record(QAccessibleEvent* event) {
    if (event->type() == QAccessible::TextInserted) {
        const auto* e = static_cast<QAccessibleTextInsertEvent*>(event);
        Recorded().push_back({e->object(), e->changePosition(), u'+' + e->textInserted()});
    } else if (event->type() == QAccessible::TextRemoved) {
        const auto* e = static_cast<QAccessibleTextRemoveEvent*>(event);
        Recorded().push_back({e->object(), e->changePosition(), u'-' + e->textRemoved()});
    } else if (event->type() == QAccessible::TextUpdated) {
        const auto* e = static_cast<QAccessibleTextUpdateEvent*>(event);
        Recorded().push_back({e->object(), e->changePosition(), u'-' + e->textRemoved()});
        Recorded().push_back({e->object(), e->changePosition(), u'+' + e->textInserted()});
    }
}

// The update handler in force: the filter, installed in front of the recorder, so that what
// passes the filter is what the desktop's bridge would get. Qt sends no updates of its own here
// (nothing activates its accessibility on this platform): the tests send the updates a line edit
// sends.
QAccessible::UpdateHandler FilterInFrontOfTheRecorder() {
    static const QAccessible::UpdateHandler filter = [] {
        QAccessible::installUpdateHandler(&Record);
        InstallKeyEditAccessibility();
        const QAccessible::UpdateHandler installed = QAccessible::installUpdateHandler(nullptr);
        QAccessible::installUpdateHandler(installed);
        return installed;
    }();
    return filter;
}

QString Description(const QTreeWidgetItem* item) {
    return item ? item->data(0, Qt::AccessibleDescriptionRole).toString() : QStringLiteral("-");
}

}  // namespace

TEST(KeyEditAccessibility, NoTextUpdateOfAKeyEditCarriesACharacterButTellsWhereAndHowMany) {
    const QAccessible::UpdateHandler filter = FilterInFrontOfTheRecorder();
    ASSERT_NE(filter, &Record);
    struct Case {
        const char* what;
        QLineEdit::EchoMode echo;
        bool keyEdit;
        bool masked;
    };
    const Case cases[] = {
        {"password edit", QLineEdit::Password, false, true},
        {"key edit in password mode", QLineEdit::Password, true, true},
        {"key edit showing its text", QLineEdit::Normal, true, true},
        {"edit without echo", QLineEdit::NoEcho, false, true},
        {"password edit showing while typed", QLineEdit::PasswordEchoOnEdit, false, true},
        {"plain edit", QLineEdit::Normal, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QLineEdit edit;
        edit.setEchoMode(c.echo);
        if (c.keyEdit) MarkAsKeyEdit(edit);
        Recorded().clear();
        // Typed, deleted, replaced (a paste over a selection), and wiped when the dialog ends.
        QAccessibleTextInsertEvent typed(&edit, 2, QStringLiteral("Qz"));
        QAccessibleTextRemoveEvent deleted(&edit, 1, QStringLiteral("7"));
        QAccessibleTextUpdateEvent replaced(&edit, 0, QStringLiteral("Jv9"), QStringLiteral("x"));
        QAccessibleTextCursorEvent moved(&edit, 3);
        for (QAccessibleEvent* e :
             std::initializer_list<QAccessibleEvent*>{&typed, &deleted, &replaced, &moved})
            filter(e);

        QStringList changes;
        for (const TextUpdate& u : Recorded()) {
            EXPECT_EQ(u.object, &edit);
            changes << QString::number(u.position) + u.change;
        }
        EXPECT_EQ(changes, c.masked ? QStringList({"2+**", "1-*", "0-***", "0+*"})
                                    : QStringList({"2+Qz", "1-7", "0-Jv9", "0+x"}));
    }
    // Other objects' updates pass unchanged.
    QObject other;
    Recorded().clear();
    QAccessibleTextInsertEvent named(&other, 0, QStringLiteral("Qz"));
    filter(&named);
    ASSERT_EQ(Recorded().size(), 1u);
    EXPECT_EQ(Recorded()[0].change, QStringLiteral("+Qz"));
}

TEST(MainWindowAccessibility, NamesLevelsCurrentGroupKindsAndThePendingMove) {
    ScriptedPrompter prompter;
    FrameHarness h;
    Workspace& ws = h.frame->workspace();
    LoadDocument(ws, R"(<group name="root"><group name="Bank"><item name="login">alice</item>
                          <secret name="pin">9876</secret><group name="Sub"/></group>
                          <group name="Mail"/></group>)");
    GroupTreeWidget* tree = h.frame->groupTree();
    CZetrovaView* list = h.frame->itemList();

    // Every control is named from what the window shows, the hidden column header too.
    EXPECT_EQ(tree->accessibleName(), QStringLiteral("グループ"));
    EXPECT_EQ(tree->headerItem()->text(0), QStringLiteral("グループ"));
    EXPECT_EQ(list->accessibleName(), QStringLiteral("項目"));
    EXPECT_EQ(h.frame->groupPane()->closeButton()->accessibleName(), QStringLiteral("閉じる"));

    QTreeWidgetItem* bank = TreeItemByLabels(tree, {QStringLiteral("Bank")});
    QTreeWidgetItem* sub = TreeItemByLabels(tree, {QStringLiteral("Bank"), QStringLiteral("Sub")});
    QTreeWidgetItem* mail = TreeItemByLabels(tree, {QStringLiteral("Mail")});
    const auto descriptions = [&] {
        return QStringList{Description(tree->topLevelItem(0)), Description(bank), Description(sub),
                           Description(mail)};
    };
    EXPECT_EQ(descriptions(), QStringList({"第1階層", "第2階層、rootの下", "第3階層、Bankの下",
                                           "第2階層、rootの下"}));

    // The highlight moves without making a group current; only the current one says so.
    tree->setCurrentItem(mail);
    ws.SetCurrentGroup(bank);
    SetTreeItemCut(sub, true);
    EXPECT_EQ(descriptions(), QStringList({"第1階層", "第2階層、rootの下、現在のグループ",
                                           "第3階層、Bankの下、移動待ち", "第2階層、rootの下"}));
    bank->setText(0, QStringLiteral("Bank2"));
    EXPECT_EQ(Description(sub), QStringLiteral("第3階層、Bank2の下、移動待ち"));
    bank->setText(0, QStringLiteral("Bank"));
    SetTreeItemCut(sub, false);

    // The rows say their kind, and the row of an item marked for a move says so as well.
    ASSERT_EQ(list->rowCount(), 2);
    list->selectRow(1);
    h.frame->dispatchCommand(32781);  // 移動(&M)
    QStringList rows;
    for (int r = 0; r < list->rowCount(); ++r)
        rows << list->topLevelItem(r)->data(0, Qt::AccessibleDescriptionRole).toString();
    EXPECT_EQ(rows, QStringList({"通常", "秘密、移動待ち"}));

    // Another document: no group is current any more.
    LoadDocument(ws, R"(<group name="root"><group name="Bank"/></group>)");
    EXPECT_EQ(Description(TreeItemByLabels(tree, {QStringLiteral("Bank")})),
              QStringLiteral("第2階層、rootの下"));
}

TEST(MainWindowAccessibility, TheRowWithTheFocusIsTheRowCommandsActOn) {
    ScriptedPrompter prompter;
    FrameHarness h;
    Workspace& ws = h.frame->workspace();
    LoadDocument(ws, R"(<group name="root"><group name="G"><item name="a">1</item>
                          <item name="b">2</item><item name="c">3</item></group>
                          <group name="H"><item name="h">8</item></group></group>)");
    GroupTreeWidget* tree = h.frame->groupTree();
    CZetrovaView* list = h.frame->itemList();
    h.frame->show();
    QApplication::setActiveWindow(h.frame.get());
    if (!QTest::qWaitForWindowActive(h.frame.get())) GTEST_SKIP() << "no active window here";

    // Chosen from the tree: the list is filled but has no focus, so no row is selected.
    tree->setFocus();
    ws.SetCurrentGroup(TreeItemByLabels(tree, {QStringLiteral("G")}));
    EXPECT_EQ(list->selectedRow(), -1);
    // Tab to the list: the row that gets the focus is the selected one, and Ctrl+C copies it.
    list->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(list->currentIndex().row(), 0);
    EXPECT_EQ(list->selectedRow(), 0);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->selectedRow(), 2);
    h.frame->dispatchCommand(32790);  // コピー(&C)\tCtrl+C
    EXPECT_EQ(prompter.clipboard(), QStringList({"3"}));

    // A refill under the focus keeps the focus row, the last one when there are fewer rows.
    prompter.answerYes();
    h.frame->dispatchCommand(32779);  // 削除(&D): "c"
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(list->currentIndex().row(), 1);
    EXPECT_EQ(list->selectedRow(), 1);
    ws.SetCurrentGroup(TreeItemByLabels(tree, {QStringLiteral("H")}));
    EXPECT_EQ(list->selectedRow(), 0);
    EXPECT_TRUE(prompter.texts().filter(QStringLiteral("項目を選んでください")).isEmpty());
}
