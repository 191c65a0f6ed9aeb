#include "views/form_view.h"

#include <QMdiSubWindow>

namespace zvr {

void CloseFrameOf(QWidget& view) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(view.parentWidget())) {
        frame->close();
    } else {
        view.close();
    }
}

CFormView::CFormView(CDataServer& document, QWidget* parent)
    : QWidget(parent), document_(document), channel_(this, [this](const PostedMessage& message) {
          if (!released_) OnMessage(message);
      }) {
    document_.AddView(this);
}

CFormView::~CFormView() {
    channel_.Close();
    document_.RemoveView(this);
}

void CFormView::OnDocumentUpdate(int hint) {
    if (released_) return;
    if (hint != kHintDefinitionsReplaced) {
        OnUpdate(hint);
        return;
    }
    ReleaseDefinitions();
    released_ = true;
    channel_.Close();
    document_.RemoveView(this);
    CloseFrame();
}

void CFormView::SetFrameCaption(const QString& caption) {
    setWindowTitle(caption);
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) frame->setWindowTitle(caption);
}

void CFormView::ResizeFrame(int width, int height) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        frame->resize(width, height);
    } else {
        resize(width, height);
    }
}

}  // namespace zvr
