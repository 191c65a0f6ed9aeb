#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace zvr::test {

// Each Qt test program works in a fresh directory with its own settings and data folders.
class GuiTestDirectory {
public:
    GuiTestDirectory() {
        QDir::setCurrent(directory_.path());
        qputenv("XDG_CONFIG_HOME", (directory_.path() + QStringLiteral("/config")).toUtf8());
        // Restore points, the change journal and the tuning log of a test.
        qputenv("XDG_DATA_HOME", (directory_.path() + QStringLiteral("/data")).toUtf8());
    }

private:
    QTemporaryDir directory_;
};

}  // namespace zvr::test
