// The real prompter's dialogs: where they appear and how Qt's own file dialog speaks Japanese.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "app/JapaneseQtTexts.h"
#include "app/QtPrompter.h"
#include "support/TempDir.h"

TEST(QtPrompter, DialogIsCentredOnItsOwnerOrOnTheScreenWhenTheOwnerIsHidden) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        bool ownerShown;
        QRect owner;
        QPoint expectedCentre;
    };
    const QRect small(0, 0, 200, 100);
    const QRect placed(100, 80, 400, 300);
    const Case cases[] = {
        {false, small, screen.center()},
        {true, placed, placed.center()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ownerShown ? "shown owner" : "hidden owner");
        QWidget owner;
        owner.setGeometry(c.owner);
        if (c.ownerShown) {
            owner.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
        }
        QDialog dialog(&owner);
        dialog.resize(120, 60);
        QPoint centre;
        QTimer::singleShot(0, &dialog, [&] {
            centre = dialog.geometry().center();
            dialog.done(2);
        });
        QtPrompter prompter;
        EXPECT_EQ(prompter.runDialog(dialog), 2);
        EXPECT_LE((centre - c.expectedCentre).manhattanLength(), 4)
            << centre.x() << "," << centre.y();
    }
}

TEST(QtPrompter, FileDialogSpeaksJapaneseAndItsColumnsFitTheirTexts) {
    ASSERT_TRUE(InstallJapaneseQtTexts(*qApp)) << "Qt's Japanese translations are not installed";
    TempDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    dir.write(QStringLiteral("a.dat"), "ab");

    QStringList cancelTexts;
    QStringList cells[4];
    QList<int> widths;
    int shortest = 0;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        // Choosing a file still works through the dialog's own proxy of the file system model.
        const auto closer = qScopeGuard([&] {
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->setText("a.dat");
            QTest::keyClick(name, Qt::Key_Return);
        });
        for (auto* box : dialog->findChildren<QDialogButtonBox*>())
            if (QPushButton* cancel = box->button(QDialogButtonBox::Cancel))
                cancelTexts << cancel->text();
        auto* tree = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(tree, nullptr);
        QAbstractItemModel* model = tree->model();
        ASSERT_TRUE(QTest::qWaitFor([&] { return model->rowCount(tree->rootIndex()) == 2; }));
        for (int row = 0; row < 2; ++row)
            for (int column = 0; column < 4; ++column) {
                const QString text = model->index(row, column, tree->rootIndex()).data().toString();
                cells[column] << text;
                if (column > 0) {
                    const int need = tree->fontMetrics().horizontalAdvance(text);
                    shortest = std::min(shortest, tree->header()->sectionSize(column) - need);
                }
            }
        shortest = std::min(shortest, tree->header()->sectionSize(0) - 150);
    });
    QtPrompter prompter;
    FileDialogRequest request;
    request.startDirectory = dir.path();
    EXPECT_EQ(prompter.openFileName(request), std::optional<QString>(dir.file("a.dat")));

    EXPECT_EQ(cancelTexts, QStringList{QStringLiteral("キャンセル")});
    // Folders first, then files.
    EXPECT_EQ(cells[0], QStringList({"sub", "a.dat"}));
    EXPECT_EQ(cells[1].value(1), QStringLiteral("2 バイト"));
    EXPECT_EQ(cells[2].value(0), QStringLiteral("フォルダー"));
    const QDateTime modified = QFileInfo(dir.file(QStringLiteral("a.dat"))).lastModified();
    EXPECT_EQ(cells[3].value(1),
              QLocale(QLocale::Japanese).toString(modified, QLocale::ShortFormat));
    // Every text of the size, type and date columns fits; the name column keeps some room.
    EXPECT_GE(shortest, 0);
}
