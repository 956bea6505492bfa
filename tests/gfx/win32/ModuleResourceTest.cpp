// ui::FindResource over this executable's own resources, which the build made from the table in
// tests/gfx/CMakeLists.txt with the program's resource-script template: the table's rows, the icon
// made from a PNG, the version block and the manifest.
#include "ui/gfx/Resource.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

// After our own headers: <windows.h> defines FindResource as a macro.
// clang-format off
#include <windows.h>
#undef FindResource
// clang-format on

namespace {

std::string_view AsText(std::span<const uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

TEST(ModuleResource, FindsTheTablesRowsByTypeAndId) {
    const struct {
        std::u16string type;
        uint32_t id;
        std::string_view starts; // the file's first bytes
    } cases[] = {
        {u"XML", 158, "Kestrel resource text"},
        {u"xml", 158, "Kestrel resource text"}, // type names ignore case
        {u"JPG", 1, "\xFF\xD8"},
        {u"Jpg", 2, "\xFF\xD8"},
        {u"BINARY", 3, std::string_view("\0\1\0\0", 4)}, // a TrueType file
    };
    for (const auto& c : cases) {
        const std::span<const uint8_t> found = ui::FindResource(c.type, c.id);
        ASSERT_GE(found.size(), c.starts.size()) << c.id;
        EXPECT_EQ(AsText(found).substr(0, c.starts.size()), c.starts) << c.id;
    }
    EXPECT_EQ(AsText(ui::FindResource(u"XML", 158)), "Kestrel resource text");
}

TEST(ModuleResource, UnknownTypesAndIdsFindNothing) {
    const struct {
        std::u16string type;
        uint32_t id;
    } cases[] = {
        {u"XML", 159}, // known type, other id
        {u"JPG", 158}, // known id, other type
        {u"XM", 158},  // a prefix of a type is not the type
        {u"XMLX", 158},
        {u"", 158},
        {u"#24", 1},             // not a numeric type in disguise (that is the manifest)
        {u"XML", 0x10000 + 158}, // not cut down to 16 bits
        {u"XML", 0},
        {u"JPG", 999},  // listed, but the file does not exist: left out at configure time
        {u"ICON", 128}, // a real icon resource on Windows, not a named type
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(ui::FindResource(c.type, c.id).empty()) << c.id;
    }
}

TEST(ModuleResource, IconRowBecomesAnIconResource) {
    if (!KESTREL_TEST_HAS_ICON) {
        GTEST_SKIP() << "no ImageMagick at build time: the icon was left out";
    }
    EXPECT_NE(FindResourceW(nullptr, MAKEINTRESOURCEW(128), MAKEINTRESOURCEW(14)), nullptr); // RT_GROUP_ICON
    EXPECT_NE(FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(3)),
              nullptr); // RT_ICON, first image
}

std::wstring VersionString(const std::vector<uint8_t>& block, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || !value || length == 0) {
        return {};
    }
    return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

TEST(ModuleResource, CarriesTheVersionBlockAndTheManifest) {
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    const DWORD size = GetFileVersionInfoSizeW(self, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<uint8_t> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(self, 0, size, block.data()));
    EXPECT_EQ(VersionString(block, L"CompanyName"), L"Orvane");
    EXPECT_EQ(VersionString(block, L"ProductName"), L"Kestrel");
    EXPECT_EQ(VersionString(block, L"FileVersion"), L"1.0.0.0");
    void* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &fixed, &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    EXPECT_EQ(info->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(info->dwFileVersionLS, 0u);

    HRSRC manifest = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
    ASSERT_NE(manifest, nullptr);
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, manifest)));
    ASSERT_NE(bytes, nullptr);
    const std::string_view text(bytes, SizeofResource(nullptr, manifest));
    EXPECT_NE(text.find("level=\"asInvoker\""), std::string_view::npos);
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string_view::npos);
    EXPECT_NE(text.find(">true</dpiAware>"), std::string_view::npos);
}

} // namespace
