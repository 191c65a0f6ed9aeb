#include "sim_options.h"

#include <charconv>
#include <limits>
#include <set>

namespace zvr::sim {

namespace {

const std::set<std::string, std::less<>> kValueOptions{"--strategy", "--link",   "--control",
                                                       "--ident",    "--eeprom", "--script",
                                                       "--baud",     "--period", "--seed"};

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
    SimOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--help" || option == "-h" || option == "--version") {
            error = option == "--version" ? "version" : "help";
            return std::nullopt;
        }
        if (!kValueOptions.contains(option)) {
            error = option.starts_with("-") ? "unknown option '" + option + "'"
                                            : "unexpected argument '" + option + "'";
            return std::nullopt;
        }
        if (i + 1 >= arguments.size()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        const std::string& value = arguments[++i];
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
        if (!good || value.empty()) {
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
