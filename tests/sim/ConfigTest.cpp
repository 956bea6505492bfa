// KESTREL_SIM parsing: the defaults, every key, blanks and empty items, and bad items with the
// message that names them.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "sim/Config.h"

namespace {

using sim::Config;
using sim::Fault;
using sim::Identity;

TEST(SimConfig, EmptyTextGivesTheDemoKeyboard) {
    const auto result = sim::ParseConfig("");
    ASSERT_TRUE(result) << result.error;
    const Config& c = *result.config;
    EXPECT_EQ(c.start, Identity::Ap);
    EXPECT_EQ(std::string(c.hardwareId.begin(), c.hardwareId.end()), "ORVANE-KS75-HW01");
    EXPECT_EQ(c.layoutId, 0x0409);
    EXPECT_EQ(c.ap, (sim::UsbId{0x37A1, 0x0101}));
    EXPECT_EQ(c.iap, (sim::UsbId{0x37A1, 0x0F01}));
    ASSERT_TRUE(c.version.has_value());
    EXPECT_EQ(*c.version, (sim::FirmwareVersion{1, 1, 0}));
    EXPECT_EQ(c.targetCount, 1u);
    EXPECT_EQ(c.hardwareTarget, 0u);
    EXPECT_TRUE(c.faults.none());
    EXPECT_EQ(c.timeScale, 1.0);
    EXPECT_TRUE(c.dumpPath.empty());
}

struct GoodCase {
    const char* text;
    std::function<bool(const Config&)> holds;
};

TEST(SimConfig, ParsesEveryKey) {
    const GoodCase cases[] = {
        {"keyboard=iap", [](const Config& c) { return c.start == Identity::Iap; }},
        {"keyboard=none", [](const Config& c) { return !c.start.has_value(); }},
        {"keyboard=ap", [](const Config& c) { return c.start == Identity::Ap; }},
        {"hwid=000102030405060708090a0B0c0D0e0F",
         [](const Config& c) {
             for (size_t i = 0; i < c.hardwareId.size(); ++i) {
                 if (c.hardwareId[i] != i) {
                     return false;
                 }
             }
             return true;
         }},
        {"layout=1031", [](const Config& c) { return c.layoutId == 0x0407; }},
        {"layout=0x040C", [](const Config& c) { return c.layoutId == 0x040C; }},
        {"ap=1234:abcd", [](const Config& c) { return c.ap == sim::UsbId{0x1234, 0xABCD}; }},
        {"iap=1:F", [](const Config& c) { return c.iap == sim::UsbId{0x0001, 0x000F}; }},
        {"version=2.10.4000000000",
         [](const Config& c) { return c.version == sim::FirmwareVersion{2, 10, 4000000000u}; }},
        {"version=none", [](const Config& c) { return !c.version.has_value(); }},
        {"targets=3;target=2", [](const Config& c) { return c.targetCount == 3 && c.hardwareTarget == 2; }},
        {"fault=noise", [](const Config& c) { return c.Has(Fault::Noise) && c.faults.count() == 1; }},
        {"fault=checksum-once, refuse-iap",
         [](const Config& c) { return c.Has(Fault::ChecksumOnce) && c.Has(Fault::RefuseIap) && c.faults.count() == 2; }},
        {"time-scale=20", [](const Config& c) { return c.timeScale == 20.0; }},
        {"time-scale=2.5", [](const Config& c) { return c.timeScale == 2.5; }},
        {"dump=/tmp/k.bin", [](const Config& c) { return c.dumpPath == "/tmp/k.bin"; }},
        // Blanks around items and around key and value, empty items, and a later item winning.
        {" ; layout = 0x0407 ;; keyboard=iap ; ",
         [](const Config& c) { return c.layoutId == 0x0407 && c.start == Identity::Iap; }},
        {"layout=1;layout=2", [](const Config& c) { return c.layoutId == 2; }},
    };
    for (const GoodCase& test : cases) {
        const auto result = sim::ParseConfig(test.text);
        ASSERT_TRUE(result) << test.text << ": " << result.error;
        EXPECT_TRUE(test.holds(*result.config)) << test.text;
    }
}

TEST(SimConfig, EveryFaultNameParsesToItsFault) {
    for (size_t i = 0; i < static_cast<size_t>(Fault::kCount); ++i) {
        const auto fault = static_cast<Fault>(i);
        const std::string text = "fault=" + std::string(sim::FaultName(fault));
        const auto result = sim::ParseConfig(text);
        ASSERT_TRUE(result) << text << ": " << result.error;
        EXPECT_TRUE(result.config->Has(fault)) << text;
        EXPECT_EQ(result.config->faults.count(), 1u) << text;
    }
}

struct BadCase {
    const char* text;
    const char* message;  // the whole error text
};

TEST(SimConfig, RejectsBadItemsNamingThem) {
    const BadCase cases[] = {
        {"colour=red", "KESTREL_SIM item 'colour=red': unknown key"},
        {"layout", "KESTREL_SIM item 'layout': expected key=value"},
        {"keyboard=usb", "KESTREL_SIM item 'keyboard=usb': expected ap, iap or none"},
        {"hwid=0011", "KESTREL_SIM item 'hwid=0011': expected 32 hex digits"},
        {"hwid=000102030405060708090a0b0c0d0e0g", "KESTREL_SIM item 'hwid=000102030405060708090a0b0c0d0e0g': expected 32 hex digits"},
        {"layout=0x10000", "KESTREL_SIM item 'layout=0x10000': expected a decimal or 0x-hex number up to 0xFFFF"},
        {"layout=-1", "KESTREL_SIM item 'layout=-1': expected a decimal or 0x-hex number up to 0xFFFF"},
        {"layout=0x", "KESTREL_SIM item 'layout=0x': expected a decimal or 0x-hex number up to 0xFFFF"},
        {"ap=37A1", "KESTREL_SIM item 'ap=37A1': expected VID:PID in hex"},
        {"iap=37A1:10000", "KESTREL_SIM item 'iap=37A1:10000': expected VID:PID in hex"},
        {"ap=:0101", "KESTREL_SIM item 'ap=:0101': expected VID:PID in hex"},
        {"version=1.2", "KESTREL_SIM item 'version=1.2': expected MAJOR.MINOR.BUILD or none"},
        {"version=256.0.0", "KESTREL_SIM item 'version=256.0.0': expected MAJOR.MINOR.BUILD or none"},
        {"version=1.2.3.4", "KESTREL_SIM item 'version=1.2.3.4': expected MAJOR.MINOR.BUILD or none"},
        {"targets=0", "KESTREL_SIM item 'targets=0': expected a target count from 1 to 16"},
        {"targets=17", "KESTREL_SIM item 'targets=17': expected a target count from 1 to 16"},
        {"target=x", "KESTREL_SIM item 'target=x': expected a target index from 0 to 15"},
        {"targets=2;target=2", "KESTREL_SIM item 'target=2': not below targets=2"},
        {"target=1", "KESTREL_SIM item 'target=1': not below targets=1"},
        {"fault=noise,melt", "KESTREL_SIM item 'fault=noise,melt': unknown fault 'melt'"},
        {"fault=", "KESTREL_SIM item 'fault=': unknown fault ''"},
        {"fault=noise,", "KESTREL_SIM item 'fault=noise,': unknown fault ''"},
        {"time-scale=0.5", "KESTREL_SIM item 'time-scale=0.5': expected a number of at least 1"},
        {"time-scale=fast", "KESTREL_SIM item 'time-scale=fast': expected a number of at least 1"},
        {"time-scale=inf", "KESTREL_SIM item 'time-scale=inf': expected a number of at least 1"},
        {"dump=", "KESTREL_SIM item 'dump=': expected a file path"},
        // The first bad item is named, even after good ones.
        {"keyboard=iap; layout=zz; colour=red", "KESTREL_SIM item 'layout=zz': expected a decimal or 0x-hex number up to 0xFFFF"},
    };
    for (const BadCase& test : cases) {
        const auto result = sim::ParseConfig(test.text);
        EXPECT_FALSE(result) << test.text;
        EXPECT_EQ(result.error, test.message) << test.text;
    }
}

} // namespace
