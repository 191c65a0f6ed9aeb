#include "common/command_options.h"

#include <getopt.h>

#include <algorithm>
#include <cctype>
#include <mutex>

namespace zvr {

namespace {

// getopt_long's answers that are not an option's index.
constexpr int kOperand = 1;         // an argument that is not an option ('-' mode)
constexpr int kMissingValue = ':';  // a required value is missing (':' mode)
constexpr int kRefused = '?';
// Long options report their index in the option table offset by this, above any letter.
constexpr int kLongBase = 0x100;

bool IsNegativeNumber(std::string_view arg) {
    if (arg.size() < 2 || arg[0] != '-') return false;
    const size_t digit = arg[1] == '.' ? 2 : 1;
    return digit < arg.size() && std::isdigit(static_cast<unsigned char>(arg[digit]));
}

// A negative number is handed to getopt as this stand-in, which is no option, and is put
// back when it comes out as an argument or a value.
std::string StandIn(size_t index) { return "\x01" + std::to_string(index); }

char LetterOf(const OptionSpec& spec) {
    if (spec.letter != 0) return spec.letter;
    return spec.name.size() == 2 && spec.name[0] == '-' ? spec.name[1] : 0;
}

std::string OptionNameIn(std::string_view element) {
    return std::string(element.substr(0, element.find('=')));
}

// The long options whose names begin with what was typed, for an abbreviation getopt refused.
std::vector<std::string> Candidates(std::string_view typed, std::span<const OptionSpec> specs) {
    std::vector<std::string> names;
    for (const OptionSpec& spec : specs) {
        if (spec.name.starts_with("--") && spec.name.starts_with(typed)) {
            names.emplace_back(spec.name);
        }
    }
    return names;
}

}  // namespace

bool ParsedOptions::has(std::string_view name) const {
    return std::any_of(options.begin(), options.end(),
                       [name](const auto& option) { return option.first == name; });
}

const std::string* ParsedOptions::value(std::string_view name) const {
    for (auto it = options.rbegin(); it != options.rend(); ++it) {
        if (it->first == name) return &it->second;
    }
    return nullptr;
}

std::vector<std::string> ParsedOptions::values(std::string_view name) const {
    std::vector<std::string> found;
    for (const auto& [option, value] : options) {
        if (option == name) found.push_back(value);
    }
    return found;
}

std::optional<OptionError> ParseOptions(std::span<const std::string> args,
                                        std::span<const OptionSpec> specs, ParsedOptions& parsed,
                                        OptionOrder order) {
    static std::mutex getoptState;
    const std::lock_guard lock(getoptState);

    // '-': arguments come back in order as kOperand, so nothing is permuted and optind always
    // points at the argument being read; ':': a missing value is told apart.
    std::string letters = "-:";
    std::vector<std::string> longNames;  // NUL-terminated, as getopt_long's table needs them
    longNames.reserve(specs.size());
    std::vector<option> longOptions;
    for (size_t i = 0; i < specs.size(); ++i) {
        const OptionSpec& spec = specs[i];
        const int hasArg = spec.takesValue ? required_argument : no_argument;
        if (spec.name.starts_with("--")) {
            longNames.emplace_back(spec.name.substr(2));
            longOptions.push_back(
                {longNames.back().c_str(), hasArg, nullptr, kLongBase + static_cast<int>(i)});
        }
        if (const char letter = LetterOf(spec); letter != 0) {
            letters += std::string(1, letter) + (spec.takesValue ? ":" : "");
        }
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});

    std::vector<std::string> words{"program"};
    std::vector<std::string> negatives;
    for (const std::string& arg : args) {
        if (IsNegativeNumber(arg)) {
            words.push_back(StandIn(negatives.size()));
            negatives.push_back(arg);
        } else {
            words.push_back(arg);
        }
    }
    auto restored = [&](const char* word) -> std::string {
        const std::string_view text = word;
        if (text.starts_with('\x01')) return negatives[std::stoul(std::string(text.substr(1)))];
        return std::string(text);
    };
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());

    auto specOf = [&](int code) -> const OptionSpec* {
        if (code >= kLongBase) return &specs[static_cast<size_t>(code - kLongBase)];
        for (const OptionSpec& spec : specs) {
            if (code != 0 && LetterOf(spec) == code) return &spec;
        }
        return nullptr;
    };

    ::opterr = 0;
    ::optind = 0;  // a full restart, which also reads the mode characters again
    for (;;) {
        const int before = std::max(::optind, 1);
        const int code =
            ::getopt_long(argc, argv.data(), letters.c_str(), longOptions.data(), nullptr);
        if (code == -1) break;
        const std::string element =
            before < argc ? restored(argv[static_cast<size_t>(before)]) : "";
        if (code == kOperand) {
            parsed.positional.push_back(restored(::optarg));
            if (order == OptionOrder::BeforeFirstOperand) break;
            continue;
        }
        if (code == kRefused || code == kMissingValue) {
            const OptionSpec* spec = specOf(::optopt);
            const std::string name = spec ? std::string(spec->name)
                                     : ::optopt != 0
                                         ? "-" + std::string(1, static_cast<char>(::optopt))
                                         : OptionNameIn(element);
            if (code == kMissingValue)
                return OptionError{OptionError::NoValue, "option " + name + " needs a value"};
            if (spec != nullptr) {
                return OptionError{OptionError::ValueGiven, "option " + name + " takes no value"};
            }
            if (element.starts_with("--")) {
                const std::vector<std::string> candidates = Candidates(name, specs);
                if (candidates.size() > 1) {
                    std::string text = "option " + name + " is ambiguous (";
                    for (size_t i = 0; i < candidates.size(); ++i)
                        text += (i ? ", " : "") + candidates[i];
                    return OptionError{OptionError::Unknown, text + ")"};
                }
            }
            // A one-letter option refused at the start of a longer word names the word.
            const bool wholeWord = !element.starts_with("--") && element.size() > 2 &&
                                   ::optopt != 0 && element[1] == ::optopt;
            return OptionError{OptionError::Unknown,
                               "unknown option " + (wholeWord ? element : name)};
        }
        const OptionSpec* spec = specOf(code);
        std::string value = spec->takesValue ? restored(::optarg) : "";
        if (spec->takesValue && value.empty()) {
            return OptionError{OptionError::NoValue,
                               "option " + std::string(spec->name) + " must not be empty"};
        }
        parsed.options.emplace_back(spec->name, std::move(value));
    }
    for (int i = ::optind; i < argc; ++i)
        parsed.positional.push_back(restored(argv[static_cast<size_t>(i)]));
    return std::nullopt;
}

}  // namespace zvr
