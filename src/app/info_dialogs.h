#pragma once

#include <QDialog>

namespace zvr {

// "About...": the version line and what the program is for.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

// "Manuals": where the manuals can be found.
class ManualsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kManualsAddress = "https://zvr.example.com/manuals";
    explicit ManualsDialog(QWidget* parent = nullptr);
};

}  // namespace zvr
