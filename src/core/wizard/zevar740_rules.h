#pragma once

#include <string_view>

namespace zvr {

// The ZEVAR 740 wizard's analog input, as the page's combo indexes it.
enum AnalogMode : int {
    kAnalogNone = 0,
    kAnalogPedal = 1,
    kAnalogPot = 2,
    kAnalogTrim = 3,
    kAnalogCan = 4,
    kAnalogAutoIdle = 5,
};

// What EXTERNAL_ANALOG_MODE encodes besides the mode: a sensor whose maximum reads lower
// than its minimum (by more than 20 counts), set speeds, and the idle switch's state at the
// pedal's minimum.
struct AnalogCodeInput {
    int mode = kAnalogNone;
    bool reversed = false;
    int speedCount = 0;
    bool ivsPresent = false;
    bool ivsSetAtMinimum = false;
};

// True when the maximum capture lies more than 20 counts below the minimum capture.
bool ReversedSense(int minimumCapture, int maximumCapture);

// The EXTERNAL_ANALOG_MODE raw value: pedal and trim swap places (pedal 3, trim 1); a
// reversed trim or pot adds 100; CAN is 40; auto-idle 123 reversed, else 223; a code of 2 or
// 3 adds 10 with set speeds; a pedal code of exactly 3 with an idle switch becomes 103 (switch
// set at the minimum) or 203.
int AnalogModeCode(const AnalogCodeInput& input);

// The analog page's choice for a controller's EXTERNAL_ANALOG_MODE value text; ivs is -1
// when the code says nothing about an idle switch, mode -1 when no item fits.
struct AnalogPreselection {
    int mode = kAnalogNone;
    int ivs = -1;
    bool reversed = false;
    bool ivsSetAtMinimum = false;  // a pedal code 103

    friend bool operator==(const AnalogPreselection&, const AnalogPreselection&) = default;
};
// Without CAN and auto-idle the units digit alone decides (0 none, 1 trim, 2 pot, 3 pedal,
// its idle switch "Yes" when the hundreds digit is not 0).
AnalogPreselection PreselectAnalog(std::string_view valueText, bool canAndAutoIdle = true);

// Pulses per update of a toothed wheel: the teeth for one cylinder, else 2 × teeth /
// cylinders rounded up.
int PulsesPerUpdate(int teeth, int cylinders);

// Pulses per revolution of an ignition input counted in sparks: half the spark count, 1 for
// a single spark.
int PulsesPerRevForSparks(int sparks);

}  // namespace zvr
