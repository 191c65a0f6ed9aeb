// Feeds arbitrary bytes to the simulator the way a damaged line or a confused program would:
// through the request framer into the responder of a small unit, with the bytes spread out in
// time by the input itself; and each line of the input to the control command parser.
#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "control_command.h"
#include "controller_unit.h"
#include "protocol_responder.h"
#include "request_framer.h"

namespace {

zvr::DefinitionSet SmallStrategy() {
    zvr::DefinitionSet set;
    set.header.strategyName = "ZVX41F01";
    set.variables.insert({.scaling = {'U', 2, 0}, .ramAddress = 0x0100, .name = "engine_rpm"});
    set.variables.insert({.scaling = {'B', 1, 0}, .ramAddress = 0x0120, .name = "fault_flags1"});
    set.scalars.insert(
        {.scaling = {'$', 2, 0}, .eepromAddress = 0x4000, .fileRaw = 0x1234, .name = "PASSWORD"});
    set.scalars.insert(
        {.scaling = {'U', 1, 0}, .eepromAddress = 0x4100, .name = "EXTERNAL_ANALOG_MODE"});
    set.scalars.insert({.scaling = {'B', 1, 0}, .eepromAddress = 0x40F0, .name = "EE_FAULTS_1"});
    set.diagnostics.append({.ramAddress = 0x0120, .eepromAddress = 0x4300, .name = "fault_flags1"});
    return set;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using Clock = zvr::sim::RequestFramer::Clock;
    std::string error;
    auto identity = zvr::sim::Identity::ForFileName("ZVX41F01.000", false, error);
    zvr::sim::ControllerUnit unit(SmallStrategy(), 1);
    zvr::sim::ProtocolResponder responder(unit, *identity);
    zvr::sim::RequestFramer framer;
    Clock::time_point now{};
    for (size_t i = 0; i < size; ++i) {
        // The low bits of each byte also decide how long the line was quiet before it.
        now += std::chrono::milliseconds(data[i] & 0x0F);
        for (const auto& event : framer.push(data[i], now)) {
            if (event.nak) continue;
            const zvr::Message reply = responder.respond(event.frame);
            if (reply.size() > zvr::kMaxMessageLength) __builtin_trap();
            if (responder.streaming() && responder.streamReply().empty()) __builtin_trap();
        }
    }
    framer.idle(now + std::chrono::seconds(1));
    unit.advance(0.01);

    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        zvr::sim::ParseControlCommand(text.substr(0, end), error);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    std::vector<zvr::sim::ScriptStep> steps;
    zvr::sim::ParseScript(std::string_view(reinterpret_cast<const char*>(data), size), steps,
                          error);
    return 0;
}
