// One settings file for the program and zvr-cli: what zvr-cli writes without Qt, the
// program's own settings store reads, and the reverse, in the file QSettings("TELQ", "ZVR")
// keeps, byte for byte as QSettings writes it.
#include <QFile>
#include <QSettings>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/qt_settings_store.h"
#include "gui/gui_test_support.h"
#include "ini_settings_store.h"
#include "settings/registry_settings.h"

namespace zvr {

namespace {

// Strings the settings hold, with everything the INI format escapes or quotes.
const std::vector<std::pair<std::string, std::string>> kStrings = {
    {"ComPort", "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"},
    {"Plot 1 Name", "t\xE9mp\xB0"},  // Latin-1, as the core holds text
    {"Plot 1 Min", "-1.5"},
    {"Plot 2 Name", "a, b; c = d"},
    {"Plot 2 Max", " leading and trailing "},
    {"Quoted", "say \"hi\" \\ back"},
    {"Controls",
     "tab\there\nnew line\r\x01"
     "1\x7F"},
    {"At", "@home"},
    {"Hash", "#not a comment"},
    {"Long", std::string(300, 'x')},
    {"Key with %/slash", "value"},
};
const std::vector<std::pair<std::string, int32_t>> kNumbers = {
    {"InitialPosX", -300}, {"InitialPosCX", 1024}, {"Number Horz Grid", 2147483647}};

std::string FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// What the program reads back: strings of at most 260 characters.
std::string AsRead(const std::string& value) { return value.substr(0, 260); }

}  // namespace

class SettingsFileTest : public QObject {
    Q_OBJECT

private:
    test::GuiTestDirectory directory_;

    static QString ProgramFile() {
        return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TELQ"),
                         QStringLiteral("ZVR"))
            .fileName();
    }

    template <typename Store>
    static void WriteAll(Store& store) {
        for (const auto& [name, value] : kStrings)
            QCOMPARE(store.writeString(name, value), 0);
        for (const auto& [name, value] : kNumbers)
            QCOMPARE(store.writeNumber(name, value), 0);
    }

    template <typename Store>
    static void ExpectAll(Store& store) {
        for (const auto& [name, value] : kStrings) {
            const std::optional<std::string> read = store.readString(name);
            QVERIFY2(read.has_value(), name.c_str());
            QCOMPARE(*read, AsRead(value));
        }
        for (const auto& [name, value] : kNumbers)
            QCOMPARE(store.readNumber(name), std::optional<int32_t>(value));
    }

private slots:
    void init() { QFile::remove(ProgramFile()); }

    void bothProgramsUseOneFile() {
        QCOMPARE(QString::fromStdString(cli::IniSettingsStore::DefaultPath()), ProgramFile());
        QVERIFY(ProgramFile().endsWith(QStringLiteral("/TELQ/ZVR.ini")));
    }

    void whatTheCommandLineWritesTheProgramReads() {
        {
            cli::IniSettingsStore cli;
            WriteAll(cli);
        }
        QtSettingsStore program;
        ExpectAll(program);
        QVERIFY(!QFile::exists(ProgramFile() + QStringLiteral(".lock")));
    }

    void whatTheProgramWritesTheCommandLineReads() {
        {
            QtSettingsStore program;
            WriteAll(program);
        }
        cli::IniSettingsStore cli;
        ExpectAll(cli);
    }

    // Not just read alike: the same values give the same file.
    void theFileIsWrittenAsQSettingsWritesIt() {
        {
            QtSettingsStore program;
            WriteAll(program);
        }
        const std::string byProgram = FileBytes(ProgramFile());
        QFile::remove(ProgramFile());
        {
            cli::IniSettingsStore cli;
            WriteAll(cli);
        }
        QCOMPARE(FileBytes(ProgramFile()), byProgram);
    }

    // Each write keeps what the other program wrote meanwhile, other groups and lists too.
    void writesKeepWhatTheOtherProgramWrote() {
        cli::IniSettingsStore cli;  // read before the program writes
        {
            QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TELQ"),
                               QStringLiteral("ZVR"));
            settings.setValue(QStringLiteral("ComPort"), QStringLiteral("DEMO740"));
            settings.setValue(QStringLiteral("Window/geometry"), QByteArray("\x01\x02", 2));
            settings.setValue(QStringLiteral("Recent"),
                              QStringList{QStringLiteral("a"), QStringLiteral("b")});
        }
        QCOMPARE(cli.writeString("Plot 1 Name", "engine_rpm"), 0);
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TELQ"),
                           QStringLiteral("ZVR"));
        QCOMPARE(settings.value(QStringLiteral("ComPort")).toString(), QStringLiteral("DEMO740"));
        QCOMPARE(settings.value(QStringLiteral("Window/geometry")).toByteArray(),
                 QByteArray("\x01\x02", 2));
        QCOMPARE(settings.value(QStringLiteral("Recent")).toStringList(),
                 (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(settings.value(QStringLiteral("Plot 1 Name")).toString(),
                 QStringLiteral("engine_rpm"));
        // A list is no single string: neither program reads one as the port.
        QtSettingsStore program;
        QCOMPARE(program.readString("Recent"), std::optional<std::string>());
        QCOMPARE(cli::IniSettingsStore().readString("Recent"), std::optional<std::string>());
    }

    // The plot set-up the wizard writes on the command line is the program's plot set-up.
    void thePlotSetupReachesTheProgram() {
        PlotSettings plot;
        plot.plot1Name = "engine_rpm";
        plot.plot1Max = "2600";
        plot.plot2Name = "duty_cycle";
        plot.xScale = 30;
        plot.xSampleRate = 200;
        {
            cli::IniSettingsStore cli;
            QCOMPARE(CRegistrySettings(cli).WritePlotSettings(plot), 0);
        }
        QtSettingsStore program;
        QCOMPARE(CRegistrySettings(program).ReadPlotSettings(), plot);
    }

    // A lock left by a program that was killed while writing does not stop a later write.
    void aLockLeftBehindIsTakenOver() {
        std::filesystem::create_directories(
            std::filesystem::path(cli::IniSettingsStore::DefaultPath()).parent_path());
        std::ofstream(cli::IniSettingsStore::DefaultPath() + ".lock") << "999999999\nzvr\n\n";
        QCOMPARE(cli::IniSettingsStore().writeString("ComPort", "COM2"), 0);
        QVERIFY(!QFile::exists(ProgramFile() + QStringLiteral(".lock")));
        QCOMPARE(QtSettingsStore().readString("ComPort"), std::optional<std::string>("COM2"));
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::SettingsFileTest)
#include "settings_file_test.moc"
