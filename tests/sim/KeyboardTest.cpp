// The simulated keyboard driven directly with a recording host: a whole update, the AP identity's
// refusals and targets, argument checks, erase counts, every fault, the dump files and Disconnect.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "RecordingHost.h"
#include "sim/Keyboard.h"
#include "sim/KeyboardState.h"
#include "sys/Clock.h"

namespace {

using simtest::HostEvent;
using simtest::RecordingHost;
using simtest::Report;
using sim::Identity;
using Kind = HostEvent::Kind;

constexpr uint32_t kAppStart = 0x1000;
constexpr uint32_t kMemorySize = 0x1000 + 0x10000;
constexpr uint32_t kNoAnswer = 0xFFFFFFFF;

uint32_t Le32(const Report& r, size_t offset) {
    return uint32_t{r[offset]} | uint32_t{r[offset + 1]} << 8 | uint32_t{r[offset + 2]} << 16 |
           uint32_t{r[offset + 3]} << 24;
}
uint16_t Le16(const Report& r, size_t offset) { return static_cast<uint16_t>(r[offset] | r[offset + 1] << 8); }

Report Req(uint8_t group, uint8_t sub, std::initializer_list<std::pair<size_t, uint32_t>> args = {}) {
    Report r{};
    r[0] = group;
    r[1] = sub;
    for (const auto& [offset, value] : args) {
        for (size_t i = 0; i < 4; ++i) {
            r[offset + i] = static_cast<uint8_t>(value >> (8 * i));
        }
    }
    return r;
}
Report FwInfoReq() { return Req(0x12, 0x00); }
Report InfoBlockReq(uint32_t n) { return Req(0x12, static_cast<uint8_t>(0x20 + n)); }
Report EraseReq(uint32_t count) { return Req(0x1D, 0x00, {{8, count}}); }
Report ChecksumReq(uint32_t start, uint32_t length) { return Req(0x1D, 0x01, {{4, start}, {8, length}}); }
Report GetPointerReq() { return Req(0x1E, 0x00, {{4, 0xFFFFFFFF}}); }
Report SetPointerReq(uint32_t address) { return Req(0x1E, 0x01, {{4, address}}); }
Report BlockReq(std::span<const uint8_t> data) {
    Report r{};
    r[0] = 0x1F;
    r[1] = static_cast<uint8_t>(data.size());
    std::copy_n(data.begin(), std::min<size_t>(data.size(), 60), r.begin() + 4);
    return r;
}

// The word sum as the updater computes it, written out independently of the keyboard's.
uint32_t ExpectedWordSum(std::span<const uint8_t> data) {
    uint32_t sum = 0;
    for (size_t i = 0; i < data.size(); i += 4) {
        uint32_t word = 0;
        for (size_t k = 0; k < 4 && i + k < data.size(); ++k) {
            word |= uint32_t{data[i + k]} << (8 * k);
        }
        sum += word;
    }
    return sum;
}

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + seed);
    }
    return bytes;
}

bool IsRefusalOf(const Report& answer, const Report& request) {
    return answer[0] == 0xFF && answer[1] == 0xAA && answer[2] == 0 && answer[3] == 0 && answer[4] == request[0] &&
           answer[5] == request[1];
}

bool EchoesRequest(const Report& answer, const Report& request) {
    return std::equal(answer.begin(), answer.begin() + 4, request.begin());
}

// One keyboard plugged into a recording host.
class Driver {
public:
    explicit Driver(const std::string& configText) {
        const auto result = sim::ParseConfig(configText);
        EXPECT_TRUE(result) << result.error;
        m_keyboard = std::make_unique<sim::Keyboard>(result.config.value_or(sim::Config{}));
        m_keyboard->Connect(host);
    }
    ~Driver() { m_keyboard->Disconnect(); }

    // Every report the request brought back, in order.
    std::vector<Report> Send(Identity identity, const Report& request) {
        const size_t before = host.Count();
        m_keyboard->HandleRequest(identity, request);
        std::vector<Report> reports;
        const auto events = host.Events();
        for (size_t i = before; i < events.size(); ++i) {
            if (events[i].kind == Kind::Deliver) {
                EXPECT_EQ(events[i].identity, identity);
                reports.push_back(events[i].report);
            }
        }
        return reports;
    }
    // The answer (the last report delivered), if any.
    std::optional<Report> Ask(Identity identity, const Report& request) {
        auto reports = Send(identity, request);
        if (reports.empty()) {
            return std::nullopt;
        }
        return reports.back();
    }
    // Sends EnterIap and waits until the IAP identity is plugged; false when it never is.
    bool SwitchToIap() {
        const size_t from = host.Count();
        EXPECT_TRUE(Send(Identity::Ap, Req(0x11, 0x00)).empty());
        return host.WaitFor(Kind::Plug, Identity::Iap, from) >= 0;
    }
    // The write pointer a block write answer reports, in either form; kNoAnswer without an answer.
    uint32_t WriteBlock(Identity identity, std::span<const uint8_t> data, std::set<uint8_t>* forms = nullptr) {
        const Report request = BlockReq(data);
        const auto answer = Ask(identity, request);
        if (!answer) {
            return kNoAnswer;
        }
        const bool echoForm = EchoesRequest(*answer, request);
        const bool altForm = (*answer)[0] == 0x1E && (*answer)[1] == 0x02 && (*answer)[2] == 0 && (*answer)[3] == 0;
        EXPECT_TRUE(echoForm || altForm);
        if (forms) {
            forms->insert((*answer)[0]);
        }
        return Le32(*answer, 4);
    }
    // Writes `data` in blocks of `n` from the current pointer, checking each reported pointer.
    void WriteAll(Identity identity, uint32_t start, std::span<const uint8_t> data, size_t n,
                  std::set<uint8_t>* forms = nullptr) {
        for (size_t off = 0; off < data.size(); off += n) {
            const auto block = data.subspan(off, std::min(n, data.size() - off));
            ASSERT_EQ(WriteBlock(identity, block, forms), start + off + block.size()) << "block at " << off;
        }
    }

    const sim::Keyboard::State& State() const { return m_keyboard->Inspect(); }
    sim::Keyboard& Keyboard() { return *m_keyboard; }

    RecordingHost host;

private:
    std::unique_ptr<sim::Keyboard> m_keyboard;
};

class SimKeyboard : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sys::SetTimeScale(100); }
};

TEST_F(SimKeyboard, ConnectPlugsTheStartingIdentityAndDisconnectUnplugsIt) {
    struct Case {
        const char* config;
        std::optional<Identity> identity;
        uint16_t vendorId, productId;
    };
    const Case cases[] = {
        {"", Identity::Ap, 0x37A1, 0x0101},
        {"ap=1:2", Identity::Ap, 0x0001, 0x0002},
        {"keyboard=iap", Identity::Iap, 0x37A1, 0x0F01},
        {"keyboard=iap;iap=1234:5678", Identity::Iap, 0x1234, 0x5678},
        {"keyboard=none", std::nullopt, 0, 0},
    };
    for (const Case& test : cases) {
        auto driver = std::make_unique<Driver>(test.config);
        RecordingHost& host = driver->host;
        auto events = host.Events();
        if (!test.identity) {
            EXPECT_TRUE(events.empty()) << test.config;
            EXPECT_TRUE(driver->Send(Identity::Ap, FwInfoReq()).empty()) << test.config;
            continue;
        }
        ASSERT_EQ(events.size(), 1u) << test.config;
        EXPECT_EQ(events[0].kind, Kind::Plug);
        EXPECT_EQ(events[0].identity, *test.identity);
        EXPECT_EQ(events[0].vendorId, test.vendorId) << test.config;
        EXPECT_EQ(events[0].productId, test.productId) << test.config;
        driver->Keyboard().Disconnect();
        events = host.Events();
        ASSERT_EQ(events.size(), 2u) << test.config;
        EXPECT_EQ(events[1].kind, Kind::Unplug);
        EXPECT_EQ(events[1].identity, *test.identity);
    }
}

TEST_F(SimKeyboard, RunsAWholeUpdate) {
    Driver d("");
    RecordingHost& host = d.host;

    // Information query on the AP identity.
    const auto fwInfo = d.Ask(Identity::Ap, FwInfoReq());
    ASSERT_TRUE(fwInfo);
    EXPECT_TRUE(EchoesRequest(*fwInfo, FwInfoReq()));
    EXPECT_EQ(std::string(fwInfo->begin() + 8, fwInfo->begin() + 24), "ORVANE-KS75-HW01");
    EXPECT_EQ(Le16(*fwInfo, 4 + 20), 0x0409);
    EXPECT_EQ(Le16(*fwInfo, 4 + 32), 1024);
    EXPECT_EQ(Le16(*fwInfo, 4 + 34), 64);
    EXPECT_EQ(Le16(*fwInfo, 4 + 36), kAppStart);

    const auto verInfo = d.Ask(Identity::Ap, InfoBlockReq(0));
    ASSERT_TRUE(verInfo);
    EXPECT_EQ(Le32(*verInfo, 4), 10u);
    std::u16string verText;
    for (size_t i = 0; i < 5; ++i) {
        verText.push_back(static_cast<char16_t>(Le16(*verInfo, 8 + 2 * i)));
    }
    EXPECT_EQ(verText, u"1.1.0");

    const auto apInfoBlock = d.Ask(Identity::Ap, Req(0x12, 0x01));
    ASSERT_TRUE(apInfoBlock);
    EXPECT_EQ((*apInfoBlock)[4], 4);
    const uint16_t apBlock = Le16(*apInfoBlock, 6);
    const auto apInfo = d.Ask(Identity::Ap, InfoBlockReq(apBlock));
    ASSERT_TRUE(apInfo);
    EXPECT_EQ((*apInfo)[4 + 2], 1);
    EXPECT_EQ((*apInfo)[4 + 3], 1);
    EXPECT_EQ(Le32(*apInfo, 4 + 4), 0u);

    // EnterIap: no answer, the AP identity goes at once, the IAP identity comes about 500 ms later.
    const int64_t switchedAt = sys::NowMillis();
    ASSERT_TRUE(d.SwitchToIap());
    auto events = host.Events();
    ASSERT_EQ(events.size(), 7u);  // plug, 4 answers, unplug, plug
    EXPECT_EQ(events[5].kind, Kind::Unplug);
    EXPECT_EQ(events[5].identity, Identity::Ap);
    EXPECT_EQ(events[6].kind, Kind::Plug);
    EXPECT_EQ(events[6].identity, Identity::Iap);
    EXPECT_EQ(events[6].vendorId, 0x37A1);
    EXPECT_EQ(events[6].productId, 0x0F01);
    EXPECT_GE(events[6].atMillis - switchedAt, 450);
    EXPECT_TRUE(d.Send(Identity::Ap, FwInfoReq()).empty());  // the AP identity is gone

    // The flash sequence on the IAP identity.
    const auto iapInfo = d.Ask(Identity::Iap, FwInfoReq());
    ASSERT_TRUE(iapInfo);
    EXPECT_TRUE(std::equal(iapInfo->begin() + 4, iapInfo->end(), fwInfo->begin() + 4));
    const auto erased = d.Ask(Identity::Iap, EraseReq(1024 * 64));
    ASSERT_TRUE(erased);
    EXPECT_TRUE(EchoesRequest(*erased, EraseReq(1024 * 64)));
    ASSERT_TRUE(d.Ask(Identity::Iap, SetPointerReq(kAppStart)));
    const auto pointer = d.Ask(Identity::Iap, GetPointerReq());
    ASSERT_TRUE(pointer);
    EXPECT_EQ(Le32(*pointer, 4), kAppStart);

    const std::vector<uint8_t> image = Pattern(1001, 3);  // 18 blocks of 56, the last one 49 bytes
    std::set<uint8_t> forms;
    d.WriteAll(Identity::Iap, kAppStart, image, 56, &forms);
    EXPECT_EQ(forms, (std::set<uint8_t>{0x1E, 0x1F}));  // both answer forms came
    const auto sum = d.Ask(Identity::Iap, ChecksumReq(kAppStart, static_cast<uint32_t>(image.size())));
    ASSERT_TRUE(sum);
    EXPECT_EQ(Le32(*sum, 4), ExpectedWordSum(image));

    // Version record: length 26, "1.2.30" as UTF-16LE, then the rest of a 120-byte record.
    std::vector<uint8_t> record = Pattern(120, 9);
    std::fill(record.begin(), record.begin() + 30, 0);
    record[0] = 26;
    const std::u16string text = u"1.2.30";
    for (size_t i = 0; i < text.size(); ++i) {
        record[4 + 2 * i] = static_cast<uint8_t>(text[i]);
    }
    ASSERT_TRUE(d.Ask(Identity::Iap, SetPointerReq(0)));
    d.WriteAll(Identity::Iap, 0, record, 56);
    for (uint32_t j = 0; j < 2; ++j) {
        const auto block = d.Ask(Identity::Iap, InfoBlockReq(j));
        ASSERT_TRUE(block);
        EXPECT_TRUE(std::equal(block->begin() + 4, block->end(), record.begin() + 60 * j)) << "block " << j;
    }

    // ResetDevice: no answer, IAP goes, AP comes back reporting the version the record names.
    const size_t beforeReset = host.Count();
    const int64_t resetAt = sys::NowMillis();
    EXPECT_TRUE(d.Send(Identity::Iap, Req(0x11, 0x01)).empty());
    const int unplug = host.WaitFor(Kind::Unplug, Identity::Iap, beforeReset);
    const int plug = host.WaitFor(Kind::Plug, Identity::Ap, beforeReset);
    ASSERT_GE(unplug, 0);
    ASSERT_GT(plug, unplug);
    EXPECT_GE(host.Events()[plug].atMillis - resetAt, 450);
    const auto newApInfo = d.Ask(Identity::Ap, InfoBlockReq(apBlock));
    ASSERT_TRUE(newApInfo);
    EXPECT_EQ((*newApInfo)[4 + 2], 1);
    EXPECT_EQ((*newApInfo)[4 + 3], 2);
    EXPECT_EQ(Le32(*newApInfo, 4 + 4), 30u);

    const sim::Target& target = d.State().targets[0];
    EXPECT_TRUE(std::equal(image.begin(), image.end(), target.memory.Flash().begin()));
    EXPECT_TRUE(std::equal(record.begin(), record.end(), target.memory.VersionArea().begin()));
    EXPECT_EQ(target.memory.FlashWrittenEnd(), kAppStart + image.size());
    EXPECT_EQ(target.memory.VersionWrittenEnd(), record.size());
    EXPECT_EQ(target.writePointer, record.size());
    EXPECT_EQ(d.State().counters.blockWrites, 18u + 3u);
    EXPECT_EQ(d.State().counters.resets, 1u);
}

TEST_F(SimKeyboard, ApIdentityRefusesFlashCommandsOnTargetZero) {
    Driver d("");
    const Report refused[] = {
        EraseReq(0x10000), ChecksumReq(kAppStart, 4), GetPointerReq(), SetPointerReq(kAppStart),
        BlockReq(Pattern(56, 1)), Req(0x11, 0x01) /* ResetDevice */, Req(0x12, 0x05), Req(0x55, 0x00),
        Req(0x10, 0x01, {{4, 1}}) /* SelectTarget past the count */,
    };
    for (const Report& request : refused) {
        const auto answer = d.Ask(Identity::Ap, request);
        ASSERT_TRUE(answer) << int{request[0]} << " " << int{request[1]};
        EXPECT_TRUE(IsRefusalOf(*answer, request)) << int{request[0]} << " " << int{request[1]};
    }
    EXPECT_EQ(d.State().counters.errorAnswers, std::size(refused));
    EXPECT_EQ(d.State().targets[0].writePointer, 0u);
    EXPECT_FALSE(d.State().targets[0].memory.FlashWrittenEnd());
    EXPECT_EQ(d.State().selectedTarget, 0u);
}

TEST_F(SimKeyboard, IapIdentityRefusesTargetCommands) {
    Driver d("keyboard=iap");
    for (const Report& request : {Req(0x10, 0x00), Req(0x10, 0x01), Req(0x10, 0x02), Req(0x11, 0x00)}) {
        const auto answer = d.Ask(Identity::Iap, request);
        ASSERT_TRUE(answer);
        EXPECT_TRUE(IsRefusalOf(*answer, request)) << int{request[1]};
    }
}

TEST_F(SimKeyboard, NonzeroTargetsTakeFlashCommandsWithoutASwitch) {
    Driver d("targets=3;target=2");
    const auto count = d.Ask(Identity::Ap, Req(0x10, 0x02));
    ASSERT_TRUE(count);
    EXPECT_EQ(Le32(*count, 4), 3u);
    for (uint32_t t = 0; t < 3; ++t) {
        ASSERT_TRUE(d.Ask(Identity::Ap, Req(0x10, 0x01, {{4, t}})));
        const auto selected = d.Ask(Identity::Ap, Req(0x10, 0x00));
        ASSERT_TRUE(selected);
        EXPECT_EQ(Le32(*selected, 4), t);
        const auto info = d.Ask(Identity::Ap, FwInfoReq());
        ASSERT_TRUE(info);
        EXPECT_EQ(std::string(info->begin() + 8, info->begin() + 24) == "ORVANE-KS75-HW01", t == 2) << "target " << t;
    }
    // Target 2 is selected: flash commands work on the AP identity and write target 2 only.
    const auto pointer = d.Ask(Identity::Ap, SetPointerReq(kAppStart));
    ASSERT_TRUE(pointer);
    EXPECT_TRUE(EchoesRequest(*pointer, SetPointerReq(kAppStart)));
    const std::vector<uint8_t> data = Pattern(100, 5);
    d.WriteAll(Identity::Ap, kAppStart, data, 56);
    const auto sum = d.Ask(Identity::Ap, ChecksumReq(kAppStart, 100));
    ASSERT_TRUE(sum);
    EXPECT_EQ(Le32(*sum, 4), ExpectedWordSum(data));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), d.State().targets[2].memory.Flash().begin()));
    EXPECT_FALSE(d.State().targets[0].memory.FlashWrittenEnd());
    EXPECT_FALSE(d.State().targets[1].memory.FlashWrittenEnd());
    // Its reset restarts the target only: no answer, the AP identity stays.
    const size_t before = d.host.Count();
    EXPECT_TRUE(d.Send(Identity::Ap, Req(0x11, 0x01)).empty());
    sys::Sleep(1000);
    EXPECT_EQ(d.host.Count(), before);
    EXPECT_TRUE(d.Ask(Identity::Ap, FwInfoReq()));
}

TEST_F(SimKeyboard, ChecksWhatRequestsAskFor) {
    struct Case {
        const char* what;
        uint32_t pointer;
        Report request;
        bool refused;
    };
    const Case cases[] = {
        {"pointer past the memory", 0, SetPointerReq(kMemorySize + 1), true},
        {"pointer at the end", 0, SetPointerReq(kMemorySize), false},
        {"block past the end", kMemorySize - 10, BlockReq(Pattern(56, 1)), true},
        {"block at the very end", kMemorySize, BlockReq(Pattern(1, 1)), true},
        {"block that just fits", kMemorySize - 56, BlockReq(Pattern(56, 1)), false},
        {"empty block", kAppStart, Req(0x1F, 0), true},
        {"block of 61 bytes", kAppStart, Req(0x1F, 61), true},
        {"block of 255 bytes", kAppStart, Req(0x1F, 255), true},
        {"pointer sub-command 02", 0, Req(0x1E, 0x02), true},
        {"erase sub-command 02", 0, Req(0x1D, 0x02), true},
    };
    for (const Case& test : cases) {
        Driver d("keyboard=iap");
        ASSERT_TRUE(d.Ask(Identity::Iap, SetPointerReq(test.pointer)));
        const auto answer = d.Ask(Identity::Iap, test.request);
        ASSERT_TRUE(answer) << test.what;
        EXPECT_EQ(IsRefusalOf(*answer, test.request), test.refused) << test.what;
        if (test.refused) {
            EXPECT_EQ(d.State().targets[0].writePointer, test.pointer) << test.what;
            EXPECT_FALSE(d.State().targets[0].memory.FlashWrittenEnd()) << test.what;
        }
    }
}

TEST_F(SimKeyboard, ChecksumAndInfoBlocksStayInsideTheMemory) {
    Driver d("keyboard=iap");
    ASSERT_TRUE(d.Ask(Identity::Iap, SetPointerReq(kMemorySize - 6)));
    const std::vector<uint8_t> tail = {1, 0, 0, 0, 2, 0};
    ASSERT_EQ(d.WriteBlock(Identity::Iap, tail), kMemorySize);
    struct Case {
        uint32_t start, length, sum;
    };
    const auto& flash = d.State().targets[0].memory.Flash();
    const uint32_t wholeFlash = ExpectedWordSum(flash);
    const Case cases[] = {
        {kMemorySize - 6, 6, 3},              // a partial last word padded with zero
        {kMemorySize - 6, 0xFFFFFFFF, 3},     // a length past the end counts no bytes beyond it
        {kMemorySize, 4, 0},
        {0xFFFFFFF0, 0xFFFFFFFF, 0},
        {kAppStart, 0x10000, wholeFlash},
        {kAppStart, 0, 0},
    };
    for (const Case& test : cases) {
        const auto answer = d.Ask(Identity::Iap, ChecksumReq(test.start, test.length));
        ASSERT_TRUE(answer);
        EXPECT_EQ(Le32(*answer, 4), test.sum) << test.start << " " << test.length;
    }
    // Info blocks beyond the version area read as erased (sub-command 0xFF is block 223).
    const auto last = d.Ask(Identity::Iap, InfoBlockReq(223));
    ASSERT_TRUE(last);
    EXPECT_TRUE(std::all_of(last->begin() + 4, last->end(), [](uint8_t b) { return b == 0xFF; }));
}

TEST_F(SimKeyboard, EraseCountsChooseWhatIsErased) {
    struct Case {
        uint32_t count;
        bool versionErased;
        uint32_t flashErasedBytes;  // from the application start
    };
    const Case cases[] = {
        {1024 * 64, false, 0x10000}, {kAppStart, true, 0}, {1024 + kAppStart, false, 1024 + kAppStart},
        {0, false, 0},               {0xFFFFFFFF, false, 0x10000},
    };
    for (const Case& test : cases) {
        Driver d("keyboard=iap");
        const std::vector<uint8_t> zeros(56, 0);
        ASSERT_TRUE(d.Ask(Identity::Iap, SetPointerReq(0)));
        d.WriteAll(Identity::Iap, 0, zeros, 56);
        ASSERT_TRUE(d.Ask(Identity::Iap, SetPointerReq(kAppStart)));
        const std::vector<uint8_t> flashZeros(0x10000, 0);
        d.WriteAll(Identity::Iap, kAppStart, flashZeros, 56);
        ASSERT_TRUE(d.Ask(Identity::Iap, EraseReq(test.count)));

        const auto& memory = d.State().targets[0].memory;
        EXPECT_EQ(memory.VersionArea()[0], test.versionErased ? 0xFF : 0x00) << test.count;
        const auto flash = memory.Flash();
        const auto firstKept = std::find(flash.begin(), flash.end(), 0x00);
        EXPECT_EQ(static_cast<uint32_t>(firstKept - flash.begin()), test.flashErasedBytes) << test.count;
        EXPECT_TRUE(std::all_of(flash.begin(), firstKept, [](uint8_t b) { return b == 0xFF; })) << test.count;
        EXPECT_TRUE(std::all_of(firstKept, flash.end(), [](uint8_t b) { return b == 0x00; })) << test.count;
    }
}

// Each fault, observed once without it and once with it: the observations differ exactly as the
// fault says.
struct FaultCase {
    const char* fault;
    const char* start;  // the config without the fault
    std::function<std::vector<int64_t>(Driver&)> observe;
    std::vector<int64_t> clean;
    std::vector<int64_t> faulted;
};

int64_t Answered(Driver& d, Identity identity, const Report& request) {
    return d.Ask(identity, request).has_value() ? 1 : 0;
}

// Writes 100 bytes at the application start and asks for their checksum three times; the sums.
std::vector<uint32_t> ThreeChecksums(Driver& d, uint32_t* right) {
    const std::vector<uint8_t> data = Pattern(100, 11);
    EXPECT_TRUE(d.Ask(Identity::Iap, SetPointerReq(kAppStart)));
    d.WriteAll(Identity::Iap, kAppStart, data, 56);
    *right = ExpectedWordSum(data);
    std::vector<uint32_t> sums;
    for (int i = 0; i < 3; ++i) {
        const auto answer = d.Ask(Identity::Iap, ChecksumReq(kAppStart, 100));
        sums.push_back(answer ? Le32(*answer, 4) : 0);
    }
    return sums;
}

// Reads block 0 before any version write, then writes a 60-byte record and reads it back three
// times: whether each read-back equals what was written.
std::vector<int64_t> VersionReadbacks(Driver& d) {
    std::vector<int64_t> seen;
    const auto before = d.Ask(Identity::Iap, InfoBlockReq(0));
    seen.push_back(before && Le32(*before, 4) == 10 ? 1 : 0);
    const std::vector<uint8_t> record = Pattern(60, 21);
    EXPECT_TRUE(d.Ask(Identity::Iap, SetPointerReq(0)));
    d.WriteAll(Identity::Iap, 0, record, 56);
    for (int i = 0; i < 3; ++i) {
        const auto block = d.Ask(Identity::Iap, InfoBlockReq(0));
        seen.push_back(block && std::equal(block->begin() + 4, block->end(), record.begin()) ? 1 : 0);
    }
    return seen;
}

const FaultCase kFaultCases[] = {
    {"drop-answer-once", "",
     [](Driver& d) {
         std::vector<int64_t> seen{Answered(d, Identity::Ap, FwInfoReq())};
         EXPECT_TRUE(d.SwitchToIap());
         seen.push_back(Answered(d, Identity::Iap, GetPointerReq()));
         seen.push_back(Answered(d, Identity::Iap, GetPointerReq()));
         return seen;
     },
     {1, 1, 1}, {1, 0, 1}},
    {"drop-answers", "keyboard=iap",
     [](Driver& d) {
         // Requests still act: the pointer set without an answer is there.
         int64_t answers = Answered(d, Identity::Iap, FwInfoReq()) + Answered(d, Identity::Iap, SetPointerReq(0x1234)) +
                           Answered(d, Identity::Iap, GetPointerReq());
         return std::vector<int64_t>{answers, d.State().targets[0].writePointer};
     },
     {3, 0x1234}, {0, 0x1234}},
    {"wrong-pointer-once", "keyboard=iap",
     [](Driver& d) {
         EXPECT_TRUE(d.Ask(Identity::Iap, SetPointerReq(kAppStart)));
         const std::vector<uint8_t> block(56, 0x11);
         const int64_t first = d.WriteBlock(Identity::Iap, block) - int64_t{kAppStart};
         const int64_t second = d.WriteBlock(Identity::Iap, block) - int64_t{kAppStart};
         const auto flash = d.State().targets[0].memory.Flash();
         return std::vector<int64_t>{first, second, flash[0], flash[56]};
     },
     {56, 112, 0x11, 0x11}, {0, 56, 0x11, 0xFF}},
    {"checksum-once", "keyboard=iap",
     [](Driver& d) {
         uint32_t right = 0;
         std::vector<int64_t> seen;
         for (uint32_t sum : ThreeChecksums(d, &right)) {
             seen.push_back(sum == right);
         }
         return seen;
     },
     {1, 1, 1}, {0, 1, 1}},
    {"checksum-twice-same", "keyboard=iap",
     [](Driver& d) {
         uint32_t right = 0;
         const auto sums = ThreeChecksums(d, &right);
         return std::vector<int64_t>{sums[0] == sums[1], sums[0] == right, sums[2] == right};
     },
     {1, 1, 1}, {1, 0, 1}},
    {"checksum-always", "keyboard=iap",
     [](Driver& d) {
         uint32_t right = 0;
         const auto sums = ThreeChecksums(d, &right);
         return std::vector<int64_t>{sums[0] == right, sums[1] == right, sums[2] == right,
                                     static_cast<int64_t>(std::set<uint32_t>(sums.begin(), sums.end()).size())};
     },
     {1, 1, 1, 1}, {0, 0, 0, 3}},
    {"version-readback-once", "keyboard=iap", VersionReadbacks, {1, 1, 1, 1}, {1, 0, 1, 1}},
    {"version-readback-always", "keyboard=iap", VersionReadbacks, {1, 1, 1, 1}, {1, 0, 0, 0}},
    {"refuse-iap", "",
     [](Driver& d) {
         const Report enterIap = Req(0x11, 0x00);
         const auto answer = d.Ask(Identity::Ap, enterIap);
         sys::Sleep(1000);
         const auto events = d.host.Events();
         const bool iapPlugged = std::any_of(events.begin(), events.end(), [](const HostEvent& e) {
             return e.kind == Kind::Plug && e.identity == Identity::Iap;
         });
         return std::vector<int64_t>{answer && IsRefusalOf(*answer, enterIap), iapPlugged,
                                     Answered(d, Identity::Ap, FwInfoReq())};
     },
     {0, 1, 0}, {1, 0, 1}},
    {"never-returns", "",
     [](Driver& d) {
         EXPECT_TRUE(d.Send(Identity::Ap, Req(0x11, 0x00)).empty());
         const bool apGone = d.host.WaitFor(Kind::Unplug, Identity::Ap) >= 0;
         sys::Sleep(1500);
         int64_t plugs = 0;
         for (const HostEvent& e : d.host.Events()) {
             plugs += e.kind == Kind::Plug;
         }
         return std::vector<int64_t>{apGone, plugs};  // the first plug is the AP's at Connect
     },
     {1, 2}, {1, 1}},
    {"target-refuses-flash", "targets=2",
     [](Driver& d) {
         const auto takesFlash = [&] {
             const auto answer = d.Ask(Identity::Ap, GetPointerReq());
             return static_cast<int64_t>(answer && !IsRefusalOf(*answer, GetPointerReq()));
         };
         EXPECT_TRUE(d.Ask(Identity::Ap, Req(0x10, 0x01, {{4, 1}})));
         const int64_t before = takesFlash();
         // The switch of a target other than 0 keeps the AP identity; the refusal lasts.
         EXPECT_TRUE(d.Send(Identity::Ap, Req(0x11, 0x00)).empty());
         sys::Sleep(1000);
         return std::vector<int64_t>{before, takesFlash(), Answered(d, Identity::Ap, FwInfoReq())};
     },
     {1, 1, 1}, {0, 0, 1}},
    {"unplug-during-write", "keyboard=iap",
     [](Driver& d) {
         EXPECT_TRUE(d.Ask(Identity::Iap, EraseReq(0x10000)));
         EXPECT_TRUE(d.Ask(Identity::Iap, SetPointerReq(kAppStart)));
         const std::vector<uint8_t> block(56, 0x22);
         int64_t unanswered = -1;
         for (int i = 0; i < 600 && unanswered < 0; ++i) {
             if (d.WriteBlock(Identity::Iap, block) == kNoAnswer) {
                 unanswered = i;
             }
         }
         sys::Sleep(1500);
         const auto events = d.host.Events();
         const bool apBack = std::any_of(events.begin(), events.end(), [](const HostEvent& e) {
             return e.kind == Kind::Plug && e.identity == Identity::Ap;
         });
         // Back in AP mode it reports the old firmware: APInfo 1.1.0.
         int64_t apVersion = -1;
         if (apBack) {
             const auto apInfoBlock = d.Ask(Identity::Ap, Req(0x12, 0x01));
             const auto apInfo = apInfoBlock ? d.Ask(Identity::Ap, InfoBlockReq(Le16(*apInfoBlock, 6))) : std::nullopt;
             apVersion = apInfo ? (*apInfo)[6] * 10000 + (*apInfo)[7] * 100 + Le32(*apInfo, 8) : -2;
         }
         return std::vector<int64_t>{unanswered, apBack, apVersion};
     },
     // 49152 / 2 bytes for layout 0x0409: the 439th block of 56 crosses them.
     {-1, 0, -1}, {438, 1, 10100}},
    {"noise", "keyboard=iap",
     [](Driver& d) {
         const Report request = GetPointerReq();
         const auto reports = d.Send(Identity::Iap, request);
         int64_t echoes = 0;
         for (const Report& r : reports) {
             echoes += EchoesRequest(r, request);
         }
         const int64_t unrelatedFirst = !reports.empty() && reports[0][0] == 0x01 && reports[0][1] == 0x00;
         const int64_t answerLast = !reports.empty() && EchoesRequest(reports.back(), request);
         return std::vector<int64_t>{static_cast<int64_t>(reports.size()), echoes, unrelatedFirst, answerLast};
     },
     {1, 1, 0, 1}, {3, 1, 1, 1}},
};

TEST_F(SimKeyboard, EachFaultChangesWhatItNames) {
    for (const FaultCase& test : kFaultCases) {
        SCOPED_TRACE(test.fault);
        {
            Driver clean(test.start);
            EXPECT_EQ(test.observe(clean), test.clean) << "without the fault";
        }
        {
            Driver faulted(std::string(test.start) + ";fault=" + test.fault);
            EXPECT_EQ(test.observe(faulted), test.faulted) << "with the fault";
        }
    }
}

TEST_F(SimKeyboard, UnplugDuringWriteHitsHalfTheImageOfTheLayout) {
    struct Case {
        const char* layout;
        uint32_t blocksAnswered;  // blocks of 56 before the unanswered one
    };
    const Case cases[] = {{"0x0409", 438}, {"0x0407", 365}, {"0x040C", 292}, {"0x0411", 292}};
    for (const Case& test : cases) {
        Driver d(std::string("keyboard=iap;fault=unplug-during-write;layout=") + test.layout);
        ASSERT_TRUE(d.Ask(Identity::Iap, SetPointerReq(kAppStart)));
        const std::vector<uint8_t> block(56, 0x33);
        uint32_t answered = 0;
        while (answered < 1000 && d.WriteBlock(Identity::Iap, block) != kNoAnswer) {
            ++answered;
        }
        EXPECT_EQ(answered, test.blocksAnswered) << test.layout;
    }
}

TEST_F(SimKeyboard, DumpHoldsTheWrittenBytes) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("kestrel-sim-dump-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                       "-" + std::to_string(sys::NowMicros()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "flash.bin").string();
    auto read = [](const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        EXPECT_TRUE(in.good()) << file;
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    };
    {
        // Nothing written yet: both files empty.
        Driver d("keyboard=iap;dump=" + path);
        ASSERT_TRUE(d.Keyboard().WriteDump());
        EXPECT_TRUE(read(path).empty());
        EXPECT_TRUE(read(path + ".ver").empty());
    }
    {
        Driver d("keyboard=iap;dump=" + path);
        const std::vector<uint8_t> first = Pattern(100, 1);
        const std::vector<uint8_t> second = Pattern(10, 2);
        const std::vector<uint8_t> version = Pattern(30, 3);
        ASSERT_TRUE(d.Ask(Identity::Iap, SetPointerReq(kAppStart + 200)));
        d.WriteAll(Identity::Iap, kAppStart + 200, second, 56);
        ASSERT_TRUE(d.Ask(Identity::Iap, SetPointerReq(kAppStart)));
        d.WriteAll(Identity::Iap, kAppStart, first, 56);
        ASSERT_TRUE(d.Ask(Identity::Iap, SetPointerReq(0)));
        d.WriteAll(Identity::Iap, 0, version, 56);
        ASSERT_TRUE(d.Keyboard().WriteDump());

        std::vector<uint8_t> expected = first;
        expected.resize(200, 0xFF);
        expected.insert(expected.end(), second.begin(), second.end());
        EXPECT_EQ(read(path), expected);
        EXPECT_EQ(read(path + ".ver"), version);
    }
    {
        Driver d("keyboard=iap");
        EXPECT_FALSE(d.Keyboard().WriteDump());
        Driver unwritable("keyboard=iap;dump=" + (dir / "missing" / "flash.bin").string());
        EXPECT_FALSE(unwritable.Keyboard().WriteDump());
    }
    std::filesystem::remove_all(dir);
}

TEST_F(SimKeyboard, DisconnectStopsAPendingSwitchAtOnce) {
    sys::SetTimeScale(1);  // the switch is 500 real ms away
    Driver d("");
    EXPECT_TRUE(d.Send(Identity::Ap, Req(0x11, 0x00)).empty());
    const auto started = std::chrono::steady_clock::now();
    d.Keyboard().Disconnect();
    const auto took = std::chrono::steady_clock::now() - started;
    sys::SetTimeScale(100);
    EXPECT_LT(took, std::chrono::milliseconds(300));

    const size_t atDisconnect = d.host.Count();
    sys::Sleep(1000);
    const auto events = d.host.Events();
    EXPECT_EQ(events.size(), atDisconnect);  // no host call after Disconnect returned
    int unplugs = 0;
    for (const HostEvent& e : events) {
        EXPECT_FALSE(e.kind == Kind::Plug && e.identity == Identity::Iap);
        unplugs += e.kind == Kind::Unplug;
    }
    EXPECT_EQ(unplugs, 1);  // the AP, by the switch or by Disconnect, once
    EXPECT_TRUE(d.Send(Identity::Ap, FwInfoReq()).empty());
}

TEST_F(SimKeyboard, AnswersRequestsFromSeveralThreadsWhileSwitching) {
    Driver d("");
    constexpr int kThreads = 4;
    constexpr int kRequests = 200;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&d, t] {
            const Identity identity = t % 2 == 0 ? Identity::Ap : Identity::Iap;
            for (int i = 0; i < kRequests; ++i) {
                d.Keyboard().HandleRequest(identity, FwInfoReq());
            }
        });
    }
    d.Keyboard().HandleRequest(Identity::Ap, Req(0x11, 0x00));  // switch while they write
    for (std::thread& writer : writers) {
        writer.join();
    }
    ASSERT_GE(d.host.WaitFor(Kind::Plug, Identity::Iap), 0);
    d.Keyboard().Disconnect();
    const sim::Counters& counters = d.State().counters;
    size_t answers = 0;
    for (const HostEvent& e : d.host.Events()) {
        answers += e.kind == Kind::Deliver;
    }
    // Every request was either answered once or ignored by an absent identity.
    EXPECT_EQ(counters.requests[0] + counters.requests[1] + counters.ignoredRequests, kThreads * kRequests + 1u);
    EXPECT_EQ(answers, counters.answers);
    EXPECT_EQ(counters.answers, counters.requests[0] + counters.requests[1] - 1);  // EnterIap has no answer
}

TEST_F(SimKeyboard, ShortAndLongRequestsAreReadAsOneReport) {
    Driver d("keyboard=iap");
    const std::vector<uint8_t> shortRequest = {0x1E, 0x01, 0x00, 0x00, 0x00, 0x20};  // SetWritePointer 0x2000
    ASSERT_TRUE(d.Ask(Identity::Iap, Report{}));  // all zero: refused, answered
    d.Keyboard().HandleRequest(Identity::Iap, shortRequest);
    EXPECT_EQ(d.State().targets[0].writePointer, 0x2000u);
    std::vector<uint8_t> longRequest(100, 0);
    longRequest[0] = 0x1E;
    longRequest[1] = 0x01;
    longRequest[5] = 0x30;
    d.Keyboard().HandleRequest(Identity::Iap, longRequest);
    EXPECT_EQ(d.State().targets[0].writePointer, 0x3000u);
    d.Keyboard().HandleRequest(Identity::Iap, std::span<const uint8_t>{});
    EXPECT_EQ(d.State().counters.requests[1], 4u);
}

} // namespace
