#include "definitions/model_kind.h"

#include <gtest/gtest.h>

namespace zvr {
namespace {

TEST(ModelKind, StrategyNamePrefixesAreCaseSensitiveAndOrdered) {
    const std::pair<const char*, ModelKind> cases[] = {
        {"Z99A01", ModelKind::Zevar620},  {"ZVX5ABCD", ModelKind::Zevar880},
        {"ZVX0123", ModelKind::Zevar210}, {"ZVX123", ModelKind::Zevar740},
        {"ZVX", ModelKind::Zevar740},     {"RRQ001", ModelKind::Lpn310},
        {"KMS0001", ModelKind::Kms2},     {"KMS1001", ModelKind::Unknown},
        {"zvx0123", ModelKind::Unknown},  {"zvx123", ModelKind::Unknown},
        {"", ModelKind::Unknown},         {"Z9", ModelKind::Unknown},
    };
    for (auto [name, kind] : cases) {
        EXPECT_EQ(ClassifyStrategyName(name), kind) << name;
    }
}

TEST(ModelKind, FileNameGivesModelAndStrategyForReportHeadings) {
    struct Case {
        const char* path;
        const char* model;
        const char* strategy;
    };
    const Case cases[] = {
        {"ZVX5ABCD.000", "ZEVAR 880", "ABCD"},
        {"/home/tech/cal/zvx5wxyz.ZVR", "ZEVAR 880", "wxyz"},
        {"C:\\ZVR\\ZVX0abc.000", "ZEVAR 740", "abc"},  // the file-name rule has no ZEVAR 210
        {"ZVX123.000", "ZEVAR 740", "123"},
        {"Z99A01.000", "ZEVAR 620", "01"},
        {"rrq777.zvr", "LPN 310", "777"},
        {"/ZVX5ABCD.000", "ZEVAR 880", "ABCD"},
        {"dir.v2/ZVX123", "ZEVAR 740", "123"},
    };
    for (const auto& c : cases) {
        FileNameModel model;
        ASSERT_TRUE(ModelFromFileName(c.path, model)) << c.path;
        EXPECT_EQ(model.modelName, c.model) << c.path;
        EXPECT_EQ(model.strategy, c.strategy) << c.path;
    }
    for (const char* path : {"KMS0001.000", "DEMO740.000", ".ZVX123", "", "ZVX.d/other.000"}) {
        FileNameModel model{"kept", "kept"};
        EXPECT_FALSE(ModelFromFileName(path, model)) << path;
        EXPECT_EQ(model.modelName, "kept");
    }
}

}  // namespace
}  // namespace zvr
