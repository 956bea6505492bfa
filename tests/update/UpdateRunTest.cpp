// The update run against the scripted keyboard: progress, the write pointer rule, the checksum
// passes, the version record with its read-back, the reset and the failure end.
#include "tests/update/EngineFixture.h"

namespace updatetest {
namespace {

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t count) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

class UpdateRunTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        m_state.m_nSelImage = 0;
    }
    uint32_t RescueCount() const { return uint32_t{kEraseA} + kAppStart; }
    bool RescueErased() const {
        const auto erases = m_channel.CallsOf("EraseFlash");
        return !erases.empty() && erases.back().arg == RescueCount();
    }
};

TEST_F(UpdateRunTest, SucceedsWithFlashVersionAreaResetAndProgress) {
    Run();
    const auto& image = m_package.m_pImage[0];
    EXPECT_EQ(Slice(m_channel.m_memory, kAppStart, image.size()), image);

    // The version record went out with its length and the package's version text patched in.
    std::vector<uint8_t> expected(32, 0xC3);
    sys::WriteLe32(expected, 0, 26);
    std::fill(expected.begin() + 4, expected.begin() + 30, 0);
    const std::u16string text = u"V1.2.30";
    for (size_t i = 0; i < text.size(); ++i) {
        sys::WriteLe16(expected, 4 + 2 * i, text[i]);
    }
    EXPECT_EQ(m_package.m_pVerRecord[0], expected);
    EXPECT_EQ(Slice(m_channel.m_memory, 0, 32), expected);

    // 100 bytes at block size 56: 10, 45, 80; the 32-byte record is one block: 100.
    EXPECT_EQ(m_view.m_progress, (std::vector<int>{0, 10, 45, 80, 100, 100}));
    EXPECT_EQ(m_channel.CountOf("ResetDevice"), 1u);
    EXPECT_EQ(m_channel.CallsOf("EraseFlash").front().arg, uint32_t{kEraseA} * kEraseB);
    EXPECT_EQ(m_view.m_enableAfterRun, std::vector<bool>{false});  // the keyboard is restarting
    EXPECT_EQ(m_view.m_handOvers, std::vector<bool>{true});
}

TEST_F(UpdateRunTest, ProgressStepsOverThreeBlocks) {
    AddImage(0, 0x0409, 150, 32);  // 56 + 56 + 38: step 70/3 as a float
    Run();
    EXPECT_EQ(m_view.m_progress, (std::vector<int>{0, 10, 33, 56, 80, 100, 100}));
    EXPECT_EQ(m_view.m_handOvers, std::vector<bool>{true});
}

TEST_F(UpdateRunTest, FirmwareInfoRetriesThenContinuesOrFails) {
    m_channel.m_failNext["GetFWInfo"] = 1;
    Run();
    EXPECT_EQ(m_channel.CountOf("GetFWInfo"), 2u);
    EXPECT_EQ(m_view.m_handOvers, std::vector<bool>{true});

    m_view = RecordingView{};
    m_channel = FakeChannel{};
    m_channel.m_failNext["GetFWInfo"] = 100;
    Run();
    const auto infos = m_channel.CallsOf("GetFWInfo");
    EXPECT_EQ(infos.size(), 15u);
    EXPECT_TRUE(PausedBetween(infos, 500));
    // The rescue erase asks for A + start of a record it never got: 0 bytes.
    EXPECT_EQ(m_channel.CallsOf("EraseFlash").back().arg, 0u);
    EXPECT_EQ(m_view.m_handOvers, std::vector<bool>{false});
}

TEST_F(UpdateRunTest, NoSelectionFailsBeforeTheErase) {
    m_state.m_nSelImage = kestrel::kSelNoLayout;
    Run();
    for (const auto& erase : m_channel.CallsOf("EraseFlash")) {
        EXPECT_EQ(erase.arg, RescueCount());
    }
    EXPECT_EQ(m_channel.CountOf("WriteBlock"), 0u);
    EXPECT_EQ(m_view.m_handOvers, std::vector<bool>{false});
}

TEST_F(UpdateRunTest, WrongPointerIsConfirmedAndTheBlockWrittenAgain) {
    m_channel.m_wrongPointerAt = {1};  // the second image block
    Run();
    const auto writes = m_channel.CallsOf("WriteBlock");
    ASSERT_GE(writes.size(), 3u);
    EXPECT_EQ(writes[1].arg, 44u);
    EXPECT_EQ(writes[2].arg, 44u);  // the same block again
    EXPECT_GE(writes[2].atMs - writes[1].atMs, 1000);
    // The expected pointer after the first block was confirmed in between.
    const auto sets = m_channel.CallsOf("SetWritePointer");
    EXPECT_TRUE(std::any_of(sets.begin(), sets.end(), [](const Call& c) { return c.arg == kAppStart + 56u; }));
    EXPECT_EQ(Slice(m_channel.m_memory, kAppStart, 100), m_package.m_pImage[0]);
    EXPECT_EQ(m_view.m_handOvers, std::vector<bool>{true});
}

TEST_F(UpdateRunTest, WrongPointerWithFailedConfirmationFailsAtOnce) {
    m_channel.m_wrongPointerAt = {0};
    m_channel.m_failFromCall["SetWritePointer"] = 1;  // the image start is confirmed, nothing after
    Run();
    EXPECT_EQ(m_channel.CountOf("WriteBlock"), 1u);  // given up without further attempts
    EXPECT_EQ(m_channel.CountOf("SetWritePointer"), 1u + 15u);
    const auto sets = m_channel.CallsOf("SetWritePointer");
    EXPECT_TRUE(PausedBetween({sets.begin() + 1, sets.end()}, 1000));  // the failed confirmations
    EXPECT_TRUE(RescueErased());
    EXPECT_EQ(m_view.m_enableAfterRun, std::vector<bool>{true});
    EXPECT_EQ(m_view.m_handOvers, std::vector<bool>{false});
}

TEST_F(UpdateRunTest, BlockThatNeverGoesThroughFailsAfterItsAttempts) {
    m_channel.m_failFromCall["WriteBlock"] = 1;
    Run();
    EXPECT_EQ(m_channel.CountOf("WriteBlock"), 1u + 15u);
    EXPECT_TRUE(RescueErased());
    EXPECT_EQ(m_view.m_handOvers, std::vector<bool>{false});
}

struct ChecksumCase {
    const char* name;
    std::deque<uint32_t> answers;  // scripted wrong sums; the real one follows
    size_t passes;
    bool success;
};

TEST_F(UpdateRunTest, ChecksumPasses) {
    const ChecksumCase cases[] = {
        {"right at once", {}, 1, true},
        {"wrong once", {7}, 2, true},
        {"same wrong sum twice", {7, 7}, 2, false},
        {"two different wrong sums, then right", {7, 8}, 3, true},
        {"three different wrong sums", {7, 8, 9}, 3, false},
        {"wrong, wrong, the first again", {7, 8, 7}, 3, false},
    };
    for (const ChecksumCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_view = RecordingView{};
        m_channel = FakeChannel{};
        std::copy(kHardwareId.begin(), kHardwareId.end(), m_channel.m_fwInfo.begin() + 4);
        m_channel.m_checksums = c.answers;
        Run();
        const auto erases = m_channel.CallsOf("EraseFlash");
        const auto imageErases = std::count_if(erases.begin(), erases.end(),
                                               [](const Call& e) { return e.arg == uint32_t{kEraseA} * kEraseB; });
        EXPECT_EQ(static_cast<size_t>(imageErases), c.passes);
        EXPECT_EQ(m_channel.CountOf("GetFlashChecksum"), c.passes);
        EXPECT_EQ(m_view.m_handOvers, std::vector<bool>{c.success});
        EXPECT_EQ(RescueErased(), !c.success);
    }
}

struct VerifyCase {
    const char* name;
    std::set<size_t> corrupt;  // version area offsets whose read-back differs
    bool once;                 // only in the first pass
    size_t versionPasses;
    bool success;
};

TEST_F(UpdateRunTest, VersionRecordIsVerifiedByInfoBlocks) {
    const VerifyCase cases[] = {
        {"all equal", {}, false, 1, true},
        {"past the record's 130 bytes is not compared", {130, 170}, false, 1, true},
        {"last compared byte differs", {129}, false, 2, false},
        {"block 1 differs", {60}, false, 2, false},
        {"block 0 differs once", {4}, true, 2, true},
    };
    for (const VerifyCase& c : cases) {
        SCOPED_TRACE(c.name);
        AddImage(0, 0x0409, 100, 130);
        m_view = RecordingView{};
        m_channel = FakeChannel{};
        std::copy(kHardwareId.begin(), kHardwareId.end(), m_channel.m_fwInfo.begin() + 4);
        m_channel.m_corruptReadback = c.corrupt;
        m_channel.m_corruptUntilVersionErase = c.once;
        Run();
        std::vector<uint32_t> reads;
        for (const auto& r : m_channel.CallsOf("ReadInfoBlock")) {
            reads.push_back(r.arg);
        }
        const std::vector<uint32_t> onePass = {0, 1, 2};
        std::vector<uint32_t> expected;
        for (size_t pass = 0; pass < c.versionPasses; ++pass) {
            // A pass stops reading at its first differing block.
            for (uint32_t block : onePass) {
                expected.push_back(block);
                const bool differs = (pass == 0 || !c.once) && std::any_of(c.corrupt.begin(), c.corrupt.end(), [&](size_t o) {
                    return o / 60 == block && o < 130;
                });
                if (differs) {
                    break;
                }
            }
        }
        EXPECT_EQ(reads, expected);
        // Each difference erases the version area once (the application start as the count).
        const auto erases = m_channel.CallsOf("EraseFlash");
        const auto versionErases =
            std::count_if(erases.begin(), erases.end(), [](const Call& e) { return e.arg == kAppStart; });
        EXPECT_EQ(static_cast<size_t>(versionErases), c.versionPasses == 1 ? 0u : (c.success ? 1u : 2u));
        EXPECT_EQ(m_view.m_handOvers, std::vector<bool>{c.success});
        // Every pass writes the record from 0: nothing lands past it in the version area.
        EXPECT_EQ(Slice(m_channel.m_memory, 130, 100), std::vector<uint8_t>(100, 0xFF));
        if (c.success) {
            EXPECT_EQ(Slice(m_channel.m_memory, 0, 130), m_package.m_pVerRecord[0]);
        }
    }
}

TEST_F(UpdateRunTest, ThroughTheApChannelQueriesAgainAndKeepsTheStartControls) {
    m_state.m_nTarget = 1;
    FakeChannel iap;
    iap.m_present = false;
    m_channel.m_apInfo[2] = 1;
    m_engine.UpdateWorker(m_channel, iap);
    EXPECT_EQ(iap.m_calls.size(), 0u);
    EXPECT_EQ(m_channel.CountOf("GetFWInfo"), 2u);  // the run's own and the query after the reset
    EXPECT_EQ(m_state.m_nSelImage, 0);
    EXPECT_EQ(m_view.m_enableAfterRun, std::vector<bool>{true});
    EXPECT_EQ(m_view.m_handOvers, std::vector<bool>{true});

    // When the query afterwards selects nothing, the run ends as a failure.
    m_view = RecordingView{};
    m_channel.m_fwInfo[4] = 'X';
    m_engine.UpdateWorker(m_channel, iap);
    EXPECT_EQ(m_state.m_nSelImage, kestrel::kSelHwMismatch);
    EXPECT_EQ(m_view.m_handOvers, std::vector<bool>{false});
}

} // namespace
} // namespace updatetest
