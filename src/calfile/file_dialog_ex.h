#pragma once

#include <QFileDialog>
#include <QListWidget>

namespace zvr {

class UserPrompt;

// The file dialog of the calibration-file commands: under the file list a panel lists the
// comments of the selected file, and OK is allowed only for a file that loads as a cal file.
// In viewer mode it only shows comments: no OK, and "Close" instead of "Cancel".
class CFileDialogEx : public QFileDialog {
    Q_OBJECT
public:
    // filter in the "Description|patterns||" form; defaultExtension such as "*.000".
    CFileDialogEx(bool open, const QString& defaultExtension, const QString& fileName,
                  const std::string& filter, UserPrompt& prompt, QWidget* parent = nullptr);

    void SetTitle(const QString& title);
    void SetViewerMode(bool viewer);
    // The file the name field names, else the one selected in the list. The list's own
    // selection can lag behind a name typed over it, so the typed name comes first.
    QString SelectedPath() const;
    // The last selected file that loaded as a cal file.
    QString loadedPath() const { return loadedPath_; }
    QListWidget* commentList() const { return comments_; }
    QPushButton* okButton() const;

    // What a selection of path shows: fills the comment list and allows OK when it loads.
    void ShowFile(const QString& path);

protected:
    void accept() override;

private:
    QString TypedPath() const;

    UserPrompt& prompt_;
    QListWidget* comments_;
    QString loadedPath_;
    bool viewer_ = false;
};

}  // namespace zvr
