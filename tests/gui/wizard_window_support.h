#pragma once

// The calibration wizard's window on the program's main window, against the simulated
// controller on a pty: the program with its simulator, and a driver that works the window
// from a timer inside its modal loop as a technician would.
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <deque>
#include <functional>
#include <map>
#include <optional>

#include "app/wizard_commands.h"
#include "connection/command_ids.h"
#include "gui/program_window.h"
#include "gui_base/latin1.h"
#include "sim/sim_fixtures.h"
#include "wizard_pages/process_dialog.h"
#include "wizard_pages/wizard_window.h"

namespace zvr::test {

struct WizardProgram {
    explicit WizardProgram(const std::string& strategy, std::vector<std::string> commands = {}) {
        sim::SimOptions options;
        options.strategy = StrategyPath(strategy);
        simulator = sim::test::StartSimulator(options);
        for (const std::string& command : commands)
            simulator->execute(command);
        RegisterCalibrationWizards(program.frame, program.document, program.prompt,
                                   program.settings);
        program.frame.SetCommandHandler(kCmdParameterPlot,
                                        [this] { posted.push_back(kCmdParameterPlot); });
        program.frame.SetCommandHandler(kCmdSaveCal, [this] { posted.push_back(kCmdSaveCal); });
    }
    ~WizardProgram() { program.Close(); }

    // ticks: how long the link waits for a reply; the fault tests shorten it.
    bool Connect(int ticks = CDataServer::kTimeoutTicks) {
        program.frame.workflow().SetTimeoutTicks(ticks);
        program.frame.workflow().PortChosen(simulator->linkPath());
        // Ready, and the connection's own fault check over: the wizard's requests come after.
        return QTest::qWaitFor(
            [this] {
                return program.frame.paneText(0) == QStringLiteral("Ready") &&
                       !program.frame.workflow().CheckingFaultFlags();
            },
            10000);
    }
    std::string get(const std::string& name) { return simulator->execute("get " + name); }

    std::unique_ptr<sim::Simulator> simulator;
    ProgramWindow program;
    std::vector<int> posted;
};

// Where the pedal and the idle switch stand when the process dialog asks.
struct PedalMove {
    double position;
    bool idleSwitch;
};

inline long AdcAt(double position) { return std::lround(102 + position * (922 - 102)); }

// The box being recorded (the maximum's once it shows, the minimum's before) follows the
// pedal, and so does its IVS box.
inline bool LiveShows(CWizardWindow& w, const PedalMove& move) {
    const bool second = w.field("analog.max") != nullptr;
    auto* edit = qobject_cast<QLineEdit*>(w.field(second ? "analog.max" : "analog.min"));
    if (edit == nullptr || std::lround(edit->text().toDouble()) != AdcAt(move.position))
        return false;
    auto* check = qobject_cast<QCheckBox*>(w.field(second ? "analog.ivs_max" : "analog.ivs_min"));
    return check == nullptr || check->isChecked() == move.idleSwitch;
}

// Works the wizard window from a timer, so that it runs inside the window's own modal loop:
// each tick gives the first open answer of the current step to its control, or, with none
// left, presses Next (Finish on Complete). Answers are keyed by field id: a combo's or radio
// group's item by its text or its number from 1, an edit's text, a check box's "1" or "0".
// At each process dialog the next pedal move is made on the simulator, and Done is pressed
// once the page's live boxes show it; with no moves given the dialog is left to the hook.
class WizardDriver : public QObject {
public:
    WizardDriver(QWidget& frame, sim::Simulator& simulator) : frame_(frame), simulator_(simulator) {
        connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
        timer_.start(10);
    }

    std::map<std::string, QString> answers;
    std::deque<PedalMove> moves;
    // Runs before the default action each tick; true when it acted.
    std::function<bool(CWizardWindow&)> hook;
    // A wizard waiting on something that never comes, or a page that keeps refusing, would
    // hold the modal loop for ever: past either limit the driver cancels and marks it stuck.
    int timeLimitMs = 20000;
    int nextPressLimit = 200;
    // Collects the tool tips of the controls seen, by field id.
    bool captureToolTips = false;
    // With ZVR_WIZARD_GRABS set, each page's first view is saved as <viewPictures>_NN.png.
    QString viewPictures;
    // Next and Finish by the Return key where the focus stands, instead of a click.
    bool pressReturn = false;

    QString caption;
    QStringList headings;
    std::optional<WizardEnd> end;
    bool wasModal = false;
    bool stuck = false;
    std::vector<std::vector<QString>> summary;
    std::map<QString, QString> toolTips;  // field id -> tool tip

    // The wizard opened and has closed again.
    bool done() const { return end.has_value() && !window_; }

    // With ZVR_WIZARD_GRABS set, a picture of the widget into that folder.
    static void Picture(QWidget& widget, const QString& name) {
        const QByteArray folder = qgetenv("ZVR_WIZARD_GRABS");
        if (!folder.isEmpty())
            widget.grab().save(QString::fromLocal8Bit(folder) + u'/' + name +
                               QStringLiteral(".png"));
    }
    static void Picture(QWidget& widget, const char* name) {
        Picture(widget, QString::fromLatin1(name));
    }

private:
    void Tick() {
        if (!window_) {
            window_ = frame_.findChild<CWizardWindow*>();
            if (!window_) return;
            CWizardWindow* w = window_;
            connect(w, &QDialog::finished, this, [this, w] { end = w->sheet().end(); });
        }
        CWizardWindow& w = *window_;
        if (!w.isVisible() || w.sheet().ended()) return;
        if (!opened_.isValid()) opened_.start();
        if (opened_.elapsed() > timeLimitMs || nextPresses_ > nextPressLimit) {
            stuck = true;
            w.cancelButton()->click();
            return;
        }
        caption = w.windowTitle();
        wasModal = w.isModal();
        if (headings.isEmpty() || headings.back() != w.heading()->text())
            headings.push_back(w.heading()->text());
        Look(w);
        if (hook && hook(w)) return;
        if (w.processDialog()->isVisible()) {
            Process(w);
            return;
        }
        if (Answer(w)) return;
        QWidget* focus = w.focusWidget() != nullptr ? w.focusWidget() : &w;
        if (w.finishButton()->isVisible() && w.finishButton()->isEnabled()) {
            if (pressReturn) {
                QTest::keyClick(focus, Qt::Key_Return);
            } else {
                w.finishButton()->click();
            }
        } else if (w.nextButton()->isEnabled()) {
            if (w.summaryList()->isVisible()) Grab(w);
            if (w.heading()->text() == QStringLiteral("Speed Setup")) Picture(w, "speed_page");
            ++nextPresses_;
            if (pressReturn) {
                QTest::keyClick(focus, Qt::Key_Return);
            } else {
                w.nextButton()->click();
            }
        }
    }

    // What the test asked to keep of the page as it stands: tool tips, a picture of its view.
    void Look(CWizardWindow& w) {
        if (captureToolTips) {
            for (QWidget* widget : w.findChildren<QWidget*>()) {
                if (!widget->toolTip().isEmpty())
                    toolTips[widget->objectName()] = widget->toolTip();
            }
        }
        if (viewPictures.isEmpty()) return;
        const QString view = w.heading()->text() + QString::number(w.sheet().page().step);
        if (view == lastView_) return;
        lastView_ = view;
        Picture(w, viewPictures + QStringLiteral("_%1").arg(++pictures_, 2, 10, QLatin1Char('0')));
    }

    bool Answer(CWizardWindow& w) {
        if (!w.nextButton()->isEnabled() && !w.finishButton()->isEnabled()) return false;
        // In the order the controls stand: a combo's choice can reveal or reset those below.
        for (const WizardField& field : w.sheet().page().form.fields()) {
            auto it = answers.find(field.id);
            if (it == answers.end()) continue;
            QWidget* widget = w.field(it->first.c_str());
            if (widget == nullptr || !widget->isEnabled()) continue;
            const QString answer = it->second;
            answers.erase(it);
            if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                bool number = false;
                const int item = answer.toInt(&number);
                combo->setCurrentIndex(number ? item - 1 : combo->findText(answer));
            } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                edit->selectAll();
                QTest::keyClicks(edit, answer);
            } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
                check->setChecked(answer == QStringLiteral("1"));
            } else {
                ChooseRadio(*widget, answer);
            }
            return true;
        }
        return false;
    }

    // A radio group's button by its number or its text, clicked as the person would.
    static void ChooseRadio(QWidget& group, const QString& answer) {
        const QList<QRadioButton*> buttons = group.findChildren<QRadioButton*>();
        bool number = false;
        const int item = answer.toInt(&number);
        for (int i = 0; i < buttons.size(); ++i) {
            // On its round mark: the button takes the row's width, its blank end is no click.
            if (number ? i == item - 1 : buttons[i]->text() == answer) {
                QTest::mouseClick(buttons[i], Qt::LeftButton, {},
                                  QPoint(6, buttons[i]->height() / 2));
            }
        }
    }

    void Process(CWizardWindow& w) {
        if (moves.empty()) return;
        const PedalMove move = moves.front();
        if (!moved_) {
            simulator_.execute("pedal " + std::to_string(move.position));
            simulator_.execute(std::string("ivs ") + (move.idleSwitch ? "on" : "off"));
            moved_ = true;
            return;
        }
        if (!LiveShows(w, move)) return;
        moves.pop_front();
        moved_ = false;
        w.processDialog()->doneButton()->click();
    }

    void Grab(CWizardWindow& w) {
        summary.clear();
        for (int i = 0; i < w.summaryList()->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = w.summaryList()->topLevelItem(i);
            summary.push_back({item->text(0), item->text(1), item->text(2)});
        }
        Picture(w, "summary");
    }

    QWidget& frame_;
    sim::Simulator& simulator_;
    QTimer timer_;
    QPointer<CWizardWindow> window_;
    bool moved_ = false;
    int nextPresses_ = 0;
    QElapsedTimer opened_;
    QString lastView_;
    int pictures_ = 0;
};

}  // namespace zvr::test
