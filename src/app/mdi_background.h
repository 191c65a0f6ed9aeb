#pragma once

#include <QMdiArea>
#include <QPixmap>

namespace zvr {

// The main window's work area: a deep blue field with a picture centred on it. The picture
// is "splashb.bmp" from the current directory when there is one, else the one shipped with
// the program.
class MdiBackground : public QMdiArea {
    Q_OBJECT
public:
    static constexpr QRgb kColour = qRgb(10, 34, 88);

    explicit MdiBackground(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
    bool loaded_ = false;
};

}  // namespace zvr
