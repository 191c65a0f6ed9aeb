#include "strategy/strategy_check.h"

#include <algorithm>
#include <map>

#include "common/numbers.h"
#include "definitions/definition_set.h"

namespace zvr {

namespace {

// ---- the rules ------------------------------------------------------------------------

constexpr int kMaxHistoryScalars = 11;  // Display Faults looks up EE_FAULTS_1 to EE_FAULTS_11

using Problems = std::vector<std::string>;

std::string Quoted(std::string_view name) { return "'" + std::string(name) + "'"; }

// The strategy-name prefixes of the families with a wizard, in the registry's order.
std::string KnownPrefixes() {
    std::string text;
    for (const ControllerModel& model : ControllerModels()) {
        if (model.strategyPrefix.empty() || model.wizardNeeds == nullptr) continue;
        if (!text.empty()) text += ", ";
        text += model.strategyPrefix;
    }
    return text;
}

void CheckRepeatedRecords(const DefinitionSet& set, Problems& problems) {
    const SectionCounts& counts = set.header.counts;
    const auto repeated = [&](size_t inFile, size_t kept, const char* what) {
        if (inFile > kept) {
            problems.push_back(std::to_string(inFile - kept) + " " + what +
                               " record(s) repeat an earlier name; the loader keeps only the "
                               "first of each");
        }
    };
    repeated(counts.number_of_variables, set.variables.count(), "variable");
    repeated(counts.number_of_scalars, set.scalars.count(), "scalar");

    const auto namedTwice = [&](const auto& table, const char* what) {
        std::map<std::string_view, int> seen;
        for (const auto& entry : table.entries()) {
            if (++seen[entry->name] == 2) {
                problems.push_back(std::string(what) + " " + Quoted(entry->name) +
                                   " is listed more than once");
            }
        }
    };
    namedTwice(set.viewItems, "view item");
    namedTwice(set.diagnostics, "diagnostic");
}

bool IsKnownType(char type) { return type == '$' || type == 'B' || type == 'S' || type == 'U'; }
bool IsKnownSize(int16_t size) { return size == 1 || size == 2 || size == 4; }

void CheckScaling(const char* what, const std::string& name, ScalingSpec scaling,
                  Problems& problems) {
    if (!IsKnownType(scaling.type)) {
        problems.push_back(std::string(what) + " " + Quoted(name) + " has scaling type " +
                           Quoted(std::string(1, scaling.type)) +
                           "; the types are '$', 'B', 'S' and 'U'");
    }
    if (!IsKnownSize(scaling.size)) {
        problems.push_back(std::string(what) + " " + Quoted(name) + " has size " +
                           std::to_string(scaling.size) + "; the sizes are 1, 2 and 4 bytes");
    }
}

void CheckScalings(const DefinitionSet& set, Problems& problems) {
    for (const auto& v : set.variables.entries())
        CheckScaling("variable", v->name, v->scaling, problems);
    for (const auto& s : set.scalars.entries()) {
        CheckScaling("scalar", s->name, s->scaling, problems);
        if (s->scaling.size == 4) {
            problems.push_back("scalar " + Quoted(s->name) +
                               " has size 4; the controller link writes only 1 or 2 bytes, so "
                               "a whole-calibration write stops at it");
        }
    }
    for (const auto& item : set.viewItems.entries())
        CheckScaling("view item", item->name, item->scaling, problems);
}

// Sizes other than 1, 2 and 4 are reported on their own; here they count as 2 bytes.
uint32_t StorageBytes(int16_t size) { return IsKnownSize(size) ? static_cast<uint32_t>(size) : 2; }

void CheckEepromOverlap(const DefinitionSet& set, Problems& problems) {
    std::vector<const ScalarDef*> byAddress;
    for (const auto& s : set.scalars.entries())
        byAddress.push_back(s.get());
    std::stable_sort(byAddress.begin(), byAddress.end(), [](const auto* a, const auto* b) {
        return a->eepromAddress < b->eepromAddress;
    });
    // Compare each scalar with the one whose bytes reach furthest among those before it.
    const ScalarDef* reach = nullptr;
    uint64_t reachEnd = 0;
    for (const ScalarDef* s : byAddress) {
        if (reach != nullptr && s->eepromAddress < reachEnd) {
            problems.push_back("scalars " + Quoted(reach->name) + " and " + Quoted(s->name) +
                               " overlap in EEPROM at " + AddressText(s->eepromAddress));
        }
        const uint64_t end = uint64_t{s->eepromAddress} + StorageBytes(s->scaling.size);
        if (end > reachEnd) {
            reach = s;
            reachEnd = end;
        }
    }
}

void CheckViewItems(const DefinitionSet& set, Problems& problems) {
    for (const auto& item : set.viewItems.entries()) {
        if (set.variables.find(item->name) == nullptr) {
            problems.push_back("view item " + Quoted(item->name) + " names no variable");
        }
    }
    if (set.viewItems.count() > ViewItemTable<ViewItemDef>::kMaxItems) {
        problems.push_back(std::to_string(set.viewItems.count()) +
                           " view items; the Parameter View shows at most 10");
    }
}

std::string HistoryName(int n) { return "EE_FAULTS_" + std::to_string(n); }

// Display Faults takes EE_FAULTS_1, EE_FAULTS_2 ... up to the first number missing.
void CheckFaultHistory(const DefinitionSet& set, Problems& problems) {
    int found = 0;
    while (found < kMaxHistoryScalars && set.scalars.find(HistoryName(found + 1)) != nullptr) {
        ++found;
    }
    for (int n = found + 2; n <= kMaxHistoryScalars; ++n) {
        if (set.scalars.find(HistoryName(n)) != nullptr) {
            problems.push_back("scalar " + Quoted(HistoryName(n)) +
                               " is never read: " + HistoryName(found + 1) + " is missing");
        }
    }
    if (found > 0 && static_cast<size_t>(found) != set.diagnostics.count()) {
        problems.push_back(std::to_string(set.diagnostics.count()) + " diagnostics but " +
                           std::to_string(found) +
                           " EE_FAULTS scalars; Display Faults needs one for each");
    }
}

void CheckModel(const DefinitionSet& set, Problems& problems) {
    const WizardRequirements* needs = RequirementsFor(set.header.modelKind);
    if (needs == nullptr) {
        problems.push_back("strategy name " + Quoted(set.header.strategyName) +
                           " names no controller model (" + KnownPrefixes() + ")");
        return;
    }
    const auto missingScalars = [&](std::span<const std::string_view> names, const char* role) {
        for (std::string_view name : names) {
            if (set.scalars.find(name) == nullptr) {
                problems.push_back(std::string(role) + " " + Quoted(name) + " is missing");
            }
        }
    };
    missingScalars(needs->requiredParameters, "wizard parameter");
    missingScalars(needs->pageScalars, "wizard parameter");
    if (set.variables.find(needs->faultVariable) == nullptr) {
        problems.push_back("fault variable " + Quoted(needs->faultVariable) + " is missing");
    }
    for (std::string_view name : needs->pageVariables) {
        if (set.variables.find(name) == nullptr) {
            problems.push_back("wizard variable " + Quoted(name) + " is missing");
        }
    }
}

}  // namespace

std::vector<std::string> CheckStrategy(const DefinitionSet& set) {
    Problems problems;
    CheckRepeatedRecords(set, problems);
    CheckScalings(set, problems);
    CheckEepromOverlap(set, problems);
    CheckViewItems(set, problems);
    CheckFaultHistory(set, problems);
    CheckModel(set, problems);
    return problems;
}

}  // namespace zvr
