// End to end: Change Calibration writes PROPORTIONAL_GAIN into zvr-sim's EEPROM and reads it
// back; the simulator's control channel confirms the value it now holds.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QProcess>
#include <QTest>

#include "gui/view_test_support.h"
#include "views/scalar_view.h"

namespace zvr {

class CalibrationSimTest : public QObject {
    Q_OBJECT

private:
    // One command on the control socket; its answer line.
    std::string Control(const std::string& command) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", control_.c_str());
        std::string answer;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            const std::string line = command + "\n";
            [[maybe_unused]] const ssize_t sent = ::write(fd, line.data(), line.size());
            char c;
            while (::read(fd, &c, 1) == 1 && c != '\n')
                answer += c;
        }
        ::close(fd);
        return answer;
    }

    test::GuiTestDirectory directory_;
    QProcess simulator_;
    std::string link_;
    std::string control_;

private slots:
    void initTestCase() {
        simulator_.start(
            QStringLiteral(ZVR_SIM_PROGRAM),
            {QStringLiteral("--strategy"), QString::fromStdString(test::StrategyPath("ZVX41R03"))});
        QVERIFY(simulator_.waitForStarted());
        QVERIFY(simulator_.waitForReadyRead(5000));
        // "zvr-sim: link PATH control CONTROLPATH"
        const QStringList words = QString::fromLatin1(simulator_.readLine()).split(u' ');
        QCOMPARE(words.size(), 5);
        link_ = words[2].toStdString();
        control_ = words[4].trimmed().toStdString();
    }

    void cleanupTestCase() {
        simulator_.terminate();
        simulator_.waitForFinished(3000);
    }

    void proportionalGainReachesTheEeprom() {
        CDataServer document;
        test::ScriptedPrompt prompt;
        QVERIFY(document.Load(test::StrategyPath("ZVX41R03"), prompt) == 0);
        QVERIFY(document.OpenPort(link_) == 0);
        QCOMPARE(Control("get PROPORTIONAL_GAIN"), std::string("ok 2.500"));
        {
            CScalarView view(document, prompt, false, {});
            view.OnInitialUpdate();
            const auto found =
                view.scalarList()->findItems(QStringLiteral("PROPORTIONAL_GAIN"), Qt::MatchExactly);
            QVERIFY(!found.isEmpty());
            view.scalarList()->setCurrentItem(found.front());
            QTRY_COMPARE(view.field(1015)->text(), QStringLiteral("2.500"));
            QLineEdit* newValue = view.field(1016);
            newValue->clear();
            QTest::keyClicks(newValue, QStringLiteral("3.75"));
            QTest::keyClick(newValue, Qt::Key_Return);
            QTRY_VERIFY(view.readBackWaiting());
            // 3.75 * 2^8 = 960 raw, which the simulator shows as 3.750.
            QCOMPARE(Control("get PROPORTIONAL_GAIN"), std::string("ok 3.750"));
            QTRY_COMPARE_WITH_TIMEOUT(view.field(1015)->text(), QStringLiteral("3.750"), 5000);
            QVERIFY(prompt.shown.empty());
        }
        document.Close();
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::CalibrationSimTest)
#include "calibration_sim_test.moc"
