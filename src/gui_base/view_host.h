#pragma once

#include <functional>

class QMdiSubWindow;
class QWidget;

namespace zvr {

// What the views and the cal-file commands may ask of the main window: a child frame for a
// view, the commands they offer, and a parent for their dialogs. The main window implements
// it; the libraries below the program know it only through this interface.
class ViewHost {
public:
    virtual ~ViewHost() = default;

    // Shows a view in a child frame of the work area; the frame is deleted when it closes.
    virtual QMdiSubWindow* AddChildFrame(QWidget* view) = 0;
    // The view of the current child frame, if any.
    virtual QWidget* CurrentView() const = 0;
    // A command's handler; with a condition the command is enabled only while it holds.
    virtual void SetCommandHandler(int command, std::function<void()> handler,
                                   std::function<bool()> enabledWhen = {}) = 0;
    // Whether a command has a handler (a view offers a command only when it does).
    virtual bool HasCommand(int command) const = 0;
    // Runs a menu command later, as if the user had picked it.
    virtual void PostCommand(int command) = 0;
    // The main window, as the parent of dialogs and hidden windows.
    virtual QWidget* Window() = 0;
};

}  // namespace zvr
