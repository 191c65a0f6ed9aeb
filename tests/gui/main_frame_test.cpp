// The main window offscreen: status panes, the two menus, demo mode, the port dialog, the
// stored window position and the wizard launcher.
#include <QAbstractButton>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "app/main_frame.h"
#include "connection/command_ids.h"
#include "connection/controller_model.h"
#include "gui/gui_test_support.h"
#include "gui_base/qt_prompt.h"
#include "settings/memory_settings_store.h"
#include "support/pty_peer.h"
#include "support/sample_definitions.h"
#include "support/scripted_prompt.h"

namespace zvr {

class MainFrameTest : public QObject {
    Q_OBJECT

private:
    struct Fixture {
        explicit Fixture(bool engineering = false)
            : frame(MainFrameContext{document,
                                     settings,
                                     prompt,
                                     engineering,
                                     [](const std::string& name) -> std::optional<std::string> {
                                         if (QFile::exists(QString::fromStdString(name))) {
                                             return name;
                                         }
                                         return std::nullopt;
                                     },
                                     {}}) {}
        ~Fixture() { document.Close(); }

        CDataServer document;
        MemorySettingsStore store;
        CRegistrySettings settings{store};
        test::ScriptedPrompt prompt;
        CMainFrame frame;
    };

    static void WriteStrategy(const std::string& file, const std::string& strategyName) {
        DefinitionSet set;
        set.header.strategyName = strategyName;
        test::WrittenBytes(set, file);
    }

    static QStringList MenuTitles(QMainWindow& window) {
        QStringList titles;
        for (QAction* action : window.menuBar()->actions())
            titles << action->text();
        return titles;
    }

    test::GuiTestDirectory directory_;

private slots:
    void initTestCase() {
        WriteStrategy("DEMO740.000", "ZVX740");
        WriteStrategy("DEMO310.000", "RRQ310");
        WriteStrategy("DEMO880.000", "ZVX5ABCD");
        WriteStrategy("DEMOKMS2.000", "ABC");  // a strategy no wizard knows
    }

    void fileFiltersReadAsQtFilters() {
        QCOMPARE(QtFileFilter("Cal Files(*.000;*.ZVR)|*.000;*.ZVR||"),
                 QStringLiteral("Cal Files (*.000 *.ZVR)"));
        QCOMPARE(QtFileFilter("ZVR View Setup Files (*.zvf)|*.zvf||"),
                 QStringLiteral("ZVR View Setup Files (*.zvf)"));
        QCOMPARE(QtFileFilter("Text Files (*.txt)|*.txt|All (*.*)|*.*||"),
                 QStringLiteral("Text Files (*.txt);;All (*.*)"));
    }

    // A question with its own verbs shows them on the Yes and No buttons and still answers
    // Yes, No or Cancel.
    void promptButtonsCarryTheirOwnWords() {
        QtPrompt prompt;
        PromptMessage question{"Write it?", "ZVR", PromptIcon::Question, PromptButtons::YesNoCancel,
                               PromptAnswer::Cancel};
        question.yesText = "Write";
        question.noText = "Discard";
        QStringList shown;
        QTimer::singleShot(50, [&shown] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            for (auto button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
                shown << box->button(button)->text();
            QCOMPARE(box->defaultButton(), box->button(QMessageBox::Cancel));
            box->button(QMessageBox::No)->click();
        });
        QCOMPARE(prompt.show(question), PromptAnswer::No);
        QCOMPARE(shown, (QStringList{QStringLiteral("Write"), QStringLiteral("Discard"),
                                     QStringLiteral("Cancel")}));
    }

    void panesShowTheMode() {
        Fixture user(false);
        QCOMPARE(user.frame.paneText(2), QStringLiteral("USER"));
        Fixture engineering(true);
        QCOMPARE(engineering.frame.paneText(2), QStringLiteral("ENG"));
    }

    void startsWithTheNoControllerMenu() {
        Fixture f;
        QCOMPARE(MenuTitles(f.frame),
                 (QStringList{QStringLiteral("&File"), QStringLiteral("&Help")}));
        QVERIFY(f.frame.menus().action(kCmdExit)->isEnabled());
        QVERIFY(!f.frame.menus().action(kCmdParameterView)->isEnabled());
    }

    void demoModeShowsTheFullMenuWithItsProductWord() {
        Fixture f;
        f.frame.workflow().PortChosen("DEMO310");
        QCOMPARE(f.frame.windowTitle(), QStringLiteral("ZVR Demo - LPN 310"));
        QCOMPARE(f.frame.paneText(0), QStringLiteral("Demo mode Started"));
        QCOMPARE(f.frame.paneText(1), QStringLiteral("DEMO"));
        QCOMPARE(MenuTitles(f.frame).size(), 5);
        QCOMPARE(f.frame.menus().action(kCmdDownloadCal)->text(),
                 QStringLiteral("Download Cal File to LPN"));
        QCOMPARE(f.frame.menus().action(kCmdSaveCal)->text(),
                 QStringLiteral("&Save LPN Cal to File"));
        QVERIFY(f.frame.menus().action(ModelForDemoKey("DEMO310")->menuCommand)->isChecked());
        QCOMPARE(QString::fromStdString(f.store.strings["ComPort"]), QStringLiteral("DEMO310"));

        f.frame.OnCommand(kCmdControlStrategy);
        QCOMPARE(f.prompt.texts().back(),
                 std::string("\r\nModel:\tDEMO\t \r\nStrategy:\tN/A\t \r\n"));
        QCOMPARE(f.prompt.shown.back().icon, PromptIcon::Information);
    }

    // The Configure menu: the two COM ports, every family's demo entry with its status-bar
    // prompt (typos included), Custom; one radio group; a demo entry starts its demo.
    void configureMenuListsThePortsAndEveryDemo() {
        Fixture f;
        f.frame.workflow().PortChosen("DEMO310");
        QMenu* configure = nullptr;
        for (QAction* action : f.frame.menuBar()->actions()) {
            if (action->text() == QStringLiteral("C&onfigure")) configure = action->menu();
        }
        QVERIFY(configure);
        QStringList entries;
        for (QAction* action : configure->actions()) {
            if (action->isSeparator()) {
                entries << QStringLiteral("-");
                continue;
            }
            entries << action->text() + QStringLiteral(" | ") + action->statusTip();
            QVERIFY(action->isCheckable());
            QCOMPARE(action->actionGroup(), configure->actions().first()->actionGroup());
        }
        const QStringList expected = {
            QStringLiteral("COM 1 | Set Serial Port to Com 1"),
            QStringLiteral("COM 2 | Set Serial Port to Com 2"),
            QStringLiteral("-"),
            QStringLiteral("ZEVAR 880 DEMO | Start ZEVAR 880 Demo Mode"),
            QStringLiteral("ZEVAR 740 DEMO | Start ZEVAR 740 Demo Mode"),
            QStringLiteral("ZEVAR 760 DEMO | Start ORM 760 Demo Mode"),
            QStringLiteral("ZEVAR 620 DEMO | Start ZEVAR 620 Demo Mode"),
            QStringLiteral("ZEVAR 210 DEMO | Start ZEVAR 210 Demo Mode"),
            QStringLiteral("LPN 310 DEMO | Start LPN 310 Demo Mode"),
            QStringLiteral("KMS-2 DEMO | Start KSM-2 Demo Mode"),
            QStringLiteral("-"),
            QStringLiteral("Custom Serial Port | Prompts to type in Com Port COM3, COM4, etc."),
        };
        QCOMPARE(entries, expected);

        configure->actions().at(4)->trigger();  // ZEVAR 740 DEMO
        QCOMPARE(f.frame.windowTitle(), QStringLiteral("ZVR Demo - ZEVAR 740"));
        QCOMPARE(QString::fromStdString(f.store.strings["ComPort"]), QStringLiteral("DEMO740"));
        QVERIFY(configure->actions().at(4)->isChecked());
    }

    // The toolbar shares the menus' actions: while the no-controller menu shows (a re-query),
    // the full menu's commands are out of reach there too, so no view can start a request
    // that would displace the identification.
    void toolbarFollowsTheMenusDuringAQuery() {
        Fixture f;
        int opened = 0;
        f.frame.SetCommandHandler(kCmdParameterView, [&] { ++opened; });
        f.frame.workflow().PortChosen("DEMO740");
        QAction* view = f.frame.menus().action(kCmdParameterView);
        auto* bar = f.frame.findChild<QToolBar*>(QStringLiteral("toolBar"));
        QVERIFY(view->isEnabled());
        QVERIFY(bar->widgetForAction(view)->isEnabled());

        test::PtyPeer silent;  // a controller that has not answered yet
        f.frame.workflow().OpenPort(silent.path());
        QCOMPARE(f.frame.paneText(0), QStringLiteral("Querying Controller...Please Wait"));
        QVERIFY(!view->isEnabled());
        QVERIFY(!bar->widgetForAction(view)->isEnabled());
        f.frame.OnCommand(kCmdParameterView);
        QCOMPARE(opened, 0);
        QVERIFY(f.frame.menus().action(kCmdAbout)->isEnabled());
        QVERIFY(bar->widgetForAction(f.frame.menus().action(kCmdAbout))->isEnabled());
    }

    // The toolbar's Save button names the product as the menu entry does, before and after
    // a controller is there.
    void toolbarSaveTipCarriesTheProductWord() {
        struct Case {
            const char* strategy;  // nullptr: no connection
            const char* tip;
        };
        const Case cases[] = {
            {nullptr, "Save ZEVAR Cal to File"},
            {"ZVX740", "Save ZEVAR Cal to File"},
            {"RRQ310", "Save LPN Cal to File"},
            {"KMS0A1", "Save KMS-2 Cal to File"},
        };
        for (const Case& c : cases) {
            Fixture f;
            if (c.strategy != nullptr) {
                WriteStrategy("DEMO620.000", c.strategy);
                f.frame.workflow().PortChosen("DEMO620");
            }
            QAction* save = f.frame.menus().action(kCmdSaveCal);
            auto* bar = f.frame.findChild<QToolBar*>(QStringLiteral("toolBar"));
            QCOMPARE(bar->widgetForAction(save)->toolTip(), QString::fromLatin1(c.tip));
            QCOMPARE(save->text().remove(QLatin1Char('&')), QString::fromLatin1(c.tip));
        }
    }

    // Ctrl+S saves and Ctrl+O opens a text file; the menus show the keys beside the entries.
    void standardShortcutsRunTheirCommands() {
        Fixture f;
        std::vector<int> ran;
        for (int command : {kCmdSaveCal, kCmdViewTextFile}) {
            f.frame.SetCommandHandler(command, [&ran, command] { ran.push_back(command); });
        }
        f.frame.workflow().PortChosen("DEMO740");
        f.frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.frame));
        QTest::keyClick(&f.frame, Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(&f.frame, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(ran, (std::vector<int>{kCmdSaveCal, kCmdViewTextFile}));
        QCOMPARE(f.frame.menus().action(kCmdSaveCal)->shortcut(), QKeySequence(QKeySequence::Save));
        QCOMPARE(f.frame.menus().action(kCmdViewTextFile)->shortcut(),
                 QKeySequence(QKeySequence::Open));

        // Without a controller the keys reach nothing.
        f.frame.ShowNoControllerMenu();
        QTest::keyClick(&f.frame, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(ran.size(), size_t{2});
    }

    void portDialogPresetsFromTheStoredPort() {
        struct Case {
            const char* stored;
            int button;  // 0: the stored name is too long to preset
            const char* custom;
        };
        const Case cases[] = {
            {"DEMO880", 1173, ""},
            {"COM7", kButtonCustom, "COM7"},
            {"COM2", kButtonCom2, ""},
            {"/dev/serial/by-id/usb-this-name-is-longer-than-31-characters", 0, ""},
        };
        for (const Case& c : cases) {
            Fixture f;
            f.store.strings["ComPort"] = c.stored;
            f.frame.ShowPortDialog();
            CCommConfigDlg* dialog = f.frame.portDialog();
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("ZVR Communications Configuration"));
            if (c.button != 0) {
                QCOMPARE(dialog->buttons()->checkedId(), c.button);
                QCOMPARE(dialog->customField()->currentText(), QString::fromLatin1(c.custom));
            } else {
                // Too long to preset: the dialog starts on Custom with an empty field.
                QCOMPARE(dialog->customField()->currentText(), QString());
            }
        }
    }

    void cancellingThePortDialog() {
        Fixture before;
        before.frame.ShowPortDialog();
        before.frame.portDialog()->reject();
        QTRY_COMPARE(before.frame.requestedExit(), std::optional<int>(-1));

        Fixture after;
        after.frame.workflow().PortChosen("DEMO740");
        after.frame.ShowPortDialog();
        after.frame.portDialog()->reject();
        QTest::qWait(20);
        QCOMPARE(after.frame.requestedExit(), std::nullopt);
        QCOMPARE(after.frame.windowTitle(), QStringLiteral("ZVR Demo - ZEVAR 740"));
    }

    void portDialogOkOpensTheChoice() {
        Fixture f;
        f.frame.ShowPortDialog();
        CCommConfigDlg* dialog = f.frame.portDialog();
        dialog->buttons()->button(1172)->click();
        QTest::mouseClick(dialog->findChild<QAbstractButton*>(QStringLiteral("okButton")),
                          Qt::LeftButton);
        QTRY_COMPARE(f.frame.windowTitle(), QStringLiteral("ZVR Demo - ZEVAR 740"));
        QVERIFY(f.frame.menus().action(ModelForDemoKey("DEMO740")->menuCommand)->isChecked());
    }

    void customPortThatDoesNotOpen() {
        Fixture f;
        f.frame.ShowPortDialog();
        CCommConfigDlg* dialog = f.frame.portDialog();
        dialog->customField()->setCurrentText(QStringLiteral("/dev/no-such-port"));
        QCOMPARE(dialog->buttons()->checkedId(), kButtonCustom);
        dialog->accept();
        QTRY_VERIFY(!f.prompt.shown.empty());
        QCOMPARE(f.prompt.texts().back(), std::string("Could NOT open port /dev/no-such-port\n"
                                                      "No such file or directory"));
        QVERIFY(f.frame.portDialog() && f.frame.portDialog() != dialog);  // asked again
        QVERIFY(f.frame.menus().action(kCmdCustomPort)->isChecked());
    }

    void storedWindowPositionRules() {
        struct Case {
            WindowRect rect;
            bool applied;
        };
        const Case cases[] = {
            {{10, 20, 400, 300}, true},
            {{10, 20, 90, 600}, false},
            {{-500, 20, 400, 300}, false},
            {{-300, 20, 400, 300}, true},
        };
        for (const Case& c : cases) {
            Fixture f;
            f.settings.WriteWindowPosition(c.rect);
            f.frame.showMaximized();
            f.frame.ApplyStoredPosition();
            QCOMPARE(f.frame.isMaximized(), !c.applied);
            if (c.applied) QCOMPARE(f.frame.geometry().width(), c.rect.width);
        }
    }

    void closingStoresThePositionAndClosesTheLink() {
        Fixture f;
        f.frame.workflow().PortChosen("DEMO740");
        f.frame.show();
        f.frame.setGeometry(30, 40, 500, 400);
        f.frame.close();
        QVERIFY(!f.document.IsOpen());
        const auto stored = f.settings.ReadWindowPosition();
        QVERIFY(stored);
        QCOMPARE(stored->width, 500);
        QCOMPARE(stored->height, 400);
    }

    void wizardLauncherPicksOneWizardByPrefix() {
        Fixture f;
        std::vector<ModelKind> started;
        for (ModelKind kind : {ModelKind::Zevar880, ModelKind::Zevar740, ModelKind::Zevar210}) {
            f.frame.SetWizard(kind, [&started, kind] { started.push_back(kind); });
        }
        f.frame.workflow().PortChosen("DEMO880");
        QVERIFY(f.frame.menus().action(kCmdCalibrationWizard)->isEnabled());
        f.frame.OnCommand(kCmdCalibrationWizard);
        QCOMPARE(started, std::vector<ModelKind>{ModelKind::Zevar880});

        f.frame.workflow().PortChosen("DEMOKMS2");
        QVERIFY(!f.frame.menus().action(kCmdCalibrationWizard)->isEnabled());
        f.frame.PostCommand(kCmdCalibrationWizard);  // as the fault check would
        QTest::qWait(20);
        QCOMPARE(started.size(), size_t{1});
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::MainFrameTest)
#include "main_frame_test.moc"
