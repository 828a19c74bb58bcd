#include "app/CAboutDlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "app/AppIdentity.h"
#include "app/ProgramIcons.h"

CAboutDlg::CAboutDlg(QWidget* parent) : FieldDialog(parent) {
    setWindowTitle(QStringLiteral("About"));

    auto* frame = new QGroupBox(this);
    auto* icon = new QLabel(frame);
    icon->setObjectName(QStringLiteral("programIcon"));
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    auto* text = new QLabel(aboutText(), frame);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setAlignment(Qt::AlignCenter);
    auto* frameLayout = new QHBoxLayout(frame);
    frameLayout->setContentsMargins(18, 14, 18, 14);
    frameLayout->addWidget(icon, 0, Qt::AlignVCenter);
    frameLayout->addSpacing(14);
    frameLayout->addWidget(text, 1);

    QPushButton* ok = addEndButton(QStringLiteral("OK"), QStringLiteral("okButton"), 1);
    ok->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CAboutDlg::aboutText() {
    return QString::fromUtf16(kProgramVersionText) +
           QStringLiteral("\n\nCopyright (C) 2026 Zetrova developers");
}
