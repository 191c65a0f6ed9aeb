// End to end: the main window connects to zvr-sim on a pseudo-terminal, identifies the
// simulated ZEVAR 740 and loads the strategy file it names.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <cstring>
#include <functional>

#include "app/main_frame.h"
#include "connection/command_ids.h"
#include "gui/gui_test_support.h"
#include "gui_base/app_services.h"
#include "settings/memory_settings_store.h"
#include "strategy/strategy_locator.h"
#include "support/scripted_prompt.h"
#include "views/diagnostic_view.h"
#include "views/live_data_view.h"
#include "views/monitoring_commands.h"
#include "views/plot_commands.h"
#include "views/strip_chart_view.h"

namespace zvr {

// The strategies of the build tree, as the program finds them with --strategy-dir.
StrategyLocator BuildTreeStrategies() {
    StrategySearchPath search;
    search.commandLineDirs = {ZVR_STRATEGY_DIR};
    return [search](const std::string& name) { return LocateStrategyFile(name, search); };
}

// A main window with a document, settings and prompt of its own, and the monitoring views.
struct MainWindowOnItsOwn {
    MainWindowOnItsOwn() {
        RegisterMonitoringCommands(services);
        RegisterPlotCommands(services);
    }

    CDataServer document;
    MemorySettingsStore store;
    CRegistrySettings settings{store};
    test::ScriptedPrompt prompt;
    CMainFrame frame{
        MainFrameContext{document, settings, prompt, false, BuildTreeStrategies(), {}}};
    AppServices services{document, settings, prompt, frame, false, "."};
};

class SimulatorConnectionTest : public QObject {
    Q_OBJECT

private:
    test::GuiTestDirectory directory_;
    QProcess simulator_;
    QString link_;
    std::string control_;

    // One command on the simulator's control socket; its answer line.
    std::string Control(const std::string& command) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, control_.c_str(), sizeof address.sun_path - 1);
        std::string answer;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            const std::string line = command + "\n";
            if (::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size())) {
                char c;
                while (::read(fd, &c, 1) == 1 && c != '\n')
                    answer += c;
            }
        }
        ::close(fd);
        return answer;
    }

private slots:
    void initTestCase() {
        link_ = QDir::current().absoluteFilePath(QStringLiteral("zevar740"));
        simulator_.start(
            QStringLiteral(ZVR_SIM_PROGRAM),
            {QStringLiteral("--strategy"), QStringLiteral(ZVR_STRATEGY_DIR "/ZVX41R03.000"),
             QStringLiteral("--link"), link_});
        QVERIFY(simulator_.waitForStarted());
        QVERIFY(simulator_.waitForReadyRead(5000));
        const QByteArray line = simulator_.readLine().trimmed();
        QVERIFY(line.startsWith("zvr-sim: link "));
        control_ = line.mid(line.indexOf(" control ") + 9).toStdString();
    }

    void cleanupTestCase() {
        simulator_.terminate();
        simulator_.waitForFinished(3000);
    }

    void reachesReadyWithTheModelAndItsStrategy() {
        MainWindowOnItsOwn window;
        CDataServer& document = window.document;
        test::ScriptedPrompt& prompt = window.prompt;
        CMainFrame& frame = window.frame;
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

    // The adapter is pulled out and plugged in again: the status bar says the link is lost,
    // and when the device is back the controller is identified again without a question.
    void pulledAdapterIsAwaitedAndReconnected() {
        MainWindowOnItsOwn window;
        CDataServer& document = window.document;
        test::ScriptedPrompt& prompt = window.prompt;
        CMainFrame& frame = window.frame;
        frame.workflow().PortChosen(link_.toStdString());
        QTRY_COMPARE_WITH_TIMEOUT(frame.paneText(0), QStringLiteral("Ready"), 10000);

        QCOMPARE(Control("line hangup"), std::string("ok"));
        QTRY_COMPARE(frame.paneText(0),
                     QStringLiteral("Controller link lost: waiting for %1 to return").arg(link_));
        QCOMPARE(frame.paneText(1), link_ + QStringLiteral(" (lost)"));
        QVERIFY(!frame.menus().fullMenuShown());
        QVERIFY(!document.IsOpen());

        QCOMPARE(Control("line clear"), std::string("ok"));
        QTRY_COMPARE_WITH_TIMEOUT(frame.paneText(0), QStringLiteral("Ready"), 10000);
        QCOMPARE(frame.paneText(1), link_);
        QVERIFY(frame.menus().fullMenuShown());
        QVERIFY(prompt.shown.empty());
        frame.close();
    }

    // A view that was reading when the adapter went reads again on its own once the controller
    // answers; one the user stopped stays stopped through the next loss.
    void readingViewsReadAgainAfterAReconnect() {
        // How to find a view, whether it reads, and its Start button (enabled once values came).
        struct Case {
            const char* name;
            int command;
            std::function<QWidget*(CMainFrame&)> find;
            std::function<bool(QWidget*)> running;
            std::function<QPushButton*(QWidget*)> start;
        };
        const Case cases[] = {
            {"Parameter View", kCmdParameterView,
             [](CMainFrame& f) -> QWidget* { return f.findChild<CLiveDataView*>(); },
             [](QWidget* w) { return static_cast<CLiveDataView*>(w)->running(); },
             [](QWidget* w) { return static_cast<CLiveDataView*>(w)->startButton(); }},
            {"Display Faults", kCmdDisplayFaults,
             [](CMainFrame& f) -> QWidget* { return f.findChild<CDiagnosticView*>(); },
             [](QWidget* w) { return static_cast<CDiagnosticView*>(w)->running(); },
             [](QWidget* w) {
                 return static_cast<CDiagnosticView*>(w)->button(CDiagnosticView::kStartButton);
             }},
            {"Parameter Plot", kCmdParameterPlot,
             [](CMainFrame& f) -> QWidget* { return f.findChild<CStripChartView*>(); },
             [](QWidget* w) { return static_cast<CStripChartView*>(w)->running(); },
             [](QWidget* w) { return static_cast<CStripChartView*>(w)->startButton(); }},
        };
        for (const Case& c : cases) {
            MainWindowOnItsOwn window;
            CMainFrame& frame = window.frame;
            frame.workflow().PortChosen(link_.toStdString());
            QTRY_COMPARE_WITH_TIMEOUT(frame.paneText(0), QStringLiteral("Ready"), 10000);
            QTRY_VERIFY(!frame.workflow().CheckingFaultFlags());
            frame.OnCommand(c.command);
            QPointer<QWidget> view = c.find(frame);
            QVERIFY2(view, c.name);
            auto reading = [&] { return c.running(view) && c.start(view)->isEnabled(); };
            QTRY_VERIFY2(reading(), c.name);

            auto loseAndRegain = [&] {
                QCOMPARE(Control("line hangup"), std::string("ok"));
                QTRY_VERIFY(frame.paneText(0).startsWith(QStringLiteral("Controller link lost")));
                QVERIFY2(!c.running(view), c.name);
                QCOMPARE(Control("line clear"), std::string("ok"));
                QTRY_COMPARE_WITH_TIMEOUT(frame.paneText(0), QStringLiteral("Ready"), 10000);
                QTRY_VERIFY(!frame.workflow().CheckingFaultFlags());
            };
            loseAndRegain();
            QTRY_VERIFY2(reading(), c.name);

            c.start(view)->click();
            QVERIFY2(!c.running(view), c.name);
            loseAndRegain();
            QVERIFY2(!c.running(view), c.name);
            QVERIFY2(window.prompt.shown.empty(), c.name);
            frame.close();
        }
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::SimulatorConnectionTest)
#include "simulator_connection_test.moc"
