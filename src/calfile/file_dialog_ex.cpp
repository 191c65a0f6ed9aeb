#include "calfile/file_dialog_ex.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "calibration/comment_list.h"
#include "definitions/cal_file.h"
#include "definitions/definition_set.h"
#include "gui_base/latin1.h"
#include "gui_base/qt_prompt.h"

namespace zvr {

CFileDialogEx::CFileDialogEx(bool open, const QString& defaultExtension, const QString& fileName,
                             const std::string& filter, UserPrompt& prompt, QWidget* parent)
    : QFileDialog(parent), prompt_(prompt), comments_(new QListWidget(this)) {
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    setNameFilter(QtFileFilter(filter));
    setDefaultSuffix(QString(defaultExtension).remove(QLatin1Char('*')).remove(QLatin1Char('.')));
    if (!fileName.isEmpty()) selectFile(fileName);
    setDirectory(QDir::currentPath());

    auto* panel = new QWidget(this);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(new QLabel(QStringLiteral("Calibration File Comments:"), panel));
    comments_->setObjectName(QStringLiteral("commentList"));
    comments_->setMaximumHeight(120);
    panelLayout->addWidget(comments_);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        grid->addWidget(panel, grid->rowCount(), 0, 1, grid->columnCount());
    }
    // Connected after the dialog's own handlers, so the OK state set here is the last word.
    connect(this, &QFileDialog::currentChanged, this, &CFileDialogEx::ShowFile);
    // A name typed into the name field is a selection too: its comments replace the ones
    // of the file clicked before, and OK takes it when it loads.
    if (auto* nameField = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        connect(nameField, &QLineEdit::textChanged, this, [this] { ShowFile(SelectedPath()); });
    }
    if (QPushButton* ok = okButton()) ok->setEnabled(false);
}

void CFileDialogEx::SetTitle(const QString& title) { setWindowTitle(title); }

void CFileDialogEx::SetViewerMode(bool viewer) {
    viewer_ = viewer;
    if (QPushButton* ok = okButton()) ok->setVisible(!viewer);
    if (auto* box = findChild<QDialogButtonBox*>()) {
        if (QPushButton* cancel = box->button(QDialogButtonBox::Cancel)) {
            cancel->setText(viewer ? QStringLiteral("Close") : QStringLiteral("Cancel"));
        }
    }
}

QPushButton* CFileDialogEx::okButton() const {
    auto* box = findChild<QDialogButtonBox*>();
    if (box == nullptr) return nullptr;
    QPushButton* ok = box->button(QDialogButtonBox::Open);
    return ok ? ok : box->button(QDialogButtonBox::Save);
}

QString CFileDialogEx::SelectedPath() const {
    const QString typed = TypedPath();
    return !typed.isEmpty() ? typed : selectedFiles().value(0);
}

QString CFileDialogEx::TypedPath() const {
    auto* nameField = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString typed = nameField ? nameField->text().trimmed() : QString();
    // A quoted list is the dialog's picture of several selected files, not a typed name.
    if (typed.isEmpty() || typed.startsWith(QLatin1Char('"'))) return {};
    QString path = directory().absoluteFilePath(typed);
    // As the dialog does: a name typed without an ending gets the default one.
    if (QFileInfo(path).suffix().isEmpty() && !defaultSuffix().isEmpty() &&
        !QFileInfo::exists(path)) {
        path += QLatin1Char('.') + defaultSuffix();
    }
    return path;
}

void CFileDialogEx::ShowFile(const QString& path) {
    QPushButton* ok = okButton();
    if (ok) ok->setEnabled(false);
    if (path.isEmpty()) return;
    comments_->clear();
    if (!HasCalFileEnding(FromQ(path)) || !QFileInfo(path).isFile()) return;
    DefinitionSet set;
    if (LoadCalFile(set, FromQ(path), prompt_) != 0) return;
    for (const std::string& line : CommentListLines(set.comments))
        comments_->addItem(ToQ(line));
    loadedPath_ = path;
    if (ok) ok->setEnabled(true);
}

void CFileDialogEx::accept() {
    if (viewer_) return;
    // Typing a name can enable the button behind our back: only a loaded file is taken.
    const QString path = SelectedPath();
    if (path.isEmpty() || QFileInfo(path) != QFileInfo(loadedPath_)) return;
    QFileDialog::accept();
}

}  // namespace zvr
