#include "calibration/cal_transfer.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "calibration/cal_file_operations.h"
#include "calibration/restore_points.h"
#include "common/user_prompt.h"
#include "definitions/cal_file.h"
#include "definitions/scaling.h"

namespace zvr {

namespace {

constexpr const char* kReadingLine = "Reading Calibration Values from controller. Please wait.";
constexpr const char* kWritingLine = "Writing Calibration Values to controller. Please wait.";
constexpr const char* kReadingBackLine = "Reading the written values back. Please wait.";

// Writing the analog input's mode starts or ends the controller's analog calibration, in
// which the controller stores the input's minimum and range itself.
constexpr std::string_view kAnalogMode = "EXTERNAL_ANALOG_MODE";
constexpr std::array<std::string_view, 2> kSetByAnalogCalibration = {"APP_MIN_CAL",
                                                                     "APP_RANGE_CAL"};

bool Overlap(uint32_t first, int firstSize, uint32_t second, int secondSize) {
    return first < second + static_cast<uint32_t>(secondSize) &&
           second < first + static_cast<uint32_t>(firstSize);
}

bool SameRaw(uint32_t a, uint32_t b, int16_t size) { return ((a ^ b) & RawMask(size)) == 0; }

}  // namespace

CalTransfer::CalTransfer(CControllerProtocol& link, ReceiverHandle receiver, UserPrompt& prompt,
                         ProgressDisplay& display)
    : link_(link),
      walk_(link, std::move(receiver)),
      prompt_(prompt),
      display_(display),
      writeWatch_(std::make_shared<CControllerProtocol::WriteWatch>(
          [this](uint16_t address, int size) { OnWriteRequest(address, size); })) {
    link_.WatchWrites(writeWatch_);
}

int CalTransfer::LoadFile(const std::string& path) {
    walk_.Stop();
    phase_ = Phase::Idle;
    held_.reset();
    return LoadCalFile(definitions_, path, prompt_);
}

int CalTransfer::ReadAll(TransferNotify notify) {
    if (definitions_.scalars.count() == 0) return -1;
    notify_ = std::move(notify);
    held_.reset();
    return Start(Phase::Reading, definitions_.scalars, kReadingLine);
}

int CalTransfer::WriteAll(TransferNotify notify) {
    if (definitions_.scalars.count() == 0) return -1;
    notify_ = std::move(notify);
    notWritten_.clear();
    if (!WritesOnlyChanges()) return Start(Phase::Writing, definitions_.scalars, kWritingLine);
    changes_ = Changes();
    if (changes_->scalars.count() == 0) {
        // The controller holds every value already: there is nothing to write or to undo.
        changes_.reset();
        Post(notify_.done);
        return 0;
    }
    if (!KeepRestorePoint()) {
        changes_.reset();
        Post(notify_.failed);
        return 0;
    }
    return Start(Phase::Writing, changes_->scalars, kWritingLine);
}

int CalTransfer::Start(Phase phase, const SortedTable<ScalarDef>& table, const char* line1) {
    phase_ = phase;
    const bool read = phase != Phase::Writing;
    progress_ = ProgressState{line1, "", 1, static_cast<int>(table.count()), 0};
    display_.ShowProgress(progress_);
    return read ? walk_.StartRead(table, *this) : walk_.StartWrite(table, *this);
}

bool CalTransfer::WritesOnlyChanges() const {
    return held_ != nullptr && restorePoints_ != nullptr && !link_.IsDemo();
}

std::unique_ptr<DefinitionSet> CalTransfer::Changes() const {
    auto changes = std::make_unique<DefinitionSet>();
    for (const auto& scalar : definitions_.scalars.entries()) {
        const ScalarDef* held = held_->scalars.find(scalar->name);
        const bool holds = held != nullptr && !doubtful_.contains(scalar->name) &&
                           held->eepromAddress == scalar->eepromAddress &&
                           held->scaling.size == scalar->scaling.size &&
                           SameRaw(held->fileRaw, scalar->fileRaw, scalar->scaling.size);
        if (!holds) changes->scalars.insert(*scalar);
    }
    return changes;
}

bool CalTransfer::KeepRestorePoint() {
    if (!restorePoint_.empty()) return true;  // the point of this read is kept already
    const auto written =
        restorePoints_->Write(CalibrationAsRead(held_->scalars), definitions_.header.strategyName,
                              UnitIdentity::Of(link_.GetIdentification()), "wizard");
    if (!written.ok()) {
        prompt_.error(kRestorePointFailed + written.error);
        return false;
    }
    restorePoint_ = written.path;
    return true;
}

void CalTransfer::OnWriteRequest(uint16_t address, int size) {
    if (held_ == nullptr) return;
    for (const auto& scalar : held_->scalars.entries()) {
        if (!Overlap(scalar->eepromAddress, scalar->scaling.size, address, size)) continue;
        doubtful_.insert(scalar->name);
        if (scalar->name == kAnalogMode) {
            for (std::string_view name : kSetByAnalogCalibration)
                doubtful_.emplace(name);
        }
    }
}

void CalTransfer::Abort() {
    if (!walk_.Running()) return;
    walk_.Stop();
    phase_ = Phase::Idle;
    changes_.reset();
    Post(notify_.aborted);
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
    const Phase phase = std::exchange(phase_, Phase::Idle);
    if (end.direction == WalkDirection::Write) {
        progress_.position = 0;
        notWritten_ = end.notWritten;
    }
    display_.HideProgress();
    if (end.failed) {
        changes_.reset();
        if (!notify_.callerExplainsFailure) {
            if (phase == Phase::Verifying) {
                prompt_.error(kReadBackFailed);
            } else if (end.direction == WalkDirection::Read) {
                prompt_.plain(kCalReadError);
            } else {
                prompt_.error(PartialDownloadText(end.failedScalar, end.writeCheck));
            }
        }
        Post(notify_.failed);
        return;
    }
    if (phase == Phase::Reading) FinishRead();
    if (phase == Phase::Writing && changes_ && StartReadBack()) return;
    if (phase == Phase::Verifying && !FinishReadBack()) return;
    if (!notWritten_.empty()) {
        prompt_.warn(
            "These scalars were not written to the controller, because it takes only "
            "1- and 2-byte values: " +
            JoinNames(notWritten_));
    }
    Post(notify_.done);
}

void CalTransfer::FinishRead() {
    // From now on the controller is taken to hold these values, until something is written.
    held_ = std::make_unique<DefinitionSet>(CalibrationAsRead(definitions_.scalars));
    doubtful_.clear();
    restorePoint_.clear();
}

bool CalTransfer::StartReadBack() {
    // A value the link cannot write is not looked for.
    for (const std::string& name : notWritten_)
        changes_->scalars.remove(changes_->scalars.find(name));
    if (changes_->scalars.count() == 0) {
        changes_.reset();
        return false;
    }
    Start(Phase::Verifying, changes_->scalars, kReadingBackLine);
    return true;
}

bool CalTransfer::FinishReadBack() {
    std::string differences;
    for (const auto& scalar : changes_->scalars.entries()) {
        const uint32_t read = scalar->controllerRaw;
        if (!ReadBackAsWritten(*scalar, read)) {
            differences += "\r\n" + VerifyDifferenceLine(*scalar, read);
        }
        // Read back: what the controller holds is known again.
        if (ScalarDef* held = held_->scalars.find(scalar->name)) {
            held->fileRaw = read;
            held->controllerRaw = read;
            held->eepromAddress = scalar->eepromAddress;
            held->scaling.size = scalar->scaling.size;
            doubtful_.erase(scalar->name);
        }
    }
    changes_.reset();
    if (differences.empty()) return true;
    prompt_.error(kReadBackDiffers + differences);
    Post(notify_.failed);
    return false;
}

void CalTransfer::Post(uint32_t message) { PostTo(notify_.target, {message, 0, 0}); }

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

}  // namespace zvr
