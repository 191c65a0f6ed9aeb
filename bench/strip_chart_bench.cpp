// The cost of one strip-chart sample (add + compose + paint) on a 1920 x 1080 chart with two
// traces, and the GUI thread's CPU share while the Parameter Plot samples every 50 ms in a
// 640 x 480 frame, in demo mode and against zvr-sim. Prints its figures; run offscreen:
// QT_QPA_PLATFORM=offscreen. With ZVR_SCREENSHOTS=DIR it also tunes the proportional gain
// against the simulator and saves the plot after each speed step there.
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocalSocket>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>

#include "chart/strip_chart.h"
#include "comm/data_server.h"
#include "settings/memory_settings_store.h"
#include "settings/registry_settings.h"
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

void SampleCost(int width, int height) {
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
    auto add = [&chart](int i) {
        chart.UpdateScrollStep(0.05);
        const double values[] = {1500 + 300 * std::sin(i * 0.1), 1500.0};
        chart.AddSample(values);
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
    std::printf(
        "%4d x %4d chart, two traces: add %.1f us, add + compose %.1f us, "
        "add + paint %.1f us per sample\n",
        width, height, addOnly, composed, painted);
}

void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A Parameter Plot sampling every 50 ms in a 640 x 480 child frame.
struct PlotWindow {
    PlotWindow(CDataServer& document, const std::string& plot1, const std::string& plot2)
        : store(), settings(store) {
        store.strings = {{"Plot 1 Name", plot1}, {"Plot 1 Min", "0"},
                         {"Plot 1 Max", "2000"}, {"Plot 2 Name", plot2},
                         {"Plot 2 Min", "0"},    {"Plot 2 Max", "2000"},
                         {"Plot X Scale", "10"}, {"Plot X Sample Rate", "50"}};
        area.resize(1000, 800);
        view = new CStripChartView(document, settings, prompt);
        frame = area.addSubWindow(view);
        frame->resize(640, 480);
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

// zvr-sim running the ZEVAR 740 strategy on a pseudo-terminal link, with its control socket.
class Simulator {
public:
    explicit Simulator(const QString& directory)
        : link_(QDir(directory).absoluteFilePath(QStringLiteral("zevar740"))) {
        process_.start(QStringLiteral(ZVR_SIM_PROGRAM),
                       {QStringLiteral("--strategy"),
                        QStringLiteral(ZVR_STRATEGY_DIR "/ZVX41R03.000"), QStringLiteral("--link"),
                        link_, QStringLiteral("--control"), link_ + QStringLiteral(".control")});
        process_.waitForReadyRead(5000);
    }
    ~Simulator() {
        process_.terminate();
        process_.waitForFinished(3000);
    }
    std::string link() const { return link_.toStdString(); }
    void Tell(const QByteArray& command) {
        QLocalSocket control;
        control.connectToServer(link_ + QStringLiteral(".control"));
        if (!control.waitForConnected(2000)) return;
        control.write(command + "\n");
        control.waitForReadyRead(2000);
    }

private:
    QString link_;
    QProcess process_;
};

// Load steps of 60 % on and off, then the picture of the plot.
void LoadStepsAndScreenshot(PlotWindow& window, Simulator& simulator, const QString& name) {
    simulator.Tell("load 60");
    RunFor(4000);
    simulator.Tell("load 0");
    RunFor(5000);
    const QString file = qEnvironmentVariable("ZVR_SCREENSHOTS") + QLatin1Char('/') + name;
    window.frame->grab().save(file);
    std::printf("  P gain %s: %s\n", window.view->gainEdit(Gain::P)->text().toLatin1().constData(),
                file.toLatin1().constData());
}

// The technician's way: P selects the proportional gain, each Up raises it by a tenth.
void RaiseProportionalGain(PlotWindow& window, int steps) {
    window.Key(Qt::Key_P, QStringLiteral("p"));
    for (int i = 0; i < steps; ++i) {
        window.Key(Qt::Key_Up);
        for (int wait = 0; wait < 100 && window.view->writeInProgress(); ++wait)
            RunFor(20);
    }
    RunFor(500);
}

void TuneProportionalGain(PlotWindow& window, Simulator& simulator) {
    std::printf("Tuning against zvr-sim, engine speed and demand after 60 %% load on and off:\n");
    LoadStepsAndScreenshot(window, simulator, QStringLiteral("tuning_1.png"));
    RaiseProportionalGain(window, 8);
    LoadStepsAndScreenshot(window, simulator, QStringLiteral("tuning_2.png"));
    RaiseProportionalGain(window, 16);
    LoadStepsAndScreenshot(window, simulator, QStringLiteral("tuning_3.png"));
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
        PlotWindow window(document, "engine_rpm", "n_desired");
        RunFor(1000);
        window.ReportCpuShare("zvr-sim", seconds);
        if (qEnvironmentVariableIsSet("ZVR_SCREENSHOTS")) TuneProportionalGain(window, simulator);
    }
    document.Close();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SampleCost(1920, 1080);
    SampleCost(640, 380);
    DemoCpuShare(10.0);
    SimulatorPlotting(10.0);
    return 0;
}
