#include "definitions/model_kind.h"

#include <array>

namespace zvr {

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

ModelKind ClassifyStrategyName(std::string_view name) {
    struct Prefix {
        std::string_view text;
        ModelKind kind;
    };
    // Order matters: "ZVX5" and "ZVX0" before "ZVX".
    static constexpr std::array<Prefix, 6> kPrefixes{{
        {"Z99", ModelKind::Zevar620},
        {"ZVX5", ModelKind::Zevar880},
        {"ZVX0", ModelKind::Zevar210},
        {"ZVX", ModelKind::Zevar740},
        {"RRQ", ModelKind::Lpn310},
        {"KMS0", ModelKind::Kms2},
    }};
    for (const Prefix& prefix : kPrefixes) {
        if (name.starts_with(prefix.text)) {
            return prefix.kind;
        }
    }
    return ModelKind::Unknown;
}

bool ModelFromFileName(std::string_view path, FileNameModel& out) {
    std::string_view name = path;
    if (const size_t slash = name.find_last_of("/\\"); slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    if (const size_t dot = name.find('.'); dot != std::string_view::npos && dot != 0) {
        name = name.substr(0, dot);
    }
    struct Rule {
        std::string_view prefix;
        const char* modelName;
        size_t strategyLength;
    };
    // The file-name rule knows only these four families; "ZVX0" names read as ZEVAR 740.
    static constexpr std::array<Rule, 4> kRules{{
        {"ZVX5", "ZEVAR 880", 4},
        {"ZVX", "ZEVAR 740", 3},
        {"Z99", "ZEVAR 620", 2},
        {"RRQ", "LPN 310", 3},
    }};
    for (const Rule& rule : kRules) {
        if (StartsWithIgnoringCase(name, rule.prefix)) {
            out.modelName = rule.modelName;
            out.strategy = std::string(name.substr(name.size() - rule.strategyLength));
            return true;
        }
    }
    return false;
}

}  // namespace zvr
