#include "app/scripted_screenshot.h"

#include <unistd.h>
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <cstdio>

#include "app/main_frame.h"
#include "comm/controller_message.h"
#include "comm/data_server.h"
#include "connection/command_ids.h"
#include "gui_base/latin1.h"
#include "views/live_data_view.h"

namespace zvr {

namespace {

constexpr int kPollMs = 100;
constexpr qint64 kConnectLimitMs = 60'000;
// A message box that stays up this long is what the run ends on.
constexpr qint64 kModalSettleMs = 1'000;
// Two sets of values: the second shows that the view keeps reading, not just the first reply.
constexpr int kValueSetsWanted = 2;
constexpr int kPaintMs = 300;

// The program's resident set, from /proc.
double ResidentMiB() {
    std::FILE* status = std::fopen("/proc/self/statm", "r");
    if (status == nullptr) return 0;
    long pages = 0;
    long resident = 0;
    const int read = std::fscanf(status, "%ld %ld", &pages, &resident);
    std::fclose(status);
    const double page = static_cast<double>(sysconf(_SC_PAGESIZE));
    return read == 2 ? static_cast<double>(resident) * page / (1024.0 * 1024.0) : 0;
}

// The main window with every other visible window (message boxes, dialogs) drawn where it
// stands over it, as a screen would show them.
QPixmap WhatIsOnScreen(QWidget& frame) {
    QPixmap picture = frame.grab();
    QPainter painter(&picture);
    const QPoint origin = frame.mapToGlobal(QPoint(0, 0));
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window == &frame || !window->isVisible()) continue;
        if (window->windowType() == Qt::ToolTip || window->windowType() == Qt::Popup) continue;
        painter.drawPixmap(window->mapToGlobal(QPoint(0, 0)) - origin, window->grab());
    }
    return picture;
}

}  // namespace

ScriptedScreenshot::ScriptedScreenshot(CMainFrame& frame, CDataServer& document, std::string file)
    : QObject(&frame), frame_(frame), document_(document), file_(std::move(file)) {
    started_.start();
    connect(&poll_, &QTimer::timeout, this, &ScriptedScreenshot::Check);
    poll_.start(kPollMs);
}

void ScriptedScreenshot::Check() {
    if (finishing_) return;
    if (QApplication::activeModalWidget() != nullptr) {
        if (!modalSince_.isValid()) modalSince_.start();
        if (modalSince_.elapsed() >= kModalSettleMs) Finish("the window with a message", false);
        return;
    }
    modalSince_.invalidate();
    if (frame_.workflow().IsConnected() && !viewOpened_) {
        viewOpened_ = true;
        std::printf("zvr: %s, %s after %lld ms, resident memory %.1f MiB\n",
                    FromQ(frame_.windowTitle()).c_str(), FromQ(frame_.paneText(0)).c_str(),
                    static_cast<long long>(started_.elapsed()), ResidentMiB());
    }
    // The connection's first look at the fault flags is a continuous read it stops itself
    // when the answer comes; a view started before then would lose its read to that stop.
    if (viewOpened_ && document_.PendingType() != kContinuousRead) WatchParameterViews();
    if (valueSets_ >= kValueSetsWanted) {
        Finish("the connected window with the Parameter View reading live values", true);
    } else if (started_.elapsed() >= kConnectLimitMs) {
        Finish(viewOpened_ ? "the connected window; the Parameter View showed no live values"
                           : "the window without a connection after 60 seconds",
               false);
    }
}

void ScriptedScreenshot::WatchParameterViews() {
    // The command may be refused while the menus change: ask again until a view is there.
    QList<CLiveDataView*> views = frame_.findChildren<CLiveDataView*>();
    if (views.isEmpty()) {
        frame_.OnCommand(kCmdParameterView);
        views = frame_.findChildren<CLiveDataView*>();
    }
    for (CLiveDataView* view : views) {
        if (watched_.contains(view)) continue;
        watched_.insert(view);
        connect(view, &CLiveDataView::valuesShown, this, [this] { ++valueSets_; });
    }
}

void ScriptedScreenshot::Finish(const char* shows, bool live) {
    finishing_ = true;
    poll_.stop();
    QTimer::singleShot(kPaintMs, this, [this, shows, live] {
        const bool saved = WhatIsOnScreen(frame_).save(QString::fromStdString(file_));
        if (saved) {
            std::printf("zvr: screenshot of %s: %s\n", shows, file_.c_str());
        } else {
            std::printf("zvr: the screenshot could not be saved to %s\n", file_.c_str());
        }
        std::fflush(stdout);
        QCoreApplication::exit(live && saved ? 0 : 1);
    });
}

}  // namespace zvr
