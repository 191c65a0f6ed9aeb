#pragma once

#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <string>
#include <vector>

#include "comm/serial_port_list.h"

namespace zvr {

// "ZVR Communications Configuration": choose Com 1, Com 2, a port of one's own (a device
// path or a serial port found on this machine) or a demo model.
class CCommConfigDlg : public QDialog {
    Q_OBJECT
public:
    // preset: the stored port name (used only when shorter than 32 characters); ports: what
    // the Custom field offers, a USB adapter with its description beside the device name.
    CCommConfigDlg(const std::string& preset, const std::vector<SerialPortEntry>& ports,
                   QWidget* parent = nullptr);

    // The name the choice stands for: "COM1", "COM2", a demo key, or the Custom text.
    std::string portName() const;

    QButtonGroup* buttons() const { return group_; }
    QComboBox* customField() const { return custom_; }

private:
    void Select(const std::string& preset);

    QButtonGroup* group_;
    QComboBox* custom_;
};

}  // namespace zvr
