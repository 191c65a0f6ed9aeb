#include "views/tuning_log_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui_base/latin1.h"
#include "plot/tuning_log.h"

namespace zvr {

CTuningLogDlg::CTuningLogDlg(std::string path, QWidget* parent)
    : QDialog(parent),
      path_(std::move(path)),
      note_(new QLabel(this)),
      table_(new QTableWidget(this)) {
    setWindowTitle(QStringLiteral("Tuning Log"));
    note_->setWordWrap(true);
    note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setAlternatingRowColors(true);
    table_->verticalHeader()->hide();
    table_->setToolTip(QStringLiteral(
        "Each gain written from the Parameter Plot, and each step it measured with the gains "
        "in force"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* refresh =
        buttons->addButton(QStringLiteral("&Refresh"), QDialogButtonBox::ActionRole);
    refresh->setToolTip(QStringLiteral("Reads the log again"));
    connect(refresh, &QPushButton::clicked, this, &CTuningLogDlg::Reload);
    connect(buttons, &QDialogButtonBox::rejected, this, &CTuningLogDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note_);
    layout->addWidget(table_);
    layout->addWidget(buttons);
    resize(960, 420);
    Reload();
}

void CTuningLogDlg::Reload() {
    TuningLogTable log;
    std::string error;
    const QString where = PathToQ(path_);
    if (!ReadTuningLog(path_, log, error)) {
        table_->setRowCount(0);
        note_->setText(PathToQ(error));  // the path and a reason in plain ASCII
        return;
    }
    table_->setColumnCount(static_cast<int>(log.header.size()));
    QStringList headings;
    for (const std::string& heading : log.header)
        headings << ToQ(heading);
    table_->setHorizontalHeaderLabels(headings);
    table_->setRowCount(static_cast<int>(log.rows.size()));
    for (size_t row = 0; row < log.rows.size(); ++row) {
        for (size_t column = 0; column < log.rows[row].size() && column < log.header.size();
             ++column) {
            auto* item = new QTableWidgetItem(ToQ(log.rows[row][column]));
            if (column >= 3) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(static_cast<int>(row), static_cast<int>(column), item);
        }
    }
    table_->resizeColumnsToContents();
    table_->scrollToBottom();
    note_->setText(log.rows.empty()
                       ? QStringLiteral("Nothing is logged yet: gains written and steps measured "
                                        "in the Parameter Plot go to %1.")
                             .arg(where)
                       : where);
}

}  // namespace zvr
