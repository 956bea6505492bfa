// The default display choice of Windows builds: the Windows back-end, unless KESTREL_DISPLAY asks
// for headless.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

#include "ui/Display.h"

namespace ui {
namespace {

TEST(Win32DisplayChoiceTest, WindowsBackEndUnlessHeadlessIsAsked) {
    struct Case {
        const char* kestrelDisplay; // "": unset
        std::string_view name;
        bool interactive;
    };
    const Case cases[] = {
        {"", "win32", true},
        {"headless", "headless", false},
        {"x11", "win32", true}, // only "headless" means anything
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kestrelDisplay);
        ASSERT_EQ(_putenv_s("KESTREL_DISPLAY", c.kestrelDisplay), 0);
        const auto display = CreateDefaultDisplay();
        ASSERT_NE(display, nullptr);
        EXPECT_EQ(display->Name(), c.name);
        EXPECT_EQ(display->IsInteractive(), c.interactive);
    }
    ASSERT_EQ(_putenv_s("KESTREL_DISPLAY", ""), 0);
}

} // namespace
} // namespace ui
