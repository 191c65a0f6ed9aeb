// The cost of one strip-chart sample (add + compose + paint) on a 1920 x 1080 chart with two
// traces, and the GUI thread's CPU share while the Parameter Plot samples every 50 ms in a
// 640 x 480 frame. Prints its figures; run offscreen: QT_QPA_PLATFORM=offscreen.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMdiArea>
#include <QMdiSubWindow>
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
        chart.AddSample(i * 0.05, values);
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

// The view in demo mode at the 50 ms minimum for a few seconds.
void PlottingCpuShare(double seconds) {
    QTemporaryDir directory;
    CDataServer document(directory.filePath(QStringLiteral("Log.txt")).toStdString());
    DefinitionSet& set = document.definitions;
    test::FillSample(set);
    MemorySettingsStore store;
    store.strings = {{"Plot 1 Name", set.variables.entries().front()->name},
                     {"Plot X Sample Rate", "50"}};
    CRegistrySettings settings(store);
    test::ScriptedPrompt prompt;
    document.OpenPort("DEMO", CDataServer::kTimeoutTicks);
    QMdiArea area;
    area.resize(1000, 800);
    auto* view = new CStripChartView(document, settings, prompt);
    QMdiSubWindow* frame = area.addSubWindow(view);
    frame->resize(640, 480);
    area.show();
    auto runFor = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    runFor(500);
    const double cpuBefore = ThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runFor(static_cast<int>(seconds * 1000));
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    std::printf(
        "Parameter Plot, 640 x 480 frame, demo at 50 ms: GUI thread %.2f %% of one core "
        "over %.0f s (%zu samples kept)\n",
        100.0 * cpu / (wall.elapsed() / 1000.0), seconds, view->samples(1).size());
    delete frame;
    document.Close();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SampleCost(1920, 1080);
    SampleCost(640, 380);
    PlottingCpuShare(10.0);
    return 0;
}
