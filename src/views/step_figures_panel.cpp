#include "views/step_figures_panel.h"

#include <QFormLayout>
#include <QVBoxLayout>

#include "common/numbers.h"
#include "gui_base/latin1.h"
#include "plot/step_texts.h"

namespace zvr {

namespace {

constexpr const char* kRows[] = {"step", "overshoot", "rise", "settling", "error", "gains"};

QString WithUnits(const std::string& value, const std::string& units) {
    return units.empty() ? ToQ(value) : ToQ(value + " " + units);
}

}  // namespace

StepFiguresPanel::StepFiguresPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("stepFigures"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* title = new QLabel(QStringLiteral("<b>Step response</b>"), this);
    layout->addWidget(title);
    auto* form = new QFormLayout;
    form->setHorizontalSpacing(6);
    form->setVerticalSpacing(2);
    layout->addLayout(form);
    const QString titles[] = {
        QString(), QStringLiteral("Overshoot"), QStringLiteral("Rise 10-90 %"),
        QString(), QStringLiteral("Error"),     QStringLiteral("Gains")};
    for (size_t row = 0; row < values_.size(); ++row) {
        auto* value = new QLabel(this);
        value->setObjectName(QString::fromLatin1(kRows[row]));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        values_[row] = value;
        if (row == 0) {
            form->addRow(value);  // the levels with their units need the whole width
            continue;
        }
        auto* label = new QLabel(titles[row], this);
        form->addRow(label, value);
        if (row == 3) settlingTitle_ = label;
    }
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    layout->addWidget(status_);
    layout->addStretch();
    setToolTip(QStringLiteral(
        "The latest step of the reference trace: overshoot in % of the step, rise time from 10 "
        "to 90 % of it, settling time into the band around the new reference, and the mean "
        "error over the last quarter of the chart's time"));
    SetBand(2.0);
    ShowWaiting({});
}

void StepFiguresPanel::SetBand(double percent) {
    settlingTitle_->setText(
        QStringLiteral("Settling \u00b1%1 %").arg(ToQ(FormatShortest(percent))));
}

// Called for each sample: setting a label to the text it shows costs nothing, clearing it
// always lays it out again.
void StepFiguresPanel::ShowWaiting(const QString& text) {
    for (QLabel* value : values_)
        value->setText(QString());
    status_->setText(text);
}

void StepFiguresPanel::ShowStep(const StepFigures& figures, const std::array<std::string, 3>& gains,
                                const std::string& units, int decimals) {
    const StepTexts texts = DescribeStep(figures, decimals, 2);
    values_[0]->setText(ToQ(texts.from) + QStringLiteral(" \u2192 ") + WithUnits(texts.to, units));
    values_[1]->setText(ToQ(texts.overshoot));
    values_[2]->setText(ToQ(texts.rise));
    values_[3]->setText(ToQ(texts.settling));
    values_[4]->setText(WithUnits(texts.error, units));
    QStringList lines;
    const char* letters[] = {"P", "I", "D"};
    for (size_t g = 0; g < gains.size(); ++g) {
        if (!gains[g].empty())
            lines << QString::fromLatin1(letters[g]) + QLatin1Char(' ') + ToQ(gains[g]);
    }
    values_[5]->setText(lines.join(QLatin1Char('\n')));
    status_->setText(
        figures.complete
            ? QStringLiteral("measured over %1 s").arg(ToQ(FormatFixed(figures.seconds, 1)))
            : QStringLiteral("measuring..."));
}

QString StepFiguresPanel::text(const char* row) const {
    if (std::string_view(row) == "status") return status_->text();
    for (size_t r = 0; r < values_.size(); ++r) {
        if (std::string_view(row) == kRows[r]) return values_[r]->text();
    }
    return {};
}

}  // namespace zvr
