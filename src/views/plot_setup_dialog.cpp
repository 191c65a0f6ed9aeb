#include "views/plot_setup_dialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "common/numbers.h"
#include "common/user_prompt.h"
#include "gui_base/latin1.h"

namespace zvr {

namespace {

const QString kLimitTip = QStringLiteral("The limit of the parameter value to be plotted.");

int IntegerOf(const QLineEdit* edit) { return static_cast<int>(ParseDecimal(FromQ(edit->text()))); }

}  // namespace

CPlotSetupDlg::CPlotSetupDlg(const PlotSetup& setup, const SortedTable<VariableDef>& variables,
                             int divisionLimit, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent),
      variables_(variables),
      divisionLimit_(divisionLimit),
      prompt_(prompt),
      plot1_(MakeVariableList()),
      plot2_(MakeVariableList()),
      plot1Max_(MakeEdit(kLimitTip, false)),
      plot1Min_(MakeEdit(kLimitTip, false)),
      plot2Max_(MakeEdit(kLimitTip, false)),
      plot2Min_(MakeEdit(kLimitTip, false)),
      timeScale_(
          MakeEdit(QStringLiteral("How many seconds the plot will display on the X Axis"), true)),
      sampleRate_(
          MakeEdit(QStringLiteral("How often the data will be sampled (in miliseconds)"), true)),
      vertical_(MakeDivisionList()),
      horizontal_(MakeDivisionList()),
      reference_(new QComboBox(this)),
      band_(MakeEdit(QStringLiteral("How close to the new reference the response must stay to "
                                    "count as settled, in percent of the reference"),
                     false)) {
    const std::pair<const char*, PlotReference> references[] = {
        {"Automatic", PlotReference::Automatic},
        {"Plot 1", PlotReference::Plot1},
        {"Plot 2", PlotReference::Plot2},
        {"None", PlotReference::None},
    };
    for (const auto& [text, value] : references)
        reference_->addItem(QString::fromLatin1(text), static_cast<int>(value));
    reference_->setToolTip(QStringLiteral(
        "The trace whose steps start a step-response measurement of the other; Automatic takes "
        "the plot of a set point such as n_desired"));
    setWindowTitle(QStringLiteral("Plot Setup"));
    auto* plots = new QGridLayout;
    plots->addWidget(new QLabel(QStringLiteral("Plot 1")), 0, 0);
    plots->addWidget(plot1_, 0, 1);
    plots->addWidget(new QLabel(QStringLiteral("Max")), 0, 2);
    plots->addWidget(plot1Max_, 0, 3);
    plots->addWidget(new QLabel(QStringLiteral("Min")), 0, 4);
    plots->addWidget(plot1Min_, 0, 5);
    plots->addWidget(new QLabel(QStringLiteral("Plot 2")), 1, 0);
    plots->addWidget(plot2_, 1, 1);
    plots->addWidget(new QLabel(QStringLiteral("Max")), 1, 2);
    plots->addWidget(plot2Max_, 1, 3);
    plots->addWidget(new QLabel(QStringLiteral("Min")), 1, 4);
    plots->addWidget(plot2Min_, 1, 5);

    auto* axis = new QFormLayout;
    axis->addRow(QStringLiteral("Time Scale (s)"), timeScale_);
    axis->addRow(QStringLiteral("Sample Rate (ms)"), sampleRate_);
    axis->addRow(QStringLiteral("Vertical Divisions"), vertical_);
    axis->addRow(QStringLiteral("Horizontal Divisions"), horizontal_);
    axis->addRow(QStringLiteral("Step Reference"), reference_);
    axis->addRow(QStringLiteral("Settling Band (%)"), band_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    QPushButton* openButton =
        buttons->addButton(QStringLiteral("Open"), QDialogButtonBox::ActionRole);
    QPushButton* saveButton =
        buttons->addButton(QStringLiteral("Save"), QDialogButtonBox::ActionRole);
    ok->setToolTip(QStringLiteral("Checks configuration and applies to plot screen."));
    cancel->setToolTip(QStringLiteral("Close window without changing configuration."));
    openButton->setToolTip(QStringLiteral("Opens a previously saved configuration"));
    saveButton->setToolTip(
        QStringLiteral("Saves the currently displayed configuration to a file."));
    openButton->setObjectName(QStringLiteral("openButton"));
    saveButton->setObjectName(QStringLiteral("saveButton"));
    connect(ok, &QPushButton::clicked, this, &CPlotSetupDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CPlotSetupDlg::reject);
    connect(openButton, &QPushButton::clicked, this, &CPlotSetupDlg::OpenFile);
    connect(saveButton, &QPushButton::clicked, this, &CPlotSetupDlg::SaveFile);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(plots);
    layout->addLayout(axis);
    layout->addWidget(buttons);

    connect(plot1_, &QComboBox::currentIndexChanged, this,
            [this] { NoPlotChosen(plot1_, plot1Max_, plot1Min_); });
    connect(plot2_, &QComboBox::currentIndexChanged, this,
            [this] { NoPlotChosen(plot2_, plot2Max_, plot2Min_); });
    ShowSetup(setup);
}

QComboBox* CPlotSetupDlg::MakeVariableList() {
    auto* list = new QComboBox(this);
    list->setToolTip(QStringLiteral("The available list of parameters to plot"));
    QStringList names{QString::fromLatin1(kNoPlot)};
    for (const auto& variable : variables_.entries())
        names << ToQ(variable->name);
    names.sort();  // a sorted list, "NO PLOT" among the names
    list->addItems(names);
    return list;
}

QComboBox* CPlotSetupDlg::MakeDivisionList() {
    auto* list = new QComboBox(this);
    for (int i = 0; i <= divisionLimit_; ++i)
        list->addItem(QString::number(i));
    return list;
}

QLineEdit* CPlotSetupDlg::MakeEdit(const QString& tooltip, bool digitsOnly) {
    auto* edit = new QLineEdit;
    edit->setToolTip(tooltip);
    if (digitsOnly) {
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    }
    return edit;
}

// Choosing "NO PLOT" empties that plot's limits.
void CPlotSetupDlg::NoPlotChosen(QComboBox* list, QLineEdit* max, QLineEdit* min) {
    if (list->currentText() == QString::fromLatin1(kNoPlot)) {
        max->clear();
        min->clear();
    }
}

void CPlotSetupDlg::ShowSetup(const PlotSetup& setup) {
    // Selecting the names first: a "NO PLOT" selection empties the limits, which the given
    // texts then fill as handed in.
    plot1_->setCurrentIndex(std::max(0, plot1_->findText(ToQ(setup.plot1Name))));
    plot2_->setCurrentIndex(std::max(0, plot2_->findText(ToQ(setup.plot2Name))));
    plot1Max_->setText(ToQ(setup.plot1Max));
    plot1Min_->setText(ToQ(setup.plot1Min));
    plot2Max_->setText(ToQ(setup.plot2Max));
    plot2Min_->setText(ToQ(setup.plot2Min));
    timeScale_->setText(QString::number(setup.timeScale));
    sampleRate_->setText(QString::number(setup.sampleRate));
    vertical_->setCurrentIndex(std::clamp(setup.verticalDivisions, 0, divisionLimit_));
    horizontal_->setCurrentIndex(std::clamp(setup.horizontalDivisions, 0, divisionLimit_));
    reference_->setCurrentIndex(
        std::max(0, reference_->findData(static_cast<int>(setup.reference))));
    band_->setText(ToQ(setup.settlingBand));
}

PlotSetup CPlotSetupDlg::setup() const {
    PlotSetup setup;
    setup.plot1Name = FromQ(plot1_->currentText());
    setup.plot1Max = FromQ(plot1Max_->text());
    setup.plot1Min = FromQ(plot1Min_->text());
    setup.plot2Name = FromQ(plot2_->currentText());
    setup.plot2Max = FromQ(plot2Max_->text());
    setup.plot2Min = FromQ(plot2Min_->text());
    setup.timeScale = IntegerOf(timeScale_);
    setup.sampleRate = IntegerOf(sampleRate_);
    setup.verticalDivisions = vertical_->currentIndex();
    setup.horizontalDivisions = horizontal_->currentIndex();
    setup.reference = static_cast<PlotReference>(reference_->currentData().toInt());
    setup.settlingBand = FromQ(band_->text());
    return setup;
}

void CPlotSetupDlg::accept() {
    if (CheckPlotSetup(setup(), prompt_)) QDialog::accept();
}

void CPlotSetupDlg::SaveFile() {
    const std::optional<std::string> path =
        prompt_.chooseFile(PlotSetupFileChoice(FileChoiceMode::Save));
    if (!path) return;
    if (SavePlotSetupFile(setup(), *path, prompt_) == 0) {
        setWindowTitle(QFileInfo(PathToQ(*path)).fileName());
    }
}

void CPlotSetupDlg::OpenFile() {
    const std::optional<std::string> path =
        prompt_.chooseFile(PlotSetupFileChoice(FileChoiceMode::Open));
    if (!path) return;
    PlotSetup loaded = setup();
    if (OpenPlotSetupFile(*path, variables_, divisionLimit_, loaded, prompt_) == 0) {
        ShowSetup(loaded);
        setWindowTitle(QFileInfo(PathToQ(*path)).fileName());
    }
}

}  // namespace zvr
