// Change Calibration against a controller on a pty: group tables, read and write with the
// range of the scaling, the read-back two seconds after a write, errors, the keyboard, and
// definition editing in engineering mode.
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "calibration/restore_points.h"
#include "gui/view_test_support.h"
#include "gui_base/latin1.h"
#include "monitoring/help_topics.h"
#include "views/scalar_view.h"

namespace zvr {

class ScalarViewTest : public QObject {
    Q_OBJECT

private:
    enum {
        kNewValue = 1016,
        kControllerValue = 1015,
        kMax = 1024,
        kMin = 1025,
        kCalFile = 1013,
        kName = 1003,
        kAddress = 1010,
        kUnits = 1011
    };

    static CScalarView* Open(test::LinkedDocument& link, bool engineering = false,
                             std::function<void(int)> help = {}) {
        return link.Show(new CScalarView(link.document, link.prompt, engineering, std::move(help)));
    }
    // Shows the scalar's group and selects it.
    static void Select(CScalarView* view, const QString& name) {
        view->filter()->setCurrentIndex(view->filter()->count() - 1);
        emit view->filter()->activated(view->filter()->count() - 1);
        const auto found = view->scalarList()->findItems(name, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        view->scalarList()->setCurrentItem(found.front());
    }
    static QString Text(CScalarView* view, int id) { return view->field(id)->text(); }
    // Types a new value as the user does and presses Enter.
    static void Enter(CScalarView* view, const QString& text) {
        QLineEdit* edit = view->field(kNewValue);
        edit->clear();
        if (!text.isEmpty()) {
            QTest::keyClicks(edit, text);
        } else {
            QTest::keyClicks(edit, QStringLiteral("1"));  // an edit that leaves it empty
            QTest::keyClick(edit, Qt::Key_Backspace);
        }
        QTest::keyClick(edit, Qt::Key_Return);
    }

    test::GuiTestDirectory directory_;

private slots:
    void groupTablesByStrategy() {
        struct Case {
            const char* strategy;
            const char* title;
            int groups;
            const char* fifth;
        };
        const Case cases[] = {
            {"RRQ31E05", "LPN Value", 7, "Engine Protection Switches"},
            {"ZVX51A04", "ZEVAR Value", 7, "Diagnostics Calibration"},
            {"KMS01K01", "KMS2 Value", 6, "Autocrank/Glow Plug Calibration"},
            {"ZVX41R03", "ZEVAR Value", 7, "Actuator Current Limiting"},
        };
        for (const Case& c : cases) {
            test::LinkedDocument link(c.strategy);
            QVERIFY(link.loaded);
            CScalarView* view = Open(link);
            QCOMPARE(view->windowTitle(), QStringLiteral("Calibration"));
            QCOMPARE(view->valueTitle()->text(), QString::fromLatin1(c.title));
            QCOMPARE(view->filter()->count(), c.groups);
            QCOMPARE(view->filter()->itemText(4), QString::fromLatin1(c.fifth));
            QCOMPARE(view->filter()->currentIndex(), 0);
            QVERIFY(view->scalarList()->currentRow() == 0 || view->scalarList()->count() == 0);
            QVERIFY(!view->definitionFrame()->isVisibleTo(view));  // user mode
        }
    }

    // End to end: the new value reaches the controller's EEPROM and is read back.
    void changesProportionalGainInTheController() {
        test::LinkedDocument link;
        CScalarView* view = Open(link);
        QCOMPARE(view->scalarList()->currentItem()->text(), QStringLiteral("DERIVATIVE_GAIN"));
        Select(view, QStringLiteral("PROPORTIONAL_GAIN"));
        QTRY_COMPARE(Text(view, kControllerValue), QStringLiteral("2.500"));
        QCOMPARE(Text(view, kNewValue), QStringLiteral("2.500"));
        QCOMPARE(Text(view, kMax), QStringLiteral("255.996"));
        QCOMPARE(Text(view, kMin), QStringLiteral("0.000"));
        QCOMPARE(Text(view, kCalFile), QStringLiteral("2.500"));

        QElapsedTimer clock;
        clock.start();
        Enter(view, QStringLiteral("3.5"));
        QTRY_COMPARE(link.controller.word(0x4010), uint16_t(896));  // 3.5 * 2^8
        QTRY_VERIFY(view->readBackWaiting());
        // The window stays live while it waits to read the value back.
        QTest::qWait(300);
        QVERIFY(view->readBackWaiting());
        const int readsBefore = link.controller.requestsOfType(kReadOnce);
        QTRY_VERIFY_WITH_TIMEOUT(link.controller.requestsOfType(kReadOnce) > readsBefore, 4000);
        QVERIFY(clock.elapsed() >= CScalarView::kReadBackDelayMs);
        QTRY_COMPARE(Text(view, kControllerValue), QStringLiteral("3.500"));
        QVERIFY(!view->button(1019)->isEnabled());
        QVERIFY(link.prompt.shown.empty());
        // The change journal holds the write, with what the controller held before.
        const auto journal = RestorePoints().Journal();
        QVERIFY(!journal.empty());
        QCOMPARE(journal[0].name, std::string("PROPORTIONAL_GAIN"));
        QCOMPARE(journal[0].oldValue, std::string("2.500"));
        QCOMPARE(journal[0].newValue, std::string("3.500"));
    }

    // A change journal that cannot be written stops the write before it goes out.
    void aJournalThatCannotBeWrittenStopsTheWrite() {
        const std::string folder = RestorePoints::DefaultFolder();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(std::filesystem::path(folder).parent_path());
        std::ofstream(folder) << "a file where the folder should be";
        QVERIFY(std::filesystem::is_regular_file(folder));
        test::LinkedDocument link;
        CScalarView* view = Open(link);
        Select(view, QStringLiteral("PROPORTIONAL_GAIN"));
        QTRY_COMPARE(Text(view, kControllerValue), QStringLiteral("2.500"));
        Enter(view, QStringLiteral("3.5"));
        QCOMPARE(link.prompt.shown.size(), size_t{1});
        QVERIFY(link.prompt.shown[0].text.starts_with(kJournalFailed));
        QTest::qWait(100);
        QCOMPARE(link.controller.requestsOfType(kWrite), 0);
        QCOMPARE(link.controller.word(0x4010), uint16_t(640));
        std::filesystem::remove(folder);
    }

    void valuesOutsideTheScalingAreRefused() {
        test::LinkedDocument link;
        CScalarView* view = Open(link);
        Select(view, QStringLiteral("N_ERR_DBND"));  // 'U', one byte, binary point 0
        QTRY_COMPARE(Text(view, kControllerValue), QStringLiteral("5"));
        QCOMPARE(Text(view, kMax), QStringLiteral("255"));
        struct Case {
            const char* text;
            bool written;
        };
        const Case cases[] = {
            {"256", false}, {"-1", false}, {"abc", false}, {"255", true}, {"0", true}};
        for (const Case& c : cases) {
            const size_t messages = link.prompt.shown.size();
            const int writes = link.controller.requestsOfType(kWrite);
            Enter(view, QString::fromLatin1(c.text));
            if (c.written) {
                QVERIFY(link.controller.waitFor(kWrite, writes + 1));
                QTRY_COMPARE(int(link.controller.byte(0x4016)),
                             QString::fromLatin1(c.text).toInt());
                QCOMPARE(link.controller.byte(0x4017), uint8_t(0x08));  // GAIN_MIN untouched
            } else {
                QCOMPARE(link.prompt.shown.size(), messages + 1);
                QCOMPARE(link.prompt.texts().back(), std::string("New Value out of range"));
                QTest::qWait(50);
                QCOMPARE(link.controller.requestsOfType(kWrite), writes);
            }
        }
        // An emptied New Value writes nothing and disables Save and Cancel.
        const int writes = link.controller.requestsOfType(kWrite);
        const size_t messages = link.prompt.shown.size();
        Enter(view, {});
        QVERIFY(!view->button(1019)->isEnabled());
        QVERIFY(!view->button(1028)->isEnabled());
        QTest::qWait(50);
        QCOMPARE(link.controller.requestsOfType(kWrite), writes);
        QCOMPARE(link.prompt.shown.size(), messages);
    }

    void oneByteScalarsAndFourByteScalars() {
        test::LinkedDocument link;
        link.document.definitions.scalars.insert({.scaling = {'U', 4, 0},
                                                  .eepromAddress = 0x4200,
                                                  .menuGroup = 1,
                                                  .name = "LONG_ONE",
                                                  .units = "none"});
        link.controller.setByte(0x4017, 0x18);  // GAIN_MIN: 'U', one byte, bp 4: 1.5
        link.controller.setByte(0x4018, 0x77);
        CScalarView* view = Open(link);
        Select(view, QStringLiteral("GAIN_MIN"));
        QTRY_COMPARE(Text(view, kControllerValue), QStringLiteral("1.50"));

        Select(view, QStringLiteral("LONG_ONE"));
        QCOMPARE(Text(view, kUnits), QString());  // "none" shows as no units
        QTRY_VERIFY(Text(view, kControllerValue) != QStringLiteral("Reading..."));
        Enter(view, QStringLiteral("7"));
        QCOMPARE(link.prompt.texts().back(), std::string("Internal Error Writing New Value"));
        QCOMPARE(link.controller.requestsOfType(kWrite), 0);
    }

    void readAndWriteErrors() {
        test::LinkedDocument link;
        CScalarView* view = Open(link);
        QTRY_VERIFY(Text(view, kControllerValue) != QStringLiteral("Reading..."));
        link.controller.setSilent(true);
        Select(view, QStringLiteral("INTEGRAL_GAIN"));
        QCOMPARE(Text(view, kControllerValue), QStringLiteral("Reading..."));
        QTRY_COMPARE(Text(view, kControllerValue), QStringLiteral("Read Error"));

        QTest::keyClicks(view->field(kNewValue), QStringLiteral("2"));
        QTest::keyClick(view->field(kNewValue), Qt::Key_Return);
        QTRY_COMPARE(Text(view, kNewValue), QStringLiteral("Write Error"));
        QVERIFY(!view->button(1019)->isEnabled());
        QCOMPARE(link.controller.word(0x4012), uint16_t(320));  // 1.25 kept
    }

    void keyboardMovesWithWrapAroundAndEscCloses() {
        test::LinkedDocument link;
        QPointer<CScalarView> view = Open(link);
        QListWidget* list = view->scalarList();
        const int last = list->count() - 1;
        QVERIFY(last > 1);
        QTest::keyClick(view->field(kNewValue), Qt::Key_F5);  // from the first to the last
        QCOMPARE(list->currentRow(), last);
        QTest::keyClick(view->field(kNewValue), Qt::Key_F6);  // from the last to the first
        QCOMPARE(list->currentRow(), 0);
        QTest::keyClick(view->field(kNewValue), Qt::Key_F6);
        QCOMPARE(list->currentRow(), 1);

        // Esc cancels a pending edit first, then closes.
        QTest::keyClicks(view->field(kNewValue), QStringLiteral("9"));
        QVERIFY(view->editsPending());
        QTest::keyClick(view->field(kNewValue), Qt::Key_Escape);
        QVERIFY(!view->editsPending());
        QVERIFY(view);
        QTest::keyClick(view->field(kNewValue), Qt::Key_Escape);
        QTRY_VERIFY(!view);
    }

    // Closing the frame with a typed value that was not written asks Write / Discard /
    // Cancel; Write closes only once the controller has taken the value.
    void closingWithAnUnwrittenValueAsksFirst() {
        struct Case {
            PromptAnswer answer;
            bool silent;  // the controller does not answer the write
            uint16_t gain;
            bool closes;
        };
        const Case cases[] = {
            {PromptAnswer::Cancel, false, 640, false},
            {PromptAnswer::No, false, 640, true},
            {PromptAnswer::Yes, false, 896, true},
            {PromptAnswer::Yes, true, 640, false},
        };
        for (const Case& c : cases) {
            test::LinkedDocument link;
            QPointer<CScalarView> view = Open(link);
            Select(view, QStringLiteral("PROPORTIONAL_GAIN"));
            QTRY_COMPARE(Text(view, kControllerValue), QStringLiteral("2.500"));
            view->field(kNewValue)->clear();
            QTest::keyClicks(view->field(kNewValue), QStringLiteral("3.5"));
            link.controller.setSilent(c.silent);
            link.prompt.answers = {c.answer};
            view->parentWidget()->close();
            QCOMPARE(link.prompt.texts(),
                     std::vector<std::string>{"The new value 3.5 for PROPORTIONAL_GAIN has not "
                                              "been written to the controller.\r\n"
                                              "Write it before closing?"});
            QCOMPARE(link.prompt.shown[0].yesText, std::string("Write"));
            QCOMPARE(link.prompt.shown[0].noText, std::string("Discard"));
            if (c.closes) {
                QTRY_VERIFY(!view);
            } else if (c.silent) {
                QTRY_COMPARE(Text(view, kNewValue), QStringLiteral("Write Error"));
            } else {
                QTest::qWait(50);
                QCOMPARE(Text(view, kNewValue), QStringLiteral("3.5"));
            }
            QCOMPARE(view.isNull(), c.closes);
            QCOMPARE(link.controller.word(0x4010), c.gain);
        }

        // Nothing typed, or the value as read: the frame closes without a question.
        test::LinkedDocument link;
        QPointer<CScalarView> view = Open(link);
        Select(view, QStringLiteral("PROPORTIONAL_GAIN"));
        QTRY_COMPARE(Text(view, kControllerValue), QStringLiteral("2.500"));
        view->field(kNewValue)->clear();
        QTest::keyClicks(view->field(kNewValue), QStringLiteral("2.500"));
        view->parentWidget()->close();
        QTRY_VERIFY(!view);
        QVERIFY(link.prompt.shown.empty());
    }

    void helpOpensTheContextOfTheSelection() {
        test::LinkedDocument link;
        link.document.definitions.scalars.insert({.menuGroup = 1, .name = "NOT_A_TOPIC"});
        std::vector<int> contexts;
        CScalarView* view = Open(link, false, [&](int context) { contexts.push_back(context); });
        Select(view, QStringLiteral("PROPORTIONAL_GAIN"));
        QTest::keyClick(view->scalarList(), Qt::Key_F1);
        Select(view, QStringLiteral("NOT_A_TOPIC"));
        QTest::keyClick(view->scalarList(), Qt::Key_F1);
        QCOMPARE(contexts, (std::vector<int>{4096 + 94, 98317}));
    }

    void protectedScalarsOnlyInEngineeringMode() {
        for (bool engineering : {false, true}) {
            test::LinkedDocument link;
            CScalarView* view = Open(link, engineering);
            Select(view, QStringLiteral("E2BOOT"));
            QCOMPARE(view->field(kNewValue)->isEnabled(), engineering);
            QCOMPARE(view->definitionFrame()->isVisibleTo(view), engineering);
        }
    }

    void engineeringModeEditsDefinitions() {
        test::LinkedDocument link;
        auto& scalars = link.document.definitions.scalars;
        const size_t count = scalars.count();
        CScalarView* view = Open(link, true);
        Select(view, QStringLiteral("SET_SPEED_1"));

        // Add As New under a name of its own.
        view->field(kName)->setText(QStringLiteral("SET_SPEED_9"));
        view->field(kAddress)->setText(QStringLiteral("41F0"));
        view->AddAsNew();
        QCOMPARE(scalars.count(), count + 1);
        QVERIFY(scalars.find("SET_SPEED_9"));
        QCOMPARE(scalars.find("SET_SPEED_9")->eepromAddress, 0x41F0u);
        QCOMPARE(view->scalarList()->currentItem()->text(), QStringLiteral("SET_SPEED_9"));
        QCOMPARE(scalars.find("SET_SPEED_9")->menuGroup, 7);  // the filter's entry + 1

        view->field(kName)->setText(QStringLiteral("SET_SPEED_2"));
        view->AddAsNew();
        QCOMPARE(link.prompt.texts().back(),
                 std::string("New Item name must be unique. Point NOT added"));
        view->typeCombo()->setCurrentIndex(0);
        view->AddAsNew();
        QCOMPARE(link.prompt.texts().back(), std::string("Invalid Data. Point NOT Added"));

        // Save Edit with a changed definition rewrites it; shown under "All Parameters", it
        // keeps its own group.
        Select(view, QStringLiteral("SET_SPEED_1"));
        QTest::keyClicks(view->field(kUnits), QStringLiteral("x"));
        QVERIFY(view->editsPending());
        QTest::keyClick(view->field(kUnits), Qt::Key_Return);
        QCOMPARE(scalars.find("SET_SPEED_1")->units, std::string("rpmx"));
        QCOMPARE(scalars.find("SET_SPEED_1")->menuGroup, 2);
        QCOMPARE(link.controller.requestsOfType(kWrite), 0);  // a definition edit writes nothing
        Select(view, QStringLiteral("SET_SPEED_9"));

        link.prompt.answers.push_back(PromptAnswer::No);
        view->DeleteScalar();
        QVERIFY(scalars.find("SET_SPEED_9"));
        view->DeleteScalar();  // unscripted: Yes
        QVERIFY(!scalars.find("SET_SPEED_9"));
        QCOMPARE(link.prompt.shown.back().text,
                 std::string("Are you sure you want to delete this parameter?"));
        QCOMPARE(view->scalarList()->currentRow(), 0);
    }

    // Another Calibration view deletes or renames the scalar this one shows: this one shows
    // the table as it is now at once, and nothing typed for the old scalar is written.
    void aScalarDeletedOrRenamedElsewhere() {
        test::LinkedDocument link;
        CScalarView* user = Open(link);
        CScalarView* engineer = Open(link, true);
        Select(user, QStringLiteral("SET_SPEED_1"));
        Select(engineer, QStringLiteral("SET_SPEED_1"));
        engineer->field(kName)->setText(QStringLiteral("SET_SPEED_ONE"));
        engineer->SaveEdit();
        QCOMPARE(user->scalarList()->currentItem()->text(), QStringLiteral("SET_SPEED_ONE"));
        QTRY_COMPARE(Text(user, kControllerValue), Text(user, kCalFile));  // read again

        Select(user, QStringLiteral("WARMUP_TIME"));
        QTest::keyClicks(user->field(kNewValue), QStringLiteral("60"));
        Select(engineer, QStringLiteral("WARMUP_TIME"));
        engineer->DeleteScalar();
        QVERIFY(user->scalarList()
                    ->findItems(QStringLiteral("WARMUP_TIME"), Qt::MatchExactly)
                    .isEmpty());
        QVERIFY(link.document.definitions.scalars.find(
            FromQ(user->scalarList()->currentItem()->text())));
        QCOMPARE(link.prompt.texts().back(), std::string("Edits not saved"));
        QVERIFY(Text(user, kNewValue) != QStringLiteral("60"));  // the typed value went with it
        QTest::keyClick(user->field(kNewValue), Qt::Key_Return);
        QTest::qWait(50);
        QCOMPARE(link.controller.requestsOfType(kWrite), 0);
        if (qEnvironmentVariableIsSet("ZVR_SCREENSHOTS")) {
            link.area.resize(1500, 520);
            link.area.show();
            link.area.tileSubWindows();
            QTest::qWait(300);
            link.area.grab().save(qEnvironmentVariable("ZVR_SCREENSHOTS") +
                                  QStringLiteral("/change_calibration.png"));
        }
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::ScalarViewTest)
#include "scalar_view_test.moc"
