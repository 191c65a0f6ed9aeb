// zvr: calibration and monitoring of ZEVAR, LPN and KMS controllers.
#include <QApplication>
#include <cstdio>

#include "app/calibration_app.h"
#include "app/qt_settings_store.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZVR"));
    QApplication::setOrganizationName(QStringLiteral("TELQ"));

    std::vector<std::string> arguments(argv + 1, argv + argc);
    zvr::CommandLine commandLine = zvr::ParseCommandLine(arguments);
    for (const std::string& unknown : commandLine.unknown) {
        std::fprintf(stderr, "zvr: ignoring unknown argument '%s'\n", unknown.c_str());
    }
    zvr::CCalibrationApp app(std::move(commandLine), std::make_unique<zvr::QtSettingsStore>());
    app.Start();
    return QApplication::exec();
}
