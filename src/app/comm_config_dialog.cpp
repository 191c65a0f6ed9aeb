#include "app/comm_config_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "connection/controller_model.h"
#include "gui_base/latin1.h"

namespace zvr {

namespace {

QRadioButton* AddButton(QButtonGroup* group, QGridLayout* layout, const QString& text, int id,
                        int row, int column) {
    auto* button = new QRadioButton(text);
    button->setObjectName(QStringLiteral("button%1").arg(id));
    group->addButton(button, id);
    layout->addWidget(button, row, column);
    return button;
}

}  // namespace

CCommConfigDlg::CCommConfigDlg(const std::string& preset, const std::vector<SerialPortEntry>& ports,
                               QWidget* parent)
    : QDialog(parent), group_(new QButtonGroup(this)), custom_(new QComboBox(this)) {
    setWindowTitle(QStringLiteral("ZVR Communications Configuration"));

    auto* portBox = new QGroupBox(QStringLiteral("Serial Port"), this);
    auto* portLayout = new QGridLayout(portBox);
    AddButton(group_, portLayout, QStringLiteral("Com 1"), kButtonCom1, 0, 0);
    AddButton(group_, portLayout, QStringLiteral("Com 2"), kButtonCom2, 1, 0);
    AddButton(group_, portLayout, QStringLiteral("Custom"), kButtonCustom, 2, 0);
    custom_->setEditable(true);
    custom_->setObjectName(QStringLiteral("customField"));
    custom_->lineEdit()->setMaxLength(static_cast<int>(kMaxCustomName));
    custom_->setMinimumContentsLength(28);
    for (const SerialPortEntry& port : ports) {
        const QString path = ToQ(port.path);
        custom_->addItem(
            port.description.empty() ? path : path + QStringLiteral("   ") + ToQ(port.description),
            path);
    }
    custom_->setCurrentText(QString());
    // A port picked from the list stands for its device path alone.
    connect(custom_, &QComboBox::activated, this,
            [this](int index) { custom_->setEditText(custom_->itemData(index).toString()); });
    portLayout->addWidget(custom_, 2, 1);
    // Typing a port of one's own chooses Custom.
    connect(custom_, &QComboBox::currentTextChanged, this,
            [this] { group_->button(kButtonCustom)->setChecked(true); });

    auto* demoBox = new QGroupBox(QStringLiteral("Demo Mode"), this);
    auto* demoLayout = new QGridLayout(demoBox);
    int index = 0;
    for (const ControllerModel& model : ControllerModels()) {
        QRadioButton* button = AddButton(group_, demoLayout, ToQ(model.buttonText), model.buttonId,
                                         index / 2, index % 2);
        button->setToolTip(
            QStringLiteral("Enables program demonstration without a controller hooked up."));
        ++index;
    }

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setToolTip(
        QStringLiteral("Tries to find controller on selected port or starts demo mode."));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setToolTip(QStringLiteral("Closes window without changing port."));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    ok->setObjectName(QStringLiteral("okButton"));
    cancel->setObjectName(QStringLiteral("cancelButton"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(portBox);
    layout->addWidget(demoBox);
    layout->addLayout(buttons);

    Select(preset.size() < kMaxPresetName + 1 ? preset : std::string());
}

void CCommConfigDlg::Select(const std::string& preset) {
    const int id = PortDialogButtonFor(preset);
    if (id == kButtonCustom) custom_->setCurrentText(ToQ(preset));
    group_->button(id)->setChecked(true);
}

std::string CCommConfigDlg::portName() const {
    const int id = group_->checkedId();
    if (id == kButtonCom1) return "COM1";
    if (id == kButtonCom2) return "COM2";
    for (const ControllerModel& model : ControllerModels()) {
        if (model.buttonId == id) return model.demoKey;
    }
    return FromQ(custom_->currentText().trimmed());
}

}  // namespace zvr
