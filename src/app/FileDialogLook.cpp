#include "app/FileDialogLook.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QListView>
#include <QLocale>
#include <QScreen>
#include <QSplitter>
#include <QTreeView>

namespace {

enum Column { kName = 0, kSize = 1, kType = 2, kDate = 3 };

QString FormattedSize(qint64 bytes) {
    return QLocale().formattedDataSize(bytes);
}

QString FormattedDate(const QDateTime& time) {
    return QLocale().toString(time, QLocale::ShortFormat);
}

// The file system model with its size and date columns written in the default (Japanese) locale.
class JapaneseDetailsModel : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (files && role == Qt::DisplayRole) {
            const QModelIndex source = mapToSource(index);
            if (index.column() == kSize && !files->isDir(source))
                return FormattedSize(files->size(source));
            if (index.column() == kDate) return FormattedDate(files->lastModified(source));
        }
        return QIdentityProxyModel::data(index, role);
    }
};

}  // namespace

void FitFileDialogToJapanese(QFileDialog& dialog) {
    auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!tree) return;
    dialog.setProxyModel(new JapaneseDetailsModel(&dialog));

    const QFontMetrics metrics = tree->fontMetrics();
    const int padding = 3 * metrics.horizontalAdvance(u'0');
    const auto widthOf = [&](const QString& text) {
        return metrics.horizontalAdvance(text) + padding;
    };
    QHeaderView* header = tree->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(kName, QHeaderView::Stretch);
    header->resizeSection(kSize, widthOf(FormattedSize(1023 * 1024 + 1000)));
    // File types are the shared MIME database's comments; most are at most this long.
    header->resizeSection(kType, widthOf(QStringLiteral("平文テキストドキュメント")));
    header->resizeSection(kDate,
                          widthOf(FormattedDate(QDateTime(QDate(2000, 12, 28), QTime(23, 59)))));

    int sidebarWidth = 0;
    if (auto* sidebar = dialog.findChild<QListView*>(QStringLiteral("sidebar")))
        sidebarWidth = sidebar->sizeHintForColumn(0) + 2 * sidebar->frameWidth() + padding;

    QSize size(sidebarWidth + header->sectionSize(kSize) + header->sectionSize(kType) +
                   header->sectionSize(kDate) + 40 * metrics.averageCharWidth(),
               30 * metrics.height());
    if (const QScreen* screen =
            dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    dialog.resize(size.expandedTo(dialog.size()));
    if (auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
        splitter && sidebarWidth > 0)
        splitter->setSizes({sidebarWidth, dialog.width() - sidebarWidth});
}
