// LoadSkinLayout reads the layout from the executable's resources ("XML" 158).
#include <gtest/gtest.h>

#include "skin/SkinLayout.h"

namespace skin {
namespace {

TEST(LoadSkinLayout, ReadsTheEmbeddedLayout) {
    xml::CXmlDocument doc;
    EXPECT_TRUE(LoadSkinLayout(doc));
    EXPECT_EQ(ReadMainWindowLayout(doc).rcOk, (ui::Rect{210, 329, 304, 363}));
    EXPECT_EQ(ReadResultDialogLayout(doc).rcClose, (ui::Rect{411, 6, 431, 26}));
}

} // namespace
} // namespace skin
