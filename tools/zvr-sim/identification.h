#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "comm/controller_message.h"

namespace zvr::sim {

// What the unit answers to an identify request: a 12-byte reply whose bytes spell the
// strategy file's base name, so that the program loads that very file. Two layouts exist,
// '0' and '1'; the family registry says which one a model's controllers use.
class Identity {
public:
    // The identity for a base name such as "ZVX41R03.000" (layout '1': six characters of which
    // the fifth is '1', two digits of the revision, ".000") or "Z99620G1.000" (layout '0':
    // a character, two digits of the strategy number, five characters, ".000"). Nothing, with
    // the reason in error, for a name the layout cannot spell.
    static std::optional<Identity> ForFileName(const std::string& baseName, bool layoutZero,
                                               std::string& error);

    // The reply; the access status is 1 when the password was accepted.
    Message reply(bool accessOpen) const;

private:
    std::array<uint8_t, kIdentifyReplyLength> bytes_{};
};

}  // namespace zvr::sim
