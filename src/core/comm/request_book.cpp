#include "comm/request_book.h"

#include <mutex>
#include <optional>
#include <utility>

namespace zvr {

namespace {

// A book's numbers lie far above the range the windows pick theirs from.
constexpr uint32_t kFirstBookNumber = 0x10000;
static_assert(kFirstBookNumber > kLastRequestMessage);

// Notes kept for messages a host has not handed on yet. A host that stops handing them on (a
// window closing) leaves its notes behind: no more than this many are kept.
constexpr size_t kMostNotes = 1024;

// What an answer's message carries on its way through the book's receiver: the link's
// reason and words, noted on the thread that posted it.
struct Note {
    intptr_t reason = 0;
    std::array<uint16_t, kMaxAddresses> values{};
};

}  // namespace

// The receiver the book's requests name. Each message is noted under a key of its own, and
// the key, a positive number, travels in place of the reason (0 or -1) to the host; the host
// hands messages on in the order they were posted, so once a key comes back, the notes of
// earlier keys belong to messages the host dropped.
class RequestBook::Inbox : public MessageReceiver {
public:
    Inbox(const CControllerProtocol& link, ReceiverHandle host)
        : link_(link), host_(std::move(host)) {}

    // Called on the receive thread (or the owner's, for a transfer's notice), never under the
    // link's lock: the link posts after releasing it.
    void post(const PostedMessage& message) override {
        const Note note{message.lParam, link_.RequestValues()};
        std::lock_guard lock(mutex_);
        const intptr_t key = ++lastKey_;
        notes_.emplace(key, note);
        if (notes_.size() > kMostNotes) notes_.erase(notes_.begin());
        // Under the lock, so that the host receives the messages in the order of their keys.
        PostTo(host_, {message.message, message.wParam, key});
    }

    std::optional<Note> Take(intptr_t key) {
        std::lock_guard lock(mutex_);
        const auto found = notes_.find(key);
        if (found == notes_.end()) return std::nullopt;
        const Note note = found->second;
        notes_.erase(notes_.begin(), std::next(found));
        return note;
    }

private:
    const CControllerProtocol& link_;
    const ReceiverHandle host_;
    std::mutex mutex_;
    intptr_t lastKey_ = 0;
    std::map<intptr_t, Note> notes_;
};

struct RequestBook::Entry {
    RequestCompletion completion;
    bool lasting = false;    // a continuous read: heard for every set of values
    OutcomeNumbers numbers;  // a requester that reports by number; all 0 for the link's requests

    bool byNumber() const { return numbers.ok != 0; }

    RequestOutcome::Kind KindOf(const PostedMessage& message, intptr_t reason) const {
        using Kind = RequestOutcome::Kind;
        if (byNumber()) {
            return message.message == numbers.ok          ? Kind::Ok
                   : message.message == numbers.cancelled ? Kind::Cancelled
                                                          : Kind::Rejected;
        }
        if (message.wParam == 1) return Kind::Ok;
        return reason == kReplyTimedOut ? Kind::TimedOut : Kind::Rejected;
    }
};

RequestBook::RequestBook(CControllerProtocol& link, ReceiverHandle host)
    : link_(link),
      inbox_(std::make_shared<Inbox>(link, std::move(host))),
      next_(kFirstBookNumber) {}

RequestBook::~RequestBook() = default;

ReceiverHandle RequestBook::receiver() const { return inbox_; }

uint32_t RequestBook::NextNumber() {
    uint32_t number = 0;
    do {
        number = next_++;
        if (next_ < kFirstBookNumber) next_ = kFirstBookNumber;  // wrapped round
    } while (entries_.contains(number));
    return number;
}

RequestResult RequestBook::Enter(RequestResult result, uint32_t number,
                                 RequestCompletion completion, bool lasting) {
    if (result != RequestResult::Sent) return result;
    // The request went out in place of the link's continuous read.
    if (reading_ != 0) entries_.erase(std::exchange(reading_, 0));
    auto entry = std::make_shared<Entry>();
    entry->completion = std::move(completion);
    entry->lasting = lasting;
    entries_.emplace(number, std::move(entry));
    if (lasting) reading_ = number;
    return result;
}

RequestResult RequestBook::ReadScalars(std::span<const uint16_t> addresses,
                                       RequestCompletion done) {
    const uint32_t number = NextNumber();
    const int result = link_.RequestReadScalars(addresses, inbox_, number, number);
    return Enter(static_cast<RequestResult>(result), number, std::move(done), false);
}

RequestResult RequestBook::ReadVariables(std::span<const uint16_t> addresses,
                                         RequestCompletion each) {
    const uint32_t number = NextNumber();
    const int result = link_.RequestReadVariables(addresses, inbox_, number, number);
    return Enter(static_cast<RequestResult>(result), number, std::move(each), true);
}

RequestResult RequestBook::WriteScalar(uint16_t address, uint16_t value, int size,
                                       RequestCompletion done) {
    const uint32_t number = NextNumber();
    const int result = link_.RequestWriteScalar(address, value, size, inbox_, number, number);
    return Enter(static_cast<RequestResult>(result), number, std::move(done), false);
}

void RequestBook::StopReading() {
    if (reading_ == 0) return;
    entries_.erase(std::exchange(reading_, 0));
    link_.RequestStop();
}

OutcomeNumbers RequestBook::Expect(RequestCompletion done) {
    auto entry = std::make_shared<Entry>();
    entry->completion = std::move(done);
    for (uint32_t* number :
         {&entry->numbers.ok, &entry->numbers.failed, &entry->numbers.cancelled}) {
        *number = NextNumber();
        entries_.emplace(*number, entry);
    }
    return entry->numbers;
}

void RequestBook::Forget(const Entry& entry, uint32_t number) {
    if (entry.byNumber()) {
        for (uint32_t each : {entry.numbers.ok, entry.numbers.failed, entry.numbers.cancelled})
            entries_.erase(each);
        return;
    }
    entries_.erase(number);
}

bool RequestBook::Handle(const PostedMessage& message) {
    // The note is taken whatever the message answers, so that notes never pile up.
    const std::optional<Note> note =
        message.lParam > 0 ? inbox_->Take(message.lParam) : std::nullopt;
    const auto found = entries_.find(message.message);
    if (found == entries_.end()) return false;
    // Kept alive while it runs: the completion may make requests, stop or cancel.
    const std::shared_ptr<Entry> entry = found->second;
    if (!entry->lasting) Forget(*entry, message.message);
    RequestOutcome outcome;
    // A message that did not come through the book's receiver carries its own reason, and
    // its words are the link's now.
    outcome.kind = entry->KindOf(message, note ? note->reason : message.lParam);
    outcome.values = note ? note->values : link_.RequestValues();
    entry->completion(outcome);
    return true;
}

void RequestBook::CancelAll() {
    entries_.clear();
    if (std::exchange(reading_, 0) != 0) link_.RequestStop();
}

}  // namespace zvr
