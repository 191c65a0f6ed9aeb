#include "definitions/cal_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

#include "definitions/definition_set.h"
#include "support/sample_definitions.h"
#include "support/scripted_prompt.h"

namespace zvr {
namespace {

using test::ScriptedPrompt;

void PutU16(std::string& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

uint32_t GetU32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
    return v;
}

template <typename Table>
void ExpectSameEntries(const Table& a, const Table& b) {
    ASSERT_EQ(a.count(), b.count());
    for (size_t i = 0; i < a.count(); ++i) {
        EXPECT_EQ(*a.entries()[i], *b.entries()[i]) << "entry " << i;
    }
}

void ExpectSameDefinitions(const DefinitionSet& a, const DefinitionSet& b) {
    EXPECT_EQ(a.header, b.header);
    ExpectSameEntries(a.variables, b.variables);
    ExpectSameEntries(a.scalars, b.scalars);
    ExpectSameEntries(a.viewItems, b.viewItems);
    ExpectSameEntries(a.diagnostics, b.diagnostics);
    ExpectSameEntries(a.comments, b.comments);
}

class CalFileTest : public testing::Test {
protected:
    void SetUp() override {
        test::FillSample(sample);
        bytes = test::WrittenBytes(sample, "ZVX123.000");
    }

    int load(const std::string& fileBytes) {
        test::WriteBytes("probe.000", fileBytes);
        return LoadCalFile(loaded, "probe.000", prompt);
    }

    // Offset of a section: the size of the file that the sections before it make.
    size_t sectionOffset(int sectionsBefore) {
        DefinitionSet partial;
        test::FillSample(partial);
        if (sectionsBefore < 5) partial.comments.clear();
        if (sectionsBefore < 4) partial.diagnostics.clear();
        if (sectionsBefore < 3) partial.viewItems.clear();
        if (sectionsBefore < 2) partial.scalars.clear();
        if (sectionsBefore < 1) partial.variables.clear();
        return test::WrittenBytes(partial, "partial.000").size();
    }

    DefinitionSet sample;
    std::string bytes;
    DefinitionSet loaded;
    ScriptedPrompt prompt;
};

TEST_F(CalFileTest, WriteThenLoadKeepsEveryTableTextAndReservedByte) {
    ASSERT_EQ(LoadCalFile(loaded, "ZVX123.000", prompt), 0);
    ExpectSameDefinitions(loaded, sample);
    EXPECT_EQ(loaded.header.modelKind, ModelKind::Zevar740);
    EXPECT_EQ(loaded.filePath, "ZVX123.000");
    EXPECT_EQ(loaded.fileModelName, "ZEVAR 740");
    EXPECT_EQ(loaded.fileStrategy, "123");
    EXPECT_TRUE(prompt.shown.empty());
    // A second write of what was loaded gives the same bytes.
    EXPECT_EQ(test::WrittenBytes(loaded, "again.000"), bytes);
}

TEST_F(CalFileTest, BlocksFollowTheLayoutByteForByte) {
    DefinitionSet set;
    set.header.strategyName = "RRQ1";
    set.header.descriptions[1] = "ab";
    set.header.reserved4[0] = 0xAA;
    set.header.reserved31[11] = 0xBB;
    set.variables.insert({.accessLevel = 5,
                          .scaling = {'S', -2, -3},
                          .ramAddress = 0x01020304,
                          .name = "v",
                          .units = "mm"});
    set.comments.append({.accessLevel = 6, .text = "c"});

    std::string expected(50, '\0');
    expected[4] = '\xAA';
    expected[15] = 1;  // number_of_variables
    expected[29] = 1;  // number_of_comments
    expected[42] = '\xBB';
    expected[44] = 2;  // length of description 1
    expected[49] = 4;  // length of the strategy name
    expected += "RRQ1ab";
    expected += std::string(
        "\x38\0\0\0"
        "\0"
        "\x05"
        "S"
        "\xFE\xFF"
        "\xFD"
        "\x04\x03\x02\x01"
        "\x01\x02"
        "v"
        "mm",
        19);
    expected += std::string(
        "\x4B\0\0\0"
        "\0"
        "\x06"
        "\x01"
        "c",
        8);
    EXPECT_EQ(test::WrittenBytes(set, "layout.000"), expected);
}

TEST_F(CalFileTest, EmptyFileCountsLoadAsEmptyTables) {
    DefinitionSet empty;
    const std::string emptyBytes = test::WrittenBytes(empty, "empty.000");
    ASSERT_EQ(emptyBytes.size(), 50u);
    test::FillSample(loaded);  // loading replaces whatever the document held
    EXPECT_EQ(load(emptyBytes), 0);
    EXPECT_EQ(loaded.variables.count() + loaded.scalars.count() + loaded.viewItems.count() +
                  loaded.diagnostics.count() + loaded.comments.count(),
              0u);
    EXPECT_EQ(loaded.header, FileHeader{});
}

TEST_F(CalFileTest, CalibrationFileWithScalarsAndCommentsOnlyLoads) {
    sample.variables.clear();
    sample.viewItems.clear();
    sample.diagnostics.clear();
    ASSERT_EQ(load(test::WrittenBytes(sample, "saved.ZVR")), 0);
    EXPECT_EQ(loaded.scalars.count(), 3u);
    EXPECT_EQ(loaded.comments.count(), 2u);
    EXPECT_EQ(loaded.header.counts.number_of_variables, 0);
}

// A table the 16-bit count cannot hold is refused with nothing written; one entry fewer
// writes and loads back whole.
TEST_F(CalFileTest, TablesOverTheCountLimitAreRefused) {
    for (const size_t count : {kMaxTableEntries, kMaxTableEntries + 1}) {
        SCOPED_TRACE(count);
        DefinitionSet set;
        for (size_t i = 0; i < count; ++i)
            set.comments.append(CommentDef{0, "c"});
        test::WriteBytes("limit.ZVR", "before");
        const int result = WriteCalFile(set, "limit.ZVR", "ZVX41R03");
        if (count > kMaxTableEntries) {
            EXPECT_EQ(result, -2);
            EXPECT_EQ(set.overLimit(), "the file can hold at most 65535 comments; there are 65536");
            EXPECT_EQ(test::ReadBytes("limit.ZVR"), "before");
        } else {
            ASSERT_EQ(result, 0);
            ASSERT_EQ(LoadCalFile(loaded, "limit.ZVR", prompt), 0);
            EXPECT_EQ(loaded.comments.count(), count);
        }
    }
}

TEST_F(CalFileTest, DamagedFilesStopAtTheirSectionWithItsCode) {
    const size_t variables = sectionOffset(0);
    const size_t scalars = sectionOffset(1);
    const size_t viewItems = sectionOffset(2);
    const size_t diagnostics = sectionOffset(3);
    const size_t comments = sectionOffset(4);
    const size_t lastComment = bytes.size() - 7 - 5;  // the "hello" comment
    ASSERT_EQ(GetU32(bytes, scalars), scalars);

    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
        int result;
    };
    const Case cases[] = {
        {"empty file", [](std::string& b) { b.clear(); }, -2},
        {"header cut short", [](std::string& b) { b.resize(49); }, -2},
        {"header own offset", [](std::string& b) { b[0] = 1; }, -2},
        {"strategy name cut", [](std::string& b) { b.resize(53); }, -2},
        {"descriptions cut", [](std::string& b) { b.resize(60); }, -2},
        {"variable cut", [&](std::string& b) { b.resize(variables + 10); }, -2},
        {"variable units cut", [&](std::string& b) { b.resize(variables + 16 + 11); }, -2},
        {"scalar own offset off by one", [&](std::string& b) { b[scalars] += 1; }, -2},
        {"view item own offset", [&](std::string& b) { b[viewItems + 1] = 9; }, -2},
        {"diagnostic name cut", [&](std::string& b) { b.resize(diagnostics + 48 + 3); }, -2},
        {"diagnostic bit text cut", [&](std::string& b) { b.resize(diagnostics + 48 + 11 + 4); },
         -2},
        {"33 flags", [&](std::string& b) { b[diagnostics + 14] = 33; }, -2},
        {"comment block cut", [&](std::string& b) { b.resize(comments + 3); }, -3},
        {"comment own offset", [&](std::string& b) { b[lastComment] += 1; }, -2},
        {"comment text cut", [&](std::string& b) { b.resize(b.size() - 1); }, -5},
        {"huge counts",
         [](std::string& b) {
             for (size_t at = 15; at < 31; at += 2)
                 PutU16(b, at, 0xFFFF);
         },
         -2},
        {"more comments than stored", [](std::string& b) { PutU16(b, 29, 3); }, -3},
    };
    for (const auto& c : cases) {
        std::string damaged = bytes;
        c.damage(damaged);
        EXPECT_EQ(load(damaged), c.result) << c.what;
    }
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(CalFileTest, UnsupportedSectionsAreRefusedWithTheirMessage) {
    struct Case {
        size_t countAt;
        int result;
        const char* message;
    };
    const Case cases[] = {
        {21, -2, "This version does not support cal files with FUNCTIONS"},
        {23, -3, "This version does not support cal files with TABLES"},
        {27, -2, "This version does not support cal files with EOL PROGRAMS"},
    };
    for (const auto& c : cases) {
        std::string refused = bytes;
        PutU16(refused, c.countAt, 1);
        prompt.shown.clear();
        EXPECT_EQ(load(refused), c.result) << c.message;
        ASSERT_EQ(prompt.texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(prompt.shown[0].icon, PromptIcon::None);
    }
    // The sections before the refused one were read.
    EXPECT_EQ(loaded.scalars.count(), 3u);
    EXPECT_EQ(loaded.diagnostics.count(), 2u);
}

TEST_F(CalFileTest, RepeatedScalarNameKeepsTheFirstRecord) {
    DefinitionSet set;
    set.scalars.insert({.fileRaw = 1, .name = "GAIN1"});
    set.scalars.insert({.fileRaw = 2, .name = "GAIN2"});
    std::string twice = test::WrittenBytes(set, "twice.000");
    twice[twice.rfind("GAIN2") + 4] = '1';
    ASSERT_EQ(load(twice), 0);
    ASSERT_EQ(loaded.scalars.count(), 1u);
    EXPECT_EQ(loaded.scalars.find("GAIN1")->fileRaw, 1u);
}

// A length byte holds 255 at most: a longer text is refused with nothing written, never
// cut to the low 8 bits of its length (300 bytes would keep 44, 256 none).
TEST_F(CalFileTest, TextsLongerThan255BytesAreRefusedNotCut) {
    struct Case {
        const char* what;
        void (*put)(DefinitionSet&, std::string);
        const char* refusal;  // for 256 bytes
    };
    const Case cases[] = {
        {"comment",
         [](DefinitionSet& set, std::string text) {
             set.comments.append({0, std::move(text)});
         },
         "comment 1 is 256 bytes long; the file holds at most 255 per text"},
        {"units",
         [](DefinitionSet& set, std::string text) {
             set.scalars.insert({.name = "GAIN", .units = std::move(text)});
         },
         "the units of GAIN is 256 bytes long; the file holds at most 255 per text"},
        {"fault text",
         [](DefinitionSet& set, std::string text) {
             DiagnosticDef d{.flagCount = 1, .name = "fault_flags"};
             d.bitTexts[0] = std::move(text);
             set.diagnostics.append(std::move(d));
         },
         "a fault text of fault_flags is 256 bytes long; the file holds at most 255 per text"},
        {"description",
         [](DefinitionSet& set, std::string text) { set.header.descriptions[5] = std::move(text); },
         "a description is 256 bytes long; the file holds at most 255 per text"},
    };
    for (const Case& c : cases) {
        for (const size_t length : {size_t{255}, size_t{256}, size_t{300}}) {
            SCOPED_TRACE(std::string(c.what) + " " + std::to_string(length));
            DefinitionSet set;
            c.put(set, std::string(length, 'x'));
            test::WriteBytes("long.000", "before");
            const int result = WriteCalFile(set, "long.000", "ZVX41R03");
            if (length == 255) {
                ASSERT_EQ(result, 0);
                ASSERT_EQ(LoadCalFile(loaded, "long.000", prompt), 0);
                EXPECT_EQ(test::WrittenBytes(loaded, "again.000"), test::ReadBytes("long.000"));
            } else {
                EXPECT_EQ(result, -2);
                EXPECT_EQ(test::ReadBytes("long.000"), "before");
                if (length == 256) {
                    EXPECT_EQ(set.overLimit(), c.refusal);
                }
            }
        }
    }
}

TEST_F(CalFileTest, FilesThatCannotBeOpenedLeaveTheDocumentAlone) {
    ASSERT_EQ(LoadCalFile(loaded, "ZVX123.000", prompt), 0);
    std::filesystem::create_directory("folder.000");
    for (const char* path : {"missing.000", "folder.000", ""}) {
        EXPECT_EQ(LoadCalFile(loaded, path, prompt), -1) << path;
        EXPECT_EQ(loaded.scalars.count(), 3u);
        EXPECT_EQ(loaded.filePath, "ZVX123.000");
    }
}

TEST_F(CalFileTest, FileNameModelComesFromTheLastFileThatLoaded) {
    test::WriteBytes("ZVX5ABCD.ZVR", bytes);
    ASSERT_EQ(LoadCalFile(loaded, "ZVX5ABCD.ZVR", prompt), 0);
    std::string damaged = bytes;
    damaged.resize(20);
    test::WriteBytes("Z99A01.000", damaged);
    EXPECT_EQ(LoadCalFile(loaded, "Z99A01.000", prompt), -2);
    EXPECT_EQ(loaded.filePath, "ZVX5ABCD.ZVR");
    EXPECT_EQ(loaded.fileModelName, "ZEVAR 880");
    EXPECT_EQ(loaded.fileStrategy, "ABCD");
}

TEST_F(CalFileTest, WriteNeedsAnExistingWritableFile) {
    EXPECT_EQ(WriteCalFile(sample, "not-created.000", "ZVX123"), -1);
    EXPECT_FALSE(std::filesystem::exists("not-created.000"));
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(WriteCalFile(sample, "/dev/full", "ZVX123"), -1);
    }
}

TEST_F(CalFileTest, WriteTakesTheCallersStrategyNameAndCounts) {
    test::WriteBytes("out.ZVR", "stale bytes from an older, longer file......................");
    ASSERT_EQ(WriteCalFile(sample, "out.ZVR", "ZVX5WXYZ"), 0);
    EXPECT_EQ(sample.header.strategyName, "ZVX5WXYZ");
    ASSERT_EQ(LoadCalFile(loaded, "out.ZVR", prompt), 0);
    EXPECT_EQ(loaded.header.strategyName, "ZVX5WXYZ");
    EXPECT_EQ(loaded.header.modelKind, ModelKind::Zevar880);
    EXPECT_EQ(loaded.header.counts.number_of_scalars, 3);
    EXPECT_EQ(loaded.header.counts.number_of_diagnostics, 2);
}

// Whatever the bytes, a load ends in a result code: never a crash, a hang or a read past
// the data (the sanitizer build checks the last).
TEST(CalFileEnding, StrategyCalibrationAndConfigurationFilesInAnyCase) {
    struct Case {
        const char* path;
        bool calFile;
    };
    const Case cases[] = {
        {"ZVX41R03.000", true}, {"unit3.ZVR", true},  {"dir/unit3.zvr", true},
        {"setup.Cfg", true},    {"unit3.ZVF", false}, {"notes.txt", false},
        {"ZVR", true},          {"VR", false},        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HasCalFileEnding(c.path), c.calFile) << c.path;
}

TEST_F(CalFileTest, AnyBytesLoadToAResultCode) {
    std::mt19937 random(20261210);
    for (size_t size = 0; size < bytes.size(); size += 7) {
        const int result = load(bytes.substr(0, size));
        EXPECT_TRUE(result < 0 && result >= -5) << "cut at " << size;
    }
    for (int round = 0; round < 2000; ++round) {
        std::string mutated = bytes;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < flips; ++i) {
            mutated[random() % mutated.size()] = static_cast<char>(random());
        }
        if (random() % 4 == 0) mutated.resize(random() % mutated.size());
        const int result = load(mutated);
        ASSERT_TRUE(result <= 0 && result >= -5) << "round " << round;
    }
}

}  // namespace
}  // namespace zvr
