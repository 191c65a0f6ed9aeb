#include "calibration/scalar_walk.h"

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
    next_ = 0;
    notWritten_.clear();
    listener_ = &listener;
    Advance();
    return 0;
}

void CScalarWalk::Stop() {
    listener_ = nullptr;
    current_ = nullptr;
    scalars_.clear();
    next_ = 0;
}

bool CScalarWalk::Handle(const PostedMessage& message) {
    if (!Running()) return false;
    const bool read = direction_ == WalkDirection::Read;
    const uint32_t done = read ? kWalkReadDone : kWalkWriteDone;
    const uint32_t failed = read ? kWalkReadFailed : kWalkWriteFailed;
    if (message.message != done && message.message != failed) return false;
    if (message.message == failed || message.wParam == 0) {
        Finish(true, message.lParam);
        return true;
    }
    if (read && current_ != nullptr) {
        ScalarDef& scalar = *current_;
        listener_->OnWalkValue(scalar, RawFromWord(scalar, link_.RequestValues()[0]));
        if (!Running()) return true;  // the listener stopped the walk
    }
    Advance();
    return true;
}

void CScalarWalk::Advance() {
    while (Running() && next_ < scalars_.size()) {
        current_ = scalars_[next_++];
        listener_->OnWalkStep(*current_, next_, scalars_.size());
        if (!Running()) return;
        const auto address = static_cast<uint16_t>(current_->eepromAddress);
        int result;
        if (direction_ == WalkDirection::Read) {
            result =
                link_.RequestReadScalars({&address, 1}, receiver_, kWalkReadDone, kWalkReadFailed);
        } else {
            result = link_.RequestWriteScalar(address, static_cast<uint16_t>(current_->fileRaw),
                                              current_->scaling.size, receiver_, kWalkWriteDone,
                                              kWalkWriteFailed);
        }
        if (result == 0) return;  // the answer comes as a posted message
        // The link refuses to write a size other than 1 or 2 bytes and would post nothing:
        // such a scalar is passed over and named at the end instead of stalling the walk.
        if (direction_ == WalkDirection::Write) {
            notWritten_.push_back(current_->name);
            continue;
        }
        Finish(true, kRequestRefused);
        return;
    }
    if (Running()) Finish(false, 0);
}

void CScalarWalk::Finish(bool failed, intptr_t reason) {
    WalkEnd end{direction_, failed, reason, failed ? current_ : nullptr, std::move(notWritten_)};
    ScalarWalkListener* listener = listener_;
    Stop();
    notWritten_.clear();
    listener->OnWalkEnd(end);
}

}  // namespace zvr
