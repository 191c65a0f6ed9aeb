#include "app/info_dialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

namespace zvr {

namespace {

QDialogButtonBox* OkButton(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    return buttons;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About..."));
    auto* layout = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(new QLabel(QStringLiteral("ZVR Version 7.3.7 15-10-12"), this), 0, 1);
    layout->addWidget(
        new QLabel(QStringLiteral("Calibration and monitoring of ZEVAR, LPN and KMS controllers"),
                   this),
        1, 1);
    layout->addWidget(OkButton(this), 2, 0, 1, 2);
}

ManualsDialog::ManualsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Manuals"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Manuals are available at:"), this));
    auto* address = new QLabel(QString::fromLatin1(kManualsAddress), this);
    address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(address);
    layout->addWidget(OkButton(this));
}

}  // namespace zvr
