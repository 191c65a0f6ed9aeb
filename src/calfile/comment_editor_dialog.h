#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "calibration/comment_list.h"
#include "definitions/definition_set.h"

namespace zvr {

class UserPrompt;

// "Cal File Comment List": edits the comments of a document. An edit line above the list
// takes new text or changes the selected comment; OK replaces the document's comments with
// the list, Cancel leaves them alone. Enter adds a pending text (or closes with OK), Escape
// drops it (or cancels), Delete removes the selected comment, F5 and F6 step through the list.
// The edit line takes only what a cal file can store: Latin-1 text of at most 255 bytes.
class CCommentEditorDlg : public QDialog {
    Q_OBJECT
public:
    CCommentEditorDlg(DefinitionSet& set, const QString& path, UserPrompt& prompt,
                      QWidget* parent = nullptr);

    QLineEdit* editLine() const { return edit_; }
    // Says why the edit line refused a keystroke or a paste; hidden while nothing was refused.
    QLabel* limitNote() const { return note_; }
    QListWidget* list() const { return list_; }
    QPushButton* button(const QString& objectName) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // True when the key was handled and goes no further.
    bool HandleKey(int key);
    void Refresh();
    void Selected(bool editDropped);
    void Ok();

    DefinitionSet& set_;
    UserPrompt& prompt_;
    CommentEditorModel model_;
    QLineEdit* fileName_;
    QLineEdit* edit_;
    QLabel* note_;
    QListWidget* list_;
    QPushButton* addButton_;
    QPushButton* saveButton_;
    QPushButton* cancelEditButton_;
};

}  // namespace zvr
