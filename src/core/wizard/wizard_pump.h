#pragma once

#include <chrono>
#include <memory>

#include "comm/message_receiver.h"

namespace zvr {

class CalTransfer;
class WizardSheet;

// Carries the link's notifications to a wizard on the caller's thread, for a host without
// an event loop (the command line, tests): the sheet's own requests arrive on one queue, the
// transfer's walk on another, each handed to its own handler.
class WizardPump {
public:
    WizardPump();

    ReceiverHandle sheetReceiver() const { return sheet_; }
    ReceiverHandle transferReceiver() const { return transfer_; }
    void Bind(WizardSheet& sheet, CalTransfer& transfer);

    // Hands messages on until the sheet waits for the person or has ended. False when none
    // came within limit while it was still waiting for the controller.
    bool Settle(std::chrono::milliseconds limit);
    // Hands on what has arrived, waiting at most wait for the first message; true when
    // something was handed on.
    bool Poll(std::chrono::milliseconds wait = std::chrono::milliseconds(0));

private:
    bool DeliverOne(std::chrono::milliseconds wait);

    std::shared_ptr<QueueReceiver> sheet_ = std::make_shared<QueueReceiver>();
    std::shared_ptr<QueueReceiver> transfer_ = std::make_shared<QueueReceiver>();
    WizardSheet* sheetTarget_ = nullptr;
    CalTransfer* transferTarget_ = nullptr;
};

}  // namespace zvr
