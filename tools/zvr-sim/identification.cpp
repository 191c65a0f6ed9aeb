#include "identification.h"

#include "families/family_registry.h"

namespace zvr::sim {

namespace {

constexpr size_t kNameLength = 12;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The signed byte whose "%02d" text begins with these two characters: "07" 7, "42" 42,
// "-5" -5. Larger numbers print three digits and would not spell the name back.
std::optional<uint8_t> NumberForDigits(char first, char second) {
    if (IsDigit(first) && IsDigit(second)) {
        return static_cast<uint8_t>((first - '0') * 10 + (second - '0'));
    }
    if (first == '-' && IsDigit(second) && second != '0') {
        return static_cast<uint8_t>(-(second - '0'));
    }
    return std::nullopt;
}

// "'0' (ZEVAR 620)": the layout, with the model of its replies when it has only one.
std::string LayoutText(char layout) {
    std::string text = std::string("'") + layout + "'";
    const ControllerModel* only = nullptr;
    for (const ControllerModel& model : ControllerModels()) {
        if (model.identificationLayout != layout) continue;
        if (only != nullptr) return text;
        only = &model;
    }
    return only != nullptr ? text + " (" + only->modelName + ")" : text;
}

}  // namespace

std::optional<Identity> Identity::ForFileName(const std::string& baseName, bool layoutZero,
                                              std::string& error) {
    const std::string layout = LayoutText(layoutZero ? '0' : '1');
    if (baseName.size() != kNameLength || !baseName.ends_with(".000")) {
        error = "'" + baseName + "' is not a 12-character name ending \".000\"";
        return std::nullopt;
    }
    const std::string& n = baseName;
    Identity identity;
    auto& b = identity.bytes_;
    b[0] = kIdentify;
    b[1] = kIdentifyReplyLength - 2;
    if (layoutZero) {
        const auto number = NumberForDigits(n[1], n[2]);
        if (!number) {
            error =
                "'" + baseName + "': characters 2 and 3 must be two digits for layout " + layout;
            return std::nullopt;
        }
        b[2] = *number;
        b[3] = static_cast<uint8_t>(n[5]);
        b[4] = static_cast<uint8_t>(n[6]);
        b[5] = static_cast<uint8_t>(n[7]);
        b[6] = '0';
        b[7] = static_cast<uint8_t>(n[0]);
        b[8] = static_cast<uint8_t>(n[3]);
        b[9] = static_cast<uint8_t>(n[4]);
    } else {
        const auto revision = NumberForDigits(n[6], n[7]);
        if (n[4] != '1' || !revision) {
            error = "'" + baseName + "': layout " + layout +
                    " needs '1' as 5th character and two digits as 7th and 8th";
            return std::nullopt;
        }
        for (size_t i = 0; i < 6; ++i)
            b[2 + i] = static_cast<uint8_t>(n[i]);
        b[8] = *revision;
    }
    return identity;
}

Message Identity::reply(bool accessOpen) const {
    Message reply(bytes_.begin(), bytes_.end());
    reply[10] = accessOpen ? 1 : 0;
    reply[11] = Checksum(std::span(reply).first(11));
    return reply;
}

}  // namespace zvr::sim
