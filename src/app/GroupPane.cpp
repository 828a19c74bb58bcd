#include "app/GroupPane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

GroupPane::GroupPane(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
    auto* header = new QFrame(this);
    header->setObjectName(QStringLiteral("groupPaneHeader"));
    header->setFrameShape(QFrame::StyledPanel);
    header->setAutoFillBackground(true);
    header->setBackgroundRole(QPalette::Button);

    title_ = new QLabel(QStringLiteral("グループ"), header);
    closeButton_ = new QToolButton(header);
    closeButton_->setObjectName(QStringLiteral("groupPaneClose"));
    closeButton_->setAutoRaise(true);
    closeButton_->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    closeButton_->setIconSize(QSize(10, 10));
    closeButton_->setFocusPolicy(Qt::NoFocus);
    closeButton_->setToolTip(QStringLiteral("閉じる"));
    closeButton_->setAccessibleName(closeButton_->toolTip());
    connect(closeButton_, &QToolButton::clicked, this, &GroupPane::closeClicked);

    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(4, 1, 1, 1);
    headerLayout->addWidget(title_, 1);
    headerLayout->addWidget(closeButton_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
}

void GroupPane::setClient(QWidget* client) {
    if (client_) {
        layout()->removeWidget(client_);
        client_->deleteLater();
    }
    client_ = client;
    if (!client_) return;
    static_cast<QVBoxLayout*>(layout())->addWidget(client_, 1);
    // The title names the pane's content for assistive technology.
    title_->setBuddy(client_);
    if (client_->accessibleName().isEmpty()) client_->setAccessibleName(title_->text());
}

QString GroupPane::title() const {
    return title_->text();
}
