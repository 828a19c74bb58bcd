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
#include <QToolButton>

#include "diag/MessageBoxes.h"
#include "diag/SecureWipe.h"
#include "items/KeyCharacters.h"
#include "model/ui/KeyEditAccessibility.h"
#include "storage/ui/DataFileDialogs.h"

namespace {
// The bitmap of the browse button: an open folder with a sheet of paper.
const char kBrowseIcon[] = ":/zetrova/icons/browse.svg";
}  // namespace

CConfigDlg::CConfigDlg(QWidget* parent)
    : FieldDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(QStringLiteral("設定"));

    auto* fields = new QGridLayout;
    nameEdit_ = AddLabelledEdit(this, fields, 0, QStringLiteral("データファイル名"),
                                QStringLiteral("dataFileEdit"));

    auto* browseButton = new QToolButton(this);
    browseButton->setObjectName(QStringLiteral("browseButton"));
    browseButton->setIcon(QIcon(QString::fromLatin1(kBrowseIcon)));
    browseButton->setIconSize(QSize(16, 16));
    browseButton->setToolTip(QStringLiteral("参照"));
    browseButton->setAccessibleName(browseButton->toolTip());
    connect(browseButton, &QToolButton::clicked, this, &CConfigDlg::browse);
    fields->addWidget(browseButton, 0, 2);

    keyEdit_ = AddLabelledEdit(this, fields, 1, QStringLiteral("暗号化/復号化キー"),
                               QStringLiteral("keyEdit"), 2);
    MarkAsKeyEdit(*keyEdit_);
    auto* keyHint = new QLabel(QStringLiteral("(半角の英数字と記号、36文字まで)"), this);
    keyEdit_->setAccessibleDescription(keyHint->text());
    hideKeyBox_ = new QCheckBox(QStringLiteral("キーの表示を隠す"), this);
    hideKeyBox_->setObjectName(QStringLiteral("hideKeyCheck"));
    connect(hideKeyBox_, &QCheckBox::toggled, this, &CConfigDlg::setKeyHidden);
    fields->addWidget(keyHint, 2, 0);
    fields->addWidget(hideKeyBox_, 2, 1, 1, 2, Qt::AlignRight);

    auto* showGroup = new QGroupBox(QStringLiteral("表示"), this);
    startMinimisedBox_ = new QCheckBox(QStringLiteral("最小化して起動する"), showGroup);
    startMinimisedBox_->setObjectName(QStringLiteral("startMinimisedCheck"));
    auto* showLayout = new QHBoxLayout(showGroup);
    showLayout->addWidget(startMinimisedBox_);
    showLayout->addStretch();

    QPushButton* updateButton =
        addEndButton(QStringLiteral("更新"), QStringLiteral("updateButton"), 1);
    QPushButton* cancelButton =
        addEndButton(QStringLiteral("キャンセル"), QStringLiteral("cancelButton"), 2);
    cancelButton->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(showGroup);
    layout->addLayout(CentredButtonRow(updateButton, cancelButton));
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

void CConfigDlg::loadFields() {
    nameEdit_->setText(dataFileName);
    // The key is never shown again: it has to be typed at every showing.
    WipeLineEdit(*keyEdit_);
    hideKeyBox_->setChecked(true);
    setKeyHidden(true);
    startMinimisedBox_->setChecked(startMinimised);
    nameEdit_->setFocus();
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

bool CConfigDlg::storeFields(int id) {
    if (id != 1) return true;
    dataFileName = nameEdit_->text();
    key = keyEdit_->text();
    if (!IsAllowedKeyText(key) || key.size() > kLongestKey) {
        Notice(this,
               IsAllowedKeyText(key) ? kKeyTooLong : u"キーにできるのは半角の英数字と記号のみです");
        keyEdit_->setFocus();
        return false;
    }
    startMinimised = startMinimisedBox_->isChecked();
    return true;
}
