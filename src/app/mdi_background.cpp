#include "app/mdi_background.h"

#include <QPainter>

// The shipped picture lives in the resources of a static library, which the linker keeps
// only when asked for by name.
static void InitResources() { Q_INIT_RESOURCE(zvr); }

namespace zvr {

MdiBackground::MdiBackground(QWidget* parent) : QMdiArea(parent) {
    InitResources();
    setBackground(QColor(kColour));
}

void MdiBackground::paintEvent(QPaintEvent* event) {
    QMdiArea::paintEvent(event);
    if (!loaded_) {
        // Loaded at the first paint and kept.
        loaded_ = true;
        if (!picture_.load(QStringLiteral("splashb.bmp"))) {
            picture_.load(QStringLiteral(":/zvr/splash.png"));
        }
    }
    if (picture_.isNull()) return;
    QPainter painter(viewport());
    const int x = std::max(0, viewport()->width() / 2 - picture_.width() / 2);
    const int y = std::max(0, viewport()->height() / 2 - picture_.height() / 2);
    painter.drawPixmap(x, y, picture_);
}

}  // namespace zvr
