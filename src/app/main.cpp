// zvr: calibration and monitoring of ZEVAR, LPN and KMS controllers.
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "app/calibration_app.h"
#include "app/qt_settings_store.h"

namespace {

// Exit code of a command line that is refused.
constexpr int kUsageError = 2;

int RefuseCommandLine(const zvr::OptionError& error) {
    std::fprintf(stderr, "zvr: %s (see zvr --help)\n", error.text.c_str());
    return kUsageError;
}

// Whether the toolkit may own an argument the program does not know: its options are words
// after a single dash ("-platform offscreen", "-style Fusion"), and it takes them out of the
// command line only once the application exists.
bool MayBeToolkitOptions(const std::vector<std::string>& arguments) {
    return std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
        return argument.size() > 2 && argument[0] == '-' && argument[1] != '-' &&
               argument != "-eng";
    });
}

}  // namespace

int main(int argc, char** argv) {
    // Help, version and a refused command line are answered before the window system is
    // touched, so they work without a display.
    const std::vector<std::string> given(argv + 1, argv + argc);
    const zvr::CommandLine asked = zvr::ParseCommandLine(given);
    if (asked.help || asked.version) {
        std::fputs(asked.help ? zvr::ProgramUsage().c_str() : "zvr " ZVR_VERSION "\n", stdout);
        return 0;
    }
    if (asked.error &&
        !(asked.error->kind == zvr::OptionError::Unknown && MayBeToolkitOptions(given))) {
        return RefuseCommandLine(*asked.error);
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZVR"));
    QApplication::setOrganizationName(QStringLiteral("TELQ"));
    QApplication::setApplicationVersion(QStringLiteral(ZVR_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zvr/zvr.png")));
    // The desktop entry's name, so a desktop shell groups the windows under its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("zvr"));

    // What is left once the toolkit has taken its own options.
    zvr::CommandLine commandLine = zvr::ParseCommandLine({argv + 1, argv + argc});
    if (commandLine.error) return RefuseCommandLine(*commandLine.error);
    if (commandLine.help || commandLine.version) {
        std::fputs(commandLine.help ? zvr::ProgramUsage().c_str() : "zvr " ZVR_VERSION "\n",
                   stdout);
        return 0;
    }
    zvr::CCalibrationApp app(std::move(commandLine), std::make_unique<zvr::QtSettingsStore>());
    QTimer::singleShot(0, &application, [&app] { app.Start(); });
    return QApplication::exec();
}
