// The main window's monitoring commands: the password gate of Change Calibration, several
// views at once, views closing when the strategy is replaced, Help Topics and F1 help.
#include <QApplication>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "connection/command_ids.h"
#include "gui/program_window.h"
#include "settings/memory_settings_store.h"
#include "views/diagnostic_view.h"
#include "views/help_browser.h"
#include "views/live_data_view.h"
#include "views/monitoring_commands.h"
#include "views/password_dialog.h"
#include "views/plot_commands.h"
#include "views/scalar_view.h"
#include "views/strip_chart_view.h"

namespace zvr {

class MonitoringCommandsTest : public QObject {
    Q_OBJECT

private:
    struct Fixture : test::ProgramWindow {
        Fixture() { RegisterMonitoringCommands(services); }
        ~Fixture() { Close(); }  // before the controller goes
        template <typename View>
        QList<View*> Views() {
            QList<View*> views;
            for (QMdiSubWindow* sub : frame.workArea()->subWindowList()) {
                if (auto* view = qobject_cast<View*>(sub->widget())) views << view;
            }
            return views;
        }

        test::MemoryController controller;
    };

    // Answers the modal password dialog once it is up.
    static void AnswerPassword(const QString& text, QString* caption) {
        QTimer::singleShot(50, [text, caption] {
            auto* dialog = qobject_cast<CPasswordDlg*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            *caption = dialog->windowTitle();
            dialog->entry()->setText(text);
            dialog->okButton()->click();
        });
    }

    test::GuiTestDirectory directory_;

private slots:
    void demoModeOpensChangeCalibrationAtOnce() {
        Fixture f;
        f.frame.workflow().PortChosen("DEMO740");
        QVERIFY(f.document.IsDemo());
        f.frame.OnCommand(kCmdChangeCalibration);
        QCOMPARE(f.Views<CScalarView>().size(), 1);
        QVERIFY(f.prompt.shown.empty());
    }

    void changeCalibrationAsksForThePassword() {
        Fixture f;
        f.controller.setWord(0x4000, PasswordCode("abc"));
        f.frame.workflow().PortChosen(f.controller.path());
        QTRY_COMPARE(f.frame.paneText(0), QStringLiteral("Ready"));
        QVERIFY(!f.document.AccessOpen());

        QString caption;
        AnswerPassword(QStringLiteral("abc"), &caption);
        f.frame.OnCommand(kCmdChangeCalibration);
        QCOMPARE(caption, QStringLiteral("This Option requires a Password"));
        QCOMPARE(f.Views<CScalarView>().size(), 1);

        // Several views at once; the one that takes the link last reads.
        f.frame.OnCommand(kCmdParameterView);
        f.frame.OnCommand(kCmdDisplayFaults);
        auto* live = f.Views<CLiveDataView>().value(0);
        auto* faults = f.Views<CDiagnosticView>().value(0);
        QVERIFY(live && faults);
        QVERIFY(!live->configureButton()->isEnabled());  // no Parameter List registered
        QTRY_VERIFY(faults->running());
        QVERIFY(!live->running());
        live->startButton()->click();
        QVERIFY(live->running());
        QVERIFY(!faults->running());
        QTRY_VERIFY(live->startButton()->isEnabled());

        // A new identification replaces the strategy: every view closes first.
        QPointer<CLiveDataView> gone = live;
        f.frame.workflow().PortChosen(f.controller.path());
        QTRY_COMPARE(f.frame.paneText(0), QStringLiteral("Ready"));
        QTRY_VERIFY(!gone);
        QTRY_VERIFY(f.frame.workArea()->subWindowList().isEmpty());
        QVERIFY(!f.document.HasViews());
    }

    void aWrongPasswordOpensNothing() {
        Fixture f;
        f.controller.setWord(0x4000, PasswordCode("abc"));
        f.frame.workflow().PortChosen(f.controller.path());
        QTRY_COMPARE(f.frame.paneText(0), QStringLiteral("Ready"));
        QTimer::singleShot(50, [] {
            if (auto* dialog = qobject_cast<CPasswordDlg*>(QApplication::activeModalWidget())) {
                dialog->cancelButton()->click();
            }
        });
        f.frame.OnCommand(kCmdChangeCalibration);
        QVERIFY(f.Views<CScalarView>().isEmpty());
    }

    // Leaving the program with a typed value not written asks as closing its frame does;
    // Cancel keeps the program and the link open.
    void exitWithAnUnwrittenValueAsksFirst() {
        for (PromptAnswer answer : {PromptAnswer::Cancel, PromptAnswer::No}) {
            Fixture f;
            f.frame.workflow().PortChosen("DEMO740");
            f.frame.show();
            f.frame.OnCommand(kCmdChangeCalibration);
            auto* view = f.Views<CScalarView>().value(0);
            QVERIFY(view);
            QLineEdit* newValue = view->findChild<QLineEdit*>(QStringLiteral("field1016"));
            QTRY_VERIFY(!newValue->text().isEmpty() &&
                        newValue->text() != QStringLiteral("Reading..."));
            newValue->clear();
            QTest::keyClicks(newValue, QStringLiteral("3.5"));
            f.prompt.answers = {answer};
            f.frame.close();
            QCOMPARE(f.prompt.shown.size(), size_t{1});
            const bool stays = answer == PromptAnswer::Cancel;
            QCOMPARE(f.frame.isVisible(), stays);
            QCOMPARE(f.document.IsOpen(), stays);
            QCOMPARE(f.Views<CScalarView>().size(), stays ? 1 : 0);
        }
    }

    void configureOpensTheParameterListWhenThereIsOne() {
        Fixture f;
        int asked = 0;
        f.frame.SetCommandHandler(kCmdParameterList, [&] { ++asked; });
        f.frame.workflow().PortChosen("DEMO740");
        f.frame.OnCommand(kCmdParameterView);
        auto* live = f.Views<CLiveDataView>().value(0);
        QVERIFY(live->configureButton()->isEnabled());
        live->configureButton()->click();
        QTRY_COMPARE(asked, 1);
    }

    // New Parameter Plot frames open inside the visible work area, however the work area
    // placed them, and every label has its width: none runs under the control beside it.
    void plotFramesOpenInsideTheWorkArea() {
        Fixture f;
        RegisterPlotCommands(f.services);
        f.store.strings = {{"Plot 1 Name", "engine_rpm"}, {"Plot 2 Name", "n_desired"}};
        f.frame.workflow().PortChosen("DEMO740");
        f.frame.resize(900, 640);
        f.frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
        const QRect visible = f.frame.workArea()->viewport()->rect();
        for (int n = 0; n < 3; ++n)
            f.frame.OnCommand(kCmdParameterPlot);
        QApplication::processEvents();
        for (QMdiSubWindow* sub : f.frame.workArea()->subWindowList()) {
            QVERIFY2(visible.contains(sub->geometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                       .arg(sub->x())
                                                                       .arg(sub->y())
                                                                       .arg(sub->width())
                                                                       .arg(sub->height())));
        }
        for (QMdiSubWindow* sub : f.frame.workArea()->subWindowList()) {
            auto* view = qobject_cast<CStripChartView*>(sub->widget());
            QVERIFY(view);
            for (Gain g : {Gain::P, Gain::I, Gain::D}) {
                QLabel* label = view->gainLabel(g);
                QVERIFY(label->geometry().right() < view->gainEdit(g)->x());
                QVERIFY(label->width() >= label->sizeHint().width());
            }
            for (int plot : {1, 2}) {
                QVERIFY(view->plotLabel(plot)->geometry().right() < view->indicator(plot)->x());
                QVERIFY(view->rect().contains(view->indicator(plot)->geometry()));
            }
        }
        if (qEnvironmentVariableIsSet("ZVR_SCREENSHOTS")) {
            f.frame.grab().save(qEnvironmentVariable("ZVR_SCREENSHOTS") +
                                QStringLiteral("/parameter_plot_frames.png"));
        }
    }

    void helpOpensOurOwnPages() {
        Fixture f;
        QVERIFY(!HelpDirectory().isEmpty());
        f.frame.workflow().PortChosen("DEMO740");
        f.frame.OnCommand(kCmdHelpTopics);
        auto* help = f.frame.findChild<CHelpBrowser*>();
        QVERIFY(help);
        QVERIFY(help->browser()->source().toString().endsWith(QStringLiteral("index.html")));
        QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("ZVR Help Topics")));

        f.frame.OnCommand(kCmdChangeCalibration);
        auto* view = f.Views<CScalarView>().value(0);
        const auto found =
            view->scalarList()->findItems(QStringLiteral("DERIVATIVE_GAIN"), Qt::MatchExactly);
        view->scalarList()->setCurrentItem(found.front());
        QTest::keyClick(view->scalarList(), Qt::Key_F1);
        QVERIFY(help->browser()->toPlainText().contains(
            QStringLiteral("The derivative gain of the governor's speed control loop.")));
        if (qEnvironmentVariableIsSet("ZVR_SCREENSHOTS")) {
            help->grab().save(qEnvironmentVariable("ZVR_SCREENSHOTS") +
                              QStringLiteral("/help.png"));
        }
        help->close();
    }

    // F1 opens Help Topics, and is shown beside it; in Change Calibration it stays the help
    // of the selected scalar.
    void f1OpensHelpTopicsOutsideChangeCalibration() {
        Fixture f;
        f.frame.workflow().PortChosen("DEMO740");
        f.frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.frame));
        QCOMPARE(f.frame.menus().action(kCmdHelpTopics)->shortcut(), QKeySequence(Qt::Key_F1));
        QTest::keyClick(&f.frame, Qt::Key_F1);
        auto* help = f.frame.findChild<CHelpBrowser*>();
        QVERIFY(help);
        QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("ZVR Help Topics")));

        f.frame.OnCommand(kCmdChangeCalibration);
        auto* view = f.Views<CScalarView>().value(0);
        const auto found =
            view->scalarList()->findItems(QStringLiteral("DERIVATIVE_GAIN"), Qt::MatchExactly);
        view->scalarList()->setCurrentItem(found.front());
        f.frame.activateWindow();
        view->scalarList()->setFocus();
        QTest::keyClick(view->scalarList(), Qt::Key_F1);
        QVERIFY(help->browser()->toPlainText().contains(
            QStringLiteral("The derivative gain of the governor's speed control loop.")));
        help->close();
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::MonitoringCommandsTest)
#include "monitoring_commands_test.moc"
