// The command-line rules: which words set which option, and when the usage text is asked for.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace kestrel {
namespace {

struct OptionCase {
    std::vector<std::u16string> args;  // after the program path
    bool silent;
    bool autoStart;
    bool force;
    int binSelect;
    std::u16string chain;
};

class OptionScan : public ::testing::TestWithParam<OptionCase> {};

TEST_P(OptionScan, SetsTheOptions) {
    const OptionCase& c = GetParam();
    std::vector<std::u16string> args = {u"/opt/kestrel/kestrel"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    KestrelOptions options;
    ApplyOptions(args, options);
    EXPECT_EQ(options.m_bSilent, c.silent);
    EXPECT_EQ(options.m_bAutoStart, c.autoStart);
    EXPECT_EQ(options.m_bForce, c.force);
    EXPECT_EQ(options.m_nBinSelect, c.binSelect);
    EXPECT_EQ(options.m_strChainProgram, c.chain);
    EXPECT_EQ(options.m_nExitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Words, OptionScan,
    ::testing::Values(
        OptionCase{{}, false, false, false, -1, u""},
        OptionCase{{u"bin:12"}, false, false, false, 1, u""},
        OptionCase{{u"bin:0"}, false, false, false, -1, u""},
        OptionCase{{u"bin:"}, false, false, false, -1, u""},
        OptionCase{{u"bin:x"}, false, false, false, -1, u""},
        OptionCase{{u"mybin:3"}, false, false, false, 3, u""},
        OptionCase{{u"BIN:4"}, false, false, false, 4, u""},
        OptionCase{{u"bin:2", u"bin:5"}, false, false, false, 5, u""},
        OptionCase{{u"bin:2", u"bin:0"}, false, false, false, 2, u""},
        // A word holding both is taken by the bin: rule only.
        OptionCase{{u"bin:2-silent"}, false, false, false, 2, u""},
        OptionCase{{u"-SILENT"}, true, true, false, -1, u""},
        OptionCase{{u"-force"}, false, false, true, -1, u""},
        OptionCase{{u"/silent", u"-silent2", u"--force"}, false, false, false, -1, u""},
        OptionCase{{u"true"}, false, true, false, -1, u""},
        OptionCase{{u"true", u"Next.exe"}, false, true, false, -1, u"next.exe"},
        // The chained program's name is still looked at as an option of its own.
        OptionCase{{u"TRUE", u"-silent"}, true, true, false, -1, u"-silent"},
        OptionCase{{u"true", u"bin:3"}, false, true, false, 3, u"bin:3"},
        OptionCase{{u"-force", u"-silent", u"bin:9"}, true, true, true, 9, u""}));

TEST(UsageRequest, NeedsASecondArgumentAndMatchesAnywhere) {
    struct Case {
        std::vector<std::u16string> args;
        bool usage;
    };
    const Case cases[] = {
        {{u"kestrel"}, false},
        {{u"/help/kestrel"}, false},  // the path alone never asks
        {{u"/help/kestrel", u"-force"}, true},
        {{u"kestrel", u"/?"}, true},
        {{u"kestrel", u"/HELP"}, true},
        {{u"kestrel", u"x/helpme"}, true},
        {{u"kestrel", u"-silent", u"bin:2/?"}, true},
        {{u"kestrel", u"-help", u"?"}, false},
        {{u"kestrel", u"-silent"}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsUsageRequest(c.args), c.usage) << "case with " << c.args.size() << " arguments";
    }
}

} // namespace
} // namespace kestrel
