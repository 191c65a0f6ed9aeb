#pragma once

#include <QDialog>
#include <QLabel>
#include <QTableWidget>
#include <string>

namespace zvr {

// "Tuning Log": the log of gains written and steps measured in the Parameter Plot, as a table
// with the newest line last, so that two tunings can be compared. Refresh reads it again.
class CTuningLogDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTuningLogDlg(std::string path, QWidget* parent = nullptr);

    void Reload();

    QTableWidget* table() const { return table_; }
    // The log's path, and what keeps it from being shown.
    QLabel* note() const { return note_; }

private:
    std::string path_;
    QLabel* note_;
    QTableWidget* table_;
};

}  // namespace zvr
