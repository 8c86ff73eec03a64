#include <gtest/gtest.h>

#include "common/ConfigRules.h"

namespace zeph {
namespace {

struct FolderCase {
    const char* chosen;
    std::optional<FolderConflict::Kind> conflict;
};

TEST(FolderConflicts, ByWholePathComponents) {
    const std::vector<std::string> configured = {"/data/Work", "/srv"};
    const FolderCase cases[] = {
        {"/data/Work/Src", FolderConflict::InsideConfigured},
        {"/data", FolderConflict::ContainsConfigured},
        {"/", FolderConflict::ContainsConfigured},
        {"/data/Work", FolderConflict::ContainsConfigured},  // the same folder again
        {"/data/Work/", FolderConflict::ContainsConfigured},
        {"/data/Workshop", std::nullopt},
        {"/srvx", std::nullopt},
        {"/home/u", std::nullopt},
    };
    for (const auto& c : cases) {
        auto found = findFolderConflict(configured, storedFolderName(c.chosen));
        ASSERT_EQ(found.has_value(), c.conflict.has_value()) << c.chosen;
        if (found) {
            EXPECT_EQ(found->kind, *c.conflict) << c.chosen;
        }
    }
    EXPECT_EQ(findFolderConflict({"/"}, "/anything")->kind, FolderConflict::InsideConfigured);
    EXPECT_EQ(storedFolderName("/"), "/");
    EXPECT_EQ(storedFolderName("/data/"), "/data");
}

TEST(SuffixRules, NormalisedAsFilesAreLookedUp) {
    EXPECT_EQ(normaliseSuffix("TXT"), "txt");
    EXPECT_EQ(normaliseSuffix(".Md"), "md");
    EXPECT_EQ(normaliseSuffix("报告"), "报告");
    for (const char* bad : {"", ".", "a/b", "a b", "tar.gz", "..txt", "x\ty", "\x01"})
        EXPECT_FALSE(normaliseSuffix(bad)) << bad;
}

}  // namespace
}  // namespace zeph
