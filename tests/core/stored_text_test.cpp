#include "common/stored_text.h"

#include <gtest/gtest.h>

namespace zvr {
namespace {

// What a typed text becomes in a cal file: its Latin-1 bytes whole, or a refusal that says
// why. Nothing is ever cut short or turned into "?".
TEST(StoredText, TypedTextIsStoredWholeOrRefusedWithItsReason) {
    struct Case {
        std::string utf8;
        std::string bytes;    // stored when refusal is empty
        std::string refusal;  // the start of the reason
    };
    const Case cases[] = {
        {"after overhaul", "after overhaul", ""},
        {"", "", ""},
        {"t\xC3\xA9mp 5 \xC2\xB5s", "t\xE9mp 5 \xB5s", ""},
        {"\xC3\xBF", "\xFF", ""},
        {std::string(255, 'a'), std::string(255, 'a'), ""},
        {std::string(254, 'a') + "\xC3\xA9", std::string(254, 'a') + "\xE9", ""},
        {std::string(256, 'a'), "", "The text is 256 characters long; the file holds at most 255."},
        {std::string(300, 'a'), "", "The text is 300 characters long"},
        {std::string(255, 'a') + "\xC3\xA9", "", "The text is 256 characters long"},
        {"5 \xE2\x82\xAC", "", "The character U+20AC cannot be stored"},
        {"\xF0\x9F\x98\x80", "", "The character U+1F600 cannot be stored"},
        {"t\xE9mp", "", "The text is not valid UTF-8."},       // Latin-1 bytes, not UTF-8
        {"\xC0\xA9", "", "The text is not valid UTF-8."},      // an overlong form of ")"
        {"\xED\xA0\x80", "", "The text is not valid UTF-8."},  // a surrogate
        {"ab\xC3", "", "The text is not valid UTF-8."},        // cut short
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8.substr(0, 20));
        const StoredText stored = StoredTextFromUtf8(c.utf8);
        if (c.refusal.empty()) {
            EXPECT_TRUE(stored.ok()) << stored.refusal;
            EXPECT_EQ(stored.bytes, c.bytes);
        } else {
            EXPECT_FALSE(stored.ok());
            EXPECT_TRUE(stored.refusal.starts_with(c.refusal)) << stored.refusal;
            EXPECT_EQ(stored.bytes, "");
        }
    }
}

TEST(StoredText, Latin1TextIsOnlyMeasured) {
    EXPECT_EQ(StoredTextFromLatin1("t\xE9mp").bytes, "t\xE9mp");
    EXPECT_FALSE(StoredTextFromLatin1(std::string(256, 'x')).ok());
    EXPECT_TRUE(StoredTextFromLatin1(std::string(1536, 'x'), 1536).ok());
}

// A path inside a message: shown in Latin-1 where it can be, never changing the path.
TEST(StoredText, PathsAreShownInLatin1) {
    const std::pair<std::string, std::string> cases[] = {
        {"/home/tech/unit.ZVR", "/home/tech/unit.ZVR"},
        {"M\xC3\xBChle/K\xC3\xBChler.ZVR", "M\xFChle/K\xFChler.ZVR"},
        {"\xD0\x9C/unit.ZVR", "?/unit.ZVR"},       // Cyrillic: no Latin-1 letter for it
        {"old\xFC/unit.ZVR", "old\xFC/unit.ZVR"},  // not UTF-8: the bytes as they are
    };
    for (const auto& [path, shown] : cases)
        EXPECT_EQ(PathText(path), shown) << path;
}

}  // namespace
}  // namespace zvr
