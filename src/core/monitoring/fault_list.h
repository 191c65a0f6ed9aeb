#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "definitions/definition_set.h"

namespace zvr {

// Display Faults: the active faults decoded from the diagnostics' flag bytes, the fault
// history kept in the EE_FAULTS_n scalars, and the write sequences that clear both.

inline constexpr size_t kMaxFaultWords = 10;  // diagnostics and history scalars a read covers
inline constexpr int kMaxHistoryScalars = 11;

inline constexpr const char* kNoCurrentFaults = "No current faults.";
inline constexpr const char* kNoHistoricalFaults = "No Historical Faults";
inline constexpr const char* kHistoryMismatchWarning =
    "Problem with cal file. There are a different number of File Diagnostic enteries and "
    "EE_FAULT enteries. History may not work properly.";

struct FaultRow {
    std::string source;
    std::string description;

    friend bool operator==(const FaultRow&, const FaultRow&) = default;
};

// The first ten diagnostics, in table order.
std::vector<const DiagnosticDef*> FaultDiagnostics(const DefinitionSet& set);
// EE_FAULTS_1, EE_FAULTS_2, ... up to EE_FAULTS_11, ending at the first name missing.
std::vector<const ScalarDef*> FaultHistoryScalars(const DefinitionSet& set);
// A name of the fault history: EE_FAULTS_1 to EE_FAULTS_11.
bool IsFaultHistory(std::string_view name);

// One row per described flag set in flags: bits from 0 to the diagnostic's flag count - 1.
void AppendFlagRows(const DiagnosticDef& diagnostic, uint32_t flags, std::vector<FaultRow>& rows);

// Follows the flag bytes of a continuous read and says when the current-fault list changes.
class CurrentFaults {
public:
    explicit CurrentFaults(std::vector<const DiagnosticDef*> diagnostics);

    // words: one per diagnostic, in order. The rows to show, or nothing when the list stays
    // as it is (the same faults as before). No fault at all always gives the one row
    // "No current faults.".
    std::optional<std::vector<FaultRow>> Update(std::span<const uint16_t> words);

    const std::vector<const DiagnosticDef*>& diagnostics() const { return diagnostics_; }
    std::vector<uint16_t> RamAddresses() const;
    std::vector<uint16_t> ClearAddresses() const;

private:
    std::vector<const DiagnosticDef*> diagnostics_;
    std::vector<uint8_t> lastFlags_;
};

// The stored faults of a history read: word j belongs to history scalar j (the first ten).
// The last character of a scalar's name, "1" to "9", picks the diagnostic whose texts
// describe its bits; any other last character leaves the scalar out.
std::vector<FaultRow> DecodeFaultHistory(std::span<const ScalarDef* const> history,
                                         std::span<const DiagnosticDef* const> diagnostics,
                                         std::span<const uint16_t> words);
std::vector<uint16_t> HistoryAddresses(std::span<const ScalarDef* const> history);

// A clear command: zero one address after another, each write waiting for the one before.
// The list ends at its first address 0.
class ClearCommand {
public:
    ClearCommand() = default;
    explicit ClearCommand(std::vector<uint16_t> addresses);

    // The address to zero now; nothing when the command is complete.
    std::optional<uint16_t> Current() const;
    // After a write is done: true while another address remains.
    bool Advance();

private:
    std::vector<uint16_t> addresses_;
    size_t index_ = 0;
};

}  // namespace zvr
