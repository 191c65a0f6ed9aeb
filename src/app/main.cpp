// zvr: calibration and monitoring of ZEVAR, LPN and KMS controllers.
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdio>

#include "app/calibration_app.h"
#include "app/qt_settings_store.h"

int main(int argc, char** argv) {
    // Help and version are answered before the window system is touched, so they work
    // without a display.
    const zvr::CommandLine asked = zvr::ParseCommandLine({argv + 1, argv + argc});
    if (asked.help || asked.version) {
        std::fputs(asked.help ? zvr::ProgramUsage().c_str() : "zvr " ZVR_VERSION "\n", stdout);
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZVR"));
    QApplication::setOrganizationName(QStringLiteral("TELQ"));
    QApplication::setApplicationVersion(QStringLiteral(ZVR_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zvr/zvr.png")));
    // The desktop entry's name, so a desktop shell groups the windows under its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("zvr"));

    std::vector<std::string> arguments(argv + 1, argv + argc);
    zvr::CommandLine commandLine = zvr::ParseCommandLine(arguments);
    for (const std::string& unknown : commandLine.unknown) {
        std::fprintf(stderr, "zvr: ignoring unknown argument '%s'\n", unknown.c_str());
    }
    zvr::CCalibrationApp app(std::move(commandLine), std::make_unique<zvr::QtSettingsStore>());
    QTimer::singleShot(0, &application, [&app] { app.Start(); });
    return QApplication::exec();
}
