// The Plot Setup dialog through its widgets: the lists, the OK checks, and Save then Open.
#include <QTest>
#include <fstream>

#include "gui/gui_test_support.h"
#include "support/scripted_prompt.h"
#include "views/plot_setup_dialog.h"

namespace zvr {

class PlotSetupDialogTest : public QObject {
    Q_OBJECT

private:
    test::GuiTestDirectory directory_;
    SortedTable<VariableDef> variables_;
    test::ScriptedPrompt prompt_;

    PlotSetup Engine() {
        PlotSetup setup;
        setup.plot1Name = "engine_rpm";
        setup.plot1Max = "2000";
        setup.plot1Min = "0";
        setup.plot2Name = "n_desired";
        setup.plot2Max = "1800";
        setup.plot2Min = "600";
        setup.timeScale = 20;
        setup.sampleRate = 200;
        setup.verticalDivisions = 11;
        setup.horizontalDivisions = 6;
        setup.reference = PlotReference::Plot2;
        setup.settlingBand = "1.5";
        return setup;
    }

private slots:
    void initTestCase() {
        variables_.insert({.name = "n_desired", .units = "rpm"});
        variables_.insert({.name = "engine_rpm", .units = "rpm"});
    }

    void init() { prompt_ = test::ScriptedPrompt{}; }

    void showsTheGivenSetup() {
        CPlotSetupDlg dialog(Engine(), variables_, kPlotDivisionLimit, prompt_);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Plot Setup"));
        QCOMPARE(dialog.plotList(1)->count(), 3);
        QCOMPARE(dialog.plotList(1)->itemText(0), QStringLiteral("NO PLOT"));
        QCOMPARE(dialog.plotList(1)->currentText(), QStringLiteral("engine_rpm"));
        QCOMPARE(dialog.verticalList()->count(), 31);
        QCOMPARE(dialog.referenceList()->currentText(), QStringLiteral("Plot 2"));
        QCOMPARE(dialog.bandEdit()->text(), QStringLiteral("1.5"));
        QCOMPARE(dialog.setup(), Engine());
        dialog.referenceList()->setCurrentIndex(0);
        QCOMPARE(dialog.setup().reference, PlotReference::Automatic);
    }

    void noPlotEmptiesItsLimits() {
        CPlotSetupDlg dialog(Engine(), variables_, kPlotDivisionLimit, prompt_);
        dialog.plotList(2)->setCurrentIndex(
            dialog.plotList(2)->findText(QStringLiteral("NO PLOT")));
        QCOMPARE(dialog.maxEdit(2)->text(), QString());
        QCOMPARE(dialog.minEdit(2)->text(), QString());
        QCOMPARE(dialog.maxEdit(1)->text(), QStringLiteral("2000"));
    }

    void okChecksInOrder() {
        struct Case {
            const char* scale;
            const char* rate;
            const char* max1;
            const char* band;
            const char* message;  // empty: accepted
        };
        const Case cases[] = {
            {"1", "50", "2000", "2", ""},
            {"0", "50", "2000", "2", "Time Scale must be greater than or equal to 1"},
            {"1", "49", "2000", "2", "Sample Rate must be greater than 50"},
            {"1", "50", "0", "0", "Axis Min must be less than Max"},
            {"1", "50", "2000", "0", "Settling Band must be more than 0 and at most 50 %"},
            {"1", "50", "2000", "2,5", "Settling Band must be more than 0 and at most 50 %"},
        };
        for (const Case& c : cases) {
            prompt_.shown.clear();
            CPlotSetupDlg dialog(Engine(), variables_, kPlotDivisionLimit, prompt_);
            dialog.timeScaleEdit()->setText(QString::fromLatin1(c.scale));
            dialog.sampleRateEdit()->setText(QString::fromLatin1(c.rate));
            dialog.maxEdit(1)->setText(QString::fromLatin1(c.max1));
            dialog.bandEdit()->setText(QString::fromLatin1(c.band));
            dialog.accept();
            if (*c.message == 0) {
                QCOMPARE(dialog.result(), int(QDialog::Accepted));
                QVERIFY(prompt_.shown.empty());
            } else {
                QCOMPARE(dialog.result(), int(QDialog::Rejected));
                QCOMPARE(prompt_.texts(), std::vector<std::string>{c.message});
            }
        }
    }

    void saveThenOpenRestoresTheSetup() {
        CPlotSetupDlg saver(Engine(), variables_, kPlotDivisionLimit, prompt_);
        prompt_.files = {std::string("engine.zpf")};
        saver.SaveFile();
        QCOMPARE(saver.windowTitle(), QStringLiteral("engine.zpf"));

        CPlotSetupDlg opener(PlotSetup{}, variables_, kPlotDivisionLimit, prompt_);
        prompt_.files = {std::string("engine.zpf")};
        opener.OpenFile();
        QCOMPARE(opener.setup(), Engine());
        QCOMPARE(prompt_.fileChoices.back().title,
                 std::string("Choose a file to open the plot setup info."));
    }

    void openRefusesAVariableTheStrategyLacks() {
        std::ofstream("other.zpf")
            << "<?xml version=1.0?><ZVR VER=1.0/><PLOT1 PARAMETER=\"boost_pressure\" MAX=\"3\" "
               "MIN=\"0\"></PLOT1>";
        CPlotSetupDlg dialog(Engine(), variables_, kPlotDivisionLimit, prompt_);
        prompt_.files = {std::string("other.zpf")};
        dialog.OpenFile();
        QCOMPARE(prompt_.texts().back(),
                 std::string("Incompatiable Plot File. Plot 1 parameter not in list."));
        QCOMPARE(dialog.setup(), Engine());
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::PlotSetupDialogTest)
#include "plot_setup_dialog_test.moc"
