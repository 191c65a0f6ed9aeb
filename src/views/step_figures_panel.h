#pragma once

#include <QLabel>
#include <QWidget>
#include <array>
#include <optional>
#include <string>

#include "plot/step_response.h"

namespace zvr {

// Beside the Parameter Plot's chart: the figures of the latest step of the reference trace,
// with the gains in force when it came, or what keeps them from being shown.
class StepFiguresPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 170;

    explicit StepFiguresPanel(QWidget* parent = nullptr);

    // No step measured yet: the reason, or what is waited for.
    void ShowWaiting(const QString& text);
    // units: of the reference and response values; decimals: of their values.
    void ShowStep(const StepFigures& figures, const std::array<std::string, 3>& gains,
                  const std::string& units, int decimals);
    // The settling band the figures use, in the row's title.
    void SetBand(double percent);

    // The shown texts, by row: "step", "overshoot", "rise", "settling", "error", "gains",
    // "status".
    QString text(const char* row) const;

private:
    QLabel* AddRow(const char* name, const QString& title);

    QLabel* status_;
    QLabel* settlingTitle_;
    std::array<QLabel*, 6> values_{};
};

}  // namespace zvr
