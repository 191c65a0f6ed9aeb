// End to end: the main window connects to zvr-sim on a pseudo-terminal, identifies the
// simulated ZEVAR 740 and loads the strategy file it names.
#include <QProcess>
#include <QTest>

#include "app/main_frame.h"
#include "connection/command_ids.h"
#include "gui/gui_test_support.h"
#include "settings/memory_settings_store.h"
#include "strategy/strategy_locator.h"
#include "support/scripted_prompt.h"

namespace zvr {

class SimulatorConnectionTest : public QObject {
    Q_OBJECT

private:
    test::GuiTestDirectory directory_;
    QProcess simulator_;
    QString link_;

private slots:
    void initTestCase() {
        link_ = QDir::current().absoluteFilePath(QStringLiteral("zevar740"));
        simulator_.start(
            QStringLiteral(ZVR_SIM_PROGRAM),
            {QStringLiteral("--strategy"), QStringLiteral(ZVR_STRATEGY_DIR "/ZVX41R03.000"),
             QStringLiteral("--link"), link_});
        QVERIFY(simulator_.waitForStarted());
        QVERIFY(simulator_.waitForReadyRead(5000));
        QVERIFY(simulator_.readLine().startsWith("zvr-sim: link "));
    }

    void cleanupTestCase() {
        simulator_.terminate();
        simulator_.waitForFinished(3000);
    }

    void reachesReadyWithTheModelAndItsStrategy() {
        CDataServer document;
        MemorySettingsStore store;
        CRegistrySettings settings{store};
        test::ScriptedPrompt prompt;
        StrategySearchPath search;
        search.commandLineDirs = {ZVR_STRATEGY_DIR};
        CMainFrame frame(MainFrameContext{
            document,
            settings,
            prompt,
            false,
            [search](const std::string& name) { return LocateStrategyFile(name, search); },
            {}});
        frame.workflow().PortChosen(link_.toStdString());
        QTRY_COMPARE_WITH_TIMEOUT(frame.paneText(0), QStringLiteral("Ready"), 10000);
        QCOMPARE(frame.windowTitle(), QStringLiteral("ZEVAR 740"));
        QVERIFY(document.definitions.filePath.ends_with("ZVX41R03.000"));
        QCOMPARE(document.definitions.header.modelKind, ModelKind::Zevar740);
        QVERIFY(frame.menus().fullMenuShown());
        QVERIFY(prompt.shown.empty());
        frame.close();
        QVERIFY(!document.IsOpen());
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::SimulatorConnectionTest)
#include "simulator_connection_test.moc"
