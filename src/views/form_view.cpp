#include "views/form_view.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

namespace zvr {

void CloseFrameOf(QWidget& view) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(view.parentWidget())) {
        frame->close();
    } else {
        view.close();
    }
}

void SizeFrameInWorkArea(QMdiSubWindow& frame, int width, int height) {
    QRect wanted(frame.pos(), QSize(width, height).expandedTo(frame.minimumSizeHint()));
    // A work area that is not on screen yet has no size to keep the frame in.
    if (QMdiArea* area = frame.mdiArea(); area && area->viewport()->isVisible()) {
        const QRect visible = area->viewport()->rect();
        wanted.setSize(wanted.size().boundedTo(visible.size()));
        wanted.moveLeft(std::clamp(wanted.left(), 0, visible.width() - wanted.width()));
        wanted.moveTop(std::clamp(wanted.top(), 0, visible.height() - wanted.height()));
    }
    frame.setGeometry(wanted);
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
        SizeFrameInWorkArea(*frame, width, height);
    } else {
        resize(width, height);
    }
}

}  // namespace zvr
