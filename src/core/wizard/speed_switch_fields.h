#pragma once

#include <cstdint>
#include <span>

#include "wizard/scalar_field.h"

namespace zvr {

// The step groups of a speed-switch channel page.
inline constexpr int kSpeedSwitchGroup = 3;
inline constexpr int kAutocrankGroup = 4;
inline constexpr int kGlowPlugGroup = 5;

// Channel modes, as CHNL_n_OP_MODE stores them.
inline constexpr int kNormalSwitch = 0;
inline constexpr int kReverseSwitch = 1;
inline constexpr int kAutocrank = 2;
inline constexpr int kGlowPlug = 3;

// What a family's channel page shows and asks: its combos and the scalar fields of its three
// groups (speed switch, autocrank, glow plug), with the order checks between two fields.
struct ChannelLayout {
    std::span<const char* const> modes;
    std::span<const char* const> resetOptions;
    std::span<const uint32_t> resetCodes;  // CHNL_n_RESET's raw value for each reset option
    std::span<const ScalarField> fields;
    std::span<const FieldOrder> orders;
};

// The LPN 310's three channels and the KMS-2's two.
const ChannelLayout& Lpn310Channel();
const ChannelLayout& Kms2Channel();

// The protection pages: the LPN 310's three EP inputs with their switching types, the
// KMS-2's one input.
std::span<const ScalarField> Lpn310Protection();
std::span<const ScalarField> Kms2Protection();

}  // namespace zvr
