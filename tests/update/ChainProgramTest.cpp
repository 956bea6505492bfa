// Finding the chained program in the program folder by its lower-cased name.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/RunProcess.h"
#include "update/ChainProgram.h"

namespace {

namespace fs = std::filesystem;

TEST(FindChainProgram, ExactNameFirstThenAnyLetterCase) {
    testing_support::TempDir dir;
    const fs::path folder = dir.Path();
    for (const char* name : {"next.exe", "Other.EXE", "UPPER.exe"}) {
        std::ofstream(folder / name) << "x";
    }
    fs::create_directory(folder / "dir.exe");
    const struct {
        std::u16string name;
        const char* found;  // nullptr: none
    } cases[] = {
        {u"next.exe", "next.exe"},
        {u"other.exe", "Other.EXE"},
        {u"upper.exe", "UPPER.exe"},
        {u"missing.exe", nullptr},
        {u"dir.exe", nullptr},  // a folder is not a program
        {u"", nullptr},
    };
    for (const auto& c : cases) {
        const auto found = kestrel::FindChainProgram(folder, c.name);
        if (c.found == nullptr) {
            EXPECT_FALSE(found) << found->string();
        } else {
            ASSERT_TRUE(found);
            EXPECT_EQ(found->filename().string(), c.found);
        }
    }
}

} // namespace
