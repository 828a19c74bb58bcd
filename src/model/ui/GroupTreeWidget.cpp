#include "GroupTreeWidget.h"

#include <QHeaderView>
#include <QMouseEvent>

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
}

void GroupTreeWidget::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) emit clickedAt(itemAt(event->position().toPoint()));
}
