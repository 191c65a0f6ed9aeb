#include "fault_model.h"

namespace zvr::sim {

bool FaultModel::setFlag(size_t diagnostic, int bit, bool on) {
    if (diagnostic >= flags_.size() || bit < 0 || bit >= kBitsPerFlagByte) return false;
    const auto mask = static_cast<uint8_t>(1u << bit);
    flags_[diagnostic] =
        static_cast<uint8_t>(on ? flags_[diagnostic] | mask : flags_[diagnostic] & ~mask);
    return true;
}

void FaultModel::clear(size_t diagnostic) {
    if (diagnostic < flags_.size()) flags_[diagnostic] = 0;
}

bool FaultModel::apply(ControllerMemory& memory, const DefinitionSet& set,
                       const ControllerPoints& points) const {
    const auto& diagnostics = set.diagnostics.entries();
    bool sharesDiagnostic = false;
    for (size_t i = 0; i < diagnostics.size(); ++i) {
        memory.setByte(diagnostics[i]->ramAddress, flags_[i]);
        if (points.faultFlags && diagnostics[i]->ramAddress == points.faultFlags->ramAddress) {
            sharesDiagnostic = true;
        }
    }
    if (points.faultFlags) {
        const uint32_t address = points.faultFlags->ramAddress;
        uint8_t status = sharesDiagnostic ? memory.byte(address) : 0;
        if (uncalibrated_) status |= kUncalibratedBit;
        if (fatal_) status |= kFatalBit;
        memory.setByte(address, status);
    }
    bool historyChanged = false;
    for (size_t n = 0; n < points.faultHistory.size() && n < diagnostics.size(); ++n) {
        const ScalarDef& history = *points.faultHistory[n];
        const uint32_t stored = ReadRaw(memory, history);
        const uint32_t latched = stored | memory.byte(diagnostics[n]->ramAddress);
        if (latched != stored) {
            memory.setRaw(history.eepromAddress, history.scaling.size, latched);
            historyChanged = true;
        }
    }
    return historyChanged;
}

}  // namespace zvr::sim
