#include "calibration/scalar_walk.h"

#include <algorithm>

#include "comm/controller_protocol.h"
#include "monitoring/reply_words.h"

namespace zvr {

uint32_t RawFromWord(const ScalarDef& scalar, uint16_t word) {
    return RawFromWord(word, scalar.scaling.size);
}

CScalarWalk::CScalarWalk(CControllerProtocol& link, ReceiverHandle receiver)
    : link_(link), receiver_(std::move(receiver)) {}

int CScalarWalk::StartRead(const SortedTable<ScalarDef>& table, ScalarWalkListener& listener) {
    return Start(WalkDirection::Read, table, listener);
}

int CScalarWalk::StartWrite(const SortedTable<ScalarDef>& table, ScalarWalkListener& listener) {
    return Start(WalkDirection::Write, table, listener);
}

int CScalarWalk::Start(WalkDirection direction, const SortedTable<ScalarDef>& table,
                       ScalarWalkListener& listener) {
    Stop();
    if (table.count() == 0) return -1;
    direction_ = direction;
    scalars_.clear();
    for (const auto& scalar : table.entries())
        scalars_.push_back(scalar.get());
    words_.assign(scalars_.size(), 0);
    next_ = 0;
    provenTo_ = 0;
    strayMark_ = link_.StrayCount();
    recoveries_ = 0;
    recoveredAt_ = 0;
    notWritten_.clear();
    listener_ = &listener;
    Advance();
    return 0;
}

void CScalarWalk::Stop() {
    listener_ = nullptr;
    current_ = nullptr;
    scalars_.clear();
    words_.clear();
    next_ = 0;
    attempt_ = 0;
}

bool CScalarWalk::Handle(const PostedMessage& message) {
    if (!Running()) return false;
    const bool read = direction_ == WalkDirection::Read;
    const uint32_t done = read ? kWalkReadDone : kWalkWriteDone;
    const uint32_t failed = read ? kWalkReadFailed : kWalkWriteFailed;
    if (message.message != done && message.message != failed) return false;
    if (current_ == nullptr) return true;  // a late answer while the walk settles
    if (!InStep()) {
        if (!GoBackInStep()) Finish(true, kLinkOutOfStep);
        return true;
    }
    if (message.message == failed || message.wParam == 0) {
        // The line was silent through the whole time-out, with no stray frame before it: no
        // reply owed to an earlier request was still on its way, so every answer before this
        // scalar's is proven in step.
        if (message.lParam == kReplyTimedOut) provenTo_ = next_ - 1;
        if (!Retry()) Finish(true, message.lParam);
        return true;
    }
    if (read) words_[next_ - 1] = link_.RequestValues()[0];
    Advance();
    return true;
}

bool CScalarWalk::InStep() const { return link_.StrayCount() == strayMark_; }

bool CScalarWalk::Retry() {
    if (attempt_ >= kWalkRetries) return false;
    ++attempt_;
    listener_->OnWalkRetry(*current_, attempt_);
    if (!Running()) return true;
    if (Send()) return true;
    Finish(true, kRequestRefused);
    return true;
}

bool CScalarWalk::GoBackInStep() {
    // Going back again before getting past the point of the last recovery counts as a retry
    // of that point; getting past it starts the count afresh.
    recoveries_ = next_ <= recoveredAt_ ? recoveries_ + 1 : 1;
    recoveredAt_ = std::max(recoveredAt_, next_);
    if (recoveries_ > kWalkRetries) return false;
    // The link holds the next request until the line has settled.
    strayMark_ = link_.StrayCount();
    next_ = provenTo_;
    attempt_ = 0;
    current_ = nullptr;
    Advance();
    return true;
}

bool CScalarWalk::Send() {
    const auto address = static_cast<uint16_t>(current_->eepromAddress);
    if (direction_ == WalkDirection::Read) {
        return link_.RequestReadScalars({&address, 1}, receiver_, kWalkReadDone, kWalkReadFailed) ==
               0;
    }
    return link_.RequestWriteScalar(address, static_cast<uint16_t>(current_->fileRaw),
                                    current_->scaling.size, receiver_, kWalkWriteDone,
                                    kWalkWriteFailed) == 0;
}

void CScalarWalk::Advance() {
    while (Running() && next_ < scalars_.size()) {
        current_ = scalars_[next_++];
        attempt_ = 0;
        listener_->OnWalkStep(*current_, next_, scalars_.size());
        if (!Running()) return;
        if (Send()) return;  // the answer comes as a posted message
        // The link refuses to write a size other than 1 or 2 bytes and would post nothing:
        // such a scalar is passed over and named at the end instead of stalling the walk. A
        // link that has closed (its device gone) ends the write as failed.
        if (direction_ == WalkDirection::Write && link_.IsOpen()) {
            if (std::find(notWritten_.begin(), notWritten_.end(), current_->name) ==
                notWritten_.end()) {
                notWritten_.push_back(current_->name);
            }
            continue;
        }
        Finish(true, kRequestRefused);
        return;
    }
    if (Running()) Complete();
}

void CScalarWalk::Complete() {
    current_ = nullptr;
    // A reply still owed by the controller shows up now, or the link is in step.
    if (!link_.IsDemo()) link_.Settle(kSettleQuiet, kSettleLimit);
    if (!InStep()) {
        if (!GoBackInStep()) Finish(true, kLinkOutOfStep);
        return;
    }
    if (direction_ == WalkDirection::Read) {
        for (size_t i = 0; i < scalars_.size() && Running(); ++i)
            listener_->OnWalkValue(*scalars_[i], RawFromWord(*scalars_[i], words_[i]));
    }
    if (Running()) Finish(false, 0);
}

void CScalarWalk::Finish(bool failed, intptr_t reason) {
    WalkEnd end{
        direction_,
        failed,
        reason,
        failed ? current_ : nullptr,
        failed && direction_ == WalkDirection::Write ? link_.LastWriteCheck() : WriteCheck::None,
        std::move(notWritten_)};
    ScalarWalkListener* listener = listener_;
    Stop();
    notWritten_.clear();
    listener->OnWalkEnd(end);
}

}  // namespace zvr
