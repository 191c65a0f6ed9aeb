#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include "definitions/definition_tables.h"
#include "definitions/definitions.h"
#include "setupdoc/plot_setup_file.h"

namespace zvr {

class UserPrompt;

// "Plot Setup": the two plotted variables with their axis limits, the time scale, the sample
// rate, the grid division counts, and for the step-response figures the reference trace and
// the settling band. OK checks them; Save and Open keep them in *.zpf files.
class CPlotSetupDlg : public QDialog {
    Q_OBJECT
public:
    CPlotSetupDlg(const PlotSetup& setup, const SortedTable<VariableDef>& variables,
                  int divisionLimit, UserPrompt& prompt, QWidget* parent = nullptr);

    // The values as shown; after OK, the accepted setup.
    PlotSetup setup() const;

    QComboBox* plotList(int plot) const { return plot == 1 ? plot1_ : plot2_; }
    QLineEdit* maxEdit(int plot) const { return plot == 1 ? plot1Max_ : plot2Max_; }
    QLineEdit* minEdit(int plot) const { return plot == 1 ? plot1Min_ : plot2Min_; }
    QLineEdit* timeScaleEdit() const { return timeScale_; }
    QLineEdit* sampleRateEdit() const { return sampleRate_; }
    QComboBox* verticalList() const { return vertical_; }
    QComboBox* horizontalList() const { return horizontal_; }
    QComboBox* referenceList() const { return reference_; }
    QLineEdit* bandEdit() const { return band_; }

    void accept() override;
    void SaveFile();
    void OpenFile();

private:
    void ShowSetup(const PlotSetup& setup);
    QComboBox* MakeVariableList();
    QComboBox* MakeDivisionList();
    static QLineEdit* MakeEdit(const QString& tooltip, bool digitsOnly);
    void NoPlotChosen(QComboBox* list, QLineEdit* max, QLineEdit* min);

    const SortedTable<VariableDef>& variables_;
    int divisionLimit_;
    UserPrompt& prompt_;
    QComboBox* plot1_;
    QComboBox* plot2_;
    QLineEdit* plot1Max_;
    QLineEdit* plot1Min_;
    QLineEdit* plot2Max_;
    QLineEdit* plot2Min_;
    QLineEdit* timeScale_;
    QLineEdit* sampleRate_;
    QComboBox* vertical_;
    QComboBox* horizontal_;
    QComboBox* reference_;
    QLineEdit* band_;
};

}  // namespace zvr
