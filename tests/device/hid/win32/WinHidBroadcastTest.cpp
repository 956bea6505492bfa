// Device-change broadcast records read as bytes: interface paths in both character widths, handle
// values, and records whose stated size or contents cannot be trusted.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "device/hid/win32/WinApi.h"
#include "device/hid/win32/WinHidBroadcast.h"
#include "sys/ByteOrder.h"

namespace hid::win32 {
namespace {

constexpr size_t kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
constexpr size_t kGuidOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_classguid);
constexpr size_t kHandleOffset = offsetof(DEV_BROADCAST_HANDLE, dbch_handle);

// A record of `type` whose header states `statedSize` (0: the record's real size).
std::vector<uint8_t> Record(uint32_t type, std::vector<uint8_t> body, size_t bodyOffset, uint32_t statedSize = 0) {
    std::vector<uint8_t> record(bodyOffset + body.size(), 0);
    std::copy(body.begin(), body.end(), record.begin() + static_cast<ptrdiff_t>(bodyOffset));
    sys::WriteLe32(record, 0, statedSize != 0 ? statedSize : static_cast<uint32_t>(record.size()));
    sys::WriteLe32(record, 4, type);
    if (type == DBT_DEVTYP_DEVICEINTERFACE) {
        for (size_t i = 0; i < 16; ++i) {
            record[kGuidOffset + i] = static_cast<uint8_t>(0xA0 + i);
        }
    }
    return record;
}

std::vector<uint8_t> Narrow(const std::string& text, bool terminated = true) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    if (terminated) {
        bytes.push_back(0);
    }
    return bytes;
}

std::vector<uint8_t> Wide(const std::u16string& text) {
    std::vector<uint8_t> bytes((text.size() + 1) * 2, 0);
    for (size_t i = 0; i < text.size(); ++i) {
        sys::WriteLe16(bytes, i * 2, static_cast<uint16_t>(text[i]));
    }
    return bytes;
}

std::vector<uint8_t> Interface(std::vector<uint8_t> name, uint32_t statedSize = 0) {
    return Record(DBT_DEVTYP_DEVICEINTERFACE, std::move(name), kNameOffset, statedSize);
}

struct PathCase {
    const char* name;
    std::vector<uint8_t> record;
    std::optional<std::string> path;  // nullopt: the record is refused
};

TEST(WinHidBroadcastTest, InterfacePathsAreReadWithinTheStatedSize) {
    const std::string path = R"(\\?\HID#VID_845E&PID_0002#1&2d595ca7&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";
    const std::string lower = R"(\\?\hid#vid_845e&pid_0002#1&2d595ca7&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";
    std::vector<uint8_t> trailing = Interface(Narrow("\\\\?\\AB", false));
    trailing.insert(trailing.end(), {'C', 'D', 0});  // beyond the stated size: not part of the path
    const std::vector<PathCase> cases = {
        {"8-bit path, lower-cased", Interface(Narrow(path)), lower},
        {"16-bit path", Interface(Wide(u"\\\\?\\HID#VID_1234")), "\\\\?\\hid#vid_1234"},
        {"unterminated path ends at the stated size", trailing, "\\\\?\\ab"},
        {"no name bytes", Interface({}), std::nullopt},
        {"empty name", Interface(Narrow("")), std::nullopt},
        {"non-ASCII character", Interface(Narrow("\\\\?\\h\xE9")), std::nullopt},
        {"16-bit non-ASCII character", Interface(Wide(u"\\\\?\\h\u00E9")), std::nullopt},
        {"stated size beyond the record", Interface(Narrow("\\\\?\\x"), 4096), std::nullopt},
        {"stated size below the header", Interface(Narrow("\\\\?\\x"), 8), std::nullopt},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<DeviceBroadcast> parsed = ParseDeviceBroadcast(c.record);
        ASSERT_EQ(parsed.has_value(), c.path.has_value());
        if (parsed) {
            EXPECT_EQ(parsed->kind, BroadcastKind::Interface);
            EXPECT_EQ(parsed->path, *c.path);
            EXPECT_EQ(parsed->classGuid[0], 0xA0);
            EXPECT_EQ(parsed->classGuid[15], 0xAF);
        }
    }
}

TEST(WinHidBroadcastTest, HandleRecordsGiveTheWholeHandleValue) {
    std::vector<uint8_t> body(8);
    sys::WriteLe32(body, 0, 0x89ABCDEFu);
    sys::WriteLe32(body, 4, 0x01234567u);
    const std::optional<DeviceBroadcast> parsed = ParseDeviceBroadcast(Record(DBT_DEVTYP_HANDLE, body, kHandleOffset));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->kind, BroadcastKind::Handle);
    EXPECT_EQ(parsed->handle, 0x0123456789ABCDEFull);

    body.resize(4);  // the handle cut in half
    EXPECT_FALSE(ParseDeviceBroadcast(Record(DBT_DEVTYP_HANDLE, body, kHandleOffset)));
}

TEST(WinHidBroadcastTest, OtherRecordsAreKnownOnlyByTheirKind) {
    const std::optional<DeviceBroadcast> volume = ParseDeviceBroadcast(Record(DBT_DEVTYP_VOLUME, {1, 0, 0, 0}, 12));
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->kind, BroadcastKind::Other);
    const std::vector<uint8_t> tooShort = {12, 0, 0, 0, 5};
    EXPECT_FALSE(ParseDeviceBroadcast(tooShort));
}

} // namespace
} // namespace hid::win32
