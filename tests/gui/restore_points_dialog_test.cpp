// File -> "Restore Points…": the connected unit's points newest first, Compare and Restore
// hand the chosen point on, Restore only after Yes.
#include <QTest>
#include <filesystem>

#include "calfile/restore_points_dialog.h"
#include "gui/gui_test_support.h"
#include "support/sample_definitions.h"
#include "support/scripted_prompt.h"

namespace zvr {

class RestorePointsDialogTest : public QObject {
    Q_OBJECT

private:
    const UnitIdentity unit_{"ZEVAR 740", "ZVX41R03.000", "R03"};
    const UnitIdentity other_{"ZEVAR 880", "ZVX51A04.000", "A04"};

    std::string Take(RestorePoints& store, const UnitIdentity& unit, int minute,
                     const char* command) {
        DefinitionSet strategy;
        test::FillSample(strategy);
        const auto when = std::chrono::system_clock::from_time_t(1'700'000'000 + 60 * minute);
        return store.Write(CalibrationAsRead(strategy.scalars), "ZVX41R03", unit, command, when)
            .path;
    }

    test::GuiTestDirectory directory_;

private slots:
    void listsTheUnitsPointsAndHandsTheChosenOneOn() {
        RestorePoints store(QDir::currentPath().toStdString() + "/points");
        const std::string older = Take(store, unit_, 0, "download");
        Take(store, other_, 1, "wizard");
        const std::string newer = Take(store, unit_, 2, "restore");

        struct Case {
            const char* button;
            PromptAnswer answer;  // to the restore question
            std::string compared;
            std::string restored;
            bool closed;
        };
        const Case cases[] = {
            {"compare", PromptAnswer::Yes, older, "", true},
            {"restore", PromptAnswer::No, "", "", false},
            {"restore", PromptAnswer::Yes, "", older, true},
        };
        for (const Case& c : cases) {
            test::ScriptedPrompt prompt;
            prompt.answers.push_back(c.answer);
            std::string compared;
            std::string restored;
            CRestorePointsDlg dialog(store, unit_, prompt,
                                     {[&](const std::string& path) { compared = path; },
                                      [&](const std::string& path) { restored = path; }});
            QCOMPARE(dialog.list()->topLevelItemCount(), 2);
            QCOMPARE(dialog.list()->topLevelItem(0)->text(1), QStringLiteral("restore"));
            QCOMPARE(dialog.list()->topLevelItem(1)->text(1), QStringLiteral("download"));
            QCOMPARE(dialog.list()->topLevelItem(0)->text(2),
                     QString::fromStdString(std::filesystem::path(newer).filename().string()));
            dialog.list()->setCurrentItem(dialog.list()->topLevelItem(1));
            dialog.open();
            // ZVR_SCREENSHOTS=DIR keeps a picture of the dialog to look at.
            if (qEnvironmentVariableIsSet("ZVR_SCREENSHOTS")) {
                dialog.grab().save(qEnvironmentVariable("ZVR_SCREENSHOTS") +
                                   QStringLiteral("/restore-points.png"));
            }
            (std::string(c.button) == "compare" ? dialog.compareButton() : dialog.restoreButton())
                ->click();
            QCOMPARE(compared, c.compared);
            QCOMPARE(restored, c.restored);
            QCOMPARE(dialog.isVisible(), !c.closed);
            if (std::string(c.button) == "restore") {
                QCOMPARE(prompt.shown.size(), size_t{1});
                QVERIFY(prompt.shown[0].text.starts_with("Write the restore point taken "));
            }
        }
    }

    void aUnitWithoutPointsSaysSoAndOffersNothing() {
        RestorePoints store(QDir::currentPath().toStdString() + "/none");
        test::ScriptedPrompt prompt;
        CRestorePointsDlg dialog(store, unit_, prompt, {});
        QCOMPARE(dialog.list()->topLevelItemCount(), 1);
        QCOMPARE(dialog.list()->topLevelItem(0)->text(0),
                 QStringLiteral("No restore points for this unit yet."));
        QVERIFY(!dialog.compareButton()->isEnabled());
        QVERIFY(!dialog.restoreButton()->isEnabled());
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::RestorePointsDialogTest)
#include "restore_points_dialog_test.moc"
