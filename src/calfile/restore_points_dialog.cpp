#include "calfile/restore_points_dialog.h"

#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "common/user_prompt.h"
#include "gui_base/latin1.h"

namespace zvr {

std::string RestoreQuestion(const RestorePoint& point) {
    return "Write the restore point taken " + point.when + " before " + point.command +
           " back into the controller?\r\n\r\nOnly the values that differ are written. The "
           "controller's calibration as it is now is kept as a new restore point first.";
}

CRestorePointsDlg::CRestorePointsDlg(const RestorePoints& store, const UnitIdentity& unit,
                                     UserPrompt& prompt, Actions actions, QWidget* parent)
    : QDialog(parent),
      prompt_(prompt),
      actions_(std::move(actions)),
      points_(store.List(&unit)),
      folder_(new QLabel(this)),
      list_(new QTreeWidget(this)),
      compare_(new QPushButton(QStringLiteral("&Compare"), this)),
      restore_(new QPushButton(QStringLiteral("&Restore"), this)),
      close_(new QPushButton(QStringLiteral("Close"), this)) {
    setWindowTitle(QStringLiteral("Restore Points - ") +
                   ToQ(unit.model.empty() ? unit.strategy : unit.model + " " + unit.strategy));
    folder_->setText(QStringLiteral("Kept in ") + QFile::decodeName(store.folder().c_str()));
    folder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    folder_->setWordWrap(true);
    list_->setHeaderLabels(
        {QStringLiteral("Taken"), QStringLiteral("Before"), QStringLiteral("File")});
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (const RestorePoint& point : points_) {
        list_->addTopLevelItem(new QTreeWidgetItem(
            {ToQ(point.when), ToQ(point.command), QFile::decodeName(point.name.c_str())}));
    }
    if (points_.empty()) {
        auto* none = new QTreeWidgetItem({QStringLiteral("No restore points for this unit yet.")});
        none->setFlags(Qt::NoItemFlags);
        list_->addTopLevelItem(none);
    } else {
        list_->setCurrentItem(list_->topLevelItem(0));
    }
    compare_->setToolTip(QStringLiteral("Shows how the controller differs from the point."));
    restore_->setToolTip(QStringLiteral("Writes the point back into the controller."));
    connect(compare_, &QPushButton::clicked, this, &CRestorePointsDlg::Compare);
    connect(restore_, &QPushButton::clicked, this, &CRestorePointsDlg::Restore);
    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QTreeWidget::currentItemChanged, this, &CRestorePointsDlg::UpdateButtons);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(compare_);
    buttons->addWidget(restore_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(folder_);
    layout->addLayout(buttons);
    resize(640, 360);
    UpdateButtons();
}

const RestorePoint* CRestorePointsDlg::Selected() const {
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    return row >= 0 && row < static_cast<int>(points_.size()) ? &points_[row] : nullptr;
}

void CRestorePointsDlg::UpdateButtons() {
    const bool chosen = Selected() != nullptr;
    compare_->setEnabled(chosen);
    restore_->setEnabled(chosen);
}

void CRestorePointsDlg::Compare() {
    const RestorePoint* point = Selected();
    if (point == nullptr) return;
    const std::string path = point->path;
    accept();
    if (actions_.compare) actions_.compare(path);
}

void CRestorePointsDlg::Restore() {
    const RestorePoint* point = Selected();
    if (point == nullptr) return;
    if (!prompt_.askYesNo(RestoreQuestion(*point))) return;
    const std::string path = point->path;
    accept();
    if (actions_.restore) actions_.restore(path);
}

}  // namespace zvr
