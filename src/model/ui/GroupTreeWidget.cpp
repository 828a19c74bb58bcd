#include "model/ui/GroupTreeWidget.h"

#include <QAccessible>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QStyleFactory>
#include <algorithm>
#include <memory>

#include "model/ui/TreeItemDeletion.h"

namespace {

// The look of the tree's branches: dotted lines joining the items and boxed expand buttons, as
// the Windows style draws them; everything else in the application's own style.
class BranchLinesStyle : public QProxyStyle {
public:
    BranchLinesStyle() : lines_(QStyleFactory::create(QStringLiteral("Windows"))) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_IndicatorBranch && lines_)
            lines_->drawPrimitive(element, option, painter, widget);
        else
            QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

private:
    std::unique_ptr<QStyle> lines_;
};

}  // namespace

GroupTreeWidget::GroupTreeWidget(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("groupTree"));
    setColumnCount(1);
    // Hidden, but assistive technology still lists the column: named as the pane is.
    setHeaderLabels({QStringLiteral("グループ")});
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setUniformRowHeights(true);
    header()->setStretchLastSection(true);
    auto* style = new BranchLinesStyle;
    style->setParent(this);
    setStyle(style);
}

void GroupTreeWidget::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) emit clickedAt(itemAt(event->position().toPoint()));
}

void GroupTreeWidget::setCurrentGroupShown(QTreeWidgetItem* item) {
    const QPersistentModelIndex index(item ? indexFromItem(item) : QModelIndex());
    if (index == currentGroup_) return;
    currentGroup_ = index;
    tellDescriptionChanged(item);
}

void GroupTreeWidget::tellDescriptionChanged(QTreeWidgetItem* item) {
    if (!item || item != currentItem() || !QAccessible::isActive()) return;
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(this);
    if (QAccessibleInterface* highlighted = tree ? tree->focusChild() : nullptr) {
        QAccessibleEvent changed(highlighted, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&changed);
    }
}

QTreeWidgetItem* GroupTreeWidget::currentGroupShown() const {
    return currentGroup_.isValid() ? itemFromIndex(currentGroup_) : nullptr;
}

GroupTreeWidget::~GroupTreeWidget() {
    DeleteAllTreeItems(this);
}

void GroupTreeWidget::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    QTreeWidgetItem* item = currentItem();
    if (item && modifiers == Qt::NoModifier &&
        (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
        event->accept();
        emit chosenWithKey(item);
        return;
    }
    if (key != Qt::Key_Asterisk || !item) {
        QTreeWidget::keyPressEvent(event);
        return;
    }
    int level = 1;
    for (const QTreeWidgetItem* up = item->parent(); up; up = up->parent()) ++level;
    // Items down to the level above the limit are opened, so that the deepest shown level is the
    // limit; below it, the item itself still opens one level.
    expandRecursively(indexFromItem(item), std::max(0, kTreeOpenDepthLimit - 1 - level));
}
