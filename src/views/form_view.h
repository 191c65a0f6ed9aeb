#pragma once

#include <QMdiSubWindow>
#include <QString>
#include <QWidget>

#include "comm/data_server.h"
#include "gui_base/request_channel.h"

namespace zvr {

// Closes the child frame a view sits in (or the view itself when it has none).
void CloseFrameOf(QWidget& view);

// Gives a child frame the size a view asks for, kept inside the visible work area: the work
// area places a new frame by the size it had when shown, so a frame that grows afterwards
// would stick out past the edges. The frame moves back in, and shrinks only where the work
// area is smaller than the frame.
void SizeFrameInWorkArea(QMdiSubWindow& frame, int width, int height);

// A monitoring screen in its own child frame: it hears the document's update hints and
// handles the answers to its requests. When the strategy is about to be replaced it lets go
// of the definitions it holds and closes its frame.
class CFormView : public QWidget, public DocumentView {
    Q_OBJECT
public:
    explicit CFormView(CDataServer& document, QWidget* parent = nullptr);
    ~CFormView() override;

    void OnDocumentUpdate(int hint) final;
    // Caption, size and the first requests, once the view sits in its frame.
    virtual void OnInitialUpdate() = 0;
    void CloseFrame() { CloseFrameOf(*this); }

protected:
    virtual void OnUpdate(int hint) = 0;
    virtual void OnMessage(const PostedMessage& message) = 0;
    // Stop reading and forget every definition: the tables are about to change.
    virtual void ReleaseDefinitions() = 0;

    ReceiverHandle ForRequest() { return channel_.Fresh(); }
    void SetFrameCaption(const QString& caption);
    void ResizeFrame(int width, int height);

    CDataServer& document_;
    bool released_ = false;

private:
    RequestChannel channel_;
};

}  // namespace zvr
