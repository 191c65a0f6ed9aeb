#include "wizard/wizard_pump.h"

#include "calibration/cal_transfer.h"
#include "wizard/wizard_sheet.h"

namespace zvr {

WizardPump::WizardPump() = default;

void WizardPump::Bind(WizardSheet& sheet, CalTransfer& transfer) {
    sheetTarget_ = &sheet;
    transferTarget_ = &transfer;
}

bool WizardPump::DeliverOne(std::chrono::milliseconds wait) {
    if (auto message = transfer_->poll()) {
        transferTarget_->Handle(*message);
        return true;
    }
    if (auto message = sheet_->poll()) {
        sheetTarget_->Handle(*message);
        return true;
    }
    // Nothing queued: wait a little on the sheet's queue, then look at both again.
    const auto step = std::min(wait, std::chrono::milliseconds(5));
    if (step.count() <= 0) return false;
    if (auto message = sheet_->wait(step)) {
        sheetTarget_->Handle(*message);
        return true;
    }
    if (auto message = transfer_->poll()) {
        transferTarget_->Handle(*message);
        return true;
    }
    return false;
}

bool WizardPump::Poll(std::chrono::milliseconds wait) {
    const auto until = std::chrono::steady_clock::now() + wait;
    bool delivered = false;
    while (DeliverOne(std::chrono::milliseconds(0))) {
        delivered = true;
    }
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (left.count() <= 0) return delivered;
        delivered = DeliverOne(left) || delivered;
    }
}

bool WizardPump::Settle(std::chrono::milliseconds limit) {
    auto quietSince = std::chrono::steady_clock::now();
    while (!sheetTarget_->ended() && !sheetTarget_->waitingForPerson()) {
        if (DeliverOne(std::chrono::milliseconds(20))) {
            quietSince = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - quietSince > limit) {
            return false;
        }
    }
    // Messages already queued (a live set) are handed on before the person is asked.
    while (DeliverOne(std::chrono::milliseconds(0))) {
    }
    return true;
}

}  // namespace zvr
