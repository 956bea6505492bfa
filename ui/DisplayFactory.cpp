// Picks the display back-end when the program set none: KESTREL_DISPLAY=headless forces the
// headless one; otherwise the build's platform back-end when it can be used, else headless.
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "ui/Display.h"
#include "ui/PlatformDisplay.h"
#include "ui/headless/HeadlessDisplay.h"

namespace ui {

namespace {

struct Choice {
    std::mutex lock;
    PlatformDisplayFactory platform = nullptr; // guarded by lock
    bool headlessAsked = false; // guarded by lock
    std::string problem;        // guarded by lock; why no platform back-end is used
};

Choice& TheChoice() {
    static Choice* const choice = new Choice();
    return *choice;
}

} // namespace

void SetPlatformDisplayFactory(PlatformDisplayFactory factory) {
    auto& choice = TheChoice();
    std::lock_guard lock(choice.lock);
    choice.platform = factory;
}

std::unique_ptr<Display> CreateDefaultDisplay() {
    auto& choice = TheChoice();
    const char* asked = std::getenv("KESTREL_DISPLAY");
    const bool headlessAsked = asked != nullptr && std::string_view(asked) == "headless";
    {
        std::lock_guard lock(choice.lock);
        choice.headlessAsked = headlessAsked; // what the latest choice found
        choice.problem.clear();
    }
    if (headlessAsked) {
        return std::make_unique<HeadlessDisplay>();
    }
    PlatformDisplayFactory platform = nullptr;
    {
        std::lock_guard lock(choice.lock);
        platform = choice.platform;
    }
    std::string problem = "this build has no window system back-end";
    if (platform != nullptr) {
        problem.clear();
        if (auto display = platform(problem)) {
            return display;
        }
    }
    std::lock_guard lock(choice.lock);
    choice.problem = std::move(problem);
    return std::make_unique<HeadlessDisplay>();
}

bool DisplayAvailable() {
    Display& display = GetDisplay();
    if (display.IsInteractive()) {
        return true;
    }
    auto& choice = TheChoice();
    std::lock_guard lock(choice.lock);
    return choice.headlessAsked || choice.problem.empty(); // asked for, or set by the program itself
}

std::string NoDisplayMessage() {
    GetDisplay();
    auto& choice = TheChoice();
    std::lock_guard lock(choice.lock);
    const std::string reason = choice.problem.empty() ? std::string("no window system") : choice.problem;
    return "kestrel: no display available (" + reason + "); use -silent, or run under X11";
}

} // namespace ui
