#include "sim_options.h"

#include <charconv>
#include <limits>

#include "common/command_options.h"

namespace zvr::sim {

namespace {

constexpr OptionSpec kSimOptions[] = {
    {"--strategy", true}, {"--link", true},       {"--control", true}, {"--ident", true},
    {"--eeprom", true},   {"--script", true},     {"--baud", true},    {"--period", true},
    {"--seed", true},     {"--help", false, 'h'}, {"--version"}};

template <typename Int>
bool ParseInt(const std::string& text, Int low, Int high, Int& out) {
    Int value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

}  // namespace

std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& arguments,
                                          std::string& error) {
    ParsedOptions parsed;
    if (const auto refused = ParseOptions(arguments, kSimOptions, parsed)) {
        error = refused->text;
        return std::nullopt;
    }
    if (parsed.has("--help") || parsed.has("--version")) {
        error = parsed.has("--help") ? "help" : "version";
        return std::nullopt;
    }
    if (!parsed.positional.empty()) {
        error = "unexpected argument '" + parsed.positional.front() + "'";
        return std::nullopt;
    }
    SimOptions options;
    for (const auto& [option, value] : parsed.options) {
        bool good = true;
        if (option == "--strategy") {
            options.strategy = value;
        } else if (option == "--link") {
            options.link = value;
        } else if (option == "--control") {
            options.control = value;
        } else if (option == "--ident") {
            options.ident = value;
        } else if (option == "--eeprom") {
            options.eeprom = value;
        } else if (option == "--script") {
            options.script = value;
        } else if (option == "--baud") {
            good = ParseInt(value, 50, 1000000, options.baud);
        } else if (option == "--period") {
            good = ParseInt(value, 1, 60000, options.periodMs);
        } else if (option == "--seed") {
            good = ParseInt(value, uint32_t{0}, std::numeric_limits<uint32_t>::max(), options.seed);
        }
        if (!good) {
            error = "bad value '" + value + "' for " + option;
            return std::nullopt;
        }
    }
    if (options.strategy.empty()) {
        error = "--strategy FILE.000 is required";
        return std::nullopt;
    }
    return options;
}

}  // namespace zvr::sim
