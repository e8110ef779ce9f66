#include "grouplink/config_dialog.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace korvane::grouplink {
namespace {

QLabel* SunkenLabel(const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

}  // namespace

ConfigDialog::ConfigDialog(const std::string& nameText, const PluginSettings& settings,
                           platform::Messages& messages, FileChooser chooseFile)
    : nameText_(nameText),
      settings_(settings),
      messages_(messages),
      chooseFile_(std::move(chooseFile)) {
    setObjectName("CConfigDlg");
    setWindowTitle(QString::fromLatin1("%1 Config...").arg(QString::fromLocal8Bit(nameText_)));
    setWindowIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));

    fileEdit_ = new QLineEdit(QString::fromLocal8Bit(settings_.OutIPListFName), this);
    fileEdit_->setObjectName("editFileName");
    auto* browse = new QPushButton("...", this);
    browse->setObjectName("buttonBrowse");
    browse->setAutoDefault(false);
    groupEdit_ = new QLineEdit(QString::fromLocal8Bit(settings_.IPAddressGroup), this);
    groupEdit_->setObjectName("editGroup");
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("buttonOk");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("buttonCancel");
    cancel->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(SunkenLabel("  File name of TMeter filter set:", this), 0, 0, 1, 2);
    grid->addWidget(fileEdit_, 1, 0);
    grid->addWidget(browse, 1, 1);
    grid->addWidget(SunkenLabel("  IP Address Group (will be created if not exist):", this), 2, 0,
                    1, 2);
    grid->addWidget(groupEdit_, 3, 0, 1, 2);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 4, 1);
    grid->setColumnMinimumWidth(0, 360);

    connect(ok, &QPushButton::clicked, this, &ConfigDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &ConfigDialog::reject);
    connect(browse, &QPushButton::clicked, this, &ConfigDialog::Browse);
}

void ConfigDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    SelectFileName();
}

void ConfigDialog::SelectFileName() {
    // Selected whole, with the caret (its end) in view.
    fileEdit_->setFocus();
    fileEdit_->end(false);
    fileEdit_->selectAll();
}

bool ConfigDialog::TakeOverFields() {
    const auto group = TakeOverGroupName(groupEdit_->text().toLocal8Bit().toStdString());
    if (!group) {
        messages_.Show({kEmptyGroupNameText, nameText_, platform::MessageIcon::None,
                        platform::MessageButtons::Ok});
        groupEdit_->setFocus();
        groupEdit_->selectAll();
        return false;
    }
    settings_.OutIPListFName = fileEdit_->text().toLocal8Bit().toStdString();
    settings_.IPAddressGroup = *group;
    return true;
}

void ConfigDialog::accept() {
    if (TakeOverFields()) QDialog::accept();
}

void ConfigDialog::Browse() {
    if (!TakeOverFields()) return;
    const auto chosen = chooseFile_(this, QString::fromLocal8Bit(settings_.OutIPListFName));
    if (!chosen) return;
    settings_.OutIPListFName = chosen->toLocal8Bit().toStdString();
    fileEdit_->setText(QString::fromLocal8Bit(settings_.OutIPListFName));
    groupEdit_->setText(QString::fromLocal8Bit(settings_.IPAddressGroup));
    SelectFileName();
}

std::optional<QString> ConfigDialog::OpenFileDialog(QWidget* parent, const QString& initial) {
    const QString file = QFileDialog::getOpenFileName(parent, QString(), initial,
                                                      "TrafMeter filterset (*.tmf);;All Files (*)");
    if (file.isEmpty()) return std::nullopt;
    return file;
}

}  // namespace korvane::grouplink
