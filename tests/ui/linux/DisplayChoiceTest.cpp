// The default display choice: KESTREL_DISPLAY=headless forces headless; otherwise X11 when DISPLAY
// names a display that opens, else headless with the reason start-up prints.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ui/Display.h"

namespace ui {
namespace {

TEST(DisplayChoiceTest, FallsBackToHeadlessWithTheReasonUnlessHeadlessWasAsked) {
    struct Case {
        const char* name;
        const char* kestrelDisplay; // nullptr: unset
        const char* display;
        bool available;
        std::string message;
    };
    const Case cases[] = {
        {"no DISPLAY", nullptr, nullptr, false,
         "kestrel: no display available (DISPLAY is not set); use -silent, or run under X11"},
        {"a display that does not open", nullptr, ":9876", false,
         "kestrel: no display available (cannot open display \":9876\"); use -silent, or run under X11"},
        {"headless asked for", "headless", nullptr, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.kestrelDisplay != nullptr) {
            setenv("KESTREL_DISPLAY", c.kestrelDisplay, 1);
        } else {
            unsetenv("KESTREL_DISPLAY");
        }
        if (c.display != nullptr) {
            setenv("DISPLAY", c.display, 1);
        } else {
            unsetenv("DISPLAY");
        }
        const auto display = CreateDefaultDisplay();
        ASSERT_NE(display, nullptr);
        EXPECT_EQ(display->Name(), "headless");
        EXPECT_FALSE(display->IsInteractive());
        // The process's own back-end is the headless one this test binary sets; the choice's
        // record of why it fell back is what DisplayAvailable reads.
        SetDisplay(CreateDefaultDisplay());
        EXPECT_EQ(DisplayAvailable(), c.available);
        if (!c.available) {
            EXPECT_EQ(NoDisplayMessage(), c.message);
        }
    }
    unsetenv("KESTREL_DISPLAY");
}

} // namespace
} // namespace ui
