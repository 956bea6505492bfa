// ui::FindResource over this binary's own small table (tests/gfx/CMakeLists.txt).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "ui/gfx/Resource.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& name) {
    std::ifstream in(std::string(KESTREL_GFX_TEST_DATA) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FindResource, FindsEmbeddedFilesByTypeAndId) {
    const struct {
        std::u16string type;
        uint32_t id;
        std::string file;
    } cases[] = {
        {u"XML", 158, "text.txt"},
        {u"BINARY", 7, "bytes.bin"},
        {u"binary", 7, "bytes.bin"}, // type names ignore case
        {u"Xml", 158, "text.txt"},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> expected = ReadFile(c.file);
        ASSERT_FALSE(expected.empty()) << c.file;
        const std::span<const uint8_t> found = ui::FindResource(c.type, c.id);
        EXPECT_EQ(std::vector<uint8_t>(found.begin(), found.end()), expected) << c.file;
    }
}

TEST(FindResource, UnknownTypeIdOrSkippedFileIsEmpty) {
    const struct {
        std::u16string type;
        uint32_t id;
    } cases[] = {
        {u"XML", 159},   // known type, other id
        {u"JPG", 158},   // known id, other type
        {u"XM", 158},    // a prefix of a type is not the type
        {u"XMLX", 158},
        {u"", 158},
        {u"JPG", 999},   // listed, but the file does not exist: skipped at configure time
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(ui::FindResource(c.type, c.id).empty()) << c.id;
    }
}

} // namespace
