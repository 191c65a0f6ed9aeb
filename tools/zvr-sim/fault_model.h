#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "controller_memory.h"
#include "controller_points.h"

namespace zvr::sim {

// The unit's faults. Each diagnostic has one flag byte at its RAM address whose bits are its
// active faults; the fault-flag variable (fault_flags1, fault_flags on the 620) carries bit 0
// while the unit is uncalibrated and bit 1 for a fatal fault, on top of the flags of a
// diagnostic that shares its address. The EE_FAULTS_n scalars keep the history of the n-th
// diagnostic: every fault that was active stays set there until that scalar is written 0.
class FaultModel {
public:
    static constexpr uint8_t kUncalibratedBit = 0x01;
    static constexpr uint8_t kFatalBit = 0x02;
    static constexpr int kBitsPerFlagByte = 8;

    explicit FaultModel(size_t diagnosticCount) : flags_(diagnosticCount, 0) {}

    // diagnostic counts from 0, bit 0-7; false when either is out of range.
    bool setFlag(size_t diagnostic, int bit, bool on);
    // Clear Current Faults: the controller forgets the diagnostic's active faults.
    void clear(size_t diagnostic);
    void setUncalibrated(bool on) { uncalibrated_ = on; }
    void setFatal(bool on) { fatal_ = on; }

    // Puts the flag bytes into RAM and latches them into the history scalars. True when the
    // history (EEPROM) changed.
    bool apply(ControllerMemory& memory, const DefinitionSet& set,
               const ControllerPoints& points) const;

private:
    std::vector<uint8_t> flags_;
    bool uncalibrated_ = false;
    bool fatal_ = false;
};

}  // namespace zvr::sim
