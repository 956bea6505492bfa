// The information query, the image selection, the current version text and the version rule.
#include "tests/update/EngineFixture.h"

namespace updatetest {
namespace {

using kestrel::kSelHwMismatch;
using kestrel::kSelInfoFailed;
using kestrel::kSelNoLayout;

struct InfoCase {
    const char* failing;  // the command that always fails ("" for none)
    int failures;         // how many of its calls fail
    std::vector<std::pair<const char*, size_t>> calls;  // expected call counts
    int selection;
};

TEST_F(EngineTest, GetInfoRetriesEachStepWithItsPause) {
    const InfoCase cases[] = {
        {"", 0, {{"GetFWInfo", 1}, {"ReadInfoBlock", 2}, {"GetAPInfoBlock", 1}}, 0},
        {"GetFWInfo", 1, {{"GetFWInfo", 2}, {"ReadInfoBlock", 2}}, 0},
        {"GetFWInfo", 100, {{"GetFWInfo", 15}, {"ReadInfoBlock", 0}, {"GetAPInfoBlock", 0}}, kSelInfoFailed},
        {"ReadInfoBlock", 100, {{"GetFWInfo", 1}, {"ReadInfoBlock", 15}, {"GetAPInfoBlock", 0}}, kSelInfoFailed},
        {"GetAPInfoBlock", 100, {{"GetAPInfoBlock", 15}, {"ReadInfoBlock", 1}}, kSelInfoFailed},
    };
    for (const InfoCase& c : cases) {
        SCOPED_TRACE(std::string(c.failing) + " x" + std::to_string(c.failures));
        m_channel = FakeChannel{};
        std::copy(kHardwareId.begin(), kHardwareId.end(), m_channel.m_fwInfo.begin() + 4);
        sys::WriteLe16(m_channel.m_fwInfo, device::fwinfo::kLayoutIdOffset, 0x0409);
        if (*c.failing) {
            m_channel.m_failNext[c.failing] = c.failures;
        }
        m_engine.GetInfo(m_channel);
        for (const auto& [name, count] : c.calls) {
            EXPECT_EQ(m_channel.CountOf(name), count) << name;
        }
        if (*c.failing) {
            EXPECT_TRUE(PausedBetween(m_channel.CallsOf(c.failing), 500));
        }
        EXPECT_EQ(m_state.m_nSelImage, c.selection);
    }
}

TEST_F(EngineTest, FailedVersionReadLeavesZerosAndQueryFails) {
    m_channel.m_failNext["ReadInfoBlock"] = 100;
    m_engine.GetInfo(m_channel);
    const device::VerInfo ver = m_state.VerInfoBlock();
    EXPECT_TRUE(std::all_of(ver.begin(), ver.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(m_state.m_nSelImage, kSelInfoFailed);
}

struct SelectCase {
    const char* name;
    bool hardwareMatches;
    uint16_t keyboardLayout;
    int binSelect;
    int expected;
};

TEST_F(EngineTest, SelectImageByHardwareLayoutAndBinNumber) {
    AddImage(1, 0x0407, 64, 32);
    AddImage(3, 0x040C, 64, 32);  // entry 2 stays empty
    const SelectCase cases[] = {
        {"layout of entry 0", true, 0x0409, -1, 0},
        {"layout of entry 3", true, 0x040C, -1, 3},
        {"unknown layout", true, 0x0411, -1, kSelNoLayout},
        {"hardware mismatch", false, 0x0409, -1, kSelHwMismatch},
        {"hardware mismatch with bin:", false, 0x0409, 1, kSelHwMismatch},
        {"bin:2 ignores the layout", true, 0x0411, 2, 1},
        {"bin:3 names an empty entry", true, 0x0409, 3, kSelNoLayout},
        {"bin:9 names an empty entry", true, 0x0409, 9, kSelNoLayout},
    };
    for (const SelectCase& c : cases) {
        SCOPED_TRACE(c.name);
        device::FWInfo info = m_channel.m_fwInfo;
        info[4] = c.hardwareMatches ? kHardwareId[0] : 'X';
        sys::WriteLe16(info, device::fwinfo::kLayoutIdOffset, c.keyboardLayout);
        m_state.StoreFwInfo(info);
        m_options.m_nBinSelect = c.binSelect;
        const int invalidations = m_view.m_invalidations;
        m_engine.SelectImage();
        EXPECT_EQ(m_state.m_nSelImage, c.expected);
        EXPECT_EQ(m_view.m_invalidations, invalidations + 1);
    }
}

device::VerInfo VerBlock(uint32_t length, std::u16string_view text, uint8_t fill = 0) {
    device::VerInfo block;
    block.fill(fill);
    sys::WriteLe32(block, 0, length);
    for (size_t i = 0; i < text.size() && 4 + 2 * i + 1 < block.size(); ++i) {
        sys::WriteLe16(block, 4 + 2 * i, text[i]);
    }
    return block;
}

TEST(CurrentVersionText, FromTheVersionBlock) {
    const std::u16string long28(28, u'x');
    const struct {
        const char* name;
        device::VerInfo block;
        std::u16string expected;
    } cases[] = {
        {"never written", [] { device::VerInfo b; b.fill(0xFF); return b; }(), u""},
        {"length says none", VerBlock(0xFFFFFFFF, u"V1.0"), u""},
        {"text area all FF", [] { auto b = VerBlock(8, u""); std::fill_n(b.begin() + 4, 26, 0xFF); return b; }(), u""},
        {"the length's bytes", VerBlock(8, u"V1.2.30"), u"V1.2"},
        {"stops at NUL", VerBlock(26, u"V1.2.30"), u"V1.2.30"},
        {"at most 56 bytes", VerBlock(200, long28, 'y'), long28},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kestrel::CurrentVersionText(c.block), c.expected) << c.name;
    }
}

TEST_F(EngineTest, SelectImageShowsTheCurrentVersionText) {
    m_state.StoreVerInfo(VerBlock(14, u"V1.1.0"));
    m_engine.SelectImage();
    ASSERT_FALSE(m_view.m_versionTexts.empty());
    EXPECT_EQ(m_view.m_versionTexts.back(), u"V1.1.0");
}

struct NewerCase {
    const char* name;
    uint8_t major, minor;
    uint32_t build;
    bool newer;
};

TEST_F(EngineTest, PackageIsNewerUnlessStrictlyOlder) {
    // The package's entry 0 is 1.2.30.
    const NewerCase cases[] = {
        {"equal counts as newer", 1, 2, 30, true},
        {"build one lower on the package", 1, 2, 31, false},
        {"keyboard build lower", 1, 2, 29, true},
        {"keyboard minor higher", 1, 3, 0, false},
        {"keyboard minor lower, higher build", 1, 1, 999, true},
        {"keyboard major higher", 2, 0, 0, false},
        {"keyboard major lower", 0, 9, 999, true},
        {"no version on the keyboard", 0xFF, 0xFF, 0, true},
        {"only major FF is a version", 0xFF, 0, 0, false},
    };
    m_state.m_nSelImage = 0;
    for (const NewerCase& c : cases) {
        device::APInfo info{};
        info[2] = c.major;
        info[3] = c.minor;
        sys::WriteLe32(info, 4, c.build);
        m_state.StoreApInfo(info);
        EXPECT_EQ(m_engine.IsNewerThanDevice(), c.newer) << c.name;
    }
}

} // namespace
} // namespace updatetest
