// The cost of one strip-chart sample (add + compose + paint) on a 1920 x 1080 chart with two
// traces, without and with gain marks, and of the step-response figures per sample; the GUI
// thread's CPU share while the Parameter Plot samples every 50 ms in a 640 x 480 frame, in
// demo mode and against zvr-sim (engine speed against its set point: the step figures are
// on). Prints its figures; run offscreen: QT_QPA_PLATFORM=offscreen. With ZVR_SCREENSHOTS=DIR
// it also steps the set speed and tunes the proportional gain against the simulator, and saves
// the plot with its figures and gain marks after each step.
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>

#include "chart/strip_chart.h"
#include "comm/data_server.h"
#include "definitions/scaling.h"
#include "plot/step_response.h"
#include "plot/tuning_log.h"
#include "settings/memory_settings_store.h"
#include "settings/registry_settings.h"
#include "simulator.h"
#include "support/sample_definitions.h"
#include "support/scripted_prompt.h"
#include "views/strip_chart_view.h"

namespace {

using namespace zvr;

double ThreadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Microseconds per sample over n samples of the given work.
template <typename Work>
double MicrosecondsPerSample(int n, Work work) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < n; ++i)
        work(i);
    return timer.nsecsElapsed() / 1000.0 / n;
}

// With a gain mark every markEvery samples (0: none).
void SampleCost(int width, int height, int markEvery) {
    CChartTrace rpm;
    CChartTrace demand;
    rpm.SetLimits(0, 2000, 1);
    demand.SetLimits(0, 2000, 1);
    rpm.SetColour(Qt::cyan);
    demand.SetColour(Qt::red);
    CStripChart chart;
    chart.AddTrace(&rpm);
    chart.AddTrace(&demand);
    chart.SetTimeMaximum(QStringLiteral("10"));
    chart.resize(width, height);
    chart.show();
    QApplication::processEvents();
    auto add = [&chart, markEvery](int i) {
        chart.UpdateScrollStep(0.05);
        const double values[] = {1500 + 300 * std::sin(i * 0.1), 1500.0};
        chart.AddSample(values);
        if (markEvery > 0 && i % markEvery == 0) chart.AddMark(QStringLiteral("P 2.500 → 2.750"));
    };
    const int n = 2000;
    const double addOnly = MicrosecondsPerSample(n, add);
    const double composed = MicrosecondsPerSample(n, [&](int i) {
        add(i);
        chart.Composed();
    });
    const double painted = MicrosecondsPerSample(n, [&](int i) {
        add(i);
        chart.repaint();
    });
    const QString marks =
        markEvery > 0 ? QStringLiteral(", a gain mark every %1 samples").arg(markEvery) : QString();
    std::printf(
        "%4d x %4d chart, two traces%s: add %.1f us, add + compose %.1f us, "
        "add + paint %.1f us per sample\n",
        width, height, marks.toLatin1().constData(), addOnly, composed, painted);
}

// The step figures' share of a sample: a reference stepping 1500 <-> 1800 rpm once a window
// and a damped response, measured over a window of the given seconds at 50 ms (always
// measuring: the figures of up to a whole window are worked out again at each sample).
void StepFiguresCost(double windowSeconds) {
    StepTracker tracker({.bandPercent = 2, .windowSeconds = windowSeconds});
    const int n = 40000;
    double sink = 0;
    const double perSample = MicrosecondsPerSample(n, [&](int i) {
        const double t = i * 0.05;
        const double since = std::fmod(t, windowSeconds);
        const bool up = static_cast<int>(t / windowSeconds) % 2 == 0;
        const double reference = up ? 1800 : 1500;
        const double response =
            reference - (up ? 300 : -300) * std::exp(-2.5 * since) * std::cos(4.3 * since);
        tracker.Add({t, reference, response});
        if (const auto& latest = tracker.latest()) sink += latest->overshootPercent;
        tracker.TakeCompleted();
    });
    std::printf("step figures, %.0f s window at 50 ms: %.2f us per sample (%s)\n", windowSeconds,
                perSample, sink > 0 ? "measured" : "none");
}

void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A Parameter Plot sampling every 50 ms in a 640 x 480 child frame.
struct PlotWindow {
    PlotWindow(CDataServer& document, const std::string& plot1, const std::string& plot2,
               QSize size = {640, 480}, const std::string& minimum = "0",
               const std::string& maximum = "2000", const std::string& reference = "AUTO")
        : store(), settings(store) {
        store.strings = {
            {"Plot 1 Name", plot1}, {"Plot 1 Min", minimum},      {"Plot 1 Max", maximum},
            {"Plot 2 Name", plot2}, {"Plot 2 Min", minimum},      {"Plot 2 Max", maximum},
            {"Plot X Scale", "10"}, {"Plot X Sample Rate", "50"}, {"Plot Reference", reference}};
        area.resize(size + QSize(40, 40));
        view = new CStripChartView(document, settings, prompt);
        frame = area.addSubWindow(view);
        frame->resize(size);
        area.show();
    }
    ~PlotWindow() { delete frame; }

    // Prints the GUI thread's share of one core over the given time.
    void ReportCpuShare(const char* source, double seconds) const {
        const double cpuBefore = ThreadCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        RunFor(static_cast<int>(seconds * 1000));
        const double share = 100.0 * (ThreadCpuSeconds() - cpuBefore) / (wall.elapsed() / 1000.0);
        std::printf(
            "Parameter Plot, 640 x 480 frame, %s at 50 ms: GUI thread %.2f %% of one core "
            "over %.0f s (%zu samples kept)\n",
            source, share, seconds, view->samples(1).size());
    }
    void Key(Qt::Key key, const QString& text = {}) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : view;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &press);
    }

    MemorySettingsStore store;
    CRegistrySettings settings;
    test::ScriptedPrompt prompt;
    QMdiArea area;
    CStripChartView* view = nullptr;
    QMdiSubWindow* frame = nullptr;
};

void DemoCpuShare(double seconds) {
    QTemporaryDir directory;
    CDataServer document(directory.filePath(QStringLiteral("Log.txt")).toStdString());
    test::FillSample(document.definitions);
    document.OpenPort("DEMO", CDataServer::kTimeoutTicks);
    {
        PlotWindow window(document, document.definitions.variables.entries().front()->name, "");
        RunFor(500);
        window.ReportCpuShare("demo", seconds);
    }
    document.Close();
}

// zvr-sim's controller running the ZEVAR 740 strategy in this process, on a pseudo-terminal
// link; the benchmark moves its set speed as a switch or another tool would.
class Simulator {
public:
    explicit Simulator(const QString& directory) {
        sim::SimOptions options;
        options.strategy = ZVR_STRATEGY_DIR "/ZVX41R03.000";
        options.link = QDir(directory).absoluteFilePath(QStringLiteral("zevar740")).toStdString();
        std::string error;
        if (!simulator_.start(options, error)) std::printf("zvr-sim: %s\n", error.c_str());
    }
    std::string link() const { return simulator_.linkPath(); }
    // Writes a scalar into the simulated EEPROM, as committed over the link.
    void Write(const std::string& name, double value) {
        simulator_.withUnit([&](sim::ControllerUnit& unit) {
            const ScalarDef* scalar = unit.definitions().scalars.find(name);
            if (scalar == nullptr) return false;
            const uint32_t raw = EngToRaw(value, scalar->scaling);
            std::vector<uint8_t> bytes;
            for (int i = scalar->scaling.size - 1; i >= 0; --i)
                bytes.push_back(static_cast<uint8_t>(raw >> (8 * i)));
            return unit.commitWrite(static_cast<uint16_t>(scalar->eepromAddress), bytes);
        });
    }

private:
    sim::Simulator simulator_;
};

void Screenshot(PlotWindow& window, const QString& name) {
    const QString file = qEnvironmentVariable("ZVR_SCREENSHOTS") + QLatin1Char('/') + name;
    window.frame->grab().save(file);
    std::printf("  P gain %s, overshoot %s, settling %s: %s\n",
                window.view->gainEdit(Gain::P)->text().toLatin1().constData(),
                window.view->figuresPanel()->text("overshoot").toLatin1().constData(),
                window.view->figuresPanel()->text("settling").toLatin1().constData(),
                file.toLatin1().constData());
}

// The technician's way: P selects the proportional gain, each Up raises it by a tenth.
void RaiseProportionalGain(PlotWindow& window, int steps) {
    window.Key(Qt::Key_P, QStringLiteral("p"));
    for (int i = 0; i < steps; ++i) {
        window.Key(Qt::Key_Up);
        for (int wait = 0; wait < 100 && window.view->writeInProgress(); ++wait)
            RunFor(20);
        RunFor(300);
    }
    window.Key(Qt::Key_Escape);
}

// Set-speed steps of 300 rpm (ramped at 500 rpm/s) in a 1000 x 620 plot: one with the gains
// as they are, then after raising the proportional gain twice, a screenshot 5 s into each.
void TuneProportionalGain(CDataServer& document, Simulator& simulator) {
    std::printf("Tuning against zvr-sim, set speed 1500 -> 1800 rpm:\n");
    PlotWindow window(document, "engine_rpm", "n_desired", {1000, 620}, "1300", "1900");
    RunFor(1500);
    simulator.Write("SET_SPEED_1", 1800);
    RunFor(5000);
    Screenshot(window, QStringLiteral("tuning_1.png"));
    simulator.Write("SET_SPEED_1", 1500);
    RunFor(2500);
    RaiseProportionalGain(window, 2);
    RunFor(800);
    simulator.Write("SET_SPEED_1", 1800);
    RunFor(5000);
    Screenshot(window, QStringLiteral("tuning_2.png"));
}

// Engine speed and the speed demand against the simulator: the GUI thread's share, then with
// screenshots wanted, speed steps before and after raising the proportional gain.
void SimulatorPlotting(double seconds) {
    QTemporaryDir directory;
    Simulator simulator(directory.path());
    CDataServer document(directory.filePath(QStringLiteral("Log.txt")).toStdString());
    test::ScriptedPrompt prompt;
    if (document.Load(ZVR_STRATEGY_DIR "/ZVX41R03.000", prompt) != 0 ||
        document.OpenPort(simulator.link(), CDataServer::kTimeoutTicks) != 0) {
        std::printf("Parameter Plot against zvr-sim: the simulator did not start\n");
        return;
    }
    {
        PlotWindow window(document, "engine_rpm", "n_desired", {640, 480}, "0", "2000", "NONE");
        RunFor(1000);
        window.ReportCpuShare("zvr-sim, step figures off", seconds);
    }
    {
        // The set speed steps between 1500 and 1800 rpm every 2.5 s: the figures are worked
        // out at each sample and a step is logged now and then.
        PlotWindow window(document, "engine_rpm", "n_desired");
        QTemporaryDir data;
        window.view->SetTuningLog(
            std::make_shared<TuningLog>(data.filePath(QStringLiteral("log.csv")).toStdString()));
        RunFor(1000);
        bool up = false;
        QTimer steps;
        QObject::connect(&steps, &QTimer::timeout, [&] {
            up = !up;
            simulator.Write("SET_SPEED_1", up ? 1800 : 1500);
        });
        steps.start(2500);
        window.ReportCpuShare("zvr-sim, step figures on", seconds);
        simulator.Write("SET_SPEED_1", 1500);
    }
    if (qEnvironmentVariableIsSet("ZVR_SCREENSHOTS")) TuneProportionalGain(document, simulator);
    document.Close();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SampleCost(1920, 1080, 0);
    SampleCost(1920, 1080, 50);
    SampleCost(640, 380, 0);
    SampleCost(640, 380, 50);
    StepFiguresCost(10);
    StepFiguresCost(60);
    DemoCpuShare(10.0);
    SimulatorPlotting(10.0);
    return 0;
}
