#include "items/ui/CConfigDlg.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <limits>

#include "diag/MessageBoxes.h"
#include "diag/SecureWipe.h"
#include "items/KeyCharacters.h"
#include "model/ui/DialogParts.h"
#include "model/ui/KeyEditAccessibility.h"
#include "storage/ui/DataFileDialogs.h"

namespace {
// The bitmap of the browse button: an open folder with a sheet of paper.
const char kBrowseIcon[] = ":/zetrova/icons/browse.svg";
}  // namespace

CConfigDlg::CConfigDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(QStringLiteral("設定"));

    auto* nameLabel = new QLabel(QStringLiteral("データファイル名"), this);
    nameLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("dataFileEdit"));
    nameEdit_->setMaxLength(std::numeric_limits<int>::max());
    nameEdit_->setMinimumWidth(180);
    nameLabel->setBuddy(nameEdit_);

    auto* browseButton = new QToolButton(this);
    browseButton->setObjectName(QStringLiteral("browseButton"));
    browseButton->setIcon(QIcon(QString::fromLatin1(kBrowseIcon)));
    browseButton->setIconSize(QSize(16, 16));
    browseButton->setToolTip(QStringLiteral("参照"));
    browseButton->setAccessibleName(browseButton->toolTip());
    connect(browseButton, &QToolButton::clicked, this, &CConfigDlg::browse);

    auto* keyLabel = new QLabel(QStringLiteral("暗号化/復号化キー"), this);
    keyLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    keyEdit_ = new QLineEdit(this);
    keyEdit_->setObjectName(QStringLiteral("keyEdit"));
    keyEdit_->setMaxLength(std::numeric_limits<int>::max());
    MarkAsKeyEdit(*keyEdit_);
    keyLabel->setBuddy(keyEdit_);
    auto* keyHint = new QLabel(QStringLiteral("(半角の英数字と記号)"), this);
    keyEdit_->setAccessibleDescription(keyHint->text());
    hideKeyBox_ = new QCheckBox(QStringLiteral("キーの表示を隠す"), this);
    hideKeyBox_->setObjectName(QStringLiteral("hideKeyCheck"));
    connect(hideKeyBox_, &QCheckBox::toggled, this, &CConfigDlg::setKeyHidden);

    auto* showGroup = new QGroupBox(QStringLiteral("表示"), this);
    startMinimisedBox_ = new QCheckBox(QStringLiteral("最小化して起動する"), showGroup);
    startMinimisedBox_->setObjectName(QStringLiteral("startMinimisedCheck"));
    auto* showLayout = new QHBoxLayout(showGroup);
    showLayout->addWidget(startMinimisedBox_);
    showLayout->addStretch();

    auto* updateButton = new QPushButton(QStringLiteral("更新"), this);
    updateButton->setObjectName(QStringLiteral("updateButton"));
    auto* cancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setDefault(true);
    connect(updateButton, &QPushButton::clicked, this, &CConfigDlg::update);
    connect(cancelButton, &QPushButton::clicked, this, &CConfigDlg::reject);

    auto* fields = new QGridLayout;
    fields->addWidget(nameLabel, 0, 0);
    fields->addWidget(nameEdit_, 0, 1);
    fields->addWidget(browseButton, 0, 2);
    fields->addWidget(keyLabel, 1, 0);
    fields->addWidget(keyEdit_, 1, 1, 1, 2);
    fields->addWidget(keyHint, 2, 0);
    fields->addWidget(hideKeyBox_, 2, 1, 1, 2, Qt::AlignRight);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(updateButton);
    buttons->addWidget(cancelButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(showGroup);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(nameEdit_, keyEdit_);
    setTabOrder(keyEdit_, updateButton);
    setTabOrder(updateButton, cancelButton);
    setTabOrder(cancelButton, startMinimisedBox_);
    setTabOrder(startMinimisedBox_, browseButton);
    setTabOrder(browseButton, hideKeyBox_);
}

CConfigDlg::~CConfigDlg() {
    Wipe(key);
    WipeLineEdit(*keyEdit_);
}

void CConfigDlg::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        nameEdit_->setText(dataFileName);
        // The key is never shown again: it has to be typed at every showing.
        WipeLineEdit(*keyEdit_);
        hideKeyBox_->setChecked(true);
        setKeyHidden(true);
        startMinimisedBox_->setChecked(startMinimised);
        nameEdit_->setFocus();
    }
    QDialog::showEvent(event);
}

void CConfigDlg::setKeyHidden(bool hidden) {
    keyEdit_->setEchoMode(hidden ? QLineEdit::Password : QLineEdit::Normal);
}

void CConfigDlg::browse() {
    QString initial = nameEdit_->text();
    if (initial.isEmpty()) initial = QDir::currentPath();
    FileDialogRequest request = DataFileDialogRequest(initial);
    request.startDirectory = QDir::currentPath();
    const std::optional<QString> chosen = CurrentPrompter().openFileName(request);
    if (chosen && !chosen->isEmpty()) nameEdit_->setText(QFileInfo(*chosen).absoluteFilePath());
}

void CConfigDlg::update() {
    dataFileName = nameEdit_->text();
    key = keyEdit_->text();
    if (!IsAllowedKeyText(key)) {
        Notice(this, u"キーにできるのは半角の英数字と記号のみです");
        keyEdit_->setFocus();
        return;
    }
    startMinimised = startMinimisedBox_->isChecked();
    done(1);
}

void CConfigDlg::reject() {
    done(2);
}
