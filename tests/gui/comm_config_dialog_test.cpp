// The port dialog: its buttons, tooltips, the Custom field and what each choice stands for.
#include <QAbstractButton>
#include <QGridLayout>
#include <QLineEdit>
#include <QTest>

#include "app/comm_config_dialog.h"
#include "connection/controller_model.h"

namespace zvr {

class CommConfigDialogTest : public QObject {
    Q_OBJECT

private slots:
    void buttonsAndTooltips() {
        CCommConfigDlg dialog("", {});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("ZVR Communications Configuration"));
        QCOMPARE(dialog.buttons()->button(1174)->text(), QStringLiteral("ZEVAR 760"));
        QCOMPARE(dialog.buttons()->buttons().size(), 10);
        // The demo buttons, in the Configure menu's order, two to a row.
        const std::pair<int, const char*> demos[] = {
            {1173, "ZEVAR 880"}, {1172, "ZEVAR 740"}, {1174, "ZEVAR 760"}, {1170, "ZEVAR 620"},
            {1175, "ZEVAR 210"}, {1171, "LPN 310"},   {1176, "KMS-2"},
        };
        QAbstractButton* first = dialog.buttons()->button(demos[0].first);
        for (size_t i = 0; i < std::size(demos); ++i) {
            QAbstractButton* button = dialog.buttons()->button(demos[i].first);
            QCOMPARE(button->text(), QString::fromLatin1(demos[i].second));
            QCOMPARE(button->parentWidget(), first->parentWidget());
            auto* grid = qobject_cast<QGridLayout*>(button->parentWidget()->layout());
            QVERIFY(grid);
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(grid->indexOf(button), &row, &column, &rows, &columns);
            QCOMPARE(row, static_cast<int>(i / 2));
            QCOMPARE(column, static_cast<int>(i % 2));
        }
        for (const ControllerModel& model : ControllerModels()) {
            QCOMPARE(
                dialog.buttons()->button(model.buttonId)->toolTip(),
                QStringLiteral("Enables program demonstration without a controller hooked up."));
        }
        QCOMPARE(dialog.findChild<QAbstractButton*>(QStringLiteral("okButton"))->toolTip(),
                 QStringLiteral("Tries to find controller on selected port or starts demo mode."));
        QCOMPARE(dialog.findChild<QAbstractButton*>(QStringLiteral("cancelButton"))->toolTip(),
                 QStringLiteral("Closes window without changing port."));
    }

    void eachChoiceNamesItsPort() {
        CCommConfigDlg dialog("COM1", {});
        QCOMPARE(dialog.portName(), std::string("COM1"));
        dialog.buttons()->button(kButtonCom2)->click();
        QCOMPARE(dialog.portName(), std::string("COM2"));
        for (const ControllerModel& model : ControllerModels()) {
            dialog.buttons()->button(model.buttonId)->click();
            QCOMPARE(dialog.portName(), std::string(model.demoKey));
        }
        dialog.customField()->setCurrentText(QStringLiteral("  /dev/ttyUSB0 "));
        QCOMPARE(dialog.buttons()->checkedId(), kButtonCustom);
        QCOMPARE(dialog.portName(), std::string("/dev/ttyUSB0"));
    }

    void customFieldOffersPortsAndTakesLongPaths() {
        CCommConfigDlg dialog("",
                              {{"/dev/ttyUSB0", "FTDI FT232R USB UART (0403:6001, serial A1B2)"},
                               {"/tmp/zvr-sim-link", ""}});
        QComboBox* field = dialog.customField();
        QCOMPARE(field->count(), 2);
        QCOMPARE(field->itemText(0),
                 QStringLiteral("/dev/ttyUSB0   FTDI FT232R USB UART (0403:6001, serial A1B2)"));
        QCOMPARE(field->itemText(1), QStringLiteral("/tmp/zvr-sim-link"));
        // Picking the adapter from the list chooses its device path.
        field->setCurrentIndex(0);
        emit field->activated(0);
        QCOMPARE(dialog.portName(), std::string("/dev/ttyUSB0"));
        QCOMPARE(field->lineEdit()->maxLength(), 255);
        const QString longPath =
            QStringLiteral("/dev/serial/by-id/") + QString(200, QLatin1Char('x'));
        field->setCurrentText(longPath);
        QCOMPARE(dialog.portName(), longPath.toStdString());
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::CommConfigDialogTest)
#include "comm_config_dialog_test.moc"
