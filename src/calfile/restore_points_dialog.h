#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>
#include <string>
#include <vector>

#include "calibration/restore_points.h"

namespace zvr {

class UserPrompt;

// File -> "Restore Points…": the restore points of the connected unit, newest first. Compare
// shows a point's differences against the controller (the compare report); Restore writes it
// back after a Yes/No question. Either closes the dialog and hands the point to the
// calibration-file commands, which show their own progress and outcome.
class CRestorePointsDlg : public QDialog {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(const std::string& path)> compare;
        std::function<void(const std::string& path)> restore;
    };

    CRestorePointsDlg(const RestorePoints& store, const UnitIdentity& unit, UserPrompt& prompt,
                      Actions actions, QWidget* parent = nullptr);

    QTreeWidget* list() const { return list_; }
    QPushButton* compareButton() const { return compare_; }
    QPushButton* restoreButton() const { return restore_; }
    QLabel* folderLabel() const { return folder_; }

private:
    const RestorePoint* Selected() const;
    void Compare();
    void Restore();
    void UpdateButtons();

    UserPrompt& prompt_;
    Actions actions_;
    std::vector<RestorePoint> points_;
    QLabel* folder_;
    QTreeWidget* list_;
    QPushButton* compare_;
    QPushButton* restore_;
    QPushButton* close_;
};

// "Write the restore point taken ... back into the controller? ..." for a point.
std::string RestoreQuestion(const RestorePoint& point);

}  // namespace zvr
