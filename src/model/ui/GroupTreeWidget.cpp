#include "GroupTreeWidget.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QStyleFactory>
#include <memory>

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

void GroupTreeWidget::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (modifiers == Qt::NoModifier &&
        (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
        if (QTreeWidgetItem* item = currentItem()) {
            event->accept();
            emit chosenWithKey(item);
            return;
        }
    }
    QTreeWidget::keyPressEvent(event);
}
