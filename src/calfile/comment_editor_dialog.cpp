#include "calfile/comment_editor_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "common/user_prompt.h"
#include "gui_base/latin1.h"
#include "gui_base/stored_text_validator.h"

namespace zvr {

namespace {

struct ButtonSpec {
    const char* objectName;
    const char* text;
    const char* tip;
};

constexpr ButtonSpec kButtons[] = {
    {"addButton", "Add As New",
     "Enter text on top line and click here or press <Enter> to add as a new"},
    {"saveButton", "Save Edit", "Click on a comment, Edit on top line, then here to save edit"},
    {"deleteButton", "Delete", "Click on a comment, then here or press <Del> to delete."},
    {"cancelEditButton", "Cancel Edit", "Cancels any pending changes"},
    {"okButton", "&OK", "Saves all changes and closes window."},
    {"cancelButton", "&Cancel", "Closes window without saving ANY changes."},
};

constexpr const char* kListTip = "Current list of comments and edit control";

}  // namespace

CCommentEditorDlg::CCommentEditorDlg(DefinitionSet& set, const QString& path, UserPrompt& prompt,
                                     QWidget* parent)
    : QDialog(parent),
      set_(set),
      prompt_(prompt),
      model_(set.comments),
      fileName_(new QLineEdit(path, this)),
      edit_(new QLineEdit(this)),
      note_(new QLabel(this)),
      list_(new QListWidget(this)) {
    setWindowTitle(QStringLiteral("Cal File Comment List"));
    fileName_->setReadOnly(true);
    fileName_->setObjectName(QStringLiteral("fileName"));
    fileName_->setToolTip(QStringLiteral("The file name that is being edited."));
    edit_->setObjectName(QStringLiteral("editLine"));
    list_->setObjectName(QStringLiteral("commentList"));
    edit_->setToolTip(QLatin1String(kListTip));
    list_->setToolTip(QLatin1String(kListTip));
    note_->setObjectName(QStringLiteral("limitNote"));
    note_->setWordWrap(true);
    note_->hide();
    // The reason a keystroke or a paste was refused shows under the line until the next one.
    edit_->setValidator(new StoredTextValidator(
        [this](const QString& reason) {
            note_->setText(reason);
            note_->setVisible(!reason.isEmpty());
        },
        edit_));

    auto* grid = new QGridLayout(this);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("Cal File Name"), this));
    nameRow->addWidget(fileName_);
    grid->addLayout(nameRow, 0, 0, 1, 2);
    auto* editColumn = new QVBoxLayout;
    editColumn->addWidget(edit_);
    editColumn->addWidget(note_);
    grid->addLayout(editColumn, 1, 0);
    grid->addWidget(list_, 2, 0, static_cast<int>(std::size(kButtons)), 1);
    grid->setRowStretch(static_cast<int>(std::size(kButtons)) + 1, 1);
    int row = 1;
    for (const ButtonSpec& spec : kButtons) {
        auto* b = new QPushButton(QLatin1String(spec.text), this);
        b->setObjectName(QLatin1String(spec.objectName));
        b->setToolTip(QLatin1String(spec.tip));
        b->setAutoDefault(false);
        grid->addWidget(b, row++, 1);
    }
    addButton_ = button(QStringLiteral("addButton"));
    saveButton_ = button(QStringLiteral("saveButton"));
    cancelEditButton_ = button(QStringLiteral("cancelEditButton"));
    resize(620, 360);

    connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        model_.Edit(FromQ(text));
        Refresh();
    });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row == (model_.selected() ? static_cast<int>(*model_.selected()) : -1)) return;
        Selected(model_.Select(row < 0 ? std::nullopt : std::optional<size_t>(row)));
    });
    connect(addButton_, &QPushButton::clicked, this, [this] {
        model_.AddAsNew();
        Refresh();
    });
    connect(saveButton_, &QPushButton::clicked, this, [this] {
        model_.SaveEdit();
        Refresh();
    });
    connect(cancelEditButton_, &QPushButton::clicked, this, [this] {
        model_.CancelEdit();
        Refresh();
    });
    connect(button(QStringLiteral("deleteButton")), &QPushButton::clicked, this, [this] {
        model_.DeleteSelected();
        Refresh();
    });
    connect(button(QStringLiteral("okButton")), &QPushButton::clicked, this,
            &CCommentEditorDlg::Ok);
    connect(button(QStringLiteral("cancelButton")), &QPushButton::clicked, this, &QDialog::reject);
    edit_->installEventFilter(this);
    list_->installEventFilter(this);
    Refresh();
}

QPushButton* CCommentEditorDlg::button(const QString& objectName) const {
    return findChild<QPushButton*>(objectName);
}

void CCommentEditorDlg::Refresh() {
    const QSignalBlocker blockList(list_);
    list_->clear();
    for (const std::string& entry : model_.entries())
        list_->addItem(ToQ(entry));
    list_->setCurrentRow(model_.selected() ? static_cast<int>(*model_.selected()) : -1);
    if (edit_->text() != ToQ(model_.editText())) edit_->setText(ToQ(model_.editText()));
    for (QPushButton* b : {addButton_, saveButton_, cancelEditButton_})
        b->setEnabled(model_.editButtonsEnabled());
}

void CCommentEditorDlg::Selected(bool editDropped) {
    if (editDropped) prompt_.plain("Edits not saved");
    Refresh();
}

void CCommentEditorDlg::Ok() {
    model_.Apply(set_.comments);
    accept();
}

bool CCommentEditorDlg::HandleKey(int key) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (model_.Enter()) {
                Ok();
            } else {
                Refresh();
            }
            return true;
        case Qt::Key_Escape:
            if (model_.Escape()) {
                reject();
            } else {
                Refresh();
            }
            return true;
        case Qt::Key_Delete:
            model_.DeleteSelected();
            Refresh();
            return false;  // the control sees the key too
        case Qt::Key_F5:
            Selected(model_.SelectPrevious());
            return true;
        case Qt::Key_F6:
            Selected(model_.SelectNext());
            return true;
        default:
            return false;
    }
}

bool CCommentEditorDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event)->key())) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CCommentEditorDlg::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(event->key())) QDialog::keyPressEvent(event);
}

}  // namespace zvr
