// How every ZVR program reads its command line.
#include "common/command_options.h"

#include <gtest/gtest.h>

namespace zvr {
namespace {

using Options = std::vector<std::pair<std::string, std::string>>;
using Words = std::vector<std::string>;

constexpr OptionSpec kSpecs[] = {{"--port", true},      {"--password", true}, {"--json"},
                                 {"--comment", true},   {"--interval", true}, {"-o", true},
                                 {"--help", false, 'h'}};

TEST(CommandOptions, ReadsOptionsTheGnuWay) {
    struct Case {
        Words args;
        Words positional;
        Options options;
    };
    const Case cases[] = {
        {{"a", "--port", "X", "b"}, {"a", "b"}, {{"--port", "X"}}},
        {{"--port=X", "--json"}, {}, {{"--port", "X"}, {"--json", ""}}},
        {{"--po", "X"}, {}, {{"--port", "X"}}},  // an unambiguous abbreviation
        {{"-o", "out.txt", "-oother.txt"}, {}, {{"-o", "out.txt"}, {"-o", "other.txt"}}},
        {{"-h"}, {}, {{"--help", ""}}},
        {{"--comment", "a", "--comment", "--json"},
         {},
         {{"--comment", "a"}, {"--comment", "--json"}}},
        // Negative numbers are values and arguments, not options.
        {{"set", "offset", "-5", "--interval", "-0.5", "-.25"},
         {"set", "offset", "-5", "-.25"},
         {{"--interval", "-0.5"}}},
        {{"--json", "--", "--port", "-"}, {"--port", "-"}, {{"--json", ""}}},
        {{"-"}, {"-"}, {}},
    };
    for (const Case& c : cases) {
        ParsedOptions parsed;
        const auto error = ParseOptions(c.args, kSpecs, parsed);
        EXPECT_FALSE(error) << c.args.front() << ": " << error->text;
        EXPECT_EQ(parsed.positional, c.positional) << c.args.front();
        EXPECT_EQ(parsed.options, c.options) << c.args.front();
    }
}

TEST(CommandOptions, RefusesWhatItCannotReadAndNamesIt) {
    struct Case {
        Words args;
        OptionError::Kind kind;
        std::string text;
    };
    const Case cases[] = {
        {{"--colour"}, OptionError::Unknown, "unknown option --colour"},
        {{"--colour=red"}, OptionError::Unknown, "unknown option --colour"},
        {{"-x"}, OptionError::Unknown, "unknown option -x"},
        {{"-platform", "offscreen"}, OptionError::Unknown, "unknown option -platform"},
        {{"--p", "X"}, OptionError::Unknown, "option --p is ambiguous (--port, --password)"},
        {{"--port"}, OptionError::NoValue, "option --port needs a value"},
        {{"a", "-o"}, OptionError::NoValue, "option -o needs a value"},
        {{"--port", ""}, OptionError::NoValue, "option --port must not be empty"},
        {{"--port="}, OptionError::NoValue, "option --port must not be empty"},
        {{"-o", ""}, OptionError::NoValue, "option -o must not be empty"},
        {{"--json=yes"}, OptionError::ValueGiven, "option --json takes no value"},
    };
    for (const Case& c : cases) {
        ParsedOptions parsed;
        const auto error = ParseOptions(c.args, kSpecs, parsed);
        ASSERT_TRUE(error) << c.text;
        EXPECT_EQ(error->kind, c.kind) << c.text;
        EXPECT_EQ(error->text, c.text);
    }
}

// zvr-cli's own options come before the command; the command's arguments are its own.
TEST(CommandOptions, OptionsBeforeTheFirstOperandLeaveTheRestAlone) {
    ParsedOptions parsed;
    const Words args = {"--port", "X", "identify", "--json", "--colour"};
    EXPECT_FALSE(ParseOptions(args, kSpecs, parsed, OptionOrder::BeforeFirstOperand));
    EXPECT_EQ(parsed.positional, (Words{"identify", "--json", "--colour"}));
    EXPECT_EQ(parsed.options, (Options{{"--port", "X"}}));
    // Parsing starts afresh each time: nothing of the last call's state is left.
    ParsedOptions again;
    EXPECT_FALSE(ParseOptions(args, kSpecs, again, OptionOrder::BeforeFirstOperand));
    EXPECT_EQ(again.positional, parsed.positional);
    EXPECT_EQ(again.values("--port"), (Words{"X"}));
    EXPECT_TRUE(again.has("--port"));
    EXPECT_FALSE(again.has("--json"));
}

}  // namespace
}  // namespace zvr
