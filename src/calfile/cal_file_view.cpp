#include "calfile/cal_file_view.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "calfile/comment_editor_dialog.h"
#include "calfile/text_dialog.h"
#include "calfile/text_file_window.h"
#include "gui_base/latin1.h"

namespace zvr {

CCalFile::CCalFile(CDataServer& document, UserPrompt& prompt, bool engineeringMode,
                   std::string startDirectory, QWidget* parent)
    : QWidget(parent),
      document_(document),
      prompt_(prompt),
      channel_(this, [this](const PostedMessage& message) { operations_.Handle(message); }),
      progress_(new CProgressDlg([this] { operations_.Abort(); }, parent)),
      shellOpener_([](const std::string& path) {
          return QDesktopServices::openUrl(
              QUrl::fromLocalFile(QFileInfo(ToQ(path)).absoluteFilePath()));
      }),
      operations_(
          CalFileContext{document, prompt, *this, engineeringMode, std::move(startDirectory)},
          channel_.Current()) {
    hide();
    document_.AddView(this);
}

CCalFile::~CCalFile() {
    channel_.Close();
    document_.RemoveView(this);
    delete progress_.data();
}

void CCalFile::OnDocumentUpdate(int hint) {
    // The walk may hold the strategy's scalars, which are about to go.
    if (hint == kHintDefinitionsReplaced) operations_.Abort();
}

void CCalFile::ShowProgress(const ProgressState& state) { progress_->ShowProgress(state); }

void CCalFile::HideProgress() { progress_->HideProgress(); }

bool CCalFile::EditComments(DefinitionSet& set, const std::string& path) {
    CCommentEditorDlg editor(set, ToQ(path), prompt_, parentWidget());
    return editor.exec() == QDialog::Accepted;
}

std::optional<std::string> CCalFile::ShowText(const TextDialogRequest& request) {
    CTextDlg dialog(request, parentWidget());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return FromQ(dialog.text());
}

void CCalFile::OpenWithShell(const std::string& path) {
    if (shellOpener_ && shellOpener_(path)) return;
    // No launcher for text files (a bare desktop, or none at all): the file was written all
    // the same, so the user gets its text here and learns where it is.
    if (ShowTextFileWindow(path, parentWidget()) == nullptr) {
        prompt_.error("The text file " + path + " could not be shown.");
    }
}

}  // namespace zvr
