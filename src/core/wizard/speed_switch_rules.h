#pragma once

#include <optional>
#include <span>

namespace zvr {

// An autocrank or glow-plug channel has no set speed; it counts as this when the lowest set
// speed is looked for.
inline constexpr double kNoSetSpeed = 999999;

struct ChannelSpeed {
    int mode;         // CHNL_n_OP_MODE
    double setSpeed;  // rpm
};

// The lowest set speed of the speed-switch channels (D).
double LowestSetSpeed(std::span<const ChannelSpeed> channels);

// Speed pulses counted per update: every pulse of a revolution when the lowest set speed is
// at least 250 rpm, else each pulse on its own.
double PulsesPerUpdateAt(double pulsesPerRev, double lowest);

// What the LPN 310 derives from its answers once the engine input is known.
struct Lpn310Derived {
    double lowest = kNoSetSpeed;
    double noStartToCrank = 0;           // NOSTART_2_CRANK, rpm
    double timeout = 0;                  // LPN_TIMEOUT, msec
    std::optional<double> crankDisable;  // CRANK_DISABLE, only with no autocrank channel
    double pulsesPerUpdate = 1;
};

Lpn310Derived DeriveLpn310(std::span<const ChannelSpeed> channels, double pulsesPerRev);

}  // namespace zvr
