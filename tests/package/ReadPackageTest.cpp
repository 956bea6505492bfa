// The package reader on packages made with the writer functions, written to files behind a
// stand-in executable, and on sources that come up short.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "package/PackageWriter.h"
#include "package/ReadPackage.h"
#include "package/Scramble.h"
#include "package/Trailer.h"
#include "tests/package/TempDir.h"
#include "ui/MessageBox.h"

namespace {

using package::FwPackage;
using package::kImageCount;
using package::kTrailerSize;
using Bytes = std::vector<uint8_t>;

struct Message {
    std::u16string text;
    std::u16string caption;
    uint32_t flags = 0;
};

struct Recorder {
    std::vector<Message> messages;
    package::MessageSink Sink() {
        return [this](std::u16string_view text, std::u16string_view caption, uint32_t flags) {
            messages.push_back({std::u16string(text), std::u16string(caption), flags});
        };
    }
};

constexpr uint32_t kErrorFlags = ui::MB_OK | ui::MB_ICONERROR;

Bytes Pattern(size_t size, uint8_t seed) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    }
    return bytes;
}

// A package in its unscrambled parts, so that a case can spoil any field or part before writing.
struct RawPackage {
    Bytes prefix = Pattern(1000, 0x40);   // stands in for the executable
    std::array<uint8_t, kTrailerSize> trailer{};
    std::array<Bytes, kImageCount> images;
    std::array<Bytes, kImageCount> records;

    package::TrailerWriter Writer() { return package::TrailerWriter(trailer); }
    void SetImage(size_t slot, Bytes image, Bytes record, std::u16string name = u"Layout") {
        package::ImageEntryWriter entry = Writer().Entry(slot);
        entry.SetImageSize(static_cast<uint32_t>(image.size()));
        entry.SetRecordSize(static_cast<uint32_t>(record.size()));
        entry.SetName(name);
        images[slot] = std::move(image);
        records[slot] = std::move(record);
    }
    Bytes File() const {
        Bytes file = prefix;
        const Bytes pkg = package::AssemblePackage(trailer, images, records);
        file.insert(file.end(), pkg.begin(), pkg.end());
        return file;
    }
};

// Entries 0 and 2 filled, the rest empty; block size 56.
RawPackage TwoImagePackage() {
    RawPackage raw;
    auto writer = raw.Writer();
    writer.SetBlockSize(56);
    writer.SetTitle(u"Title");
    raw.SetImage(0, Pattern(64, 1), Pattern(32, 2), u"First");
    raw.SetImage(2, Pattern(128, 3), Pattern(40, 4), u"Third");
    return raw;
}

void ExpectAllEmpty(const FwPackage& pkg, const std::string& what) {
    for (size_t i = 0; i < kImageCount; ++i) {
        EXPECT_TRUE(pkg.m_pImage[i].empty()) << what << ", image " << i;
        EXPECT_TRUE(pkg.m_pVerRecord[i].empty()) << what << ", record " << i;
    }
    EXPECT_FALSE(pkg.Trailer().HasMarker()) << what;
}

class ReadPackageTest : public ::testing::Test {
protected:
    bool Read(const Bytes& file) {
        const auto path = m_dir.Write("updater.bin", file);
        return package::ReadPackage(m_pkg, path, m_recorder.Sink());
    }

    testing_pkg::TempDir m_dir;
    FwPackage m_pkg;
    Recorder m_recorder;
};

TEST_F(ReadPackageTest, ReadsBuiltPackageBehindAnExecutable) {
    package::PackageContents contents;
    contents.hardwareId = {'O', 'R', 'V', 'A', 'N', 'E', '-', 'K', 'S', '7', '5', '-', 'H', 'W', '0', '1'};
    contents.multiTarget = 1;
    contents.fixedTarget = 3;
    contents.iapVendorId = 0x37A1;
    contents.iapProductId = 0x0F01;
    contents.apVendorId = 0x37A2;
    contents.apProductId = 0x0101;
    contents.blockSize = 60;
    contents.title = u"Title";
    contents.company = u"Company";
    contents.product = u"Product";
    contents.versionText = u"V1.2.30";
    contents.images[1] = package::PackageImage{u"Fran\u00e7ais", 0x040C, 1, 2, 300000, Pattern(4096, 9), Pattern(120, 5)};
    contents.images[5] = package::PackageImage{u"Deutsch", 0x0407, 7, 8, 9, Pattern(2048, 6), Pattern(32, 7)};
    std::string why;
    const auto pkgBytes = package::BuildPackage(contents, &why);
    ASSERT_TRUE(pkgBytes) << why;
    Bytes file = Pattern(5000, 0x11);
    file.insert(file.end(), pkgBytes->begin(), pkgBytes->end());

    ASSERT_TRUE(Read(file));
    EXPECT_TRUE(m_recorder.messages.empty());
    const auto trailer = m_pkg.Trailer();
    EXPECT_TRUE(std::equal(contents.hardwareId.begin(), contents.hardwareId.end(), trailer.HardwareId().begin()));
    EXPECT_EQ(trailer.MultiTarget(), 1);
    EXPECT_EQ(trailer.FixedTarget(), 3);
    EXPECT_EQ(trailer.IapVendorId(), 0x37A1u);
    EXPECT_EQ(trailer.IapProductId(), 0x0F01u);
    EXPECT_EQ(trailer.ApVendorId(), 0x37A2u);
    EXPECT_EQ(trailer.ApProductId(), 0x0101u);
    EXPECT_EQ(trailer.BlockSize(), 60);
    EXPECT_EQ(trailer.Title(), u"Title");
    EXPECT_EQ(trailer.Company(), u"Company");
    EXPECT_EQ(trailer.Product(), u"Product");
    EXPECT_EQ(trailer.VersionText(), u"V1.2.30");
    for (size_t i = 0; i < kImageCount; ++i) {
        const auto& expected = contents.images[i];
        const auto entry = m_pkg.Entry(i);
        EXPECT_EQ(m_pkg.m_pImage[i], expected ? expected->image : Bytes{}) << i;
        EXPECT_EQ(m_pkg.m_pVerRecord[i], expected ? expected->record : Bytes{}) << i;
        EXPECT_EQ(entry.IsEmpty(), !expected) << i;
        if (expected) {
            EXPECT_EQ(entry.Name(), expected->name);
            EXPECT_EQ(entry.LayoutId(), expected->layoutId);
            EXPECT_EQ(entry.Major(), expected->major);
            EXPECT_EQ(entry.Minor(), expected->minor);
            EXPECT_EQ(entry.Build(), expected->build);
        }
    }
}

TEST_F(ReadPackageTest, OnlyEntryEightLiesDirectlyBeforeTheTrailer) {
    RawPackage raw;
    raw.Writer().SetBlockSize(56);
    raw.SetImage(8, Pattern(256, 0x21), Pattern(64, 0x22));
    const Bytes file = raw.File();

    // In the file: ... image 8, record 8, trailer; each scrambled on its own.
    Bytes record = raw.records[8];
    Bytes image = raw.images[8];
    package::Scramble(record);
    package::Scramble(image);
    const size_t recordAt = file.size() - kTrailerSize - record.size();
    ASSERT_TRUE(std::equal(record.begin(), record.end(), file.begin() + static_cast<long>(recordAt)));
    ASSERT_TRUE(std::equal(image.begin(), image.end(), file.begin() + static_cast<long>(recordAt - image.size())));

    ASSERT_TRUE(Read(file));
    EXPECT_EQ(m_pkg.m_pImage[8], raw.images[8]);
    EXPECT_EQ(m_pkg.m_pVerRecord[8], raw.records[8]);
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_TRUE(m_pkg.m_pImage[i].empty() && m_pkg.m_pVerRecord[i].empty()) << i;
    }
}

TEST_F(ReadPackageTest, EmptyEntryWithRecordSizeIsSkipped) {
    RawPackage raw = TwoImagePackage();
    // Entry 1 is empty but claims 44 record bytes, which lie between entry 0's and entry 2's data.
    raw.Writer().Entry(1).SetRecordSize(44);
    raw.records[1] = Bytes(44, 0xEE);

    ASSERT_TRUE(Read(raw.File()));
    EXPECT_EQ(m_pkg.m_pImage[0], raw.images[0]);
    EXPECT_EQ(m_pkg.m_pVerRecord[0], raw.records[0]);
    EXPECT_EQ(m_pkg.m_pImage[2], raw.images[2]);
    EXPECT_EQ(m_pkg.m_pVerRecord[2], raw.records[2]);
    EXPECT_TRUE(m_pkg.m_pImage[1].empty());
    EXPECT_EQ(m_pkg.m_pVerRecord[1], Bytes(44, 0x00)) << "sized, but nothing read into it";
}

TEST_F(ReadPackageTest, MarkerBytesCompared) {
    const struct {
        size_t offset;
        bool accepted;
    } cases[] = {{2840, true}, {2841, false}, {2845, false}, {2850, false}, {2851, true}};
    for (const auto& c : cases) {
        RawPackage raw = TwoImagePackage();
        raw.trailer[c.offset] ^= 0x5A;
        m_recorder.messages.clear();
        EXPECT_EQ(Read(raw.File()), c.accepted) << "byte " << c.offset;
        if (c.accepted) {
            EXPECT_TRUE(m_recorder.messages.empty()) << "byte " << c.offset;
        } else {
            ASSERT_EQ(m_recorder.messages.size(), 1u) << "byte " << c.offset;
            EXPECT_EQ(m_recorder.messages[0].text, u"Fail to find firmware information!");
            EXPECT_EQ(m_recorder.messages[0].caption, u"Error");
            EXPECT_EQ(m_recorder.messages[0].flags, kErrorFlags);
            ExpectAllEmpty(m_pkg, "byte " + std::to_string(c.offset));
        }
    }
}

TEST_F(ReadPackageTest, MalformedTrailersAreRefused) {
    const std::u16string noNul(30, u'N');
    const struct {
        const char* what;
        std::function<void(RawPackage&)> spoil;
        bool accepted;
    } cases[] = {
        {"block size 0", [](RawPackage& r) { r.Writer().SetBlockSize(0); }, false},
        {"block size 61", [](RawPackage& r) { r.Writer().SetBlockSize(61); }, false},
        {"block size 1", [](RawPackage& r) { r.Writer().SetBlockSize(1); }, true},
        {"block size 60", [](RawPackage& r) { r.Writer().SetBlockSize(60); }, true},
        {"record of 29 bytes", [](RawPackage& r) { r.SetImage(2, Pattern(128, 3), Pattern(29, 4)); }, false},
        {"record of 30 bytes", [](RawPackage& r) { r.SetImage(2, Pattern(128, 3), Pattern(30, 4)); }, true},
        {"empty entry, short record", [](RawPackage& r) {
             r.Writer().Entry(4).SetRecordSize(8);
             r.records[4] = Bytes(8);
         }, true},
        {"name without NUL",
         [&noNul](RawPackage& r) {
             r.SetImage(0, Pattern(64, 1), Pattern(32, 2));
             // SetName refuses a name that fills the field, so write the units directly.
             for (size_t u = 0; u < 30; ++u) {
                 r.trailer[package::EntryOffset(0) + 8 + 2 * u] = static_cast<uint8_t>(noNul[u]);
             }
         }, false},
        {"empty entry, name without NUL",
         [](RawPackage& r) {
             for (size_t u = 0; u < 60; ++u) {
                 r.trailer[package::EntryOffset(6) + 8 + u] = 'x';
             }
         }, true},
        {"29-unit name", [](RawPackage& r) { r.SetImage(0, Pattern(64, 1), Pattern(32, 2), std::u16string(29, u'n')); },
         true},
        {"image reaches before the file",
         [](RawPackage& r) { r.Writer().Entry(0).SetImageSize(0xFFFFFFF0u); }, false},
        {"record reaches before the file",
         [](RawPackage& r) { r.Writer().Entry(2).SetRecordSize(0xFFFFFFFCu); }, false},
        {"empty entry's record reaches before the file",
         [](RawPackage& r) { r.Writer().Entry(7).SetRecordSize(0x80000000u); }, false},
        {"sizes one byte longer than the file",
         [](RawPackage& r) {
             r.prefix.clear();
             r.Writer().Entry(0).SetImageSize(65);
         }, false},
        {"package fills the whole file",
         [](RawPackage& r) { r.prefix.clear(); }, true},
        {"empty records that sum to 2^32",
         [](RawPackage& r) {
             r.Writer().Entry(1).SetRecordSize(0x80000000u);
             r.Writer().Entry(3).SetRecordSize(0x80000000u);
         }, false},
    };
    for (const auto& c : cases) {
        RawPackage raw = TwoImagePackage();
        c.spoil(raw);
        m_recorder.messages.clear();
        EXPECT_EQ(Read(raw.File()), c.accepted) << c.what;
        if (c.accepted) {
            EXPECT_TRUE(m_recorder.messages.empty()) << c.what;
            EXPECT_EQ(m_pkg.m_pImage[2], raw.images[2]) << c.what;
        } else {
            ASSERT_EQ(m_recorder.messages.size(), 1u) << c.what;
            EXPECT_EQ(m_recorder.messages[0].text, u"Fail to find firmware information!") << c.what;
            EXPECT_EQ(m_recorder.messages[0].caption, u"Error") << c.what;
            EXPECT_EQ(m_recorder.messages[0].flags, kErrorFlags) << c.what;
            ExpectAllEmpty(m_pkg, c.what);
        }
    }
}

TEST_F(ReadPackageTest, FilesTooShortOrMissing) {
    const Bytes whole = TwoImagePackage().File();
    const struct {
        const char* what;
        Bytes file;
    } cases[] = {
        {"empty file", {}},
        {"one byte short of a trailer", Bytes(whole.end() - static_cast<long>(kTrailerSize) + 1, whole.end())},
    };
    for (const auto& c : cases) {
        m_recorder.messages.clear();
        EXPECT_FALSE(Read(c.file)) << c.what;
        ASSERT_EQ(m_recorder.messages.size(), 1u) << c.what;
        EXPECT_EQ(m_recorder.messages[0].text, u"Fail to read Program file!") << c.what;
        EXPECT_EQ(m_recorder.messages[0].caption, u"Error") << c.what;
        EXPECT_EQ(m_recorder.messages[0].flags, kErrorFlags) << c.what;
    }

    m_recorder.messages.clear();
    EXPECT_FALSE(package::ReadPackage(m_pkg, m_dir.Path() / "no-such-file", m_recorder.Sink()));
    ASSERT_EQ(m_recorder.messages.size(), 1u);
    EXPECT_EQ(m_recorder.messages[0].text, u"Can not open Program file!\n");
    EXPECT_EQ(m_recorder.messages[0].caption, u"") << "the application's own box";
    EXPECT_EQ(m_recorder.messages[0].flags, ui::MB_OK);
}

TEST_F(ReadPackageTest, FailureFreesBuffersOfAnEarlierRead) {
    ASSERT_TRUE(Read(TwoImagePackage().File()));
    ASSERT_FALSE(m_pkg.m_pImage[0].empty());
    RawPackage spoilt = TwoImagePackage();
    spoilt.Writer().SetBlockSize(0);
    EXPECT_FALSE(Read(spoilt.File()));
    ExpectAllEmpty(m_pkg, "after a refused read");
    EXPECT_FALSE(package::ReadPackage(m_pkg, m_dir.Path() / "missing", {})) << "an empty sink is allowed";
}

// A source that delivers fewer bytes than asked for when a read touches a given range.
class ShortSource final : public package::PackageSource {
public:
    ShortSource(std::span<const uint8_t> bytes, uint64_t from, uint64_t to) : m_memory(bytes), m_from(from), m_to(to) {}
    std::optional<uint64_t> Size() override { return m_memory.Size(); }
    size_t ReadAt(uint64_t offset, std::span<uint8_t> out) override {
        const size_t got = m_memory.ReadAt(offset, out);
        const bool touches = offset < m_to && offset + out.size() > m_from;
        return touches && got > 0 ? got - 1 : got;
    }

private:
    package::MemoryPackageSource m_memory;
    uint64_t m_from;
    uint64_t m_to;
};

TEST(ReadPackageShortRead, ReportedAsReadFailure) {
    RawPackage raw = TwoImagePackage();
    raw.prefix.clear();
    const Bytes file = raw.File();
    // Layout without a prefix: image 0 [0, 64), record 0 [64, 96), image 2 [96, 224), record 2 [224, 264).
    const struct {
        const char* what;
        uint64_t from;
        uint64_t to;
    } cases[] = {
        {"image 0", 0, 64},
        {"record 0", 64, 96},
        {"image 2", 96, 224},
        {"record 2", 224, 264},
        {"trailer", file.size() - kTrailerSize, file.size()},
    };
    for (const auto& c : cases) {
        ShortSource source(file, c.from, c.to);
        Recorder recorder;
        FwPackage pkg;
        EXPECT_FALSE(package::ReadPackage(pkg, source, recorder.Sink())) << c.what;
        ASSERT_EQ(recorder.messages.size(), 1u) << c.what;
        EXPECT_EQ(recorder.messages[0].text, u"Fail to read Program file!") << c.what;
        EXPECT_EQ(recorder.messages[0].flags, kErrorFlags) << c.what;
        ExpectAllEmpty(pkg, c.what);
    }
}

} // namespace
