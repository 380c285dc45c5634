// SPDX-License-Identifier: GPL-3.0-or-later
// Temporary files (captures, the caller listing): names without a small ceiling, created
// exclusively for the owner alone, never through a link planted in their place.
#include "core/platform/TempFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <string>

namespace fs = std::filesystem;

TEST(TempFile, NamesHaveSixteenRandomDigitsAndAreTheOwnersAlone) {
    const std::string dir = testsupport::MakeTempDir();
    std::set<std::string> names;
    for (int i = 0; i < 2000; ++i) {
        const std::string path = tempfile::CreateUnique(dir);
        ASSERT_FALSE(path.empty());
        const std::string name = fs::path(path).filename().string();
        ASSERT_EQ(name.size(), 3u + 16 + 4) << name;
        EXPECT_EQ(name.substr(0, 3), "TAM");
        EXPECT_EQ(name.substr(19), ".TMP");
        EXPECT_TRUE(std::all_of(name.begin() + 3, name.begin() + 19, [](char c) { return std::isxdigit(c) != 0; }));
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 2000u) << "every name new";
}

TEST(TempFile, AFolderThatTakesNoFileGivesNoName) {
    EXPECT_EQ(tempfile::CreateUnique("/nonexistent-folder/"), "");
}
