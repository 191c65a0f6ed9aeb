#include "monitoring/fault_list.h"

#include <algorithm>

#include "monitoring/reply_words.h"

namespace zvr {

std::vector<const DiagnosticDef*> FaultDiagnostics(const DefinitionSet& set) {
    std::vector<const DiagnosticDef*> diagnostics;
    for (const auto& diagnostic : set.diagnostics.entries()) {
        if (diagnostics.size() == kMaxFaultWords) break;
        diagnostics.push_back(diagnostic.get());
    }
    return diagnostics;
}

std::vector<const ScalarDef*> FaultHistoryScalars(const DefinitionSet& set) {
    std::vector<const ScalarDef*> history;
    for (int n = 1; n <= kMaxHistoryScalars; ++n) {
        const ScalarDef* scalar = set.scalars.find("EE_FAULTS_" + std::to_string(n));
        if (scalar == nullptr) break;
        history.push_back(scalar);
    }
    return history;
}

bool IsFaultHistory(std::string_view name) {
    for (int n = 1; n <= kMaxHistoryScalars; ++n) {
        if (name == "EE_FAULTS_" + std::to_string(n)) return true;
    }
    return false;
}

void AppendFlagRows(const DiagnosticDef& diagnostic, uint32_t flags, std::vector<FaultRow>& rows) {
    const int count = std::min<int>(diagnostic.flagCount, DiagnosticDef::kMaxFlags);
    for (int bit = 0; bit < count; ++bit) {
        if (flags & (uint32_t{1} << bit)) {
            rows.push_back({diagnostic.name, diagnostic.bitTexts[static_cast<size_t>(bit)]});
        }
    }
}

CurrentFaults::CurrentFaults(std::vector<const DiagnosticDef*> diagnostics)
    : diagnostics_(std::move(diagnostics)), lastFlags_(diagnostics_.size(), 0) {}

std::optional<std::vector<FaultRow>> CurrentFaults::Update(std::span<const uint16_t> words) {
    bool changed = false;
    unsigned sum = 0;
    for (size_t i = 0; i < diagnostics_.size() && i < words.size(); ++i) {
        const auto flags = static_cast<uint8_t>(RawFromWord(words[i], 1));
        changed = changed || flags != lastFlags_[i];
        lastFlags_[i] = flags;
        sum += flags;
    }
    if (sum == 0) return std::vector<FaultRow>{{"", kNoCurrentFaults}};
    if (!changed) return std::nullopt;
    std::vector<FaultRow> rows;
    for (size_t i = 0; i < diagnostics_.size(); ++i) {
        AppendFlagRows(*diagnostics_[i], lastFlags_[i], rows);
    }
    return rows;
}

std::vector<uint16_t> CurrentFaults::RamAddresses() const {
    std::vector<uint16_t> addresses;
    for (const DiagnosticDef* diagnostic : diagnostics_) {
        addresses.push_back(static_cast<uint16_t>(diagnostic->ramAddress));
    }
    return addresses;
}

std::vector<uint16_t> CurrentFaults::ClearAddresses() const {
    std::vector<uint16_t> addresses;
    for (const DiagnosticDef* diagnostic : diagnostics_) {
        addresses.push_back(static_cast<uint16_t>(diagnostic->eepromAddress));
    }
    return addresses;
}

std::vector<FaultRow> DecodeFaultHistory(std::span<const ScalarDef* const> history,
                                         std::span<const DiagnosticDef* const> diagnostics,
                                         std::span<const uint16_t> words) {
    std::vector<FaultRow> rows;
    for (size_t j = 0; j < history.size() && j < kMaxFaultWords && j < words.size(); ++j) {
        const ScalarDef& scalar = *history[j];
        const char last = scalar.name.empty() ? '\0' : scalar.name.back();
        if (last < '1' || last > '9') continue;
        const auto d = static_cast<size_t>(last - '0');
        if (d > diagnostics.size()) continue;
        AppendFlagRows(*diagnostics[d - 1], RawFromWord(words[j], scalar.scaling.size), rows);
    }
    if (rows.empty()) rows.push_back({"", kNoHistoricalFaults});
    return rows;
}

std::vector<uint16_t> HistoryAddresses(std::span<const ScalarDef* const> history) {
    std::vector<uint16_t> addresses;
    for (size_t j = 0; j < history.size() && j < kMaxFaultWords; ++j) {
        addresses.push_back(static_cast<uint16_t>(history[j]->eepromAddress));
    }
    return addresses;
}

ClearCommand::ClearCommand(std::vector<uint16_t> addresses) : addresses_(std::move(addresses)) {
    if (addresses_.size() > kMaxFaultWords) addresses_.resize(kMaxFaultWords);
}

std::optional<uint16_t> ClearCommand::Current() const {
    if (index_ >= addresses_.size() || addresses_[index_] == 0) return std::nullopt;
    return addresses_[index_];
}

bool ClearCommand::Advance() {
    if (Current()) ++index_;
    return Current().has_value();
}

}  // namespace zvr
