#include "link_server.h"

#include <poll.h>

#include <algorithm>
#include <cstdio>

namespace zvr::sim {

namespace {

timespec Until(LinkServer::Clock::time_point due, LinkServer::Clock::time_point now) {
    const auto wait = std::max(due - now, LinkServer::Clock::duration::zero());
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    return {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

}  // namespace

void LinkServer::run(int wakeFd) {
    lastTick_ = Clock::now();
    for (;;) {
        Clock::time_point now = Clock::now();
        pollfd fds[2] = {{wakeFd, POLLIN, 0}, {link_.fd(), POLLIN, 0}};
        const timespec timeout = Until(nextWake(now), now);
        ::ppoll(fds, link_.isOpen() ? 2 : 1, &timeout, nullptr);
        if (fds[0].revents != 0) return;
        now = Clock::now();
        if (link_.isOpen() && fds[1].revents != 0) readInput(now);
        answerDueInput(now);
        streamIfDue(now);
        if (now - lastTick_ >= kModelTick) tickModel(now);
        writeDueOutput(Clock::now());
    }
}

LinkServer::Clock::time_point LinkServer::nextWake(Clock::time_point now) const {
    Clock::time_point wake = std::min(now + kModelTick, lastTick_ + kModelTick);
    if (!inputs_.empty()) wake = std::min(wake, inputs_.front().due);
    if (!outbox_.empty()) wake = std::min(wake, outbox_.front().due);
    if (const auto deadline = framer_.deadline()) wake = std::min(wake, *deadline);
    if (nextStream_ != Clock::time_point{}) wake = std::min(wake, nextStream_);
    return wake;
}

void LinkServer::readInput(Clock::time_point now) {
    uint8_t buffer[256];
    size_t n;
    while ((n = link_.read(buffer, sizeof buffer)) > 0) {
        for (size_t i = 0; i < n; ++i) {
            Clock::time_point arrival = now;
            if (timing_.perByte.count() > 0) {
                // Bytes come in no faster than the wire carries them.
                rxFree_ = std::max(rxFree_, now) + timing_.perByte;
                arrival = rxFree_;
            }
            for (RequestFramer::Event& event : framer_.push(buffer[i], arrival))
                inputs_.push_back({arrival, std::move(event)});
        }
    }
}

void LinkServer::answerDueInput(Clock::time_point now) {
    for (RequestFramer::Event& event : framer_.idle(now))
        inputs_.push_back({now, std::move(event)});
    while (!inputs_.empty() && inputs_.front().due <= now) {
        const Input input = std::move(inputs_.front());
        inputs_.pop_front();
        std::string eepromError;
        {
            std::lock_guard lock(state_.mutex);
            if (input.event.nak) {
                sendLocked({kNak}, now);
            } else {
                sendLocked(state_.responder->respond(input.event.frame), now);
            }
            nextStream_ =
                state_.responder->streaming() ? now + timing_.period : Clock::time_point{};
            eepromError = state_.unit->takeEepromError();
        }
        if (!eepromError.empty()) std::fprintf(stderr, "zvr-sim: %s\n", eepromError.c_str());
    }
}

void LinkServer::streamIfDue(Clock::time_point now) {
    if (nextStream_ == Clock::time_point{} || now < nextStream_) return;
    std::lock_guard lock(state_.mutex);
    if (!state_.responder->streaming()) {
        nextStream_ = {};
        return;
    }
    sendLocked(state_.responder->streamReply(), now);
    ++state_.setsStreamed;
    // Keep the rhythm, but do not try to catch up on replies a stall has swallowed.
    nextStream_ = std::max(nextStream_ + timing_.period, now);
}

void LinkServer::tickModel(Clock::time_point now) {
    std::lock_guard lock(state_.mutex);
    state_.unit->advance(std::chrono::duration<double>(now - lastTick_).count());
    lastTick_ = now;
    applyLineRequestsLocked();
}

void LinkServer::applyLineRequestsLocked() {
    if (state_.hangUpRequested) {
        state_.hangUpRequested = false;
        link_.hangUp();
        framer_ = RequestFramer{};
        inputs_.clear();
        outbox_.clear();
        state_.responder->stopStreaming();
        nextStream_ = {};
        state_.hungUp = true;
    }
    if (state_.reopenRequested) {
        state_.reopenRequested = false;
        std::string error;
        if (link_.open(error) && link_.publish(linkPath_, error)) {
            state_.hungUp = false;
        } else {
            std::fprintf(stderr, "zvr-sim: %s\n", error.c_str());
        }
    }
}

void LinkServer::sendLocked(const Message& reply, Clock::time_point now) {
    if (reply.empty() || now < state_.silentUntil) return;
    for (const LineFaults::Piece& piece : state_.lineFaults.plan(reply))
        schedule(now + piece.after, piece.bytes);
}

void LinkServer::schedule(Clock::time_point due, const Message& bytes) {
    if (bytes.empty()) return;
    std::vector<Output> outputs;
    if (timing_.perByte.count() > 0) {
        for (uint8_t byte : bytes) {
            txFree_ = std::max(txFree_, due) + timing_.perByte;
            outputs.push_back({txFree_, {byte}});
        }
    } else {
        outputs.push_back({due, bytes});
    }
    for (Output& output : outputs) {
        const auto at = std::upper_bound(
            outbox_.begin(), outbox_.end(), output.due,
            [](Clock::time_point due, const Output& queued) { return due < queued.due; });
        outbox_.insert(at, std::move(output));
    }
}

void LinkServer::writeDueOutput(Clock::time_point now) {
    while (!outbox_.empty() && outbox_.front().due <= now) {
        link_.write(outbox_.front().bytes);
        outbox_.pop_front();
    }
}

}  // namespace zvr::sim
