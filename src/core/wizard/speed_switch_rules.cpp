#include "wizard/speed_switch_rules.h"

#include <algorithm>

#include "wizard/speed_switch_fields.h"

namespace zvr {

double LowestSetSpeed(std::span<const ChannelSpeed> channels) {
    double lowest = kNoSetSpeed;
    for (const ChannelSpeed& channel : channels) {
        const bool noSpeed = channel.mode == kAutocrank || channel.mode == kGlowPlug;
        lowest = std::min(lowest, noSpeed ? kNoSetSpeed : channel.setSpeed);
    }
    return lowest;
}

double PulsesPerUpdateAt(double pulsesPerRev, double lowest) {
    return lowest >= 250 ? pulsesPerRev : 1;
}

Lpn310Derived DeriveLpn310(std::span<const ChannelSpeed> channels, double pulsesPerRev) {
    Lpn310Derived derived;
    derived.lowest = LowestSetSpeed(channels);
    const double d = derived.lowest;
    derived.noStartToCrank = d >= 250 ? 50 : 0.2 * d;
    // The pulse rate at the lowest set speed, per second.
    derived.timeout = pulsesPerRev * d / 60 >= 10 ? 50 : 200;
    const bool autocrank = std::any_of(channels.begin(), channels.end(),
                                       [](const ChannelSpeed& c) { return c.mode == kAutocrank; });
    if (!autocrank) derived.crankDisable = d >= 1000 ? 700 : 0.7 * d;
    derived.pulsesPerUpdate = PulsesPerUpdateAt(pulsesPerRev, d);
    return derived;
}

}  // namespace zvr
