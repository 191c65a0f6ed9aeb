#include "calibration/cal_transfer.h"

#include "calibration/cal_file_operations.h"
#include "common/user_prompt.h"
#include "definitions/cal_file.h"

namespace zvr {

CalTransfer::CalTransfer(CControllerProtocol& link, ReceiverHandle receiver, UserPrompt& prompt,
                         ProgressDisplay& display)
    : walk_(link, std::move(receiver)), prompt_(prompt), display_(display) {}

int CalTransfer::LoadFile(const std::string& path) {
    walk_.Stop();
    return LoadCalFile(definitions_, path, prompt_);
}

int CalTransfer::ReadAll(TransferNotify notify) {
    return Start(WalkDirection::Read, std::move(notify));
}

int CalTransfer::WriteAll(TransferNotify notify) {
    return Start(WalkDirection::Write, std::move(notify));
}

int CalTransfer::Start(WalkDirection direction, TransferNotify notify) {
    if (definitions_.scalars.count() == 0) return -1;
    notify_ = std::move(notify);
    const bool read = direction == WalkDirection::Read;
    if (!read) notWritten_.clear();
    progress_ = ProgressState{read ? "Reading Calibration Values from controller. Please wait."
                                   : "Writing Calibration Values to controller. Please wait.",
                              "", 1, static_cast<int>(definitions_.scalars.count()), 0};
    display_.ShowProgress(progress_);
    return read ? walk_.StartRead(definitions_.scalars, *this)
                : walk_.StartWrite(definitions_.scalars, *this);
}

void CalTransfer::Abort() {
    if (!walk_.Running()) return;
    walk_.Stop();
    PostTo(notify_.target, {notify_.aborted, 0, 0});
    display_.HideProgress();
}

bool CalTransfer::Handle(const PostedMessage& message) { return walk_.Handle(message); }

void CalTransfer::CopyCalToController() {
    for (const auto& scalar : definitions_.scalars.entries())
        scalar->controllerRaw = scalar->fileRaw;
}

void CalTransfer::CopyControllerToCal() {
    for (const auto& scalar : definitions_.scalars.entries())
        scalar->fileRaw = scalar->controllerRaw;
}

void CalTransfer::OnWalkStep(const ScalarDef& scalar, size_t position, size_t) {
    progress_.line2 = scalar.name;
    progress_.position = std::min(static_cast<int>(position), progress_.maximum);
    display_.ShowProgress(progress_);
}

void CalTransfer::OnWalkRetry(const ScalarDef& scalar, int attempt) {
    progress_.line2 = RetryLine(scalar.name, attempt);
    display_.ShowProgress(progress_);
}

void CalTransfer::OnWalkValue(ScalarDef& scalar, uint32_t raw) { scalar.controllerRaw = raw; }

void CalTransfer::OnWalkEnd(const WalkEnd& end) {
    if (end.direction == WalkDirection::Write) {
        progress_.position = 0;
        notWritten_ = end.notWritten;
    }
    display_.HideProgress();
    if (end.failed) {
        if (!notify_.callerExplainsFailure) {
            if (end.direction == WalkDirection::Read) {
                prompt_.plain(kCalReadError);
            } else {
                prompt_.error(PartialDownloadText(end.failedScalar, end.writeCheck));
            }
        }
        PostTo(notify_.target, {notify_.failed, 0, 0});
        return;
    }
    if (!notWritten_.empty()) {
        prompt_.warn(
            "These scalars were not written to the controller, because it takes only "
            "1- and 2-byte values: " +
            JoinNames(notWritten_));
    }
    PostTo(notify_.target, {notify_.done, 0, 0});
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

}  // namespace zvr
