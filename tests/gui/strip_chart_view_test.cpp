// Parameter Plot offscreen: in demo mode, and against a controller on a pseudo-terminal that
// keeps its gains in a word memory. Gains read, a gain raised with the Up key, the export
// file, Configure, the time-out dialog, the document's hints, gains and plotted variables
// that Change Calibration or the Parameter List delete or rename under the open plot, and the
// tuning aids: step figures, gain marks and the tuning log.
#include <QApplication>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <map>
#include <mutex>
#include <optional>

#include "comm/controller_message.h"
#include "gui/gui_test_support.h"
#include "gui_base/app_services.h"
#include "gui_base/view_host.h"
#include "plot/tuning_log.h"
#include "settings/memory_settings_store.h"
#include "support/pty_peer.h"
#include "support/scripted_prompt.h"
#include "viewlist/definition_editor.h"
#include "views/parameter_list_view.h"
#include "views/plot_setup_dialog.h"
#include "views/scalar_view.h"
#include "views/strip_chart_view.h"

namespace zvr {

using test::Bytes;

// A governor that answers reads from its word memory, stores what it is told to write, and
// streams a few replies to a continuous read unless it is told to stay silent. It talks at
// about 4800 baud: the link takes a reply that starts while it still waits for a longer one
// as misaligned, which a paced line does not provoke.
struct Governor {
    std::mutex mutex;
    std::map<uint16_t, uint16_t> memory{
        {0x0100, 1500}, {0x0102, 1800}, {0x4010, 640}, {0x4012, 320}, {0x4014, 128}};
    bool silentReads = false;
    int writes = 0;
    // When set, the next continuous read streams the speed demand (0x0102) held at its level,
    // then ramping by rampStep a reply to rampTo and held there, the engine speed (0x0100) one
    // reply behind.
    std::optional<uint16_t> rampTo;
    uint16_t rampStep = 30;

    std::vector<Bytes> answer(const Bytes& request) {
        std::lock_guard lock(mutex);
        switch (request[0]) {
            case kReadOnce:
            case kContinuousRead: {
                if (request[0] == kContinuousRead && silentReads) return {};
                if (request[0] == kContinuousRead && rampTo) return Ramp(request);
                const int replies = request[0] == kContinuousRead ? 3 : 1;
                return std::vector<Bytes>(replies, test::Reply(request[0], words(request)));
            }
            case kWrite:
                ++writes;
                memory[static_cast<uint16_t>(request[2] << 8 | request[3])] =
                    static_cast<uint16_t>(request[4] << 8 | request[5]);
                return {request};
            case kCommit:
                return {test::Reply(kCommit, {1})};
            default:
                return {};
        }
    }
    Bytes words(const Bytes& request) {
        Bytes words;
        for (size_t i = 2; i + 1 < request.size() - 1; i += 2) {
            const uint16_t word = memory[static_cast<uint16_t>(request[i] << 8 | request[i + 1])];
            words.push_back(static_cast<uint8_t>(word >> 8));
            words.push_back(static_cast<uint8_t>(word));
        }
        return words;
    }
    std::vector<Bytes> Ramp(const Bytes& request) {
        std::vector<Bytes> replies;
        uint16_t& demand = memory[0x0102];
        for (int i = 0; i < 20; ++i)
            replies.push_back(test::Reply(request[0], words(request)));
        while (demand != *rampTo) {
            memory[0x0100] = demand;
            demand = demand < *rampTo ? std::min<uint16_t>(demand + rampStep, *rampTo)
                                      : std::max<uint16_t>(demand - rampStep, *rampTo);
            replies.push_back(test::Reply(request[0], words(request)));
        }
        memory[0x0100] = demand;
        for (int i = 0; i < 20; ++i)
            replies.push_back(test::Reply(request[0], words(request)));
        rampTo.reset();
        return replies;
    }
    uint16_t word(uint16_t address) {
        std::lock_guard lock(mutex);
        return memory[address];
    }
    int writeCount() {
        std::lock_guard lock(mutex);
        return writes;
    }
};

// The Parameter List asks nothing of the main window.
struct NoFrame : ViewHost {
    QMdiSubWindow* AddChildFrame(QWidget*) override { return nullptr; }
    QWidget* CurrentView() const override { return nullptr; }
    void SetCommandHandler(int, std::function<void()>, std::function<bool()>) override {}
    bool HasCommand(int) const override { return false; }
    void PostCommand(int) override {}
    QWidget* Window() override { return nullptr; }
};

// How another window changes the definitions under the open plot, as an engineer does it.
enum class EditElsewhere {
    DeleteGain,     // Change Calibration: Delete, Yes
    RenameGain,     // Change Calibration: a new name, Save Edit
    DeletePlotted,  // Parameter List: Delete
    RenamePlotted,  // Parameter List: a new name, Save Edit
};

class StripChartViewTest : public QObject {
    Q_OBJECT

private:
    struct Fixture {
        Fixture() {
            store.strings = {{"Plot 1 Name", "engine_rpm"}, {"Plot 1 Min", "0"},
                             {"Plot 1 Max", "2000"},        {"Plot 2 Name", "n_desired"},
                             {"Plot 2 Min", "0"},           {"Plot 2 Max", "2000"},
                             {"Plot X Scale", "0"},         {"Plot X Sample Rate", "20"}};
            const int loaded = document.Load(ZVR_STRATEGY_DIR "/DEMO740.000", prompt);
            if (loaded != 0) qFatal("DEMO740.000 did not load");
            QFile::remove(QStringLiteral("tuning_log.csv"));  // each test's log of its own
        }
        ~Fixture() {
            view.reset();
            document.Close();
        }
        void openDemo() { document.OpenPort("DEMO", CDataServer::kTimeoutTicks); }
        bool openController(int ticks = CDataServer::kTimeoutTicks,
                            std::chrono::microseconds perByte = std::chrono::microseconds(2000)) {
            controller = std::make_unique<test::ScriptedController>(
                [this](const Bytes& request) { return governor.answer(request); }, perByte);
            return document.OpenPort(controller->path(), ticks) == 0;
        }
        void makeView() {
            view = std::make_unique<CStripChartView>(document, settings, prompt);
            view->SetTuningLog(log);
            view->resize(630, 450);
            view->show();
            view->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(view.get()));
        }
        QString gain(Gain g) const { return view->gainEdit(g)->text(); }

        Governor governor;
        std::unique_ptr<test::ScriptedController> controller;
        CDataServer document;
        MemorySettingsStore store;
        CRegistrySettings settings{store};
        test::ScriptedPrompt prompt;
        std::shared_ptr<TuningLog> log = std::make_shared<TuningLog>("tuning_log.csv");
        std::unique_ptr<CStripChartView> view;
    };

    static QStringList LogLines() {
        QFile file(QStringLiteral("tuning_log.csv"));
        if (!file.open(QIODevice::ReadOnly)) return {};
        QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
        lines.removeAll(QString());
        return lines;
    }

    test::GuiTestDirectory directory_;

private slots:
    void demoReadsTheGainsThenPlots() {
        Fixture f;
        f.openDemo();
        f.makeView();
        QCOMPARE(f.view->windowTitle(), QStringLiteral("Parameter Plot"));
        QTRY_VERIFY(f.view->running());
        QCOMPARE(f.gain(Gain::P), QStringLiteral("2.500"));
        QCOMPARE(f.gain(Gain::I), QStringLiteral("1.250"));
        QCOMPARE(f.gain(Gain::D), QStringLiteral("0.1250"));
        QCOMPARE(f.view->plotLabel(1)->text(), QStringLiteral("engine_rpm [rpm]"));
        // Stored sample rate 20 and time scale 0 are used as 50 ms and 1 s: 21 samples kept.
        QCOMPARE(f.view->sampleTimer().interval(), 50);
        QTRY_COMPARE_WITH_TIMEOUT(f.view->samples(1).size(), size_t{21}, 5000);
        QTest::qWait(200);
        QCOMPARE(f.view->samples(2).size(), size_t{21});
        const QRegularExpression threeDecimals(QStringLiteral("^\\d+\\.\\d{3}$"));
        QVERIFY(threeDecimals.match(f.view->indicator(1)->text()).hasMatch());
        // Demo plot 2 settles at three quarters of its span first.
        QCOMPARE(f.view->indicator(2)->text(), QStringLiteral("1500.000"));
        if (qEnvironmentVariableIsSet("ZVR_SCREENSHOTS")) {
            f.view->grab().save(qEnvironmentVariable("ZVR_SCREENSHOTS") +
                                QStringLiteral("/parameter_plot.png"));
        }
    }

    void keysSelectRaiseAndDeselectAGain() {
        Fixture f;
        f.openDemo();
        f.makeView();
        QTRY_VERIFY(f.view->running());
        QVERIFY(f.view->gainEdit(Gain::P)->isReadOnly());
        QTest::keyClick(f.view.get(), Qt::Key_P);
        QVERIFY(!f.view->gainEdit(Gain::P)->isReadOnly());
        QCOMPARE(QApplication::focusWidget(), f.view->gainEdit(Gain::P));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(f.gain(Gain::P), QStringLiteral("2.750"));
        QVERIFY(f.view->writeInProgress());
        QVERIFY(!f.view->running());
        QTRY_VERIFY(!f.view->writeInProgress());
        QTRY_VERIFY(f.view->running());  // plotting resumes after the write
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(f.view->gainEdit(Gain::P)->isReadOnly());
        QVERIFY(f.prompt.shown.empty());
    }

    void outOfRangeGainIsRefusedAndRestored() {
        Fixture f;
        f.openDemo();
        f.makeView();
        QTRY_VERIFY(f.view->gainsValid());
        QTest::keyClick(f.view.get(), Qt::Key_I);
        QLineEdit* edit = f.view->gainEdit(Gain::I);
        edit->setText(QStringLiteral("300"));  // a 16-bit gain with 8 fraction bits ends at 256
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(f.prompt.texts(), std::vector<std::string>{"New Value out of range"});
        QVERIFY(!f.view->gainsValid());
        QTRY_COMPARE(f.gain(Gain::I), QStringLiteral("1.250"));
        QTRY_VERIFY(f.view->running());
    }

    void exportHasTheSamplesOnScreen() {
        Fixture f;
        f.openDemo();
        f.makeView();
        QTRY_COMPARE_WITH_TIMEOUT(f.view->samples(1).size(), size_t{21}, 5000);
        f.prompt.files.push_back(std::string("plot.txt"));
        QTest::keyClick(f.view.get(), Qt::Key_A);
        QVERIFY(!f.view->running());
        QCOMPARE(f.prompt.texts(), std::vector<std::string>{"File save complete!"});
        QCOMPARE(f.prompt.fileChoices.back().title,
                 std::string("Select or Create a Text File for the Plot Data"));
        QFile file(QStringLiteral("plot.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(
            bytes.startsWith("2.500\tProportional Gain\r\n"
                             "1.250\tIntegral Gain\r\n"
                             "0.1250\tDerivative Gain\r\n"
                             "1\tX Axis Time Scale\r\n"
                             "50\tX Axis Sample Rate\r\n"
                             "2000\t2000\tPlot 1-2 Max\r\n"
                             "0\t0\tPlot 1-2 Min\r\n"
                             "time\tengine_rpm\tn_desired\tPlot X-1-2 Name\r\n"
                             "0.000\t"));
        QVERIFY(bytes.endsWith("\r\n1.000\t" + QByteArray::number(qRound(f.view->samples(1)[20])) +
                               "\t1500\r\n***END OF DATA***\r\n"));
        const QList<QByteArray> lines = bytes.split('\n');
        QCOMPARE(lines.size(), 8 + 21 + 1 + 1);  // and nothing after the last line end
        // engine_rpm has no fraction bits: whole numbers.
        const QRegularExpression sample(QStringLiteral("^\\d+\\.\\d{3}\\t\\d+\\t\\d+\\r$"));
        for (int i = 8; i < 8 + 21; ++i)
            QVERIFY2(sample.match(QString::fromLatin1(lines[i])).hasMatch(), lines[i].constData());
    }

    void configureStoresTheSetupAndRestarts() {
        Fixture f;
        f.openDemo();
        f.makeView();
        QTRY_VERIFY(f.view->running());
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<CPlotSetupDlg*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->plotList(2)->setCurrentIndex(
                dialog->plotList(2)->findText(QStringLiteral("NO PLOT")));
            dialog->timeScaleEdit()->setText(QStringLiteral("20"));
            dialog->verticalList()->setCurrentIndex(7);
            dialog->horizontalList()->setCurrentIndex(3);
            dialog->accept();
        });
        QTest::keyClick(f.view.get(), Qt::Key_C);
        QVERIFY(f.view->running());
        QCOMPARE(QString::fromStdString(f.store.strings["Plot 2 Name"]), QStringLiteral("NO PLOT"));
        QCOMPARE(QString::fromStdString(f.store.strings["Plot 2 Min"]), QStringLiteral("0"));
        QCOMPARE(QString::fromStdString(f.store.strings["Plot 2 Max"]), QStringLiteral("5000"));
        QCOMPARE(QString::fromStdString(f.store.strings["Plot X Scale"]), QStringLiteral("20"));
        QCOMPARE(f.store.numbers["Number Horz Grid"], 3);  // the horizontal count kept
        QCOMPARE(f.view->chart()->verticalDivisions(), 6);
        QCOMPARE(f.view->chart()->horizontalDivisions(), 2);
        QCOMPARE(f.view->chart()->timeMaximum(), QStringLiteral("20"));
        QCOMPARE(f.view->plotLabel(2)->text(), QStringLiteral("NO PLOT"));
        QVERIFY(f.view->indicator(2)->text().isEmpty() ||
                f.view->indicator(2)->text() == QStringLiteral("3750.000"));
    }

    void hintsStopAndClose() {
        Fixture f;
        f.openDemo();
        f.makeView();
        QTRY_VERIFY(f.view->running());
        f.document.UpdateAllViews(kHintStopReading);
        QVERIFY(!f.view->running());
        QCOMPARE(f.view->startButton()->text(), QStringLiteral("&Start"));
        QVERIFY(!f.view->sampleTimer().isActive());
        f.document.UpdateAllViews(kHintDefinitionsReplaced);
        QVERIFY(!f.document.HasViews());
        QVERIFY(!f.view->isVisible());
        QTest::keyClick(f.view.get(), Qt::Key_S);  // nothing left to start
        QVERIFY(!f.view->running());
    }

    void controllerGainRaisedWithUpReachesItsMemory() {
        Fixture f;
        QVERIFY(f.openController());
        f.makeView();
        QTRY_VERIFY(f.view->running());
        QCOMPARE(f.gain(Gain::P), QStringLiteral("2.500"));
        QCOMPARE(f.gain(Gain::D), QStringLiteral("0.1250"));
        QTRY_COMPARE(f.view->indicator(1)->text(), QStringLiteral("1500"));
        QCOMPARE(f.view->indicator(2)->text(), QStringLiteral("1800"));
        QVERIFY(f.view->startButton()->isEnabled());
        QCOMPARE(f.view->samples(1).newest(), 1500.0);
        QTRY_VERIFY(f.view->samples(1).size() >= 5);

        QTest::keyClick(f.view.get(), Qt::Key_P);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        const size_t before = f.view->samples(1).size();
        QTRY_VERIFY(!f.view->writeInProgress());
        QCOMPARE(f.governor.word(0x4010), 704);  // 2.75 with 8 fraction bits
        QCOMPARE(f.gain(Gain::P), QStringLiteral("2.750"));
        QTRY_VERIFY(f.view->running());
        // Plotting goes on where it stopped for the write: the picture before the change
        // stays beside the picture after it, the mark between them.
        QVERIFY(f.view->samples(1).size() >= before);
        QCOMPARE(f.view->Marks().size(), size_t{1});
        QVERIFY(f.prompt.shown.empty());
    }

    // Against the simulator: a gain raised with Up lands in the simulated EEPROM.
    void simulatorGainRaisedWithUpReachesItsEeprom() {
        QProcess simulator;
        const QString link = QDir::current().absoluteFilePath(QStringLiteral("zevar740"));
        simulator.start(QStringLiteral(ZVR_SIM_PROGRAM),
                        {QStringLiteral("--strategy"),
                         QStringLiteral(ZVR_STRATEGY_DIR "/ZVX41R03.000"), QStringLiteral("--link"),
                         link, QStringLiteral("--control"), link + QStringLiteral(".control")});
        QVERIFY(simulator.waitForReadyRead(5000));
        auto askSimulator = [&](const QByteArray& command) {
            QLocalSocket control;
            control.connectToServer(link + QStringLiteral(".control"));
            if (!control.waitForConnected(2000)) return QByteArray();
            control.write(command + "\n");
            control.waitForReadyRead(2000);
            return control.readLine().trimmed();
        };
        {
            Fixture f;
            QCOMPARE(f.document.Load(ZVR_STRATEGY_DIR "/ZVX41R03.000", f.prompt), 0);
            QCOMPARE(f.document.OpenPort(link.toStdString(), CDataServer::kTimeoutTicks), 0);
            f.makeView();
            QTRY_VERIFY(f.view->running());
            const QByteArray before = askSimulator("get PROPORTIONAL_GAIN");
            const double shown = f.gain(Gain::P).toDouble();
            QTest::keyClick(f.view.get(), Qt::Key_P);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
            QTRY_VERIFY(!f.view->writeInProgress());
            QTRY_VERIFY(f.view->running());
            QCOMPARE(f.gain(Gain::P).toDouble(), shown * 1.1);
            const QByteArray after = askSimulator("get PROPORTIONAL_GAIN");
            QVERIFY2(after.startsWith("ok ") && after != before, after.constData());
            QVERIFY(f.prompt.shown.empty());
        }
        simulator.terminate();
        simulator.waitForFinished(3000);
    }

    void silentControllerOpensTheTimeOutDialog() {
        Fixture f;
        f.governor.silentReads = true;
        QVERIFY(f.openController(20));  // about 400 ms
        f.makeView();
        QTRY_VERIFY(f.view->timeoutDialog() != nullptr);
        QVERIFY(!f.view->running());
        QVERIFY(f.view->startButton()->isEnabled());
        QCOMPARE(f.view->timeoutDialog()->windowTitle(), QStringLiteral("Communication Time Out"));
        QTest::mouseClick(
            f.view->timeoutDialog()->findChild<QPushButton*>(QStringLiteral("cancelButton")),
            Qt::LeftButton);
        QTRY_VERIFY(f.view->timeoutDialog() == nullptr);
        QVERIFY(!f.view->running());
    }

    // The gain is deleted or renamed while its write is on the way: the answer finds it by
    // name, or not at all.
    void gainEditedWhileItsWriteIsUnderWay() {
        for (const bool deleted : {true, false}) {
            Fixture f;
            QVERIFY(f.openController());
            f.makeView();
            QTRY_VERIFY(f.view->running());
            QTest::keyClick(f.view.get(), Qt::Key_P);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
            QVERIFY(f.view->writeInProgress());  // its answer has not been handled yet
            DefinitionEditor editor(f.document);
            QCOMPARE(deleted ? editor.DeleteScalar("PROPORTIONAL_GAIN")
                             : editor.RenameScalar("PROPORTIONAL_GAIN", "P_GAIN"),
                     0);
            QTRY_VERIFY(!f.view->writeInProgress());
            QTRY_VERIFY(f.view->running());
            QCOMPARE(f.governor.word(0x4010), 704);  // the write went out before the edit
            QCOMPARE(f.view->gainEdit(Gain::P)->isVisibleTo(f.view.get()), !deleted);
            QCOMPARE(f.gain(Gain::P), deleted ? QString() : QStringLiteral("2.750"));
            QCOMPARE(f.prompt.texts(), std::vector<std::string>{});
        }
    }

    // The demo's speed demand drops from 1500 to 500 rpm after 50 samples: the step's figures
    // stand beside the chart while it is measured, and once the chart's window (1 s here) is
    // over they are complete and logged with the gains in force.
    void demoStepShowsItsFiguresAndIsLogged() {
        Fixture f;
        f.openDemo();
        f.makeView();
        StepFiguresPanel* panel = f.view->figuresPanel();
        QVERIFY(panel->isVisibleTo(f.view.get()));
        QCOMPARE(f.view->referencePair(), std::optional<ReferencePair>(ReferencePair{1, 0}));
        QCOMPARE(panel->text("status"), QStringLiteral("Waiting for a step of n_desired"));
        QCOMPARE(f.view->chart()->width() + StepFiguresPanel::kWidth, f.view->width());
        QTRY_COMPARE_WITH_TIMEOUT(panel->text("step"), QStringLiteral("1500 \u2192 500 rpm"),
                                  10000);
        QTRY_COMPARE_WITH_TIMEOUT(panel->text("status"), QStringLiteral("measured over 1.0 s"),
                                  5000);
        QVERIFY(panel->text("overshoot").endsWith(QStringLiteral(" %")));
        QVERIFY(panel->text("rise").endsWith(QStringLiteral(" s")));
        QCOMPARE(panel->text("gains"), QStringLiteral("P 2.500\nI 1.250\nD 0.1250"));
        const QStringList lines = LogLines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QString::fromLatin1(kTuningLogHeader));
        const QStringList fields = lines[1].split(QLatin1Char(','));
        QCOMPARE(fields.size(), 11);
        QCOMPARE(fields.mid(3, 4),
                 (QStringList{QStringLiteral("2.500"), QStringLiteral("1.250"),
                              QStringLiteral("0.1250"), QStringLiteral("-1000")}));
        QVERIFY(f.prompt.shown.empty());
        if (qEnvironmentVariableIsSet("ZVR_SCREENSHOTS")) {
            f.view->grab().save(qEnvironmentVariable("ZVR_SCREENSHOTS") +
                                QStringLiteral("/parameter_plot_step.png"));
        }
    }

    // The plot samples faster than the link brings values: the samples between two sets repeat
    // the last values on the chart, but a ramping speed demand must not look held there, or
    // one step is taken for several from the wrong levels.
    void rampedDemandIsOneStepAgainstAController() {
        Fixture f;
        f.store.strings["Plot X Scale"] = "10";
        f.governor.memory[0x0102] = 1500;
        f.governor.rampTo = 1800;
        // About 80 ms a reply against a sample every 50 ms.
        QVERIFY(f.openController(CDataServer::kTimeoutTicks, std::chrono::microseconds(12000)));
        f.makeView();
        QTRY_COMPARE_WITH_TIMEOUT(f.view->indicator(1)->text(), QStringLiteral("1800"), 15000);
        QTRY_COMPARE(f.view->figuresPanel()->text("step"), QStringLiteral("1500 \u2192 1800 rpm"));
        QCOMPARE(LogLines().size(), 0);  // no step was ended by another one
    }

    // A gain written is marked at its moment: on the chart, among the samples (so in the saved
    // file and the printed page), and in the tuning log.
    void gainWriteIsMarkedSavedPrintedAndLogged() {
        Fixture f;
        f.openDemo();
        f.makeView();
        QTRY_VERIFY(f.view->running());
        QTRY_VERIFY(f.view->samples(1).size() >= 3);
        QTest::keyClick(f.view.get(), Qt::Key_P);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QTRY_VERIFY(!f.view->writeInProgress());
        QTRY_VERIFY(f.view->running());
        const std::vector<PlotMark> marks = f.view->Marks();
        QCOMPARE(marks.size(), size_t{1});
        QCOMPARE(marks.front().change, (GainChange{"P", "2.500", "2.750"}));
        QCOMPARE(f.view->PrintedPage(300, 300).marks.size(), size_t{1});
        const QStringList lines = LogLines();
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[1].endsWith(QStringLiteral(",2.750,1.250,0.1250,,,,,")),
                 qPrintable(lines[1]));

        f.prompt.files.push_back(std::string("plot.txt"));
        QTest::keyClick(f.view.get(), Qt::Key_A);
        QFile file(QStringLiteral("plot.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const qsizetype end = bytes.indexOf("***END OF DATA***\r\n");
        QVERIFY(end > 0);
        const QByteArray after = bytes.mid(end + 19);
        QVERIFY2(after.endsWith("\tP 2.500 -> 2.750\tGain Change\r\n"), after.constData());
        QCOMPARE(after.count('\n'), 1);
    }

    // A tuning log that cannot be written is said once; tuning and plotting go on.
    void unwritableTuningLogIsSaidOnce() {
        Fixture f;
        QDir().mkpath(QStringLiteral("folder.csv"));
        f.log = std::make_shared<TuningLog>("folder.csv");
        f.openDemo();
        f.makeView();
        QTRY_VERIFY(f.view->running());
        QTest::keyClick(f.view.get(), Qt::Key_P);
        for (int i = 0; i < 2; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
            QTRY_VERIFY(!f.view->writeInProgress());
            QTRY_VERIFY(f.view->running());
        }
        QCOMPARE(f.gain(Gain::P),
                 QStringLiteral("3.023"));  // 2.75 * 1.1 as 8 fraction bits hold it
        QCOMPARE(f.prompt.shown.size(), size_t{1});
        QVERIFY(f.prompt.texts()[0].starts_with("The tuning log cannot be written (folder.csv: "));
        QCOMPARE(f.view->Marks().size(), size_t{2});
    }

    // The figures are there while one trace is the reference and the other plots something;
    // the chart has the whole width otherwise.
    void referenceChoiceShowsOrHidesTheFigures_data() {
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QString>("plot2");
        QTest::addColumn<QString>("status");  // empty: no figures
        QTest::newRow("automatic") << ""
                                   << "n_desired"
                                   << "Waiting for a step of n_desired";
        QTest::newRow("plot 1") << "PLOT1"
                                << "n_desired"
                                << "Waiting for a step of engine_rpm";
        QTest::newRow("none") << "NONE"
                              << "n_desired"
                              << "";
        QTest::newRow("no set point") << "AUTO"
                                      << "act_duty"
                                      << "";
        QTest::newRow("nothing to respond") << "PLOT1"
                                            << "NO PLOT"
                                            << "";
    }

    void referenceChoiceShowsOrHidesTheFigures() {
        QFETCH(QString, reference);
        QFETCH(QString, plot2);
        QFETCH(QString, status);
        Fixture f;
        f.store.strings["Plot Reference"] = reference.toStdString();
        f.store.strings["Plot 2 Name"] = plot2.toStdString();
        f.openDemo();
        f.makeView();
        QCOMPARE(f.view->figuresPanel()->isVisibleTo(f.view.get()), !status.isEmpty());
        QCOMPARE(f.view->chart()->width(),
                 f.view->width() - (status.isEmpty() ? 0 : StepFiguresPanel::kWidth));
        if (!status.isEmpty()) QCOMPARE(f.view->figuresPanel()->text("status"), status);
    }

    // Configure chooses the reference and the settling band; both are stored with the setup.
    void configureChoosesTheReferenceAndTheBand() {
        Fixture f;
        f.openDemo();
        f.makeView();
        QTRY_VERIFY(f.view->running());
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<CPlotSetupDlg*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->referenceList()->currentText(), QStringLiteral("Automatic"));
            QCOMPARE(dialog->bandEdit()->text(), QStringLiteral("2"));
            dialog->referenceList()->setCurrentIndex(
                dialog->referenceList()->findText(QStringLiteral("Plot 1")));
            dialog->bandEdit()->setText(QStringLiteral("5"));
            dialog->accept();
        });
        QTest::keyClick(f.view.get(), Qt::Key_C);
        QCOMPARE(f.store.strings["Plot Reference"], std::string("PLOT1"));
        QCOMPARE(f.store.strings["Plot Settling Band"], std::string("5"));
        QCOMPARE(f.view->referencePair(), std::optional<ReferencePair>(ReferencePair{0, 1}));
        QVERIFY(f.view->figuresPanel()->findChild<QLabel*>() != nullptr);
        QCOMPARE(f.view->figuresPanel()->text("status"),
                 QStringLiteral("Waiting for a step of engine_rpm"));
    }

    // Another window edits what the open plot holds; then the technician tunes P with the
    // keyboard. Nothing may be read from or written through a definition that is gone: a
    // deleted gain is no longer offered, a renamed one is written under its new name, and a
    // plotted variable is dropped or followed.
    void definitionsEditedUnderTheOpenPlot_data() {
        QTest::addColumn<int>("edit");
        QTest::addColumn<bool>("selectFirst");  // P pressed before the edit
        QTest::addColumn<QString>("gainName");  // what P writes afterwards; empty: nothing
        QTest::addColumn<QString>("plot1");     // plot 1's variable afterwards
        QTest::addColumn<QString>("label1");
        const auto add = [](const char* tag, EditElsewhere edit, bool selectFirst,
                            const char* gainName, const char* plot1, const char* label1) {
            QTest::newRow(tag) << static_cast<int>(edit) << selectFirst
                               << QString::fromLatin1(gainName) << QString::fromLatin1(plot1)
                               << QString::fromLatin1(label1);
        };
        add("gain deleted", EditElsewhere::DeleteGain, false, "", "engine_rpm", "engine_rpm [rpm]");
        add("selected gain deleted", EditElsewhere::DeleteGain, true, "", "engine_rpm",
            "engine_rpm [rpm]");
        add("gain renamed", EditElsewhere::RenameGain, false, "P_GAIN", "engine_rpm",
            "engine_rpm [rpm]");
        add("selected gain renamed", EditElsewhere::RenameGain, true, "P_GAIN", "engine_rpm",
            "engine_rpm [rpm]");
        add("plotted variable deleted", EditElsewhere::DeletePlotted, false, "PROPORTIONAL_GAIN",
            "NO PLOT", "NO PLOT");
        add("plotted variable renamed", EditElsewhere::RenamePlotted, false, "PROPORTIONAL_GAIN",
            "rpm_renamed", "rpm_renamed [rpm]");
    }

    void definitionsEditedUnderTheOpenPlot() {
        QFETCH(int, edit);
        QFETCH(bool, selectFirst);
        QFETCH(QString, gainName);
        QFETCH(QString, plot1);
        QFETCH(QString, label1);
        Fixture f;
        QVERIFY(f.openController());
        f.makeView();
        QTRY_VERIFY(f.view->running());
        QTRY_COMPARE(f.view->indicator(1)->text(), QStringLiteral("1500"));
        if (selectFirst) QTest::keyClick(f.view.get(), Qt::Key_P);

        test::ScriptedPrompt elsewhere;  // the other window's messages and questions
        switch (static_cast<EditElsewhere>(edit)) {
            case EditElsewhere::DeleteGain:
            case EditElsewhere::RenameGain: {
                CScalarView calibration(f.document, elsewhere, true, {});
                calibration.OnInitialUpdate();
                calibration.filter()->setCurrentIndex(calibration.filter()->count() - 1);
                emit calibration.filter()->activated(calibration.filter()->count() - 1);
                calibration.scalarList()->setCurrentItem(
                    calibration.scalarList()
                        ->findItems(QStringLiteral("PROPORTIONAL_GAIN"), Qt::MatchExactly)
                        .front());
                if (static_cast<EditElsewhere>(edit) == EditElsewhere::DeleteGain) {
                    calibration.DeleteScalar();  // unscripted: Yes
                } else {
                    calibration.field(1003)->setText(QStringLiteral("P_GAIN"));
                    calibration.SaveEdit();
                }
                break;
            }
            case EditElsewhere::DeletePlotted:
            case EditElsewhere::RenamePlotted: {
                NoFrame frame;
                AppServices services{f.document, f.settings, elsewhere, frame, true, "."};
                CParameterView list(services);
                list.list()->setCurrentItem(
                    list.list()->findItems(QStringLiteral("engine_rpm"), Qt::MatchExactly).first());
                if (static_cast<EditElsewhere>(edit) == EditElsewhere::DeletePlotted) {
                    list.DeleteVariable();
                } else {
                    list.findChildren<QLineEdit*>().at(1)->setText(QStringLiteral("rpm_renamed"));
                    list.SaveEdit();
                }
                break;
            }
        }
        QVERIFY(f.prompt.shown.empty());

        // Back in the plot: plotting again, then P and Up.
        if (!f.view->running()) QTest::keyClick(f.view.get(), Qt::Key_S);
        QTRY_VERIFY(f.view->running());
        QCOMPARE(QString::fromStdString(f.view->plotName(1)), plot1);
        QCOMPARE(f.view->plotLabel(1)->text(), label1);
        if (plot1 == QStringLiteral("NO PLOT")) {
            QTRY_COMPARE(f.view->indicator(2)->text(), QStringLiteral("1800"));
            QCOMPARE(f.view->indicator(1)->text(), QString());
        } else {
            QTRY_COMPARE(f.view->indicator(1)->text(), QStringLiteral("1500"));
        }
        QTest::keyClick(f.view.get(), Qt::Key_P);
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : f.view.get(), Qt::Key_Up);
        QTRY_VERIFY(!f.view->writeInProgress());
        QCOMPARE(QString::fromStdString(f.view->gainName(Gain::P)), gainName);
        if (gainName.isEmpty()) {
            QVERIFY(!f.view->selectedGain());
            QVERIFY(!f.view->gainEdit(Gain::P)->isVisibleTo(f.view.get()));
            QTest::qWait(100);
            QCOMPARE(f.governor.writeCount(), 0);
            QCOMPARE(f.governor.word(0x4010), 640);
        } else {
            QCOMPARE(f.view->selectedGain(), std::optional<Gain>(Gain::P));
            QCOMPARE(f.view->gainLabel(Gain::P)->text(), QStringLiteral("&") + gainName);
            QTRY_COMPARE(f.governor.word(0x4010), 704);  // 2.75 with 8 fraction bits
            QCOMPARE(f.gain(Gain::P), QStringLiteral("2.750"));
        }
        // Neither "Internal Error Writing New Value" nor any other message.
        QCOMPARE(f.prompt.texts(), std::vector<std::string>{});
        if (qEnvironmentVariableIsSet("ZVR_SCREENSHOTS")) {
            f.view->grab().save(qEnvironmentVariable("ZVR_SCREENSHOTS") +
                                QStringLiteral("/plot_after_%1.png")
                                    .arg(QString::fromLatin1(QTest::currentDataTag())
                                             .replace(QLatin1Char(' '), QLatin1Char('_'))));
        }
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::StripChartViewTest)
#include "strip_chart_view_test.moc"
