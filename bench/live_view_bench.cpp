// Parameter View with ten rows against a controller on a pty that answers a continuous read
// as fast as the line allows: prints the refreshes per second and the share of one CPU the
// process spends (the GUI thread does the view's work; the link's receive thread reads).
//   live_view_bench [baud]        (0: unpaced; default 9600)
//   live_view_bench 0 LINK        (a controller already on LINK, such as zvr-sim's)
#include <QApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>

#include "comm/data_server.h"
#include "support/memory_controller.h"
#include "support/scripted_prompt.h"
#include "views/live_data_view.h"

namespace {

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int baud = argc > 1 ? std::atoi(argv[1]) : 9600;
    // Ten bits a byte on the line.
    const auto perByte = std::chrono::microseconds(baud > 0 ? 10'000'000 / baud : 0);
    zvr::test::MemoryController controller("ZVX41R03", perByte);
    controller.setStreamInterval(std::chrono::milliseconds(baud > 0 ? 0 : 10));

    // The traffic log goes to a folder of its own, never the one the bench was started in.
    QTemporaryDir logFolder;
    zvr::CDataServer document(logFolder.filePath(QStringLiteral("Log.txt")).toStdString());
    for (int i = 0; i < 10; ++i) {
        const std::string name = "value_" + std::to_string(i);
        document.definitions.variables.insert({.scaling = {'U', 2, 0},
                                               .ramAddress = static_cast<uint32_t>(0x100 + 2 * i),
                                               .name = name});
        document.definitions.viewItems.add({.position = static_cast<uint8_t>(i), .name = name});
    }
    const std::string link = argc > 2 ? argv[2] : controller.path();
    if (document.OpenPort(link) != 0) return 1;
    zvr::test::ScriptedPrompt prompt;
    QMdiArea area;
    auto* view = new zvr::CLiveDataView(document, prompt, {});
    area.addSubWindow(view)->show();
    area.resize(600, 400);
    area.show();  // painted, as on a desktop
    view->OnInitialUpdate();

    int refreshes = 0;
    QObject::connect(view, &zvr::CLiveDataView::valuesShown, view, [&] { ++refreshes; });
    QElapsedTimer clock;
    double cpuStart = 0;
    QTimer::singleShot(1000, [&] {  // after the start-up
        refreshes = 0;
        cpuStart = ThreadCpuSeconds();
        clock.start();
        QTimer::singleShot(5000, [&] {
            const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
            std::printf("baud %d: %.1f refreshes/s of ten rows, GUI thread CPU %.1f%%\n", baud,
                        refreshes / seconds, 100.0 * (ThreadCpuSeconds() - cpuStart) / seconds);
            app.quit();
        });
    });
    app.exec();
    delete view;
    document.Close();
    return 0;
}
