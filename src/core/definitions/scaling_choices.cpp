#include "definitions/scaling_choices.h"

#include <array>
#include <cstddef>

namespace zvr {

namespace {

constexpr std::array<char, 4> kTypes = {'U', 'S', 'B', '$'};
constexpr std::array<int16_t, 3> kSizes = {1, 2, 4};

}  // namespace

int TypeIndex(char type) {
    for (size_t i = 0; i < kTypes.size(); ++i) {
        if (kTypes[i] == type) return static_cast<int>(i) + 1;
    }
    return 0;
}

int SizeIndex(int16_t size) {
    for (size_t i = 0; i < kSizes.size(); ++i) {
        if (kSizes[i] == size) return static_cast<int>(i) + 1;
    }
    return 0;
}

std::optional<char> TypeForIndex(int index) {
    if (index < 1 || index > static_cast<int>(kTypes.size())) return std::nullopt;
    return kTypes[static_cast<size_t>(index) - 1];
}

std::optional<int16_t> SizeForIndex(int index) {
    if (index < 1 || index > static_cast<int>(kSizes.size())) return std::nullopt;
    return kSizes[static_cast<size_t>(index) - 1];
}

}  // namespace zvr
